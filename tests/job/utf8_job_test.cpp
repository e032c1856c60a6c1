// Jobs in UTF-8 beside the CP932 ones: the program text goes to gawk as it
// is, gawk runs in a UTF-8 locale, and the job's own messages come in the
// job's encoding.
#include <gtest/gtest.h>

#include "job/job_files.h"
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

using test::Base;
using test::Ran;
using test::RunJob;

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

}  // namespace
}  // namespace tolvan
