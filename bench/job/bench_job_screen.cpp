// "4 Screen" collecting 200 MB of standard output through the pipe runner,
// against gawk writing the same to /dev/null. Last line: ratio.
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

  const std::string shell =
      "/bin/sh -c " + bench::ShQuote("LC_ALL=C /usr/bin/gawk " + bench::ShQuote(program) + " > /dev/null");

  // Not the reference: what any reader of a pipe pays, for comparison.
  const std::string piped =
      "/bin/sh -c " + bench::ShQuote("LC_ALL=C /usr/bin/gawk " + bench::ShQuote(program) + " | cat > /dev/null");

  std::vector<double> jobTimes, shellTimes, pipeTimes;
  for (int round = 0; round < kRounds; ++round) {
    bench::QuietHost host;
    std::string out, err;
    jobTimes.push_back(bench::Seconds([&] {
      TThreadDoJob job(record, host, out, err);
      job.Start();
      host.Wait();
      job.WaitFor();
    }));
    if (out.size() != 200000000u || !err.empty()) {
      std::fprintf(stderr, "job collected %zu bytes, error text %zu bytes\n", out.size(), err.size());
      return 1;
    }
    shellTimes.push_back(bench::Seconds([&] {
      if (std::system(shell.c_str()) != 0) std::fprintf(stderr, "reference failed\n");
    }));
    pipeTimes.push_back(bench::Seconds([&] {
      if (std::system(piped.c_str()) != 0) std::fprintf(stderr, "pipe comparison failed\n");
    }));
    std::printf("round %d: job %.3f s, gawk > /dev/null %.3f s, gawk | cat %.3f s\n", round + 1, jobTimes.back(),
                shellTimes.back(), pipeTimes.back());
  }
  double job = bench::Median(jobTimes), sh = bench::Median(shellTimes);
  std::printf("200 MB, median job %.3f s, median reference %.3f s, median gawk | cat %.3f s\n", job, sh,
              bench::Median(pipeTimes));
  std::printf("ratio %.3f\n", job / sh);
  return 0;
}
