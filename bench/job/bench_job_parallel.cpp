// 32 inputs of 2 MB through a CPU-heavy script in "1 Files(new)" mode:
// Parallel = the number of cores against Parallel = 1, in the same run.
// The outputs of both must be equal. Last line: ratio (parallel / one after
// another).
#include <filesystem>
#include <fstream>
#include <thread>

#include "bench_common.h"
#include "core/files.h"
#include "job/thread_do_job.h"

using namespace tolvan;

int main() {
  const int kFiles = 32;
  const std::size_t kBytes = 2u << 20;
  const int kRounds = 3;
  const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  namespace fs = std::filesystem;
  fs::path dir = fs::temp_directory_path() / ("tolvan_bench_parallel_" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);

  std::vector<std::string> inputs;
  unsigned seed = 12345;
  for (int i = 0; i < kFiles; ++i) {
    fs::path p = dir / ("in" + std::to_string(i) + ".csv");
    std::string text;
    while (text.size() < kBytes) {
      for (int f = 0; f < 12; ++f) {
        seed = seed * 1103515245u + 12345u;
        text += std::to_string((seed >> 8) % 100000);
        text += f == 11 ? '\n' : ',';
      }
    }
    std::ofstream(p, std::ios::binary) << text;
    inputs.push_back(p.string());
  }

  CommandLineInputs in;
  in.AwkPath = "/usr/bin/gawk";
  in.OneLiner = true;
  in.OneLinerText =
      "{ n = split($0, f, \",\"); t = 0; for (i = 1; i <= n; i++) { t += f[i]; m = m < f[i] ? f[i] : m } "
      "print NR, t, t / n } END { print m }";
  TJobRecord record;
  record.Base = ComposeBaseCommandLine(in).Line;
  record.InputList = inputs;
  record.OutputMode = omFilesNew;

  auto run = [&](int parallel, const std::string& prefix) {
    TJobRecord r = record;
    r.Parallel = parallel;
    r.OutputName = prefix;
    bench::QuietHost host;
    std::string out, err;
    double t = bench::Seconds([&] {
      TThreadDoJob job(r, host, out, err);
      job.Start();
      host.Wait();
      job.WaitFor();
    });
    if (!err.empty()) std::fprintf(stderr, "job failed: %s\n", err.c_str());
    return t;
  };

  std::vector<double> oneTimes, manyTimes;
  bool equal = true;
  for (int round = 0; round < kRounds; ++round) {
    oneTimes.push_back(run(1, "one_"));
    manyTimes.push_back(run(cores, "many_"));
    for (const std::string& input : inputs) {
      std::string a, b;
      bool ok = ReadWholeFile(TThreadDoJob::NewFileOutputPath(input, "one_"), a) &&
                ReadWholeFile(TThreadDoJob::NewFileOutputPath(input, "many_"), b);
      equal = equal && ok && a == b && !a.empty();
    }
    std::printf("round %d: Parallel=1 %.3f s, Parallel=%d %.3f s\n", round + 1, oneTimes.back(), cores,
                manyTimes.back());
  }
  std::error_code ec;
  fs::remove_all(dir, ec);
  double one = bench::Median(oneTimes), many = bench::Median(manyTimes);
  std::printf("%d inputs of 2 MB, %d cores, median Parallel=1 %.3f s, median Parallel=%d %.3f s\n", kFiles, cores,
              one, cores, many);
  std::printf("outputs equal: %s\n", equal ? "yes" : "NO");
  std::printf("ratio %.3f\n", many / one);
  return equal ? 0 : 1;
}
