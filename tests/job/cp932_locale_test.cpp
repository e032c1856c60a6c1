// CP932 jobs run in a CP932 locale, so gawk reads characters, not bytes:
// the locale is made once under the data folder, found through LOCPATH, and
// the 0x5C doubling is left out there. When it cannot be made, C, told once.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "core/program_paths.h"
#include "job/job_locale.h"
#include "job/runners.h"
#include "job/script_prep.h"
#include "job/thread_do_job.h"
#include "job_test_support.h"
#include "support/temp_dir.h"

namespace tolvan {
namespace {

using namespace std::chrono_literals;
using test::kGawk;
using test::ReadBytes;
using test::Sj;
using test::WriteBytes;

BaseCommandLine Base(const std::string& program, bool file = false) {
  CommandLineInputs in;
  in.AwkPath = kGawk;
  in.OneLiner = !file;
  (file ? in.ScriptPath : in.OneLinerText) = program;
  auto r = ComposeBaseCommandLine(in);
  EXPECT_TRUE(r.Ok);
  return r.Line;
}

struct Ran {
  std::string out, err;
  std::vector<std::string> clipboard;
};

Ran RunJob(TJobRecord record) {
  test::RecordingHost host;
  Ran r;
  {
    TThreadDoJob job(std::move(record), host, r.out, r.err);
    job.Start();
    EXPECT_TRUE(host.WaitEnded(60s));
    job.WaitFor();
  }
  EXPECT_TRUE(host.exceptions.empty());
  r.clipboard = host.clipboard;
  return r;
}

// One locale for the whole suite: making it takes half a second.
class Cp932Locale : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    data_ = new test::TempDir;
    locale_ = new std::string(LocaleForJob(IniFile(*data_ / "none.INI"), TextEncoding::Cp932, data_->path()).Locale);
  }
  static void TearDownTestSuite() {
    delete locale_;
    delete data_;
  }
  TJobRecord Record(const std::string& program, bool file = false) {
    TJobRecord r;
    r.Base = Base(program, file);
    r.Encoding = TextEncoding::Cp932;
    r.Locale = *locale_;
    r.OutputMode = omScreen;
    r.InputMode = imNull;
    return r;
  }
  static test::TempDir* data_;
  static std::string* locale_;
  test::TempDir dir;
};
test::TempDir* Cp932Locale::data_ = nullptr;
std::string* Cp932Locale::locale_ = nullptr;

TEST_F(Cp932Locale, IsMadeUnderTheDataFolderForThisGlibc) {
  const std::filesystem::path folder = Cp932LocaleFolder(data_->path());
  EXPECT_EQ(*locale_, folder.string());
  EXPECT_TRUE(std::filesystem::is_regular_file(folder / "LC_CTYPE"));
  EXPECT_EQ(folder.filename(), "ja_JP.CP932");
  EXPECT_EQ(folder.parent_path().filename().string().rfind("glibc-2.", 0), 0u);
  // Nothing half-made is left beside it.
  int entries = 0;
  for (const auto& e : std::filesystem::directory_iterator(folder.parent_path())) entries += e.exists();
  EXPECT_EQ(entries, 1);
  // A second ask finds it and makes nothing.
  const auto before = std::filesystem::last_write_time(folder / "LC_CTYPE");
  EXPECT_EQ(LocaleForJob(IniFile(*data_ / "none.INI"), TextEncoding::Cp932, data_->path()).Locale, *locale_);
  EXPECT_EQ(std::filesystem::last_write_time(folder / "LC_CTYPE"), before);
}

TEST_F(Cp932Locale, GawkSeesLocpathAndKeepsItsMessagesAsInC) {
  std::string out, err;
  RunnerContext ctx;
  ctx.Locale = *locale_;
  ctx.Out = &out;
  ctx.Err = &err;
  CommandLine line;
  line.Argv = {kGawk, "BEGIN { print ENVIRON[\"LC_ALL\"]; print ENVIRON[\"LOCPATH\"]; x = }"};
  RunPipeRunner(line, ctx);
  EXPECT_EQ(out, "");  // a syntax error: nothing runs
  EXPECT_NE(err.find("syntax error"), std::string::npos) << err;
  line.Argv = {kGawk, "BEGIN { print ENVIRON[\"LC_ALL\"]; print ENVIRON[\"LOCPATH\"] }"};
  err.clear();
  RunPipeRunner(line, ctx);
  EXPECT_EQ(out, "ja_JP.CP932\n" + Cp932LocaleFolder(data_->path()).parent_path().string() + "\n");
}

