#include "editor/model/search.h"

#include <array>
#include <vector>

#include "core/codepage.h"

namespace tolvan {

namespace {

// Half-width 0xA1..0xDF as full-width code points.
constexpr char32_t kKanaFull[63] = {
    0x3002, 0x300C, 0x300D, 0x3001, 0x30FB, 0x30F2, 0x30A1, 0x30A3, 0x30A5, 0x30A7, 0x30A9,
    0x30E3, 0x30E5, 0x30E7, 0x30C3, 0x30FC, 0x30A2, 0x30A4, 0x30A6, 0x30A8, 0x30AA, 0x30AB,
    0x30AD, 0x30AF, 0x30B1, 0x30B3, 0x30B5, 0x30B7, 0x30B9, 0x30BB, 0x30BD, 0x30BF, 0x30C1,
    0x30C4, 0x30C6, 0x30C8, 0x30CA, 0x30CB, 0x30CC, 0x30CD, 0x30CE, 0x30CF, 0x30D2, 0x30D5,
    0x30D8, 0x30DB, 0x30DE, 0x30DF, 0x30E0, 0x30E1, 0x30E2, 0x30E4, 0x30E6, 0x30E8, 0x30E9,
    0x30EA, 0x30EB, 0x30EC, 0x30ED, 0x30EF, 0x30F3, 0x309B, 0x309C};

struct Tables {
  std::array<int, 256> full{};     // double-byte code of a byte, or -1
  std::array<int, 256> voiced{};   // with ﾞ, or -1
  std::array<int, 256> semi{};     // with ﾟ, or -1
  std::array<unsigned char, 256> upper{};
  std::array<char32_t, 128> fullCp{};  // full-width code point of ASCII, or 0

  Tables() {
    full.fill(-1);
    voiced.fill(-1);
    semi.fill(-1);
    for (int b = 0x20; b <= 0x7E; ++b) {
      char32_t cp = b == 0x20 ? 0x3000 : static_cast<char32_t>(0xFF00 + (b - 0x20));
      if (b == 0x22) cp = 0x201D;  // JIS X 0208 has no full-width quote marks
      if (b == 0x27) cp = 0x2019;
      if (b == 0x5C) cp = 0xFFE5;  // yen sign
      if (b == 0x7E) cp = 0xFFE3;  // overline
      full[static_cast<std::size_t>(b)] = cp932::EncodeChar(cp);
      fullCp[static_cast<std::size_t>(b)] = cp;
    }
    for (int b = 0xA1; b <= 0xDF; ++b) {
      char32_t cp = kKanaFull[b - 0xA1];
      full[static_cast<std::size_t>(b)] = cp932::EncodeChar(cp);
      bool kaToTo = b >= 0xB6 && b <= 0xC4;
      bool haToHo = b >= 0xCA && b <= 0xCE;
      if (kaToTo || haToHo) voiced[static_cast<std::size_t>(b)] = cp932::EncodeChar(cp + 1);
      if (haToHo) semi[static_cast<std::size_t>(b)] = cp932::EncodeChar(cp + 2);
    }
    voiced[0xB3] = cp932::EncodeChar(0x30F4);  // ｳﾞ
    for (int b = 0; b < 256; ++b)
      upper[static_cast<std::size_t>(b)] =
          static_cast<unsigned char>(b >= 'a' && b <= 'z' ? b - 32 : b);
  }
};

const Tables& T() {
  static const Tables t;
  return t;
}

// Full-width lower-case Latin, Greek and Cyrillic to upper case; the two
// codes of each small roman numeral to one.
int FoldDouble(int code) {
  if (code >= 0x8281 && code <= 0x829A) return code - 0x21;
  if (code >= 0x83BF && code <= 0x83D6) return code - 0x20;
  if (code >= 0x8470 && code <= 0x847E) return code - 0x30;
  if (code >= 0x8480 && code <= 0x8491) return code - 0x31;
  if (code >= 0xEEEF && code <= 0xEEF8) return code - 0xEEEF + 0xFA40;
  return code;
}

// Unicode lower case to upper for the scripts CP932 folds, and Latin-1.
char32_t FoldCodePoint(char32_t cp) {
  if (cp >= 0xFF41 && cp <= 0xFF5A) return cp - 0x20;  // full-width Latin
  if (cp >= 0xE0 && cp <= 0xFE && cp != 0xF7) return cp - 0x20;
  if (cp >= 0x3B1 && cp <= 0x3C9 && cp != 0x3C2) return cp - 0x20;  // Greek
  if (cp >= 0x430 && cp <= 0x44F) return cp - 0x20;                 // Cyrillic
  if (cp == 0x451) return 0x401;
  return cp;
}

// UTF-8 codes: a code point, or an invalid byte above every code point.
constexpr int kInvalidByte = 0x110000;

struct Char {
  int code;
  int bytes;
};

class Matcher {
 public:
  Matcher(std::string_view buf, TSearchOptions o, TextEncoding e = TextEncoding::Cp932)
      : buf_(buf),
        utf8_(e == TextEncoding::Utf8),
        matchCase_(o & SearchBit(sfrMatchCase)),
        zenkaku_(o & SearchBit(sfrNoMatchZenkaku)),
        crlf_(o & SearchBit(sfrIncludeCRLF)),
        space_(o & SearchBit(sfrIncludeSpace)) {}

