// Opening a 100 MB, 2,000,000-line CP932 awk script in an editor window
// until its first screen is painted (the control rendered into an image),
// against `cat file > /dev/null` in the same run. Last line: "ratio <x>".
#include <unistd.h>

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include "editorwin/editor_window.h"
#include "bench_host.h"

using namespace tolvan;

namespace {

// Awk lines with strings, regular expressions, comments, fields and kanji,
// 50 bytes long on average.
std::string AwkLine(std::mt19937& rng, int i) {
  static const char* const kanji[] = {"\x8A\xBF", "\x8E\x9A", "\x95\x5C", "\x83\x5C", "\x81\x40"};
  std::string k = kanji[rng() % 5];
  switch (rng() % 6) {
    case 0: return "  x" + std::to_string(i % 1000) + " = \"" + k + "abc\" # " + k + k + " comment here";
    case 1: return "$1 ~ /^[a-z]+" + k + "/ { print $NF, $(NF-1); n++ }    # match";
    case 2: return "  if (length($0) > 40) printf(\"%s" + k + "\\n\", substr($0, 1, 8))";
    case 3: return "function f" + std::to_string(i % 97) + "(a, b) { return a * b + " + std::to_string(i) + " }";
    case 4: return "  gsub(/\\t+/, \" \"); total += $3 / 2   # " + k + " sum of column";
    default: return "END { for (k in seen) print k, seen[k] > \"out" + k + ".txt\" }";
  }
}

long long WriteScript(const std::string& path, int lines) {
  std::mt19937 rng(12);
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return -1;
  long long total = 0;
  std::string chunk;
  for (int i = 0; i < lines; ++i) {
    chunk += AwkLine(rng, i);
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

}  // namespace

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const int lines = argc > 1 ? std::atoi(argv[1]) : 2000000;
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("tolvan_bench_open_" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  const std::string path = (folder / "big.awk").string();
  const long long size = WriteScript(path, lines);
  if (size <= 0) {
    std::printf("cannot write %s\n", path.c_str());
    return 1;
  }
  std::printf("file %lld bytes, %d lines\n", size, lines);

  double catMs = 1e300;
  const std::string cmd = "cat '" + path + "' > /dev/null";
  for (int i = 0; i < 3; ++i) {
    const double t0 = NowMs();
    if (std::system(cmd.c_str()) != 0) return 1;
    catMs = std::min(catMs, NowMs() - t0);
  }

  BenchHost host(folder, QString(), "");  // opening alone: nothing runs gawk
  double openMs = 1e300;
  int rows = 0;
  for (int i = 0; i < 3; ++i) {
    const double t0 = NowMs();
    TfrmEditor* w = TfrmEditor::Create(host, QString::fromStdString(path), nullptr);
    if (!w) return 1;
    w->show();
    TEditorWidget& e = w->Editor1();
    QImage img(e.viewport()->size(), QImage::Format_RGB32);
    {
      QPainter p(&img);
      e.Renderer().Paint(p, img.rect());
    }
    openMs = std::min(openMs, NowMs() - t0);
    rows = e.Editor().List().Count();
    delete w;  // freeing is not part of opening, but each run starts empty
  }
  std::filesystem::remove_all(folder);
  std::printf("rows %d\ncat_ms %.1f\nopen_ms %.1f\n", rows, catMs, openMs);
  std::printf("ratio %.2f\n", openMs / catMs);
  return 0;
}
