#include "settings/settings.h"
#include "settings/line_file.h"
#include "settings/program_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "core/files.h"
#include "support/temp_dir.h"

using namespace tolvan;
using tolvan::test::TempDir;

TEST(MainSettingsTest, DefaultsWhenTheFileIsMissing) {
  TempDir d;
  MainSettings s = LoadMainSettings(IniFile(d / "x.INI"));
  EXPECT_EQ(s.Path, "");
  EXPECT_EQ(s.Ext, ".awk");
  EXPECT_EQ(s.Pref, "new_");
  EXPECT_FALSE(s.SCmdLn);
  EXPECT_FALSE(s.SClickOpen);
  EXPECT_EQ(s.ScriptQuote, 0);
  EXPECT_EQ(s.Option, "");
  EXPECT_FALSE(s.ExEditor);
  EXPECT_EQ(s.Parallel, 1);
  EditorSettings e = LoadEditorSettings(IniFile(d / "x.INI"));
  EXPECT_EQ(e.FontName, "FixedSys");
  EXPECT_EQ(e.FontSize, 12);
  EXPECT_EQ(e.LineSpace, 2);
  EXPECT_EQ(e.TabSpace, 4);
  EXPECT_EQ(e.Width, 700);
  EXPECT_EQ(e.Height, 480);
  EXPECT_EQ(LoadAwkLocale(IniFile(d / "x.INI")), "C");
}

TEST(MainSettingsTest, SaveWritesInOrderAndKeepsPrefWhenTheBoxIsEmpty) {
  TempDir d;
  IniFile ini(d / "t.INI");
  ASSERT_TRUE(ini.WriteString("property", "GawkFountain_c", "1"));
  MainSettings s;
  s.Path = "/usr/bin/gawk";
  s.Pref = "out_";
  s.SCmdLn = true;
  s.ScriptQuote = 1;
  s.Option = "-F,";
  ASSERT_TRUE(SaveMainSettings(ini, s));
  std::string bytes;
  ReadWholeFile(d / "t.INI", bytes);
  EXPECT_EQ(bytes,
            "[property]\r\nGawkFountain_c=1\r\n[AWKEXE]\r\nPath=/usr/bin/gawk\r\nPref=out_\r\nExt=.awk\r\n"
            "SCmdLn=1\r\nSClickOpen=0\r\nScriptQuote=1\r\nOption=-F,\r\n[Editor]\r\nExEditor=0\r\n");
  s.Pref.clear();
  ASSERT_TRUE(SaveMainSettings(ini, s));
  EXPECT_EQ(LoadMainSettings(ini).Pref, "out_");
}

// Parallel is kept between 1 and the number of cores, and a file that never
// had the key does not get one for the default.
TEST(MainSettingsTest, ParallelClampedAndWrittenOnlyWhenNeeded) {
  const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  EXPECT_EQ(ClampParallel(0), 1);
  EXPECT_EQ(ClampParallel(-3), 1);
  EXPECT_EQ(ClampParallel(1), 1);
  EXPECT_EQ(ClampParallel(cores), cores);
  EXPECT_EQ(ClampParallel(cores + 1), cores);
  TempDir d;
  IniFile ini(d / "t.INI");
  for (const char* stored : {"0", "1000", "x"}) {
    ASSERT_TRUE(ini.WriteString("AWKEXE", "Parallel", stored));
    EXPECT_EQ(LoadMainSettings(ini).Parallel, std::string(stored) == "1000" ? cores : 1) << stored;
  }
  IniFile fresh(d / "fresh.INI");
  MainSettings s;
  ASSERT_TRUE(SaveMainSettings(fresh, s));
  EXPECT_FALSE(fresh.KeyExists("AWKEXE", "Parallel"));
  s.Parallel = 2;
  ASSERT_TRUE(SaveMainSettings(fresh, s));
  EXPECT_EQ(fresh.ReadInteger("AWKEXE", "Parallel", 0), 2);
  s.Parallel = 1;  // back to one: the key says so instead of vanishing
  ASSERT_TRUE(SaveMainSettings(fresh, s));
  EXPECT_EQ(fresh.ReadInteger("AWKEXE", "Parallel", 0), 1);
}

