#include "editorwin/editor_window_logic.h"

#include <algorithm>

#include "core/codepage.h"

namespace tolvan {

std::string WithLineEnd(std::string text, LineEnd e) {
  if (e == LineEnd::CrLf) return text;
  const char end = e == LineEnd::Lf ? '\n' : '\r';
  std::size_t out = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      text[out++] = end;
      ++i;
    } else {
      text[out++] = text[i];
    }
  }
  text.resize(out);
  return text;
}

const char* const kScriptTemplateLines[7] = {"BEGIN{", "", "}", "{", "}", "END{", "}"};

const char* const kGawkExtraWords[22] = {
    "gensub", "tolower", "toupper", "fflush", "systime", "strftime", "CONVFMT", "IGNORECASE",
    "FIELDWIDTHS", "ARGIND", "ENVIRON", "ERRNO", "RT", "atan2", "cos", "exp", "int", "log",
    "rand", "sin", "sqrt", "srand"};

std::string ToggleComment(std::string_view selected) {
  std::string out;
  out.reserve(selected.size() + selected.size() / 8 + 8);
  std::size_t p = 0;
  const std::size_t n = selected.size();
  while (p < n) {
    std::size_t e = p;
    while (e < n && selected[e] != '\r' && selected[e] != '\n') ++e;
    const std::string_view line = selected.substr(p, e - p);
    if (line.empty())
      out += '#';
    else if (line.front() == '#')
      out.append(line.substr(1));
    else {
      out += '#';
      out.append(line);
    }
    out += "\r\n";
    // CR LF, LF and CR each end one line.
    if (e < n) {
      if (selected[e] == '\r' && e + 1 < n && selected[e + 1] == '\n') ++e;
      ++e;
    }
    p = e;
  }
  return out;
}

std::vector<TOverdrawRun> OverdrawRuns(std::string_view row, TextEncoding e) {
  std::vector<TOverdrawRun> runs;
  const int n = static_cast<int>(row.size());
  auto at = [&](int i) { return static_cast<unsigned char>(row[static_cast<std::size_t>(i)]); };
  const bool utf8 = e == TextEncoding::Utf8;
  int p = 0;
  while (p < n) {
    const unsigned char b = at(p);
    // A UTF-8 character with its combining marks (a letter with an accent
    // joined to it counts); a stray byte is one.
    const int len = utf8 ? static_cast<int>(Utf8Rules::CharLength(row, static_cast<std::size_t>(p))) : 1;
    if (utf8 && (b >= 0x80 || (len > 1 && b != '#' && b != '"' && b != '/' && b != '$'))) {
      runs.push_back({p, len, TOverdrawKind::Dbcs});
      p += len;
    } else if (!utf8 && cp932::IsLeadByte(b)) {
      const int len = p + 1 < n ? 2 : 1;
      runs.push_back({p, len, TOverdrawKind::Dbcs});
      p += 2;
    } else if (b == '#') {
      runs.push_back({p, n - p, TOverdrawKind::Comment});
      break;
    } else if (b == '"' || b == '/') {
      runs.push_back({p, 1, TOverdrawKind::Plain});
      const int s = p + 1;
      if (s >= n) break;
      p = s;
      while (p < n && at(p) != b) {
        // A trail byte 0x5C is no backslash: a double-byte character is one.
        // No byte of a UTF-8 character is ASCII.
        if (at(p) == '\\' || (!utf8 && cp932::IsLeadByte(at(p)))) ++p;
        ++p;
      }
      if (p > n) p = n;
      if (p > s) runs.push_back({s, p - s, b == '"' ? TOverdrawKind::Str : TOverdrawKind::Plain});
      if (p < n) runs.push_back({p, 1, TOverdrawKind::Plain});
      p += 1;
    } else if (b == '$') {
      bool stray = p + 1 >= n;
      if (!stray) {
        const unsigned char c = at(p + 1);
        stray = !((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '(');
      }
      if (stray) runs.push_back({p, 1, TOverdrawKind::Plain});
      p += 1;
    } else {
      p += 1;
    }
  }
  return runs;
}

QStringList ScriptNameFilters(const QString& ext) {
  // The text inside the last parentheses is what a file dialog matches;
  // the dialog hides it and shows the rest.
  return {QString::fromUtf8("awk スクリプト(*") + ext + ") (*" + ext.toUpper() + ")",
          QString::fromUtf8("全てのファイル(*.*) (*)")};
}

}  // namespace tolvan
