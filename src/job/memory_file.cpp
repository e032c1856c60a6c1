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

std::size_t TMemoryFile::Size() const {
  struct stat st;
  if (::fstat(fd_, &st) != 0) ThrowSys("fstat");
  return static_cast<std::size_t>(st.st_size);
}

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

bool TMemoryFile::CopyTo(int out) const {
  const std::size_t size = Size();
  off_t at = 0;
  while (static_cast<std::size_t>(at) < size) {
    ssize_t n = ::sendfile(out, fd_, &at, size - static_cast<std::size_t>(at));
    if (n > 0) continue;
    if (n < 0 && errno == EINTR) continue;
    if (n == 0) break;
    if (errno != EINVAL && errno != ENOSYS) return false;
    // An output sendfile cannot write to: copy through a buffer.
    char buf[64 * 1024];
    while (static_cast<std::size_t>(at) < size) {
      ssize_t r = ::pread(fd_, buf, std::min(sizeof buf, size - static_cast<std::size_t>(at)), at);
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

}  // namespace tolvan
