// "4 Screen" collecting 200 MB of standard output, handed over as the job
// leaves it for the output window, against the same gawk writing to
// /dev/null and, the fair floor for output that is kept, to a file on
// tmpfs. Last line: ratio_tmpfs.
#include <sys/stat.h>

#include <filesystem>

#include "bench_common.h"
#include "job/thread_do_job.h"

using namespace tolvan;

int main() {
  const int kRounds = 5;
  const std::string program = "BEGIN { s = sprintf(\"%099d\", 0); for (i = 0; i < 2000000; i++) print s }";
  CommandLineInputs in;
  in.AwkPath = "/usr/bin/gawk";
  in.OneLiner = true;
  in.OneLinerText = program;
  TJobRecord record;
  record.Base = ComposeBaseCommandLine(in).Line;
  record.InputMode = imNull;
  record.OutputMode = omScreen;

  const std::string gawk = "LC_ALL=C /usr/bin/gawk " + bench::ShQuote(program);
  const std::string devNull = "/bin/sh -c " + bench::ShQuote(gawk + " > /dev/null");
  const std::string tmpfsFile = "/dev/shm/tolvan_bench_screen_" + std::to_string(::getpid());
  const std::string tmpfs = "/bin/sh -c " + bench::ShQuote(gawk + " > " + tmpfsFile);
  struct stat shm {};
  if (::stat("/dev/shm", &shm) != 0) {
    std::fprintf(stderr, "no /dev/shm for the tmpfs reference\n");
    return 1;
  }
  // Not a reference: what any reader of a pipe pays, for comparison.
  const std::string piped = "/bin/sh -c " + bench::ShQuote(gawk + " | cat > /dev/null");

  std::vector<double> jobTimes, nullTimes, tmpfsTimes, pipeTimes;
  for (int round = 0; round < kRounds; ++round) {
    bench::QuietHost host;
    std::string out, err;
    TSharedBytes screen;
    jobTimes.push_back(bench::Seconds([&] {
      TThreadDoJob job(record, host, out, err, &screen);
      job.Start();
      host.Wait();
      job.WaitFor();
    }));
    const std::string_view got = screen.View();
    const std::string line = std::string(99, '0') + "\n";
    if (got.size() != 200000000u || !out.empty() || !err.empty() || got.substr(0, 100) != line ||
        got.substr(got.size() - 100) != line) {
      std::fprintf(stderr, "job left %zu bytes (text %zu bytes), error text %zu bytes\n", got.size(), out.size(),
                   err.size());
      return 1;
    }
    screen = {};
    nullTimes.push_back(bench::Seconds([&] {
      if (std::system(devNull.c_str()) != 0) std::fprintf(stderr, "reference failed\n");
    }));
    tmpfsTimes.push_back(bench::Seconds([&] {
      if (std::system(tmpfs.c_str()) != 0) std::fprintf(stderr, "tmpfs reference failed\n");
    }));
    std::filesystem::remove(tmpfsFile);
    pipeTimes.push_back(bench::Seconds([&] {
      if (std::system(piped.c_str()) != 0) std::fprintf(stderr, "pipe comparison failed\n");
    }));
    std::printf("round %d: job %.3f s, gawk > /dev/null %.3f s, gawk > tmpfs %.3f s, gawk | cat %.3f s\n", round + 1,
                jobTimes.back(), nullTimes.back(), tmpfsTimes.back(), pipeTimes.back());
  }
  const double job = bench::Median(jobTimes), dn = bench::Median(nullTimes), tf = bench::Median(tmpfsTimes);
  std::printf("200 MB, median job %.3f s, median gawk > /dev/null %.3f s, median gawk > tmpfs %.3f s, "
              "median gawk | cat %.3f s\n",
              job, dn, tf, bench::Median(pipeTimes));
  std::printf("ratio %.3f\n", job / dn);
  std::printf("ratio_tmpfs %.3f\n", job / tf);
  return 0;
}
