#include "core/trash.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "core/files.h"
#include "support/temp_dir.h"

using namespace tolvan;
using tolvan::test::TempDir;
namespace fs = std::filesystem;

namespace {

// Points HOME and XDG_DATA_HOME somewhere else for one test and puts them back.
class EnvVar {
 public:
  EnvVar(const char* name, const std::optional<std::string>& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value) ::setenv(name, value->c_str(), 1);
    else ::unsetenv(name);
  }
  ~EnvVar() {
    if (old_) ::setenv(name_, old_->c_str(), 1);
    else ::unsetenv(name_);
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

std::string Slurp(const fs::path& p) {
  std::string s;
  ReadWholeFile(p, s);
  return s;
}

fs::perms Mode(const fs::path& p) { return fs::status(p).permissions() & fs::perms::all; }

}  // namespace

TEST(HomeTrash, FreshAccountGetsItsTrashCreatedPrivately) {
  TempDir dir;
  fs::create_directories(dir / "home");
  EnvVar home("HOME", (dir / "home").string());
  EnvVar xdg("XDG_DATA_HOME", std::nullopt);
  EXPECT_EQ(HomeTrashFolder(), dir / "home" / ".local" / "share" / "Trash");
  fs::path script = dir / "scripts" / "a b表.awk";
  fs::create_directories(script.parent_path());
  ASSERT_TRUE(WriteFileAtomically(script, "BEGIN{}"));

  ASSERT_EQ(MoveToHomeTrash(script), 0);
  fs::path trash = dir / "home" / ".local" / "share" / "Trash";
  EXPECT_FALSE(fs::exists(script));
  EXPECT_EQ(Slurp(trash / "files" / "a b表.awk"), "BEGIN{}");
  for (const fs::path& p : {dir / "home" / ".local", dir / "home" / ".local" / "share", trash, trash / "files",
                            trash / "info"})
    EXPECT_EQ(Mode(p), fs::perms::owner_all) << p;
  std::string record = Slurp(trash / "info" / "a b表.awk.trashinfo");
  std::string encoded = (dir / "scripts").string() + "/a%20b%E8%A1%A8.awk";
  EXPECT_EQ(record.substr(0, record.find("DeletionDate=")), "[Trash Info]\nPath=" + encoded + "\n");
  // DeletionDate=YYYY-MM-DDThh:mm:ss
  std::string date = record.substr(record.find("DeletionDate=") + 13);
  ASSERT_EQ(date.size(), 20u);
  EXPECT_EQ(date[4], '-');
  EXPECT_EQ(date[10], 'T');
  EXPECT_EQ(date[19], '\n');
}

TEST(HomeTrash, SameNameTwiceKeepsBothAndTheirRecords) {
  TempDir dir;
  EnvVar xdg("XDG_DATA_HOME", (dir / "data").string());
  fs::path trash = dir / "data" / "Trash";
  EXPECT_EQ(HomeTrashFolder(), trash);
  for (const char* text : {"one", "two", "three"}) {
    ASSERT_TRUE(WriteFileAtomically(dir / "x.awk", text));
    ASSERT_EQ(MoveToHomeTrash(dir / "x.awk"), 0);
  }
  EXPECT_EQ(Slurp(trash / "files" / "x.awk"), "one");
  EXPECT_EQ(Slurp(trash / "files" / "x.2.awk"), "two");
  EXPECT_EQ(Slurp(trash / "files" / "x.3.awk"), "three");
  EXPECT_TRUE(fs::exists(trash / "info" / "x.3.awk.trashinfo"));
  // A name taken in files/ without a record is not overwritten either.
  ASSERT_TRUE(WriteFileAtomically(trash / "files" / "noext", "kept"));
  ASSERT_TRUE(WriteFileAtomically(dir / "noext", "new"));
  ASSERT_EQ(MoveToHomeTrash(dir / "noext"), 0);
  EXPECT_EQ(Slurp(trash / "files" / "noext"), "kept");
  EXPECT_EQ(Slurp(trash / "files" / "noext.2"), "new");
  EXPECT_FALSE(fs::exists(trash / "info" / "noext.trashinfo"));
  EXPECT_TRUE(fs::exists(trash / "info" / "noext.2.trashinfo"));
}

TEST(HomeTrash, RelativeDataHomeIsIgnoredAndRelativePathsAreMadeAbsolute) {
  TempDir dir;
  EnvVar home("HOME", (dir / "h").string());
  EnvVar xdg("XDG_DATA_HOME", std::string("relative/data"));
  EXPECT_EQ(HomeTrashFolder(), dir / "h" / ".local" / "share" / "Trash");
  fs::path before = fs::current_path();
  fs::current_path(dir.path());
  ASSERT_TRUE(WriteFileAtomically("r.awk", "r"));
  int result = MoveToHomeTrash("r.awk");
  fs::current_path(before);
  ASSERT_EQ(result, 0);
  std::string record = Slurp(dir / "h" / ".local" / "share" / "Trash" / "info" / "r.awk.trashinfo");
  EXPECT_NE(record.find("Path=" + dir.path().string() + "/r.awk\n"), std::string::npos);
  // Nothing beside the current folder: no stray files/ or info/.
  EXPECT_FALSE(fs::exists(dir / "files"));
  EXPECT_FALSE(fs::exists(dir / "info"));
  EXPECT_FALSE(fs::exists(dir / "relative"));
}

TEST(HomeTrash, FailuresLeaveTheFileWhereItWas) {
  TempDir dir;
  ASSERT_TRUE(WriteFileAtomically(dir / "blocker", "not a folder"));
  ASSERT_TRUE(WriteFileAtomically(dir / "s.awk", "s"));
  {
    EnvVar xdg("XDG_DATA_HOME", (dir / "blocker").string());
    EXPECT_EQ(MoveToHomeTrash(dir / "s.awk"), ENOTDIR);
  }
  EXPECT_EQ(Slurp(dir / "s.awk"), "s");
  {
    // "files" cannot be made: the record is not left behind either.
    fs::create_directories(dir / "d" / "Trash" / "info");
    ASSERT_TRUE(WriteFileAtomically(dir / "d" / "Trash" / "files", ""));
    EnvVar xdg("XDG_DATA_HOME", (dir / "d").string());
    EXPECT_EQ(MoveToHomeTrash(dir / "s.awk"), ENOTDIR);
    EXPECT_TRUE(fs::is_empty(dir / "d" / "Trash" / "info"));
  }
  EXPECT_EQ(Slurp(dir / "s.awk"), "s");
  EnvVar xdg("XDG_DATA_HOME", (dir / "ok").string());
  EXPECT_EQ(MoveToHomeTrash(dir / "missing.awk"), ENOENT);
  EXPECT_FALSE(fs::exists(dir / "ok"));
}

TEST(HomeTrash, AFileOnAnotherFileSystemIsCopiedInAndRemoved) {
  TempDir dir;
  fs::path other = fs::path("/dev/shm") / ("tolvan_trash_" + std::to_string(::getpid()));
  struct stat a {}, b {};
  if (::stat(dir.path().c_str(), &a) != 0 || ::stat("/dev/shm", &b) != 0 || a.st_dev == b.st_dev)
    GTEST_SKIP() << "no second file system to trash from";
  fs::create_directories(other);
  ASSERT_TRUE(WriteFileAtomically(other / "far.awk", "far"));
  ::chmod((other / "far.awk").c_str(), 0640);
  EnvVar xdg("XDG_DATA_HOME", (dir / "data").string());
  int result = MoveToHomeTrash(other / "far.awk");
  bool left = fs::exists(other / "far.awk");
  fs::remove_all(other);
  ASSERT_EQ(result, 0);
  EXPECT_FALSE(left);
  fs::path trashed = dir / "data" / "Trash" / "files" / "far.awk";
  EXPECT_EQ(Slurp(trashed), "far");
  EXPECT_EQ(Mode(trashed), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_TRUE(fs::exists(dir / "data" / "Trash" / "info" / "far.awk.trashinfo"));
}
