// Jobs in UTF-8 beside the CP932 ones: the program text goes to gawk as it
// is, gawk runs in a UTF-8 locale, and the job's own messages come in the
// job's encoding. CP932 jobs run in a CP932 locale.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "job/job_files.h"
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

TJobRecord Utf8Record(BaseCommandLine base) {
  TJobRecord r;
  r.Base = std::move(base);
  r.Encoding = TextEncoding::Utf8;
  r.Locale = "C.UTF-8";
  r.OutputMode = omScreen;
  r.InputMode = imNull;
  return r;
}

class Utf8Job : public ::testing::Test {
 protected:
  test::TempDir dir;
};

TEST_F(Utf8Job, OneLinerMatchesUtf8Data) {
  const std::string data = (dir / "data.txt").string();
  WriteBytes(data, "日本語の行\nenglish\n東日本\nにほん\n");
  TJobRecord r = Utf8Record(Base("/日本/"));
  r.InputMode = imFile;
  r.InputList = {data};
  Ran ran = RunJob(r);
  EXPECT_EQ(ran.err, "");
  EXPECT_EQ(ran.out, "日本語の行\n東日本\n");
}

TEST_F(Utf8Job, StringFunctionsCountCharacters) {
  Ran ran = RunJob(Utf8Record(Base("BEGIN { s = \"日本語\"; print length(s), substr(s, 2, 1), index(s, \"語\") }")));
  EXPECT_EQ(ran.err, "");
  EXPECT_EQ(ran.out, "3 本 3\n");
  // The same program in a CP932 job still counts bytes.
  TJobRecord sj;
  sj.Base = Base(Sj("BEGIN { print length(\"日本語\") }"));
  sj.OutputMode = omScreen;
  sj.InputMode = imNull;
  ran = RunJob(sj);
  EXPECT_EQ(ran.err, "");
  EXPECT_EQ(ran.out, "6\n");
}

// C4 81 5C is "ā\" in UTF-8, but a lead byte 0x81 before 0x5C to a CP932
// reader: doubling it would leave the string open.
TEST_F(Utf8Job, BackslashAfterAMultiByteCharacterIsNotDoubled) {
  Ran ran = RunJob(Utf8Record(Base("BEGIN { print \"\xC4\x81\\\\\" }")));
  EXPECT_EQ(ran.err, "");
  EXPECT_EQ(ran.out, "\xC4\x81\\\n");
  const std::string script = (dir / "s.awk").string();
  WriteBytes(script, "BEGIN { print \"\xC4\x81\\\\\" }  # 日本\n");
  ran = RunJob(Utf8Record(Base(script, true)));
  EXPECT_EQ(ran.err, "");
  EXPECT_EQ(ran.out, "\xC4\x81\\\n");
}

TEST_F(Utf8Job, ScriptWithByteOrderMarkRunsWithoutIt) {
  const std::string script = (dir / "bom.awk").string();
  const std::string text = std::string(kUtf8Bom) + "# 日本語\nBEGIN { print length(\"日本語\") }\nBEGIN { x = }\n";
  WriteBytes(script, text);
  Ran ran = RunJob(Utf8Record(Base(script, true)));
  EXPECT_EQ(ran.out, "");
  // gawk's message names the real script and the real line.
  EXPECT_NE(ran.err.find(script + ":3:"), std::string::npos) << ran.err;
  EXPECT_EQ(ReadBytes(script), text);  // the file itself is untouched
  WriteBytes(script, std::string(kUtf8Bom) + "BEGIN { print length(\"日本語\") }\n");
  ran = RunJob(Utf8Record(Base(script, true)));
  EXPECT_EQ(ran.err, "");
  EXPECT_EQ(ran.out, "3\n");
}

TEST_F(Utf8Job, ScriptFileEncodingIsDetected) {
  struct Case {
    std::string bytes;
    TextEncoding encoding;
  };
  const Case cases[] = {
      {"BEGIN { print 1 }\n", TextEncoding::Cp932},
      {"# 日本\nBEGIN { print 1 }\n", TextEncoding::Utf8},
      {Sj("# 日本\nBEGIN { print 1 }\n"), TextEncoding::Cp932},
      {std::string(kUtf8Bom) + "BEGIN { }\n", TextEncoding::Utf8},
  };
  const std::string script = (dir / "d.awk").string();
  for (const Case& c : cases) {
    WriteBytes(script, c.bytes);
    EXPECT_EQ(ScriptFileEncoding(script), c.encoding) << c.bytes;
  }
  EXPECT_EQ(ScriptFileEncoding((dir / "missing.awk").string()), TextEncoding::Cp932);
  // Pure ASCII is the same in both: the preferred encoding decides.
  WriteBytes(script, "BEGIN { print 1 }\n");
  EXPECT_EQ(ScriptFileEncoding(script, TextEncoding::Utf8), TextEncoding::Utf8);
  EXPECT_EQ(ScriptFileEncoding((dir / "missing.awk").string(), TextEncoding::Utf8), TextEncoding::Utf8);
  WriteBytes(script, Sj("# 日本\n"));
  EXPECT_EQ(ScriptFileEncoding(script, TextEncoding::Utf8), TextEncoding::Cp932);
}

