#include "core/encoding.h"

#include "core/encoding_detector.h"

#include <locale.h>
#include <wchar.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <map>
#include <stdexcept>
#include <vector>

namespace tolvan {

const char* EncodingName(TextEncoding e) { return e == TextEncoding::Utf8 ? "UTF-8" : "CP932"; }

std::optional<TextEncoding> ParseEncodingName(std::string_view name) {
  std::string n;
  for (char c : name) n += static_cast<char>((c >= 'a' && c <= 'z') ? c - 'a' + 'A' : c);
  if (n == "UTF-8" || n == "UTF8") return TextEncoding::Utf8;
  if (n == "CP932" || n == "SJIS" || n == "SHIFT_JIS" || n == "WINDOWS-31J") return TextEncoding::Cp932;
  return std::nullopt;
}

namespace utf8 {
namespace {

unsigned char At(std::string_view s, std::size_t i) { return static_cast<unsigned char>(s[i]); }
bool IsCont(unsigned char b) { return (b & 0xC0) == 0x80; }

// Widths in two stages (a block of 256 code points per high part, equal
// blocks shared), built once from wcwidth in the C.UTF-8 locale. The
// thread's locale is switched for the build, never the process's.
struct WidthTable {
  std::array<std::uint16_t, 0x110000 / 256> index{};
  std::vector<std::array<std::uint8_t, 256>> blocks;
};

const WidthTable& Widths() {
  static const WidthTable* table = [] {
    locale_t loc = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    if (loc == static_cast<locale_t>(nullptr)) throw std::runtime_error("the C.UTF-8 locale is missing");
    locale_t old = ::uselocale(loc);
    auto* t = new WidthTable;
    std::map<std::array<std::uint8_t, 256>, std::uint16_t> seen;
    for (char32_t hi = 0; hi < 0x110000 / 256; ++hi) {
      std::array<std::uint8_t, 256> block{};
      for (char32_t lo = 0; lo < 256; ++lo) {
        const char32_t cp = (hi << 8) | lo;
        int w = (cp >= 0xD800 && cp < 0xE000) ? 1 : ::wcwidth(static_cast<wchar_t>(cp));
        // ASCII never joins what came before; anything wcwidth rejects
        // (controls, unassigned) is one column.
        if (cp < 0x80 || w < 0) w = 1;
        block[lo] = static_cast<std::uint8_t>(w > 2 ? 2 : w);
      }
      auto [it, added] = seen.emplace(block, static_cast<std::uint16_t>(t->blocks.size()));
      if (added) t->blocks.push_back(block);
      t->index[hi] = it->second;
    }
    ::uselocale(old);
    ::freelocale(loc);
    return t;
  }();
  return *table;
}

}  // namespace

std::size_t SequenceLength(std::string_view s, std::size_t pos) {
  const unsigned char b = At(s, pos);
  if (b < 0x80) return 1;
  const std::size_t left = s.size() - pos;
  if (b >= 0xC2 && b <= 0xDF) return left >= 2 && IsCont(At(s, pos + 1)) ? 2 : 0;
  if (b >= 0xE0 && b <= 0xEF) {
    if (left < 3) return 0;
    const unsigned char c = At(s, pos + 1);
    const unsigned char lo = b == 0xE0 ? 0xA0 : 0x80;  // no overlong forms
    const unsigned char hi = b == 0xED ? 0x9F : 0xBF;  // no surrogates
    return c >= lo && c <= hi && IsCont(At(s, pos + 2)) ? 3 : 0;
  }
  if (b >= 0xF0 && b <= 0xF4) {
    if (left < 4) return 0;
    const unsigned char c = At(s, pos + 1);
    const unsigned char lo = b == 0xF0 ? 0x90 : 0x80;
    const unsigned char hi = b == 0xF4 ? 0x8F : 0xBF;  // nothing past U+10FFFF
    return c >= lo && c <= hi && IsCont(At(s, pos + 2)) && IsCont(At(s, pos + 3)) ? 4 : 0;
  }
  return 0;
}

char32_t DecodeSequence(std::string_view s, std::size_t pos, std::size_t len) {
  const unsigned char b = At(s, pos);
  switch (len) {
    case 1: return b;
    case 2: return (char32_t(b & 0x1F) << 6) | (At(s, pos + 1) & 0x3F);
    case 3: return (char32_t(b & 0x0F) << 12) | (char32_t(At(s, pos + 1) & 0x3F) << 6) | (At(s, pos + 2) & 0x3F);
    default:
      return (char32_t(b & 0x07) << 18) | (char32_t(At(s, pos + 1) & 0x3F) << 12) |
             (char32_t(At(s, pos + 2) & 0x3F) << 6) | (At(s, pos + 3) & 0x3F);
  }
}

int CodePointWidth(char32_t cp) {
  if (cp < 0x80) return 1;
  if (cp >= 0x110000) return 1;
  const WidthTable& t = Widths();
  return t.blocks[t.index[cp >> 8]][cp & 0xFF];
}

bool ZeroWidthAt(std::string_view s, std::size_t pos) {
  if (pos >= s.size() || At(s, pos) < 0x80) return false;
  const std::size_t n = SequenceLength(s, pos);
  return n != 0 && CodePointWidth(DecodeSequence(s, pos, n)) == 0;
}

bool IsValid(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size()) {
    if (At(s, i) < 0x80) {
      ++i;
      continue;
    }
    const std::size_t n = SequenceLength(s, i);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

void AppendCodePoint(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

}  // namespace utf8

namespace {

unsigned char At(std::string_view s, std::size_t i) { return static_cast<unsigned char>(s[i]); }
bool IsControl(unsigned char b) { return b < 0x20 || b == 0x7F; }

// Start of the sequence or lone byte holding pos.
std::size_t UnitStart(std::string_view s, std::size_t pos) {
  if ((At(s, pos) & 0xC0) != 0x80) return pos;
  std::size_t j = pos;
  for (int k = 0; k < 3 && j > 0; ++k) {
    --j;
    if ((At(s, j) & 0xC0) != 0x80) {
      const std::size_t n = utf8::SequenceLength(s, j);
      return n != 0 && j + n > pos ? j : pos;
    }
  }
  return pos;
}

// True when a zero-width code point may join the unit at p.
bool CanCarryMarks(std::string_view s, std::size_t p) {
  return !IsControl(At(s, p)) && utf8::SequenceLength(s, p) != 0;
}

}  // namespace

bool Cp932Rules::IsValidChar(std::string_view s, std::size_t pos) {
  return At(s, pos) == 0 || cp932::DecodeChar(s, pos) != cp932::kReplacement;
}

std::size_t Cp932Rules::AsciiRunEnd(std::string_view s, std::size_t pos) {
  while (pos < s.size() && At(s, pos) < 0x80) ++pos;
  return pos;
}

std::size_t Utf8Rules::CharLength(std::string_view s, std::size_t pos) {
  const std::size_t n = utf8::SequenceLength(s, pos);
  if (n == 0 || IsControl(At(s, pos))) return 1;
  std::size_t i = pos + n;
  while (i < s.size() && At(s, i) >= 0x80) {
    const std::size_t m = utf8::SequenceLength(s, i);
    if (m == 0 || utf8::CodePointWidth(utf8::DecodeSequence(s, i, m)) != 0) break;
    i += m;
  }
  return i - pos;
}

std::size_t Utf8Rules::CharWidth(std::string_view s, std::size_t pos) {
  const std::size_t n = utf8::SequenceLength(s, pos);
  if (n <= 1) return 1;
  const int w = utf8::CodePointWidth(utf8::DecodeSequence(s, pos, n));
  return w == 2 ? 2 : 1;
}

std::size_t Utf8Rules::CharStart(std::string_view s, std::size_t pos) {
  std::size_t u = UnitStart(s, pos);
  while (u > 0 && utf8::ZeroWidthAt(s, u)) {
    const std::size_t p = UnitStart(s, u - 1);
    if (!CanCarryMarks(s, p)) break;
    u = p;
  }
  return u;
}

bool Utf8Rules::IsValidChar(std::string_view s, std::size_t pos) { return utf8::SequenceLength(s, pos) != 0; }

std::size_t Utf8Rules::AsciiRunEnd(std::string_view s, std::size_t pos) {
  std::size_t i = pos;
  while (i < s.size() && At(s, i) < 0x80) ++i;
  // The last ASCII byte carries a combining mark that follows it.
  if (i > pos && i < s.size() && utf8::ZeroWidthAt(s, i)) --i;
  return i;
}

namespace {

template <typename Rules>
std::size_t WidthOf(std::string_view s) {
  std::size_t w = 0;
  std::size_t i = 0;
  while (i < s.size()) {
    const std::size_t a = Rules::AsciiRunEnd(s, i);
    w += a - i;
    i = a;
    if (i >= s.size()) break;
    w += Rules::CharWidth(s, i);
    i += Rules::CharLength(s, i);
  }
  return w;
}

template <typename Rules>
std::size_t ByteAtColumn(std::string_view s, std::size_t col) {
  std::size_t w = 0;
  std::size_t i = 0;
  while (i < s.size()) {
    const std::size_t a = Rules::AsciiRunEnd(s, i);
    if (w + (a - i) > col) return i + (col - w);
    w += a - i;
    i = a;
    if (i >= s.size()) break;
    const std::size_t cw = Rules::CharWidth(s, i);
    if (w + cw > col) return i;
    w += cw;
    i += Rules::CharLength(s, i);
  }
  return s.size();
}

void AppendUtf16(std::u16string& out, char32_t cp) {
  if (cp >= 0x10000) {
    out += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
    out += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
  } else {
    out += static_cast<char16_t>(cp);
  }
}

// Each code point of UTF-8 bytes, U+FFFD for each byte of an ill-formed
// sequence.
template <typename Append>
void DecodeUtf8(std::string_view s, Append append) {
  std::size_t i = 0;
  while (i < s.size()) {
    if (At(s, i) < 0x80) {
      append(static_cast<char32_t>(At(s, i)), i);
      ++i;
      continue;
    }
    const std::size_t n = utf8::SequenceLength(s, i);
    append(n == 0 ? cp932::kReplacement : utf8::DecodeSequence(s, i, n), i);
    i += n == 0 ? 1 : n;
  }
}

void Fail(EncodeResult& r, char32_t cp, std::size_t index) {
  if (!r.ok) return;
  r.ok = false;
  r.failedChar = cp;
  r.failedIndex = index;
}

}  // namespace

std::size_t DisplayWidth(TextEncoding e, std::string_view s) {
  return e == TextEncoding::Utf8 ? WidthOf<Utf8Rules>(s) : WidthOf<Cp932Rules>(s);
}

std::size_t ColumnToByte(TextEncoding e, std::string_view s, std::size_t col) {
  return e == TextEncoding::Utf8 ? ByteAtColumn<Utf8Rules>(s, col) : ByteAtColumn<Cp932Rules>(s, col);
}

bool IsValidText(TextEncoding e, std::string_view s) {
  if (e == TextEncoding::Utf8) return utf8::IsValid(s);
  for (std::size_t i = 0; i < s.size(); i = cp932::NextChar(s, i))
    if (At(s, i) >= 0x80 && !Cp932Rules::IsValidChar(s, i)) return false;
  return true;
}

std::u16string ToUtf16(TextEncoding e, std::string_view bytes) {
  if (e == TextEncoding::Cp932) return cp932::ToUtf16(bytes);
  std::u16string out;
  out.reserve(bytes.size());
  DecodeUtf8(bytes, [&](char32_t cp, std::size_t) { AppendUtf16(out, cp); });
  return out;
}

std::string ToUtf8(TextEncoding e, std::string_view bytes) {
  if (e == TextEncoding::Cp932) return cp932::ToUtf8(bytes);
  if (utf8::IsValid(bytes)) return std::string(bytes);
  std::string out;
  out.reserve(bytes.size());
  DecodeUtf8(bytes, [&](char32_t cp, std::size_t) { utf8::AppendCodePoint(out, cp); });
  return out;
}

char32_t DecodeChar(TextEncoding e, std::string_view bytes, std::size_t pos) {
  if (e == TextEncoding::Cp932) return cp932::DecodeChar(bytes, pos);
  const std::size_t n = utf8::SequenceLength(bytes, pos);
  return n == 0 ? cp932::kReplacement : utf8::DecodeSequence(bytes, pos, n);
}

EncodeResult FromUtf16(TextEncoding e, std::u16string_view s) {
  if (e == TextEncoding::Cp932) return cp932::FromUtf16(s);
  EncodeResult r;
  r.bytes.reserve(s.size() * 3);
  for (std::size_t i = 0; i < s.size(); ++i) {
    char32_t cp = s[i];
    if (cp >= 0xD800 && cp < 0xE000) {
      if (cp < 0xDC00 && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] < 0xE000) {
        cp = 0x10000 + ((cp - 0xD800) << 10) + (s[i + 1] - 0xDC00);
        utf8::AppendCodePoint(r.bytes, cp);
        ++i;
      } else {
        Fail(r, cp, i);
      }
      continue;
    }
    utf8::AppendCodePoint(r.bytes, cp);
  }
  return r;
}

EncodeResult FromUtf8(TextEncoding e, std::string_view s) {
  if (e == TextEncoding::Cp932) return cp932::FromUtf8(s);
  EncodeResult r;
  r.bytes.reserve(s.size());
  DecodeUtf8(s, [&](char32_t cp, std::size_t i) {
    if (cp == cp932::kReplacement && utf8::SequenceLength(s, i) == 0) {
      Fail(r, cp, i);
      return;
    }
    utf8::AppendCodePoint(r.bytes, cp);
  });
  return r;
}

EncodeResult Convert(TextEncoding from, TextEncoding to, std::string_view s) {
  EncodeResult r;
  if (from == to) {
    r.bytes.assign(s);
    return r;
  }
  r.bytes.reserve(s.size() + s.size() / 2);
  std::size_t i = 0;
  if (from == TextEncoding::Cp932) {
    while (i < s.size()) {
      const std::size_t n = cp932::CharLength(s, i);
      if (!Cp932Rules::IsValidChar(s, i)) {
        Fail(r, cp932::kReplacement, i);
      } else {
        utf8::AppendCodePoint(r.bytes, At(s, i) < 0x80 ? At(s, i) : cp932::DecodeChar(s, i));
      }
      i += n;
    }
    return r;
  }
  while (i < s.size()) {
    if (At(s, i) < 0x80) {
      r.bytes += s[i++];
      continue;
    }
    const std::size_t n = utf8::SequenceLength(s, i);
    if (n == 0) {
      Fail(r, cp932::kReplacement, i);
      ++i;
      continue;
    }
    const char32_t cp = utf8::DecodeSequence(s, i, n);
    const int code = cp932::EncodeChar(cp);
    if (code < 0) {
      Fail(r, cp, i);
    } else {
      if (code >= 0x100) r.bytes += static_cast<char>(code >> 8);
      r.bytes += static_cast<char>(code & 0xFF);
    }
    i += n;
  }
  return r;
}

const char* LineEndName(LineEnd e) {
  switch (e) {
    case LineEnd::Lf: return "LF";
    case LineEnd::Cr: return "CR";
    default: return "CR LF";
  }
}

std::string_view LineEndBytes(LineEnd e) {
  switch (e) {
    case LineEnd::Lf: return "\n";
    case LineEnd::Cr: return "\r";
    default: return "\r\n";
  }
}

namespace {
// The length a UTF-8 lead byte announces; 0 for a byte no sequence starts with.
std::size_t AnnouncedLength(unsigned char b) {
  if (b >= 0xC2 && b <= 0xDF) return 2;
  if (b >= 0xE0 && b <= 0xEF) return 3;
  if (b >= 0xF0 && b <= 0xF4) return 4;
  return 0;
}
}  // namespace

void EncodingDetector::Feed(std::string_view piece) {
  if (Decided()) return;
  if (!started_) {
    const std::size_t take = std::min(piece.size(), kUtf8Bom.size() - head_.size());
    head_.append(piece.substr(0, take));
    piece.remove_prefix(take);
    if (head_ == kUtf8Bom) {
      bom_ = true;
      return;
    }
    if (head_.size() < kUtf8Bom.size() && kUtf8Bom.starts_with(head_)) return;  // wait for more
    started_ = true;
    const std::string head = std::move(head_);
    head_.clear();
    Scan(head);
  }
  Scan(piece);
}

void EncodingDetector::Scan(std::string_view s) {
  std::size_t i = 0;
  if (!pending_.empty()) {
    const std::size_t want = AnnouncedLength(static_cast<unsigned char>(pending_[0]));
    i = std::min(want - pending_.size(), s.size());
    pending_.append(s.substr(0, i));
    if (pending_.size() < want) return;
    if (utf8::SequenceLength(pending_, 0) != want) {
      invalid_ = true;
      return;
    }
    multiByte_ = true;
    pending_.clear();
  }
  while (i < s.size()) {
    const unsigned char b = At(s, i);
    if (b < 0x80) {
      ++i;
      continue;
    }
    const std::size_t want = AnnouncedLength(b);
    if (want != 0 && i + want > s.size()) {
      pending_.assign(s.substr(i));
      return;
    }
    if (want == 0 || utf8::SequenceLength(s, i) != want) {
      invalid_ = true;
      return;
    }
    multiByte_ = true;
    i += want;
  }
}

DetectedText EncodingDetector::Result() const {
  if (bom_) return DetectedText{TextEncoding::Utf8, true, false};
  // A sequence or a byte-order mark cut by the end is not UTF-8.
  if (invalid_ || !pending_.empty() || !head_.empty()) return DetectedText{TextEncoding::Cp932, false, false};
  if (multiByte_) return DetectedText{TextEncoding::Utf8, false, false};
  return DetectedText{TextEncoding::Cp932, false, true};
}

DetectedText DetectEncoding(std::string_view bytes) {
  EncodingDetector d;
  d.Feed(bytes);
  return d.Result();
}

LineEnd DetectLineEnd(std::string_view bytes) {
  const std::size_t p = bytes.find_first_of("\r\n");
  if (p == std::string_view::npos) return LineEnd::CrLf;
  if (bytes[p] == '\n') return LineEnd::Lf;
  return p + 1 < bytes.size() && bytes[p + 1] == '\n' ? LineEnd::CrLf : LineEnd::Cr;
}

}  // namespace tolvan
