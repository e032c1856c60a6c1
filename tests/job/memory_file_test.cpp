#include "job/memory_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "job_test_support.h"
#include "support/temp_dir.h"

namespace tolvan {
namespace {

void Write(int fd, const std::string& s) { ASSERT_EQ(::write(fd, s.data(), s.size()), static_cast<ssize_t>(s.size())); }

TEST(MemoryFile, AppendsFromAnOffsetUpToALimit) {
  TMemoryFile m;
  EXPECT_GT(m.fd(), 2);
  std::string bytes;
  for (int i = 0; i < 300000; ++i) bytes += static_cast<char>(i * 7 + i / 251);  // over a few slices and pages
  Write(m.fd(), bytes);
  EXPECT_EQ(m.Size(), bytes.size());
  std::string sink = "head:";
  EXPECT_EQ(m.AppendTo(sink, 5, 10, false), 10u);
  EXPECT_EQ(sink, "head:" + bytes.substr(5, 10));
  sink.clear();
  EXPECT_EQ(m.AppendTo(sink, 4095, SIZE_MAX, true), bytes.size() - 4095);
  EXPECT_EQ(sink, bytes.substr(4095));
  EXPECT_EQ(m.AppendTo(sink, bytes.size(), SIZE_MAX, true), 0u);

  // Sealed, the same ranges come from a mapping.
  TMemoryFile s;
  Write(s.fd(), bytes);
  s.Seal();
  for (std::size_t from : {std::size_t{0}, std::size_t{1}, std::size_t{4095}, std::size_t{4096}, std::size_t{299999}}) {
    std::string got = "x";
    EXPECT_EQ(s.AppendTo(got, from, 70000, false), std::min<std::size_t>(70000, bytes.size() - from));
    EXPECT_EQ(got, "x" + bytes.substr(from, 70000)) << from;
  }
  std::string all;
  EXPECT_EQ(s.AppendTo(all, 0, SIZE_MAX, false), bytes.size());
  EXPECT_EQ(all, bytes);
}

TEST(MemoryFile, SealedRefusesMoreBytes) {
  TMemoryFile m;
  Write(m.fd(), "kept");
  m.Seal();
  EXPECT_LT(::write(m.fd(), "more", 4), 0);
  EXPECT_EQ(m.Size(), 4u);
}

TEST(MemoryFile, CopiesToAFileAtItsPositionOrItsEnd) {
  test::TempDir dir;
  TMemoryFile m;
  std::string bytes(200000, 'x');
  bytes[0] = 'A';
  bytes.back() = 'Z';
  Write(m.fd(), bytes);
  auto path = (dir / "out").string();
  test::WriteBytes(path, "old content");
  for (bool append : {false, true}) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | (append ? O_APPEND : O_TRUNC));
    ASSERT_GE(fd, 0);
    EXPECT_TRUE(m.CopyTo(fd));
    ::close(fd);
  }
  EXPECT_EQ(test::ReadBytes(path), bytes + bytes);
  TMemoryFile empty;
  int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_TRUNC);
  EXPECT_TRUE(empty.CopyTo(fd));
  ::close(fd);
  EXPECT_EQ(test::ReadBytes(path), "");
}

std::string Pattern(std::size_t n) {
  std::string bytes(n, '\0');
  for (std::size_t i = 0; i < n; ++i) bytes[i] = static_cast<char>('!' + i % 89);
  return bytes;
}

// The bytes are the file's own pages, a zero byte follows them whatever
// the size (a page boundary included), and they outlive the file object.
TEST(MemoryFileShare, MapsTheFileItselfWithAZeroAfter) {
  for (std::size_t size : {std::size_t{1}, std::size_t{4095}, std::size_t{4096}, std::size_t{4097},
                           std::size_t{8192}, std::size_t{300000}}) {
    const std::string bytes = Pattern(size);
    TSharedBytes shared;
    {
      TMemoryFile m;
      Write(m.fd(), bytes);
      shared = m.Share();
      EXPECT_TRUE(m.Sealed());
      EXPECT_LT(::write(m.fd(), "x", 1), 0);
    }
    ASSERT_EQ(shared.Size, size);
    EXPECT_EQ(shared.View(), bytes) << size;
    EXPECT_EQ(shared.Data.get()[size], '\0') << size;
    EXPECT_EQ(test::MappedFile(shared.Data.get()).rfind("/memfd:tolvan-output", 0), 0u) << size;
  }
  TMemoryFile empty;
  EXPECT_TRUE(empty.Share().Empty());
}

TEST(MemoryFileShare, TheMappingGoesWithTheLastHolder) {
  const int before = test::MemoryFileMappings();
  TSharedBytes shared;
  {
    TMemoryFile m;
    Write(m.fd(), Pattern(100000));
    shared = m.Share();
  }
  TSharedBytes copy = shared;
  shared = {};
  EXPECT_EQ(test::MemoryFileMappings(), before + 1);
  EXPECT_EQ(copy.View(), Pattern(100000));
  copy = {};
  EXPECT_EQ(test::MemoryFileMappings(), before);
}

// A file that cannot be sealed (someone maps it writable) could be cut
// short under a mapping: its bytes are copied out instead.
TEST(MemoryFileShare, UnsealableFileIsCopied) {
  TMemoryFile m;
  const std::string bytes = Pattern(10000);
  Write(m.fd(), bytes);
  void* w = ::mmap(nullptr, bytes.size(), PROT_READ | PROT_WRITE, MAP_SHARED, m.fd(), 0);
  ASSERT_NE(w, MAP_FAILED);
  TSharedBytes shared = m.Share();
  EXPECT_FALSE(m.Sealed());
  EXPECT_EQ(shared.View(), bytes);
  EXPECT_EQ(shared.Data.get()[shared.Size], '\0');
  static_cast<char*>(w)[0] = '#';
  ::munmap(w, bytes.size());
  EXPECT_EQ(shared.View(), bytes);
}

TEST(MemoryFileAppend, FollowsWhatIsThereAndRefusesASealedFile) {
  TMemoryFile all, a, b, empty;
  Write(all.fd(), "head:");
  Write(a.fd(), Pattern(70000));
  Write(b.fd(), "tail");
  a.Seal();
  all.Append(a);
  all.Append(empty);
  all.Append(b);
  EXPECT_EQ(all.Share().View(), "head:" + Pattern(70000) + "tail");
  EXPECT_THROW(all.Append(b), std::logic_error);
  EXPECT_EQ(a.Share().View(), Pattern(70000));  // the source is left as it was
}

// An unnamed file lies on its folder's file system without a name there,
// and is copied out whole.
TEST(UnnamedFile, NoNameAndCopiedWhole) {
  test::TempDir dir;
  auto f = TUnnamedFile::In(dir.path().string());
  ASSERT_TRUE(f.has_value());
  EXPECT_GT(f->fd(), 2);
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
  const std::string bytes = Pattern(200000);
  Write(f->fd(), bytes);
  EXPECT_EQ(f->Size(), bytes.size());
  const auto path = (dir / "out").string();
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
  ASSERT_GE(fd, 0);
  EXPECT_TRUE(f->CopyTo(fd));
  ::close(fd);
  EXPECT_EQ(test::ReadBytes(path), bytes);
  EXPECT_FALSE(TUnnamedFile::In((dir / "missing").string()).has_value());
}

}  // namespace
}  // namespace tolvan
