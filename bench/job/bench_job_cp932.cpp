// A field-heavy CP932 CSV job (every field measured and matched) through
// the job thread in the CP932 locale, against the same gawk run directly in
// that locale. Also says what the locale costs against the C locale, where
// gawk reads bytes. Last line: the job's ratio to gawk alone.
#include <filesystem>
#include <fstream>

#include "bench_common.h"
#include "core/codepage.h"
#include "job/job_locale.h"
#include "job/thread_do_job.h"

using namespace tolvan;

int main() {
  const int kRows = 200000;
  const int kRounds = 5;
  namespace fs = std::filesystem;
  fs::path dir = fs::temp_directory_path() / ("tolvan_bench_cp932_" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  const fs::path script = dir / "fields.awk";
  std::ofstream(script, std::ios::binary)
      << cp932::FromUtf8("BEGIN { FS = \",\" } { for (i = 1; i <= NF; i++) { n += length($i); if ($i ~ /東/) hits++ } }"
                         " END { print n, hits }\n")
             .bytes;
  const fs::path data = dir / "data.csv";
  {
    std::ofstream f(data, std::ios::binary);
    const char* names[] = {"東京", "ン見", "田中太郎", "大阪府", "ソフト表示", "アイウエオ"};
    for (int r = 0; r < kRows; ++r) {
      std::string row;
      for (int c = 0; c < 8; ++c) row += (c ? "," : "") + std::string(names[(r + c) % 6]) + std::to_string(r % 97);
      f << cp932::FromUtf8(row).bytes << "\r\n";
    }
  }

  const std::string locale = LocaleForJob(IniFile(dir / "none.INI"), TextEncoding::Cp932).Locale;
  if (locale.find('/') == std::string::npos) {
    std::fprintf(stderr, "no CP932 locale could be made\n");
    return 1;
  }
  const fs::path folder = locale;
  CommandLineInputs in;
  in.AwkPath = "/usr/bin/gawk";
  in.ScriptPath = script.string();
  TJobRecord record;
  record.Base = ComposeBaseCommandLine(in).Line;
  record.InputList = {data.string()};
  record.OutputMode = omScreen;
  record.Locale = locale;

  const std::string gawk = "/usr/bin/gawk -f " + bench::ShQuote(script.string()) + " " + bench::ShQuote(data.string()) +
                           " > /dev/null";
  const std::string sameLocale = "LANGUAGE=C LOCPATH=" + bench::ShQuote(folder.parent_path().string()) +
                                 " LC_ALL=" + folder.filename().string() + " " + gawk;
  const std::string cLocale = "LC_ALL=C " + gawk;

  std::vector<double> jobTimes, directTimes, cTimes;
  std::string first;
  for (int round = 0; round < kRounds; ++round) {
    std::string out, err;
    bool ok = false;
    jobTimes.push_back(bench::TimeJob(record, out, err, &ok));
    if (!ok) return 1;
    if (round == 0) first = out;
    directTimes.push_back(bench::Seconds([&] { (void)std::system(("/bin/sh -c " + bench::ShQuote(sameLocale)).c_str()); }));
    cTimes.push_back(bench::Seconds([&] { (void)std::system(("/bin/sh -c " + bench::ShQuote(cLocale)).c_str()); }));
    std::printf("round %d: job %.3f s, gawk in the CP932 locale %.3f s, gawk in C %.3f s\n", round + 1,
                jobTimes.back(), directTimes.back(), cTimes.back());
  }
  std::error_code ec;
  fs::remove_all(dir, ec);
  const double job = bench::Median(jobTimes), direct = bench::Median(directTimes), c = bench::Median(cTimes);
  std::printf("rows %d, job output %s", kRows, first.c_str());
  std::printf("the CP932 locale costs %.2fx gawk's time in C\n", direct / c);
  std::printf("bench_job_cp932 %.3f\n", job / direct);
  return 0;
}
