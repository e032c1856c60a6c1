// Jobs that must refuse, stop or fail instead of destroying files, hanging
// or reporting success: outputs that are inputs or the script, named pipes,
// cancel between runs, a gawk killed by a signal, names beginning with "-",
// and a program started with its standard input closed.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>

#include "job/job_files.h"
#include "job/runners.h"
#include "job/thread_do_job.h"
#include "job_test_support.h"
#include "support/temp_dir.h"

namespace tolvan {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;
using test::kGawk;
using test::ReadBytes;
using test::Sj;
using test::WriteBytes;

BaseCommandLine Base(bool oneLiner, const std::string& textOrPath) {
  CommandLineInputs in;
  in.AwkPath = kGawk;
  in.OneLiner = oneLiner;
  (oneLiner ? in.OneLinerText : in.ScriptPath) = textOrPath;
  auto r = ComposeBaseCommandLine(in);
  EXPECT_TRUE(r.Ok);
  return r.Line;
}

struct Outcome {
  test::RecordingHost host;
  std::string out, err;
  // Runs the job; when it has not ended after limit, release() is called
  // (to unblock whatever it hangs on) and the hang is reported.
  void Run(TJobRecord r, std::function<void(TThreadDoJob&)> hook = {},
           std::function<void()> release = {}) {
    TThreadDoJob job(std::move(r), host, out, err);
    if (hook) hook(job);
    job.Start();
    if (!host.WaitEnded(10s)) {
      ADD_FAILURE() << "the job hangs";
      job.Terminate();
      if (release) release();
      ASSERT_TRUE(host.WaitEnded(60s));
    }
  }
};

class JobFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    script = (dir / "s.awk").string();
    a = (dir / "a.txt").string();
    newA = (dir / "new_a.txt").string();
    WriteBytes(script, "{ print \"out:\" $0 }\n");
    WriteBytes(a, "a\n");
    WriteBytes(newA, "precious\n");
  }
  TJobRecord Record(int output, std::vector<std::string> inputs) {
    TJobRecord r;
    r.Base = Base(false, script);
    r.InputList = std::move(inputs);
    r.OutputMode = output;
    return r;
  }
  test::TempDir dir;
  std::string script, a, newA;
};

TEST_F(JobFiles, AnOutputThatIsTheScriptIsRefusedBeforeAnythingRuns) {
  const std::string viaLink = (dir / "link.awk").string();
  fs::create_symlink(script, viaLink);
  for (int mode : {omFileOverwrite, omFileAppend}) {
    for (const std::string& out : {script, (dir / "." / "s.awk").string(), viaLink}) {
      Outcome o;
      auto r = Record(mode, {a});
      r.OutputName = out;
      o.Run(r);
      EXPECT_EQ(o.err, Sj("出力ファイルとスクリプトファイルを同じにすることはできません: ") + out + "\r\n");
      EXPECT_EQ(ReadBytes(script), "{ print \"out:\" $0 }\n");
      EXPECT_TRUE(o.host.progress.empty());  // nothing ran
    }
  }
  // Without inputs too.
  Outcome o;
  auto r = Record(omFileOverwrite, {});
  r.InputMode = imNull;
  r.OutputName = script;
  o.Run(r);
  EXPECT_NE(o.err, "");
  EXPECT_EQ(ReadBytes(script), "{ print \"out:\" $0 }\n");
}

