// Jobs that run several gawk processes at once must leave exactly what the
// one-after-another job leaves: the same files, texts, progress and
// clipboard, whatever order the runs finish in.
#include <gtest/gtest.h>

#include <sys/mount.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>

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
namespace fs = std::filesystem;

BaseCommandLine OneLiner(const std::string& program) {
  CommandLineInputs in;
  in.AwkPath = kGawk;
  in.OneLiner = true;
  in.OneLinerText = program;
  return ComposeBaseCommandLine(in).Line;
}

// Everything a job leaves behind that a user could see.
struct Result {
  std::string out, err;
  std::vector<std::string> exits;
  std::vector<std::pair<std::string, std::string>> progress;
  std::vector<std::string> clipboard;
  std::map<std::string, std::string> files;  // every file of the folder by name

  bool operator==(const Result&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Result& r) {
  os << "out " << r.out.size() << " bytes, err \"" << r.err << "\", " << r.progress.size() << " steps, files:";
  for (const auto& [name, bytes] : r.files) os << " " << name << "(" << bytes.size() << ")";
  return os;
}

std::map<std::string, std::string> Snapshot(const fs::path& dir) {
  std::map<std::string, std::string> files;
  for (const auto& e : fs::directory_iterator(dir)) files[e.path().filename().string()] = ReadBytes(e.path());
  return files;
}

Result RunJob(const TJobRecord& record, const fs::path& dir) {
  test::RecordingHost host;
  Result r;
  TThreadDoJob job(record, host, r.out, r.err);
  job.Start();
  EXPECT_TRUE(host.WaitEnded(60s));
  job.WaitFor();
  r.exits = job.ExitStatuses();
  for (const auto& p : host.progress) r.progress.emplace_back(p.label, p.count);
  r.clipboard = host.clipboard;
  EXPECT_TRUE(host.exceptions.empty());
  r.files = Snapshot(dir);
  return r;
}

// Eight inputs: the first far larger than the rest, so that with several
// runs at once the later ones finish long before it.
class ParallelJob : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int i = 0; i < 8; ++i) {
      const int lines = i == 0 ? 100000 : i == 4 ? 10000 : 1 + i;
      std::string text;
      for (int l = 0; l < lines; ++l) text += "in" + std::to_string(i) + " " + std::to_string(l) + Sj(" 表 ソ") + "\n";
      fs::path p = dir / ("in" + std::to_string(i) + ".txt");
      WriteBytes(p, text);
      inputs.push_back(p.string());
    }
  }
  // Restores the folder to its inputs and an old output file, so that both
  // jobs start from the same state.
  void Reset() {
    for (const auto& e : fs::directory_iterator(dir.path()))
      if (e.path().filename().string().rfind("in", 0) != 0) fs::remove(e.path());
    WriteBytes(dir / "out.txt", "old\n");
    WriteBytes(dir / "new_in5.txt", "stale output\n");
  }
  TJobRecord Record(int mode, const std::string& program, int parallel) {
    TJobRecord r;
    r.Base = OneLiner(program);
    r.InputList = inputs;
    r.OutputMode = mode;
    r.OutputName = mode == omFilesNew ? "new_" : (dir / "out.txt").string();
    r.Parallel = parallel;
    return r;
  }
  // The job one run after another, then with several runs at once.
  std::pair<Result, Result> Both(int mode, const std::string& program, int parallel = 4) {
    Reset();
    Result one = RunJob(Record(mode, program, 1), dir.path());
    Reset();
    Result many = RunJob(Record(mode, program, parallel), dir.path());
    return {one, many};
  }

  test::TempDir dir;
  std::vector<std::string> inputs;
};

const char* const kNumbering = "{ n++; s += length($0); print FNR \": \" $0 } END { print FILENAME, n, s }";

TEST_F(ParallelJob, SameResultAsOneAfterAnotherInEveryMode) {
  for (int mode : {omFilesNew, omFileOverwrite, omFileAppend, omScreen, omClipboard, omNull}) {
    auto [one, many] = Both(mode, kNumbering);
    EXPECT_EQ(one, many) << "mode " << mode;
    EXPECT_EQ(many.err, "");
    EXPECT_EQ(many.progress.size(), 8u);
    EXPECT_EQ(many.progress.back(), (std::pair<std::string, std::string>{"in7.txt", "8/8"}));
  }
  auto [one, many] = Both(omScreen, kNumbering);
  EXPECT_GT(many.out.size(), 100000u * 10);
  EXPECT_EQ(many.out.substr(0, 9), "1: in0 0 ");
}

