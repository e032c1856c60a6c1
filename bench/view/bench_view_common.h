// What the painting benchmarks share: thread CPU time, medians, the awk
// text and a coloured awk scheme.
#pragma once

#include <algorithm>
#include <ctime>
#include <string>
#include <vector>

#include "colouring/gawk_fountain.h"

namespace tolvan::bench {

// CPU time of this thread: the wall clock would count other processes' time
// slices on a busy machine.
inline double ThreadMs() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

inline double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

inline void ColourGawk(TGawkFountain& g) {
  g.Reserve().SetColor(clBlue);
  g.Comment().SetColor(clGreen);
  g.Str().SetColor(0x000080);   // maroon
  g.Int().SetColor(0x808000);   // teal
  g.Field().SetColor(clRed);
}

// Awk rows about width columns wide, in CRLF.
inline std::vector<std::string> AwkRows(int count, int width) {
  static const char* const parts[] = {
      "BEGIN { FS = \",\"; total = 0 }",
      "{ total += $3; names[$1] = \"x\" $2 }",
      "if ($4 > 100) { print \"big:\", $1, $4 } else count++",
      "while (i < 10) { sum += i * 2.5; i++ }",
      "# \x8d\x87\x8c\x76\x82\xf0\x90\x94\x82\xa6\x82\xe9",  // a comment in Japanese
      "n = split($0, parts, /[ \\t]+/); for (k = 1; k <= n; k++) seen[parts[k]]++",
      "printf \"%-10s %8.2f\\n\", $1, $2 / 3",
      "END { printf \"%d rows, total %d\\n\", NR, total }",
      "gsub(/foo/, \"bar\"); x = substr($2, 1, 5) length($3)",
  };
  std::vector<std::string> rows;
  rows.reserve(static_cast<std::size_t>(count));
  std::size_t k = 0;
  for (int r = 0; r < count; ++r) {
    std::string s;
    const int target = width - 40 + (r * 37) % 60;
    while (static_cast<int>(s.size()) < target) {
      if (!s.empty()) s += "; ";
      s += parts[k++ % (sizeof parts / sizeof *parts)];
    }
    rows.push_back(std::move(s));
  }
  return rows;
}

}  // namespace tolvan::bench
