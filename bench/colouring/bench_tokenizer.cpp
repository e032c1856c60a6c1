// Awk tokenizer throughput: NextToken over every row of a generated 50 MB awk
// text. The reference, measured in the same run, is one pass over the same
// rows that only classifies each byte through a table, the least any
// tokenizer has to do. Times are this thread's CPU time, so that other work
// on a shared machine does not count (wall-clock figures are printed too).
// Last line: "MBps <tokenizer megabytes per CPU second>".
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "colouring/gawk_fountain.h"

namespace {

std::vector<std::string> MakeRows(std::size_t bytes) {
  static const char* const kLines[] = {
      "BEGIN { FS = \",\"; OFS = \"\\t\"; count = 0 }",
      "    if ($3 ~ /^[0-9]+$/ && $(NF-1) != \"\") { total += $3 * 1.5e+2 }",
      "    printf(\"%-10s %8.2f\\n\", $1, total / (NR > 0 ? NR : 1))  # report",
      "\tfor (i = 1; i <= NF; i++) { words[tolower($i)]++; mask = 0x1F }",
      "function trim(s) { sub(/^[ \\t]+/, \"\", s); return s }",
      "    name = \"\x93\xFA\x96\x7B\x8C\xEA\x82\xCC\x83\x65\x83\x4C\x83\x58\x83\x67\"  # \x83\x52\x83\x81\x83\x93\x83\x67",
      "END { for (w in words) print w, words[w] | \"sort -k2nr\"; close(\"sort -k2nr\") }",
      "",
  };
  std::mt19937 rng(12345);
  std::vector<std::string> rows;
  std::size_t total = 0;
  while (total < bytes) {
    rows.emplace_back(kLines[rng() % (sizeof kLines / sizeof kLines[0])]);
    total += rows.back().size() + 2;
  }
  return rows;
}

double CpuNow() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

double WallNow() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

}  // namespace

int main() {
  using namespace tolvan;
  const std::vector<std::string> rows = MakeRows(50u << 20);
  std::size_t bytes = 0;
  for (const auto& r : rows) bytes += r.size();
  const double mb = static_cast<double>(bytes) / (1024.0 * 1024.0);

  // Reference: classify every byte.
  static bool table[256];
  for (int c = 0; c < 256; ++c) table[c] = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
  std::size_t letters = 0;
  double refBest = 1e300;
  for (int round = 0; round < 3; ++round) {
    const double c0 = CpuNow();
    for (const auto& r : rows)
      for (unsigned char c : r) letters += table[c];
    refBest = std::min(refBest, CpuNow() - c0);
  }
  const double refMBps = mb / refBest;

  TGawkFountain scheme;
  auto parser = scheme.CreateParser();
  const TRowAttributeData start;
  std::size_t tokens = 0;
  double best = 1e300, bestWall = 1e300;
  for (int round = 0; round < 3; ++round) {
    tokens = 0;
    const double c0 = CpuNow(), w0 = WallNow();
    for (const auto& r : rows) {
      parser->NewData(r, start);
      while (parser->NextToken() != 0) ++tokens;
    }
    best = std::min(best, CpuNow() - c0);
    bestWall = std::min(bestWall, WallNow() - w0);
  }
  const double mbps = mb / best;
  std::printf("rows %zu, %.1f MB, %zu tokens, %zu letters\n", rows.size(), mb, tokens, letters);
  std::printf("reference byte scan: %.0f MB per CPU second\n", refMBps);
  std::printf("tokenizer, wall clock: %.0f MB/s\n", mb / bestWall);
  std::printf("tokenizer / reference: %.3f\n", mbps / refMBps);
  std::printf("MBps %.0f\n", mbps);
  return 0;
}