// Proof that the runs overlap at all: the first input's run waits for a
// file that only the second input's run makes. One after another, the wait
// would time out.
TEST_F(ParallelJob, RunsReallyOverlap) {
  fs::path go = dir / "go";
  std::string program = "FNR == 1 && FILENAME ~ /in0/ { r = system(\"i=0; while [ ! -e '" + go.string() +
                        "' ] && [ $i -lt 300 ]; do sleep 0.01; i=$((i+1)); done; [ -e '" + go.string() +
                        "' ]\"); if (r) print \"no overlap\" > \"/dev/stderr\" } "
                        "FNR == 1 && FILENAME ~ /in1/ { printf \"\" > \"" + go.string() + "\" } { print }";
  TJobRecord r = Record(omScreen, program, 2);
  Reset();
  Result many = RunJob(r, dir.path());
  EXPECT_EQ(many.err, "");
}

// Runs done are told as runs end, not as the job takes them in order: the
// first input's run waits until the host has been told of another run's end.
TEST_F(ParallelJob, RunsDoneAreToldWhileAnEarlierRunIsStillGoing) {
  fs::path go = dir / "go";
  std::string program = "FNR == 1 && FILENAME ~ /in0/ { r = system(\"i=0; while [ ! -e '" + go.string() +
                        "' ] && [ $i -lt 500 ]; do sleep 0.01; i=$((i+1)); done; [ -e '" + go.string() +
                        "' ]\"); if (r) print \"not told\" > \"/dev/stderr\" } { n++ } END { print n }";
  Reset();
  test::RecordingHost host;
  host.onRunsDone = [&](std::size_t done) {
    if (done >= 1) WriteBytes(go, "");
  };
  std::string out, err;
  TThreadDoJob job(Record(omScreen, program, 4), host, out, err);
  job.Start();
  ASSERT_TRUE(host.WaitEnded(60s));
  job.WaitFor();
  EXPECT_EQ(err, "");
  ASSERT_FALSE(host.runsDone.empty());
  EXPECT_EQ(host.runsDone.front(), (std::pair<std::size_t, std::size_t>{0, 8}));
  EXPECT_EQ(host.runsDone.back(), (std::pair<std::size_t, std::size_t>{8, 8}));
  for (std::size_t i = 1; i < host.runsDone.size(); ++i) {
    EXPECT_GT(host.runsDone[i].first, host.runsDone[i - 1].first);
    EXPECT_EQ(host.runsDone[i].second, 8u);
  }
}

TEST(RunsDone, OneAfterAnotherCountsEachRunAndStopsAtAFailure) {
  test::TempDir dir;
  std::vector<std::string> inputs;
  for (int i = 0; i < 4; ++i) {
    fs::path p = dir / ("f" + std::to_string(i) + ".txt");
    WriteBytes(p, "x\n");
    inputs.push_back(p.string());
  }
  using Steps = std::vector<std::pair<std::size_t, std::size_t>>;
  struct Case {
    int mode;
    std::string program;
    Steps expected;
  } cases[] = {
      {omScreen, "{ print }", {{0, 4}, {1, 4}, {2, 4}, {3, 4}, {4, 4}}},
      {omFilesNew, "{ print }", {{0, 4}, {1, 4}, {2, 4}, {3, 4}, {4, 4}}},
      {omScreen, "FILENAME ~ /f2/ { print \"bad\" > \"/dev/stderr\" }", {{0, 4}, {1, 4}, {2, 4}}},
  };
  for (const Case& c : cases) {
    TJobRecord r;
    r.Base = OneLiner(c.program);
    r.InputList = inputs;
    r.OutputMode = c.mode;
    r.OutputName = "new_";
    test::RecordingHost host;
    std::string out, err;
    TThreadDoJob job(r, host, out, err);
    job.Start();
    ASSERT_TRUE(host.WaitEnded(60s));
    job.WaitFor();
    EXPECT_EQ(host.runsDone, c.expected) << c.program;
  }
  // One run for all inputs: no count of runs.
  TJobRecord r;
  r.Base = OneLiner("{ print }");
  r.InputList = inputs;
  r.OutputMode = omScreen;
  r.SingleCommandLine = true;
  test::RecordingHost host;
  std::string out, err;
  TThreadDoJob job(r, host, out, err);
  job.Start();
  ASSERT_TRUE(host.WaitEnded(60s));
  job.WaitFor();
  EXPECT_TRUE(host.runsDone.empty());
}

