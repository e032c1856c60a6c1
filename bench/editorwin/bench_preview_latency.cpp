// The editor window's preview: from the last keystroke to the first row of
// output painted in the pane, less the pause before a run, for a one-line
// script over a 1 MB sample; against the same gawk command run directly
// (posix_spawn, output read from a pipe) in the same run, the two taking
// turns. Two scripts: one
// that prints only at its end (first row = whole run, both sides), and one
// that prints a row per input line (first row = gawk's first buffer, both
// sides). Medians of 9; the last line is the worse ratio: "ratio <x>".
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "core/files.h"
#include "editorwin/editor_window.h"
#include "bench_host.h"

extern char** environ;

using namespace tolvan;

namespace {

constexpr const char* kGawk = "/usr/bin/gawk";
constexpr int kRounds = 9;

std::string Sample() {
  std::mt19937 rng(7);
  std::string s;
  while (s.size() < 1024 * 1024) {
    s += std::to_string(rng() % 100000) + " field" + std::to_string(rng() % 97) + " " +
         std::to_string(rng() % 1000) + ".5 some more words here\n";
  }
  return s;
}

// gawk run directly: milliseconds until the first output byte (firstOnly)
// or until its output has ended.
double DirectRun(const std::vector<std::string>& args, bool firstOnly) {
  int p[2];
  if (::pipe2(p, O_CLOEXEC) != 0) return -1;
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_adddup2(&fa, p[1], 1);
  posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
  std::vector<std::string> a = args;
  std::vector<char*> argv;
  for (auto& s : a) argv.push_back(s.data());
  argv.push_back(nullptr);
  const double t0 = NowMs();
  pid_t pid;
  if (::posix_spawn(&pid, kGawk, &fa, nullptr, argv.data(), environ) != 0) return -1;
  ::close(p[1]);
  char buf[65536];
  double t = -1;
  for (;;) {
    const ssize_t n = ::read(p[0], buf, sizeof buf);
    if (n > 0 && firstOnly && t < 0) t = NowMs() - t0;
    if (n <= 0) break;
  }
  if (t < 0) t = NowMs() - t0;
  ::close(p[0]);
  int st;
  ::waitpid(pid, &st, 0);
  posix_spawn_file_actions_destroy(&fa);
  return t;
}

// Milliseconds from a key typed into the editor to the first output painted
// in the pane, less the pause; -1 when nothing came.
double PreviewRun(TfrmEditor& w) {
  TPreviewPane* pane = w.Preview();
  QEventLoop loop;
  double painted = -1;
  const auto c = QObject::connect(pane, &TPreviewPane::OutputPainted, &loop, [&] {
    painted = NowMs();
    loop.quit();
  });
  QTimer::singleShot(20000, &loop, &QEventLoop::quit);
  QKeyEvent press(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, " ");
  QKeyEvent release(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, " ");
  const double t0 = NowMs();
  QApplication::sendEvent(&w.Editor1(), &press);
  QApplication::sendEvent(&w.Editor1(), &release);
  loop.exec();
  QObject::disconnect(c);
  return painted < 0 ? -1 : painted - t0 - TPreviewPane::kPauseMs;
}

}  // namespace

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("tolvan_bench_preview_" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  const std::string sample = (folder / "sample.txt").string();
  WriteFileAtomically(sample, Sample());
  BenchHost host(folder, QString::fromStdString(sample));

  struct Case {
    const char* name;
    std::string script;
    bool firstOnly;
  } cases[] = {
      {"end", "{ n += NF } END { print n }", false},
      {"rows", "{ print $2, $1 }", true},
  };
  double worst = 0;
  for (const Case& c : cases) {
    const std::string scriptPath = (folder / (std::string(c.name) + ".awk")).string();
    WriteFileAtomically(scriptPath, c.script + "\r\n");
    std::vector<double> direct, preview;

    TfrmEditor* w = TfrmEditor::Create(host, QString::fromStdString(scriptPath), nullptr);
    if (!w) return 1;
    w->resize(1200, 600);
    w->show();
    w->TogglePreview();
    // The first run, started by opening the pane.
    QEventLoop settle;
    QObject::connect(w->Preview(), &TPreviewPane::RunShown, &settle, &QEventLoop::quit);
    QTimer::singleShot(20000, &settle, &QEventLoop::quit);
    settle.exec();
    w->Editor1().Editor().SetRowCol(0, static_cast<int>(c.script.size()));
    // Direct and preview runs take turns, so a change in the machine's load
    // meets both alike.
    for (int i = 0; i < kRounds; ++i) {
      direct.push_back(DirectRun({"gawk", "--sandbox", "-f", scriptPath, sample}, c.firstOnly));
      const double ms = PreviewRun(*w);
      if (ms < 0) {
        std::printf("%s: no output painted\n", c.name);
        return 1;
      }
      preview.push_back(ms);
      // Let the run end before the next key, as between two bursts of typing.
      QEventLoop done;
      QObject::connect(w->Preview(), &TPreviewPane::RunShown, &done, &QEventLoop::quit);
      QTimer::singleShot(20000, &done, &QEventLoop::quit);
      if (w->Preview()->Running()) done.exec();
    }
    w->Editor1().Editor().SetModified(false);
    delete w;
    const double d = Median(direct), p = Median(preview);
    std::printf("%s: direct_ms %.2f preview_ms %.2f ratio %.2f\n", c.name, d, p, p / d);
    worst = std::max(worst, p / d);
  }
  std::filesystem::remove_all(folder);
  std::printf("ratio %.2f\n", worst);
  return 0;
}
