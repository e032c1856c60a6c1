// Loading a 100 MB, 2 million line CP932 file into the row store, against
// `cat file > /dev/null` in the same run; then word wrap of the whole text
// at 80 columns and back. Last line: "ratio <load / cat>".
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "bench_common.h"
#include "editor/model/editor_strings.h"
#include "editor/model/test_client.h"

using namespace tolvan;

int main(int argc, char** argv) {
  const int lines = argc > 1 ? std::atoi(argv[1]) : 2000000;
  const std::string path =
      (std::filesystem::temp_directory_path() / ("tolvan_bench_load_" + std::to_string(::getpid()) + ".txt")).string();
  long long size = bench::WriteTextFile(path, lines, 7);
  if (size <= 0) {
    std::printf("cannot write %s\n", path.c_str());
    return 1;
  }
  std::printf("file %lld bytes, %d lines\n", size, lines);
  const double baseRss = bench::PeakRssMb();

  double catMs = 1e300;
  std::string cmd = "cat '" + path + "' > /dev/null";
  for (int i = 0; i < 3; ++i) {
    double t0 = bench::NowMs();
    if (std::system(cmd.c_str()) != 0) return 1;
    catMs = std::min(catMs, bench::NowMs() - t0);
  }

  // Each run loads into a new, empty editor; freeing the old one is not timed.
  double loadMs = 1e300;
  for (int i = 0; i < 2; ++i) {
    test::Fixture g;
    TEditorStrings text(g.client, [&]() -> TEditorScreenStrings& { return *g.store; });
    double t0 = bench::NowMs();
    text.LoadFromFile(path);
    loadMs = std::min(loadMs, bench::NowMs() - t0);
  }
  test::Fixture f;
  TEditorStrings text(f.client, [&]() -> TEditorScreenStrings& { return *f.store; });
  {
    double t0 = bench::NowMs();
    text.LoadFromFile(path);
    loadMs = std::min(loadMs, bench::NowMs() - t0);
  }
  const double peak = bench::PeakRssMb();
  std::printf("rows %d\n", f.store->Count());
  std::printf("cat_ms %.1f\nload_ms %.1f\n", catMs, loadMs);
  std::printf("peak_rss_mb %.1f (before loading %.1f)\n", peak, baseRss);
  std::printf("memory_ratio %.2f\n", peak * 1024.0 * 1024.0 / static_cast<double>(size));

  double t0 = bench::NowMs();
  f.store->SetWordWrap(true);
  double wrapMs = bench::NowMs() - t0;
  int wrappedRows = f.store->Count();
  t0 = bench::NowMs();
  f.store->SetWordWrap(false);
  double unwrapMs = bench::NowMs() - t0;
  std::printf("wrap_80_ms %.1f (rows %d)\nunwrap_ms %.1f (rows %d)\n", wrapMs, wrappedRows, unwrapMs,
              f.store->Count());
  std::filesystem::remove(path);
  std::printf("ratio %.2f\n", loadMs / catMs);
  return 0;
}
