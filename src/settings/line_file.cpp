#include "settings/line_file.h"

#include <cerrno>

#include "core/files.h"

namespace tolvan {

std::vector<std::string> SplitLines(const std::string& bytes) {
  std::vector<std::string> lines;
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    std::size_t nl = bytes.find('\n', pos);
    std::size_t end = nl == std::string::npos ? bytes.size() : nl;
    std::size_t textEnd = end;
    if (nl != std::string::npos && textEnd > pos && bytes[textEnd - 1] == '\r') --textEnd;
    lines.emplace_back(bytes, pos, textEnd - pos);
    pos = nl == std::string::npos ? bytes.size() : nl + 1;
  }
  return lines;
}

bool ReadLineFile(const std::filesystem::path& path, std::vector<std::string>& lines) {
  std::string bytes;
  lines.clear();
  if (!ReadWholeFile(path, bytes)) return errno == ENOENT;
  lines = SplitLines(bytes);
  return true;
}

bool WriteLineFile(const std::filesystem::path& path, const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& l : lines) {
    out += l;
    out += "\r\n";
  }
  return SaveFile(path, out);
}

TLineFile::TLineFile(std::filesystem::path path) : path_(std::move(path)) {}

bool TLineFile::Load(std::vector<std::string>& lines) {
  if (ReadLineFile(path_, lines)) {
    loadError_ = 0;
    return true;
  }
  loadError_ = errno ? errno : EIO;
  return false;
}

bool TLineFile::Save(const std::vector<std::string>& lines) {
  if (loadError_ != 0) {
    errno = loadError_;
    return false;
  }
  return WriteLineFile(path_, lines);
}

}  // namespace tolvan
