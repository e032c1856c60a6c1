#include "core/codepage.h"

#include <iconv.h>

#include <array>
#include <cstdint>
#include <stdexcept>
#include <unordered_map>

#include "core/encoding.h"

namespace tolvan::cp932 {
namespace {

// Both tables are built once from glibc's CP932 converter, so the mapping is
// exactly the system's: 0x5C is a backslash, the NEC and IBM rows are there.
struct Tables {
  std::array<char32_t, 256> single{};
  std::array<char32_t, 65536> dbl{};  // by (lead << 8) | trail; 0 = invalid
  std::unordered_map<char32_t, std::uint16_t> encode;
};

// Input methods and text from Linux and macOS use the JIS mapping for these;
// the code page decodes the same bytes to other characters (〜 is U+FF5E
// there). They encode to those bytes too, as iconv and nkf do, so typed or
// pasted text keeps them; decoding is left alone, so a file round-trips.
struct JisVariant {
  char32_t cp;
  std::uint16_t code;
};
constexpr JisVariant kJisVariants[] = {
    {U'\u301C', 0x8160},  // wave dash
    {U'\u2016', 0x8161},  // double vertical line
    {U'\u2212', 0x817C},  // minus sign
    {U'\u00A2', 0x8191},  // cent sign
    {U'\u00A3', 0x8192},  // pound sign
    {U'\u00AC', 0x81CA},  // not sign
    {U'\u2014', 0x815C},  // em dash
};

char32_t IconvDecode(iconv_t cd, const char* in, std::size_t len) {
  char32_t out = 0;
  char* inp = const_cast<char*>(in);
  std::size_t inleft = len;
  char* outp = reinterpret_cast<char*>(&out);
  std::size_t outleft = sizeof out;
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  if (iconv(cd, &inp, &inleft, &outp, &outleft) == static_cast<std::size_t>(-1) ||
      inleft != 0 || outleft != 0)
    return 0;
  return out;
}

int IconvEncode(iconv_t cd, char32_t cp) {
  unsigned char out[4];
  char* inp = reinterpret_cast<char*>(&cp);
  std::size_t inleft = sizeof cp;
  char* outp = reinterpret_cast<char*>(out);
  std::size_t outleft = sizeof out;
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  if (iconv(cd, &inp, &inleft, &outp, &outleft) == static_cast<std::size_t>(-1) || inleft != 0)
    return -1;
  std::size_t n = sizeof out - outleft;
  if (n == 1) return out[0];
  if (n == 2) return (out[0] << 8) | out[1];
  return -1;
}

const Tables& GetTables() {
  static Tables* tables = [] {
    auto* t = new Tables;
    iconv_t dec = iconv_open("UTF-32LE", "CP932");
    iconv_t enc = iconv_open("CP932", "UTF-32LE");
    if (dec == reinterpret_cast<iconv_t>(-1) || enc == reinterpret_cast<iconv_t>(-1))
      throw std::runtime_error("iconv has no CP932 converter");
    for (int b = 0; b < 256; ++b) {
      if (IsLeadByte(static_cast<unsigned char>(b))) continue;
      char c = static_cast<char>(b);
      // glibc decodes NUL to U+0000, which IconvDecode cannot tell from a failure.
      t->single[b] = b == 0 ? 0 : IconvDecode(dec, &c, 1);
      if (b != 0 && t->single[b] == 0) t->single[b] = kReplacement;
    }
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
      if (!IsLeadByte(static_cast<unsigned char>(lead))) continue;
      for (int trail = 0x40; trail <= 0xFC; ++trail) {
        char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
        t->dbl[(lead << 8) | trail] = IconvDecode(dec, in, 2);
      }
    }
    // Canonical code of every character that decodes: what iconv picks.
    auto addEncode = [&](char32_t cp) {
      if (cp == 0 || cp == kReplacement || t->encode.count(cp)) return;
      int code = IconvEncode(enc, cp);
      if (code >= 0) t->encode.emplace(cp, static_cast<std::uint16_t>(code));
    };
    for (char32_t cp : t->single) addEncode(cp);
    for (char32_t cp : t->dbl) addEncode(cp);
    for (const JisVariant& v : kJisVariants) t->encode.emplace(v.cp, v.code);
    iconv_close(dec);
    iconv_close(enc);
    return t;
  }();
  return *tables;
}

template <typename Append>
void Decode(std::string_view s, Append append) {
  const Tables& t = GetTables();
  std::size_t i = 0;
  while (i < s.size()) {
    unsigned char b = static_cast<unsigned char>(s[i]);
    if (IsLeadByte(b)) {
      if (i + 1 < s.size()) {
        char32_t cp = t.dbl[(b << 8) | static_cast<unsigned char>(s[i + 1])];
        if (cp != 0) {
          append(cp);
          i += 2;
          continue;
        }
      }
      // A lead byte with an invalid trail: only the lead byte is replaced,
      // the next byte is decoded on its own.
      append(kReplacement);
      ++i;
      continue;
    }
    append(b == 0 ? U'\0' : t.single[b]);
    ++i;
  }
}

void AppendEncoded(EncodeResult& r, char32_t cp, std::size_t index) {
  int code = EncodeChar(cp);
  if (code < 0) {
    if (r.ok) {
      r.ok = false;
      r.failedChar = cp;
      r.failedIndex = index;
    }
    return;
  }
  if (code >= 0x100) r.bytes += static_cast<char>(code >> 8);
  r.bytes += static_cast<char>(code & 0xFF);
}

}  // namespace

