// What the atomic write must never do to the files around it or to the
// process: replace a link by a plain file, change the umask (other threads
// create files meanwhile), leak its descriptor into a child, or show a
// private file to other users.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <thread>

#include "core/files.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;
using tolvan::FileAccess;
using tolvan::ReadWholeFile;
using tolvan::WriteFileAtomically;
using tolvan::test::TempDir;

// This test program's own umask and fsync stand in for the C library's (the
// linker prefers them), so that what the write does in between is seen.
namespace {
std::atomic<int> g_maskChanges{0};
std::atomic<int> g_syncs{0};
std::atomic<int> g_folderSyncs{0};
std::atomic<int> g_syncsWithoutCloexec{0};
std::atomic<unsigned> g_lastSyncMode{0};
}  // namespace

extern "C" mode_t umask(mode_t mask) noexcept {
  auto old = static_cast<mode_t>(::syscall(SYS_umask, mask));
  if (old != mask) ++g_maskChanges;
  return old;
}

extern "C" int fsync(int fd) {
  int flags = ::fcntl(fd, F_GETFD);
  if (flags < 0 || !(flags & FD_CLOEXEC)) ++g_syncsWithoutCloexec;
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    ++g_folderSyncs;
  } else {
    ++g_syncs;
    g_lastSyncMode = st.st_mode & 07777;
  }
  return static_cast<int>(::syscall(SYS_fsync, fd));
}

