// Jobs with awkward file names, cancellation and CP932 program text.
#include <gtest/gtest.h>
#include <unistd.h>

#include "job/runners.h"
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

BaseCommandLine Compose(CommandLineInputs in) {
  in.AwkPath = kGawk;
  auto r = ComposeBaseCommandLine(in);
  EXPECT_TRUE(r.Ok);
  return r.Line;
}

BaseCommandLine OneLiner(const std::string& text, const std::string& options = "") {
  CommandLineInputs in;
  in.OneLiner = true;
  in.OneLinerText = text;
  in.Options = options;
  return Compose(in);
}

BaseCommandLine ScriptFile(const std::string& path, const std::string& options = "") {
  CommandLineInputs in;
  in.ScriptPath = path;
  in.Options = options;
  return Compose(in);
}

struct Outcome {
  test::RecordingHost host;
  std::string out, err;
};

void RunJob(TJobRecord r, Outcome& o) {
  TThreadDoJob job(std::move(r), o.host, o.out, o.err);
  job.Start();
  ASSERT_TRUE(o.host.WaitEnded(60s));
}

const std::vector<std::string> kHostileNames = {"a b.txt", "q\"uo'te.txt", "$HOME.txt", "new\nline.txt",
                                                "-dash.txt", Sj("表ソ.txt")};

TEST(HostileNames, ReachGawkExactlyAndNameTheirOutputs) {
  test::TempDir dir;
  auto folder = dir / "we$ird 'folder'";
  std::filesystem::create_directories(folder);
  std::vector<std::string> inputs;
  std::string expected;
  for (std::size_t i = 0; i < kHostileNames.size(); ++i) {
    auto p = (folder / kHostileNames[i]).string();
    WriteBytes(p, "content " + std::to_string(i) + "\n");
    inputs.push_back(p);
    expected += p + "|content " + std::to_string(i) + "\n";
  }

  Outcome screen;
  TJobRecord r;
  r.Base = OneLiner("{ print FILENAME \"|\" $0 }");
  r.InputList = inputs;
  r.OutputMode = omScreen;
  RunJob(r, screen);
  EXPECT_EQ(screen.err, "");
  EXPECT_EQ(screen.out, expected);

  Outcome files;
  r.OutputMode = omFilesNew;
  r.OutputName = "new_";
  r.Base = OneLiner("{ print }");
  RunJob(r, files);
  EXPECT_EQ(files.err, "");
  for (std::size_t i = 0; i < kHostileNames.size(); ++i) {
    EXPECT_EQ(ReadBytes(folder / ("new_" + kHostileNames[i])), "content " + std::to_string(i) + "\n");
  }
  ASSERT_EQ(files.host.progress.size(), kHostileNames.size());
  EXPECT_EQ(files.host.progress[3].label, "new\nline.txt");

  Outcome single;
  r.OutputMode = omScreen;
  r.SingleCommandLine = true;
  r.Base = OneLiner("{ print FILENAME \"|\" $0 }");
  RunJob(r, single);
  EXPECT_EQ(single.out, expected);
}

TEST(HostileNames, ScriptPathAndOptionsWithQuotes) {
  test::TempDir dir;
  auto script = (dir / "it's a \"$cript\".awk").string();
  WriteBytes(script, "BEGIN { print v \"|\" w }\n");
  Outcome o;
  TJobRecord r;
  r.Base = ScriptFile(script, "-v 'v=a b' -v w=\"$HOME\"");
  r.InputMode = imNull;
  RunJob(r, o);
  EXPECT_EQ(o.err, "");
  EXPECT_EQ(o.out, "a b|$HOME\n");
}

TEST(HostileNames, RelativeNamesGawkWouldMisread) {
  test::TempDir dir;
  WriteBytes(dir / "-", "dash\n");
  WriteBytes(dir / "x=1.txt", "assign\n");
  char old[4096];
  ASSERT_NE(::getcwd(old, sizeof old), nullptr);
  ASSERT_EQ(::chdir(dir.path().c_str()), 0);
  Outcome o;
  TJobRecord r;
  r.Base = OneLiner("{ print x \"|\" $0 }");
  r.InputList = {"-", "x=1.txt"};
  r.OutputMode = omScreen;
  RunJob(r, o);
  ASSERT_EQ(::chdir(old), 0);
  EXPECT_EQ(o.err, "");
  EXPECT_EQ(o.out, "|dash\n|assign\n");
}

