// CP932 jobs run in a CP932 locale, so gawk reads characters, not bytes:
// made once, found through LOCPATH, and the 0x5C doubling is left out
// there. When it cannot be made, C, told once.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "job/job_locale.h"
#include "job/runners.h"
#include "job/script_prep.h"
#include "job_test_support.h"
#include "support/temp_dir.h"

namespace tolvan {
namespace {

using test::Base;
using test::ReadBytes;
using test::Sj;
using test::WriteBytes;

// One locale for the suite, made in a folder of its own: it takes half a second.
test::TempDir& Root() {
  static test::TempDir root;
  return root;
}
const std::string& Made() {
  static const std::string locale = LocaleForJob(IniFile(Root() / "none.INI"), TextEncoding::Cp932, Root().path()).Locale;
  return locale;
}

class Cp932Locale : public ::testing::Test {
 protected:
  TJobRecord Record(const std::string& program, bool file = false) {
    TJobRecord r;
    r.Base = Base(program, file);
    r.Locale = Made();
    r.InputMode = imNull;
    return r;
  }
  test::TempDir dir;
};

TEST_F(Cp932Locale, IsMadeOnceForThisGlibcAndReachesGawkWithItsMessagesInC) {
  const std::filesystem::path folder = Cp932LocaleFolder(Root().path());
  EXPECT_EQ(Made(), folder.string());
  EXPECT_EQ(folder.parent_path().filename().string().rfind("glibc-2.", 0), 0u);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.parent_path()), {}), 1);  // no scratch left
  test::Ran ran = test::RunJob(Record("BEGIN { print ENVIRON[\"LC_ALL\"], ENVIRON[\"LOCPATH\"]; x = }"));
  EXPECT_NE(ran.err.find("syntax error"), std::string::npos) << ran.err;  // English, as in C
  ran = test::RunJob(Record("BEGIN { print ENVIRON[\"LC_ALL\"], ENVIRON[\"LOCPATH\"] }"));
  EXPECT_EQ(ran.out, "ja_JP.CP932 " + folder.parent_path().string() + "\n");
}

// The rows a byte-reading gawk gets wrong, through every output form.
TEST_F(Cp932Locale, RegularExpressionsMatchWholeCharactersInEveryOutput) {
  const std::string data = (dir / "data.csv").string(), out = (dir / "out.txt").string();
  WriteBytes(data, Sj("ン見,1\r\n東京,2\r\n田中,3\r\n大阪,4\r\n"));
  const std::string want = Sj("東京,2\r\n大阪,4\r\n");
  for (int output : {omScreen, omClipboard, omFilesNew, omFileOverwrite, omFileAppend}) {
    SCOPED_TRACE(output);
    std::filesystem::remove(out);
    TJobRecord r = Record(Sj("/東/ || /^[東大]/ { print $0 }"));
    r.InputMode = imFile;
    r.InputList = {data};
    r.OutputMode = output;
    r.OutputName = output == omFilesNew ? "new_" : out;
    const test::Ran ran = test::RunJob(r);
    EXPECT_EQ(ran.err, "");
    const std::string got = output == omScreen      ? ran.out
                            : output == omClipboard ? (ran.clipboard.empty() ? "" : ran.clipboard[0])
                            : output == omFilesNew  ? ReadBytes(dir / "new_data.csv")
                                                    : ReadBytes(out);
    EXPECT_EQ(got, want);
  }
}

TEST_F(Cp932Locale, StringFunctionsCountCharacters) {
  const std::string script = (dir / "so.awk").string();
  WriteBytes(script, Sj("BEGIN {\r\n  s = \"ソ表能\"\r\n  if (s ~ /表/) print length(s), substr(s, 2)\r\n}\r\n"));
  EXPECT_EQ(test::RunJob(Record(script, true)).out, Sj("3 表能\n"));
  for (auto [program, out] : std::initializer_list<std::pair<const char*, const char*>>{
           {"BEGIN { print length(\"東京\") }", "2"},
           {"BEGIN { print substr(\"東京タワー\", 2, 2), index(\"東京タワー\", \"タ\") }", "京タ 3"},
           {"BEGIN { print tolower(\"アイウエオ名前ABC\"), toupper(\"ソ表abc\") }", "アイウエオ名前abc ソ表ABC"},
           {"BEGIN { n = split(\"東、京、都\", a, \"、\"); print n, a[2] }", "3 京"},
           {"BEGIN { s = \"ソ表\"; if (s ~ /^ソ表$/) print length(s) }", "2"}}) {
    const test::Ran ran = test::RunJob(Record(Sj(program)));
    EXPECT_EQ(ran.err, "") << program;
    EXPECT_EQ(ran.out, Sj(out) + "\n") << program;
  }
}

