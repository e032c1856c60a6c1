// The outline of a 10,000-row awk script: ReadAwkNames over every row (the
// outline, the functions and the globals the editor window reads a moment
// after each change). The reference, measured in the same run, is the
// colouring tokenizer alone over the same rows. Times are this thread's
// CPU time, the best of five runs. Last line: "ms <outline milliseconds>".
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "colouring/awk_code.h"
#include "colouring/gawk_fountain.h"

namespace {

double CpuMs() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) * 1e-6;
}

// Rules, patterns over two rows, functions, comments, strings and regular
// expressions, with CP932 text in comments and strings.
std::string MakeScript(int rows) {
  static const char* const kBlock[] = {
      "# \x8F\x57\x8C\x76 function notOne() {",
      "BEGIN { FS = \",\"; OFS = \"\\t\"; count = 0 }",
      "$3 ~ /^[0-9]+$/ &&",
      "  $(NF-1) != \"\" { total += $3 * 1.5e+2; seen[$1]++ }",
      "function trim(s,    t) { sub(/^[ \\t]+/, \"\", s); t = s; return t }",
      "{",
      "    printf(\"%-10s %8.2f\\n\", $1, total / (NR > 0 ? NR : 1))  # report",
      "    name = \"\x95\x5C\x8E\xA6 function x() {\"; n = split($0, parts, /[,;]/)",
      "}",
      "NR == 1, NR == 5",
      "END { for (w in seen) print w, seen[w] | \"sort\"; close(\"sort\") }",
      "",
  };
  std::string text;
  for (int i = 0; i < rows; ++i) {
    text += kBlock[i % (sizeof kBlock / sizeof kBlock[0])];
    text += "\r\n";
  }
  return text;
}

template <class F>
double Best(F&& f) {
  double best = 1e300;
  for (int i = 0; i < 5; ++i) {
    const double t0 = CpuMs();
    f();
    best = std::min(best, CpuMs() - t0);
  }
  return best;
}

}  // namespace

int main() {
  using namespace tolvan;
  const std::string script = MakeScript(10000);
  const TTextRows rows(script);
  std::size_t items = 0;
  const double outline = Best([&] { items = ReadAwkNames(rows, TextEncoding::Cp932).Outline.size(); });

  TGawkFountain fountain;
  std::size_t tokens = 0;
  const double reference = Best([&] {
    auto parser = fountain.CreateRowStateParser();
    auto& p = static_cast<TFountainParser&>(*parser);
    std::string row;
    for (int r = 0; r < rows.GetListCount(); ++r) {
      row.assign(rows.GetListString(r));
      p.NewData(row, TRowAttributeData{});
      while (p.NextToken() != toEof) ++tokens;
    }
  });
  std::printf("rows %d, outline entries %zu\n", rows.GetListCount(), items);
  std::printf("tokenizer alone: %.2f ms (%zu tokens in 5 runs)\n", reference, tokens);
  std::printf("outline: %.2f ms (%.1f x the tokenizer)\n", outline, outline / std::max(reference, 1e-3));
  std::printf("ms %.2f\n", outline);
}
