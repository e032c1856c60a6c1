#include "job/preview_runner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>

#include "job/command_line.h"
#include "job/job_locale.h"
#include "job_test_support.h"
#include "support/temp_dir.h"

namespace tolvan {
namespace {

using namespace std::chrono_literals;
using test::kGawk;
using test::Sj;

// Records what the runner reports, from its thread.
class RecordingSink : public TPreviewSink {
 public:
  void PreviewOutput(std::uint64_t run, std::string_view bytes) override {
    std::lock_guard lock(mu_);
    streamed[run].append(bytes);
    cv_.notify_all();
  }
  void PreviewEnded(const PreviewResult& r) override {
    std::lock_guard lock(mu_);
    ended.push_back(r);
    cv_.notify_all();
  }
  bool WaitEnded(std::size_t count, std::chrono::milliseconds limit = 10s) {
    std::unique_lock lock(mu_);
    return cv_.wait_for(lock, limit, [&] { return ended.size() >= count; });
  }
  bool WaitStreamed(std::uint64_t run, std::chrono::milliseconds limit = 10s) {
    std::unique_lock lock(mu_);
    return cv_.wait_for(lock, limit, [&] { return !streamed[run].empty(); });
  }
  std::string Streamed(std::uint64_t run) {
    std::lock_guard lock(mu_);
    return streamed[run];
  }
  std::vector<PreviewResult> Ended() {
    std::lock_guard lock(mu_);
    return ended;
  }

