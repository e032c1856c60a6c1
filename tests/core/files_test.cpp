#include "core/files.h"
#include "core/program_paths.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

using namespace tolvan;
namespace fs = std::filesystem;

TEST(Files, AtomicWriteReplacesWholeAndLeavesNoTemporary) {
  fs::path dir = fs::temp_directory_path() / ("tolvan_files_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  fs::path f = dir / "a.txt";
  std::string bytes("x\0y\r\n", 5);
  ASSERT_TRUE(WriteFileAtomically(f, bytes));
  ::chmod(f.c_str(), 0640);
  ASSERT_TRUE(WriteFileAtomically(f, "second"));
  std::string back;
  ASSERT_TRUE(ReadWholeFile(f, back));
  EXPECT_EQ(back, "second");
  EXPECT_EQ(fs::status(f).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
  // A folder that does not exist: failure, nothing created.
  EXPECT_FALSE(WriteFileAtomically(dir / "no" / "b.txt", "z"));
  EXPECT_FALSE(ReadWholeFile(dir / "missing", back));
  fs::remove_all(dir);
}

TEST(ProgramPathsTest, EverythingLivesBesideTheExecutable) {
  ProgramPaths p("/opt/t/bin/tolvan");
  EXPECT_EQ(p.Folder(), "/opt/t/bin/");
  EXPECT_EQ(p.SettingsFile(), "/opt/t/bin/tolvan.INI");
  EXPECT_EQ(p.HelpFile(), "/opt/t/bin/tolvan.html");
  EXPECT_EQ(p.OneLinerFile(), "/opt/t/bin/scripts/One-Liner/One-Liner.txt");
  EXPECT_EQ(p.OptionHistoryFile(), "/opt/t/bin/cmdopt.dat");
  EXPECT_EQ(p.ClipboardInputFile(), "/opt/t/bin/TEMPCLIP.txt");
  // A renamed executable takes its settings and help with it.
  EXPECT_EQ(ProgramPaths("/x/awkrun").SettingsFile(), "/x/awkrun.INI");
}
