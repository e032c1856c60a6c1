// The text encodings a document or a job can have: code page 932 and UTF-8.
// Every layer that steps through characters, measures columns or decides
// validity asks here, never assumes that a byte is a column.
//
// A character is what the caret steps over:
//  - CP932: a lead byte and the byte after it (two columns), else one byte
//    (one column; half-width katakana and invalid bytes included).
//  - UTF-8: one well-formed sequence of 1-4 bytes, plus every zero-width
//    code point (combining mark, variation selector, joiner) that follows
//    it. Two columns when the C.UTF-8 wcwidth says 2, else one. A
//    zero-width code point at the start of the text, or after a control
//    byte or an invalid byte, stands alone and takes one column. Every
//    byte of an ill-formed sequence is a one-column character of its own.
// Bytes are never changed by stepping or measuring; tab widths are the
// caller's.
//
// Hot loops either call the per-encoding rule structs (Cp932Rules,
// Utf8Rules) from a template, or skip ASCII with AsciiRunEnd before asking
// per character; the TextEncoding overloads switch once per call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/codepage.h"

namespace tolvan {

enum class TextEncoding : std::uint8_t { Cp932 = 0, Utf8 = 1 };

// "CP932" / "UTF-8": the names the settings file, the command line and the
// status bar use.
const char* EncodingName(TextEncoding e);
// Accepts those names without regard to case, and "UTF8" and "SJIS" /
// "Shift_JIS" / "Windows-31J" for the same two.
std::optional<TextEncoding> ParseEncodingName(std::string_view name);

using EncodeResult = cp932::EncodeResult;

namespace utf8 {

// Length of the well-formed sequence (shortest form, no surrogates, at most
// U+10FFFF) starting at pos, or 0 when the byte there does not begin one.
std::size_t SequenceLength(std::string_view s, std::size_t pos);
// The code point of a well-formed sequence of len bytes at pos.
char32_t DecodeSequence(std::string_view s, std::size_t pos, std::size_t len);
// Columns of a code point as wcwidth says under C.UTF-8: 0 (joins the
// character before), 1 or 2. Code points wcwidth rejects (controls,
// unassigned) are 1.
int CodePointWidth(char32_t cp);
// True when a zero-width code point's sequence starts at pos.
bool ZeroWidthAt(std::string_view s, std::size_t pos);
// True when every byte belongs to a well-formed sequence.
bool IsValid(std::string_view s);
// UTF-8 bytes of one code point.
void AppendCodePoint(std::string& out, char32_t cp);

}  // namespace utf8

// Per-encoding rules with the same shape, for code that specialises.
struct Cp932Rules {
  static constexpr TextEncoding kEncoding = TextEncoding::Cp932;
  static std::size_t CharLength(std::string_view s, std::size_t pos) { return cp932::CharLength(s, pos); }
  static std::size_t CharWidth(std::string_view s, std::size_t pos) { return cp932::CharLength(s, pos); }
  // Start of the character holding byte pos (a forward walk from the start
  // of s: a trail byte can look like a lead byte).
  static std::size_t CharStart(std::string_view s, std::size_t pos) { return cp932::CharStart(s, pos); }
  static bool IsValidChar(std::string_view s, std::size_t pos);
  // A character is one byte and one column from here to the returned end
  // (which is before any byte that begins a longer character).
  static std::size_t AsciiRunEnd(std::string_view s, std::size_t pos);
};

struct Utf8Rules {
  static constexpr TextEncoding kEncoding = TextEncoding::Utf8;
  static std::size_t CharLength(std::string_view s, std::size_t pos);
  static std::size_t CharWidth(std::string_view s, std::size_t pos);
  // Walks back at most over the character itself (UTF-8 resynchronises).
  static std::size_t CharStart(std::string_view s, std::size_t pos);
  static bool IsValidChar(std::string_view s, std::size_t pos);
  static std::size_t AsciiRunEnd(std::string_view s, std::size_t pos);
};

// The same rules chosen at run time. pos < s.size() where a character is
// asked for.
inline std::size_t CharLength(TextEncoding e, std::string_view s, std::size_t pos) {
  return e == TextEncoding::Utf8 ? Utf8Rules::CharLength(s, pos) : Cp932Rules::CharLength(s, pos);
}
inline std::size_t CharWidth(TextEncoding e, std::string_view s, std::size_t pos) {
  return e == TextEncoding::Utf8 ? Utf8Rules::CharWidth(s, pos) : Cp932Rules::CharWidth(s, pos);
}
inline std::size_t CharStart(TextEncoding e, std::string_view s, std::size_t pos) {
  return e == TextEncoding::Utf8 ? Utf8Rules::CharStart(s, pos) : Cp932Rules::CharStart(s, pos);
}
inline bool IsValidChar(TextEncoding e, std::string_view s, std::size_t pos) {
  return e == TextEncoding::Utf8 ? Utf8Rules::IsValidChar(s, pos) : Cp932Rules::IsValidChar(s, pos);
}
inline std::size_t AsciiRunEnd(TextEncoding e, std::string_view s, std::size_t pos) {
  return e == TextEncoding::Utf8 ? Utf8Rules::AsciiRunEnd(s, pos) : Cp932Rules::AsciiRunEnd(s, pos);
}
inline std::size_t NextChar(TextEncoding e, std::string_view s, std::size_t pos) {
  return pos + CharLength(e, s, pos);
}
// Start of the character before the one that starts at pos (0 at 0).
inline std::size_t PrevChar(TextEncoding e, std::string_view s, std::size_t pos) {
  return pos == 0 ? 0 : CharStart(e, s, pos - 1);
}
// True when pos is inside a character, not at its first byte.
inline bool InsideChar(TextEncoding e, std::string_view s, std::size_t pos) {
  return pos < s.size() && pos > 0 && CharStart(e, s, pos) != pos;
}

// Columns of the whole text (each byte of a tab counts 1).
std::size_t DisplayWidth(TextEncoding e, std::string_view s);
// Byte position where column col falls: the start of the character that
// covers it, or s.size() past the end.
std::size_t ColumnToByte(TextEncoding e, std::string_view s, std::size_t col);

// True when every character is valid in the encoding.
bool IsValidText(TextEncoding e, std::string_view s);

// Decoding for showing: never fails, an invalid byte shows as U+FFFD.
std::u16string ToUtf16(TextEncoding e, std::string_view bytes);
std::string ToUtf8(TextEncoding e, std::string_view bytes);
// The first code point of the character at pos (U+FFFD when invalid).
char32_t DecodeChar(TextEncoding e, std::string_view bytes, std::size_t pos);

// Encoding of text from outside. UTF-8 holds every character; it refuses
// only a lone surrogate (not a character) or ill-formed UTF-8 input.
EncodeResult FromUtf16(TextEncoding e, std::u16string_view text);
EncodeResult FromUtf8(TextEncoding e, std::string_view text);

// Bytes of one encoding in the other, refused at the first character that
// cannot be carried over (an invalid byte in either, or a character CP932
// has no code for); failedIndex is then that character's byte offset.
EncodeResult Convert(TextEncoding from, TextEncoding to, std::string_view bytes);

// ---- Files ---------------------------------------------------------------

inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

enum class LineEnd : std::uint8_t { CrLf = 0, Lf = 1, Cr = 2 };
const char* LineEndName(LineEnd e);          // "CR LF", "LF", "CR"
std::string_view LineEndBytes(LineEnd e);    // "\r\n", "\n", "\r"

struct DetectedText {
  TextEncoding encoding = TextEncoding::Cp932;
  bool bom = false;  // a UTF-8 byte-order mark opens the file
  // No byte above 0x7F: the same text in either encoding, so a caller with
  // a preferred encoding (a setting) may take that instead.
  bool ascii = false;
};

// A UTF-8 byte-order mark, or bytes that are valid UTF-8 and hold at least
// one multi-byte sequence, mean UTF-8; anything else is CP932 (pure ASCII
// is the same bytes in both). CP932 text that happens to be valid UTF-8 is
// taken as UTF-8: such text is rare (a CP932 double-byte pair almost never
// continues as UTF-8 continuation bytes across a whole file), and the
// editor window can reopen it as CP932.
DetectedText DetectEncoding(std::string_view bytes);

// The first line end in the bytes (CR LF, LF or a lone CR); CR LF when
// there is none.
LineEnd DetectLineEnd(std::string_view bytes);

}  // namespace tolvan