TEST_F(ParallelJob, ErrorInTheThirdOfEightLeavesWhatOneAfterAnotherLeaves) {
  // The third input fails; the large first one finishes last.
  const std::string program = std::string(kNumbering) + " FNR == 2 && FILENAME ~ /in2/ { print \"bad\" > \"/dev/stderr\" }";
  for (int mode : {omFilesNew, omFileOverwrite, omFileAppend, omScreen, omClipboard, omNull}) {
    auto [one, many] = Both(mode, program);
    EXPECT_EQ(one, many) << "mode " << mode;
    EXPECT_EQ(many.err, "bad\n");
    EXPECT_EQ(many.progress.size(), 3u);
    EXPECT_TRUE(many.clipboard.empty());
    if (mode == omFilesNew) {
      EXPECT_TRUE(many.files.count("new_in2.txt"));
      EXPECT_FALSE(many.files.count("new_in3.txt"));
      EXPECT_EQ(many.files["new_in5.txt"], "stale output\n");  // never touched
    }
  }
}

TEST_F(ParallelJob, OutputThatCannotBeCreatedStopsInOrder) {
  inputs[3] = (dir / "missing" / "in3.txt").string();
  auto [one, many] = Both(omFilesNew, kNumbering);
  EXPECT_EQ(one, many);
  EXPECT_EQ(many.err.rfind(Sj("出力ファイルの作成に失敗しました。"), 0), 0u) << many.err;
  EXPECT_FALSE(many.files.count("new_in4.txt"));
}

// An input that is an earlier run's output is read only once written, as
// one after another does; the job keeps to that order.
TEST_F(ParallelJob, InputMadeByAnEarlierRunIsReadAfterIt) {
  inputs = {inputs[1], (dir / "new_in1.txt").string(), inputs[2]};
  auto [one, many] = Both(omFilesNew, "{ print \"x\" $0 }");
  EXPECT_EQ(one, many);
  EXPECT_EQ(many.files["new_new_in1.txt"], "xxin1 0" + Sj(" 表 ソ") + "\nxxin1 1" + Sj(" 表 ソ") + "\n");
}

TEST_F(ParallelJob, CancelLeavesNoGawkAndNoOutputAfterIt) {
  Reset();
  fs::path pids = dir / "pids";
  // Every run records its pid and then never ends.
  TJobRecord r = Record(omFilesNew, "BEGIN { print PROCINFO[\"pid\"] >> \"" + pids.string() +
                                        "\"; close(\"" + pids.string() + "\"); while (1) { } }", 2);
  test::RecordingHost host;
  std::string out, err;
  TThreadDoJob job(r, host, out, err);
  job.Start();
  auto started = [&] {
    std::string s = ReadBytes(pids);
    return std::count(s.begin(), s.end(), '\n');
  };
  ASSERT_TRUE(test::WaitUntil([&] { return started() >= 2; }, 10s));
  std::this_thread::sleep_for(100ms);
  job.Terminate();
  ASSERT_TRUE(host.WaitEnded(20s));
  job.WaitFor();
  std::string list = ReadBytes(pids);
  std::istringstream ids(list);
  int seen = 0;
  for (pid_t pid; ids >> pid; ++seen) EXPECT_TRUE(test::ProcessGone(pid)) << pid;
  EXPECT_EQ(seen, 2);  // two at once, and none started after the cancel
  EXPECT_EQ(err, CancelledMessage());
  for (int i = 0; i < 8; ++i) {
    auto name = "new_in" + std::to_string(i) + ".txt";
    if (i == 5) EXPECT_EQ(ReadBytes(dir / name), "stale output\n");
    // The run whose turn it was, cut off, takes its file with it.
    else EXPECT_FALSE(fs::exists(dir / name)) << name;
  }
}

