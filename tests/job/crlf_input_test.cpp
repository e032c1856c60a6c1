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
using test::kGawk;
using test::ReadBytes;
using test::Sj;
using test::WriteBytes;

const std::string kAdded = std::string(" ") + kCrLfRecordText;

BaseCommandLine Base(const std::string& options, const std::string& program, bool file) {
  CommandLineInputs in;
  in.AwkPath = kGawk;
  in.Options = options;
  in.OneLiner = !file;
  (file ? in.ScriptPath : in.OneLinerText) = program;
  auto r = ComposeBaseCommandLine(in);
  EXPECT_TRUE(r.Ok);
  return r.Line;
}

TEST(CrLfInput, LookedForInTheFirst64KiBOnly) {
  test::TempDir dir;
  const std::string pad(kCrLfProbeBytes - 1, 'x');
  struct Case {
    std::string bytes;
    bool holds;
  } cases[] = {
      {"a\r\n", true},
      {"a\nb\r\nc", true},         // mixed: a later CR LF counts
      {"a\rb\r", false},           // lone CR
      {"a\n\rb", false},           // LF CR
      {"a\r", false},
      {pad + "\r\n", true},        // CR is the last byte looked at
      {pad + "x\r\n", false},      // starts past it
  };
  for (const Case& c : cases) {
    EXPECT_EQ(HoldsCrLf(c.bytes), c.holds) << c.bytes.size();
    WriteBytes(dir / "f", c.bytes);
    EXPECT_EQ(FileHoldsCrLf((dir / "f").string()), c.holds) << c.bytes.size();
  }
  EXPECT_FALSE(FileHoldsCrLf((dir / "none").string()));
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
  EXPECT_FALSE(FileHoldsCrLf((dir / "fifo").string()));  // without waiting for a writer
}

// Only RS's first character counts in gawk's compatibility modes.
TEST(CrLfInput, CompatibilityModesKeepGawksReading) {
  using W = std::vector<std::string>;
  struct Case {
    W words;
    bool forbid;
  } cases[] = {
      {{"-F,", "-v", "n=1"}, false}, {{"--posix"}, true},      {{"-P"}, true},
      {{"--trad"}, true},            {{"--compat"}, true},     {{"-bc"}, true},
      {{"-W", "posix"}, true},       {{"-Wtraditional"}, true}, {{"-F", "-c"}, false},
      {{"-vc=1"}, false},            {{"--assign", "-P"}, false}, {{"--", "-P"}, false},
      {{"--profile"}, false},        {{"-F:", "--posix"}, true},
  };
  for (const Case& c : cases) {
    std::string shown;
    for (const auto& w : c.words) shown += w + " ";
    EXPECT_EQ(OptionsForbidRegexRs(c.words), c.forbid) << shown;
  }
}

// The assignment goes before the option words in the argument vector and
// in the text, and the script keeps its place.
TEST(CrLfInput, AddedBeforeTheOptions) {
  for (bool file : {false, true}) {
    const BaseCommandLine base = Base("-F,", file ? "/s/a.awk" : "{print}", file);
    const BaseCommandLine b = WithCrLfRecords(base, CrLfInput::Always, {});
    std::vector<std::string> argv = base.Argv;
    argv.insert(argv.begin() + 1, {"-v", kCrLfRecordWord});
    EXPECT_EQ(b.Argv, argv);
    EXPECT_EQ(b.Argv[static_cast<std::size_t>(b.ScriptIndex)], file ? "/s/a.awk" : "{print}");
    EXPECT_EQ(b.Text, file ? "/usr/bin/gawk -v 'RS=\\r?\\n' -F, -f \"/s/a.awk\""
                           : "/usr/bin/gawk -v 'RS=\\r?\\n' -F, '{print}' ");
    EXPECT_EQ(WithCrLfRecords(base, CrLfInput::Auto, {{}, "a\r\n"}).Argv, argv);
    EXPECT_EQ(WithCrLfRecords(base, CrLfInput::Never, {{}, "a\r\n"}).Text, base.Text);
  }
}

