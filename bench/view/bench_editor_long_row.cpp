// Repaint of a caret-sized rectangle on a row of 300 MB of awk text against
// the same repaint on a row of 100 bytes, in the same control and the same
// run: the caret's blink must cost the same however long its row is. Also
// times the input method's query for the text around the caret on the long
// row. Median of 30 each, thread CPU time. Prints "ratio <long / short>".
#include <QApplication>
#include <QImage>
#include <QPainter>

#include <cstdio>

#include "bench_view_common.h"
#include "editor/view/editor_widget.h"

using namespace tolvan;
using namespace tolvan::bench;

namespace {

constexpr std::size_t kLong = 300u << 20, kShort = 100;
constexpr int kRuns = 30;

// Awk-like text of exactly n bytes: words, strings, numbers, a tab now and
// then and a comment at the end.
std::string AwkRow(std::size_t n) {
  static const std::string unit = "x = \"ab\" $1 + 12;\tif (y) print z; ";
  std::string s;
  s.reserve(n);
  while (s.size() + unit.size() <= n) s += unit;
  s.append(n - s.size(), 'q');
  if (n > 8) s.replace(n - 8, 8, "# done x");
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  TGawkFountain gawk;  // outlives the control that shows it
  ColourGawk(gawk);
  TEditorWidget w;
  TEditor& e = w.Editor();
  e.SetFountain(&gawk);
  e.Leftbar().SetVisible(true);
  e.Ruler().SetVisible(true);
  w.resize(900, 500);
  w.show();
  app.processEvents();

  // Row 0 is the short row, row 1 the long one.
  std::string text = AwkRow(kShort) + "\r\n";
  text += AwkRow(kLong);
  text += "\r\nend\r\n";
  e.Lines().SetTextStr(text);
  text = std::string();
  app.processEvents();

  QImage img(w.viewport()->size(), QImage::Format_ARGB32_Premultiplied);
  auto caretRepaint = [&](int row) {
    e.SetRowCol(row, 37);
    const TPoint at = e.CaretPoint();
    const QRect caret(at.X, at.Y, 2, e.FontHeight());
    std::vector<double> times;
    for (int i = 0; i < kRuns + 3; ++i) {
      const double t0 = ThreadMs();
      {
        QPainter painter(&img);
        w.Renderer().Paint(painter, caret);
      }
      if (i >= 3) times.push_back(ThreadMs() - t0);  // the first paints fill the glyph caches
    }
    return Median(times);
  };
  const double shortMs = caretRepaint(0);
  const double longMs = caretRepaint(1);

  e.SetRowCol(1, 37);
  std::vector<double> im;
  for (int i = 0; i < 5; ++i) {
    const double t0 = ThreadMs();
    const QString around = w.inputMethodQuery(Qt::ImSurroundingText).toString();
    const int pos = w.inputMethodQuery(Qt::ImCursorPosition).toInt();
    im.push_back(ThreadMs() - t0);
    if (i == 0) std::printf("input method text: %lld characters, caret at %d\n", static_cast<long long>(around.size()), pos);
  }

  std::printf("row of %zu bytes: caret repaint median %.4f ms\n", kShort, shortMs);
  std::printf("row of %zu bytes: caret repaint median %.4f ms\n", kLong, longMs);
  std::printf("input method query on the long row: median %.3f ms\n", Median(im));
  std::printf("ratio %.3f\n", shortMs > 0 ? longMs / shortMs : 0.0);
  return 0;
}