std::size_t CharStart(std::string_view s, std::size_t pos) {
  std::size_t i = 0;
  while (i < pos) {
    std::size_t n = NextChar(s, i);
    if (n > pos) return i;
    i = n;
  }
  return i;
}

std::size_t PrevChar(std::string_view s, std::size_t pos) {
  return pos == 0 ? 0 : CharStart(s, pos - 1);
}

bool IsTrailByteAt(std::string_view s, std::size_t pos) {
  return pos < s.size() && CharStart(s, pos) != pos;
}

std::size_t DisplayWidth(std::string_view s) {
  std::size_t w = 0;
  for (std::size_t i = 0; i < s.size(); i = NextChar(s, i)) w += CharLength(s, i);
  return w;
}

std::string ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() * 3 / 2);
  Decode(bytes, [&](char32_t cp) { utf8::AppendCodePoint(out, cp); });
  return out;
}

std::u16string ToUtf16(std::string_view bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  Decode(bytes, [&](char32_t cp) {
    if (cp >= 0x10000) {
      out += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
  });
  return out;
}

char32_t DecodeChar(std::string_view bytes, std::size_t pos) {
  char32_t result = kReplacement;
  Decode(bytes.substr(pos, CharLength(bytes, pos)), [&](char32_t cp) { result = cp; });
  return result;
}

int EncodeChar(char32_t cp) {
  if (cp == 0) return 0;
  const Tables& t = GetTables();
  auto it = t.encode.find(cp);
  return it == t.encode.end() ? -1 : it->second;
}

EncodeResult FromUtf8(std::string_view s) {
  EncodeResult r;
  r.bytes.reserve(s.size());
  std::size_t i = 0;
  while (i < s.size()) {
    std::size_t start = i;
    unsigned char b = static_cast<unsigned char>(s[i]);
    char32_t cp;
    int extra;
    if (b < 0x80) { cp = b; extra = 0; }
    else if ((b & 0xE0) == 0xC0) { cp = b & 0x1F; extra = 1; }
    else if ((b & 0xF0) == 0xE0) { cp = b & 0x0F; extra = 2; }
    else if ((b & 0xF8) == 0xF0) { cp = b & 0x07; extra = 3; }
    else { cp = kReplacement; extra = 0; }
    ++i;
    for (int k = 0; k < extra; ++k, ++i) {
      if (i >= s.size() || (static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) {
        cp = kReplacement;
        break;
      }
      cp = (cp << 6) | (static_cast<unsigned char>(s[i]) & 0x3F);
    }
    AppendEncoded(r, cp, start);
  }
  return r;
}

EncodeResult FromUtf16(std::u16string_view s) {
  EncodeResult r;
  r.bytes.reserve(s.size() * 2);
  for (std::size_t i = 0; i < s.size(); ++i) {
    std::size_t start = i;
    char32_t cp = s[i];
    if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] < 0xE000) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    }
    AppendEncoded(r, cp, start);
  }
  return r;
}

}  // namespace tolvan::cp932
