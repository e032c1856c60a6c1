#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/codepage.h"
#include "core/files.h"
#include "settings/ini_file.h"
#include "settings/program_files.h"
#include "settings/settings.h"
#include "support/temp_dir.h"

namespace tolvan {
namespace {

using std::filesystem::path;
using test::TempDir;

std::string Read(const path& p) {
  std::string s;
  ReadWholeFile(p, s);
  return s;
}

std::string Sjis(const std::string& utf8) { return cp932::FromUtf8(utf8).bytes; }

ProgramPaths Installed(const TempDir& dir) {
  return ProgramPaths(dir.path() / "usr/bin/tolvan", dir.path() / "home/.config/tolvan",
                      dir.path() / "home/.local/share/tolvan");
}

unsigned Mode(const path& p) {
  struct stat st{};
  ::stat(p.c_str(), &st);
  return st.st_mode & 07777;
}

TEST(ProgramFiles, PortableFirstStartMakesTheScriptsTreeAndTheSamples) {
  TempDir dir;
  ProgramPaths paths(dir.path() / "tolvan");
  ProgramFilesReport r = MakeProgramFiles(paths);
  EXPECT_TRUE(r.problems.empty());
  EXPECT_TRUE(r.scriptsFolderMade);
  EXPECT_TRUE(r.oneLinerFileOk);
  EXPECT_EQ(Read(paths.OneLinerFile()), "");
  const auto samples = SampleScripts();
  EXPECT_EQ(r.samplesWritten, static_cast<int>(samples.size()));
  for (const SampleScript& s : samples) EXPECT_EQ(Read(paths.ScriptsFolder() / s.name), s.bytes) << s.name;
  // Nothing but the scripts tree beside the executable.
  int entries = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir.path())) {
    ++entries;
    EXPECT_EQ(e.path().filename(), "scripts");
  }
  EXPECT_EQ(entries, 1);
}

TEST(ProgramFiles, AnExistingScriptsFolderGetsNoSamples) {
  TempDir dir;
  ProgramPaths paths(dir.path() / "tolvan");
  std::filesystem::create_directories(paths.ScriptsFolder());
  const std::string name = SampleScripts().front().name;
  WriteFileAtomically(paths.ScriptsFolder() / name, "mine");
  ProgramFilesReport r = MakeProgramFiles(paths);
  EXPECT_FALSE(r.scriptsFolderMade);
  EXPECT_EQ(r.samplesWritten, 0);
  EXPECT_EQ(Read(paths.ScriptsFolder() / name), "mine");
  EXPECT_FALSE(std::filesystem::exists(paths.ScriptsFolder() / SampleScripts().back().name));
  EXPECT_TRUE(std::filesystem::exists(paths.OneLinerFile()));
  // A second start changes nothing either.
  std::filesystem::remove(paths.ScriptsFolder() / name);
  EXPECT_EQ(MakeProgramFiles(paths).samplesWritten, 0);
  EXPECT_FALSE(std::filesystem::exists(paths.ScriptsFolder() / name));
}

TEST(ProgramFiles, AOneLinerFileIsNeverEmptiedAgain) {
  TempDir dir;
  ProgramPaths paths(dir.path() / "tolvan");
  MakeProgramFiles(paths);
  WriteFileAtomically(paths.OneLinerFile(), "{print}\r\n");
  EXPECT_TRUE(MakeProgramFiles(paths).oneLinerFileOk);
  EXPECT_EQ(Read(paths.OneLinerFile()), "{print}\r\n");
}

TEST(ProgramFiles, InstalledFirstStartMakesPrivateUserFolders) {
  TempDir dir;
  ProgramPaths paths = Installed(dir);
  ProgramFilesReport r = MakeProgramFiles(paths);
  EXPECT_TRUE(r.problems.empty());
  EXPECT_TRUE(std::filesystem::is_directory(paths.ConfigFolder()));
  EXPECT_TRUE(std::filesystem::is_directory(paths.ScriptsFolder()));
  EXPECT_TRUE(std::filesystem::exists(paths.OneLinerFile()));
  EXPECT_GT(r.samplesWritten, 0);
  EXPECT_EQ(Mode(paths.ConfigFolder()), 0700u);
  EXPECT_EQ(Mode(paths.DataFolder()), 0700u);
  EXPECT_EQ(Mode(dir.path() / "home/.local"), 0700u);  // missing parents too
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "usr"));
}

