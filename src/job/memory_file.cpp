#include "job/memory_file.h"

#include "job/descriptors.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <stdexcept>

namespace tolvan {

namespace {

constexpr std::size_t kPage = 4096;
constexpr std::size_t kSlice = 512 * 1024;
constexpr std::size_t kHugeFrom = 8u << 20;
constexpr std::uintptr_t kHugePage = 2u << 20;

[[noreturn]] void ThrowSys(const char* what) { ThrowSystemError(what); }

std::size_t FileSize(int fd) {
  struct stat st;
  if (::fstat(fd, &st) != 0) ThrowSys("fstat");
  return static_cast<std::size_t>(st.st_size);
}

std::size_t RoundUp(std::size_t n) { return (n + kPage - 1) / kPage * kPage; }

// Copies size bytes of from, from its start, to out at out's position.
bool CopyWhole(int from, std::size_t size, int out) {
  off_t at = 0;
  while (static_cast<std::size_t>(at) < size) {
    ssize_t n = ::sendfile(out, from, &at, size - static_cast<std::size_t>(at));
    if (n > 0) continue;
    if (n < 0 && errno == EINTR) continue;
    if (n == 0) break;
    if (errno != EINVAL && errno != ENOSYS) return false;
    // An output sendfile cannot write to: copy through a buffer.
    char buf[64 * 1024];
    while (static_cast<std::size_t>(at) < size) {
      ssize_t r = ::pread(from, buf, std::min(sizeof buf, size - static_cast<std::size_t>(at)), at);
      if (r < 0 && errno == EINTR) continue;
      if (r <= 0) return r == 0;
      for (ssize_t w = 0; w < r;) {
        ssize_t k = ::write(out, buf + w, static_cast<std::size_t>(r - w));
        if (k < 0 && errno == EINTR) continue;
        if (k < 0) return false;
        w += k;
      }
      at += r;
    }
  }
  return true;
}

void AdviseHugePages(char* p, std::size_t n) {
  auto begin = (reinterpret_cast<std::uintptr_t>(p) + kHugePage - 1) & ~(kHugePage - 1);
  auto end = (reinterpret_cast<std::uintptr_t>(p) + n) & ~(kHugePage - 1);
  if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);  // a hint only
}

}  // namespace

void MakeRoom(std::string& s, std::size_t want) {
  if (s.capacity() - s.size() >= want) return;
  std::size_t cap = std::max(s.capacity() * 2, s.size() + want);
  if (cap < kHugeFrom) {
    s.reserve(cap);
    return;
  }
  std::string bigger;
  bigger.reserve(cap);  // fresh, untouched memory: advise before the copy touches it
  AdviseHugePages(bigger.data(), bigger.capacity());
  bigger.append(s);
  s.swap(bigger);
}

TMemoryFile::TMemoryFile() {
  int fd = ::memfd_create("tolvan-output", MFD_CLOEXEC | MFD_ALLOW_SEALING);
  if (fd < 0) ThrowSys("memfd_create");
  fd_ = LiftAboveStandard(fd);  // a child's dup2 targets the standard descriptors
}

TMemoryFile::~TMemoryFile() {
  if (fd_ >= 0) ::close(fd_);
}

TMemoryFile::TMemoryFile(TMemoryFile&& o) noexcept : fd_(o.fd_), released_(o.released_), sealed_(o.sealed_) {
  o.fd_ = -1;
}

TMemoryFile& TMemoryFile::operator=(TMemoryFile&& o) noexcept {
  if (this != &o) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = o.fd_;
    released_ = o.released_;
    sealed_ = o.sealed_;
    o.fd_ = -1;
  }
  return *this;
}

std::size_t TMemoryFile::Size() const { return FileSize(fd_); }

std::size_t TMemoryFile::AppendTo(std::string& sink, std::size_t from, std::size_t limit, bool release) {
  const std::size_t size = Size();
  if (size <= from) return 0;
  const std::size_t want = std::min(size - from, limit);
  MakeRoom(sink, want);
  if (sealed_) {
    // Nobody can change or shorten it any more, so a mapping is safe, and
    // copying from one costs neither a zero-filled text nor a read per slice.
    const std::size_t mapFrom = from / kPage * kPage;
    const std::size_t mapLen = from + want - mapFrom;
    void* map = ::mmap(nullptr, mapLen, PROT_READ, MAP_SHARED | MAP_POPULATE, fd_, static_cast<off_t>(mapFrom));
    if (map != MAP_FAILED) {
      sink.append(static_cast<const char*>(map) + (from - mapFrom), want);
      ::munmap(map, mapLen);
      return want;
    }
  }
  // A slice at a time, so that the text's new bytes are still in the cache
  // when the read writes them over.
  const std::size_t old = sink.size();
  std::size_t got = 0;
  while (got < want) {
    const std::size_t slice = std::min(want - got, kSlice);
    sink.resize(old + got + slice);
    ssize_t n = ::pread(fd_, sink.data() + old + got, slice, static_cast<off_t>(from + got));
    if (n > 0) {
      got += static_cast<std::size_t>(n);
      if (release) Release(from + got);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      int e = errno;
      sink.resize(old);
      errno = e;
      ThrowSys("read");
    }
    break;  // made shorter meanwhile
  }
  sink.resize(old + got);
  return got;
}

