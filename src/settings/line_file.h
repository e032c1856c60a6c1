// The program's line-oriented files (One-Liner.txt, cmdopt.dat): CP932
// lines, each written with CR LF, read back accepting LF alone too.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace tolvan {

// A missing file has no lines. False (errno set, no lines) when the file
// exists but cannot be read.
bool ReadLineFile(const std::filesystem::path& path, std::vector<std::string>& lines);

// Rewrites the whole file at once; false (errno set) on failure, the old
// file then unchanged.
bool WriteLineFile(const std::filesystem::path& path, const std::vector<std::string>& lines);

// Splits bytes into lines at CR LF or LF; a last line without a line end
// counts, an empty remainder after the last line end does not.
std::vector<std::string> SplitLines(const std::string& bytes);

// A line file that the program loads once and writes back whole. After a
// load that failed, the program holds an empty list instead of the file's
// lines; writing that back would lose them, so saving is refused until a
// load succeeds.
class TLineFile {
 public:
  explicit TLineFile(std::filesystem::path path);
  const std::filesystem::path& Path() const { return path_; }
  bool Load(std::vector<std::string>& lines);
  // False (errno set) when refused or when the write fails.
  bool Save(const std::vector<std::string>& lines);

 private:
  std::filesystem::path path_;
  int loadError_ = 0;
};

}  // namespace tolvan
