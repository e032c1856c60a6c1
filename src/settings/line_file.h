// The program's line-oriented files (One-Liner.txt, cmdopt.dat): CP932
// lines, each written with CR LF, read back accepting LF alone too.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace tolvan {

// Empty when the file is missing or unreadable; returns false then.
bool ReadLineFile(const std::filesystem::path& path, std::vector<std::string>& lines);

// Rewrites the whole file at once; false (errno set) on failure, the old
// file then unchanged.
bool WriteLineFile(const std::filesystem::path& path, const std::vector<std::string>& lines);

// Splits bytes into lines at CR LF or LF; a last line without a line end
// counts, an empty remainder after the last line end does not.
std::vector<std::string> SplitLines(const std::string& bytes);

}  // namespace tolvan
