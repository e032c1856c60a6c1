// Saving a user's file: what is refused, what is written in place and what
// is replaced, and the reasons the user reads when it fails.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <fstream>

#include "core/file_errors.h"
#include "core/files.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;
using tolvan::FileErrorReason;
using tolvan::FileErrorText;
using tolvan::ReadWholeFile;
using tolvan::SaveFile;
using tolvan::SaveReport;
using tolvan::test::TempDir;

namespace {

constexpr uid_t kOther = 65534;  // nobody

std::string Read(const fs::path& p) {
  std::string s;
  return ReadWholeFile(p, s) ? s : "<unreadable>";
}

void Put(const fs::path& p, const std::string& bytes, mode_t mode = 0644) {
  std::ofstream(p, std::ios::binary | std::ios::trunc) << bytes;
  ::chmod(p.c_str(), mode);
}

struct stat Stat(const fs::path& p) {
  struct stat st {};
  ::stat(p.c_str(), &st);
  return st;
}

// Runs body as another user in a child process; its answer is the exit code.
int AsOtherUser(const std::function<int()>& body) {
  pid_t child = ::fork();
  if (child == 0) {
    if (::getuid() == 0 && (::setgid(kOther) != 0 || ::setuid(kOther) != 0)) ::_exit(100);
    ::_exit(body());
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 101;
}

}  // namespace

TEST(SaveFile, ANewFileAndAPlainOneAreReplacedWhole) {
  TempDir dir;
  const fs::path fresh = dir / "new.awk";
  ASSERT_TRUE(SaveFile(fresh, "BEGIN {}\r\n"));
  EXPECT_EQ(Read(fresh), "BEGIN {}\r\n");

  const fs::path plain = dir / "plain.awk";
  Put(plain, "old text that is longer\n", 0640);
  const ino_t before = Stat(plain).st_ino;
  SaveReport report;
  ASSERT_TRUE(SaveFile(plain, "new\n", &report));
  EXPECT_FALSE(report.inPlace);
  EXPECT_EQ(Read(plain), "new\n");
  EXPECT_NE(Stat(plain).st_ino, before);  // renamed over, so a crash never leaves half a file
  EXPECT_EQ(Stat(plain).st_mode & 07777, 0640u);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 2);  // no temporary left

  // Through a symbolic link: the file it names is saved, the link stays.
  fs::create_symlink("plain.awk", dir / "link.awk");
  ASSERT_TRUE(SaveFile(dir / "link.awk", "via link\n"));
  EXPECT_TRUE(fs::is_symlink(dir / "link.awk"));
  EXPECT_EQ(Read(plain), "via link\n");
}

TEST(SaveFile, ATargetTheUserMayNotWriteIsRefusedUntouched) {
  TempDir dir;
  // No write permission for anyone: refused even for the superuser.
  const fs::path readOnly = dir / "ro.awk";
  Put(readOnly, "keep\n", 0444);
  const ino_t before = Stat(readOnly).st_ino;
  errno = 0;
  EXPECT_FALSE(SaveFile(readOnly, "lost\n"));
  EXPECT_EQ(errno, EACCES);
  EXPECT_EQ(Read(readOnly), "keep\n");
  EXPECT_EQ(Stat(readOnly).st_ino, before);
  EXPECT_EQ(Stat(readOnly).st_mode & 07777, 0444u);

  // Writable by its owner only, saved by another user from a folder that
  // user may write: renaming would succeed, the file's own permission says no.
  const fs::path shared = dir / "shared";
  fs::create_directory(shared);
  ::chmod(shared.c_str(), 0777);
  const fs::path owners = shared / "owners.awk";
  Put(owners, "owner's\n", 0644);
  EXPECT_EQ(AsOtherUser([&] { return SaveFile(owners, "other's\n") ? 0 : errno; }), EACCES);
  EXPECT_EQ(Read(owners), "owner's\n");
  EXPECT_EQ(Stat(owners).st_uid, ::geteuid());

  // Not a regular file.
  errno = 0;
  EXPECT_FALSE(SaveFile(shared, "x"));
  EXPECT_EQ(errno, EISDIR);
}