TEST(MainSettingsTest, ValuesThatAreNotIntegersReadAsDefaults) {
  TempDir d;
  IniFile ini(d / "t.INI");
  ASSERT_TRUE(WriteFileAtomically(d / "t.INI",
                                  "[AWKEXE]\r\nSCmdLn=yes\r\nScriptQuote=5\r\nLocale=inherit\r\n"
                                  "[Editor]\r\nExEditor=-1\r\nFontSize=big\r\n"));
  MainSettings s = LoadMainSettings(ini);
  EXPECT_FALSE(s.SCmdLn);
  EXPECT_EQ(s.ScriptQuote, 5);  // kept; the window shows no choice and quotes with '
  EXPECT_TRUE(s.ExEditor);
  EXPECT_EQ(LoadEditorSettings(ini).FontSize, 12);
  EXPECT_EQ(LoadAwkLocale(ini), "inherit");
}

TEST(EditorSettingsTest, FontAndSizeAreWrittenSeparately) {
  TempDir d;
  IniFile ini(d / "t.INI");
  EditorSettings e;
  e.FontName = "\x82\x6C\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4E";  // ＭＳ ゴシック
  e.TabSpace = 8;
  e.Width = 900;
  ASSERT_TRUE(SaveEditorFontSettings(ini, e));
  EXPECT_EQ(LoadEditorSettings(ini).FontName, e.FontName);
  EXPECT_EQ(LoadEditorSettings(ini).Width, 700);
  ASSERT_TRUE(SaveEditorWindowSize(ini, e));
  EXPECT_EQ(LoadEditorSettings(ini).Width, 900);
  EXPECT_EQ(LoadEditorSettings(ini).TabSpace, 8);
}