TEST(Cancel, DuringSecondOfFiveFiles) {
  for (int mode : {omScreen, omFilesNew}) {
    test::TempDir dir;
    TJobRecord r;
    for (int i = 1; i <= 5; ++i) {
      auto p = (dir / ("f" + std::to_string(i) + ".txt")).string();
      WriteBytes(p, "line " + std::to_string(i) + "\n");
      r.InputList.push_back(p);
    }
    r.Base = OneLiner("{ print } END { if (FILENAME ~ /f2/) while (1) { } }");
    r.OutputMode = mode;
    r.OutputName = "new_";
    Outcome o;
    TThreadDoJob job(r, o.host, o.out, o.err);
    std::thread canceller;
    o.host.onProgress = [&](const std::string& count) {
      if (count == "2/5") canceller = std::thread([&] {
          std::this_thread::sleep_for(300ms);  // the second gawk is looping by now
          job.Terminate();
        });
    };
    job.Start();
    ASSERT_TRUE(o.host.WaitEnded(60s));
    canceller.join();
    job.WaitFor();
    EXPECT_TRUE(job.Terminated());
    ASSERT_EQ(o.host.progress.size(), 2u) << "files three to five must not run";
    EXPECT_EQ(o.err, CancelledMessage());  // exactly once, and nothing else
    EXPECT_EQ(o.err, Sj("\r\nユーザーによって処理は中断されました"));
    if (mode == omScreen) {
      EXPECT_EQ(o.out.rfind("line 1\n", 0), 0u);
      EXPECT_EQ(o.out.find("line 3"), std::string::npos);
    } else {
      EXPECT_EQ(ReadBytes(dir / "new_f1.txt"), "line 1\n");
      EXPECT_FALSE(std::filesystem::exists(dir / "new_f3.txt"));
    }
  }
}

TEST(Cancel, DestroyingTheJobLeavesNoProcessBehind) {
  test::TempDir dir;
  auto pidFile = dir / "pids";
  TJobRecord r;
  // gawk and a grandchild, both never ending.
  r.Base = OneLiner("BEGIN { system(\"sleep 300 & echo $! $PPID > '" + pidFile.string() + "'\"); while (1) { } }");
  r.InputMode = imNull;
  r.OutputMode = omScreen;
  Outcome o;
  {
    TThreadDoJob job(r, o.host, o.out, o.err);
    job.Start();
    ASSERT_TRUE(test::WaitUntil([&] { return ReadBytes(pidFile).find(' ') != std::string::npos; }, 10s));
  }
  EXPECT_EQ(o.host.ended, 1);
  std::string pids = ReadBytes(pidFile);
  pid_t sleeper = static_cast<pid_t>(std::stol(pids));
  pid_t gawk = static_cast<pid_t>(std::stol(pids.substr(pids.find(' ') + 1)));
  EXPECT_TRUE(test::ProcessGone(gawk));  // reaped before the destructor returned
  EXPECT_TRUE(test::WaitUntil([&] { return test::ProcessGone(sleeper); }, 5s));
  EXPECT_NE(o.err.find(Sj("ユーザーによって処理は中断されました")), std::string::npos);
}

// ソ (83 5C), 表 (95 5C), 能 (94 5C) inside strings and regular expressions.
const char* const kCp932Program =
    "BEGIN { s = \"ソ表\"; print s; if (\"aソb\" ~ /ソ/) print \"re\"; "
    "t = \"x表y表\"; n = gsub(/表/, \"能\", t); print n t; print length(\"十予\") }";
const char* const kCp932Expected = "ソ表\nre\n2x能y能\n4\n";

TEST(Cp932Program, OneLinerAndScriptFileGiveTheRightBytes) {
  Outcome one;
  TJobRecord r;
  r.Base = OneLiner(Sj(kCp932Program));
  r.InputMode = imNull;
  r.OutputMode = omScreen;
  RunJob(r, one);
  EXPECT_EQ(one.err, "");
  EXPECT_EQ(one.out, Sj(kCp932Expected));

  test::TempDir dir;
  auto script = (dir / "so.awk").string();
  WriteBytes(script, Sj(kCp932Program) + "\n");
  Outcome file;
  r.Base = ScriptFile(script);
  RunJob(r, file);
  EXPECT_EQ(file.err, "");
  EXPECT_EQ(file.out, Sj(kCp932Expected));
  EXPECT_EQ(ReadBytes(script), Sj(kCp932Program) + "\n");  // the script itself untouched
}

TEST(Cp932Program, MatchesInputRecordsWithTrailBackslash) {
  test::TempDir dir;
  auto in = (dir / "in.txt").string();
  WriteBytes(in, Sj("ソース\nほか\n表示\n"));
  Outcome o;
  TJobRecord r;
  r.Base = OneLiner(Sj("/^ソ|表/ { print NR \":\" $0 }"));
  r.InputList = {in};
  r.OutputMode = omScreen;
  RunJob(r, o);
  EXPECT_EQ(o.err, "");
  EXPECT_EQ(o.out, Sj("1:ソース\n3:表示\n"));
}

TEST(Cp932Program, ErrorTextNamesTheRealScript) {
  test::TempDir dir;
  auto script = (dir / "broken.awk").string();
  WriteBytes(script, Sj("BEGIN { print \"ソ\" \n"));  // missing brace
  Outcome o;
  TJobRecord r;
  r.Base = ScriptFile(script);
  r.InputMode = imNull;
  r.OutputMode = omScreen;
  RunJob(r, o);
  EXPECT_NE(o.err.find(script + ":"), std::string::npos) << o.err;
  EXPECT_EQ(o.err.find("tolvan-"), std::string::npos) << o.err;
}

}  // namespace
}  // namespace tolvan
