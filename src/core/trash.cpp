#include "core/trash.h"

#include <fcntl.h>
#include <pwd.h>
#include <stdio.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

namespace tolvan {

namespace fs = std::filesystem;

namespace {

// Creates every missing folder of an absolute path with mode 0700.
int MakeFolders(const fs::path& folder) {
  fs::path so_far;
  for (const fs::path& part : folder) {
    so_far /= part;
    if (::mkdir(so_far.c_str(), 0700) == 0) continue;
    if (errno != EEXIST) return errno;
    struct stat st {};
    if (::stat(so_far.c_str(), &st) != 0) return errno;
    if (!S_ISDIR(st.st_mode)) return ENOTDIR;
  }
  return 0;
}

// The Path value of a record: the absolute path with every byte outside the
// unreserved URI characters and "/" written as %XX.
std::string EncodePath(const std::string& path) {
  static const char hex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : path) {
    bool keep = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
                c == '.' || c == '~' || c == '/';
    if (keep) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 15];
    }
  }
  return out;
}

std::string Record(const std::string& absolutePath) {
  char date[32] = "";
  time_t now = ::time(nullptr);
  struct tm local {};
  if (::localtime_r(&now, &local)) ::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &local);
  return "[Trash Info]\nPath=" + EncodePath(absolutePath) + "\nDeletionDate=" + date + "\n";
}

bool WriteAll(int fd, const std::string& bytes) {
  const char* p = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  return true;
}

// "name", then "name.2", "name.3", ... with the number before a short
// extension ("x.2.awk"), so the trashed file keeps its type.
std::string Candidate(const std::string& name, int n) {
  if (n == 1) return name;
  std::string::size_type dot = name.rfind('.');
  if (dot == std::string::npos || dot == 0) return name + "." + std::to_string(n);
  return name.substr(0, dot) + "." + std::to_string(n) + name.substr(dot);
}

// Copies a regular file that rename cannot move across file systems, then
// removes the original. errno value or 0.
int CopyThenRemove(const fs::path& from, const fs::path& to) {
  struct stat st {};
  if (::lstat(from.c_str(), &st) != 0) return errno;
  if (!S_ISREG(st.st_mode)) return EXDEV;
  int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return errno;
  int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, st.st_mode & 07777);
  if (out < 0) {
    int e = errno;
    ::close(in);
    return e;
  }
  int error = 0;
  char buf[65536];
  for (;;) {
    ssize_t n = ::read(in, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      error = errno;
      break;
    }
    if (n == 0) break;
    if (!WriteAll(out, std::string(buf, static_cast<std::size_t>(n)))) {
      error = errno;
      break;
    }
  }
  ::close(in);
  if (::fsync(out) != 0 && error == 0) error = errno;
  if (::close(out) != 0 && error == 0) error = errno;
  if (error == 0 && ::unlink(from.c_str()) != 0) error = errno;
  if (error != 0) ::unlink(to.c_str());
  return error;
}

}  // namespace

fs::path HomeTrashFolder() {
  const char* xdg = std::getenv("XDG_DATA_HOME");
  if (xdg && xdg[0] == '/') return fs::path(xdg) / "Trash";
  const char* home = std::getenv("HOME");
  std::string h = home ? home : "";
  if (h.empty()) {
    if (struct passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) h = pw->pw_dir;
  }
  if (h.empty() || h[0] != '/') return {};
  return fs::path(h) / ".local" / "share" / "Trash";
}

int MoveToHomeTrash(const fs::path& path) {
  std::error_code ec;
  fs::path source = fs::absolute(path, ec);
  if (ec || !source.has_filename()) return EINVAL;
  struct stat st {};
  if (::lstat(source.c_str(), &st) != 0) return errno;

  fs::path trash = HomeTrashFolder();
  if (trash.empty()) return ENOENT;
  fs::path files = trash / "files", info = trash / "info";
  if (int e = MakeFolders(files)) return e;
  if (int e = MakeFolders(info)) return e;

  const std::string name = source.filename().string();
  const std::string record = Record(source.string());
  for (int n = 1; n < 10000; ++n) {
    std::string candidate = Candidate(name, n);
    fs::path recordPath = info / (candidate + ".trashinfo");
    fs::path target = files / candidate;
    // The record is made first and exclusively: it reserves the name.
    int fd = ::open(recordPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return errno;
    }
    struct stat there {};
    if (::lstat(target.c_str(), &there) == 0) {
      ::close(fd);
      ::unlink(recordPath.c_str());
      continue;
    }
    auto giveUp = [&](int e) {
      ::unlink(recordPath.c_str());
      return e;
    };
    bool written = WriteAll(fd, record);
    int writeError = errno;
    if (::close(fd) != 0 && written) {
      written = false;
      writeError = errno;
    }
    if (!written) return giveUp(writeError);

    int moved = ::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0 ? 0 : errno;
    if (moved == EINVAL || moved == ENOSYS)  // a file system without no-replace: checked just above
      moved = ::rename(source.c_str(), target.c_str()) == 0 ? 0 : errno;
    if (moved == EEXIST) {
      ::unlink(recordPath.c_str());
      continue;
    }
    if (moved == EXDEV) moved = CopyThenRemove(source, target);
    if (moved != 0) return giveUp(moved);

    // It must be in the trash and gone from where it was.
    struct stat check {};
    if (::lstat(target.c_str(), &check) != 0) return giveUp(EIO);
    if (::lstat(source.c_str(), &check) == 0 || errno != ENOENT) return EIO;
    return 0;
  }
  return EEXIST;
}

}  // namespace tolvan