TEST(LineFileTest, WritesCrLfAndReadsEitherLineEnd) {
  TempDir d;
  std::vector<std::string> lines = {"-F,", "", "-v x=\x95\x5C"};
  ASSERT_TRUE(WriteLineFile(d / "cmdopt.dat", lines));
  std::string bytes;
  ReadWholeFile(d / "cmdopt.dat", bytes);
  EXPECT_EQ(bytes, "-F,\r\n\r\n-v x=\x95\x5C\r\n");
  std::vector<std::string> back;
  ASSERT_TRUE(ReadLineFile(d / "cmdopt.dat", back));
  EXPECT_EQ(back, lines);
  EXPECT_EQ(SplitLines("a\nb\r\nc"), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(SplitLines("a\r\n\r\n"), (std::vector<std::string>{"a", ""}));
  EXPECT_EQ(SplitLines("lone\rcr\n"), (std::vector<std::string>{"lone\rcr"}));
  EXPECT_TRUE(SplitLines("").empty());
  // A missing file is an empty list, not a failure.
  EXPECT_TRUE(ReadLineFile(d / "missing", back));
  EXPECT_TRUE(back.empty());
}

// The two encodings: names read without regard to case, anything else is
// CP932, and a file that never had the keys gets none for the defaults.
TEST(MainSettingsTest, EncodingsReadWrittenOnlyWhenNeeded) {
  TempDir d;
  IniFile ini(d / "t.INI");
  struct Case {
    const char* stored;
    TextEncoding read;
  };
  const Case cases[] = {{"UTF-8", TextEncoding::Utf8}, {"utf8", TextEncoding::Utf8}, {"CP932", TextEncoding::Cp932},
                        {"", TextEncoding::Cp932},     {"EUC-JP", TextEncoding::Cp932}};
  for (const Case& c : cases) {
    ASSERT_TRUE(ini.WriteString("AWKEXE", "Encoding", c.stored));
    ASSERT_TRUE(ini.WriteString("Editor", "NewEncoding", c.stored));
    MainSettings s = LoadMainSettings(ini);
    EXPECT_EQ(s.Encoding, c.read) << c.stored;
    EXPECT_EQ(s.NewScriptEncoding, c.read) << c.stored;
  }
  IniFile fresh(d / "fresh.INI");
  MainSettings s;
  ASSERT_TRUE(SaveMainSettings(fresh, s));
  EXPECT_FALSE(fresh.KeyExists("AWKEXE", "Encoding"));
  EXPECT_FALSE(fresh.KeyExists("Editor", "NewEncoding"));
  s.Encoding = TextEncoding::Utf8;
  ASSERT_TRUE(SaveMainSettings(fresh, s));
  EXPECT_EQ(fresh.ReadString("AWKEXE", "Encoding", ""), "UTF-8");
  EXPECT_FALSE(fresh.KeyExists("Editor", "NewEncoding"));
  s.Encoding = TextEncoding::Cp932;  // back: the key says so
  s.NewScriptEncoding = TextEncoding::Utf8;
  ASSERT_TRUE(SaveMainSettings(fresh, s));
  EXPECT_EQ(fresh.ReadString("AWKEXE", "Encoding", ""), "CP932");
  EXPECT_EQ(fresh.ReadString("Editor", "NewEncoding", ""), "UTF-8");
  MainSettings back = LoadMainSettings(fresh);
  EXPECT_EQ(back.Encoding, TextEncoding::Cp932);
  EXPECT_EQ(back.NewScriptEncoding, TextEncoding::Utf8);
}

// CrLfInput: the three names in any case, anything else auto; written only
// once it is not auto or the file already has it.
TEST(MainSettingsTest, CrLfInputReadWrittenOnlyWhenNeeded) {
  TempDir d;
  IniFile ini(d / "t.INI");
  for (auto [stored, read] : {std::pair{"NEVER", CrLfInput::Never}, {"always", CrLfInput::Always},
                              {"nevers", CrLfInput::Auto}, {"", CrLfInput::Auto}}) {
    ASSERT_TRUE(ini.WriteString("AWKEXE", "CrLfInput", stored));
    EXPECT_EQ(LoadMainSettings(ini).CrLf, read) << stored;
  }
  IniFile fresh(d / "fresh.INI");
  MainSettings s;
  ASSERT_TRUE(SaveMainSettings(fresh, s));
  EXPECT_FALSE(fresh.KeyExists("AWKEXE", "CrLfInput"));
  s.CrLf = CrLfInput::Never;
  ASSERT_TRUE(SaveMainSettings(fresh, s));
  EXPECT_EQ(fresh.ReadString("AWKEXE", "CrLfInput", ""), "never");
}

TEST(MainSettingsTest, LocaleFollowsTheJobEncodingUnlessNamed) {
  TempDir d;
  IniFile ini(d / "t.INI");
  EXPECT_EQ(LoadAwkLocale(ini, TextEncoding::Cp932), "C");
  EXPECT_EQ(LoadAwkLocale(ini, TextEncoding::Utf8), "C.UTF-8");
  ASSERT_TRUE(ini.WriteString("AWKEXE", "Locale", ""));
  EXPECT_EQ(LoadAwkLocale(ini, TextEncoding::Utf8), "C.UTF-8");
  ASSERT_TRUE(ini.WriteString("AWKEXE", "Locale", "ja_JP.UTF-8"));
  EXPECT_EQ(LoadAwkLocale(ini, TextEncoding::Utf8), "ja_JP.UTF-8");
  EXPECT_EQ(LoadAwkLocale(ini, TextEncoding::Cp932), "ja_JP.UTF-8");
}

// A stored gawk path that cannot run gives way to the gawk on PATH for the
// session; saving writes back what was stored until a path is set.
TEST(MainSettingsTest, UnusableStoredAwkPathStandsAsideUntilAPathIsSet) {
  TempDir d;
  const std::string nonExecutable = (d / "gawk").string();
  ASSERT_TRUE(WriteFileAtomically(nonExecutable, "#!/bin/sh\n"));
  for (auto [stored, standsAside] : std::initializer_list<std::pair<std::string, bool>>{
           {"C:\\gawk\\bin\\gawk.exe", true}, {nonExecutable, true}, {d.path().string(), true},
           {"/usr/bin/gawk", false}, {"gawk", false}, {"", false}}) {
    IniFile ini(d / "t.INI");
    ASSERT_TRUE(WriteFileAtomically(d / "t.INI", "[AWKEXE]\r\nPath=" + stored + "\r\n"));
    MainSettings s = LoadMainSettings(ini);
    const std::string told = StandInForUnusableAwk(s);
    EXPECT_EQ(s.Path, standsAside ? FindOnPath("gawk").string() : stored);
    if (!standsAside) continue;
    EXPECT_NE(told.find(stored + "」"), std::string::npos) << told;
    EXPECT_EQ(StandInForUnusableAwk(s), "");  // said once
    ASSERT_TRUE(SaveMainSettings(ini, s));    // closing: the file keeps it
    EXPECT_EQ(ini.ReadString("AWKEXE", "Path", ""), stored);
    s.PathInFile.reset();  // the user set a path
    ASSERT_TRUE(SaveMainSettings(ini, s));
    EXPECT_EQ(ini.ReadString("AWKEXE", "Path", ""), FindOnPath("gawk").string());
  }
}