// Doubling is for a gawk that reads bytes; in the CP932 locale it would
// turn ソ into ソ and a backslash.
TEST_F(Cp932Locale, TrailBackslashesAreDoubledOnlyWhereGawkReadsBytes) {
  const std::string program = Sj("BEGIN { print \"ソ\" }");
  const BaseCommandLine base = Base(program);
  const auto arg = [&](const std::string& locale) {
    return TPreparedScript(base, TextEncoding::Cp932, locale).Line().Argv[static_cast<std::size_t>(base.ScriptIndex)];
  };
  EXPECT_EQ(arg(Made()), program);
  EXPECT_EQ(arg("C"), DoubleTrailBackslashes(program));
}

TEST_F(Cp932Locale, InvalidBytesInTheDataAreGawksWarningAndFailTheJob) {
  WriteBytes(dir / "bad.txt", "ab\x82\n");  // a lead byte with no trail
  TJobRecord r = Record("{ print length($0) }");
  r.InputMode = imFile;
  r.InputList = {(dir / "bad.txt").string()};
  const test::Ran ran = test::RunJob(r);
  EXPECT_NE(ran.err.find("Invalid multibyte data detected"), std::string::npos) << ran.err;
  EXPECT_FALSE(ran.out.empty());  // the run went on
}

// The setting first; a localedef that refuses (no locales package: no
// charmap) or is missing gives C, told once.
TEST(LocaleRule, SettingThenMadeElseCToldOnce) {
  test::TempDir d;
  IniFile set(d / "set.INI");
  ASSERT_TRUE(set.WriteString("AWKEXE", "Locale", "C"));
  EXPECT_EQ(LocaleForJob(set, TextEncoding::Cp932, d.path(), "none").Locale, "C");
  EXPECT_EQ(LocaleForJob(IniFile(d / "t.INI"), TextEncoding::Utf8, d.path(), "none").Locale, "C.UTF-8");
  EXPECT_FALSE(std::filesystem::exists(Cp932LocaleFolder(d.path()).parent_path()));  // nothing asked to be made
  const std::string refuses = (d / "localedef").string();
  WriteBytes(refuses, "#!/bin/sh\necho 'cannot open charmap file WINDOWS-31J' >&2\nexit 4\n");
  ::chmod(refuses.c_str(), 0755);
  EXPECT_NE(MakeCp932Locale(Cp932LocaleFolder(d.path()), refuses).find("cannot open charmap"), std::string::npos);
  EXPECT_TRUE(std::filesystem::is_empty(Cp932LocaleFolder(d.path()).parent_path()));
  IniFile ini(d / "t.INI");
  const JobLocale first = LocaleForJob(ini, TextEncoding::Cp932, d.path(), (d / "none").string());
  const JobLocale second = LocaleForJob(ini, TextEncoding::Cp932, d.path(), (d / "none").string());
  EXPECT_EQ(first.Locale + second.Locale, "CC");
  EXPECT_TRUE(first.SayProblem && !second.SayProblem);
  EXPECT_NE(first.Problem.find((d / "none").string()), std::string::npos) << first.Problem;
  EXPECT_EQ(DescribeJobLocale(ini, TextEncoding::Cp932, d.path()).rfind("C（", 0), 0u);
}

TEST(LocaleRule, WhichLocalesReadCp932Whole) {
  for (auto [locale, cp932] : std::initializer_list<std::pair<const char*, bool>>{
           {"ja_JP.CP932", true}, {"/home/u/.cache/tolvan/locale/glibc-2.36/ja_JP.CP932", true},
           {"ja_JP.SJIS", true}, {"ja_JP.Shift_JIS", true}, {"ja_JP.WINDOWS-31J", true}, {"ja_JP.cp932@x", true},
           {"C", false}, {"C.UTF-8", false}, {"ja_JP.eucJP", false}, {"ja_JP", false}, {"", false}})
    EXPECT_EQ(LocaleReadsCp932(locale), cp932) << locale;
}

}  // namespace
}  // namespace tolvan