namespace {

std::string Slurp(const fs::path& p) {
  std::string s;
  if (!ReadWholeFile(p, s)) return "<unreadable>";
  return s;
}

unsigned Mode(const fs::path& p) {
  struct stat st {};
  ::stat(p.c_str(), &st);
  return st.st_mode & 07777;
}

// Sets the umask for one test and puts the old one back.
struct MaskScope {
  mode_t old;
  explicit MaskScope(mode_t m) : old(static_cast<mode_t>(::syscall(SYS_umask, m))) {}
  ~MaskScope() { ::syscall(SYS_umask, old); }
};

TEST(AtomicWrite, WritesThroughSymbolicLinks) {
  TempDir d;
  fs::create_directories(d / "real");
  ASSERT_TRUE(WriteFileAtomically(d / "real" / "tolvan.INI", "old"));
  fs::create_symlink("real/tolvan.INI", d / "rel.INI");        // relative to the link's folder
  fs::create_symlink(d / "rel.INI", d / "chain.INI");            // a link to a link
  fs::create_symlink("real/later.txt", d / "dangling.txt");      // names a file not there yet
  ASSERT_TRUE(WriteFileAtomically(d / "chain.INI", "through two links"));
  EXPECT_TRUE(fs::is_symlink(d / "chain.INI"));
  EXPECT_TRUE(fs::is_symlink(d / "rel.INI"));
  EXPECT_EQ(Slurp(d / "real" / "tolvan.INI"), "through two links");
  ASSERT_TRUE(WriteFileAtomically(d / "dangling.txt", "created"));
  EXPECT_TRUE(fs::is_symlink(d / "dangling.txt"));
  EXPECT_EQ(Slurp(d / "real" / "later.txt"), "created");
  // The temporary file was made beside the target, and nothing is left.
  EXPECT_EQ(std::distance(fs::directory_iterator(d / "real"), fs::directory_iterator()), 2);
  EXPECT_EQ(std::distance(fs::directory_iterator(d.path()), fs::directory_iterator()), 4);
  // A loop of links is refused, not followed for ever.
  fs::create_symlink("loop2", d / "loop1");
  fs::create_symlink("loop1", d / "loop2");
  EXPECT_FALSE(WriteFileAtomically(d / "loop1", "x"));
  EXPECT_TRUE(fs::is_symlink(d / "loop1"));
}

TEST(AtomicWrite, LeavesTheUmaskAloneAndLetsItApply) {
  TempDir d;
  MaskScope mask(027);
  g_maskChanges = 0;
  // Two threads at once, as the job thread's script copy and the main
  // thread's save.
  std::thread other([&] {
    for (int i = 0; i < 20; ++i) WriteFileAtomically(d / ("t" + std::to_string(i)), "x");
  });
  for (int i = 0; i < 20; ++i) WriteFileAtomically(d / ("m" + std::to_string(i)), "x");
  other.join();
  EXPECT_EQ(g_maskChanges.load(), 0);
  EXPECT_EQ(static_cast<mode_t>(::syscall(SYS_umask, 027)), 027);
  EXPECT_EQ(Mode(d / "t3"), 0640u);
  EXPECT_EQ(Mode(d / "m19"), 0640u);
  // A file being replaced keeps its own permissions.
  ::chmod((d / "m1").c_str(), 0604);
  ASSERT_TRUE(WriteFileAtomically(d / "m1", "y"));
  EXPECT_EQ(Mode(d / "m1"), 0604u);
}

TEST(AtomicWrite, PrivateFilesAreTheUsersAloneAndNoDescriptorLeaks) {
  TempDir d;
  MaskScope mask(022);
  g_syncs = 0;
  g_folderSyncs = 0;
  g_syncsWithoutCloexec = 0;
  ASSERT_TRUE(WriteFileAtomically(d / "TEMPCLIP.txt", "secret", FileAccess::Private));
  EXPECT_EQ(Mode(d / "TEMPCLIP.txt"), 0600u);
  EXPECT_EQ(g_lastSyncMode.load(), 0600u);  // never readable by others, not even for a moment
  // One left by an older run is made private too.
  ::chmod((d / "TEMPCLIP.txt").c_str(), 0644);
  ASSERT_TRUE(WriteFileAtomically(d / "TEMPCLIP.txt", "secret 2", FileAccess::Private));
  EXPECT_EQ(Mode(d / "TEMPCLIP.txt"), 0600u);
  ASSERT_TRUE(WriteFileAtomically(d / "shared.txt", "x"));
  EXPECT_EQ(Mode(d / "shared.txt"), 0644u);
  // A child started by another thread meanwhile must not inherit the file.
  EXPECT_EQ(g_syncs.load(), 3);
  // The folder is flushed after each rename too, so the new name lasts.
  EXPECT_EQ(g_folderSyncs.load(), 3);
  EXPECT_EQ(g_syncsWithoutCloexec.load(), 0);
}

TEST(WholeFileRead, RefusesWhatIsNotAPlainFileWithoutWaiting) {
  TempDir d;
  ASSERT_EQ(::mkfifo((d / "fifo").c_str(), 0600), 0);
  std::string s = "kept";
  errno = 0;
  EXPECT_FALSE(ReadWholeFile(d / "fifo", s));  // would block in open() for a writer
  EXPECT_EQ(errno, EINVAL);
  EXPECT_FALSE(ReadWholeFile(d.path(), s));
  EXPECT_EQ(errno, EISDIR);
  EXPECT_FALSE(ReadWholeFile(d / "missing", s));
  EXPECT_EQ(errno, ENOENT);  // only a missing file says so
  EXPECT_FALSE(ReadWholeFile("/dev/zero", s));  // would never end
}

TEST(SameFileTest, SeesOneFileUnderEveryName) {
  TempDir d;
  fs::create_directories(d / "in");
  ASSERT_TRUE(WriteFileAtomically(d / "in" / "a.txt", "a"));
  ASSERT_TRUE(WriteFileAtomically(d / "in" / "b.txt", "b"));
  fs::create_symlink(d / "in", d / "linked");
  fs::create_hard_link(d / "in" / "a.txt", d / "hard.txt");
  using tolvan::SameFile;
  EXPECT_TRUE(SameFile(d / "in" / "a.txt", d / "linked" / "a.txt"));
  EXPECT_TRUE(SameFile(d / "in" / "a.txt", d / "in" / ".." / "in" / "./a.txt"));
  EXPECT_TRUE(SameFile(d / "hard.txt", d / "in" / "a.txt"));
  EXPECT_FALSE(SameFile(d / "in" / "a.txt", d / "in" / "b.txt"));
  // Files not there yet: the same place reached two ways.
  EXPECT_TRUE(SameFile(d / "in" / "new.txt", d / "linked" / ".." / "in" / "new.txt"));
  EXPECT_FALSE(SameFile(d / "in" / "new.txt", d / "in" / "a.txt"));
  EXPECT_FALSE(SameFile(d / "in" / "new.txt", d / "in" / "new2.txt"));
  // Relative to the current folder.
  auto cwd = fs::current_path();
  fs::current_path(d / "in");
  EXPECT_TRUE(SameFile("a.txt", d / "in" / "a.txt"));
  EXPECT_TRUE(SameFile("./x.txt", d / "linked" / "x.txt"));
  fs::current_path(cwd);
}

}  // namespace
