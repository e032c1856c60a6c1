// Code page 932 (Shift-JIS as Windows extends it): the byte-string rules every
// layer shares, and the one place where bytes become Unicode and back.
//
// Byte strings are the master copy of all text. Decoding is for showing and
// never fails; encoding is for text that came from outside (typing, widgets,
// the clipboard) and reports what it could not encode instead of guessing.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tolvan::cp932 {

// Shown in place of a byte that is not valid code page 932.
inline constexpr char32_t kReplacement = 0xFFFD;

// 0x81-0x9F and 0xE0-0xFC begin a double-byte character.
constexpr bool IsLeadByte(unsigned char b) {
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}
constexpr bool IsLeadByte(char b) { return IsLeadByte(static_cast<unsigned char>(b)); }

// Bytes taken by the character that starts at pos: 2 for a lead byte with a
// byte after it, otherwise 1 (a lone lead byte at the end stands alone).
// pos must be < s.size().
inline std::size_t CharLength(std::string_view s, std::size_t pos) {
  return (IsLeadByte(s[pos]) && pos + 1 < s.size()) ? 2 : 1;
}

// Start of the character after the one at pos.
inline std::size_t NextChar(std::string_view s, std::size_t pos) {
  return pos + CharLength(s, pos);
}

// Start of the character that contains byte pos, walking from the start of s
// (a trail byte can look like a lead byte, so only a forward walk is exact).
std::size_t CharStart(std::string_view s, std::size_t pos);

// Start of the character before the one that starts at pos (pos > 0).
std::size_t PrevChar(std::string_view s, std::size_t pos);

// True when pos is the second byte of a double-byte character.
bool IsTrailByteAt(std::string_view s, std::size_t pos);

// Display columns: a double-byte character is 2 wide, any other byte 1.
std::size_t DisplayWidth(std::string_view s);

// Decoding. Invalid bytes (0x80, 0xA0, 0xFD-0xFF, a lone lead byte, a lead
// byte with an invalid trail) each become kReplacement.
std::string ToUtf8(std::string_view bytes);
std::u16string ToUtf16(std::string_view bytes);
// One character: the code point of the character starting at pos.
char32_t DecodeChar(std::string_view bytes, std::size_t pos);

// Encoding to CP932's canonical codes.
struct EncodeResult {
  bool ok = true;
  std::string bytes;          // everything that could be encoded
  char32_t failedChar = 0;    // first character CP932 cannot hold
  std::size_t failedIndex = 0;  // its index in the input's code units
};
EncodeResult FromUtf8(std::string_view utf8);
EncodeResult FromUtf16(std::u16string_view utf16);
// Code of one code point, or -1 when CP932 has none. One-byte codes are < 0x100.
int EncodeChar(char32_t cp);

}  // namespace tolvan::cp932