TEST(ProgramFiles, AFolderThatCannotBeMadeIsNamedWithItsReason) {
  struct Case {
    const char* blocked;  // a plain file where a folder must go
    bool configFails, dataFails;
  } cases[] = {
      {"home/.config", true, false},
      {"home/.local/share", false, true},
      {"home", true, true},
  };
  for (const Case& c : cases) {
    TempDir dir;
    ProgramPaths paths = Installed(dir);
    std::filesystem::create_directories((dir.path() / c.blocked).parent_path());
    WriteFileAtomically(dir.path() / c.blocked, "file");
    ProgramFilesReport r = MakeProgramFiles(paths);
    ASSERT_EQ(r.problems.size(), static_cast<std::size_t>(c.configFails + c.dataFails)) << c.blocked;
    if (c.configFails) EXPECT_EQ(r.problems.front().folder, paths.ConfigFolder());
    if (c.dataFails) EXPECT_EQ(r.problems.back().folder, paths.DataFolder());
    EXPECT_EQ(r.problems.front().error, ENOTDIR);
    EXPECT_EQ(r.oneLinerFileOk, !c.dataFails);
    EXPECT_EQ(r.samplesWritten > 0, !c.dataFails);
    EXPECT_EQ(std::filesystem::is_directory(paths.ConfigFolder()), !c.configFails);
    const std::string text = FolderProblemText(r.problems.front());
    EXPECT_NE(text.find(r.problems.front().folder.string()), std::string::npos);
    EXPECT_NE(text.find("同じ名前のファイルがあります"), std::string::npos) << text;
  }
}

TEST(ProgramFiles, ReasonsAreJapanese) {
  EXPECT_EQ(ErrorReasonText(EACCES), "書き込みの権限がありません");
  EXPECT_EQ(ErrorReasonText(EROFS), "読み取り専用の場所です");
  EXPECT_EQ(ErrorReasonText(ENOSPC), "ディスクに空きがありません");
  EXPECT_EQ(ErrorReasonText(EIO), "エラー番号 " + std::to_string(EIO));
}

TEST(ProgramFiles, SummaryNamesTheFoldersAndAnUnreadSettingsFile) {
  TempDir dir;
  ProgramPaths installed = Installed(dir);
  installed.SetOtherSettingsFile(dir.path() / "usr/bin/tolvan.INI");
  std::string s = FolderSummary(installed);
  EXPECT_NE(s.find("インストールされたコピー"), std::string::npos);
  EXPECT_NE(s.find(installed.SettingsFile().string()), std::string::npos);
  EXPECT_NE(s.find(installed.ScriptsFolder().string()), std::string::npos);
  EXPECT_EQ(s.find("読んでいません"), std::string::npos);  // not there: not named
  std::filesystem::create_directories(dir.path() / "usr/bin");
  WriteFileAtomically(dir.path() / "usr/bin/tolvan.INI", "[AWKEXE]\r\n");
  s = FolderSummary(installed);
  EXPECT_NE(s.find((dir.path() / "usr/bin/tolvan.INI").string() + " もありますが、読んでいません"), std::string::npos) << s;

  ProgramPaths portable(dir.path() / "usr/bin/tolvan");
  portable.SetOtherSettingsFile(installed.SettingsFile());
  s = FolderSummary(portable);
  EXPECT_NE(s.find("持ち運び用のコピー"), std::string::npos);
  EXPECT_EQ(s.find("読んでいません"), std::string::npos);
  MakeProgramFiles(installed);
  WriteFileAtomically(installed.SettingsFile(), "[AWKEXE]\r\n");
  EXPECT_NE(FolderSummary(portable).find(installed.SettingsFile().string() + " もありますが"), std::string::npos);
}

class ScopedPath {
 public:
  explicit ScopedPath(const char* value) : old_(std::getenv("PATH") ? std::getenv("PATH") : "") {
    ::setenv("PATH", value, 1);
  }
  ~ScopedPath() { ::setenv("PATH", old_.c_str(), 1); }

 private:
  std::string old_;
};

TEST(FindAwkUntilStored, OnlyWhileNoPathIsStored) {
  TempDir dir;
  ScopedPath p(("relative:" + dir.path().string() + ":/usr/bin:/bin").c_str());
  // A folder named gawk and a file that cannot run are passed over.
  std::filesystem::create_directories(dir.path() / "gawk");
  const path expected = FindOnPath("gawk");
  EXPECT_EQ(expected, path("/usr/bin/gawk"));

  IniFile ini(dir.path() / "t.INI");
  MainSettings s = LoadMainSettings(ini);
  FindAwkUntilStored(ini, s);
  EXPECT_EQ(s.Path, "/usr/bin/gawk");

  ini.WriteString(kSectionAwkExe, "Path", "");  // stored empty: left empty
  s = LoadMainSettings(ini);
  FindAwkUntilStored(ini, s);
  EXPECT_EQ(s.Path, "");

  ini.WriteString(kSectionAwkExe, "Path", "/opt/awk");
  s = LoadMainSettings(ini);
  FindAwkUntilStored(ini, s);
  EXPECT_EQ(s.Path, "/opt/awk");
}

TEST(FindAwkUntilStored, NothingOnThePathLeavesItUnset) {
  TempDir dir;
  ScopedPath p(dir.path().c_str());
  std::ofstream(dir.path() / "gawk") << "#!/bin/sh\n";  // not executable
  EXPECT_TRUE(FindOnPath("gawk").empty());
  IniFile ini(dir.path() / "t.INI");
  MainSettings s = LoadMainSettings(ini);
  FindAwkUntilStored(ini, s);
  EXPECT_EQ(s.Path, "");
}

