#include "job/runners.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "job/option_runner.h"
#include "job_test_support.h"
#include "support/temp_dir.h"

namespace tolvan {
namespace {

using namespace std::chrono_literals;
using test::kGawk;
using test::Sj;

CommandLine Awk(std::vector<std::string> args) {
  CommandLine c;
  c.Argv.push_back(kGawk);
  for (auto& a : args) c.Argv.push_back(std::move(a));
  return c;
}

struct Texts {
  std::string out, err;
  std::atomic<bool> cancel{false};
  RunnerContext Ctx() {
    RunnerContext c;
    c.Out = &out;
    c.Err = &err;
    c.Cancel = &cancel;
    return c;
  }
};

TEST(PipeRunner, NothingWrittenLeavesBothTextsEmpty) {
  Texts t;
  auto ctx = t.Ctx();
  RunPipeRunner(Awk({"BEGIN { }"}), ctx);
  EXPECT_EQ(t.out, "");
  EXPECT_EQ(t.err, "");
}

TEST(PipeRunner, StandardInputIsAtEndOfFile) {
  Texts t;
  auto ctx = t.Ctx();
  RunPipeRunner(Awk({"{ n++ } END { print n + 0 }"}), ctx);  // no file: reads stdin
  EXPECT_EQ(t.out, "0\n");
}

TEST(PipeRunner, LargeOutputArrivesWholeAndInOrder) {
  for (int lines : {2000, 500000}) {  // 20 KB; 50 MB
    Texts t;
    auto ctx = t.Ctx();
    std::string prog = "BEGIN { for (i = 0; i < " + std::to_string(lines) +
                       "; i++) printf \"%09d" + std::string(lines > 2000 ? 90 : 0, 'x') + "\\n\", i }";
    RunPipeRunner(Awk({prog}), ctx);
    const std::size_t width = lines > 2000 ? 100 : 10;
    ASSERT_EQ(t.out.size(), width * lines);
    bool ordered = true;
    for (int i = 0; i < lines && ordered; ++i) {
      char expect[16];
      std::snprintf(expect, sizeof expect, "%09d", i);
      ordered = t.out.compare(static_cast<std::size_t>(i) * width, 9, expect) == 0 &&
                t.out[static_cast<std::size_t>(i + 1) * width - 1] == '\n';
      EXPECT_TRUE(ordered) << "line " << i;
    }
    EXPECT_EQ(t.err, "");
  }
}

TEST(PipeRunner, BytesAppendedExactlyAsWritten) {
  Texts t;
  t.out = "before|";
  auto ctx = t.Ctx();
  // CR LF, NUL, invalid CP932 bytes and a lone lead byte are not touched.
  RunPipeRunner(Awk({"BEGIN { printf \"a\\r\\nb\\0c\\x80\\xFF\\x83\" }"}), ctx);
  EXPECT_EQ(t.out, std::string("before|a\r\nb\0c\x80\xFF\x83", 16));
}

TEST(PipeRunner, StandardErrorOnly) {
  Texts t;
  auto ctx = t.Ctx();
  RunPipeRunner(Awk({"BEGIN { print \"warn\" > \"/dev/stderr\" }"}), ctx);
  EXPECT_EQ(t.out, "");
  EXPECT_EQ(t.err, "warn\n");
}

TEST(PipeRunner, ProgramThatCannotStartIsAFailureNamingIt) {
  Texts t;
  auto ctx = t.Ctx();
  CommandLine c;
  c.Argv = {"/no/such/gawk", "BEGIN{}"};
  RunPipeRunner(c, ctx);
  EXPECT_EQ(t.err, Sj("プログラムを起動できません: /no/such/gawk: ファイルまたはフォルダがありません\r\n"));
  EXPECT_NE(t.err.find("/no/such/gawk"), std::string::npos);
  EXPECT_EQ(t.out, "");
}

TEST(PipeRunner, LocaleIsCUnlessInherited) {
  Texts t;
  auto ctx = t.Ctx();
  RunPipeRunner(Awk({"BEGIN { print ENVIRON[\"LC_ALL\"] }"}), ctx);
  EXPECT_EQ(t.out, "C\n");

  t.out.clear();
  ctx.Locale = "C.UTF-8";
  RunPipeRunner(Awk({"BEGIN { print ENVIRON[\"LC_ALL\"] }"}), ctx);
  EXPECT_EQ(t.out, "C.UTF-8\n");

  t.out.clear();
  ::setenv("LC_ALL", "POSIX", 1);
  ctx.Locale = "inherit";
  RunPipeRunner(Awk({"BEGIN { print ENVIRON[\"LC_ALL\"] }"}), ctx);
  ::unsetenv("LC_ALL");
  EXPECT_EQ(t.out, "POSIX\n");
}

// Cancels from another thread once the child is surely running.
std::thread CancelLater(std::atomic<bool>& flag, const std::filesystem::path& started) {
  return std::thread([&flag, started] {
    test::WaitUntil([&] { return std::filesystem::exists(started); }, 10s);
    std::this_thread::sleep_for(100ms);
    flag = true;
  });
}

TEST(PipeRunner, CancelKillsTheGroupAndAppendsTheMessageOnce) {
  test::TempDir dir;
  auto started = dir / "started";
  auto pidFile = dir / "grandchild.pid";
  Texts t;
  t.err = "x";
  auto ctx = t.Ctx();
  // A grandchild in the background, then a loop that never ends.
  std::string prog = "BEGIN { print \"partial\"; fflush(); system(\"sleep 300 & echo $! > '" + pidFile.string() +
                     "'; touch '" + started.string() + "'\"); while (1) { } }";
  std::thread canceller = CancelLater(t.cancel, started);
  RunPipeRunner(Awk({prog}), ctx);
  canceller.join();
  EXPECT_EQ(t.out, "partial\n");
  EXPECT_EQ(t.err, "x" + CancelledMessage());
  pid_t grandchild = test::ReadPid(pidFile);
  ASSERT_GT(grandchild, 0);
  EXPECT_TRUE(test::WaitUntil([&] { return test::ProcessGone(grandchild); }, 5s));

  // Already cancelled: the next run starts nothing and still says so once.
  auto marker = dir / "ran";
  RunPipeRunner(Awk({"BEGIN { printf \"\" > \"" + marker.string() + "\" }"}), ctx);
  EXPECT_EQ(t.err, "x" + CancelledMessage() + CancelledMessage());
  EXPECT_FALSE(std::filesystem::exists(marker));
}

TEST(PipeRunner, GrandchildHoldingThePipesDoesNotHoldTheRun) {
  test::TempDir dir;
  auto pidFile = dir / "bg.pid";
  Texts t;
  auto ctx = t.Ctx();
  std::string prog = "BEGIN { system(\"sleep 60 & echo $! > '" + pidFile.string() + "'\"); print \"done\" }";
  auto t0 = std::chrono::steady_clock::now();
  RunPipeRunner(Awk({prog}), ctx);
  auto took = std::chrono::steady_clock::now() - t0;
  pid_t bg = test::ReadPid(pidFile);
  if (bg > 0) ::kill(bg, SIGKILL);
  EXPECT_EQ(t.out, "done\n");
  EXPECT_LT(took, 30s);  // not the sleep's 60 s
}

// Collected output sits in a memory file until gawk ends; a background
// grandchild that writes to it afterwards neither adds to the text nor
// keeps memory growing: its writes fail, as they would on a pipe whose
// reader has gone.
TEST(PipeRunner, GrandchildWritingAfterTheEndIsRefused) {
  test::TempDir dir;
  auto marker = dir / "late";
  Texts t;
  auto ctx = t.Ctx();
  std::string prog = "BEGIN { print \"first\"; fflush(); system(\"(sleep 0.3; if echo late 2>/dev/null; then r=wrote; "
                     "else r=refused; fi; echo $r > '" + marker.string() + "') &\"); print \"last\" }";
  RunPipeRunner(Awk({prog}), ctx);
  EXPECT_EQ(t.out, "first\nlast\n");
  EXPECT_EQ(t.err, "");
  ASSERT_TRUE(test::WaitUntil([&] { return test::ReadBytes(marker) != "<missing>"; }, 10s));
  EXPECT_EQ(test::ReadBytes(marker), "refused\n");
}

TEST(FileRunner, CreatesEmptiesAndAppends) {
  test::TempDir dir;
  auto out = (dir / "out.txt").string();
  Texts t;
  auto ctx = t.Ctx();
  test::WriteBytes(out, "old content that is longer\n");
  RunFileRunner(Awk({"BEGIN { print \"one\" }"}), out, true, ctx);
  EXPECT_EQ(test::ReadBytes(out), "one\n");
  RunFileRunner(Awk({"BEGIN { print \"two\" }"}), out, false, ctx);
  EXPECT_EQ(test::ReadBytes(out), "one\ntwo\n");
  auto fresh = (dir / "fresh.txt").string();
  RunFileRunner(Awk({"BEGIN { print \"new\" }"}), fresh, false, ctx);  // append creates
  EXPECT_EQ(test::ReadBytes(fresh), "new\n");
  EXPECT_EQ(t.err, "");
  EXPECT_EQ(t.out, "");  // standard output went to the files only
}

TEST(FileRunner, StandardInputIsEmptyAndErrorsCollected) {
  test::TempDir dir;
  auto out = (dir / "o").string();
  Texts t;
  auto ctx = t.Ctx();
  RunFileRunner(Awk({"{ n++ } END { print n + 0; print \"e\" > \"/dev/stderr\" }"}), out, true, ctx);
  EXPECT_EQ(test::ReadBytes(out), "0\n");
  EXPECT_EQ(t.err, "e\n");
}

TEST(FileRunner, OutputThatCannotBeOpenedReplacesErrorTextAndStartsNothing) {
  test::TempDir dir;
  auto marker = dir / "ran";
  Texts t;
  t.err = "earlier";
  auto ctx = t.Ctx();
  RunFileRunner(Awk({"BEGIN { printf \"\" > \"" + marker.string() + "\" }"}), (dir / "no/such/out.txt").string(), true,
                ctx);
  EXPECT_EQ(t.err, Sj("出力ファイルの作成に失敗しました。") + (dir / "no/such/out.txt").string() +
                       Sj(": ファイルまたはフォルダがありません\r\n"));
  EXPECT_FALSE(std::filesystem::exists(marker));
}

// The program's own lines of an error text are told from gawk's, so batch
// mode can show them in the terminal's encoding.
TEST(OwnMessages, EveryFixedTextIsKnownAndGawksAreNot) {
  auto firstLine = [](const std::string& text) {
    std::string s = text.substr(text.rfind("\r\n", 0) == 0 ? 2 : 0);
    return s.substr(0, s.find("\r\n"));
  };
  for (const std::string& text :
       {CancelledMessage(), OutputFileFailedMessage(), OutputFileErrorMessage("/o", ENOSPC),
        CannotStartMessage("/g", "x"), KilledBySignalMessage("/g", 9), NotRegularOutputMessage("/o"),
        WriteFailedMessage("/o", EIO)})
    EXPECT_TRUE(IsOwnMessageLine(firstLine(text))) << text;
  for (const std::string& line : {std::string("gawk: cmd. line:1: syntax error"), std::string(),
                                  Sj("ユーザー"), std::string("/o: ") + Sj("ファイルまたはフォルダがありません")})
    EXPECT_FALSE(IsOwnMessageLine(line)) << line;
}

TEST(FileRunner, NeverEndingScriptCancelled) {
  test::TempDir dir;
  auto started = dir / "started";
  Texts t;
  auto ctx = t.Ctx();
  std::thread canceller = CancelLater(t.cancel, started);
  RunFileRunner(Awk({"BEGIN { print \"x\"; printf \"\" > \"" + started.string() + "\"; close(\"" +
                     started.string() + "\"); while (1) { } }"}),
                (dir / "out").string(), true, ctx);
  canceller.join();
  EXPECT_EQ(t.err, CancelledMessage());
  EXPECT_EQ(t.err, Sj("\r\nユーザーによって処理は中断されました"));
}

TEST(OptionRunner, UsageOnStandardErrorAndCyclesReported) {
  std::string out, err;
  int cycles = 0;
  RunOptionRunner(kGawk, "C", out, err, [&] { ++cycles; });
  EXPECT_NE(err.find("Usage: "), std::string::npos);  // the English usage: LC_ALL=C
  EXPECT_EQ(out, "");
  EXPECT_GE(cycles, 1);
}

TEST(OptionRunner, EmptyPathRunsNothingAndBadPathSaysWhy) {
  std::string out, err;
  RunOptionRunner("", "C", out, err, [] {});
  EXPECT_EQ(out + err, "");
  RunOptionRunner("/no/such/awk", "C", out, err, [] {});
  EXPECT_EQ(err, CannotStartMessage("/no/such/awk", "ファイルまたはフォルダがありません"));
}

TEST(ProcessRequestTest, RunsInTheWorkingFolderGiven) {
  test::TempDir dir;
  test::WriteBytes(dir / "marker", "here\n");
  std::string out, err;
  ProcessRequest req;
  req.Argv = {kGawk, "BEGIN { while ((getline l < \"marker\") > 0) print l }"};
  req.WorkingFolder = dir.path().string();
  ProcessSinks sinks;
  sinks.Out = &out;
  sinks.Err = &err;
  DefaultProcessLauncher().Run(req, sinks);
  EXPECT_EQ(out, "here\n");
}

TEST(ProcessStreaming, PiecesArriveWhileRunningWholeAndInOrder) {
  // Large: every byte, in order, through the callback alone.
  std::string got, err;
  ProcessRequest req;
  req.Argv = {kGawk, "BEGIN { for (i = 0; i < 300000; i++) printf \"%09d\\n\", i; print \"e\" > \"/dev/stderr\" }"};
  ProcessSinks sinks;
  sinks.Err = &err;
  int pieces = 0;
  sinks.OnOutput = [&](const char* d, std::size_t n) {
    got.append(d, n);
    ++pieces;
  };
  ProcessResult r = DefaultProcessLauncher().Run(req, sinks);
  EXPECT_EQ(r.Outcome, ProcessOutcome::Finished);
  ASSERT_EQ(got.size(), 3000000u);
  bool ordered = true;
  for (int i = 0; i < 300000 && ordered; i += 997) ordered = got.compare(i * 10, 9, [&] {
    char b[16];
    std::snprintf(b, sizeof b, "%09d", i);
    return std::string(b);
  }()) == 0;
  EXPECT_TRUE(ordered);
  EXPECT_GT(pieces, 1);
  EXPECT_EQ(err, "e\n");

  // A child that never ends: its first line is handed on while it runs.
  std::atomic<bool> cancel{false};
  std::string early;
  req.Argv = {kGawk, "BEGIN { print \"first\"; fflush(); while (1) ; }"};
  sinks.Cancel = &cancel;
  sinks.OnOutput = [&](const char* d, std::size_t n) {
    early.append(d, n);
    cancel = true;
  };
  r = DefaultProcessLauncher().Run(req, sinks);
  EXPECT_EQ(r.Outcome, ProcessOutcome::Cancelled);
  EXPECT_EQ(early, "first\n");
}

}  // namespace
}  // namespace tolvan
