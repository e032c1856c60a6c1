#include "core/files.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <vector>

namespace tolvan {

namespace {

// Closes on every way out, keeping errno.
struct FdCloser {
  int fd;
  ~FdCloser() {
    int e = errno;
    ::close(fd);
    errno = e;
  }
};

// The file that path names once every symbolic link in its last component
// is followed; a link that names nothing yet gives the path it names.
bool FollowLinks(std::filesystem::path& path) {
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return true;
    std::vector<char> buf(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 255) + 1);
    ssize_t n;
    for (;;) {
      n = ::readlink(path.c_str(), buf.data(), buf.size());
      if (n < 0) return false;
      if (static_cast<std::size_t>(n) < buf.size()) break;
      buf.resize(buf.size() * 2);  // the link grew meanwhile
    }
    std::filesystem::path target(std::string(buf.data(), static_cast<std::size_t>(n)));
    path = target.is_absolute() ? target : path.parent_path() / target;
  }
  errno = ELOOP;
  return false;
}

// A temporary file beside path, created with O_EXCL. The kernel applies the
// umask to mode, so nobody has to read it by changing it, which would race
// with other threads creating files.
int CreateTemporary(const std::filesystem::path& path, mode_t mode, std::string& name) {
  static const char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::uint64_t r = 0;
    if (::getrandom(&r, sizeof r, GRND_NONBLOCK) != sizeof r)
      r ^= static_cast<std::uint64_t>(::getpid()) * 0x9E3779B97F4A7C15ull + static_cast<std::uint64_t>(attempt);
    name = path.string() + ".";
    for (int i = 0; i < 8; ++i) {
      name += kDigits[r % 62];
      r /= 62;
    }
    int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, mode);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
}

bool WriteAll(int fd, std::string_view bytes, off_t at = -1) {
  const char* p = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    ssize_t n = at < 0 ? ::write(fd, p, left) : ::pwrite(fd, p, left, at);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += n;
    left -= static_cast<std::size_t>(n);
    if (at >= 0) at += n;
  }
  return true;
}

// Writes over the file itself. Space for a longer text is reserved first,
// so a full disk is found before any old byte is overwritten.
bool WriteInPlace(const std::filesystem::path& target, std::string_view bytes, SaveReport& report) {
  report.inPlace = true;
  int fd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | O_NOFOLLOW);
  if (fd < 0) return false;
  FdCloser closer{fd};
  struct stat st {};
  if (::fstat(fd, &st) != 0) return false;
  if (!S_ISREG(st.st_mode)) {
    errno = EINVAL;
    return false;
  }
  const off_t size = static_cast<off_t>(bytes.size());
  if (size > st.st_size) {
    int e = ::posix_fallocate(fd, 0, size);
    if (e != 0 && e != EOPNOTSUPP && e != EINVAL) {
      ::ftruncate(fd, st.st_size);  // give back what was reserved
      errno = e;
      return false;
    }
  }
  report.partial = true;
  if (!WriteAll(fd, bytes, 0) || ::ftruncate(fd, size) != 0 || ::fsync(fd) != 0) return false;
  report.partial = false;
  return true;
}

}  // namespace

bool ReadWholeFile(const std::filesystem::path& path, std::string& out) {
  // Never opened for long when it is not a plain file: a named pipe would
  // block the open, a device might never end.
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return false;
  if (!S_ISREG(st.st_mode)) {
    errno = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    return false;
  }
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return false;
  FdCloser closer{fd};
  if (::fstat(fd, &st) != 0) return false;
  if (!S_ISREG(st.st_mode)) {  // replaced in between
    errno = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    return false;
  }
  out.clear();
  if (st.st_size > 0) out.reserve(static_cast<std::size_t>(st.st_size));
  char buf[65536];
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) break;
    out.append(buf, static_cast<std::size_t>(n));
  }
  return true;
}

