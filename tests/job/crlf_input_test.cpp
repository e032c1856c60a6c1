// Windows text: records end at CR LF when the job's input holds CR LF, and
// gawk's own reading stays everywhere else.
#include "job/crlf_input.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "job/thread_do_job.h"
#include "job_test_support.h"
#include "support/temp_dir.h"

namespace tolvan {
namespace {

using namespace std::chrono_literals;
using test::Sj;

TEST(CrLfInput, LookedForInTheFirst64KiBOnly) {
  test::TempDir dir;
  const std::string pad(kCrLfProbeBytes - 1, 'x');
  const std::pair<std::string, bool> cases[] = {
      {"a\nb\r\nc", true}, {"a\rb\r", false}, {"a\n\rb", false}, {"a\r", false},
      {pad + "\r\n", true},    // the CR is the last byte looked at
      {pad + "x\r\n", false},  // starts past it
  };
  for (const auto& [bytes, holds] : cases) {
    EXPECT_EQ(HoldsCrLf(bytes), holds) << bytes.size();
    test::WriteBytes(dir / "f", bytes);
    EXPECT_EQ(FileHoldsCrLf((dir / "f").string()), holds) << bytes.size();
  }
  EXPECT_FALSE(FileHoldsCrLf((dir / "none").string()));
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
  EXPECT_FALSE(FileHoldsCrLf((dir / "fifo").string()));  // without waiting for a writer
}

// Only RS's first character counts in gawk's compatibility modes.
TEST(CrLfInput, CompatibilityModesKeepGawksReading) {
  const std::pair<std::vector<std::string>, bool> cases[] = {
      {{"-F,", "-v", "n=1"}, false}, {{"-F:", "--posix"}, true}, {{"-P"}, true},          {{"--trad"}, true},
      {{"-bc"}, true},               {{"-W", "posix"}, true},    {{"-Wcompat"}, true},    {{"-F", "-c"}, false},
      {{"-vc=1"}, false},            {{"--assign", "-P"}, false}, {{"--", "-P"}, false}, {{"--profile"}, false},
  };
  for (const auto& [words, forbid] : cases) EXPECT_EQ(OptionsForbidRegexRs(words), forbid) << words[0];
}

// Every output of a job over one table of inputs: records as gawk on
// Windows reads them where CR LF appears, gawk's own elsewhere; the
// command line shows what ran.
TEST(CrLfInput, JobsReadRecordsAsOnWindows) {
  test::TempDir dir;
  struct Case {
    const char* name;
    std::vector<std::string> data;
    std::string want;
    bool added = true;
    bool file = false;
    TextEncoding enc = TextEncoding::Cp932;
    std::string options = "-F,";
    // $NF, length($0), NF; the second record has an empty last field.
    std::string program = "{ printf \"%s|%d|%d\\n\", $NF, length($0), NF }";
    CrLfInput setting = CrLfInput::Auto;
    bool clipboard = false;
  };
  const std::string sj = Sj("表|4|2\n|2|2\n"), u8 = "表|3|2\n|2|2\n";
  const Case cases[] = {
      // ソ ends in 0x5C, doubled in the program wherever the assignment put it.
      {.name = "crlf", .data = {Sj("x,表\r\ny,\r\n")}, .want = sj,
       .program = Sj("$NF != \"ソ\" { printf \"%s|%d|%d\\n\", $NF, length($0), NF }")},
      {.name = "crlf file", .data = {Sj("x,表\r\ny,\r\n")}, .want = sj, .file = true},
      {.name = "lf", .data = {Sj("x,表\ny,\n")}, .want = sj, .added = false},
      {.name = "mixed", .data = {Sj("x,表\ny,\r\n")}, .want = sj, .file = true},
      {.name = "lone cr", .data = {Sj("x,表\ry,\r")}, .want = "\r|8|3\n", .added = false},
      {.name = "utf-8", .data = {"x,表\r\ny,\r\n"}, .want = u8, .file = true, .enc = TextEncoding::Utf8},
      {.name = "utf-8 lone cr", .data = {"x,表\ry,\r"}, .want = "\r|7|3\n", .added = false, .enc = TextEncoding::Utf8},
      {.name = "one input decides", .data = {"x,表\n", "y,\r\n"}, .want = u8, .enc = TextEncoding::Utf8},
      {.name = "clipboard", .data = {Sj("x,表\r\ny,\r\n")}, .want = sj, .clipboard = true},
      {.name = "never", .data = {"a,b\r\n"}, .want = "b\r|4|2\n", .added = false, .setting = CrLfInput::Never},
      {.name = "always", .data = {"a,b\rc\n"}, .want = "b\rc|5|2\n", .setting = CrLfInput::Always},
      {.name = "posix", .data = {"a,b\r\n"}, .want = "b\r|4|2\n", .added = false, .options = "-F, --posix"},
      // The user's RS, on the command line or in the script, wins.
      {.name = "-v RS", .data = {"1x2\r\n3x"}, .want = "1\n4\n", .options = "-v RS=x", .program = "{ print length }"},
      {.name = "paragraphs", .data = {"a b\r\nc\r\n\r\nd\r\n"}, .want = "1: 12\n", .file = true, .options = "",
       .program = "BEGIN { RS = \"\" }\r\n{ print NR \": \" length($0) }\r\n"},
      {.name = "RS=;", .data = {"a;b\r\nc;\r\n"}, .want = "1\n4\n2\n", .program = "BEGIN { RS = \";\" } { print length }"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> inputs;
    for (const std::string& d : c.data) {
      inputs.push_back((dir / ("in" + std::to_string(inputs.size()))).string());
      test::WriteBytes(inputs.back(), d);
    }
    if (c.file) test::WriteBytes(dir / "s.awk", c.program);
    CommandLineInputs in{test::kGawk, c.options, !c.file, (dir / "s.awk").string(), c.program};
    const BaseCommandLine base = ComposeBaseCommandLine(in).Line;
    const std::string outFile = (dir / "out").string();
    for (int om = omFilesNew; om <= omNull; ++om) {
      if (c.clipboard && om == omFilesNew) continue;  // refused before a job
      SCOPED_TRACE(om);
      test::WriteBytes(outFile, "old\n");
      TJobRecord r{base, om == omFilesNew ? "new_" : outFile};
      r.OutputMode = om;
      r.Encoding = c.enc;
      r.Locale = c.enc == TextEncoding::Utf8 ? "C.UTF-8" : "C";
      r.CrLf = c.setting;
      r.InputMode = c.clipboard ? imClipboard : imFile;
      if (c.clipboard) r.ClipboardFile = inputs[0];
      else r.InputList = inputs;
      r.SingleCommandLine = inputs.size() > 1 && om != omFilesNew;  // every record in one file
      test::RecordingHost host;
      std::string out, err, text;
      {
        TThreadDoJob job(r, host, out, err);
        job.Start();
        ASSERT_TRUE(host.WaitEnded(60s));
        job.WaitFor();
        text = job.Record().Base.Text;
      }
      EXPECT_EQ(err, "");
      const std::string shown = test::kGawk + (c.added ? std::string(" ") + kCrLfRecordText : "");
      EXPECT_EQ(text, shown + base.Text.substr(test::kGawk.size()));
      std::string got = om == omScreen || om == omNull ? out : test::ReadBytes(outFile);
      if (om == omFilesNew) {
        got.clear();
        for (const std::string& i : inputs) got += test::ReadBytes(TThreadDoJob::NewFileOutputPath(i, "new_"));
      }
      if (om == omFileAppend) EXPECT_EQ(got.substr(0, 4), "old\n");
      if (om == omFileAppend) got.erase(0, 4);
      if (om == omClipboard) got = host.clipboard.empty() ? "<none>" : host.clipboard[0];
      EXPECT_EQ(got, c.want);
    }
  }
}

}  // namespace
}  // namespace tolvan