TEST_F(JobFiles, NewFilesThatAreInputsAreRefusedBeforeAnythingRuns) {
  // A prefix that leads back to the input itself.
  Outcome same;
  auto r = Record(omFilesNew, {a, newA});
  r.OutputName = "./";
  same.Run(r);
  EXPECT_EQ(same.err, Sj("出力ファイルと入力ファイルを同じにすることはできません: ") + dir.path().string() + "/./a.txt\r\n");
  EXPECT_EQ(ReadBytes(a), "a\n");
  EXPECT_EQ(ReadBytes(newA), "precious\n");
  EXPECT_TRUE(same.host.progress.empty());

  // a.txt's output is new_a.txt, a later input: refused, not overwritten
  // before it is read, and no output at all is written.
  Outcome later;
  r.OutputName = "new_";
  later.Run(r);
  EXPECT_EQ(later.err, Sj("出力ファイルと入力ファイルを同じにすることはできません: ") + newA + "\r\n");
  EXPECT_EQ(ReadBytes(newA), "precious\n");
  EXPECT_FALSE(fs::exists(dir / "new_new_a.txt"));
  EXPECT_TRUE(later.host.progress.empty());

  // The script among the outputs: prefix "s." and an input named "awk".
  const std::string awk = (dir / "awk").string();
  WriteBytes(awk, "w\n");
  Outcome scriptOut;
  auto q = Record(omFilesNew, {awk});
  q.OutputName = "s.";
  scriptOut.Run(q);
  EXPECT_EQ(scriptOut.err, Sj("出力ファイルとスクリプトファイルを同じにすることはできません: ") + script + "\r\n");
  EXPECT_EQ(ReadBytes(script), "{ print \"out:\" $0 }\n");
}

TEST_F(JobFiles, TheClipboardFileIsAnInputToo) {
  const std::string clip = (dir / "TEMPCLIP.txt").string();
  WriteBytes(clip, "clip\n");
  Outcome o;
  auto r = Record(omFileOverwrite, {});
  r.InputMode = imClipboard;
  r.ClipboardFile = clip;
  r.OutputName = clip;
  o.Run(r);
  EXPECT_EQ(o.err, Sj("出力ファイルと入力ファイルを同じにすることはできません: ") + clip + "\r\n");
  EXPECT_EQ(ReadBytes(clip), "clip\n");
  // A different output runs as usual.
  Outcome ok;
  r.OutputName = (dir / "out.txt").string();
  ok.Run(r);
  EXPECT_EQ(ok.err, "");
  EXPECT_EQ(ReadBytes(dir / "out.txt"), "out:clip\n");
}

TEST_F(JobFiles, NamedPipesAreRefusedAndNeverWaitedFor) {
  const std::string fifo = (dir / "fifo").string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  // Opening the pipe's other end lets a blocked open go on.
  auto releaseWriter = [&] {
    int fd = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    if (fd >= 0) ::close(fd);
  };
  auto releaseReader = [&] {
    int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
    if (fd >= 0) ::close(fd);
  };

  Outcome out;
  auto r = Record(omFileOverwrite, {a});
  r.OutputName = fifo;
  out.Run(r, {}, releaseWriter);
  EXPECT_EQ(out.err, Sj("出力ファイルが通常のファイルではありません: ") + fifo + "\r\n");

  Outcome files;
  auto n = Record(omFilesNew, {a});
  ASSERT_EQ(::mkfifo((dir / "p_a.txt").c_str(), 0600), 0);
  n.OutputName = "p_";
  files.Run(n);
  EXPECT_EQ(files.err, Sj("出力ファイルが通常のファイルではありません: ") + (dir / "p_a.txt").string() + "\r\n");

  Outcome scr;
  auto s = Record(omScreen, {a});
  s.Base = Base(false, fifo);
  scr.Run(s, {}, releaseReader);
  EXPECT_EQ(scr.err, Sj("スクリプトファイルが通常のファイルではありません: ") + fifo + "\r\n");
}

TEST(FileRunnerSafety, APipeOrACancelledRunLeavesTheOutputAlone) {
  test::TempDir dir;
  std::string out, err;
  std::atomic<bool> cancel{false};
  RunnerContext ctx;
  ctx.Out = &out;
  ctx.Err = &err;
  ctx.Cancel = &cancel;
  CommandLine line{"", {kGawk, "BEGIN { print \"new\" }"}};

  // The output became a named pipe after the job's own check.
  const std::string fifo = (dir / "fifo").string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::atomic<bool> done{false};
  std::thread runner([&] {
    RunFileRunner(line, fifo, true, ctx);
    done = true;
  });
  if (!test::WaitUntil([&] { return done.load(); }, 10s)) {
    ADD_FAILURE() << "the runner waits for a reader of the pipe";
    int fd = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);  // lets it go on
    runner.join();
    ::close(fd);
  } else {
    runner.join();
  }
  EXPECT_EQ(err, NotRegularOutputMessage(fifo));

  // Cancelled before the run: the existing output is not emptied.
  const std::string file = (dir / "out.txt").string();
  WriteBytes(file, "kept\n");
  err.clear();
  cancel = true;
  RunFileRunner(line, file, true, ctx);
  EXPECT_EQ(err, CancelledMessage());
  EXPECT_EQ(ReadBytes(file), "kept\n");
}