TEST(SaveFile, LinksOwnersAndClosedFoldersAreWrittenInPlace) {
  TempDir dir;
  // Several hard links: every name sees the new text, shorter than the old.
  const fs::path a = dir / "a.awk", b = dir / "b.awk";
  Put(a, "a rather long old text\n");
  fs::create_hard_link(a, b);
  SaveReport report;
  ASSERT_TRUE(SaveFile(a, "short\n", &report));
  EXPECT_TRUE(report.inPlace);
  EXPECT_EQ(Read(b), "short\n");
  EXPECT_EQ(Stat(a).st_nlink, 2u);

  // Another owner keeps the file, and a longer text fits.
  const fs::path theirs = dir / "theirs.awk";
  Put(theirs, "x\n");
  ASSERT_EQ(::chown(theirs.c_str(), kOther, kOther), 0);
  const ino_t before = Stat(theirs).st_ino;
  report = {};
  ASSERT_TRUE(SaveFile(theirs, "a longer text than before\n", &report));
  EXPECT_TRUE(report.inPlace);
  EXPECT_EQ(Read(theirs), "a longer text than before\n");
  EXPECT_EQ(Stat(theirs).st_uid, kOther);
  EXPECT_EQ(Stat(theirs).st_ino, before);

  // A writable file in a folder that cannot take a temporary file.
  const fs::path closed = dir / "closed";
  fs::create_directory(closed);
  const fs::path mine = closed / "mine.awk";
  Put(mine, "before\n");
  ASSERT_EQ(::chown(closed.c_str(), kOther, kOther), 0);
  ASSERT_EQ(::chown(mine.c_str(), kOther, kOther), 0);
  ::chmod(closed.c_str(), 0555);
  EXPECT_EQ(AsOtherUser([&] { return SaveFile(mine, "after\n") ? 0 : errno; }), 0);
  EXPECT_EQ(Read(mine), "after\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(closed), fs::directory_iterator()), 1);
  ::chmod(closed.c_str(), 0755);
}

// An in-place write that cannot get the room for its text fails before it
// overwrites anything (a file-size limit stands in for a full disk).
TEST(SaveFile, InPlaceRoomIsTakenBeforeTheOldTextIsOverwritten) {
  TempDir dir;
  const fs::path a = dir / "a.awk";
  Put(a, "old text\n");
  fs::create_hard_link(a, dir / "b.awk");
  pid_t child = ::fork();
  if (child == 0) {
    ::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{16, 16};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    SaveReport report;
    const bool ok = SaveFile(a, std::string(64, 'n'), &report);
    ::_exit(ok ? 1 : errno != EFBIG ? 2 : !report.inPlace ? 3 : report.partial ? 4 : 0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(Read(a), "old text\n");
}

TEST(FileErrors, ReasonsAUserMeetsAreJapanese) {
  struct Case {
    int err;
    const char* reason;
  };
  const Case cases[] = {
      {EACCES, "アクセスする権限がありません"},
      {EPERM, "アクセスする権限がありません"},
      {EROFS, "読み取り専用のファイルシステムです"},
      {ENOSPC, "ディスクに空きがありません"},
      {EDQUOT, "ディスクの使用量の制限(クォータ)を超えています"},
      {ENOENT, "ファイルまたはフォルダがありません"},
      {ENOTDIR, "途中の名前がフォルダではありません"},
      {EISDIR, "フォルダです(通常のファイルではありません)"},
      {EINVAL, "通常のファイルではありません"},
      {ENAMETOOLONG, "ファイル名が長すぎます"},
      {EIO, "入出力エラーが起きました"},
  };
  for (const Case& c : cases) EXPECT_EQ(FileErrorReason(c.err), c.reason) << c.err;
  // Anything else still says which error it was.
  EXPECT_EQ(FileErrorReason(EXDEV), "システムエラー " + std::to_string(EXDEV) + " (Invalid cross-device link)");
  EXPECT_EQ(FileErrorText("/x/y.awk", ENOSPC), "/x/y.awk: ディスクに空きがありません");
}

TEST(FileErrors, TheSaveSaysWhyItFailed) {
  TempDir dir;
  errno = 0;
  EXPECT_FALSE(SaveFile(dir / "missing" / "x.awk", "x"));
  EXPECT_EQ(FileErrorReason(errno), "ファイルまたはフォルダがありません");
  errno = 0;
  EXPECT_FALSE(SaveFile(dir / std::string(300, 'n'), "x"));
  EXPECT_EQ(FileErrorReason(errno), "ファイル名が長すぎます");
}
