#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "core/program_paths.h"
#include "support/temp_dir.h"

namespace tolvan {
namespace {

using std::filesystem::path;

PathEnvironment Env(std::string home, std::string config = "", std::string data = "") {
  PathEnvironment e;
  e.home = std::move(home);
  e.xdgConfigHome = std::move(config);
  e.xdgDataHome = std::move(data);
  return e;
}

TEST(ProgramPathsDecide, PortableOnlyInAWritableFolderOutsideSystemPrefixes) {
  struct Case {
    const char* exe;
    bool writable;
    bool portable;
  } cases[] = {
      {"/home/u/tolvan/tolvan", true, true},
      {"/home/u/tolvan/tolvan", false, false},
      {"/usr/bin/tolvan", true, false},  // root may write there: still installed
      {"/usr/local/bin/tolvan", true, false},
      {"/opt/tolvan/bin/tolvan", true, false},
      {"/snap/tolvan/1/bin/tolvan", true, false},
      {"/usrx/bin/tolvan", true, true},  // only whole folder names are prefixes
      {"/optional/tolvan", true, true},
      {"/tmp/build/bin/tolvan", true, true},
  };
  for (const Case& c : cases) {
    path seen;
    ProgramPaths p = ProgramPaths::Decide(c.exe, Env("/home/u"), [&](const path& f) {
      seen = f;
      return c.writable;
    });
    EXPECT_EQ(p.Portable(), c.portable) << c.exe << " writable " << c.writable;
  }
}

TEST(ProgramPathsDecide, WritabilityIsAskedOfTheExecutablesFolder) {
  path seen;
  ProgramPaths::Decide("/home/u/t/tolvan", Env("/home/u"), [&](const path& f) {
    seen = f;
    return true;
  });
  EXPECT_EQ(seen, path("/home/u/t"));
}

TEST(ProgramPathsDecide, PortableKeepsEverythingBesideTheExecutable) {
  ProgramPaths p = ProgramPaths::Decide("/home/u/t/tolvan", Env("/home/u"), [](const path&) { return true; });
  EXPECT_EQ(p.SettingsFile(), path("/home/u/t/tolvan.INI"));
  EXPECT_EQ(p.ScriptsFolder(), path("/home/u/t/scripts"));
  EXPECT_EQ(p.OneLinerFile(), path("/home/u/t/scripts/One-Liner/One-Liner.txt"));
  EXPECT_EQ(p.OptionHistoryFile(), path("/home/u/t/cmdopt.dat"));
  EXPECT_EQ(p.ClipboardInputFile(), path("/home/u/t/TEMPCLIP.txt"));
  EXPECT_EQ(p.HelpFile(), path("/home/u/t/tolvan.html"));
  EXPECT_EQ(p.Folder(), "/home/u/t/");
  // The file an installed copy would read is the one this copy ignores.
  EXPECT_EQ(p.OtherSettingsFile(), path("/home/u/.config/tolvan/tolvan.INI"));
}

TEST(ProgramPathsDecide, InstalledUsesTheUsersBaseDirectories) {
  struct Case {
    PathEnvironment env;
    const char* settings;
    const char* scripts;
  } cases[] = {
      {Env("/home/u"), "/home/u/.config/tolvan/tolvan.INI", "/home/u/.local/share/tolvan/scripts"},
      {Env("/home/u", "/cfg", "/dat"), "/cfg/tolvan/tolvan.INI", "/dat/tolvan/scripts"},
      // A relative value is not a base directory.
      {Env("/home/u", "cfg", "dat"), "/home/u/.config/tolvan/tolvan.INI", "/home/u/.local/share/tolvan/scripts"},
  };
  for (const Case& c : cases) {
    ProgramPaths p = ProgramPaths::Decide("/usr/bin/tolvan", c.env, [](const path&) { return false; });
    ASSERT_FALSE(p.Portable());
    EXPECT_EQ(p.SettingsFile(), path(c.settings));
    EXPECT_EQ(p.ScriptsFolder(), path(c.scripts));
    EXPECT_EQ(p.ConfigFolder(), path(c.settings).parent_path());
    EXPECT_EQ(p.DataFolder(), path(c.scripts).parent_path());
    EXPECT_EQ(p.OneLinerFile(), path(c.scripts) / "One-Liner/One-Liner.txt");
    EXPECT_EQ(p.OptionHistoryFile(), path(c.scripts).parent_path() / "cmdopt.dat");
    EXPECT_EQ(p.ClipboardInputFile(), path(c.scripts).parent_path() / "TEMPCLIP.txt");
    EXPECT_EQ(p.OtherSettingsFile(), path("/usr/bin/tolvan.INI"));
  }
}

TEST(ProgramPathsDecide, InstalledHelpPageIsUnderTheSharedFolder) {
  test::TempDir dir;
  std::filesystem::create_directories(dir.path() / "bin");
  std::filesystem::create_directories(dir.path() / "share/tolvan");
  ProgramPaths p = ProgramPaths::Decide(dir.path() / "bin/tolvan", Env("/home/u"), [](const path&) { return false; });
  // Neither there: the installed place is the one named.
  EXPECT_EQ(p.HelpFile(), dir.path() / "share/tolvan/tolvan.html");
  // A build folder run by someone who cannot write to it has it beside.
  std::ofstream(dir.path() / "bin/tolvan.html") << "x";
  EXPECT_EQ(p.HelpFile(), dir.path() / "bin/tolvan.html");
  std::ofstream(dir.path() / "share/tolvan/tolvan.html") << "x";
  EXPECT_EQ(p.HelpFile(), dir.path() / "share/tolvan/tolvan.html");
}

TEST(ProgramPathsDecide, RealFoldersAreAskedWithAccess) {
  test::TempDir dir;
  EXPECT_TRUE(FolderIsWritable(dir.path()));
  EXPECT_FALSE(FolderIsWritable(dir.path() / "missing"));
  ProgramPaths p = ProgramPaths::Decide(dir.path() / "tolvan", Env("/home/u"));
  EXPECT_TRUE(p.Portable());
}

}  // namespace
}  // namespace tolvan
