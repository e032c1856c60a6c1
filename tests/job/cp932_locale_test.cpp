// CP932 jobs run in a CP932 locale, so gawk reads characters, not bytes.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "job/job_locale.h"
#include "job/script_prep.h"
#include "job_test_support.h"
#include "support/temp_dir.h"

namespace tolvan {
namespace {

using test::ReadBytes;
using test::Sj;

// Made once for the suite, in a folder of its own.
test::TempDir root;
const std::string& Made() {
  static const std::string l = LocaleForJob(IniFile(root / "none.INI"), TextEncoding::Cp932, root.path()).Locale;
  return l;
}

test::Ran Job(const std::string& program, const std::string& input = "", int output = omScreen,
              const std::string& outName = "") {
  TJobRecord r;
  r.Base = test::Base(Sj(program.c_str()));
  r.Locale = Made();
  r.InputMode = input.empty() ? imNull : imFile;
  if (!input.empty()) r.InputList = {input};
  r.OutputMode = output;
  r.OutputName = outName;
  return test::RunJob(r);
}

TEST(Cp932Locale, IsMadeForThisGlibcAndReachesGawkWithItsMessagesInC) {
  const std::filesystem::path folder = Cp932LocaleFolder(root.path());
  EXPECT_EQ(Made(), folder.string());
  EXPECT_EQ(folder.parent_path().filename().string().rfind("glibc-2.", 0), 0u);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.parent_path()), {}), 1);  // no scratch left
  EXPECT_EQ(Job("BEGIN { print ENVIRON[\"LC_ALL\"], ENVIRON[\"LOCPATH\"] }").out,
            "ja_JP.CP932 " + folder.parent_path().string() + "\n");
  EXPECT_NE(Job("BEGIN { x = }").err.find("syntax error"), std::string::npos);  // English, as in C
}

// The rows a byte-reading gawk gets wrong, in every output form; the string
// functions; ソ and 表 (trail byte 0x5C) whole; bytes that are not CP932.
TEST(Cp932Locale, GawkReadsCharacters) {
  test::TempDir dir;
  const std::string data = (dir / "data.csv").string(), out = (dir / "out.txt").string();
  test::WriteBytes(data, Sj("ン見,1\r\n東京,2\r\n田中,3\r\n大阪,4\r\n"));
  for (int output : {omScreen, omClipboard, omFilesNew, omFileOverwrite, omFileAppend}) {
    std::filesystem::remove(out);
    const test::Ran ran = Job("/東/ || /^[東大]/ { print $0 }", data, output, output == omFilesNew ? "new_" : out);
    EXPECT_EQ(output == omScreen ? ran.out
              : output == omClipboard ? (ran.clipboard.empty() ? "" : ran.clipboard[0])
                                      : ReadBytes(output == omFilesNew ? (dir / "new_data.csv").string() : out),
              Sj("東京,2\r\n大阪,4\r\n"))
        << output;
  }
  for (auto [program, want] : std::initializer_list<std::pair<const char*, const char*>>{
           {"BEGIN { print length(\"東京\"), substr(\"東京タワー\", 2, 2), index(\"東京タワー\", \"タ\") }", "2 京タ 3"},
           {"BEGIN { print tolower(\"アイウエオ名前ABC\"), toupper(\"ソ表abc\") }", "アイウエオ名前abc ソ表ABC"},
           {"BEGIN { n = split(\"東、京、都\", a, \"、\"); print n, a[2] }", "3 京"},
           {"BEGIN { s = \"ソ表\"; if (s ~ /^ソ表$/) print length(s) }", "2"}})
    EXPECT_EQ(Job(program).out, Sj(want) + "\n") << program;
  test::WriteBytes(dir / "bad.txt", "ab\x82\n");  // a lead byte with no trail
  EXPECT_NE(Job("{ print length() }", (dir / "bad.txt").string()).err.find("Invalid multibyte data detected"), std::string::npos);
}

// Doubling is for a gawk that reads bytes; in the CP932 locale it would
// turn ソ into ソ and a backslash.
TEST(Cp932Locale, TrailBackslashesAreDoubledOnlyWhereGawkReadsBytes) {
  const BaseCommandLine base = test::Base(Sj("BEGIN { print \"ソ\" }"));
  const auto arg = [&](const std::string& locale) {
    return TPreparedScript(base, TextEncoding::Cp932, locale).Line().Argv[static_cast<std::size_t>(base.ScriptIndex)];
  };
  EXPECT_EQ(arg(Made()), Sj("BEGIN { print \"ソ\" }"));
  EXPECT_EQ(arg("C"), DoubleTrailBackslashes(Sj("BEGIN { print \"ソ\" }")));
  for (auto [locale, cp932] : std::initializer_list<std::pair<const char*, bool>>{
           {"ja_JP.CP932", true}, {"/x/glibc-2.36/ja_JP.CP932", true}, {"ja_JP.SJIS", true}, {"ja_JP.Shift_JIS", true},
           {"ja_JP.WINDOWS-31J", true}, {"ja_JP.cp932@x", true}, {"C", false}, {"C.UTF-8", false},
           {"ja_JP.eucJP", false}, {"ja_JP", false}, {"", false}})
    EXPECT_EQ(LocaleReadsCp932(locale), cp932) << locale;
}

// The setting first; a localedef that refuses (no locales package, so no
// charmap) or is missing gives C, told once.
TEST(LocaleRule, SettingThenMadeElseCToldOnce) {
  test::TempDir d;
  IniFile set(d / "set.INI");
  ASSERT_TRUE(set.WriteString("AWKEXE", "Locale", "C"));
  EXPECT_EQ(LocaleForJob(set, TextEncoding::Cp932, d.path(), "none").Locale, "C");
  EXPECT_EQ(LocaleForJob(IniFile(d / "t.INI"), TextEncoding::Utf8, d.path(), "none").Locale, "C.UTF-8");
  const std::string refuses = (d / "localedef").string();
  test::WriteBytes(refuses, "#!/bin/sh\necho 'cannot open charmap file WINDOWS-31J' >&2\nexit 4\n");
  ::chmod(refuses.c_str(), 0755);
  EXPECT_NE(MakeCp932Locale(Cp932LocaleFolder(d.path()), refuses).find("cannot open charmap"), std::string::npos);
  EXPECT_TRUE(std::filesystem::is_empty(Cp932LocaleFolder(d.path()).parent_path()));
  const JobLocale first = LocaleForJob(IniFile(d / "t.INI"), TextEncoding::Cp932, d.path(), (d / "none").string());
  const JobLocale second = LocaleForJob(IniFile(d / "t.INI"), TextEncoding::Cp932, d.path(), (d / "none").string());
  EXPECT_EQ(first.Locale + second.Locale, "CC");
  EXPECT_TRUE(first.SayProblem && !second.SayProblem);
  EXPECT_NE(first.Problem.find((d / "none").string()), std::string::npos) << first.Problem;
}

}  // namespace
}  // namespace tolvan
