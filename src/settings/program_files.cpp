#include "settings/program_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <functional>
#include <system_error>

#include "core/codepage.h"

namespace tolvan {

namespace {

// An absent file is made; an existing one is left alone. Answers 0 or errno.
int CreateNewFile(const std::filesystem::path& path, const std::string& bytes) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
  if (fd < 0) return errno;
  std::size_t done = 0;
  int err = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      err = n < 0 ? errno : EIO;
      break;
    }
    done += static_cast<std::size_t>(n);
  }
  if (::close(fd) != 0 && err == 0 && errno != EINTR) err = errno;
  if (err != 0) ::unlink(path.c_str());  // no half sample left behind
  return err;
}

}  // namespace

int MakeFolderChain(const std::filesystem::path& folder, unsigned mode) {
  struct stat st{};
  if (::stat(folder.c_str(), &st) == 0) return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
  if (errno != ENOENT) return errno;
  const std::filesystem::path parent = folder.parent_path();
  if (!parent.empty() && parent != folder) {
    if (int e = MakeFolderChain(parent, mode)) return e;
  }
  if (::mkdir(folder.c_str(), mode) == 0 || errno == EEXIST) {
    if (::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return 0;
    return ENOTDIR;
  }
  return errno;
}

ProgramFilesReport MakeProgramFiles(const ProgramPaths& paths) {
  ProgramFilesReport r;
  auto make = [&](const std::filesystem::path& f, unsigned mode) {
    int e = MakeFolderChain(f, mode);
    if (e != 0) r.problems.push_back({f, e});
    return e == 0;
  };
  if (!paths.Portable()) {
    make(paths.ConfigFolder(), 0700);
    if (!make(paths.DataFolder(), 0700)) {
      r.oneLinerFileOk = false;
      return r;  // the scripts tree would only repeat the same failure
    }
  }
  struct stat st{};
  const bool scriptsExisted = ::lstat(paths.ScriptsFolder().c_str(), &st) == 0;
  if (!make(paths.ScriptsFolder(), 0777)) {
    r.oneLinerFileOk = false;
    return r;
  }
  r.scriptsFolderMade = !scriptsExisted;
  if (!make(paths.OneLinerFile().parent_path(), 0777)) r.oneLinerFileOk = false;
  else {
    int e = CreateNewFile(paths.OneLinerFile(), "");
    r.oneLinerFileOk = e == 0 || e == EEXIST;
  }
  if (r.scriptsFolderMade) {
    for (const SampleScript& s : SampleScripts())
      if (CreateNewFile(paths.ScriptsFolder() / s.name, s.bytes) == 0) ++r.samplesWritten;
  }
  return r;
}

std::string ErrorReasonText(int error) {
  switch (error) {
    case EACCES:
    case EPERM: return "書き込みの権限がありません";
    case EROFS: return "読み取り専用の場所です";
    case ENOSPC:
    case EDQUOT: return "ディスクに空きがありません";
    case ENOTDIR:
    case EEXIST: return "同じ名前のファイルがあります";
    case ENAMETOOLONG: return "名前が長すぎます";
    case ELOOP: return "シンボリックリンクが循環しています";
    case ENOENT: return "途中のフォルダがありません";
    default: return "エラー番号 " + std::to_string(error);
  }
}

std::string FolderProblemText(const FolderProblem& problem) {
  return "フォルダ「" + problem.folder.string() + "」を作れませんでした（" + ErrorReasonText(problem.error) + "）";
}

std::string FolderSummary(const ProgramPaths& paths) {
  std::string s = paths.Portable() ? "持ち運び用のコピー：ファイルはすべてプログラムのフォルダにあります\n"
                                   : "インストールされたコピー：ファイルはユーザーのフォルダにあります\n";
  s += "設定ファイル：" + paths.SettingsFile().string() + "\n";
  s += "スクリプト：" + paths.ScriptsFolder().string() + "\n";
  s += "オプション履歴：" + paths.OptionHistoryFile().string();
  std::error_code ec;
  const std::filesystem::path other = paths.OtherSettingsFile();
  if (!other.empty() && std::filesystem::exists(other, ec) && !std::filesystem::equivalent(other, paths.SettingsFile(), ec))
    s += "\n" + other.string() + " もありますが、読んでいません";
  return s;
}

namespace {

// 0 when path is a file that may be run, else what exec would say.
int RunnableError(const std::string& path) {
  struct stat st{};
  if (::stat(path.c_str(), &st) != 0) return errno;
  if (!S_ISREG(st.st_mode)) return EACCES;
  return ::access(path.c_str(), X_OK) == 0 ? 0 : errno;
}

// Each folder of $PATH in turn until found(folder) says stop.
void ForEachPathFolder(const std::function<bool(const std::string& folder)>& found) {
  const char* path = std::getenv("PATH");
  std::string list = path ? path : "/usr/local/bin:/usr/bin:/bin";
  std::size_t start = 0;
  while (start <= list.size()) {
    std::size_t end = list.find(':', start);
    if (end == std::string::npos) end = list.size();
    if (found(list.substr(start, end - start))) return;
    start = end + 1;
  }
}

}  // namespace

std::filesystem::path FindOnPath(const std::string& name) {
  std::filesystem::path hit;
  ForEachPathFolder([&](const std::string& dir) {
    if (dir.empty() || dir.front() != '/') return false;
    std::filesystem::path candidate = std::filesystem::path(dir) / name;
    if (RunnableError(candidate.string()) != 0) return false;
    hit = candidate;
    return true;
  });
  return hit;
}

int ProgramStartError(const std::string& program) {
  if (program.empty()) return ENOENT;
  if (program.find('/') != std::string::npos) return RunnableError(program);
  int error = ENOENT;  // a folder that refuses wins over not found, as in execvp
  ForEachPathFolder([&](const std::string& dir) {
    const int e = RunnableError((dir.empty() ? std::string(".") : dir) + "/" + program);
    if (e == EACCES) error = EACCES;
    if (e == 0) error = 0;
    return e == 0;
  });
  return error;
}

}  // namespace tolvan