void TMemoryFile::Release(std::size_t upto) {
  upto = upto / kPage * kPage;
  if (upto <= released_) return;
  // Only to give memory back; a failure changes nothing read.
  ::fallocate(fd_, FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE, static_cast<off_t>(released_),
              static_cast<off_t>(upto - released_));
  released_ = upto;
}

void TMemoryFile::Seal() {
  sealed_ = ::fcntl(fd_, F_ADD_SEALS, F_SEAL_WRITE | F_SEAL_GROW | F_SEAL_SHRINK | F_SEAL_SEAL) == 0;
}

bool TMemoryFile::CopyTo(int out) const { return CopyWhole(fd_, Size(), out); }

void TMemoryFile::Append(const TMemoryFile& from) {
  if (sealed_) throw std::logic_error("memory file: appending to a sealed file");
  const std::size_t size = from.Size();
  off_t at = 0;
  auto end = static_cast<off_t>(Size());
  while (static_cast<std::size_t>(at) < size) {
    ssize_t n = ::copy_file_range(from.fd_, &at, fd_, &end, size - static_cast<std::size_t>(at), 0);
    if (n > 0) continue;
    if (n == 0) break;  // made shorter meanwhile
    if (errno == EINTR) continue;
    if (errno != EXDEV && errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) ThrowSys("copy_file_range");
    // A kernel that cannot copy between these two: through a buffer.
    char buf[64 * 1024];
    while (static_cast<std::size_t>(at) < size) {
      ssize_t r = ::pread(from.fd_, buf, std::min(sizeof buf, size - static_cast<std::size_t>(at)), at);
      if (r < 0 && errno == EINTR) continue;
      if (r < 0) ThrowSys("read");
      if (r == 0) return;
      for (ssize_t w = 0; w < r;) {
        ssize_t k = ::pwrite(fd_, buf + w, static_cast<std::size_t>(r - w), end + w);
        if (k < 0 && errno == EINTR) continue;
        if (k < 0) ThrowSys("write");
        w += k;
      }
      at += r;
      end += r;
    }
  }
}

TSharedBytes TMemoryFile::Share() {
  if (!sealed_) Seal();
  if (!sealed_) {
    auto text = std::make_shared<std::string>();
    AppendTo(*text, 0, SIZE_MAX, false);
    return TSharedBytes::FromString(std::shared_ptr<const std::string>(std::move(text)));
  }
  const std::size_t size = Size();
  if (size == 0) return {};
  // The file's pages, then zeros up to the next page: a whole page of them
  // when the file ends on a page boundary, so the byte after the text is
  // always there to read.
  const std::size_t total = RoundUp(size + 1);
  void* base = ::mmap(nullptr, total, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (base == MAP_FAILED) ThrowSys("mmap");
  if (::mmap(base, RoundUp(size), PROT_READ, MAP_SHARED | MAP_FIXED, fd_, 0) == MAP_FAILED) {
    const int e = errno;
    ::munmap(base, total);
    errno = e;
    ThrowSys("mmap");
  }
  std::shared_ptr<const char> data(static_cast<const char*>(base), [total](const char* p) {
    ::munmap(const_cast<char*>(p), total);
  });
  return {std::move(data), size};
}

std::optional<TUnnamedFile> TUnnamedFile::In(const std::string& folder) {
  int fd = ::open(folder.empty() ? "." : folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (fd < 0) return std::nullopt;
  return TUnnamedFile(LiftAboveStandard(fd));
}

TUnnamedFile::~TUnnamedFile() {
  if (fd_ >= 0) ::close(fd_);
}

TUnnamedFile& TUnnamedFile::operator=(TUnnamedFile&& o) noexcept {
  if (this != &o) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = o.fd_;
    o.fd_ = -1;
  }
  return *this;
}

std::size_t TUnnamedFile::Size() const { return FileSize(fd_); }

bool TUnnamedFile::CopyTo(int out) const { return CopyWhole(fd_, Size(), out); }

}  // namespace tolvan
