#include "job/check_runner.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

#include "job_test_support.h"
#include "support/temp_dir.h"

namespace tolvan {
namespace {

using namespace std::chrono_literals;
using test::kGawk;
using test::Sj;

class RecordingCheckSink : public TCheckSink {
 public:
  void CheckEnded(const CheckResult& r) override {
    std::lock_guard lock(mu_);
    ended.push_back(r);
    cv_.notify_all();
  }
  bool WaitEnded(std::size_t count) {
    std::unique_lock lock(mu_);
    return cv_.wait_for(lock, 10s, [&] { return ended.size() >= count; });
  }
  std::vector<CheckResult> Ended() {
    std::lock_guard lock(mu_);
    return ended;
  }

 private:
  std::mutex mu_;
  std::condition_variable cv_;
  std::vector<CheckResult> ended;
};

CheckRequest Check(std::string text, TextEncoding e = TextEncoding::Cp932) {
  CheckRequest r;
  r.AwkPath = kGawk;
  r.ScriptText = std::move(text);
  r.ScriptName = "/home/u/mine.awk";
  r.Encoding = e;
  return r;
}

CheckResult CheckToEnd(const CheckRequest& request) {
  RecordingCheckSink sink;
  TCheckRunner runner(sink);
  const std::uint64_t run = runner.Submit(request);
  EXPECT_TRUE(sink.WaitEnded(1));
  auto ended = sink.Ended();
  if (ended.empty()) return {};
  EXPECT_EQ(ended[0].Run, run);
  return ended[0];
}

TEST(CheckRunner, ErrorsAndWarningsOfTheTextAsItStands) {
  const CheckResult r = CheckToEnd(Check("BEGIN {\r\n  n = length\r\n  x = 1 +\r\n}\r\n"));
  ASSERT_TRUE(r.Ran);
  const std::vector<GawkMessage> want = {
      {GawkMessageKind::Warning, GawkMessagePlace::Script, 2, "call of `length' without parentheses is not portable"},
      // gawk names the row where it met the newline.
      {GawkMessageKind::Error, GawkMessagePlace::Script, 4, "unexpected newline or end of string"},
  };
  EXPECT_EQ(r.Messages, want);
  // A clean script says nothing; gawk's pretty-printer failing on what
  // --lint adds to a "+" is not the script's fault.
  EXPECT_TRUE(CheckToEnd(Check("BEGIN { x = 1 + 2; print \"ok\" x }\r\n")).Messages.empty());
}

TEST(CheckRunner, TheScriptIsOnlyReadNeverRun) {
  test::TempDir dir;
  const auto marker = dir.path() / "ran.txt";
  // Run, this would write a file and wait for input for ever.
  CheckRequest r = Check("BEGIN { print \"x\" > \"" + marker.string() + "\"; system(\"touch " + marker.string() +
                         "\") }\r\n{ print }\r\n");
  // Nor does the option box make it write a profile or a pretty-print.
  r.Options = "--profile=" + (dir.path() / "prof.out").string() + " -o" + (dir.path() / "pretty.awk").string();
  const CheckResult res = CheckToEnd(r);
  EXPECT_TRUE(res.Ran);
  EXPECT_TRUE(res.Messages.empty()) << res.Messages.size();
  EXPECT_FALSE(std::filesystem::exists(marker));
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "prof.out"));
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "pretty.awk"));
}

TEST(CheckRunner, DoubleByteTrailBackslashIsNoEscapeInEitherEncoding) {
  // 表 ends in 0x5C in CP932: undoubled, gawk would see an escaped quote
  // and an unterminated string.
  EXPECT_TRUE(CheckToEnd(Check(Sj("BEGIN { print \"表\" }\r\n"))).Messages.empty());
  EXPECT_TRUE(CheckToEnd(Check("BEGIN { print \"表\" }\r\n", TextEncoding::Utf8)).Messages.empty());
}

TEST(CheckRunner, NewestCheckReplacesTheOneUnderWay) {
  RecordingCheckSink sink;
  TCheckRunner runner(sink);
  runner.Submit(Check("BEGIN { x = }\r\n"));
  const std::uint64_t last = runner.Submit(Check("BEGIN { y = 1 }\r\n"));
  ASSERT_TRUE(sink.WaitEnded(1));
  std::this_thread::sleep_for(200ms);  // a replaced check must not report late
  const auto ended = sink.Ended();
  ASSERT_EQ(ended.size(), 1u);
  EXPECT_EQ(ended[0].Run, last);
  EXPECT_TRUE(ended[0].Messages.empty());
}

TEST(CheckRunner, GawkThatCannotStartIsSaid) {
  CheckRequest r = Check("BEGIN {}\r\n");
  r.AwkPath = "/nonexistent/gawk";
  const CheckResult res = CheckToEnd(r);
  EXPECT_FALSE(res.Ran);
  EXPECT_FALSE(res.Refusal.empty());
  EXPECT_TRUE(res.Messages.empty());
}

}  // namespace
}  // namespace tolvan
