// The slowest single key through the control's key and character entry
// points on a 2,000,000-row coloured awk text: 200 characters, Enter and
// Backspace at the first, middle and last row. Prints "max_ms <x>".
#include <algorithm>
#include <ctime>
#include <cstdio>
#include <string>

#include "colouring/gawk_fountain.h"
#include "recording_platform.h"

using namespace tolvan;

// CPU time of this thread: the wall clock would count other processes' time
// slices on a busy machine.
static double ThreadMs() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

int main() {
  TGawkFountain gawk;  // outlives the control that shows it
  test::Ed ed;
  ed.e.SetFountain(&gawk);
  ed.e.Leftbar().SetVisible(true);
  ed.e.Ruler().SetVisible(true);
  std::string text;
  const char* rows[] = {"BEGIN { FS = \",\"; total = 0 }\r\n", "/^#/ { next }  # comments\r\n",
                        "{ total += $3; names[$1] = \"x\" $2 }\r\n", "END { printf \"%d\\n\", total }\r\n"};
  text.reserve(2000000 * 34);
  for (int i = 0; i < 2000000; ++i) text += rows[i % 4];
  ed.Set(text);
  std::printf("rows %d\n", ed.e.List().Count());
  double worst = 0;
  const int places[] = {0, 1000000, 1999999};
  for (int place : places) {
    ed.e.SetRowCol(place, 5);
    // What the first paint at this place does once: the rows on screen get
    // their colouring state. Typing is timed after that.
    for (int r = ed.e.TopRow(); r < ed.e.TopRow() + ed.e.RowCount() && r < ed.e.List().Count(); ++r)
      if (ed.e.List().GetListBracket(r) == -2) ed.e.List().UpdateBrackets(r, false);
    double here = 0;
    auto timed = [&](auto&& f) {
      const double t0 = ThreadMs();
      f();
      const double ms = ThreadMs() - t0;
      worst = std::max(worst, ms);
      here = std::max(here, ms);
    };
    for (int i = 0; i < 200; ++i) timed([&] { ed.e.CharBytes(i % 10 == 0 ? "\x8a\xbf" : "a"); });
    timed([&] { ed.e.CharBytes("\r"); });
    timed([&] { ed.e.CharBytes("\b"); });
    timed([&] { ed.e.KeyDown(ekDown, 0); });
    std::printf("row %d: slowest key %.3f ms\n", place, here);
  }
  std::printf("max_ms %.3f\n", worst);
}