TEST_F(Utf8Job, OwnMessagesComeInTheJobsEncoding) {
  // An output that is the input: refused before anything runs.
  const std::string data = (dir / "入力.txt").string();
  WriteBytes(data, "x\n");
  TJobRecord r = Utf8Record(Base("{ print }"));
  r.InputMode = imFile;
  r.InputList = {data};
  r.OutputMode = omFileOverwrite;
  r.OutputName = data;
  EXPECT_EQ(CheckJobFiles(r), "出力ファイルと入力ファイルを同じにすることはできません: " + data + "\r\n");
  r.Encoding = TextEncoding::Cp932;
  EXPECT_EQ(CheckJobFiles(r), Sj(("出力ファイルと入力ファイルを同じにすることはできません: " + data + "\r\n").c_str()));

  EXPECT_EQ(CancelledMessage(TextEncoding::Utf8), "\r\nユーザーによって処理は中断されました");
  EXPECT_EQ(CancelledMessage(TextEncoding::Cp932), Sj("\r\nユーザーによって処理は中断されました"));
  EXPECT_EQ(OutputFileFailedMessage(TextEncoding::Utf8), "出力ファイルの作成に失敗しました。");

  TJobRecord missing = Utf8Record(Base("BEGIN { }"));
  missing.Base.Argv[0] = (dir / "no-such-awk").string();
  Ran ran = RunJob(missing);
  EXPECT_EQ(ran.err.rfind("プログラムを起動できません: ", 0), 0u) << ran.err;
  EXPECT_TRUE(IsValidText(TextEncoding::Utf8, ran.err));
}

TEST_F(Utf8Job, ClipboardOutputAndInputStayUtf8) {
  const std::string clip = (dir / "TEMPCLIP.txt").string();
  WriteBytes(clip, "一\n二\n");
  TJobRecord r = Utf8Record(Base("{ print NR \":\" $0 \"／\" length($0) }"));
  r.InputMode = imClipboard;
  r.ClipboardFile = clip;
  r.OutputMode = omClipboard;
  Ran ran = RunJob(r);
  EXPECT_EQ(ran.err, "");
  ASSERT_EQ(ran.clipboard.size(), 1u);
  EXPECT_EQ(ran.clipboard[0], "1:一／1\n2:二／1\n");
}

// CP932 jobs run in a CP932 locale, so gawk reads characters there too:
// made once for the suite, in a folder of its own.
test::TempDir root;
const std::string& Made() {
  static const std::string l = LocaleForJob(IniFile(root / "none.INI"), TextEncoding::Cp932, root.path()).Locale;
  return l;
}

Ran Job(const std::string& program, const std::string& input = "", int output = omScreen, const std::string& to = "") {
  TJobRecord r;
  r.Base = Base(Sj(program.c_str()));
  r.Locale = Made();
  r.InputMode = input.empty() ? imNull : imFile;
  if (!input.empty()) r.InputList = {input};
  r.OutputMode = output;
  r.OutputName = to;
  return RunJob(r);
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
    const Ran ran = Job("/東/ || /^[東大]/ { print $0 }", data, output, output == omFilesNew ? "new_" : out);
    EXPECT_EQ(output == omScreen ? ran.out
              : output == omClipboard ? (ran.clipboard.empty() ? "" : ran.clipboard[0])
                                      : ReadBytes(output == omFilesNew ? (dir / "new_data.csv").string() : out),
              Sj("東京,2\n大阪,4\n"))  // records end at CR LF, as on Windows
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
  const BaseCommandLine base = Base(Sj("BEGIN { print \"ソ\" }"));
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
  const auto missing = [&] { return LocaleForJob(IniFile(d / "t.INI"), TextEncoding::Cp932, d.path(), "no-localedef"); };
  const JobLocale first = missing(), second = missing();
  EXPECT_EQ(first.Locale + second.Locale, "CC");
  EXPECT_TRUE(first.SayProblem && !second.SayProblem);
  EXPECT_NE(first.Problem.find("no-localedef"), std::string::npos) << first.Problem;
}

}  // namespace
}  // namespace tolvan
