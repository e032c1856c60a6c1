#include "settings/ini_file.h"

#include <cerrno>
#include <climits>
#include <optional>
#include <vector>

#include "core/codepage.h"
#include "core/files.h"

namespace tolvan {
namespace {

std::string_view Trim(std::string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) --e;
  return s.substr(b, e - b);
}

// ASCII case folding that steps over double-byte characters, whose trail
// bytes may fall in the letter range.
bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size();) {
    if (cp932::CharLength(a, i) == 2) {
      if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
      i += 2;
      continue;
    }
    unsigned char x = static_cast<unsigned char>(a[i]);
    unsigned char y = static_cast<unsigned char>(b[i]);
    if (x >= 'a' && x <= 'z') x = static_cast<unsigned char>(x - 32);
    if (y >= 'a' && y <= 'z') y = static_cast<unsigned char>(y - 32);
    if (x != y) return false;
    ++i;
  }
  return true;
}

enum class LineKind { Other, Section, Key };

// Offsets rather than views: lines move when the vector grows or shrinks.
struct Line {
  std::string text;  // as read, without its line end
  LineKind kind = LineKind::Other;
  std::size_t namePos = 0, nameLen = 0;    // section or key name
  std::size_t valuePos = 0, valueLen = 0;  // key value
  std::string_view Name() const { return std::string_view(text).substr(namePos, nameLen); }
  std::string_view Value() const { return std::string_view(text).substr(valuePos, valueLen); }
};

// The file as lines, parsed in place. Lines are kept whole so that a write
// gives back everything it did not change byte for byte.
class Document {
 public:
  explicit Document(const std::filesystem::path& path) {
    std::string bytes;
    if (!ReadWholeFile(path, bytes)) {
      // Only a missing file is an empty one. Writing back what could not be
      // read would replace every setting with the one key being written.
      if (errno != ENOENT) readError_ = errno ? errno : EIO;
      return;
    }
    std::size_t pos = 0;
    while (pos < bytes.size()) {
      std::size_t nl = bytes.find('\n', pos);
      std::size_t end = nl == std::string::npos ? bytes.size() : nl;
      std::size_t textEnd = end;
      if (textEnd > pos && bytes[textEnd - 1] == '\r') --textEnd;
      lines_.push_back(Line{bytes.substr(pos, textEnd - pos)});
      pos = nl == std::string::npos ? bytes.size() : nl + 1;
    }
    for (std::size_t i = 0; i < lines_.size(); ++i) Parse(lines_[i], i == 0);
  }

  // Index of the first line of the first section called name, or npos.
  std::size_t FindSection(std::string_view name) const {
    for (std::size_t i = 0; i < lines_.size(); ++i)
      if (lines_[i].kind == LineKind::Section && SameName(lines_[i].Name(), name)) return i;
    return npos;
  }

  // End of the section that starts at line s: the next section line or the end.
  std::size_t SectionEnd(std::size_t s) const {
    std::size_t i = s + 1;
    while (i < lines_.size() && lines_[i].kind != LineKind::Section) ++i;
    return i;
  }

  // First line of key in section (the first one wins, as on Windows).
  std::size_t FindKey(std::string_view section, std::string_view key) const {
    std::size_t s = FindSection(section);
    if (s == npos) return npos;
    std::size_t end = SectionEnd(s);
    for (std::size_t i = s + 1; i < end; ++i)
      if (lines_[i].kind == LineKind::Key && SameName(lines_[i].Name(), key)) return i;
    return npos;
  }

  std::optional<std::string> Get(std::string_view section, std::string_view key) const {
    std::size_t i = FindKey(section, key);
    if (i == npos) return std::nullopt;
    std::string_view v = lines_[i].Value();
    // A value wrapped in matching quotes reads without them.
    if (IsQuoted(v)) v = v.substr(1, v.size() - 2);
    return std::string(v);
  }

  // Zero when the file was read (or is missing), else the reason it could
  // not be; such a document must not be written.
  int ReadError() const { return readError_; }

  void Set(std::string_view section, std::string_view key, std::string_view value) {
    std::string text(key);
    text += '=';
    // The reader drops one pair of matching quotes and the blanks around a
    // value; one more pair keeps such a value as it was written.
    const bool wrap = !value.empty() && (IsQuoted(value) || IsBlank(value.front()) || IsBlank(value.back()));
    if (wrap) text += value.front() == '\'' ? '\'' : '"';
    for (char c : value) text += (c == '\r' || c == '\n') ? ' ' : c;
    if (wrap) text += value.front() == '\'' ? '\'' : '"';
    std::size_t k = FindKey(section, key);
    if (k != npos) {
      Replace(k, std::move(text));
      return;
    }
    std::size_t s = FindSection(section);
    if (s == npos) {
      Insert(lines_.size(), "[" + std::string(section) + "]");
      Insert(lines_.size(), std::move(text));
      return;
    }
    // After the section's last non-blank line, so a blank separator stays
    // in front of the next section.
    std::size_t at = SectionEnd(s);
    while (at > s + 1 && Trim(lines_[at - 1].text).empty()) --at;
    Insert(at, std::move(text));
  }