 private:
  std::mutex mu_;
  std::condition_variable cv_;
  std::map<std::uint64_t, std::string> streamed;
  std::vector<PreviewResult> ended;
};

PreviewRequest Script(std::string text) {
  PreviewRequest r;
  r.AwkPath = kGawk;
  r.ScriptText = std::move(text);
  r.ScriptName = "/home/u/scripts/mine.awk";
  return r;
}

// Runs one request to its end.
PreviewResult RunToEnd(PreviewRequest request) {
  RecordingSink sink;
  TPreviewRunner runner(sink);
  const std::uint64_t run = runner.Submit(std::move(request));
  EXPECT_TRUE(sink.WaitEnded(1));
  auto ended = sink.Ended();
  if (ended.empty()) return {};
  EXPECT_EQ(ended[0].Run, run);
  // What arrived while running is what the result holds, up to the cap.
  EXPECT_EQ(ended[0].Output.substr(0, sink.Streamed(run).size()).size(), sink.Streamed(run).size());
  return ended[0];
}

TEST(PreviewRunner, SampleKindsReachGawk) {
  test::TempDir dir;
  test::WriteBytes(dir / "-in.txt", "b\r\na\r\n");
  struct Case {
    PreviewSample sample;
    std::string path, text, want;
    CrLfInput crlf = CrLfInput::Auto;
  } cases[] = {
      // Records end at CR LF, as in a Run over the sample.
      {PreviewSample::File, (dir / "-in.txt").string(), "", "2:b\n"},
      // A relative name starting with "-" is still a file, not an option.
      {PreviewSample::File, "-in.txt", "", "2:b\n"},
      {PreviewSample::File, "-in.txt", "", "2:b\r\n", CrLfInput::Never},
      {PreviewSample::Text, "", "x y\nz\n", "2:x y\n"},
      {PreviewSample::Text, "", "x y\r\nz\r\n", "2:x y\n"},
      // No input: standard input is at its end at once, only BEGIN and END work.
      {PreviewSample::None, "", "", "0:\n"},
  };
  const auto cwd = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  for (const Case& c : cases) {
    PreviewRequest r = Script("NR == 1 { first = $0 } END { print NR \":\" first }");
    r.Sample = c.sample;
    r.SamplePath = c.path;
    r.SampleText = c.text;
    r.CrLf = c.crlf;
    const PreviewResult res = RunToEnd(r);
    EXPECT_EQ(res.End, PreviewEnd::Finished) << c.path;
    EXPECT_EQ(res.Output, c.want) << c.path;
    EXPECT_EQ(res.Error, "") << c.path;
  }
  std::filesystem::current_path(cwd);
}

TEST(PreviewRunner, OutputIsStreamedWhileGawkRuns) {
  RecordingSink sink;
  TPreviewRunner runner(sink);
  const auto run = runner.Submit(Script("BEGIN { print \"early\"; fflush(); while (1) ; }"));
  ASSERT_TRUE(sink.WaitStreamed(run, 3s));
  EXPECT_EQ(sink.Streamed(run), "early\n");
  EXPECT_TRUE(sink.Ended().empty());  // still running
  runner.Cancel();
}

TEST(PreviewRunner, NewestTextWinsAndTheOldRunIsKilled) {
  RecordingSink sink;
  TPreviewRunner runner(sink);
  const auto first = runner.Submit(Script("BEGIN { print PROCINFO[\"pid\"]; fflush(); while (1) ; }"));
  ASSERT_TRUE(sink.WaitStreamed(first, 3s));
  const pid_t pid = static_cast<pid_t>(std::stol(sink.Streamed(first)));
  const auto start = std::chrono::steady_clock::now();
  // Several changes in a row: only the last is ever reported.
  runner.Submit(Script("BEGIN { print \"second\" }"));
  runner.Submit(Script("BEGIN { print \"third\" }"));
  const auto last = runner.Submit(Script("BEGIN { print \"newest\" }"));
  EXPECT_TRUE(test::WaitUntil([&] { return test::ProcessGone(pid); }, 2s));
  ASSERT_TRUE(sink.WaitEnded(1));
  std::this_thread::sleep_for(200ms);  // anything late would show now
  auto ended = sink.Ended();
  ASSERT_EQ(ended.size(), 1u);
  EXPECT_EQ(ended[0].Run, last);
  EXPECT_EQ(ended[0].Output, "newest\n");
  EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);  // not the time limit
  EXPECT_EQ(runner.Pending(), 0u);
}

TEST(PreviewRunner, CancelEndsTheRunWithoutReport) {
  RecordingSink sink;
  auto runner = std::make_unique<TPreviewRunner>(sink);
  const auto run = runner->Submit(Script("BEGIN { print PROCINFO[\"pid\"]; fflush(); while (1) ; }"));
  ASSERT_TRUE(sink.WaitStreamed(run, 3s));
  const pid_t pid = static_cast<pid_t>(std::stol(sink.Streamed(run)));
  runner->Cancel();
  EXPECT_TRUE(test::WaitUntil([&] { return test::ProcessGone(pid); }, 2s));
  EXPECT_TRUE(test::WaitUntil([&] { return runner->Pending() == 0; }, 2s));
  EXPECT_TRUE(sink.Ended().empty());
  // The runner is still usable, and going away while gawk runs kills it.
  const auto again = runner->Submit(Script("BEGIN { print PROCINFO[\"pid\"]; fflush(); while (1) ; }"));
  ASSERT_TRUE(sink.WaitStreamed(again, 3s));
  const pid_t pid2 = static_cast<pid_t>(std::stol(sink.Streamed(again)));
  runner.reset();
  EXPECT_TRUE(test::ProcessGone(pid2));
}

TEST(PreviewRunner, TimeLimitKillsAndSaysSo) {
  PreviewRequest r = Script("BEGIN { while (1) ; }");
  r.Timeout = 300ms;
  const auto start = std::chrono::steady_clock::now();
  const PreviewResult res = RunToEnd(r);
  EXPECT_EQ(res.End, PreviewEnd::TimedOut);
  EXPECT_GE(std::chrono::steady_clock::now() - start, 300ms);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
  // A quick run under the same limit is not cut.
  PreviewRequest quick = Script("BEGIN { print 1 }");
  quick.Timeout = 300ms;
  EXPECT_EQ(RunToEnd(quick).End, PreviewEnd::Finished);
}

TEST(PreviewRunner, OutputIsCappedAndTheRestCounted) {
  struct Case {
    std::string print;  // printf argument
    std::size_t cap;
    std::string want;
    std::uint64_t omitted;
  } cases[] = {
      {"\"0123456789\"", 10, "0123456789", 0},          // exactly the cap: nothing cut
      {"\"0123456789A\"", 10, "0123456789", 1},         // one byte over
      // A double-byte character across the cap is left out whole.
      {"\"012345678" + Sj("表") + "\"", 10, "012345678", 2},
      {"\"01234567" + Sj("表") + "\"", 10, "01234567" + Sj("表"), 0},
  };
  for (const Case& c : cases) {
    PreviewRequest r = Script("BEGIN { printf " + c.print + " }");
    r.OutputCap = c.cap;
    RecordingSink sink;
    TPreviewRunner runner(sink);
    const auto run = runner.Submit(r);
    ASSERT_TRUE(sink.WaitEnded(1));
    const PreviewResult res = sink.Ended()[0];
    EXPECT_EQ(res.OmittedBytes, c.omitted) << c.print;
    const std::string tail = c.omitted ? "\r\n" + PreviewOmittedTail(c.omitted) : "";
    EXPECT_EQ(res.Output, c.want + tail) << c.print;
    EXPECT_LE(sink.Streamed(run).size(), c.cap);
  }
  // A writer that never stops is read to the time limit and dropped, not kept.
  PreviewRequest endless = Script("BEGIN { while (1) print \"xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx\" }");
  endless.Timeout = 500ms;
  const PreviewResult res = RunToEnd(endless);
  EXPECT_EQ(res.End, PreviewEnd::TimedOut);
  EXPECT_GT(res.OmittedBytes, kPreviewOutputCap);
  EXPECT_EQ(res.Output.size(), kPreviewOutputCap + 2 + PreviewOmittedTail(res.OmittedBytes).size());
  EXPECT_NE(res.Output.find(Sj("…")), std::string::npos);
  EXPECT_NE(res.Output.find(std::to_string(res.OmittedBytes)), std::string::npos);
}

TEST(PreviewRunner, SandboxRefusesWritesAndProgramsAndSaysWhere) {
  test::TempDir dir;
  const std::string target = (dir / "written.txt").string();
  const std::string scripts[] = {
      "BEGIN { print 1 }\nBEGIN { print \"x\" > \"" + target + "\" }",
      "BEGIN { print 1 }\nBEGIN { system(\"touch " + target + "\") }",
      "BEGIN { print 1 }\nBEGIN { print \"x\" | \"cat > " + target + "\" }",
  };
  for (const std::string& s : scripts) {
    const PreviewResult res = RunToEnd(Script(s));
    EXPECT_FALSE(std::filesystem::exists(target)) << s;
    EXPECT_TRUE(res.SandboxRefused) << s;
    EXPECT_EQ(res.ErrorLine, 2) << s << res.Error;
    EXPECT_NE(res.Error.find("gawk: /home/u/scripts/mine.awk:2: fatal"), std::string::npos) << res.Error;
    EXPECT_EQ(res.Output, "1\n");
  }
  EXPECT_FALSE(RunToEnd(Script("BEGIN { print 1 }")).SandboxRefused);
}

// Options that write files even under --sandbox, or keep the script from
// running, are left out and named; gawk runs where nothing of ours lies.
TEST(PreviewRunner, LeavesNoFileAnywhere) {
  test::TempDir dir;
  const std::string f = (dir / "f").string();
  const std::filesystem::path here = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  const std::string spellings[] = {
      "-d",  "-d" + f,  "--dump-variables",  "--dump-variables=" + f, "-W dump-variables=" + f,
      "-p",  "-p" + f,  "--profile",         "--profile=" + f,
      "-o",  "-o" + f,  "--pretty-print",    "--pretty-print=" + f,
      "-D",  "--debug", "-E " + f,           "--version",
  };
  for (const std::string& o : spellings) {
    PreviewRequest r = Script("BEGIN { x = 1; print \"ran\" }");
    r.Options = "-v y=2 " + o;
    const PreviewResult res = RunToEnd(r);
    EXPECT_EQ(res.Output, "ran\n") << o << res.Error;
    ASSERT_EQ(res.DroppedOptions.size(), 1u) << o;
    EXPECT_EQ(res.DroppedOptions[0], o);
    EXPECT_TRUE(std::filesystem::is_empty(dir.path())) << o;
  }
  std::filesystem::current_path(here);
  EXPECT_TRUE(RunToEnd(Script("BEGIN { print 1 }")).DroppedOptions.empty());

  // Nor a persistent-memory heap named in the environment.
  const std::string heap = (dir / "heap.pma").string();
  test::WriteBytes(heap, "");
  std::filesystem::resize_file(heap, 64 << 20);
  ::setenv("GAWK_PERSIST_FILE", heap.c_str(), 1);
  const PreviewResult persisted = RunToEnd(Script("BEGIN { kept = 5; print \"ran\" }"));
  ::unsetenv("GAWK_PERSIST_FILE");
  EXPECT_EQ(persisted.Output, "ran\n") << persisted.Error;
  std::ifstream in(heap, std::ios::binary);
  EXPECT_TRUE(std::all_of(std::istreambuf_iterator<char>(in), {}, [](char c) { return c == 0; }));
}

TEST(PreviewRunner, ErrorNamesTheScriptNotItsCopy) {
  PreviewRequest r = Script("BEGIN {\n  x = 1\n  y = x +* 2\n}\n");
  const PreviewResult res = RunToEnd(r);
  EXPECT_EQ(res.ErrorLine, 3);
  EXPECT_NE(res.Error.find("gawk: /home/u/scripts/mine.awk:3: "), std::string::npos) << res.Error;
  EXPECT_EQ(res.Error.find("tolvan-"), std::string::npos) << res.Error;
  // An untitled script gets a name of its own.
  r.ScriptName.clear();
  EXPECT_NE(RunToEnd(r).Error.find("gawk: script.awk:3: "), std::string::npos);
}

TEST(PreviewRunner, ErrorLineOfScriptFilesAndOneLiners) {
  const std::string name = "/s/a.awk";
  struct Case {
    std::string text;
    int line;
  } cases[] = {
      {"gawk: /s/a.awk:3: y = x +* 2\ngawk: /s/a.awk:3:        ^ syntax error\n", 3},
      {"gawk: cmd. line:2: BEGIN { +* }\n", 2},
      {"awk: /s/a.awk:12: fatal: division by zero attempted\n", 12},
      {"gawk: warning: escape sequence\ngawk: /s/a.awk:7: fatal: x\n", 7},  // first located
      {"gawk: /s/a.awk:2: warning: statement has no effect\ngawk: /s/a.awk:5: fatal: x\n", 5},  // no warning
      {"gawk: fatal: cannot open file `x' for reading: No such file or directory\n", 0},
      {"gawk: /s/a.awk2:5: other file\n", 0},  // a name that only starts the same
      {"gawk: /s/a.awk:: empty\n", 0},
      {"gawk: /s/a.awk:4", 0},  // cut off before its colon
      {"", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseErrorLine(c.text, name), c.line) << c.text;
}

TEST(PreviewRunner, EncodingAsAJob) {
  // A trail byte 0x5C inside strings and a regular expression, and bytes
  // passed through unchanged under LC_ALL=C.
  PreviewRequest r = Script("{ if ($0 ~ /" + Sj("表") + "/) print \"" + Sj("ソ能") + "\" $0 }");
  r.Sample = PreviewSample::Text;
  r.SampleText = Sj("予表示\n") + "plain\n";
  const PreviewResult res = RunToEnd(r);
  EXPECT_EQ(res.Error, "");
  EXPECT_EQ(res.Output, Sj("ソ能予表示\n"));
}

// In a job's CP932 locale gawk counts characters and ソ is not doubled.
TEST(PreviewRunner, Cp932LocaleAsAJob) {
  PreviewRequest r = Script("BEGIN { print length(\"" + Sj("ソ表") + "\"), \"" + Sj("ソ") + "\" }");
  r.Locale = LocaleForJob(IniFile(std::filesystem::path("/nonexistent/t.INI")), TextEncoding::Cp932).Locale;
  EXPECT_EQ(RunToEnd(r).Output, Sj("2 ソ\n"));
}

// A UTF-8 script goes to gawk as it is (no CP932 doubling: あ ends in 0x82,
// which CP932 would pair with the backslash after it), in C.UTF-8 gawk
// counts characters, the output is cut at a UTF-8 character and the
// program's own text is UTF-8.
TEST(PreviewRunner, Utf8ScriptAsAUtf8Job) {
  PreviewRequest r = Script("BEGIN { printf \"\xE3\x81\x82\\n\"; print length(\"\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\") }");
  r.Encoding = TextEncoding::Utf8;
  r.Locale = "C.UTF-8";
  PreviewResult res = RunToEnd(r);
  EXPECT_EQ(res.Error, "");
  EXPECT_EQ(res.Output, "\xE3\x81\x82\n3\n");

  r = Script("BEGIN { printf \"01234567\xE3\x81\x82\" }");
  r.Encoding = TextEncoding::Utf8;
  r.OutputCap = 10;
  res = RunToEnd(r);
  EXPECT_EQ(res.OmittedBytes, 3u);
  EXPECT_EQ(res.Output, "01234567\r\n" + PreviewOmittedTail(3, TextEncoding::Utf8));
  EXPECT_EQ(PreviewOmittedTail(3, TextEncoding::Utf8), "\xE2\x80\xA6\xEF\xBC\x88\xE6\xAE\x8B\xE3\x82\x8A 3 "
                                                      "\xE3\x83\x90\xE3\x82\xA4\xE3\x83\x88\xE3\x81\xAF\xE8\xA1\xA8"
                                                      "\xE7\xA4\xBA\xE3\x81\x97\xE3\x81\xBE\xE3\x81\x9B\xE3\x82\x93"
                                                      "\xEF\xBC\x89\r\n");
  for (auto [cap, want] : {std::pair{std::size_t(8), std::size_t(8)}, {9, 8}, {10, 8}, {11, 11}})
    EXPECT_EQ(CapAtCharBoundary("01234567\xE3\x81\x82!", cap, TextEncoding::Utf8), want) << cap;
}

TEST(PreviewRunner, OptionsAndFailuresToStart) {
  PreviewRequest r = Script("BEGIN { print v }");
  r.Options = "-v 'v=a b'";
  EXPECT_EQ(RunToEnd(r).Output, "a b\n");

  r.Options = "-v 'v=a";  // a quote left open
  PreviewResult res = RunToEnd(r);
  EXPECT_EQ(res.End, PreviewEnd::NotStarted);
  EXPECT_EQ(res.Error, Sj(kUnbalancedQuoteError));

  r = Script("BEGIN { print 1 }");
  r.AwkPath = "/nonexistent/gawk";
  res = RunToEnd(r);
  EXPECT_EQ(res.End, PreviewEnd::NotStarted);
  EXPECT_NE(res.Error.find("/nonexistent/gawk"), std::string::npos);
}

}  // namespace
}  // namespace tolvan
