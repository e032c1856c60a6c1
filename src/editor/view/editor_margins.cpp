// The margins of the editor control: the corner, the ruler with its labels
// and the caret-column marker, the left bar with its numbers and edge, and
// the image bar with the row-mark images.
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <array>
#include <vector>

#include "editor/view/editor_font.h"
#include "editor/view/editor_paint.h"

namespace tolvan {

namespace {

// The ruler's digits: 4 by 7 pixels inside cells 5 wide (3 for the 1) and
// 9 high.
constexpr std::array<std::array<const char*, 7>, 10> kDigits = {{
    {".##.", "#..#", "#..#", "#..#", "#..#", "#..#", ".##."},
    {".#", "##", ".#", ".#", ".#", ".#", ".#"},
    {".##.", "#..#", "...#", "..#.", ".#..", "#...", "####"},
    {"###.", "...#", "...#", ".##.", "...#", "...#", "###."},
    {"..#.", ".##.", "#.#.", "#.#.", "####", "..#.", "..#."},
    {"####", "#...", "###.", "...#", "...#", "#..#", ".##."},
    {".##.", "#...", "#...", "###.", "#..#", "#..#", ".##."},
    {"####", "...#", "..#.", "..#.", ".#..", ".#..", ".#.."},
    {".##.", "#..#", "#..#", ".##.", "#..#", "#..#", ".##."},
    {".##.", "#..#", "#..#", ".###", "...#", "...#", ".##."},
}};
constexpr int kDigitTop = 1;  // glyph rows start one pixel down in the cell

int DigitCellWidth(int d) { return d == 1 ? 3 : 5; }

// Draws the glyph rows of digit d at (x, y) as horizontal runs.
void DrawDigit(QPainter& p, int x, int y, int d, const QColor& c) {
  for (int row = 0; row < 7; ++row) {
    const char* bits = kDigits[d][row];
    for (int i = 0; bits[i];) {
      if (bits[i] != '#') {
        ++i;
        continue;
      }
      int j = i;
      while (bits[j] == '#') ++j;
      p.fillRect(QRect(x + i, y + kDigitTop + row, j - i, 1), c);
      i = j;
    }
  }
}

// Built-in row-mark images: the digit marks 8 x 11, the other marks 11 x 11.
const QImage& BuiltinDigitImage(int n) {
  static const std::vector<QImage> images = [] {
    std::vector<QImage> v;
    for (int d = 0; d < 10; ++d) {
      QImage img(8, 11, QImage::Format_ARGB32_Premultiplied);
      img.fill(Qt::transparent);
      QPainter p(&img);
      p.fillRect(QRect(0, 0, 8, 11), QColor(0, 0, 128));
      DrawDigit(p, d == 1 ? 3 : 2, 1, d, Qt::white);
      v.push_back(img);
    }
    return v;
  }();
  return images[static_cast<std::size_t>(n)];
}

const QImage& BuiltinMarkImage(int n) {
  static const std::vector<QImage> images = [] {
    const QColor colours[6] = {QColor(200, 0, 0),   QColor(0, 140, 0),   QColor(0, 0, 200),
                               QColor(160, 0, 160), QColor(210, 120, 0), QColor(0, 130, 130)};
    std::vector<QImage> v;
    for (int k = 0; k < 6; ++k) {
      QImage img(11, 11, QImage::Format_ARGB32_Premultiplied);
      img.fill(Qt::transparent);
      QPainter p(&img);
      p.setRenderHint(QPainter::Antialiasing);
      p.setPen(Qt::NoPen);
      p.setBrush(colours[k]);
      QPainterPath path;
      switch (k) {
        case 0: path.addEllipse(QRectF(0.5, 0.5, 10, 10)); break;
        case 1: path.addRect(QRectF(1, 1, 9, 9)); break;
        case 2: path.addPolygon(QPolygonF({QPointF(5.5, 0.5), QPointF(10.5, 10.5), QPointF(0.5, 10.5)})); break;
        case 3: path.addPolygon(QPolygonF({QPointF(5.5, 0), QPointF(11, 5.5), QPointF(5.5, 11), QPointF(0, 5.5)})); break;
        case 4:
          path.addPolygon(QPolygonF({QPointF(0.5, 0.5), QPointF(10.5, 5.5), QPointF(0.5, 10.5)}));
          break;
        default:
          path.addRect(QRectF(0, 4, 11, 3));
          path.addRect(QRectF(4, 0, 3, 11));
          break;
      }
      path.closeSubpath();
      p.drawPath(path);
      v.push_back(img);
    }
    return v;
  }();
  return images[static_cast<std::size_t>(n)];
}

}  // namespace

void TEditorPaint::DrawRulerLabels(int x, int number, const QColor& c) {
  char buf[16];
  const int n = std::snprintf(buf, sizeof buf, "%d", number);
  for (int i = 0; i < n; ++i) {
    const int d = buf[i] - '0';
    DrawDigit(p_, x, 0, d, c);
    x += DigitCellWidth(d);
  }
}

void TEditorPaint::DrawLeftbarEdge(int top, int bottom) {
  const auto& bar = e_.Leftbar();
  const int x = iw_ + lw_ - 2;
  QColor a, b;
  if (bar.Edge()) {
    a = QColor(255, 255, 255);
    b = QColor(128, 128, 128);
  } else {
    a = Map(bar.BkColor(), ctl_);
    b = Map(bar.Color(), font_);
  }
  Fill(TBox{x, top, x + 1, bottom}, a);
  Fill(TBox{x + 1, top, x + 2, bottom}, b);
}

void TEditorPaint::PaintCorner() {
  p_.setClipRect(QRect(0, 0, LM_, TM_));
  Fill(TBox{0, 0, LM_, TM_}, ctl_);
  const auto& bar = e_.Leftbar();
  if (lw_ > 0 && bar.Edge()) {
    Fill(TBox{0, 0, iw_ + lw_, TM_}, Map(bar.BkColor(), ctl_));
    DrawLeftbarEdge(0, TM_);
  }
  const auto& ruler = e_.Ruler();
  if (ruler.Visible() && ruler.Edge()) {
    const int rh = e_.RulerHeight();
    const int x = lw_ > 0 ? iw_ + lw_ : 0;
    Fill(TBox{x, 0, LM_, rh}, Map(ruler.BkColor(), ctl_));
    Fill(TBox{x, rh - 2, LM_, rh - 1}, QColor(255, 255, 255));
    Fill(TBox{x, rh - 1, LM_, rh}, QColor(128, 128, 128));
  }
}

void TEditorPaint::PaintRuler(const TBox& area) {
  const auto& ruler = e_.Ruler();
  const int rh = e_.RulerHeight();
  const int G = std::max(2, ruler.GaugeRange());
  const QColor bk = Map(ruler.BkColor(), ctl_);
  const QColor tick = Map(ruler.Color(), font_);
  const int tickBottom = rh - (ruler.Edge() ? 2 : 1);
  const int top = e_.TopCol();
  auto colX = [&](int c) { return LM_ + (c - top) * cw_; };
  Clip(area);
  Fill(area, bk);
  if (ruler.Edge()) {
    Fill(TBox{area.l, rh - 2, area.r, rh - 1}, QColor(255, 255, 255));
    Fill(TBox{area.l, rh - 1, area.r, rh}, QColor(128, 128, 128));
  } else {
    Fill(TBox{area.l, rh - 1, area.r, rh}, tick);
  }
  // Ticks and labels from the first period at or left of the first visible
  // column; from the first label of 1000 on everything stays blank.
  const int startCol = ((top + std::max(0, (area.l - LM_) / cw_)) / G) * G;
  for (int c = startCol;; ++c) {
    const int x = colX(c);
    if (x >= area.r) break;
    if (c >= TEditor::kMaxCol && c % G == 0) {
      Fill(TBox{x, 0, area.r, tickBottom}, bk);
      break;
    }
    const int m = c % G;
    const int y = m == 0 ? 0 : m == G / 2 ? 3 : 6;
    if (x >= area.l) Fill(TBox{x, y, x + 1, tickBottom}, tick);
  }
  for (int c = startCol;; c += G) {
    const int x = colX(c);
    if (x >= area.r) break;
    DrawRulerLabels(x + 1, c, tick);
    if (c >= TEditor::kMaxCol) break;
  }
  // The caret column: the labels inverted on the marker colour.
  const int col = e_.Col();
  const int mx = colX(col) + 1;
  if (col >= top && colX(col) < W_ && col <= TEditor::kMaxCol) {
    const TBox cell = TBox{mx, 0, mx + cw_ - 1, rh - 1 - (ruler.Edge() ? 1 : 0)}.Cut(area);
    if (!cell.Empty()) {
      Clip(cell);
      Fill(cell, Map(ruler.MarkColor(), font_));
      const int from = ((col / G) * G);
      for (int c = std::max(0, from - 3 * G); c <= from && c <= TEditor::kMaxCol; c += G)
        DrawRulerLabels(colX(c) + 1, c, bk);
    }
  }
}

void TEditorPaint::PaintLeftbar(const TBox& area, int first, int last, int top) {
  const auto& bar = e_.Leftbar();
  const QColor bk = Map(bar.BkColor(), ctl_);
  const QColor fg = Map(bar.Color(), font_);
  const int cellL = iw_, cellR = iw_ + lw_ - 2;
  Clip(area);
  int y = top;
  std::string n;
  for (int row = first; row <= last; ++row, y += rh_) {
    const TBox cell{cellL, y, cellR, y + rh_};
    Fill(cell.Cut(area), bk);
    if (!bar.ShowNumber()) continue;
    n = e_.LeftbarNumber(row);
    if (n.empty()) continue;
    const TBox clip = TBox{cellL, y, cellR, y + fh_}.Cut(area);
    if (clip.Empty()) continue;
    Clip(clip);
    DrawText(clip, iw_ + bar.LeftMargin(), y, n, 0, n.size(), fg, nullptr, fontStyle_);
    Clip(area);
  }
  DrawLeftbarEdge(std::max(area.t, top), std::min(area.b, y));
}

void TEditorPaint::PaintImagebar(const TBox& area, int first, int last, int top) {
  const auto& bar = e_.Imagebar();
  const auto& left = e_.Leftbar();
  const QColor bk = left.Visible() && left.BkColor() != clNone ? ToQColor(left.BkColor()) : ctl_;
  const auto& list = e_.List();
  Clip(area);
  int y = top;
  for (int row = first; row <= last; ++row, y += rh_) {
    Fill(TBox{0, y, iw_, y + rh_}.Cut(area), bk);
    const TRowMarks marks = list.GetListRowMarks(row);
    if (marks == 0) continue;
    for (int n = 0; n < 10; ++n) {
      if (!(marks & RowMarkBit(static_cast<TRowMark>(n)))) continue;
      const auto& own = r_.imageDigits_;
      const QImage& img = n < static_cast<int>(own.size()) && !own[n].isNull() ? own[n] : BuiltinDigitImage(n);
      p_.drawImage(bar.LeftMargin(), y + 2, img);
      break;
    }
    for (int n = 10; n < 16; ++n) {
      if (!(marks & RowMarkBit(static_cast<TRowMark>(n)))) continue;
      const auto& own = r_.imageMarks_;
      const int k = n - 10;
      const QImage& img = k < static_cast<int>(own.size()) && !own[k].isNull() ? own[k] : BuiltinMarkImage(k);
      p_.drawImage(bar.LeftMargin() + bar.DigitWidth(), y + 2, img);
      break;
    }
  }
}

}  // namespace tolvan
