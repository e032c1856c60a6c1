// Saving a user's file: what is refused, what is written in place and what
// is replaced, and the reasons the user reads when it fails.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <fstream>
#include <iostream>
#include <vector>

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

namespace {

bool Shell(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

std::string Quoted(const fs::path& p) { return "'" + p.string() + "'"; }

std::string Attribute(const fs::path& p, const char* key) {
  char buf[256];
  const ssize_t n = ::getxattr(p.c_str(), key, buf, sizeof buf);
  return n < 0 ? "<none>" : std::string(buf, static_cast<std::size_t>(n));
}

// What the other user may do with p: 0 when the open succeeds, else errno.
int OtherUserOpens(const fs::path& p, int flags) {
  return AsOtherUser([&] {
    const int fd = ::open(p.c_str(), flags | O_CLOEXEC);
    if (fd < 0) return errno;
    ::close(fd);
    return 0;
  });
}

}  // namespace

// A replaced file keeps what it carried: one case per thing a file carries.
TEST(SaveFile, AReplacedFileKeepsWhatItCarried) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
  struct Case {
    const char* what;
    std::function<bool(const fs::path&)> prepare;  // false: the file system cannot carry it
    std::function<void(const fs::path&)> check;
  };
  const Case cases[] = {
      {"mode with the set-group-id bit", [](const fs::path& p) { return ::chmod(p.c_str(), 02640) == 0; },
       [](const fs::path& p) { EXPECT_EQ(Stat(p).st_mode & 07777, 02640u); }},
      {"group", [](const fs::path& p) { return ::chown(p.c_str(), static_cast<uid_t>(-1), kOther) == 0; },
       [](const fs::path& p) {
         EXPECT_EQ(Stat(p).st_gid, kOther);
         EXPECT_EQ(Stat(p).st_mode & 07777, 0644u);
       }},
      {"ACL letting another user write",
       [](const fs::path& p) { return ::chmod(p.c_str(), 0600) == 0 && Shell("setfacl -m u:nobody:rw " + Quoted(p)); },
       [](const fs::path& p) {
         EXPECT_EQ(OtherUserOpens(p, O_WRONLY), 0);
         EXPECT_EQ(Stat(p).st_mode & 070, 060u);  // the mask, not the group's own rights
         EXPECT_NE(Attribute(p, "system.posix_acl_access"), "<none>");
       }},
      {"no ACL in a folder with a default ACL",
       [](const fs::path& p) { return Shell("setfacl -d -m u:nobody:rw " + Quoted(p.parent_path())); },
       [](const fs::path& p) {
         EXPECT_EQ(Attribute(p, "system.posix_acl_access"), "<none>");
         EXPECT_EQ(Stat(p).st_mode & 07777, 0644u);
       }},
      {"user attributes", [](const fs::path& p) { return Shell("setfattr -n user.origin -v lab " + Quoted(p)); },
       [](const fs::path& p) { EXPECT_EQ(Attribute(p, "user.origin"), "lab"); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    const fs::path p = dir / "kept.awk";
    Put(p, "old\n");
    if (!c.prepare(p)) {
      std::cout << "[  SKIPPED ] " << c.what << ": the test folder's file system refuses it\n";
      continue;
    }
    SaveReport report;
    ASSERT_TRUE(SaveFile(p, "new text\n", &report));
    EXPECT_EQ(Read(p), "new text\n");
    c.check(p);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
  }
}

// Names up to the file system's limit save, new or replaced, though the
// temporary file's name would not fit beside them.
TEST(SaveFile, TheLongestNamesSave) {
  TempDir dir;
  for (std::size_t length : {246u, 247u, 255u}) {
    SCOPED_TRACE(length);
    const fs::path p = dir / (std::string(length - 4, 'n') + ".awk");
    ASSERT_TRUE(SaveFile(p, "first\n"));
    SaveReport report;
    ASSERT_TRUE(SaveFile(p, "second\n", &report));
    EXPECT_FALSE(report.inPlace);
    EXPECT_EQ(Read(p), "second\n");
    ASSERT_TRUE(tolvan::WriteFileAtomically(p, "third\n"));
    EXPECT_EQ(Read(p), "third\n");
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 3);
}

namespace {
// Filled by the hook: what the other user got when it opened the temporary
// file while the save was held there.
std::vector<int> g_otherOpens;
void TryTemporaryAsOther(const std::string& name) { g_otherOpens.push_back(OtherUserOpens(name, O_RDONLY)); }
}  // namespace

// The temporary file is opened by another user while a save is held just
// after creating it: it must not get in where the saved file keeps it out.
TEST(SaveFile, TheTemporaryFileLetsNobodyInEarly) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
  struct Case {
    const char* what;
    mode_t mode;
    std::function<bool(const fs::path&)> save;
  };
  const Case cases[] = {
      {"a private script", 0600, [](const fs::path& p) { return SaveFile(p, "secret\n"); }},
      {"a script for its group", 0640, [](const fs::path& p) { return SaveFile(p, "secret\n"); }},
      {"a private file written whole", 0644,
       [](const fs::path& p) { return tolvan::WriteFileAtomically(p, "secret\n", tolvan::FileAccess::Private); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    ::chmod(dir.path().c_str(), 0755);  // the other user may enter the folder
    const fs::path p = dir / "private.awk";
    Put(p, "old\n", c.mode);
    g_otherOpens.clear();
    tolvan::SetTemporaryFileHook(TryTemporaryAsOther);
    const bool saved = c.save(p);
    tolvan::SetTemporaryFileHook(nullptr);
    ASSERT_TRUE(saved);
    ASSERT_EQ(g_otherOpens.size(), 1u);
    EXPECT_EQ(g_otherOpens[0], EACCES);
    EXPECT_EQ(Read(p), "secret\n");
  }
}

// A file system without fallocate (ext3 here): files written in place still
// save, and a longer text still fits.
TEST(SaveFile, InPlaceSavesNeedNoFallocate) {
  TempDir dir;
  const fs::path image = dir / "ext3.img", mnt = dir / "mnt";
  fs::create_directory(mnt);
  {
    std::ofstream(image, std::ios::binary);
  }
  fs::resize_file(image, 8 << 20);
  if (!Shell("mkfs.ext3 -q -F " + Quoted(image)) || !Shell("mount -o loop " + Quoted(image) + " " + Quoted(mnt)))
    GTEST_SKIP() << "cannot make and loop-mount an ext3 image here (needs root, e2fsprogs and loop devices)";
  struct Unmount {
    fs::path at;
    ~Unmount() { Shell("umount " + Quoted(at)); }
  } unmount{mnt};
  // The old text spans blocks, so an emulated reservation would read it.
  const std::string old(9000, 'o'), longer(20000, 'x');
  const fs::path a = mnt / "a.awk";
  Put(a, old);
  fs::create_hard_link(a, mnt / "b.awk");
  SaveReport report;
  ASSERT_TRUE(SaveFile(a, longer, &report)) << FileErrorReason(errno);
  EXPECT_TRUE(report.inPlace);
  EXPECT_EQ(Read(mnt / "b.awk"), longer);

  const fs::path theirs = mnt / "theirs.awk";
  Put(theirs, old);
  ASSERT_EQ(::chown(theirs.c_str(), kOther, kOther), 0);
  ASSERT_TRUE(SaveFile(theirs, longer)) << FileErrorReason(errno);
  EXPECT_EQ(Read(theirs), longer);
  EXPECT_EQ(Stat(theirs).st_uid, kOther);
}
