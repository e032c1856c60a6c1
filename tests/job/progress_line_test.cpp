#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>

#include "job/progress_line.h"

namespace tolvan {
namespace {

using namespace std::chrono_literals;

TEST(ProgressLine, RenderFitsTheBarCountAndLabel) {
  struct Case {
    const char* label;
    const char* count;
    std::size_t done, planned;
    int columns;
    std::string expected;
  } cases[] = {
      {"a.txt", "4/12", 3, 12, 80, "[#####...............]  25% 4/12 a.txt"},
      {"a.txt", "12/12", 12, 12, 80, "[####################] 100% 12/12 a.txt"},
      {"a.txt", "1/12", 0, 12, 80, "[....................]   0% 1/12 a.txt"},
      {"a.txt", "2/2", 5, 2, 80, "[####################] 100% 2/2 a.txt"},  // never past the end
      {"a.txt", "4/12", 3, 12, 40, "[##........]  25% 4/12 a.txt"},
      {"a.txt", "4/12", 3, 12, 25, " 25% 4/12 a.txt"},
      {"a.txt", "1/1", 0, 1, 80, "1/1 a.txt"},  // one run: no bar
      {"実行中", "", 0, 0, 80, "実行中"},
      {"abcdefghijklmnopqrstuvwxyz", "1/1", 0, 1, 16, "1/1 abcd...wxyz"},
      {"abcdefghijklmnopqrstuvwxyz", "1/1", 0, 1, 31, "1/1 abcdefghijklmnopqrstuvwxyz"},  // exactly room
      {"abcdefghijklmnopqrstuvwxyz", "1/1", 0, 1, 30, "1/1 abcdefghijk...pqrstuvwxyz"},
      {"日本語の長いファイル名.txt", "1/1", 0, 1, 20, "1/1 日本語...名.txt"},
  };
  for (const Case& c : cases) {
    std::string line = TProgressLine::Render(c.label, c.count, c.done, c.planned, c.columns);
    EXPECT_EQ(line, c.expected) << c.label << " " << c.columns;
    EXPECT_LE(TProgressLine::Width(line), c.columns - 1) << line;
  }
}

TEST(ProgressLine, WidthCountsWideCharactersTwiceAndStrayBytesOnce) {
  EXPECT_EQ(TProgressLine::Width("abc"), 3);
  EXPECT_EQ(TProgressLine::Width("日本"), 4);
  EXPECT_EQ(TProgressLine::Width("ｱｲ"), 2);  // half-width katakana
  EXPECT_EQ(TProgressLine::Width("\xff\xe6\x97"), 3);
}

TEST(ProgressLine, AWideCharacterIsNeverCut) {
  for (int columns = 6; columns < 30; ++columns) {
    std::string line = TProgressLine::Render("表表表表表表表表表表表表表表", "", 0, 0, columns);
    EXPECT_LE(TProgressLine::Width(line), columns - 1);
    for (std::size_t i = 0; i < line.size();) {  // well-formed UTF-8 all through
      unsigned char b = static_cast<unsigned char>(line[i]);
      std::size_t n = b < 0x80 ? 1 : b >= 0xE0 ? 3 : 2;
      ASSERT_LE(i + n, line.size()) << columns;
      for (std::size_t k = 1; k < n; ++k) ASSERT_EQ(static_cast<unsigned char>(line[i + k]) & 0xC0, 0x80);
      i += n;
    }
  }
}

std::string Drain(int fd) {
  std::string s;
  char buf[4096];
  pollfd p{fd, POLLIN, 0};
  while (::poll(&p, 1, 50) > 0 && (p.revents & POLLIN)) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n <= 0) break;
    s.append(buf, static_cast<std::size_t>(n));
  }
  return s;
}

TEST(ProgressLine, NothingWhenNotATerminal) {
  int p[2];
  ASSERT_EQ(::pipe(p), 0);
  {
    TProgressLine line(p[1]);
    line.Show("a.txt", "1/2");
    line.Done(1, 2);
    line.Clear();
  }
  ::close(p[1]);
  EXPECT_EQ(Drain(p[0]), "");
  ::close(p[0]);
}

TEST(ProgressLine, OneLineRedrawnOnATerminalAndErasedAtTheEnd) {
  int master = ::posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(master, 0);
  ASSERT_EQ(::grantpt(master), 0);
  ASSERT_EQ(::unlockpt(master), 0);
  int slave = ::open(::ptsname(master), O_RDWR | O_NOCTTY);
  ASSERT_GE(slave, 0);
  {
    TProgressLine line(slave);
    line.Show("a.txt", "1/2");
    std::string first = Drain(master);
    EXPECT_EQ(first.front(), '\r');
    EXPECT_NE(first.find("1/2 a.txt\x1b[K"), std::string::npos) << first;
    EXPECT_EQ(first.find('\n'), std::string::npos);
    line.Clear();
    EXPECT_EQ(Drain(master), "\r\x1b[K");
    line.Clear();  // erased once only
    EXPECT_EQ(Drain(master), "");
  }
  ::close(slave);
  ::close(master);
}

TEST(ProgressLine, DrawsAtMostOncePerInterval) {
  int p[2];
  ASSERT_EQ(::pipe(p), 0);
  {
    TProgressLine line(p[1], true, [] { return 80; }, 1h);
    line.Show("a.txt", "1/3");  // the first draw is never held back
    line.Done(1, 3);
    line.Show("b.txt", "2/3");
    line.Done(2, 3);
  }  // the destructor erases
  ::close(p[1]);
  EXPECT_EQ(Drain(p[0]), "\r1/3 a.txt\x1b[K\r\x1b[K");
  ::close(p[0]);

  ASSERT_EQ(::pipe(p), 0);
  {
    TProgressLine line(p[1], true, [] { return 80; }, 0ms);
    line.Show("a.txt", "1/3");
    line.Done(1, 3);
  }
  ::close(p[1]);
  EXPECT_EQ(Drain(p[0]), "\r1/3 a.txt\x1b[K\r[######..............]  33% 1/3 a.txt\x1b[K\r\x1b[K");
  ::close(p[0]);
}

}  // namespace
}  // namespace tolvan