  bool Remove(std::string_view section, std::string_view key) {
    std::size_t k = FindKey(section, key);
    if (k == npos) return false;
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(k));
    return true;
  }

  std::string Serialize() const {
    std::string out;
    for (const Line& l : lines_) {
      out += l.text;
      out += "\r\n";
    }
    return out;
  }

  static constexpr std::size_t npos = static_cast<std::size_t>(-1);

 private:
  static bool IsQuoted(std::string_view v) {
    return v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front();
  }
  static bool IsBlank(char c) { return c == ' ' || c == '\t'; }

  static void Parse(Line& line, bool first) {
    std::string_view whole = line.text;
    std::string_view t = whole;
    auto offset = [&](std::string_view part) { return static_cast<std::size_t>(part.data() - whole.data()); };
    if (first && t.substr(0, 3) == "\xEF\xBB\xBF") t.remove_prefix(3);
    t = Trim(t);
    line.kind = LineKind::Other;
    if (t.empty() || t[0] == ';') return;
    if (t[0] == '[') {
      std::size_t close = t.find(']');
      if (close == std::string_view::npos) return;  // not a section line: kept as is
      line.kind = LineKind::Section;
      std::string_view name = Trim(t.substr(1, close - 1));
      line.namePos = offset(name);
      line.nameLen = name.size();
      return;
    }
    std::size_t eq = t.find('=');
    if (eq == std::string_view::npos) return;
    line.kind = LineKind::Key;
    std::string_view name = Trim(t.substr(0, eq));
    std::string_view value = Trim(t.substr(eq + 1));
    line.namePos = offset(name);
    line.nameLen = name.size();
    line.valuePos = offset(value);
    line.valueLen = value.size();
  }

  void Replace(std::size_t i, std::string text) {
    lines_[i] = Line{std::move(text)};
    Parse(lines_[i], false);
  }

  void Insert(std::size_t at, std::string text) {
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), Line{std::move(text)});
    Parse(lines_[at], false);
  }

  std::vector<Line> lines_;
  int readError_ = 0;
};

// Refuses to write a document that could not be read.
bool Unreadable(const Document& doc) {
  if (doc.ReadError() == 0) return false;
  errno = doc.ReadError();
  return true;
}

}  // namespace

bool ParseIniInteger(std::string_view text, int& value) {
  std::string_view t = Trim(text);
  bool neg = false;
  if (!t.empty() && (t[0] == '-' || t[0] == '+')) {
    neg = t[0] == '-';
    t.remove_prefix(1);
  }
  int base = 10;
  if (!t.empty() && t[0] == '$') {
    base = 16;
    t.remove_prefix(1);
  } else if (t.size() > 1 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) {
    base = 16;
    t.remove_prefix(2);
  }
  if (t.empty()) return false;
  long long v = 0;
  for (char c : t) {
    int d;
    if (c >= '0' && c <= '9') d = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f') d = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F') d = c - 'A' + 10;
    else return false;
    v = v * base + d;
    if (v > 0xFFFFFFFFLL) return false;
  }
  if (neg) v = -v;
  if (base == 16 && !neg && v > INT_MAX) v -= 0x100000000LL;  // hex covers the full 32 bits
  if (v < INT_MIN || v > INT_MAX) return false;
  value = static_cast<int>(v);
  return true;
}

IniFile::IniFile(std::filesystem::path path) : path_(std::move(path)) {}

bool IniFile::Exists() const {
  std::error_code ec;
  return std::filesystem::is_regular_file(path_, ec);
}

std::string IniFile::ReadString(std::string_view section, std::string_view key,
                                std::string_view defaultValue) const {
  auto v = Document(path_).Get(section, key);
  return v ? *v : std::string(defaultValue);
}

int IniFile::ReadInteger(std::string_view section, std::string_view key, int defaultValue) const {
  auto v = Document(path_).Get(section, key);
  int result;
  if (v && ParseIniInteger(*v, result)) return result;
  return defaultValue;
}

bool IniFile::ReadBool(std::string_view section, std::string_view key, bool defaultValue) const {
  return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

bool IniFile::KeyExists(std::string_view section, std::string_view key) const {
  return Document(path_).Get(section, key).has_value();
}

bool IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  Document doc(path_);
  if (Unreadable(doc)) return false;
  doc.Set(section, key, value);
  return SaveFile(path_, doc.Serialize());
}

bool IniFile::WriteInteger(std::string_view section, std::string_view key, int value) {
  return WriteString(section, key, std::to_string(value));
}

bool IniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
  return WriteString(section, key, value ? "1" : "0");
}

bool IniFile::DeleteKey(std::string_view section, std::string_view key) {
  Document doc(path_);
  if (Unreadable(doc)) return false;
  if (!doc.Remove(section, key)) return true;
  return SaveFile(path_, doc.Serialize());
}

bool IniFile::WriteBatch(std::string_view section, const std::vector<IniChange>& changes) {
  Document doc(path_);
  if (Unreadable(doc)) return false;
  bool changed = false;
  for (const IniChange& c : changes) {
    if (c.value) {
      doc.Set(section, c.key, *c.value);
      changed = true;
    } else {
      changed = doc.Remove(section, c.key) || changed;
    }
  }
  if (!changed) return true;
  return SaveFile(path_, doc.Serialize());
}

}  // namespace tolvan
