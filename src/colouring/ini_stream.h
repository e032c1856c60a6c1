// A byte stream kept in the settings file as hexadecimal lines: a count key
// Ident_c and data keys Ident_d0, Ident_d1, ... of 32 bytes each.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tolvan {

class IniFile;

// Bytes per data key.
inline constexpr std::size_t kIniStreamBytesPerLine = 32;
// More data keys than this is not a stored scheme (a damaged count key would
// otherwise have the reader open the file billions of times).
inline constexpr int kIniStreamMaxLines = 32768;

std::vector<std::string> StreamToStrings(std::string_view stream);
// Raises EReadError on a character that is not a hexadecimal digit.
std::string StringsToStream(const std::vector<std::string>& lines);

// False when the file cannot be written.
bool IniWriteStream(std::string_view stream, IniFile& ini, std::string_view section,
                    std::string_view ident);
// The stored bytes; empty when nothing is stored. Raises EReadError on a
// count key beyond kIniStreamMaxLines or on invalid hexadecimal digits.
std::string IniReadStream(const IniFile& ini, std::string_view section, std::string_view ident);

}  // namespace tolvan
