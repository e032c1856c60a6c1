// Shared by the job benchmarks: a host that shows nothing, a clock, and the
// shell reference.
#pragma once

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

#include "job/job_host.h"
#include "job/thread_do_job.h"

namespace tolvan::bench {

class QuietHost : public TJobHost {
 public:
  void JobProgress(const std::string&, const std::string&) override {}
  void JobBusyCursor(bool) override {}
  void JobPutClipboard(const std::string&) override {}
  void JobException(const std::string& m) override { std::fprintf(stderr, "exception: %s\n", m.c_str()); }
  void JobEnded() override {
    std::lock_guard<std::mutex> l(mu_);
    ended_ = true;
    cv_.notify_all();
  }
  void Wait() {
    std::unique_lock<std::mutex> l(mu_);
    cv_.wait(l, [&] { return ended_; });
    ended_ = false;
  }

 private:
  std::mutex mu_;
  std::condition_variable cv_;
  bool ended_ = false;
};

template <class F>
double Seconds(F&& f) {
  auto t0 = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// One job from start to end, in seconds; false in *ok when it left error text.
inline double TimeJob(const TJobRecord& record, std::string& out, std::string& err, bool* ok) {
  QuietHost host;
  out.clear();
  err.clear();
  const double s = Seconds([&] {
    TThreadDoJob job(record, host, out, err);
    job.Start();
    host.Wait();
    job.WaitFor();
  });
  *ok = err.empty();
  if (!*ok) std::fprintf(stderr, "job failed: %s\n", err.c_str());
  return s;
}

// Single-quotes a word for sh.
inline std::string ShQuote(const std::string& s) {
  std::string r = "'";
  for (char c : s) {
    if (c == '\'') r += "'\\''";
    else r += c;
  }
  return r + "'";
}

inline double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace tolvan::bench
