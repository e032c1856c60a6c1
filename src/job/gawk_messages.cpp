#include "job/gawk_messages.h"

#include <cctype>

namespace tolvan {

namespace {

bool StartsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

// "<digits>:" at the start of s: the number and the length taken, else 0.
int LineNumberAt(std::string_view s, std::size_t& taken) {
  std::size_t i = 0;
  int n = 0;
  while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])) && n < 100000000) n = n * 10 + (s[i++] - '0');
  if (i == 0 || i >= s.size() || s[i] != ':' || n <= 0) return 0;
  taken = i + 1;
  return n;
}

std::string_view TrimLeft(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  return s;
}

std::string_view TrimRight(std::string_view s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

struct Words {
  std::string commandLine;
  std::string warningJa, errorJa, fatalJa;
  explicit Words(TextEncoding e)
      : commandLine(FromUtf8(e, "コマンドライン:").bytes),
        warningJa(FromUtf8(e, "警告: ").bytes),
        errorJa(FromUtf8(e, "エラー: ").bytes),
        fatalJa(FromUtf8(e, "致命的: ").bytes) {}
};

// Takes the place off the front of rest: the script, a command-line
// program, or another file ("name:N:" where the name holds no ": ").
GawkMessagePlace TakePlace(std::string_view& rest, std::string_view scriptName, const Words& words, int& line,
                           std::string_view& otherFile) {
  std::size_t taken = 0;
  auto after = [&](std::size_t nameLength) {
    if (rest.size() <= nameLength) return 0;
    return LineNumberAt(rest.substr(nameLength), taken);
  };
  if (!scriptName.empty() && StartsWith(rest, scriptName) && rest.size() > scriptName.size() &&
      rest[scriptName.size()] == ':' && (line = after(scriptName.size() + 1)) > 0) {
    rest.remove_prefix(scriptName.size() + 1 + taken);
    return GawkMessagePlace::Script;
  }
  for (std::string_view cmd : {std::string_view("cmd. line:"), std::string_view(words.commandLine)}) {
    if (StartsWith(rest, cmd) && (line = after(cmd.size())) > 0) {
      rest.remove_prefix(cmd.size() + taken);
      return GawkMessagePlace::CommandLine;
    }
  }
  for (std::size_t c = rest.find(':'); c != std::string_view::npos && c > 0; c = rest.find(':', c + 1)) {
    if (rest.substr(0, c).find(": ") != std::string_view::npos) break;
    if ((line = after(c + 1)) > 0) {
      otherFile = rest.substr(0, c + 1 + taken);
      rest.remove_prefix(c + 1 + taken);
      return GawkMessagePlace::OtherFile;
    }
  }
  line = 0;
  return GawkMessagePlace::None;
}

// Another file's name and line stay in front of the text: the list shows where.
std::string WithFile(std::string_view otherFile, std::string_view text) {
  std::string out(otherFile);
  if (!out.empty()) out += ' ';
  out += text;
  return out;
}

}  // namespace

std::vector<GawkMessage> ParseGawkMessages(std::string_view text, std::string_view scriptName, TextEncoding e) {
  const Words words(e);
  std::vector<GawkMessage> out;
  // The source line gawk echoed last, waiting for its "^ message" line.
  bool echoPending = false;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = TrimRight(text.substr(pos, end - pos));
    pos = end + 1;
    const bool echoBefore = echoPending;
    echoPending = false;
    // "<program>: " comes first; gawk names itself by its file name.
    const std::size_t colon = line.find(": ");
    if (colon == std::string_view::npos || colon == 0 || line.substr(0, colon).find(' ') != std::string_view::npos)
      continue;
    std::string_view rest = line.substr(colon + 2);
    GawkMessage m;
    std::string_view otherFile;
    m.Place = TakePlace(rest, scriptName, words, m.Line, otherFile);
    if (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
    // A run-time message says where in the input it was.
    if (StartsWith(rest, "(FILENAME=")) {
      const std::size_t close = rest.find(") ");
      if (close != std::string_view::npos) rest.remove_prefix(close + 2);
    }
    bool severity = true;
    if (StartsWith(rest, "warning: ")) {
      m.Kind = GawkMessageKind::Warning;
      rest.remove_prefix(9);
    } else if (StartsWith(rest, words.warningJa)) {
      m.Kind = GawkMessageKind::Warning;
      rest.remove_prefix(words.warningJa.size());
    } else if (StartsWith(rest, "error: ") || StartsWith(rest, "fatal: ")) {
      rest.remove_prefix(7);
    } else if (StartsWith(rest, words.errorJa)) {
      rest.remove_prefix(words.errorJa.size());
    } else if (StartsWith(rest, words.fatalJa)) {
      rest.remove_prefix(words.fatalJa.size());
    } else {
      severity = false;
    }
    if (!severity) {
      if (m.Place == GawkMessagePlace::None) continue;
      const std::string_view trimmed = TrimLeft(rest);
      if (StartsWith(trimmed, "^")) {
        // "^ message" under the echoed source line: the echo becomes this error.
        m.Text = WithFile(otherFile, TrimLeft(trimmed.substr(1)));
        if (echoBefore && out.back().Place == m.Place && out.back().Line == m.Line) {
          out.back().Text = std::move(m.Text);
          continue;
        }
        out.push_back(std::move(m));
        continue;
      }
      // A source line gawk shows for the error that follows.
      m.Text = WithFile(otherFile, trimmed);
      out.push_back(std::move(m));
      echoPending = true;
      continue;
    }
    m.Text = WithFile(otherFile, rest);
    out.push_back(std::move(m));
  }
  return out;
}

}  // namespace tolvan
