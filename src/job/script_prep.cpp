#include "job/script_prep.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "core/codepage.h"
#include "core/encoding.h"
#include "core/files.h"

namespace tolvan {

bool HasTrailBackslash(std::string_view s) {
  for (std::size_t i = 0; i < s.size(); i = cp932::NextChar(s, i)) {
    if (cp932::CharLength(s, i) == 2 && s[i + 1] == '\\') return true;
  }
  return false;
}

std::string DoubleTrailBackslashes(std::string_view s) {
  std::string r;
  r.reserve(s.size() + s.size() / 16);
  for (std::size_t i = 0; i < s.size();) {
    std::size_t len = cp932::CharLength(s, i);
    r.append(s.substr(i, len));
    if (len == 2 && s[i + 1] == '\\') r.push_back('\\');
    i += len;
  }
  return r;
}

TextEncoding ScriptFileEncoding(const std::string& path, TextEncoding preferred) {
  std::string text;
  if (!ReadWholeFile(path, text)) return preferred;
  const DetectedText d = DetectEncoding(text);
  return d.ascii ? preferred : d.encoding;
}

TPreparedScript::TPreparedScript(const BaseCommandLine& base, TextEncoding encoding) : line_(base) {
  const int idx = line_.ScriptIndex;
  if (idx < 0 || static_cast<std::size_t>(idx) >= line_.Argv.size()) return;
  std::string& arg = line_.Argv[static_cast<std::size_t>(idx)];
  const bool utf8 = encoding == TextEncoding::Utf8;
  if (!line_.ScriptIsFile) {
    if (!utf8) arg = DoubleTrailBackslashes(arg);
    return;
  }

  std::string text;
  if (!ReadWholeFile(arg, text)) return;
  if (utf8) {
    if (!text.starts_with(kUtf8Bom)) return;
    text.erase(0, kUtf8Bom.size());
  } else {
    if (!HasTrailBackslash(text)) return;
    text = DoubleTrailBackslashes(text);
  }

  std::string tmpl = (std::filesystem::temp_directory_path() / "tolvan-XXXXXX").string();
  std::vector<char> dir(tmpl.begin(), tmpl.end());
  dir.push_back('\0');
  if (!::mkdtemp(dir.data())) {
    throw std::runtime_error(std::string("cannot make a folder for the script copy: ") + std::strerror(errno));
  }
  copyDir_ = dir.data();
  // Same file name, so gawk's messages read the same but for the folder.
  std::filesystem::path copy = copyDir_ / std::filesystem::path(arg).filename();
  if (!WriteFileAtomically(copy, text, FileAccess::Private)) {
    int e = errno;
    std::error_code ec;
    std::filesystem::remove_all(copyDir_, ec);
    throw std::runtime_error(std::string("cannot write the script copy: ") + std::strerror(e));
  }
  realPath_ = arg;
  copyPath_ = copy.string();
  arg = copyPath_;
}

TPreparedScript::~TPreparedScript() {
  if (copyDir_.empty()) return;
  std::error_code ec;
  std::filesystem::remove_all(copyDir_, ec);
}

void TPreparedScript::RestoreScriptPath(std::string& text, std::size_t from) const {
  if (copyPath_.empty()) return;
  std::size_t pos = from;
  while ((pos = text.find(copyPath_, pos)) != std::string::npos) {
    text.replace(pos, copyPath_.size(), realPath_);
    pos += realPath_.size();
  }
}

}  // namespace tolvan