bool WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes, FileAccess access) {
  std::filesystem::path target = path;
  if (!FollowLinks(target)) return false;
  std::string name;
  const bool isPrivate = access == FileAccess::Private;
  int fd = CreateTemporary(target, isPrivate ? 0600 : 0666, name);
  if (fd < 0) return false;
  auto fail = [&] {
    int e = errno;
    ::close(fd);
    ::unlink(name.c_str());
    errno = e;
    return false;
  };
  // A file being replaced keeps its permissions, unless it is to be private.
  struct stat st {};
  if (!isPrivate && ::stat(target.c_str(), &st) == 0) ::fchmod(fd, st.st_mode & 07777);
  if (!WriteAll(fd, bytes)) return fail();
  if (::fsync(fd) != 0) return fail();
  if (::close(fd) != 0) {
    int e = errno;
    ::unlink(name.c_str());
    errno = e;
    return false;
  }
  if (::rename(name.c_str(), target.c_str()) != 0) {
    int e = errno;
    ::unlink(name.c_str());
    errno = e;
    return false;
  }
  return true;
}

bool SaveFile(const std::filesystem::path& path, std::string_view bytes, SaveReport* report) {
  SaveReport own;
  SaveReport& r = report ? *report : own;
  r = SaveReport{};
  std::filesystem::path target = path;
  if (!FollowLinks(target)) return false;
  struct stat st {};
  if (::stat(target.c_str(), &st) != 0) {
    if (errno != ENOENT) return false;
    return WriteFileAtomically(target, bytes);  // a new file
  }
  if (!S_ISREG(st.st_mode)) {
    errno = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    return false;
  }
  // Renaming over a file needs only the folder's permission: the file's own
  // is asked here, so a read-only file stays read-only. A file nobody may
  // write is read-only for the superuser too.
  if (::access(target.c_str(), W_OK) != 0) return false;
  if ((st.st_mode & 0222) == 0) {
    errno = EACCES;
    return false;
  }
  if (st.st_nlink > 1 || st.st_uid != ::geteuid()) return WriteInPlace(target, bytes, r);

  std::string name;
  int fd = CreateTemporary(target, 0666, name);
  if (fd < 0) return WriteInPlace(target, bytes, r);
  auto dropTemporary = [&] {
    int e = errno;
    ::close(fd);
    ::unlink(name.c_str());
    errno = e;
  };
  ::fchmod(fd, st.st_mode & 07777);
  struct stat made {};
  // The group must stay too; when it cannot, the file is written in place.
  if (::fstat(fd, &made) != 0 || (made.st_gid != st.st_gid && ::fchown(fd, static_cast<uid_t>(-1), st.st_gid) != 0)) {
    dropTemporary();
    return WriteInPlace(target, bytes, r);
  }
  if (!WriteAll(fd, bytes) || ::fsync(fd) != 0) {
    const int e = errno;
    dropTemporary();
    // No room for a second copy: the file itself may still take the text.
    if (e == ENOSPC || e == EDQUOT) return WriteInPlace(target, bytes, r);
    errno = e;
    return false;
  }
  if (::close(fd) != 0) {
    int e = errno;
    ::unlink(name.c_str());
    errno = e;
    return false;
  }
  if (::rename(name.c_str(), target.c_str()) != 0) {
    int e = errno;
    ::unlink(name.c_str());
    errno = e;
    return false;
  }
  return true;
}

FileIdentity IdentifyFile(const std::filesystem::path& path) {
  FileIdentity id;
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) {
    id.exists = true;
    id.dev = st.st_dev;
    id.ino = st.st_ino;
    return id;
  }
  std::error_code ec;
  std::filesystem::path abs = std::filesystem::absolute(path, ec);
  if (ec) abs = path;
  std::filesystem::path resolved = std::filesystem::weakly_canonical(abs, ec);
  id.resolved = (ec ? abs.lexically_normal() : resolved).string();
  return id;
}

bool SameFile(const std::filesystem::path& a, const std::filesystem::path& b) {
  return IdentifyFile(a) == IdentifyFile(b);
}

}  // namespace tolvan
