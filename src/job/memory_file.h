// An anonymous file in memory (memfd). gawk writes its standard output into
// one as fast as into any file, with no reader to wake for every few
// kilobytes as a pipe needs; the bytes are taken out once it has ended. A
// parallel job keeps each run's output in one until its turn to be
// committed.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "core/shared_bytes.h"

namespace tolvan {

class TMemoryFile {
 public:
  // Throws std::runtime_error when the system gives none.
  TMemoryFile();
  ~TMemoryFile();
  TMemoryFile(TMemoryFile&& o) noexcept;
  TMemoryFile& operator=(TMemoryFile&& o) noexcept;
  TMemoryFile(const TMemoryFile&) = delete;
  TMemoryFile& operator=(const TMemoryFile&) = delete;

  // The descriptor to hand to a child as its standard output (above 2).
  int fd() const { return fd_; }
  std::size_t Size() const;

  // Appends the bytes from offset `from` to the present end to sink, at
  // most limit of them, and answers how many. Once sealed the bytes are
  // copied from a mapping; before, they are read a slice at a time and,
  // with release, the pages taken are given back as the copy goes.
  std::size_t AppendTo(std::string& sink, std::size_t from, std::size_t limit, bool release);

  // From now on nobody can write or add to it: a background grandchild that
  // still holds it gets errors instead of filling memory, as it gets them
  // from a pipe whose reader has gone.
  void Seal();

  bool Sealed() const { return sealed_; }

  // Writes the whole content to out (at its position, or its end when it was
  // opened for appending). False with errno set on failure.
  bool CopyTo(int out) const;

  // Adds from's whole content at the end of this unsealed file, copied by
  // the kernel.
  void Append(const TMemoryFile& from);

  // Seals it and hands out its bytes where they lie: a read-only mapping
  // that stays valid, and holds the memory, as long as the bytes are
  // shared, also after this object is gone. When it cannot be sealed (a
  // writable mapping elsewhere), the bytes are copied out instead, since an
  // unsealed file could be cut short under a mapping.
  TSharedBytes Share();

 private:
  void Release(std::size_t upto);

  int fd_ = -1;
  std::size_t released_ = 0;
  bool sealed_ = false;
};

// An unnamed file on a folder's file system (O_TMPFILE): output that must
// wait for its turn lies there rather than in memory, and vanishes with the
// descriptor.
class TUnnamedFile {
 public:
  // Empty, with errno set, when that file system or folder cannot make one.
  static std::optional<TUnnamedFile> In(const std::string& folder);
  ~TUnnamedFile();
  TUnnamedFile(TUnnamedFile&& o) noexcept : fd_(o.fd_) { o.fd_ = -1; }
  TUnnamedFile& operator=(TUnnamedFile&& o) noexcept;
  TUnnamedFile(const TUnnamedFile&) = delete;
  TUnnamedFile& operator=(const TUnnamedFile&) = delete;

  int fd() const { return fd_; }
  std::size_t Size() const;
  // As TMemoryFile::CopyTo.
  bool CopyTo(int out) const;

 private:
  explicit TUnnamedFile(int fd) : fd_(fd) {}
  int fd_ = -1;
};

// Grows s to hold want more bytes, doubling as std::string would; a large
// text asks for huge pages, since growing hundreds of megabytes 4 KB page
// by page costs more than the copying.
void MakeRoom(std::string& s, std::size_t want);

}  // namespace tolvan
