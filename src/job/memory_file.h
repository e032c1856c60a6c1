// An anonymous file in memory (memfd). gawk writes its standard output into
// one as fast as into any file, with no reader to wake for every few
// kilobytes as a pipe needs; the bytes are taken out once it has ended. A
// parallel job keeps each run's output in one until its turn to be
// committed.
#pragma once

#include <cstddef>
#include <string>

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

  // Writes the whole content to out (at its position, or its end when it was
  // opened for appending). False with errno set on failure.
  bool CopyTo(int out) const;

 private:
  void Release(std::size_t upto);

  int fd_ = -1;
  std::size_t released_ = 0;
  bool sealed_ = false;
};

// Grows s to hold want more bytes, doubling as std::string would; a large
// text asks for huge pages, since growing hundreds of megabytes 4 KB page
// by page costs more than the copying.
void MakeRoom(std::string& s, std::size_t want);

}  // namespace tolvan