TEST_F(JobFiles, CancelBetweenRunsLeavesTheNextOutputAlone) {
  const std::string b = (dir / "b.txt").string();
  WriteBytes(b, "b\n");
  WriteBytes((dir / "new_b.txt").string(), "earlier output\n");
  Outcome o;
  auto r = Record(omFilesNew, {a, b});
  r.OutputName = "new_";
  // Cancel arrives just after the first run, before the second opens its file.
  o.Run(r, [&](TThreadDoJob& job) {
    o.host.onProgress = [&job](const std::string& count) {
      if (count == "2/2") job.Terminate();
    };
  });
  EXPECT_EQ(ReadBytes(newA), "out:a\n");
  EXPECT_EQ(ReadBytes(dir / "new_b.txt"), "earlier output\n");
  EXPECT_EQ(o.err, CancelledMessage());
}

TEST(KilledBySignal, IsAFailureThatStopsTheJob) {
  test::TempDir dir;
  const std::string a = (dir / "a.txt").string(), b = (dir / "b.txt").string();
  WriteBytes(a, "a\n");
  WriteBytes(b, "b\n");
  Outcome o;
  TJobRecord r;
  // Dies as the out-of-memory killer would kill it, after some output.
  r.Base = Base(true, "{ print; fflush(); system(\"kill -KILL \" PROCINFO[\"pid\"]) }");
  r.InputList = {a, b};
  r.OutputMode = omScreen;
  o.Run(r);
  EXPECT_EQ(o.out, "a\n");  // the second input never ran
  EXPECT_EQ(o.err, KilledBySignalMessage(kGawk, SIGKILL));
  EXPECT_EQ(o.err, Sj("プログラムがシグナルで終了しました: ") + kGawk + ": SIGKILL (Killed)\r\n");

  // To a file, past the file size limit.
  Outcome f;
  r.Base = Base(true, "BEGIN { printf \"part\"; fflush(); system(\"kill -XFSZ \" PROCINFO[\"pid\"]) }");
  r.InputMode = imNull;
  r.OutputMode = omFileOverwrite;
  r.OutputName = (dir / "out.txt").string();
  f.Run(r);
  EXPECT_EQ(ReadBytes(dir / "out.txt"), "part");
  EXPECT_EQ(f.err, KilledBySignalMessage(kGawk, SIGXFSZ));

  // A plain non-zero exit is still no failure.
  Outcome e;
  r.Base = Base(true, "BEGIN { print \"x\"; exit 3 }");
  r.OutputMode = omScreen;
  e.Run(r);
  EXPECT_EQ(e.err, "");
  EXPECT_EQ(e.out, "x\n");
}

TEST(DashNames, ReachGawkAsFilesWhenTheScriptIsAFile) {
  test::TempDir dir;
  WriteBytes((dir / "s.awk").string(), "{ print FILENAME \":\" $0 }\n");
  WriteBytes((dir / "-notes.txt").string(), "n\n");
  WriteBytes((dir / "-").string(), "d\n");
  const auto cwd = fs::current_path();
  fs::current_path(dir.path());
  Outcome o;
  TJobRecord r;
  r.Base = Base(false, (dir / "s.awk").string());
  r.InputList = {"-notes.txt", "-"};
  r.OutputMode = omScreen;
  o.Run(r);
  Outcome single;
  r.SingleCommandLine = true;
  single.Run(r);
  fs::current_path(cwd);
  EXPECT_EQ(o.err, "");
  EXPECT_EQ(o.out, "./-notes.txt:n\n./-:d\n");
  EXPECT_EQ(single.err, "");
  EXPECT_EQ(single.out, "./-notes.txt:n\n./-:d\n");
  EXPECT_FALSE(fs::exists(dir / "tes.txt"));  // "-n -o tes.txt" never reached gawk
}

