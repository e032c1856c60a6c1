// Shared pieces of the text-model benchmarks: a generated CP932 text, a
// clock, peak memory.
#pragma once

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <random>
#include <string>

namespace tolvan::bench {

inline double NowMs() {
  using namespace std::chrono;
  return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

inline double PeakRssMb() {
  rusage ru{};
  getrusage(RUSAGE_SELF, &ru);
  return static_cast<double>(ru.ru_maxrss) / 1024.0;  // ru_maxrss is in KiB
}

// One line of CP932 text: letters, spaces, an occasional tab and kanji;
// lengths 0..96 bytes, so that some lines wrap at 80 columns.
inline std::string MakeLine(std::mt19937& rng) {
  std::uniform_int_distribution<int> len(0, 96);
  std::uniform_int_distribution<int> kind(0, 19);
  int n = len(rng);
  std::string s;
  s.reserve(static_cast<std::size_t>(n) + 2);
  while (static_cast<int>(s.size()) < n) {
    int k = kind(rng);
    if (k == 0 && static_cast<int>(s.size()) + 2 <= n) {
      s += "\x8A\xBF";  // a kanji
    } else if (k == 1) {
      s += ' ';
    } else if (k == 2 && s.size() < 8) {
      s += '\t';
    } else {
      s += static_cast<char>('a' + k);
    }
  }
  return s;
}

// Writes `lines` lines (CR LF) to path without holding the text in memory.
inline long long WriteTextFile(const std::string& path, int lines, unsigned seed) {
  std::mt19937 rng(seed);
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return -1;
  long long total = 0;
  std::string chunk;
  for (int i = 0; i < lines; ++i) {
    chunk += MakeLine(rng);
    chunk += "\r\n";
    if (chunk.size() > (1u << 20)) {
      total += static_cast<long long>(std::fwrite(chunk.data(), 1, chunk.size(), f));
      chunk.clear();
    }
  }
  total += static_cast<long long>(std::fwrite(chunk.data(), 1, chunk.size(), f));
  std::fclose(f);
  return total;
}

}  // namespace tolvan::bench
