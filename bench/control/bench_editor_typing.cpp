// The slowest single key through the control's key and character entry
// points on a 2,000,000-row coloured awk text: 200 characters, Enter and
// Backspace at the first, middle and last row. Once on a CP932 text and
// once on a UTF-8 text of the same rows with Japanese in the comments and
// strings. Prints each, then "max_ms <x>" for the slower of the two.
#include <algorithm>
#include <ctime>
#include <cstdio>
#include <string>

#include "colouring/gawk_fountain.h"
#include "core/encoding.h"
#include "recording_platform.h"

using namespace tolvan;

// CPU time of this thread: the wall clock would count other processes' time
// slices on a busy machine.
static double ThreadMs() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

struct TypingText {
  TextEncoding encoding;
  const char* rows[4];
  const char* wide;  // typed as every tenth character
};

static double Run(const TypingText& t) {
  TGawkFountain gawk;  // outlives the control that shows it
  test::Ed ed;
  ed.e.Lines().SetEncoding(t.encoding);
  ed.e.SetFountain(&gawk);
  ed.e.Leftbar().SetVisible(true);
  ed.e.Ruler().SetVisible(true);
  std::string text;
  text.reserve(2000000 * 40);
  for (int i = 0; i < 2000000; ++i) text += t.rows[i % 4];
  ed.Set(text);
  std::printf("%s: rows %d\n", EncodingName(t.encoding), ed.e.List().Count());
  double worst = 0;
  const int places[] = {0, 1000000, 1999999};
  for (int place : places) {
    ed.e.SetRowCol(place, 5);
    // What the first paint at this place does once: the rows on screen get
    // their colouring state and their widths (the UTF-8 width table is
    // made at its first use). Typing is timed after that.
    for (int r = ed.e.TopRow(); r < ed.e.TopRow() + ed.e.RowCount() && r < ed.e.List().Count(); ++r) {
      if (ed.e.List().GetListBracket(r) == -2) ed.e.List().UpdateBrackets(r, false);
      DisplayWidth(t.encoding, ed.e.List().ListStr(r));
    }
    double here = 0;
    auto timed = [&](auto&& f) {
      const double t0 = ThreadMs();
      f();
      const double ms = ThreadMs() - t0;
      worst = std::max(worst, ms);
      here = std::max(here, ms);
    };
    for (int i = 0; i < 200; ++i) timed([&] { ed.e.CharBytes(i % 10 == 0 ? t.wide : "a"); });
    timed([&] { ed.e.CharBytes("\r"); });
    timed([&] { ed.e.CharBytes("\b"); });
    timed([&] { ed.e.KeyDown(ekDown, 0); });
    std::printf("%s row %d: slowest key %.3f ms\n", EncodingName(t.encoding), place, here);
  }
  std::printf("%s max_ms %.3f\n", EncodingName(t.encoding), worst);
  return worst;
}

int main() {
  const TypingText cp932{TextEncoding::Cp932,
                         {"BEGIN { FS = \",\"; total = 0 }\r\n", "/^#/ { next }  # comments\r\n",
                          "{ total += $3; names[$1] = \"x\" $2 }\r\n", "END { printf \"%d\\n\", total }\r\n"},
                         "\x8a\xbf"};
  // The same rows; the comment says "コメント" and the strings "名前", "合計".
  const TypingText utf8{TextEncoding::Utf8,
                        {"BEGIN { FS = \",\"; total = 0 }\r\n",
                         "/^#/ { next }  # \xe3\x82\xb3\xe3\x83\xa1\xe3\x83\xb3\xe3\x83\x88\r\n",
                         "{ total += $3; names[$1] = \"\xe5\x90\x8d\xe5\x89\x8d\" $2 }\r\n",
                         "END { printf \"\xe5\x90\x88\xe8\xa8\x88 %d\\n\", total }\r\n"},
                        "\xe6\xbc\xa2"};
  const double first = Run(cp932);
  const double second = Run(utf8);
  std::printf("max_ms %.3f\n", std::max(first, second));
}