// Two runs of 320 MB at once into one output file, the second finishing
// long before the first: the first writes straight into the file, the
// second waits on the disk, so the process never holds either in memory
// (memory files count in no process's RSS, so they are counted here).
TEST(ParallelMemory, LargeFileOutputsNeverWaitInMemory) {
  test::TempDir dir;
  std::vector<std::string> inputs;
  for (int i = 0; i < 2; ++i) {
    inputs.push_back((dir / ("big" + std::to_string(i) + ".txt")).string());
    WriteBytes(inputs.back(), "x\n");
  }
  constexpr std::size_t kLine = 200, kLines = 1600000, kRun = kLine * kLines;
  TJobRecord r;
  r.Base = OneLiner("FILENAME ~ /big0/ { system(\"sleep 1\") } "
                    "{ s = sprintf(\"%-9s%0" + std::to_string(kLine - 10) + "d\", FILENAME ~ /big0/ ? \"first\" : \"second\", 0); "
                    "for (i = 0; i < " + std::to_string(kLines) + "; i++) print s }");
  r.InputList = inputs;
  r.OutputMode = omFileAppend;
  r.OutputName = (dir / "out.txt").string();
  r.Parallel = 2;

  std::atomic<bool> stop{false};
  std::atomic<std::size_t> peak{test::MemoryInUse()};
  std::thread sampler([&] {
    while (!stop) {
      peak = std::max<std::size_t>(peak, test::MemoryInUse());
      std::this_thread::sleep_for(5ms);
    }
  });
  test::RecordingHost host;
  std::string out, err;
  {
    TThreadDoJob job(r, host, out, err);
    job.Start();
    EXPECT_TRUE(host.WaitEnded(600s));
    job.WaitFor();
  }
  stop = true;
  sampler.join();
  EXPECT_EQ(err, "");
  EXPECT_LT(peak.load(), 300u << 20) << "peak " << (peak.load() >> 20) << " MB";

  // Both outputs, whole and in input order.
  EXPECT_EQ(fs::file_size(r.OutputName), 2 * kRun);
  std::ifstream f(r.OutputName, std::ios::binary);
  auto lineAt = [&](std::size_t at) {
    f.seekg(static_cast<std::streamoff>(at));
    std::string line;
    std::getline(f, line);
    return line.substr(0, line.find(' '));
  };
  EXPECT_EQ(lineAt(0), "first");
  EXPECT_EQ(lineAt(kRun - kLine), "first");
  EXPECT_EQ(lineAt(kRun), "second");
  EXPECT_EQ(lineAt(2 * kRun - kLine), "second");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 3);  // nothing left beside it
}

// A file system of 12 MB of its own, where outputs of 8 MB leave no room
// for a second one waiting beside the first. Without the privilege to
// mount one, the test says so and skips.
class SmallDisk : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(disk);
    if (::mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=12m") != 0)
      GTEST_SKIP() << "cannot mount a tmpfs of 12 MB here: " << std::strerror(errno);
    mounted = true;
  }
  void TearDown() override {
    if (mounted) ::umount2(disk.c_str(), MNT_DETACH);
  }
  // Each run prints megabytes of 1 KB lines naming its input.
  Result Run(int mode, double megabytes, int inputs, int parallel) {
    for (const auto& e : fs::directory_iterator(disk)) fs::remove(e.path());
    TJobRecord r;
    r.Base = OneLiner("END { s = sprintf(\"%1023s\", FILENAME); for (i = 0; i < " +
                      std::to_string(static_cast<int>(megabytes * 1024)) + "; i++) print s }");
    for (int i = 0; i < inputs; ++i) {
      r.InputList.push_back((disk / ("in" + std::to_string(i) + ".txt")).string());
      WriteBytes(r.InputList.back(), "x\n");
    }
    r.OutputMode = mode;
    r.OutputName = mode == omFilesNew ? "new_" : (disk / "out.txt").string();
    r.Parallel = parallel;
    return RunJob(r, disk);
  }

  test::TempDir dir;
  fs::path disk = dir / "disk";
  bool mounted = false;
};

// Whatever waited beside the outputs, the job ends as one run at a time
// ends it: what fits is written whole, what does not fit fails alike.
TEST_F(SmallDisk, ParallelRunsEndAsOneRunAtATime) {
  struct Case {
    int mode;
    double megabytes;
    int inputs;
    bool fits;
  } cases[] = {
      {omFileOverwrite, 8, 2, true},  // no room for a waiting file
      {omFilesNew, 3.5, 3, true},     // waiting files fit, a copy beside one does not
      {omFileAppend, 8, 2, false},
  };
  for (const Case& c : cases) {
    Result one = Run(c.mode, c.megabytes, c.inputs, 1);
    Result two = Run(c.mode, c.megabytes, c.inputs, 2);
    EXPECT_EQ(one, two) << "mode " << c.mode << "\none: " << one.err << "\ntwo: " << two.err;
    EXPECT_EQ(two.err.empty(), c.fits) << two.err;
    if (!c.fits) {
      EXPECT_EQ(two.exits, std::vector<std::string>{"gawk の終了コード 2: " + (disk / "in1.txt").string()});
    }
  }
}

}  // namespace
}  // namespace tolvan
