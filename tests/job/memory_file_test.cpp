#include "job/memory_file.h"

#include <fcntl.h>
#include <unistd.h>

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

}  // namespace
}  // namespace tolvan