  Char Read(std::string_view s, std::size_t p, bool convert) const {
    if (utf8_) return ReadUtf8(s, p, convert);
    unsigned char b = static_cast<unsigned char>(s[p]);
    if (cp932::IsLeadByte(b) && p + 1 < s.size())
      return {(b << 8) | static_cast<unsigned char>(s[p + 1]), 2};
    if (convert) {
      const Tables& t = T();
      if (p + 1 < s.size()) {
        unsigned char m = static_cast<unsigned char>(s[p + 1]);
        if (m == 0xDE && t.voiced[b] >= 0) return {t.voiced[b], 2};
        if (m == 0xDF && t.semi[b] >= 0) return {t.semi[b], 2};
      }
      if (t.full[b] >= 0) return {t.full[b], 1};
    }
    return {b, 1};
  }

  // One code point, the full-width form of ASCII and half-width katakana
  // (with a sound mark that follows) when converting.
  Char ReadUtf8(std::string_view s, std::size_t p, bool convert) const {
    const unsigned char b = static_cast<unsigned char>(s[p]);
    const Tables& t = T();
    if (b < 0x80) {
      if (convert && t.fullCp[b] != 0) return {static_cast<int>(t.fullCp[b]), 1};
      return {b, 1};
    }
    const std::size_t n = utf8::SequenceLength(s, p);
    if (n == 0) return {kInvalidByte + b, 1};
    const char32_t cp = utf8::DecodeSequence(s, p, n);
    if (!convert || cp < 0xFF61 || cp > 0xFF9F) return {static_cast<int>(cp), static_cast<int>(n)};
    const std::size_t k = cp - 0xFF61 + 0xA1;  // the CP932 byte of the same kana
    const std::size_t q = p + n;
    if (q + 3 <= s.size() && utf8::SequenceLength(s, q) == 3) {
      const char32_t m = utf8::DecodeSequence(s, q, 3);
      const int with = m == 0xFF9E && t.voiced[k] >= 0 ? (k == 0xB3 ? 0x30F4 : static_cast<int>(kKanaFull[k - 0xA1]) + 1)
                       : m == 0xFF9F && t.semi[k] >= 0 ? static_cast<int>(kKanaFull[k - 0xA1]) + 2
                                                       : -1;
      if (with >= 0) return {with, static_cast<int>(n + 3)};
    }
    return {static_cast<int>(kKanaFull[k - 0xA1]), static_cast<int>(n)};
  }

