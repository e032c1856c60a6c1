#include "job/thread_do_job.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>

#include "job/runners.h"
#include "job_test_support.h"
#include "support/temp_dir.h"

namespace tolvan {
namespace {

using namespace std::chrono_literals;
using test::kGawk;
using test::ReadBytes;
using test::Sj;
using test::WriteBytes;
using Steps = std::vector<std::pair<std::string, std::string>>;

BaseCommandLine OneLinerBase(const std::string& program) {
  CommandLineInputs in;
  in.AwkPath = kGawk;
  in.OneLiner = true;
  in.OneLinerText = program;
  auto r = ComposeBaseCommandLine(in);
  EXPECT_TRUE(r.Ok);
  return r.Line;
}

struct Job {
  test::RecordingHost host;
  std::string out, err;
  TSharedBytes* screen = nullptr;
  std::vector<std::string> exits;

  void Run(TJobRecord record) {
    TThreadDoJob job(std::move(record), host, out, err, screen);
    job.Start();
    ASSERT_TRUE(host.WaitEnded(60s));
    job.WaitFor();
    exits = job.ExitStatuses();
    EXPECT_TRUE(job.Finished());
    EXPECT_EQ(host.ended, 1);
  }
  Steps Progress() const {
    Steps s;
    for (const auto& p : host.progress) s.emplace_back(p.label, p.count);
    return s;
  }
};

class JobThread : public ::testing::Test {
 protected:
  void SetUp() override {
    a = (dir / "a.txt").string();
    b = (sub / "b.txt").string();
    c = (dir / "c.txt").string();
    std::filesystem::create_directories(sub);
    WriteBytes(a, "a1\na2\n");
    WriteBytes(b, "b1\n");
    WriteBytes(c, "c1\n");
  }
  TJobRecord Record(int output, std::string program = "{ print }") {
    TJobRecord r;
    r.Base = OneLinerBase(program);
    r.InputList = {a, b, c};
    r.OutputMode = output;
    r.InputMode = imFile;
    return r;
  }

