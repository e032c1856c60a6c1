// The editor window's debugger: from F10 to the row about to run marked
// and the variables shown (the pane and the text painted), on a 1,000-row
// script with 50 globals; against gawk itself answering the same commands
// (the step, the backtrace, "info variables", the fields' "print") over the
// same pipes, without parsing or showing anything. The two take turns at
// each step, one gawk each, on the same records. Medians; the last line is
// "ratio <x>".
#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "core/files.h"
#include "editorwin/debugger.h"
#include "editorwin/editor_window.h"
#include "job/process.h"
#include "bench_host.h"

using namespace tolvan;

namespace {

constexpr const char* kGawk = "/usr/bin/gawk";
constexpr int kSteps = 101;

// 50 globals set at the start, then a rule of statements up to row 1,000.
std::string Script() {
  std::string s = "BEGIN {\n";
  for (int i = 0; i < 50; ++i) s += "  g" + std::to_string(i) + " = \"value " + std::to_string(i) + "\"\n";
  s += "}\n{\n";
  int row = 54;
  for (int i = 0; row < 1000; ++i, ++row) s += "  g" + std::to_string(i % 50) + " = $" + std::to_string(1 + i % 5) + " + " + std::to_string(i) + "\n";
  s += "}\n";
  return s;
}

std::string Sample() {
  std::string s;
  for (int i = 0; i < 200; ++i) s += std::to_string(i) + " b" + std::to_string(i) + " c d e\n";
  return s;
}

// gawk -D over the same pipes, answering what the debugger asks at a stop.
class DirectGawk {
 public:
  DirectGawk(const std::string& script, const std::string& sample) {
    ProcessRequest r;
    r.Argv = {kGawk, "-D/dev/fd/3", "-f", script, sample};
    proc_ = DefaultProcessLauncher().Start(r, {ChildPipe{3, true}, ChildPipe{4, false}});
    Ask({"option outfile=/dev/fd/4", "break 60", "run"});
  }
  // Milliseconds for one step and its values.
  double Step() {
    const double t0 = NowMs();
    Ask({"next", "backtrace", "info variables"});
    Ask({"print $0 $1 $2 $3 $4 $5"});
    return NowMs() - t0;
  }

 private:
  void Ask(const std::vector<std::string>& commands) {
    std::string batch;
    for (const std::string& c : commands) batch += c + "\nprintf \"\\n@@end" + std::to_string(++n_) + "@@\\n\"\n";
    proc_->Write(0, batch);
    const std::string last = "\n@@end" + std::to_string(n_) + "@@\n";
    while (out_[0].find(last) == std::string::npos)
      if (!proc_->Read(50, out_)) return;
    out_.assign(3, std::string());
  }
  std::unique_ptr<TRunningProcess> proc_;
  std::vector<std::string> out_ = std::vector<std::string>(3);
  int n_ = 0;
};

// Milliseconds from F10 to the stop shown and painted; -1 when none came.
std::vector<double> g_paint;
double DebugStep(TfrmEditor& w) {
  TDebugger& d = w.Debugger();
  QEventLoop loop;
  double shown = -1;
  const auto c = QObject::connect(&d, &TDebugger::Shown, &loop, [&] {
    // What the user sees: the paints the stop asked for, done.
    const double before = NowMs();
    QApplication::processEvents();
    shown = NowMs();
    g_paint.push_back(shown - before);
    loop.quit();
  });
  QTimer::singleShot(20000, &loop, &QEventLoop::quit);
  const double t0 = NowMs();
  // What F10's action calls; a step is often shown before it returns.
  d.StepOver();
  if (shown < 0) loop.exec();
  QObject::disconnect(c);
  return shown < 0 ? -1 : shown - t0;
}

}  // namespace

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("tolvan_bench_debug_" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  const std::string sample = (folder / "sample.txt").string();
  const std::string script = (folder / "steps.awk").string();
  WriteFileAtomically(sample, Sample());
  WriteFileAtomically(script, Script());
  BenchHost host(folder, QString::fromStdString(sample));

  TfrmEditor* w = TfrmEditor::Create(host, QString::fromStdString(script), nullptr);
  if (!w) return 1;
  w->resize(1200, 700);
  w->show();
  TDebugger& d = w->Debugger();
  d.ToggleBreakpointAtRow(w->Editor1().Editor().Lines().LinesToRow(59));
  {
    QEventLoop started;
    QObject::connect(&d, &TDebugger::Shown, &started, &QEventLoop::quit);
    QTimer::singleShot(20000, &started, &QEventLoop::quit);
    d.Start();
    if (d.Busy()) started.exec();
  }
  if (d.CurrentLine() != 60) {
    std::printf("the debugger did not stop at row 60\n");
    return 1;
  }
  DirectGawk direct(script, sample);
  std::vector<double> ours, theirs;
  for (int i = 0; i < kSteps; ++i) {
    theirs.push_back(direct.Step());
    const double ms = DebugStep(*w);
    if (ms < 0 || !d.Stopped()) {
      std::printf("step %d: no stop shown\n", i);
      return 1;
    }
    ours.push_back(ms);
  }
  const int globals = d.Pane()->Variables()->topLevelItemCount();
  w->Editor1().Editor().SetModified(false);
  delete w;
  std::filesystem::remove_all(folder);
  const double o = Median(ours), t = Median(theirs);
  std::printf("sections %d, steps %d: gawk_ms %.3f debugger_ms %.3f (painting %.3f)\n", globals, kSteps, t, o,
              Median(g_paint));
  std::printf("ratio %.2f\n", o / t);
  return 0;
}