  int Fold(int code) const {
    if (matchCase_) return code;
    if (code < 0x80 || (!utf8_ && code < 0x100)) return T().upper[static_cast<std::size_t>(code)];
    if (utf8_) return code >= kInvalidByte ? code : static_cast<int>(FoldCodePoint(static_cast<char32_t>(code)));
    return FoldDouble(code);
  }

  std::vector<int> Pattern(std::string_view p) const {
    std::vector<int> out;
    std::size_t i = 0;
    while (i < p.size()) {
      Char c = Read(p, i, zenkaku_);
      out.push_back(Fold(c.code));
      i += static_cast<std::size_t>(c.bytes);
    }
    return out;
  }

  // Bytes covered by a match of pat at c, or -1.
  long MatchAt(std::size_t c, const std::vector<int>& pat) const {
    std::size_t p = c;
    std::size_t k = 0;
    while (k < pat.size()) {
      if (p >= buf_.size()) return -1;
      Char t = Read(buf_, p, zenkaku_);
      if (Fold(t.code) == pat[k]) {
        p += static_cast<std::size_t>(t.bytes);
        ++k;
        continue;
      }
      if (k > 0) {
        char ch = buf_[p];
        if (crlf_ && (ch == '\r' || ch == '\n')) {
          ++p;
          continue;
        }
        if (space_ && (ch == ' ' || ch == '\t')) {
          ++p;
          continue;
        }
        if (space_ && !utf8_ && static_cast<unsigned char>(ch) == 0x81 && p + 1 < buf_.size() &&
            static_cast<unsigned char>(buf_[p + 1]) == 0x40) {
          p += 2;
          continue;
        }
        if (space_ && utf8_ && buf_.substr(p, 3) == "\xE3\x80\x80") {  // ideographic space
          p += 3;
          continue;
        }
      }
      return -1;
    }
    return static_cast<long>(p - c);
  }

