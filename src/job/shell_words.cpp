#include "job/shell_words.h"

#include "core/codepage.h"

namespace tolvan {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

}  // namespace

ShellWordsResult SplitShellWords(std::string_view s) {
  ShellWordsResult r;
  std::string word;
  bool inWord = false;  // "" is a word of its own, so track it apart from word.empty()
  std::size_t i = 0;
  const std::size_t n = s.size();

  // Appends the character at i (one or two bytes) to word and steps past it.
  auto takeChar = [&] {
    std::size_t len = cp932::CharLength(s, i);
    word.append(s.substr(i, len));
    i += len;
  };

  while (i < n) {
    char c = s[i];
    if (IsBlank(c)) {
      if (inWord) {
        r.Words.push_back(std::move(word));
        word.clear();
        inWord = false;
      }
      ++i;
      continue;
    }
    if (c == '\\' && i + 1 < n && s[i + 1] == '\n') {  // line continuation
      i += 2;
      continue;
    }
    inWord = true;
    if (c == '\'') {
      std::size_t close = s.find('\'', i + 1);  // ' is below 0x40: never a trail byte
      if (close == std::string_view::npos) return ShellWordsResult{false, {}};
      word.append(s.substr(i + 1, close - i - 1));
      i = close + 1;
    } else if (c == '"') {
      ++i;
      bool closed = false;
      while (i < n) {
        char d = s[i];
        if (d == '"') {
          closed = true;
          ++i;
          break;
        }
        if (d == '\\' && i + 1 < n) {
          char e = s[i + 1];
          if (e == '$' || e == '`' || e == '"' || e == '\\') {
            word.push_back(e);
            i += 2;
            continue;
          }
          if (e == '\n') {  // line continuation
            i += 2;
            continue;
          }
        }
        takeChar();
      }
      if (!closed) return ShellWordsResult{false, {}};
    } else if (c == '\\') {
      if (i + 1 >= n) {  // a backslash ending the text stands for itself
        word.push_back('\\');
        ++i;
      } else {
        ++i;
        takeChar();
      }
    } else {
      takeChar();
    }
  }
  if (inWord) r.Words.push_back(std::move(word));
  return r;
}

}  // namespace tolvan
