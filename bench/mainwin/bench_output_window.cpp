// "4 Screen" with 74 MB of standard output (1,000,000 lines of 74 bytes):
// from Run to the output window shown with its first rows painted, against
// the same gawk writing to /dev/null and, the fair floor for output that is
// kept, to a file on tmpfs. Prints the peak memory against the output's
// size. Last line: ratio_tmpfs.
#include <QApplication>
#include <QComboBox>
#include <QRadioButton>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "bench_mainwin.h"
#include "editor/view/editor_widget.h"
#include "mainwin/form1.h"
#include "mainwin/output_window.h"

using namespace tolvan;

namespace {

long StatusKb(const char* key) {
  std::ifstream in("/proc/self/status");
  std::string line;
  const std::string k = std::string(key) + ":";
  while (std::getline(in, line))
    if (line.rfind(k, 0) == 0) return std::atol(line.c_str() + k.size());
  return -1;
}

}  // namespace

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  PrintedMessages messages;
  SetMessageService(&messages);

  const BenchProgramFolder folder("tolvan_bench_output");
  const std::filesystem::path& dir = folder.Path();
  const char* program = "BEGIN { s = sprintf(\"%073d\", 0); for (i = 0; i < 1000000; i++) print s }";
  const std::size_t expected = 74000000;
  const std::string gawk = std::string("/bin/sh -c 'LC_ALL=C /usr/bin/gawk '\\''") + program + "'\\''";
  const std::string shell = gawk + " > /dev/null'";
  const std::string tmpfsFile = "/dev/shm/tolvan_bench_output_" + std::to_string(::getpid());
  const std::string tmpfs = gawk + " > " + tmpfsFile + "'";

  long baseKb = 0;
  std::vector<double> runs, refs, tmpfsRefs, shares;
  long peakKb = 0;
  {
    TForm1 w(ProgramPaths(dir / "tolvan"), {});
    w.findChild<QRadioButton*>("radioOneLiner")->setChecked(true);
    w.findChild<QComboBox*>("cmbOneLiner")->setEditText(QString::fromUtf8(program));
    w.findChild<QComboBox*>("cmbInput")->setCurrentIndex(2);
    w.findChild<QComboBox*>("cmbOutput")->setCurrentIndex(3);
    TfrmError* out = w.OutputWindow();
    w.show();
    QApplication::processEvents();
    baseKb = StatusKb("VmHWM");  // the program with its window open
    for (int round = 0; round < 5; ++round) {
      runs.push_back(Seconds([&] {
        w.RunScript();
        w.WaitForJob();
        // The first screen of rows, painted now rather than at the next turn of the loop.
        out->TextArea()->viewport()->repaint();
      }));
      const std::size_t got = w.OutputText().size();
      const bool shown = out->isVisible() && out->TextArea()->Editor().Lines().GetCount() == 1000000;
      peakKb = std::max(peakKb, StatusKb("VmHWM"));
      if (round == 0)  // what is held while the output is shown
        std::printf("shown: heap and stacks %.1f MB, mapped files %.1f MB, output's memory file %.1f MB\n",
                    StatusKb("RssAnon") / 1024.0, StatusKb("RssFile") / 1024.0, StatusKb("RssShmem") / 1024.0);
      // The window's own share: the same bytes loaded and painted again.
      // (Not owned here: the main window keeps the text alive meanwhile.)
      const TSharedBytes again{std::shared_ptr<const char>(std::shared_ptr<const char>(), w.OutputText().data()),
                               w.OutputText().size()};
      shares.push_back(Seconds([&] {
        out->ShowStandardOutputForm(again);
        out->TextArea()->viewport()->repaint();
      }));
      out->close();  // the user closes it: the text is freed
      const bool freed = w.OutputText().empty();
      refs.push_back(Seconds([&] {
        if (std::system(shell.c_str()) != 0) std::fprintf(stderr, "reference failed\n");
      }));
      tmpfsRefs.push_back(Seconds([&] {
        if (std::system(tmpfs.c_str()) != 0) std::fprintf(stderr, "tmpfs reference failed\n");
      }));
      std::filesystem::remove(tmpfsFile);
      std::printf("round %d: Run to painted %.3f s (loading and painting %.3f s), gawk > /dev/null %.3f s, "
                  "gawk > tmpfs %.3f s, %zu bytes%s%s\n",
                  round + 1, runs.back(), shares.back(), refs.back(), tmpfsRefs.back(), got,
                  shown ? "" : " (NOT SHOWN)", freed ? "" : " (NOT FREED)");
      if (got != expected || !shown || !freed) return 1;
    }
  }
  const double mb = expected / 1e6;
  std::printf("peak memory %.1f MB (%.1f MB with the window open before the first run), %.2f x the output's %.0f MB; "
              "the output's own part %.2f x\n",
              peakKb / 1024.0, baseKb / 1024.0, peakKb * 1024.0 / expected, mb,
              (peakKb - baseKb) * 1024.0 / expected);
  std::printf("median Run to painted %.3f s, median gawk > /dev/null %.3f s, median gawk > tmpfs %.3f s\n",
              Median(runs), Median(refs), Median(tmpfsRefs));
  std::printf("ratio %.3f\n", Median(runs) / Median(refs));
  std::printf("ratio_tmpfs %.3f\n", Median(runs) / Median(tmpfsRefs));
  return 0;
}
