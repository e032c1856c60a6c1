// Typing a character, Enter and Backspace at the first, middle and last row
// of a 2 million row text, each edit one UpdateList as the control makes it.
// Last line: "max_ms <slowest single edit>", in thread CPU time.
#include <time.h>

#include <algorithm>
#include <cstdlib>

#include "bench_common.h"
#include "editor/model/comment_parser.h"
#include "editor/model/editor_strings.h"
#include "editor/model/test_client.h"

using namespace tolvan;

namespace {

double wallWorst = 0;

// CPU time of this thread: on a shared machine a wall clock also counts the
// time slices other processes took in between (4 ms each).
double ThreadMs() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

double Timed(auto fn) {
  double w0 = bench::NowMs();
  double t0 = ThreadMs();
  fn();
  double t = ThreadMs() - t0;
  wallWorst = std::max(wallWorst, bench::NowMs() - w0);
  return t;
}

}  // namespace

int main(int argc, char** argv) {
  const int lines = argc > 1 ? std::atoi(argv[1]) : 2000000;
  const bool wrap = argc > 2 && std::string(argv[2]) == "wrap";
  std::mt19937 rng(11);
  std::string all;
  all.reserve(static_cast<std::size_t>(lines) * 52);
  for (int i = 0; i < lines; ++i) {
    all += bench::MakeLine(rng);
    all += "\r\n";
  }
  test::Fixture f;
  test::CommentScheme scheme;
  f.client.scheme = &scheme;
  f.client.screenHeight = 1080;
  f.client.rowHeight = 16;
  f.client.full = true;  // every row's state computed, as after scrolling through
  TEditorStrings text(f.client, [&]() -> TEditorScreenStrings& { return *f.store; });
  if (wrap) f.store->SetWordWrap(true);
  double t0 = bench::NowMs();
  text.SetTextStr(all);
  std::printf("rows %d (set up in %.0f ms)%s\n", f.store->Count(), bench::NowMs() - t0,
              wrap ? ", word wrap on" : "");
  all.clear();
  all.shrink_to_fit();

  TEditorScreenStrings& s = *f.store;
  double worst = 0;
  const char* names[] = {"first", "middle", "last"};
  for (int round = 0; round < 20; ++round) {
    for (int w = 0; w < 3; ++w) {
      int n = s.Count();
      int row = w == 0 ? 0 : w == 1 ? n / 2 : n - 2;
      row = s.RowStart(row);
      f.client.row = row;
      f.client.col = 1;
      // Type one character after the first byte of the row.
      std::string line(s.Get(row));
      std::string typed = line.empty() ? std::string("x") : line.substr(0, 1) + "x" + line.substr(1);
      int end = s.RowEnd(row);
      std::string full;
      int rows = 0;
      TRowAttribute a;
      s.ListInfo(row, -1, full, rows, a);
      full.insert(full.begin() + (full.empty() ? 0 : 1), 'x');
      double type = Timed([&] { s.UpdateList(row, end - row + 1, full); });
      // Enter after that character, then Backspace to join the lines again.
      s.ListInfo(row, -1, full, rows, a);
      std::string split = full.substr(0, 2) + "\r\n" + full.substr(std::min<std::size_t>(2, full.size()));
      double enter = Timed([&] { s.UpdateList(row, s.RowEnd(row) - row + 1, split); });
      int next = s.RowEnd(row) + 1;
      std::string joined;
      s.ListInfo(row, s.RowEnd(next) - row + 1, joined, rows, a);
      joined.erase(joined.find("\r\n"), 2);
      double back = Timed([&] { s.UpdateList(row, s.RowEnd(next) - row + 1, joined); });
      if (round == 0)
        std::printf("%s row %d: type %.3f ms, enter %.3f ms, backspace %.3f ms\n", names[w], row, type,
                    enter, back);
      double slowest = std::max({type, enter, back});
      if (slowest > worst) {
        worst = slowest;
        std::printf("  slowest so far: round %d, %s row, type %.3f enter %.3f backspace %.3f\n", round,
                    names[w], type, enter, back);
      }
      (void)typed;
    }
  }
  std::printf("undo steps kept %zu\n", s.UndoObj().UndoList().size());
  std::printf("slowest edit by the wall clock %.3f ms\n", wallWorst);
  std::printf("max_ms %.3f\n", worst);
  return 0;
}
