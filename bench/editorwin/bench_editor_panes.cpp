// Typing into an editor window on a 2,000,000-row awk script with the
// syntax check and the outline on: the slowest of 200 keys (this thread's
// CPU time, the window's own work for each key included), against the same
// keys with both off in the same run. Then what each costs once typing has
// paused: the check's start (the text handed to its runner) and the
// outline read again. Last line: "max_ms <slowest key with both on>".
#include <time.h>
#include <unistd.h>

#include <QApplication>
#include <QKeyEvent>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "editorwin/editor_window.h"
#include "editorwin/outline_pane.h"
#include "editorwin/problems_pane.h"
#include "settings/ini_file.h"
#include "bench_host.h"

using namespace tolvan;

namespace {

double CpuMs() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) * 1e-6;
}

// The slowest of 200 keys typed at the middle row.
double TypeKeys(TfrmEditor& w) {
  TEditor& c = w.Editor1().Editor();
  c.SetRowCol(c.List().Count() / 2, 4);
  QApplication::processEvents();
  double worst = 0;
  for (int i = 0; i < 200; ++i) {
    const char ch = static_cast<char>('a' + i % 26);
    QKeyEvent press(QEvent::KeyPress, Qt::Key_A + i % 26, Qt::NoModifier, QString(QChar(ch)));
    const double t0 = CpuMs();
    QApplication::sendEvent(&w.Editor1(), &press);
    worst = std::max(worst, CpuMs() - t0);
    QApplication::processEvents();
  }
  return worst;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("tolvan_bench_panes_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const std::filesystem::path script = dir / "big.awk";
  {
    static const char* const kRows[] = {"BEGIN { FS = \",\"; n = 0 }  # \x8F\x57\x8C\x76\r\n",
                                        "$3 > 100 { total += $3; seen[$1]++ }\r\n",
                                        "function f(a, b) { return a \"\x95\x5C\" b }\r\n", "{ print f($1, $2) }\r\n"};
    std::ofstream out(script, std::ios::binary);
    for (int i = 0; i < 2000000; ++i) out << kRows[i % 4];
  }
  BenchHost host(dir);
  auto open = [&](bool on) {
    IniFile ini(host.SettingsFile());
    ini.WriteBool("Editor", "SyntaxCheck", on);
    ini.WriteBool("Editor", "Outline", on);
    TfrmEditor* w = TfrmEditor::Create(host, QString::fromStdString(script.string()), nullptr);
    w->resize(1000, 600);
    w->show();
    QApplication::processEvents();
    return w;
  };

  TfrmEditor* off = open(false);
  const double reference = TypeKeys(*off);
  delete off;

  TfrmEditor* on = open(true);
  const double withPanes = TypeKeys(*on);
  double t0 = CpuMs();
  on->Problems().CheckNow();
  const double check = CpuMs() - t0;
  t0 = CpuMs();
  on->Outline().Rebuild();
  const double outline = CpuMs() - t0;
  std::printf("rows %d\n", on->Editor1().Editor().List().Count());
  std::printf("slowest key, check and outline off: %.3f ms\n", reference);
  std::printf("slowest key, check and outline on:  %.3f ms\n", withPanes);
  std::printf("after the pause: check started in %.1f ms, outline read in %.1f ms (next pause %d ms)\n", check, outline,
              on->Outline().PauseMs());
  delete on;
  std::filesystem::remove_all(dir);
  std::printf("max_ms %.3f\n", withPanes);
}