// The rows a byte-reading gawk gets wrong, through every output form.
TEST_F(Cp932Locale, RegularExpressionsMatchWholeCharactersInEveryOutput) {
  const std::string data = (dir / "data.csv").string();
  WriteBytes(data, Sj("ン見,1\r\n東京,2\r\n田中,3\r\n大阪,4\r\n"));
  const std::string program = Sj("/東/ || /^[東大]/ { print $0 }");
  const std::string want = Sj("東京,2\r\n大阪,4\r\n");
  struct Case {
    int output;
    const char* what;
  };
  for (const Case& c : {Case{omScreen, "screen"}, Case{omClipboard, "clipboard"}, Case{omFilesNew, "new files"},
                        Case{omFileOverwrite, "overwrite"}, Case{omFileAppend, "append"}}) {
    SCOPED_TRACE(c.what);
    TJobRecord r = Record(program);
    r.InputMode = imFile;
    r.InputList = {data};
    r.OutputMode = c.output;
    const std::string out = (dir / "out.txt").string();
    std::filesystem::remove(out);
    r.OutputName = c.output == omFilesNew ? "new_" : out;
    Ran ran = RunJob(r);
    EXPECT_EQ(ran.err, "");
    std::string got;
    if (c.output == omScreen) got = ran.out;
    if (c.output == omClipboard) got = ran.clipboard.empty() ? "<none>" : ran.clipboard[0];
    if (c.output == omFilesNew) got = ReadBytes(dir / "new_data.csv");
    if (c.output == omFileOverwrite || c.output == omFileAppend) got = ReadBytes(out);
    EXPECT_EQ(got, want);
  }
}

TEST_F(Cp932Locale, StringFunctionsCountCharacters) {
  struct Case {
    const char* program;
    const char* out;
  };
  for (const Case& c : {
           Case{"BEGIN { print length(\"東京\") }", "2"},
           Case{"BEGIN { print substr(\"東京タワー\", 2, 2) }", "京タ"},
           Case{"BEGIN { print index(\"東京タワー\", \"タ\") }", "3"},
           Case{"BEGIN { print tolower(\"アイウエオ名前ABC\") }", "アイウエオ名前abc"},
           Case{"BEGIN { print toupper(\"ソ表abc\") }", "ソ表ABC"},
           Case{"BEGIN { n = split(\"東、京、都\", a, \"、\"); print n, a[2] }", "3 京"},
           Case{"BEGIN { s = \"ソ表\"; print length(s); if (s ~ /^ソ表$/) print \"whole\" }", "2\nwhole"},
       }) {
    SCOPED_TRACE(c.program);
    Ran ran = RunJob(Record(Sj(c.program)));
    EXPECT_EQ(ran.err, "");
    EXPECT_EQ(ran.out, Sj(c.out) + "\n");
  }
}

TEST_F(Cp932Locale, ScriptFileWithTrailBackslashesRunsAsWritten) {
  const std::string script = (dir / "so.awk").string();
  WriteBytes(script, Sj("BEGIN {\r\n  s = \"ソ表能\"\r\n  if (s ~ /表/) print length(s), substr(s, 2)\r\n}\r\n"));
  Ran ran = RunJob(Record(script, true));
  EXPECT_EQ(ran.err, "");
  EXPECT_EQ(ran.out, Sj("3 表能\n"));
}

// The doubling is for gawk reading bytes only; in the CP932 locale it
// would turn ソ into ソ and a backslash.
TEST_F(Cp932Locale, TrailBackslashesAreDoubledOnlyWhereGawkReadsBytes) {
  const std::string program = Sj("BEGIN { print \"ソ\" }");
  const BaseCommandLine base = Base(program);
  const auto arg = [&](const std::string& locale) {
    return TPreparedScript(base, TextEncoding::Cp932, locale).Line().Argv[static_cast<std::size_t>(base.ScriptIndex)];
  };
  EXPECT_EQ(arg(*locale_), program);
  EXPECT_EQ(arg("ja_JP.SJIS"), program);
  EXPECT_EQ(arg("C"), DoubleTrailBackslashes(program));
  EXPECT_EQ(arg("C.UTF-8"), DoubleTrailBackslashes(program));
  // The same rule for an editor's text.
  const std::string script = (dir / "s.awk").string();
  const BaseCommandLine fileBase = Base(script, true);
  TPreparedScript fromText(fileBase, program, script, TextEncoding::Cp932, *locale_);
  EXPECT_EQ(ReadBytes(fromText.Line().Argv[static_cast<std::size_t>(fileBase.ScriptIndex)]), program);
}

TEST_F(Cp932Locale, InvalidBytesInTheDataAreGawksWarningAndFailTheJob) {
  const std::string data = (dir / "bad.txt").string();
  WriteBytes(data, "ab\x82\n");  // a lead byte with no trail
  TJobRecord r = Record("{ print length($0) }");
  r.InputMode = imFile;
  r.InputList = {data};
  Ran ran = RunJob(r);
  EXPECT_NE(ran.err.find("Invalid multibyte data detected"), std::string::npos) << ran.err;
  EXPECT_FALSE(ran.out.empty());  // the run still went on
}

