// Finding a pattern in a buffer of CP932 or UTF-8 text: a match starts and
// ends on character boundaries, with case folding, full-width/half-width
// equivalence, whole words and skipping of line breaks and white space.
#pragma once

#include <bitset>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/encoding.h"

namespace tolvan {

enum TSearchOption : std::uint8_t {
  sfrDown = 0,
  sfrMatchCase = 1,
  sfrWholeWord = 2,
  sfrNoMatchZenkaku = 3,
  sfrReplace = 4,
  sfrReplaceAll = 5,
  sfrReplaceConfirm = 6,
  sfrIncludeCRLF = 7,
  sfrIncludeSpace = 8,
  sfrWholeFile = 9,
};
using TSearchOptions = std::uint16_t;
constexpr TSearchOptions SearchBit(TSearchOption o) { return static_cast<TSearchOptions>(1u << o); }

struct TSearchInfo {
  std::int32_t Start = 0;
  std::int32_t Length = 0;
};

// Delimiters for whole-word search (the underscore is one here).
const std::bitset<256>& WordDelimiters();

// On entry Info.Start is where to begin and Info.Length the length of the
// match to step over (a forward search starts at Start + Length). On success
// Info holds the match's offset and the bytes it covers.
// Buffer and Pattern are in the same encoding.
bool SearchText(std::string_view Buffer, TSearchInfo& Info, std::string_view Pattern,
                TSearchOptions Options, TextEncoding Encoding = TextEncoding::Cp932);

// The full-width (double-byte) form of a text: printable ASCII and
// half-width katakana (with their voiced and semi-voiced marks) become
// full-width characters; everything else stays.
std::string ToZenkaku(std::string_view s);

}  // namespace tolvan
