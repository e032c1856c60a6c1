#include "editorwin/editor_window_logic.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "core/codepage.h"
#include "core/encoding_detector.h"


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

TFileText DetectFileText(const std::filesystem::path& path) {
  TFileText out;
  out.Text.ascii = true;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return out;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return out;
  }
  constexpr std::size_t kPiece = 64 * 1024;
  EncodingDetector detector;
  std::string piece(kPiece, '\0');
  bool endKnown = false, pendingCr = false;
  for (;;) {
    ssize_t n;
    do n = ::read(fd, piece.data(), kPiece);
    while (n < 0 && errno == EINTR);
    const std::string_view got(piece.data(), static_cast<std::size_t>(std::max<ssize_t>(n, 0)));
    const bool last = n <= 0;
    // The first line end, which may lie past the first piece.
    if (!endKnown) {
      if (pendingCr) {
        out.End = got.starts_with('\n') ? LineEnd::CrLf : LineEnd::Cr;
        endKnown = true;
      } else if (const std::size_t k = got.find_first_of("\r\n"); k != std::string_view::npos) {
        if (got[k] == '\r' && k + 1 == got.size()) {
          pendingCr = true;
        } else {
          out.End = DetectLineEnd(got.substr(k));
          endKnown = true;
        }
      }
    }
    detector.Feed(got);
    if (last || (detector.Decided() && endKnown)) break;
  }
  ::close(fd);
  out.Text = detector.Result();
  return out;
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
  auto length = [&](int i) { return static_cast<int>(CharLength(e, row, static_cast<std::size_t>(i))); };
  const bool utf8 = e == TextEncoding::Utf8;
  int p = 0;
  while (p < n) {
    const unsigned char b = at(p);
    const int len = length(p);
    // CP932: a double-byte character, or a lead byte whose trail went to
    // the next row (half-width katakana are single bytes and stay). UTF-8:
    // anything not ASCII, a letter with a combining mark joined to it
    // included; a stray byte is one.
    const bool flagged = utf8 ? b >= 0x80 || (len > 1 && b != '#' && b != '"' && b != '/' && b != '$')
                              : len > 1 || cp932::IsLeadByte(b);
    if (flagged) {
      runs.push_back({p, len, TOverdrawKind::Dbcs});
      p += len;
    } else if (b == '#') {
      runs.push_back({p, n - p, TOverdrawKind::Comment});
      break;
    } else if (b == '"' || b == '/') {
      runs.push_back({p, 1, TOverdrawKind::Plain});
      const int s = p + 1;
      if (s >= n) break;
      p = s;
      while (p < n && at(p) != b) {
        // A character is whole: a CP932 trail byte 0x5C is no backslash.
        p += at(p) == '\\' ? 2 : length(p);
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
