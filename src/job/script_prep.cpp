#include "job/script_prep.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "core/codepage.h"
#include "core/encoding.h"
#include "core/file_errors.h"
#include "core/files.h"
#include "job/job_locale.h"

namespace tolvan {

namespace {

// A new file in a folder made for it alone (mode 0700): no other program
// can look at it half-written, so it needs neither a rename nor a sync, which
// would hold every run up for a disk flush.
bool WriteNewPrivateFile(const std::filesystem::path& path, std::string_view bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const int e = errno;
      ::close(fd);
      errno = e ? e : EIO;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return ::close(fd) == 0;
}

}  // namespace

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

TPreparedScript::TPreparedScript(const BaseCommandLine& base, TextEncoding encoding, const std::string& locale)
    : line_(base) {
  const int idx = line_.ScriptIndex;
  if (idx < 0 || static_cast<std::size_t>(idx) >= line_.Argv.size()) return;
  std::string& arg = line_.Argv[static_cast<std::size_t>(idx)];
  const bool utf8 = encoding == TextEncoding::Utf8;
  const bool doubled = !utf8 && !LocaleReadsCp932(locale);
  if (!line_.ScriptIsFile) {
    if (doubled) arg = DoubleTrailBackslashes(arg);
    return;
  }

  std::string text;
  if (!ReadWholeFile(arg, text)) return;
  if (utf8) {
    if (!text.starts_with(kUtf8Bom)) return;
    text.erase(0, kUtf8Bom.size());
  } else {
    if (!doubled || !HasTrailBackslash(text)) return;
    text = DoubleTrailBackslashes(text);
  }

  realPath_ = arg;
  WriteCopy(std::filesystem::path(arg).filename(), text);
  arg = copyPath_;
}

TPreparedScript::TPreparedScript(const BaseCommandLine& base, std::string_view text, const std::string& shownPath,
                                 TextEncoding encoding, const std::string& locale)
    : line_(base) {
  const int idx = line_.ScriptIndex;
  if (!line_.ScriptIsFile || idx < 0 || static_cast<std::size_t>(idx) >= line_.Argv.size())
    throw std::invalid_argument("script text needs a command line with a script file");
  realPath_ = shownPath;
  const bool doubled = encoding != TextEncoding::Utf8 && !LocaleReadsCp932(locale);
  WriteCopy("script.awk", doubled ? DoubleTrailBackslashes(text) : std::string(text));
  line_.Argv[static_cast<std::size_t>(idx)] = copyPath_;
}

void TPreparedScript::WriteCopy(const std::filesystem::path& fileName, std::string_view doubled) {
  std::string tmpl = (std::filesystem::temp_directory_path() / "tolvan-XXXXXX").string();
  std::vector<char> dir(tmpl.begin(), tmpl.end());
  dir.push_back('\0');
  if (!::mkdtemp(dir.data())) {
    throw std::runtime_error("スクリプトのコピーを置くフォルダを作成できません: " + FileErrorText(tmpl, errno));
  }
  copyDir_ = dir.data();
  // Same file name, so gawk's messages read the same but for the folder.
  std::filesystem::path copy = copyDir_ / fileName;
  if (!WriteNewPrivateFile(copy, doubled)) {
    int e = errno;
    std::error_code ec;
    std::filesystem::remove_all(copyDir_, ec);
    copyDir_.clear();
    throw std::runtime_error("スクリプトのコピーを作成できません: " + FileErrorText(copy, e));
  }
  copyPath_ = copy.string();
}

std::string TPreparedScript::WriteBeside(const std::string& fileName, std::string_view bytes) const {
  if (copyDir_.empty()) throw std::logic_error("no folder for a file beside the script copy");
  const std::filesystem::path path = copyDir_ / fileName;
  if (!WriteNewPrivateFile(path, bytes))
    throw std::runtime_error(std::string("cannot write ") + path.string() + ": " + std::strerror(errno));
  return path.string();
}

std::string TPreparedScript::MakeFolderBeside(const std::string& folderName) const {
  if (copyDir_.empty()) throw std::logic_error("no folder for a folder beside the script copy");
  const std::filesystem::path path = copyDir_ / folderName;
  if (::mkdir(path.c_str(), 0700) != 0)
    throw std::runtime_error(std::string("cannot make ") + path.string() + ": " + std::strerror(errno));
  return path.string();
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
