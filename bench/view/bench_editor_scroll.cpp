// Scrolling one row down, 1,000 times, at row 1,000,000 of a 2,000,000-row
// coloured awk text, each step painted as the widget does it (the contents
// moved, the uncovered strip repainted through the renderer), against the
// same steps at row 10 of a 100-row text. Thread CPU time of the steps.
// Prints "ratio <deep / shallow>": the cost must not grow with the text. The
// same with word wrap on is printed before it (wrap_ratio), since numbering
// logical lines then has to count line ends. With --utf8 the same text is
// held as a UTF-8 document.
#include <QApplication>
#include <QImage>
#include <QPainter>

#include <cstdio>
#include <cstring>
#include <memory>

#include "bench_view_common.h"
#include "core/encoding.h"
#include "editor/view/editor_font.h"
#include "editor/view/editor_renderer.h"
#include "recording_platform.h"

using namespace tolvan;
using namespace tolvan::bench;

namespace {

constexpr int kSteps = 1000;

// The stand-in platform with a screen: moving contents moves pixels, and
// what is uncovered or invalidated is painted at once.
class ScreenPlatform : public test::RecordingPlatform {
 public:
  QImage screen;
  TEditorRenderer* renderer = nullptr;

  void Paint(const QRect& r) {
    if (!renderer || r.isEmpty()) return;
    QPainter p(&screen);
    renderer->Paint(p, r);
  }
  void Invalidate(const TRect& r) override { Paint(QRect(r.Left, r.Top, r.Width(), r.Height())); }
  void ScrollRect(int dx, int dy, const TRect& clip) override {
    const QRect area = QRect(clip.Left, clip.Top, clip.Width(), clip.Height()).intersected(screen.rect());
    if (dx != 0 || std::abs(dy) >= area.height()) {
      Paint(area);
      return;
    }
    // Move the rows of the area by dy, then paint the strip left uncovered.
    const int bpp = 4;
    const int h = area.height() - std::abs(dy);
    for (int i = 0; i < h; ++i) {
      const int y = dy < 0 ? area.top() + i : area.bottom() - i;
      std::memmove(screen.scanLine(y) + area.left() * bpp, screen.scanLine(y - dy) + area.left() * bpp,
                   static_cast<std::size_t>(area.width()) * bpp);
    }
    Paint(dy < 0 ? QRect(area.left(), area.top() + h, area.width(), -dy)
                 : QRect(area.left(), area.top(), area.width(), dy));
  }
};

struct Setup {
  TGawkFountain gawk;  // outlives the control that shows it
  ScreenPlatform p;
  std::unique_ptr<TEditor> e;
  std::unique_ptr<TEditorRenderer> r;

  Setup(int rowCount, const QFont& font, bool wrap, bool utf8) {
    ColourGawk(gawk);
    p.metrics = EditorFontMetrics(font);
    p.width = 1200;
    p.height = 800;
    p.screen = QImage(p.width, p.height, QImage::Format_ARGB32_Premultiplied);
    e = std::make_unique<TEditor>(p);
    e->SetFountain(&gawk);
    e->Ruler().SetVisible(true);
    e->Leftbar().SetVisible(true);
    e->Leftbar().SetShowNumberMode(nmLine);
    e->Resized();
    const std::vector<std::string> rows = AwkRows(1000, 120);
    std::string text;
    text.reserve(static_cast<std::size_t>(rowCount) * 130);
    std::vector<std::string> shown = rows;
    if (utf8)
      for (auto& r : shown) r = cp932::ToUtf8(r);
    for (int i = 0; i < rowCount; ++i) text += shown[static_cast<std::size_t>(i % 1000)] + "\r\n";
    if (utf8) e->Lines().SetEncoding(TextEncoding::Utf8);
    e->Lines().SetTextStr(text);
    e->SetRowCol(0, 0);
    e->SetWordWrap(wrap);
    r = std::make_unique<TEditorRenderer>(*e);
    r->SetFont(font);
    p.renderer = r.get();
  }
  // Shows row top with a full paint, as a jump there would.
  void Jump(int top) {
    e->SetTopRow(top);
    p.Paint(p.screen.rect());
  }
};

// The deep and shallow runs; returns deep / shallow.
double Run(const QFont& font, bool wrap, bool utf8) {
  std::printf("%s\n", wrap ? "word wrap on (line numbers by logical line):" : "word wrap off:");
  Setup deep(2000000, font, wrap, utf8);
  const double j0 = ThreadMs();
  deep.Jump(1000000);
  std::printf("  rows %d; first paint at row 1,000,000: %.1f ms\n", deep.e->List().Count(), ThreadMs() - j0);
  double deepMs = 0;
  for (int i = 0; i < kSteps; ++i) {
    const double t0 = ThreadMs();
    deep.e->VScroll(SB_LINEDOWN);
    deepMs += ThreadMs() - t0;
  }

  Setup shallow(100, font, wrap, utf8);
  shallow.Jump(10);
  double shallowMs = 0;
  for (int i = 0; i < kSteps; ++i) {
    const double t0 = ThreadMs();
    shallow.e->VScroll(SB_LINEDOWN);
    shallowMs += ThreadMs() - t0;
    shallow.e->VScroll(SB_LINEUP);  // back to row 10, not timed
  }
  std::printf("  1,000 steps at row 1,000,000 of 2,000,000 lines: %.2f ms (%.3f ms a step)\n", deepMs, deepMs / kSteps);
  std::printf("  1,000 steps at row 10 of 100: %.2f ms (%.3f ms a step)\n", shallowMs, shallowMs / kSteps);
  return shallowMs > 0 ? deepMs / shallowMs : 0.0;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const bool utf8 = QCoreApplication::arguments().contains(QStringLiteral("--utf8"));
  std::printf("%s text\n", utf8 ? "UTF-8" : "CP932");
  const QFont font = ResolveEditorFont(QStringLiteral("FixedSys"), -16, 0);
  const double wrapped = Run(font, true, utf8);
  std::printf("wrap_ratio %.3f\n", wrapped);
  const double plain = Run(font, false, utf8);
  std::printf("ratio %.3f\n", plain);
  return 0;
}
