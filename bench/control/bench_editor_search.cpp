// Forward Search without sfrMatchCase for a word that occurs only at the end
// of a generated 100 MB text, against grep -F -i -c on the same file in the
// same run: once in CP932 and once in UTF-8, each row Japanese and awk.
// Prints each ratio (search time / grep time), then "ratio <x>" for the
// worse of the two.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "core/encoding.h"
#include "recording_platform.h"

using namespace tolvan;
using Clock = std::chrono::steady_clock;

static double Run(TextEncoding encoding, const char* row) {
  std::string text;
  while (text.size() < 100u * 1024 * 1024) text += row;
  text += "zebrafinch\r\n";
  const std::string path = "/tmp/bench_editor_search.txt";
  std::ofstream(path, std::ios::binary) << text;
  text.clear();
  text.shrink_to_fit();

  test::Ed ed;
  ed.e.Lines().SetEncoding(encoding);
  ed.e.Lines().LoadFromFile(path);
  ed.e.SetRowCol(0, 0);
  const auto t0 = Clock::now();
  const bool found = ed.e.Search("ZEBRAFINCH", SearchBit(sfrDown));
  const double ours = std::chrono::duration<double>(Clock::now() - t0).count();

  const auto g0 = Clock::now();
  const int rc = std::system(("grep -F -i -c ZEBRAFINCH " + path + " > /dev/null").c_str());
  const double grep = std::chrono::duration<double>(Clock::now() - g0).count();
  std::remove(path.c_str());
  std::printf("%s: found %d at row %d; search %.3f s, grep %.3f s (exit %d)\n", EncodingName(encoding), found,
              ed.e.Row(), ours, grep, rc);
  std::printf("%s ratio %.2f\n", EncodingName(encoding), ours / grep);
  return ours / grep;
}

int main() {
  // 日本語のテキスト in each encoding.
  const double cp932 = Run(TextEncoding::Cp932,
                           "\x93\xfa\x96\x7b\x8c\xea\x82\xcc\x83\x65\x83\x4c\x83\x58\x83\x67 awk $1 ~ /abc/ { print $2, x }\r\n");
  const double utf8 = Run(TextEncoding::Utf8,
                          "\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e\xe3\x81\xae\xe3\x83\x86\xe3\x82\xad\xe3\x82\xb9\xe3\x83\x88"
                          " awk $1 ~ /abc/ { print $2, x }\r\n");
  std::printf("ratio %.2f\n", std::max(cp932, utf8));
}