// Every output of a job over one table of inputs: records as gawk on
// Windows reads them where CR LF appears, gawk's own elsewhere.
TEST(CrLfInput, JobsReadRecordsAsOnWindows) {
  test::TempDir dir;
  // $NF, length($0), NF; the second record has an empty last field.
  const std::string show = "{ printf \"%s|%d|%d\\n\", $NF, length($0), NF }";
  struct Case {
    const char* name;
    TextEncoding enc;
    std::vector<std::string> data;
    std::string options, program;
    bool file;
    CrLfInput setting;
    bool clipboard;
    std::string want;
    bool added;
  };
  const std::string sjRecords = Sj("表|4|2\n|2|2\n");
  const Case cases[] = {
      {"crlf", TextEncoding::Cp932, {Sj("x,表\r\ny,\r\n")}, "-F,", show, false, CrLfInput::Auto, false, sjRecords, true},
      {"crlf file", TextEncoding::Cp932, {Sj("x,表\r\ny,\r\n")}, "-F,", show, true, CrLfInput::Auto, false, sjRecords,
       true},
      {"lf", TextEncoding::Cp932, {Sj("x,表\ny,\n")}, "-F,", show, false, CrLfInput::Auto, false, sjRecords, false},
      {"mixed", TextEncoding::Cp932, {Sj("x,表\ny,\r\n")}, "-F,", show, true, CrLfInput::Auto, false, sjRecords, true},
      {"lone cr", TextEncoding::Cp932, {Sj("x,表\ry,\r")}, "-F,", show, false, CrLfInput::Auto, false,
       Sj("\r|8|3\n"), false},
      {"utf-8 crlf", TextEncoding::Utf8, {"x,表\r\ny,\r\n"}, "-F,", show, true, CrLfInput::Auto, false,
       "表|3|2\n|2|2\n", true},
      {"utf-8 lone cr", TextEncoding::Utf8, {"x,表\ry,\r"}, "-F,", show, false, CrLfInput::Auto, false,
       "\r|7|3\n", false},
      // One input with CR LF decides for the job.
      {"two inputs", TextEncoding::Utf8, {"x,表\n", "y,\r\n"}, "-F,", show, false, CrLfInput::Auto, false,
       "表|3|2\n|2|2\n", true},
      {"clipboard", TextEncoding::Cp932, {Sj("x,表\r\ny,\r\n")}, "-F,", show, false, CrLfInput::Auto, true,
       sjRecords, true},
      {"never", TextEncoding::Cp932, {"a,b\r\n"}, "-F,", show, false, CrLfInput::Never, false, "b\r|4|2\n", false},
      {"always", TextEncoding::Cp932, {"a,b\rc\n"}, "-F,", show, false, CrLfInput::Always, false, "b\rc|5|2\n",
       true},
      {"posix", TextEncoding::Cp932, {"a,b\r\n"}, "-F, --posix", show, false, CrLfInput::Auto, false, "b\r|4|2\n",
       false},
      // The user's RS, on the command line or in the script, wins.
      {"-v RS", TextEncoding::Cp932, {"1x2\r\n3x"}, "-v RS=x", "{ print length($0) }", false, CrLfInput::Auto, false,
       "1\n4\n", true},
      {"paragraphs", TextEncoding::Cp932, {"a b\r\nc\r\n\r\nd\r\n"}, "",
       "BEGIN { RS = \"\" }\r\n{ print NR \": \" length($0) }\r\n", true, CrLfInput::Auto, false, "1: 12\n", true},
      {"RS=;", TextEncoding::Utf8, {"a;b\r\nc;\r\n"}, "", "BEGIN { RS = \";\" } { print length($0) }", false,
       CrLfInput::Auto, false, "1\n4\n2\n", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> inputs;
    for (std::size_t i = 0; i < c.data.size(); ++i) {
      inputs.push_back((dir / ("in" + std::to_string(i) + ".txt")).string());
      WriteBytes(inputs.back(), c.data[i]);
    }
    std::string program = c.program;
    if (c.file) {
      program = (dir / "s.awk").string();
      WriteBytes(program, c.program);
    }
    const BaseCommandLine base = Base(c.options, program, c.file);
    for (int om = omFilesNew; om <= omNull; ++om) {
      if (c.clipboard && om == omFilesNew) continue;  // refused before a job
      SCOPED_TRACE(om);
      const std::string outFile = (dir / "out.txt").string();
      WriteBytes(outFile, "old\n");
      TJobRecord r;
      r.Base = base;
      r.Encoding = c.enc;
      r.Locale = c.enc == TextEncoding::Utf8 ? "C.UTF-8" : "C";
      r.CrLf = c.setting;
      r.OutputMode = om;
      r.InputMode = c.clipboard ? imClipboard : imFile;
      if (c.clipboard) r.ClipboardFile = inputs[0];
      else r.InputList = inputs;
      // Every input's records in the one output file too.
      r.SingleCommandLine = inputs.size() > 1 && om != omFilesNew;
      r.OutputName = om == omFilesNew ? "new_" : outFile;
      test::RecordingHost host;
      std::string out, err, text;
      {
        TThreadDoJob job(r, host, out, err);
        job.Start();
        ASSERT_TRUE(host.WaitEnded(60s));
        job.WaitFor();
        text = job.Record().Base.Text;
        EXPECT_EQ(job.Record().Base.Argv.size(), base.Argv.size() + (c.added ? 2 : 0));
      }
      EXPECT_EQ(err, "");
      EXPECT_EQ(text, c.added ? kGawk + kAdded + base.Text.substr(kGawk.size()) : base.Text);
      std::string got;
      if (om == omFilesNew) {
        for (const std::string& in : inputs) got += ReadBytes(TThreadDoJob::NewFileOutputPath(in, "new_"));
      } else if (om == omFileOverwrite) {
        got = ReadBytes(outFile);
      } else if (om == omFileAppend) {
        got = ReadBytes(outFile);
        EXPECT_EQ(got.substr(0, 4), "old\n");
        got.erase(0, 4);
      } else if (om == omClipboard) {
        got = host.clipboard.empty() ? "<none>" : host.clipboard[0];
      } else {
        got = out;
      }
      EXPECT_EQ(got, c.want);
    }
  }
}

}  // namespace
}  // namespace tolvan