TEST(LocaleRule, SettingThenEncoding) {
  test::TempDir d;
  IniFile ini(d / "t.INI");
  EXPECT_EQ(LocaleForJob(ini, TextEncoding::Utf8, d.path()).Locale, "C.UTF-8");
  ASSERT_TRUE(ini.WriteString("AWKEXE", "Locale", "C"));
  for (TextEncoding e : {TextEncoding::Cp932, TextEncoding::Utf8}) {
    const JobLocale l = LocaleForJob(ini, e, d.path());
    EXPECT_EQ(l.Locale, "C");
    EXPECT_EQ(l.Problem, "");
  }
  // The setting asks for nothing to be made.
  EXPECT_FALSE(std::filesystem::exists(Cp932LocaleFolder(d.path()).parent_path()));
  EXPECT_NE(DescribeJobLocale(ini, TextEncoding::Cp932, d.path()).find("C（設定"), std::string::npos);
}

TEST(LocaleRule, CannotBeMadeRunsInCAndIsToldOnce) {
  test::TempDir d;
  IniFile ini(d / "t.INI");
  const std::string missing = (d / "no-localedef").string();
  const JobLocale first = LocaleForJob(ini, TextEncoding::Cp932, d.path(), missing);
  EXPECT_EQ(first.Locale, "C");
  EXPECT_TRUE(first.SayProblem);
  EXPECT_NE(first.Problem.find("no-localedef"), std::string::npos) << first.Problem;
  const JobLocale second = LocaleForJob(ini, TextEncoding::Cp932, d.path(), missing);
  EXPECT_EQ(second.Locale, "C");
  EXPECT_FALSE(second.SayProblem);
  EXPECT_EQ(second.Problem, first.Problem);
  EXPECT_EQ(DescribeJobLocale(ini, TextEncoding::Cp932, d.path()).rfind("C（", 0), 0u);
}

TEST(LocaleRule, LocaledefsOwnWordsWhenItRefuses) {
  test::TempDir d;
  // A charmap localedef does not know stands for a system without the
  // locales package: it says so and makes nothing.
  const std::string fake = (d / "fake-localedef").string();
  WriteBytes(fake, "#!/bin/sh\necho 'localedef: cannot open charmap file WINDOWS-31J' >&2\nexit 4\n");
  ::chmod(fake.c_str(), 0755);
  const std::filesystem::path folder = Cp932LocaleFolder(d.path());
  const std::string problem = MakeCp932Locale(folder, fake);
  EXPECT_NE(problem.find("cannot open charmap file"), std::string::npos) << problem;
  EXPECT_FALSE(std::filesystem::exists(folder));
  EXPECT_TRUE(std::filesystem::is_empty(folder.parent_path()));
  // A folder that cannot be made.
  WriteBytes(d / "file", "");
  EXPECT_NE(MakeCp932Locale(d / "file" / "x" / "ja_JP.CP932", fake), "");
}

TEST(LocaleRule, MadeInTheUsersCacheFolder) {
  const char* was = std::getenv("XDG_CACHE_HOME");
  const std::string saved = was ? was : "";
  ::setenv("XDG_CACHE_HOME", "/tmp/cache-x", 1);
  EXPECT_EQ(LocaleCacheFolder(), "/tmp/cache-x/tolvan/locale");
  ::setenv("XDG_CACHE_HOME", "relative", 1);  // counts as unset
  EXPECT_EQ(LocaleCacheFolder(), std::filesystem::path(PathEnvironment::FromProcess().home) / ".cache/tolvan/locale");
  if (was) ::setenv("XDG_CACHE_HOME", saved.c_str(), 1);
  else ::unsetenv("XDG_CACHE_HOME");
}

TEST(LocaleRule, WhichLocalesReadCp932Whole) {
  struct Case {
    const char* locale;
    bool cp932;
  };
  for (const Case& c : {Case{"ja_JP.CP932", true}, Case{"/home/u/.local/share/tolvan/locale/glibc-2.36/ja_JP.CP932", true},
                        Case{"ja_JP.SJIS", true}, Case{"ja_JP.Shift_JIS", true}, Case{"ja_JP.WINDOWS-31J", true},
                        Case{"ja_JP.cp932@euro", true}, Case{"C", false}, Case{"C.UTF-8", false},
                        Case{"ja_JP.UTF-8", false}, Case{"ja_JP.eucJP", false}, Case{"ja_JP", false},
                        Case{"", false}}) {
    EXPECT_EQ(LocaleReadsCp932(c.locale), c.cp932) << c.locale;
  }
}

}  // namespace
}  // namespace tolvan