TEST(ClosedStandardInput, OutputsStillReachTheirFiles) {
  test::TempDir dir;
  std::string out, err;
  RunnerContext ctx;
  ctx.Out = &out;
  ctx.Err = &err;
  CommandLine line{"", {kGawk, "BEGIN { print \"to the file\" }"}};
  const std::string file = (dir / "out.txt").string();
  // As when started with standard input closed: the output file gets 0.
  int saved = ::fcntl(0, F_DUPFD_CLOEXEC, 3);
  ASSERT_GE(saved, 0);
  ::close(0);
  RunFileRunner(line, file, true, ctx);
  RunPipeRunner(line, ctx);
  ::dup2(saved, 0);
  ::close(saved);
  EXPECT_EQ(err, "");
  EXPECT_EQ(ReadBytes(file), "to the file\n");
  EXPECT_EQ(out, "to the file\n");
}

// Every file of a folder with its bytes.
std::map<std::string, std::string> Snapshot(const fs::path& folder) {
  std::map<std::string, std::string> m;
  for (const auto& e : fs::directory_iterator(folder)) m[e.path().filename()] = ReadBytes(e.path());
  return m;
}

TEST_F(JobFiles, AGawkThatCannotStartTouchesNoFile) {
  const std::string out = (dir / "out.txt").string(), notExecutable = (dir / "gawk").string();
  WriteBytes(out, "last month\n");
  WriteBytes(notExecutable, "#!/bin/sh\n");
  const auto before = Snapshot(dir.path());
  for (const std::string& gawk : {(dir / "none").string(), notExecutable, dir.path().string()}) {
    for (auto [output, parallel] : {std::pair{omFilesNew, 1}, {omFilesNew, 2}, {omFileOverwrite, 1}, {omFileAppend, 2}}) {
      auto r = Record(output, {a, script});
      r.Base.Argv[0] = gawk;
      r.OutputName = output == omFilesNew ? "new_" : out;
      r.Parallel = parallel;
      Outcome o;
      o.Run(r);
      EXPECT_EQ(o.err.rfind(Sj("プログラムを起動できません: ") + gawk + ": ", 0), 0u) << o.err;
      EXPECT_EQ(Snapshot(dir.path()), before) << gawk << " " << output;
    }
  }
}

// Cancel while the second input's run writes: in "1 Files(new)" its file goes
// and the first's stays; the one output file of "2"/"3" is named.
TEST_F(JobFiles, CancelRemovesTheCutNewFileOrNamesTheOutputAsIncomplete) {
  const std::string b = (dir / "b.txt").string(), newB = (dir / "new_b.txt").string(), out = (dir / "out.txt").string();
  WriteBytes(b, "b\n");
  WriteBytes(script, "{ print \"out:\" $0 } $0 == \"b\" { printf \"cut\"; fflush(); system(\"sleep 20\") }\n");
  for (auto [output, single] : {std::pair{omFilesNew, false}, {omFileOverwrite, false}, {omFileAppend, true}}) {
    WriteBytes(newB, "last month\n");
    fs::remove(out);
    auto r = Record(output, {a, b});
    r.OutputName = output == omFilesNew ? "new_" : out;
    r.SingleCommandLine = single;
    const std::string written = output == omFilesNew ? newB : out;
    Outcome o;
    std::thread watcher;
    o.Run(r, [&](TThreadDoJob& job) {
      o.host.onProgress = [&](const std::string& count) {
        if (count != (single ? "" : "2/2")) return;
        watcher = std::thread([&job, written] {
          test::WaitUntil([&] { return ReadBytes(written).find("cut") != std::string::npos; }, 10s);
          job.Terminate();
        });
      };
    });
    watcher.join();
    const bool newFiles = output == omFilesNew;
    EXPECT_EQ(o.err, CancelledMessage() + (newFiles ? "" : Sj("\r\n出力ファイルは途中までです: ") + out));
    EXPECT_EQ(fs::exists(newB), !newFiles);
    if (newFiles) EXPECT_EQ(ReadBytes(newA), "out:a\n");
  }
}

}  // namespace
}  // namespace tolvan