 private:
  std::string_view buf_;
  bool utf8_;
  bool matchCase_, zenkaku_, crlf_, space_;
};

std::bitset<256> MakeWordDelimiters() {
  std::bitset<256> d;
  auto range = [&](int a, int b) {
    for (int i = a; i <= b; ++i) d.set(static_cast<std::size_t>(i));
  };
  range(0x00, 0x2F);
  range(0x3A, 0x40);
  range(0x5B, 0x60);
  range(0x7B, 0x80);
  range(0xA0, 0xA5);
  range(0xFD, 0xFF);
  return d;
}

}  // namespace

const std::bitset<256>& WordDelimiters() {
  static const std::bitset<256> d = MakeWordDelimiters();
  return d;
}

std::string ToZenkaku(std::string_view s) {
  Matcher m(s, SearchBit(sfrMatchCase));
  std::string out;
  std::size_t i = 0;
  while (i < s.size()) {
    Char c = m.Read(s, i, true);
    if (c.code >= 0x100) {
      out += static_cast<char>(c.code >> 8);
      out += static_cast<char>(c.code & 0xFF);
    } else {
      out += static_cast<char>(c.code);
    }
    i += static_cast<std::size_t>(c.bytes);
  }
  return out;
}

bool SearchText(std::string_view Buffer, TSearchInfo& Info, std::string_view Pattern,
                TSearchOptions Options, TextEncoding Encoding) {
  if (Pattern.empty() || Buffer.empty()) return false;
  const long len = static_cast<long>(Buffer.size());
  if (Info.Start < 0 || Info.Start > len || Info.Length < 0) return false;
  const bool zenkaku = Options & SearchBit(sfrNoMatchZenkaku);
  const bool wholeWord = Options & SearchBit(sfrWholeWord);
  Matcher m(Buffer, Options, Encoding);
  const std::vector<int> pat = m.Pattern(Pattern);
  const long patLen = zenkaku ? static_cast<long>(pat.size()) : static_cast<long>(Pattern.size());

  // Which bytes are inside a character, by a walk from the start.
  std::vector<bool> trail(Buffer.size(), false);
  if (Encoding == TextEncoding::Utf8) {
    for (std::size_t i = 0; i < Buffer.size();) {
      const std::size_t a = Utf8Rules::AsciiRunEnd(Buffer, i);
      if (a > i) {
        i = a;
        continue;
      }
      const std::size_t n = Utf8Rules::CharLength(Buffer, i);
      for (std::size_t k = 1; k < n; ++k) trail[i + k] = true;
      i += n;
    }
  } else {
    for (std::size_t i = 0; i < Buffer.size();) {
      std::size_t n = cp932::CharLength(Buffer, i);
      if (n == 2) trail[i + 1] = true;
      i += n;
    }
  }
  const auto& wd = WordDelimiters();
  auto delim = [&](long p) { return wd.test(static_cast<unsigned char>(Buffer[static_cast<std::size_t>(p)])); };
  auto wordStart = [&](long c) {
    if (delim(c)) return false;
    if (c == 0) return true;
    return !trail[static_cast<std::size_t>(c - 1)] && delim(c - 1);
  };
  auto tryAt = [&](long c) -> bool {
    if (trail[static_cast<std::size_t>(c)]) return false;
    if (wholeWord && !wordStart(c)) return false;
    long n = m.MatchAt(static_cast<std::size_t>(c), pat);
    if (n < 0) return false;
    // Never the first part of a character (a base without its mark).
    if (c + n < len && trail[static_cast<std::size_t>(c + n)]) return false;
    if (wholeWord && c + n < len && !delim(c + n)) return false;
    Info.Start = static_cast<std::int32_t>(c);
    Info.Length = static_cast<std::int32_t>(n);
    return true;
  };

  if (Options & SearchBit(sfrDown)) {
    long first = static_cast<long>(Info.Start) + Info.Length;
    if (first > len) return false;
    while (first < len && trail[static_cast<std::size_t>(first)]) ++first;
    long further = len - first - patLen;
    if (further < 0) return false;
    for (long c = first; c <= first + further; ++c)
      if (tryAt(c)) return true;
    return false;
  }

  long first = Info.Start;
  if (zenkaku) {
    // Step back one character per pattern character; a half-width kana with
    // its sound mark counts as one.
    for (long k = 0; k < patLen && first > 0; ++k) {
      long p = first - 1;
      while (p > 0 && trail[static_cast<std::size_t>(p)]) --p;
      if (Encoding == TextEncoding::Utf8) {
        // A half-width sound mark after a kana that takes it.
        const std::string_view at = Buffer.substr(static_cast<std::size_t>(p));
        if (p >= 3 && (at.substr(0, 3) == "\xEF\xBE\x9E" || at.substr(0, 3) == "\xEF\xBE\x9F") &&
            !trail[static_cast<std::size_t>(p - 3)] &&
            m.Read(Buffer, static_cast<std::size_t>(p - 3), true).bytes == 6)
          p -= 3;
        first = p;
        continue;
      }
      unsigned char b = static_cast<unsigned char>(Buffer[static_cast<std::size_t>(p)]);
      if ((b == 0xDE || b == 0xDF) && p > 0 && !trail[static_cast<std::size_t>(p - 1)]) {
        unsigned char k2 = static_cast<unsigned char>(Buffer[static_cast<std::size_t>(p - 1)]);
        if ((b == 0xDE ? T().voiced[k2] : T().semi[k2]) >= 0) --p;
      }
      first = p;
    }
  } else {
    first -= patLen;
  }
  if (first < 0) return false;
  if (first >= len) first = len - 1;
  while (first > 0 && trail[static_cast<std::size_t>(first)]) --first;
  for (long c = first; c >= 0; --c)
    if (tryAt(c)) return true;
  return false;
}

}  // namespace tolvan
