// One paint of the editor control (private to the renderer): the text rows
// in editor_renderer.cpp, the corner, ruler, left bar and image bar in
// editor_margins.cpp.
#pragma once

#include <QColor>
#include <QPainter>

#include <memory>
#include <string>
#include <string_view>

#include "colouring/fountain_parser.h"
#include "editor/view/editor_cell_text.h"
#include "editor/view/editor_renderer.h"

namespace tolvan {

// A rectangle with exclusive right and bottom, as the layout computes them.
struct TBox {
  int l = 0, t = 0, r = 0, b = 0;
  bool Empty() const { return l >= r || t >= b; }
  TBox Cut(const TBox& o) const {
    return TBox{std::max(l, o.l), std::max(t, o.t), std::min(r, o.r), std::min(b, o.b)};
  }
  bool Touches(const TBox& o) const { return !Cut(o).Empty(); }
  QRect Q() const { return QRect(l, t, r - l, b - t); }
};

struct TEditorRenderer::Impl {
  TCellText text;
};

class TEditorPaint {
 public:
  TEditorPaint(const TEditorRenderer& r, QPainter& p);

  void Run(const QRect& rect);
  // Text drawn with the control's metrics: one column per byte, [from, to)
  // of s, byte i at x + i * column width; opaque fills the clip's part of
  // the span first. Underlined styles get the dotted line.
  void DrawText(const TBox& clip, int x, int y, std::string_view s, std::size_t from, std::size_t to,
                const QColor& fg, const QColor* bg, TFontStyles style);
  // The bytes of s in its first 1,000 columns (1,001 when a two-column
  // character begins in the thousandth).
  std::size_t DrawLimit(std::string_view s) const;
  // Display column of byte pos of s in the document's encoding.
  long long Column(std::string_view s, std::size_t pos) const;

 private:
  // ---- text rows ----
  void PaintText(const TBox& rows, int first, int last);
  // The row's text, tabs expanded, as far as the columns up to pixel right
  // need (never past the thousandth column and a margin); true when the
  // row goes on beyond it.
  bool RowText(int row, int X, int right, std::string& S) const;
  void PaintRectSelected(const TBox& rc, int X, int row, std::string& S, int Y);
  void PaintLine(const TBox& rc, int X, int row, std::string& S, int Y, bool selected);
  void DrawEof(int X, int Y);
  void DrawRetMark(int X, int Y, const QColor& c);
  void DrawWrapMark(int X, int Y, const QColor& c);
  void DrawHideMark(int X, int Y, const QColor& c);
  // A line whose last point is left out (the marks are drawn that way).
  void Line(int x1, int y1, int x2, int y2, const QColor& c);
  void Fill(const TBox& b, const QColor& c) { if (!b.Empty()) p_.fillRect(b.Q(), c); }
  void Clip(const TBox& b) { p_.setClipRect(b.Q()); }
  QColor Map(TColor c, const QColor& none) const { return c == clNone ? none : ToQColor(c); }

  // ---- margins (editor_margins.cpp) ----
  void PaintCorner();
  void PaintRuler(const TBox& area);
  void PaintLeftbar(const TBox& area, int first, int last, int top);
  void PaintImagebar(const TBox& area, int first, int last, int top);
  void DrawRulerLabels(int x, int number, const QColor& c);
  void DrawLeftbarEdge(int top, int bottom);

  const TEditorRenderer& r_;
  const TEditor& e_;
  QPainter& p_;
  TCellText& text_;
  int W_ = 0, H_ = 0;
  int LM_ = 0, TM_ = 0, cw_ = 1, fh_ = 1, rh_ = 1;
  int iw_ = 0, lw_ = 0;
  QColor ctl_, font_;
  TFontStyles fontStyle_ = 0;
  // Selection colours, resolved once per paint.
  QColor selBk_, selFg_;
  std::unique_ptr<TFountainParser> parser_;
  std::string joined_;
  bool cut_ = false;  // the row being painted goes on beyond its text here
};

}  // namespace tolvan