  test::TempDir dir;
  std::filesystem::path sub = dir / "sub";
  std::string a, b, c;
};

TEST_F(JobThread, NewFilesLoopWritesBesideEachInput) {
  Job j;
  j.err = "left from before";
  auto r = Record(omFilesNew, "{ print FNR \":\" $0 }");
  r.OutputName = "new_";
  j.Run(r);
  EXPECT_EQ(ReadBytes(dir / "new_a.txt"), "1:a1\n2:a2\n");
  EXPECT_EQ(ReadBytes(sub / "new_b.txt"), "1:b1\n");
  EXPECT_EQ(ReadBytes(dir / "new_c.txt"), "1:c1\n");
  EXPECT_EQ(j.err, "");
  EXPECT_EQ(j.out, "");
  EXPECT_EQ(j.Progress(), (Steps{{"a.txt", "1/3"}, {"b.txt", "2/3"}, {"c.txt", "3/3"}}));
  EXPECT_TRUE(j.host.clipboard.empty());
  EXPECT_TRUE(j.host.exceptions.empty());
}

// "Files(new)" makes each output anew: an existing, longer file is emptied
// first, so running the same job twice leaves one copy of the output.
TEST_F(JobThread, NewFilesLoopEmptiesAnExistingOutput) {
  WriteBytes(dir / "new_a.txt", "an older and much longer output\n");
  auto r = Record(omFilesNew);
  r.OutputName = "new_";
  for (int run = 0; run < 2; ++run) {
    Job j;
    j.Run(r);
    EXPECT_EQ(j.err, "");
    EXPECT_EQ(ReadBytes(dir / "new_a.txt"), "a1\na2\n") << "run " << run;
    EXPECT_EQ(ReadBytes(sub / "new_b.txt"), "b1\n") << "run " << run;
  }
}

TEST_F(JobThread, NewFilesLoopStopsAtAnOutputThatCannotBeCreated) {
  Job j;
  auto r = Record(omFilesNew);
  r.InputList = {a, (dir / "missing/x.txt").string(), c};
  r.OutputName = "new_";
  j.Run(r);
  EXPECT_EQ(j.err, Sj("出力ファイルの作成に失敗しました。") + (dir / "missing/new_x.txt").string() +
                       Sj(": ファイルまたはフォルダがありません\r\n"));
  EXPECT_EQ(ReadBytes(dir / "new_a.txt"), "a1\na2\n");  // written before the failure, kept
  EXPECT_FALSE(std::filesystem::exists(dir / "new_c.txt"));
  EXPECT_EQ(j.host.progress.size(), 2u);
}

TEST(NewFileOutputPath, FolderPrefixName) {
  EXPECT_EQ(TThreadDoJob::NewFileOutputPath("/d/a.txt", "new_"), "/d/new_a.txt");
  EXPECT_EQ(TThreadDoJob::NewFileOutputPath("/a.txt", "new_"), "/new_a.txt");
  EXPECT_EQ(TThreadDoJob::NewFileOutputPath("a.txt", "new_"), "new_a.txt");
  EXPECT_EQ(TThreadDoJob::NewFileOutputPath("rel/d/a b.txt", "p "), "rel/d/p a b.txt");
  EXPECT_EQ(TThreadDoJob::FileNamePart("/d/e/f.txt"), "f.txt");
  EXPECT_EQ(TThreadDoJob::FileNamePart("f.txt"), "f.txt");
}

TEST_F(JobThread, OneFileLoopOverwriteKeepsLastRunAppendKeepsAll) {
  auto out = (dir / "out.txt").string();
  WriteBytes(out, "old\n");
  Job j;
  auto r = Record(omFileOverwrite);
  r.OutputName = out;
  j.Run(r);
  EXPECT_EQ(ReadBytes(out), "c1\n");
  EXPECT_EQ(j.Progress(), (Steps{{"a.txt", "1/3"}, {"b.txt", "2/3"}, {"c.txt", "3/3"}}));

  WriteBytes(out, "old\n");
  Job k;
  r.OutputMode = omFileAppend;
  k.Run(r);
  EXPECT_EQ(ReadBytes(out), "old\na1\na2\nb1\nc1\n");
  EXPECT_EQ(k.err, "");
}

TEST_F(JobThread, OneFileLoopOutputFolderMissing) {
  Job j;
  auto r = Record(omFileOverwrite);
  r.OutputName = (dir / "nowhere/out.txt").string();
  j.Run(r);
  EXPECT_EQ(j.err, OutputFileErrorMessage(r.OutputName, ENOENT));
  EXPECT_EQ(j.host.progress.size(), 1u);
}

TEST_F(JobThread, CollectLoopScreenConcatenatesRuns) {
  Job j;
  j.err = "stale";
  j.Run(Record(omScreen));
  EXPECT_EQ(j.out, "a1\na2\nb1\nc1\n");
  EXPECT_EQ(j.err, "");
  EXPECT_EQ(j.Progress(), (Steps{{"a.txt", "1/3"}, {"b.txt", "2/3"}, {"c.txt", "3/3"}}));
}

TEST_F(JobThread, CollectLoopMissingInputStopsWithGawksMessage) {
  Job j;
  auto r = Record(omNull);
  auto missing = (dir / "no_such_folder/x.txt").string();
  r.InputList = {a, missing, c};
  j.Run(r);
  EXPECT_NE(j.err.find("cannot open file"), std::string::npos) << j.err;
  EXPECT_NE(j.err.find(missing), std::string::npos);
  EXPECT_EQ(j.out, "a1\na2\n");  // c never ran
  EXPECT_EQ(j.host.progress.size(), 2u);
}

TEST_F(JobThread, ClipboardModeHandsOverAndEmptiesOutput) {
  Job j;
  j.Run(Record(omClipboard));
  ASSERT_EQ(j.host.clipboard.size(), 1u);
  EXPECT_EQ(j.host.clipboard[0], "a1\na2\nb1\nc1\n");
  EXPECT_EQ(j.out, "");
}

TEST_F(JobThread, ClipboardModeLeavesClipboardAloneOnError) {
  Job j;
  j.Run(Record(omClipboard, "{ print } FILENAME ~ /b.txt/ { print \"bad\" > \"/dev/stderr\" }"));
  EXPECT_TRUE(j.host.clipboard.empty());
  EXPECT_EQ(j.err, "bad\n");
  EXPECT_EQ(j.out, "a1\na2\nb1\n");
}

TEST_F(JobThread, NullModeWithAndWithoutOutput) {
  Job j;
  j.Run(Record(omNull, "{ }"));
  EXPECT_EQ(j.out + j.err, "");
  Job k;
  k.Run(Record(omNull, "END { print NR }"));
  EXPECT_EQ(k.out, "2\n1\n1\n");
}

TEST_F(JobThread, SingleCommandLineIsOneRunOverAllInputs) {
  Job j;
  auto r = Record(omScreen, "{ print } END { print NR }");
  r.SingleCommandLine = true;
  j.Run(r);
  EXPECT_EQ(j.out, "a1\na2\nb1\nc1\n4\n");
  EXPECT_EQ(j.Progress(), (Steps{{"実行中", ""}}));
  EXPECT_EQ(j.host.cursor, (std::vector<bool>{true, false}));

  auto out = (dir / "single.txt").string();
  WriteBytes(out, "old\n");
  for (int mode : {omFileOverwrite, omFileAppend}) {
    Job k;
    r.OutputMode = mode;
    r.OutputName = out;
    k.Run(r);
    EXPECT_EQ(k.err, "");
    EXPECT_EQ(k.host.cursor, (std::vector<bool>{true, false}));
  }
  EXPECT_EQ(ReadBytes(out), "a1\na2\nb1\nc1\n4\na1\na2\nb1\nc1\n4\n");

  Job m;
  r.OutputMode = omClipboard;
  m.Run(r);
  EXPECT_EQ(m.host.clipboard, (std::vector<std::string>{"a1\na2\nb1\nc1\n4\n"}));
  EXPECT_EQ(m.out, "");

  Job n;  // the combination the run checks refuse does nothing
  r.OutputMode = omFilesNew;
  n.Run(r);
  EXPECT_TRUE(n.host.progress.empty());
}

TEST_F(JobThread, ClipboardInputRunsOnTheClipboardFile) {
  auto clip = (dir / "TEMPCLIP.txt").string();
  WriteBytes(clip, "x y\nz");
  Job j;
  auto r = Record(omScreen, "{ print NF }");
  r.InputMode = imClipboard;
  r.ClipboardFile = clip;
  j.Run(r);
  EXPECT_EQ(j.out, "2\n1\n");
  EXPECT_EQ(j.Progress(), (Steps{{"クリップボード", "1/1"}}));

  auto out = (dir / "clip_out.txt").string();
  Job k;
  r.OutputMode = omFileOverwrite;
  r.OutputName = out;
  k.Run(r);
  EXPECT_EQ(ReadBytes(out), "2\n1\n");

  Job m;
  r.OutputMode = omClipboard;
  m.Run(r);
  EXPECT_EQ(m.host.clipboard, (std::vector<std::string>{"2\n1\n"}));
}

// Every run that exits non-zero is named, in input order, and the job goes
// on: only error text stops it.
TEST_F(JobThread, RunsThatExitNonZeroAreNamed) {
  const std::string bOnlySucceeds = "{ print } END { if (FILENAME !~ /b.txt/) exit 3 }";
  const std::vector<std::string> aAndC = {"gawk の終了コード 3: " + a, "gawk の終了コード 3: " + c};
  struct Case {
    const char* what;
    int input, output;
    bool single;
    int parallel;
    std::string program;
    std::vector<std::string> exits;
  } cases[] = {
      {"one run per input", imFile, omScreen, false, 1, bOnlySucceeds, aAndC},
      {"new files", imFile, omFilesNew, false, 1, bOnlySucceeds, aAndC},
      {"appended to one file", imFile, omFileAppend, false, 1, bOnlySucceeds, aAndC},
      {"several at once", imFile, omScreen, false, 3, bOnlySucceeds, aAndC},
      {"several at once into files", imFile, omFilesNew, false, 3, bOnlySucceeds, aAndC},
      {"all inputs in one run", imFile, omScreen, true, 1, bOnlySucceeds, {"gawk の終了コード 3"}},
      {"no input", imNull, omNull, false, 1, "BEGIN { exit 1 }", {"gawk の終了コード 1"}},
      {"clipboard", imClipboard, omScreen, false, 1, "{ exit 5 }", {"gawk の終了コード 5: クリップボード"}},
      // The error text names the signal; there is no exit status.
      {"killed", imNull, omScreen, false, 1, "BEGIN { system(\"kill -KILL \" PROCINFO[\"pid\"]) }", {}},
  };
  for (const Case& cs : cases) {
    Job j;
    auto r = Record(cs.output, cs.program);
    r.InputMode = cs.input;
    r.SingleCommandLine = cs.single;
    r.Parallel = cs.parallel;
    r.ClipboardFile = a;
    r.OutputName = cs.output == omFilesNew ? "new_" : (dir / "out.txt").string();
    j.Run(r);
    EXPECT_EQ(j.exits, cs.exits) << cs.what;
    if (cs.input == imFile && cs.output == omScreen && !cs.exits.empty()) {
      EXPECT_EQ(j.out, "a1\na2\nb1\nc1\n") << cs.what;
    }
  }
}

TEST_F(JobThread, NullInputRunsBeginAndEndOnly) {
  Job j;
  auto r = Record(omScreen, "BEGIN { print \"b\" } { print \"line\" } END { print NR }");
  r.InputMode = imNull;
  j.Run(r);
  EXPECT_EQ(j.out, "b\n0\n");
  EXPECT_EQ(j.Progress(), (Steps{{"実行中", ""}}));

  auto out = (dir / "null_out.txt").string();
  WriteBytes(out, "old\n");
  Job k;
  r.OutputMode = omFileAppend;
  r.OutputName = out;
  k.Run(r);
  EXPECT_EQ(ReadBytes(out), "old\nb\n0\n");

  Job m;  // output 0 with input Null is refused by the run checks: nothing happens
  r.OutputMode = omFilesNew;
  m.Run(r);
  EXPECT_TRUE(m.host.progress.empty());
  EXPECT_EQ(m.out + m.err, "");
}

// "4 Screen" output left shared holds exactly what the output text would
// hold, in every procedure that collects, and is the memory file the runs
// wrote, mapped, not a copy of it. The text stays empty.
TEST_F(JobThread, SharedScreenOutputIsWhatTheTextWouldHold) {
  auto clip = (dir / "TEMPCLIP.txt").string();
  WriteBytes(clip, "x y\nz");
  struct Case {
    const char* name;
    std::function<void(TJobRecord&)> set;
  };
  const std::vector<Case> cases = {
      {"collect loop", [](TJobRecord&) {}},
      {"one input", [&](TJobRecord& r) { r.InputList = {b}; }},
      {"no output", [](TJobRecord& r) { r.Base = OneLinerBase("{ }"); }},
      {"error in the second", [](TJobRecord& r) {
         r.Base = OneLinerBase("{ print } FILENAME ~ /b.txt/ { print \"bad\" > \"/dev/stderr\" }");
       }},
      {"single command line", [](TJobRecord& r) { r.SingleCommandLine = true; }},
      {"clipboard input", [&](TJobRecord& r) {
         r.InputMode = imClipboard;
         r.ClipboardFile = clip;
       }},
      {"null input", [](TJobRecord& r) {
         r.InputMode = imNull;
         r.Base = OneLinerBase("BEGIN { printf \"%5000s\", \"b\" }");
       }},
      {"three at once", [](TJobRecord& r) { r.Parallel = 3; }},
      {"three at once, an error", [](TJobRecord& r) {
         r.Parallel = 3;
         r.Base = OneLinerBase("{ print } FILENAME ~ /c.txt/ { print \"bad\" > \"/dev/stderr\" }");
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TJobRecord r = Record(omScreen);
    c.set(r);
    Job text;
    text.Run(r);
    Job shared;
    TSharedBytes bytes;
    shared.screen = &bytes;
    shared.Run(r);
    EXPECT_EQ(bytes.View(), text.out);
    EXPECT_EQ(shared.out, "");
    EXPECT_EQ(shared.err, text.err);
    EXPECT_EQ(shared.Progress(), text.Progress());
    if (!bytes.Empty()) {
      EXPECT_EQ(test::MappedFile(bytes.Data.get()).rfind("/memfd:tolvan-output", 0), 0u);
      EXPECT_EQ(bytes.Data.get()[bytes.Size], '\0');
    }
  }
  EXPECT_EQ(test::MemoryFileMappings(), 0);  // nothing kept once the bytes are dropped

  // Other output choices leave it alone and fill the text as before.
  Job null;
  TSharedBytes untouched;
  null.screen = &untouched;
  null.Run(Record(omNull));
  EXPECT_EQ(null.out, "a1\na2\nb1\nc1\n");
  EXPECT_TRUE(untouched.Empty());
  EXPECT_FALSE(untouched.Data);
}

TEST_F(JobThread, ProgramThatCannotStartEndsInTheErrorForm) {
  Job j;
  auto r = Record(omScreen);
  r.Base.Argv[0] = "/no/such/gawk";
  j.Run(r);
  EXPECT_NE(j.err.find("/no/such/gawk"), std::string::npos);
  EXPECT_NE(j.err.find(Sj("ファイルまたはフォルダがありません")), std::string::npos);
  EXPECT_EQ(j.host.progress.size(), 0u);  // known before any run
}

TEST_F(JobThread, ExceptionIsReportedAndTheEndStillComes) {
  Job j;
  auto r = Record(omScreen);
  r.Base.Argv.clear();  // what an unusable composition leaves
  j.Run(r);
  ASSERT_EQ(j.host.exceptions.size(), 1u);
  EXPECT_FALSE(j.host.exceptions[0].empty());
}

TEST_F(JobThread, HostMayFreeTheJobFromItsEndCall) {
  struct FreeingHost : test::RecordingHost {
    std::unique_ptr<TThreadDoJob> job;
    void JobEnded() override {
      job.reset();  // on the job thread itself
      RecordingHost::JobEnded();
    }
  } host;
  std::string out, err;
  host.job = std::make_unique<TThreadDoJob>(Record(omScreen), host, out, err);
  host.job->Start();
  ASSERT_TRUE(host.WaitEnded(60s));
  EXPECT_EQ(out, "a1\na2\nb1\nc1\n");
  std::this_thread::sleep_for(50ms);  // let the detached thread leave
}

}  // namespace
}  // namespace tolvan
