// A 40 MB CSV with CR LF line ends summed through a job (which finds the
// CR LF and reads records as on Windows) against gawk -v 'RS=\r?\n' run
// directly on the same file. Last line: ratio.
#include <filesystem>
#include <fstream>

#include "bench_common.h"
#include "job/thread_do_job.h"

using namespace tolvan;

int main() {
  const int kRounds = 5;
  const std::size_t kBytes = 40u << 20;
  namespace fs = std::filesystem;
  fs::path dir = fs::temp_directory_path() / ("tolvan_bench_crlf_" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  const fs::path data = dir / "sales.csv";
  {
    std::ofstream f(data, std::ios::binary);
    std::size_t written = 0;
    for (unsigned i = 0; written < kBytes; ++i) {
      const std::string line =
          "item" + std::to_string(i % 9973) + ",shop" + std::to_string(i % 37) + "," + std::to_string(i % 1000) + "\r\n";
      f << line;
      written += line.size();
    }
  }
  // A record that kept its CR would show in the count.
  const std::string program = "{ s += $3; if ($0 ~ /\\r/) bad++ } END { print s, bad + 0 }";

  CommandLineInputs in;
  in.AwkPath = "/usr/bin/gawk";
  in.Options = "-F,";
  in.OneLiner = true;
  in.OneLinerText = program;
  TJobRecord record;
  record.Base = ComposeBaseCommandLine(in).Line;
  record.InputList = {data.string()};
  record.OutputMode = omScreen;

  const fs::path direct = dir / "direct.txt";
  const std::string shell = "LC_ALL=C /usr/bin/gawk -F, -v 'RS=\\r?\\n' " + bench::ShQuote(program) + " " +
                            bench::ShQuote(data.string()) + " > " + bench::ShQuote(direct.string());

  std::vector<double> jobTimes, gawkTimes;
  for (int round = 0; round < kRounds; ++round) {
    bench::QuietHost host;
    std::string out, err;
    jobTimes.push_back(bench::Seconds([&] {
      TThreadDoJob job(record, host, out, err);
      job.Start();
      host.Wait();
      job.WaitFor();
    }));
    gawkTimes.push_back(bench::Seconds([&] {
      if (std::system(shell.c_str()) != 0) std::fprintf(stderr, "gawk failed\n");
    }));
    std::ifstream f(direct, std::ios::binary);
    const std::string want((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    if (!err.empty() || out != want || want.size() < 4 || want.substr(want.size() - 3) != " 0\n") {
      std::fprintf(stderr, "job gave \"%s\" (error \"%s\"), gawk \"%s\"\n", out.c_str(), err.c_str(), want.c_str());
      return 1;
    }
    std::printf("round %d: job %.3f s, gawk %.3f s\n", round + 1, jobTimes.back(), gawkTimes.back());
  }
  std::error_code ec;
  fs::remove_all(dir, ec);
  const double job = bench::Median(jobTimes), gawk = bench::Median(gawkTimes);
  std::printf("%zu MB CR LF, median job %.3f s, median gawk %.3f s\n", kBytes >> 20, job, gawk);
  std::printf("ratio %.3f\n", job / gawk);
  return 0;
}
