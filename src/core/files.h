// Whole-file reads and writes. Files are opened, used and closed within one
// call; a write never leaves a half-written file behind.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace tolvan {

// Reads the whole file. False (errno set) when it cannot be read.
bool ReadWholeFile(const std::filesystem::path& path, std::string& out);

// Writes bytes to a temporary file beside path and renames it over path.
// False (errno set) on failure; path is then unchanged.
bool WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes);

}  // namespace tolvan
