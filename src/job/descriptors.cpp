#include "job/descriptors.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "core/file_errors.h"

namespace tolvan {

std::string SystemReason(int err) { return FileErrorReason(err); }

void ThrowSystemError(const char* what) { throw std::runtime_error(std::string(what) + ": " + SystemReason(errno)); }

int LiftAboveStandard(int fd) {
  if (fd < 0 || fd >= 3) return fd;
  const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
  const int e = errno;
  ::close(fd);
  if (moved < 0) {
    errno = e;
    ThrowSystemError("fcntl");
  }
  return moved;
}

}  // namespace tolvan
