#include "core/files.h"

#include <cerrno>
#include <fcntl.h>
#include <acl/libacl.h>
#include <sys/acl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/xattr.h>
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

void (*g_temporaryHook)(const std::string&) = nullptr;

// A temporary file beside path, created with O_EXCL. mode is what it is
// created with (the kernel applies the umask), so nobody gets at it between
// the open and a chmod. A name too long for the folder with the suffix is
// cut short first: any name the folder takes can be saved.
int CreateTemporary(const std::filesystem::path& path, mode_t mode, std::string& name) {
  static const char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
  constexpr std::size_t kSuffix = 9;  // "." and eight digits
  const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : ".";
  std::string base = path.filename().string();
  const long nameMax = ::pathconf(folder.c_str(), _PC_NAME_MAX);
  const std::size_t limit = nameMax > static_cast<long>(kSuffix) ? static_cast<std::size_t>(nameMax) : 255;
  if (base.size() > limit) {
    errno = ENAMETOOLONG;
    return -1;
  }
  if (base.size() + kSuffix > limit) base.resize(limit - kSuffix);
  const std::string stem = (folder / base).string() + ".";
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::uint64_t r = 0;
    if (::getrandom(&r, sizeof r, GRND_NONBLOCK) != sizeof r)
      r ^= static_cast<std::uint64_t>(::getpid()) * 0x9E3779B97F4A7C15ull + static_cast<std::uint64_t>(attempt);
    name = stem;
    for (int i = 0; i < 8; ++i) {
      name += kDigits[r % 62];
      r /= 62;
    }
    int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, mode);
    if (fd >= 0 && g_temporaryHook) g_temporaryHook(name);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
}

// The ACL and the user's extended attributes of from, given to the open
// file fd. False when one of them cannot be carried over.
bool CopyAclAndAttributes(const std::filesystem::path& from, int fd) {
  int extended = ::acl_extended_file(from.c_str());
  if (extended < 0) {
    if (errno != ENOTSUP) return false;
    extended = 0;  // no ACLs on this file system
  }
  // Also when only the copy has one: the folder's default ACL gave it
  // entries the file never had.
  if (extended > 0 || ::acl_extended_fd(fd) > 0) {
    acl_t acl = ::acl_get_file(from.c_str(), ACL_TYPE_ACCESS);
    if (!acl) return false;
    const int set = ::acl_set_fd(fd, acl);
    ::acl_free(acl);
    if (set != 0) return false;
  }
  ssize_t size = ::listxattr(from.c_str(), nullptr, 0);
  if (size < 0) return errno == ENOTSUP;
  std::string names(static_cast<std::size_t>(size), '\0');
  size = ::listxattr(from.c_str(), names.data(), names.size());
  if (size < 0) return false;
  names.resize(static_cast<std::size_t>(size));
  std::string value;
  for (std::size_t at = 0; at < names.size();) {
    const std::string key = names.c_str() + at;
    at += key.size() + 1;
    if (!key.starts_with("user.")) continue;
    const ssize_t n = ::getxattr(from.c_str(), key.c_str(), nullptr, 0);
    if (n < 0) return false;
    value.resize(static_cast<std::size_t>(n));
    const ssize_t got = ::getxattr(from.c_str(), key.c_str(), value.data(), value.size());
    if (got < 0 || ::fsetxattr(fd, key.c_str(), value.data(), static_cast<std::size_t>(got), 0) != 0) return false;
  }
  return true;
}

// After a rename the folder is flushed too, or a power cut may bring the
// old name back. A file system that cannot flush folders says EINVAL.
bool SyncFolder(const std::filesystem::path& file) {
  const std::filesystem::path folder = file.has_parent_path() ? file.parent_path() : ".";
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return true;  // a folder we may enter but not read
  FdCloser closer{fd};
  return ::fsync(fd) == 0 || errno == EINVAL || errno == EROFS;
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
    // fallocate itself: where the file system cannot reserve, glibc's
    // posix_fallocate emulation reads the write-only file and fails. No
    // reservation then; a write failing part way is reported as such.
    int e;
    do e = ::fallocate(fd, 0, 0, size) == 0 ? 0 : errno;
    while (e == EINTR);
    if (e != 0 && e != EOPNOTSUPP && e != ENOSYS && e != EINVAL) {
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

namespace {
// Closes a complete temporary file, renames it over the target and flushes
// the folder; the temporary file goes on any failure before the rename.
bool CloseAndRename(int fd, const std::string& name, const std::filesystem::path& target) {
  if (::close(fd) != 0 || ::rename(name.c_str(), target.c_str()) != 0) {
    int e = errno;
    ::unlink(name.c_str());
    errno = e;
    return false;
  }
  return SyncFolder(target);
}
}  // namespace

void SetTemporaryFileHook(void (*hook)(const std::string& name)) { g_temporaryHook = hook; }

bool WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes, FileAccess access) {
  std::filesystem::path target = path;
  if (!FollowLinks(target)) return false;
  const bool isPrivate = access == FileAccess::Private;
  // A file being replaced keeps its permissions, unless it is to be private;
  // the copy is narrower than both until its text is in. A new file is
  // created with the mode it keeps, which lets nobody in early.
  struct stat st {};
  const bool replacing = !isPrivate && ::stat(target.c_str(), &st) == 0;
  std::string name;
  int fd = CreateTemporary(target, isPrivate ? 0600 : replacing ? (st.st_mode & 0600) : 0666, name);
  if (fd < 0) return false;
  auto fail = [&] {
    int e = errno;
    ::close(fd);
    ::unlink(name.c_str());
    errno = e;
    return false;
  };
  if (!WriteAll(fd, bytes)) return fail();
  if (replacing) {
    CopyAclAndAttributes(target, fd);
    ::fchmod(fd, st.st_mode & 07777);
  }
  if (::fsync(fd) != 0) return fail();
  return CloseAndRename(fd, name, target);
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

  // Readable by the owner alone (or less, as the file is) until the text,
  // the group, the ACL and the attributes are right; only then widened.
  std::string name;
  int fd = CreateTemporary(target, st.st_mode & 0600, name);
  if (fd < 0) return WriteInPlace(target, bytes, r);
  auto dropTemporary = [&] {
    int e = errno;
    ::close(fd);
    ::unlink(name.c_str());
    errno = e;
  };
  if (!WriteAll(fd, bytes)) {
    const int e = errno;
    dropTemporary();
    // No room for a second copy: the file itself may still take the text.
    if (e == ENOSPC || e == EDQUOT) return WriteInPlace(target, bytes, r);
    errno = e;
    return false;
  }
  // The group first: changing it clears the set-id bits that the mode then
  // puts back. What cannot be carried over is kept by writing in place.
  struct stat made {};
  if (::fstat(fd, &made) != 0 || (made.st_gid != st.st_gid && ::fchown(fd, static_cast<uid_t>(-1), st.st_gid) != 0) ||
      !CopyAclAndAttributes(target, fd) || ::fchmod(fd, st.st_mode & 07777) != 0) {
    dropTemporary();
    return WriteInPlace(target, bytes, r);
  }
  if (::fsync(fd) != 0) {
    const int e = errno;
    dropTemporary();
    if (e == ENOSPC || e == EDQUOT) return WriteInPlace(target, bytes, r);
    errno = e;
    return false;
  }
  return CloseAndRename(fd, name, target);
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
