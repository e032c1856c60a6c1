// 500 small input files in "1 Files(new)" mode through the job thread,
// against the same 500 gawk runs from a shell loop, both in a CP932 job's
// locale. Last line: ratio.
#include <filesystem>
#include <fstream>

#include "bench_common.h"
#include "job/job_locale.h"
#include "job/thread_do_job.h"

using namespace tolvan;

int main() {
  const int kFiles = 500;
  const int kRounds = 5;
  namespace fs = std::filesystem;
  fs::path dir = fs::temp_directory_path() / ("tolvan_bench_files_" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir / "in");
  fs::path script = dir / "number.awk";
  std::ofstream(script) << "{ n++; print n \": \" $0 } END { print \"lines\", n }\n";

  std::vector<std::string> inputs;
  for (int i = 0; i < kFiles; ++i) {
    fs::path p = dir / "in" / ("file" + std::to_string(i) + ".txt");
    std::ofstream f(p);
    for (int l = 0; l < 20; ++l) f << "record " << l << " of file " << i << "\n";
    inputs.push_back(p.string());
  }

  CommandLineInputs in;
  in.AwkPath = "/usr/bin/gawk";
  in.ScriptPath = script.string();
  TJobRecord record;
  record.Base = ComposeBaseCommandLine(in).Line;
  record.InputList = inputs;
  record.OutputMode = omFilesNew;
  record.OutputName = "new_";
  // A CP932 job's locale, and the shell loop in the same one.
  record.Locale = LocaleForJob(IniFile(dir / "none.INI"), TextEncoding::Cp932).Locale;
  const std::filesystem::path locale = record.Locale;
  const std::string env = locale.has_parent_path()
                              ? "export LANGUAGE=C LOCPATH=" + bench::ShQuote(locale.parent_path().string()) +
                                    " LC_ALL=" + locale.filename().string() + "; "
                              : "export LC_ALL=" + record.Locale + "; ";
  std::printf("locale %s\n", record.Locale.c_str());

  const std::string loop = env + "for f in " + bench::ShQuote((dir / "in").string()) +
                           "/file*.txt; do /usr/bin/gawk -f " + bench::ShQuote(script.string()) +
                           " \"$f\" > \"${f%/*}/sh_${f##*/}\"; done";
  const std::string shell = "/bin/sh -c " + bench::ShQuote(loop);

  std::vector<double> jobTimes, shellTimes;
  for (int round = 0; round < kRounds; ++round) {
    std::string out, err;
    bool ok = false;
    jobTimes.push_back(bench::TimeJob(record, out, err, &ok));
    if (!ok) return 1;
    shellTimes.push_back(bench::Seconds([&] {
      if (std::system(shell.c_str()) != 0) std::fprintf(stderr, "shell loop failed\n");
    }));
    std::printf("round %d: job %.3f s, shell %.3f s\n", round + 1, jobTimes.back(), shellTimes.back());
  }
  std::error_code ec;
  fs::remove_all(dir, ec);
  double job = bench::Median(jobTimes), sh = bench::Median(shellTimes);
  std::printf("files %d, median job %.3f s, median shell %.3f s\n", kFiles, job, sh);
  std::printf("ratio %.3f\n", job / sh);
  return 0;
}