// The samples as the program stores them, then run by gawk as a job would.
struct Ran {
  std::string out, err;
  int status = -1;
};

Ran RunSample(const std::string& name, const std::string& options, const std::string& input) {
  static TempDir dir;
  static int n = 0;
  const path script = dir.path() / name;
  const path in = dir.path() / ("in" + std::to_string(n++));
  for (const SampleScript& s : SampleScripts())
    if (s.name == name) WriteFileAtomically(script, s.bytes);
  WriteFileAtomically(in, input);
  const path out = dir.path() / "out", err = dir.path() / "err";
  const std::string cmd = "LC_ALL=C gawk " + options + " -f '" + script.string() + "' '" + in.string() + "' >'" +
                          out.string() + "' 2>'" + err.string() + "'";
  Ran r;
  r.status = std::system(cmd.c_str());
  r.out = Read(out);
  r.err = Read(err);
  return r;
}

TEST(SampleScripts, StoredAsCp932WithCrLfAndJapaneseComments) {
  const auto samples = SampleScripts(".awk");
  ASSERT_GE(samples.size(), 5u);
  for (const SampleScript& s : samples) {
    EXPECT_EQ(s.name.substr(s.name.size() - 4), ".awk");
    ASSERT_FALSE(s.bytes.empty());
    EXPECT_EQ(s.bytes.substr(s.bytes.size() - 2), "\r\n") << s.name;
    for (std::size_t i = 0; i < s.bytes.size(); ++i) {
      if (s.bytes[i] == '\n') EXPECT_TRUE(i > 0 && s.bytes[i - 1] == '\r') << s.name << " at " << i;
      // A 0x5C second byte would end a gawk string or regular expression early.
      if (s.bytes[i] == '\\') EXPECT_FALSE(cp932::IsTrailByteAt(s.bytes, i)) << s.name << " at " << i;
    }
    // Starts with a comment in Japanese: a lead byte in the first line.
    const std::string first = s.bytes.substr(0, s.bytes.find('\r'));
    EXPECT_EQ(first[0], '#');
    EXPECT_TRUE(std::any_of(first.begin(), first.end(), [](char c) { return cp932::IsLeadByte(c); })) << s.name;
  }
  EXPECT_EQ(SampleScripts(".gawk").front().name.substr(SampleScripts(".gawk").front().name.size() - 5), ".gawk");
}

TEST(SampleScripts, EachDoesWhatItsCommentSays) {
  struct Case {
    const char* script;
    const char* options;
    std::string input;
    std::string expected;  // UTF-8, compared in CP932
  } cases[] = {
      {"csv_column_sum.awk", "", "名前,数\r\na,1\r\nb,2.5\r\nc,x\r\nd, \"4\"\r\n",
       "合計 7.5（3 行、数値でない行 2）\n"},
      {"csv_column_sum.awk", "-v col=1", "1e2,a\n-3,b\n", "合計 97（2 行、数値でない行 0）\n"},
      {"csv_group_sum.awk", "", "b,2\r\na,1\r\nname,count\r\na,3\r\n", "a,4,2\nb,2,1\n"},
      {"csv_group_sum.awk", "-v key=2 -v col=1", "5,x\n7,y\n1,x\n", "x,6,2\ny,7,1\n"},
      {"word_count.awk", "", "The cat. the dog!\r\n猫 猫\r\n",
       "      2  the\n      2  猫\n      1  cat\n      1  dog\n      6  （単語の数の合計、異なる単語 4）\n"},
      {"unique_lines.awk", "", "b\r\na\r\nb\na\r\n\r\n\n", "b\r\na\r\n\r\n"},
      {"pick_fields.awk", "", "1 2 3\n", "2 1\n"},
      {"pick_fields.awk", "-F, -v cols=3,1,NF", "a,b,c,d\r\n", "c,a,d\n"},
      {"lines_between.awk", "-v from=^S -v to=^E", "x\nS1\ny\nE1\nz\nS2\r\nw\n", "S1\ny\nE1\nS2\r\nw\n"},
      {"lines_between.awk", "-v from=^S -v to=S", "S\nx\n", "S\n"},
  };
  for (const Case& c : cases) {
    Ran r = RunSample(c.script, c.options, Sjis(c.input));
    EXPECT_EQ(r.err, "") << c.script << " " << c.options;
    EXPECT_EQ(r.out, Sjis(c.expected)) << c.script << " " << c.options << "\n" << cp932::ToUtf8(r.out);
  }
}

TEST(SampleScripts, LinesBetweenAsksForItsPatterns) {
  Ran r = RunSample("lines_between.awk", "", "a\n");
  EXPECT_NE(r.status, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find(Sjis("始まりのパターン")), std::string::npos);
}

}  // namespace
}  // namespace tolvan
