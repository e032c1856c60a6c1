// The check every name the user gives to a file goes through.
#pragma once

#include <string_view>

namespace tolvan {

// Text of the error box for a refused character.
inline constexpr const char* kBadFileNameMessage = "ファイル名には、\\/:,;*?<>| などは使えません";

enum class FileNameCheck { Ok, Empty, BadCharacter };

// Scans CP932 bytes; a double-byte character is stepped over whole, so a
// trail byte of 0x5C (as in ソ) is not taken for a backslash.
FileNameCheck CheckFileName(std::string_view cp932Name);

}  // namespace tolvan
