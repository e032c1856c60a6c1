#include "editor/view/editor_renderer.h"

#include <QPainter>

#include <algorithm>
#include <limits>

#include "core/codepage.h"
#include "editor/view/editor_font.h"
#include "editor/model/wrap.h"
#include "editor/view/editor_paint.h"

namespace tolvan {

namespace {

TFontStyles StylesOf(const QFont& f) {
  TFontStyles s = 0;
  if (f.bold()) s |= FontStyleBit(fsBold);
  if (f.italic()) s |= FontStyleBit(fsItalic);
  if (f.underline()) s |= FontStyleBit(fsUnderline);
  if (f.strikeOut()) s |= FontStyleBit(fsStrikeOut);
  return s;
}

// Whether byte pos of s begins a double-byte character.
bool BeginsDoubleByte(std::string_view s, std::size_t pos) {
  return pos + 1 < s.size() && cp932::IsLeadByte(s[pos]) && !cp932::IsTrailByteAt(s, pos);
}

}  // namespace

// ---------------------------------------------------------------- renderer

TEditorRenderer::TEditorRenderer(const TEditor& editor) : editor_(editor), impl_(new Impl) {
  SetFont(QFont(QString::fromLatin1(kEditorFallbackFamily)));
}

TEditorRenderer::~TEditorRenderer() { delete impl_; }

void TEditorRenderer::SetFont(const QFont& font) {
  font_ = font;
  impl_->text.SetFont(font);
}

void TEditorRenderer::Paint(QPainter& painter, const QRect& rect) {
  TEditorPaint(*this, painter).Run(rect);
}

void TEditorRenderer::DrawTextRect(QPainter& painter, const QRect& rect, int x, int y, std::string_view s,
                                   bool opaque) const {
  TEditorPaint paint(*this, painter);
  const TBox clip{rect.left(), rect.top(), rect.left() + rect.width(), rect.top() + rect.height()};
  if (clip.Empty()) return;
  const QColor fg = painter.pen().color();
  const QColor bg = painter.brush().color();
  painter.save();
  painter.setClipRect(rect, Qt::IntersectClip);
  // The canvas font's styles, as the row hook chose them for the run.
  const TFontStyles style = StylesOf(painter.font());
  paint.DrawText(clip, x, y, s, 0, paint.DrawLimit(s), fg, opaque ? &bg : nullptr, style);
  painter.restore();
}

// ---------------------------------------------------------------- paint pass

TEditorPaint::TEditorPaint(const TEditorRenderer& r, QPainter& p)
    : r_(r), e_(r.editor_), p_(p), text_(r.impl_->text) {
  W_ = e_.Platform().ClientWidth();
  H_ = e_.Platform().ClientHeight();
  LM_ = e_.LeftMargin();
  TM_ = e_.TopMargin();
  cw_ = std::max(1, e_.ColWidth());
  fh_ = std::max(1, e_.FontHeight());
  rh_ = std::max(1, e_.GetRowHeight());
  iw_ = e_.Imagebar().Visible() ? e_.ImagebarWidth() : 0;
  lw_ = e_.Leftbar().Visible() ? e_.LeftbarWidth() : 0;
  ctl_ = ToQColor(r.color_ == clNone ? clWhite : r.color_);
  font_ = ToQColor(r.fontColor_ == clNone ? clBlack : r.fontColor_);
  fontStyle_ = StylesOf(r.font_);
  text_.SetEncoding(e_.List().Encoding());
}

long long TEditorPaint::Column(std::string_view s, std::size_t pos) const {
  pos = std::min(pos, s.size());
  if (text_.Encoding() == TextEncoding::Cp932) return static_cast<long long>(pos);
  return static_cast<long long>(DisplayWidth(TextEncoding::Utf8, s.substr(0, pos)));
}

std::size_t TEditorPaint::DrawLimit(std::string_view s) const {
  constexpr std::size_t kMax = TEditor::kMaxCol;
  if (s.size() <= kMax) return s.size();
  if (text_.Encoding() == TextEncoding::Cp932) return BeginsDoubleByte(s, kMax - 1) ? kMax + 1 : kMax;
  // The character holding the thousandth column is drawn whole.
  const std::size_t last = ColumnToByte(TextEncoding::Utf8, s, kMax - 1);
  return last >= s.size() ? s.size() : NextChar(TextEncoding::Utf8, s, last);
}

void TEditorPaint::DrawText(const TBox& clip, int x, int y, std::string_view s, std::size_t from,
                            std::size_t to, const QColor& fg, const QColor* bg, TFontStyles style) {
  to = std::min(to, s.size());
  const long long x0 = x + Column(s, from) * cw_, x1 = x + Column(s, to) * cw_;
  if (bg) Fill(TBox{static_cast<int>(std::max<long long>(x0, clip.l)), clip.t,
                    static_cast<int>(std::min<long long>(x1, clip.r)), clip.b},
               *bg);
  if (from >= to) return;
  text_.Draw(p_, x, y, s, from, to, cw_, style, fg, clip.l, clip.r);
  if (style & FontStyleBit(fsUnderline)) {
    // A dotted line one pixel above the cell's bottom, in the text colour
    // and the colour under it by turns.
    const int a = static_cast<int>(std::max<long long>(x0, clip.l));
    const int b = static_cast<int>(std::min<long long>(x1, clip.r));
    const int ly = y + fh_ - 1;
    if (a < b && ly >= clip.t && ly < clip.b) {
      p_.fillRect(QRect(a, ly, b - a, 1), bg ? *bg : ctl_);
      p_.setPen(fg);
      for (int px = a; px < b; px += 2) p_.drawPoint(px, ly);
    }
  }
}

void TEditorPaint::Run(const QRect& rect) {
  TBox r{rect.left(), rect.top(), rect.left() + rect.width(), rect.top() + rect.height()};
  r = r.Cut(TBox{0, 0, W_, H_});
  if (r.Empty()) return;
  p_.save();
  p_.setRenderHint(QPainter::Antialiasing, false);
  p_.setBrush(Qt::NoBrush);

  // Whether the caret row's underline goes over the rows afterwards.
  const bool underline = e_.Marks().Underline().Visible() && e_.UnderlineUpdateCount() == 0 &&
                         !e_.HasSelectionData() && e_.UnderlinePos(e_.Row()) >= 0;

  // The rows the rectangle touches, on the text grid.
  TBox rows = r;
  rows.l = std::max(LM_, LM_ + ((rows.l - LM_) / cw_) * cw_);
  rows.t = std::max(TM_, rows.t);
  rows.t = TM_ + ((rows.t - TM_) / rh_) * rh_;
  rows.b = rows.b <= rows.t ? rows.t : TM_ + ((rows.b - TM_ + rh_ - 1) / rh_) * rh_;
  const int first = (rows.t - TM_) / rh_ + e_.TopRow();
  const int last = (rows.b - rows.t) / rh_ + first - 1;

  const int rulerH = e_.Ruler().Visible() ? e_.RulerHeight() : 0;
  if (r.Touches(TBox{0, 0, LM_, TM_})) PaintCorner();
  if (rulerH > 0 && r.Touches(TBox{LM_, 0, W_, rulerH})) PaintRuler(r.Cut(TBox{LM_, 0, W_, rulerH}));
  // What no part covers keeps the control colour: the space under the
  // ruler and the margin between the bars and the text.
  p_.setClipping(false);
  Fill(r.Cut(TBox{LM_, rulerH, W_, TM_}), ctl_);
  Fill(r.Cut(TBox{iw_ + lw_, TM_, LM_, H_}), ctl_);
  if (last >= first) {
    if (iw_ > 0 && r.Touches(TBox{0, TM_, iw_, H_})) PaintImagebar(r.Cut(TBox{0, TM_, iw_, H_}), first, last, rows.t);
    if (lw_ > 0 && r.Touches(TBox{iw_, TM_, iw_ + lw_, H_}))
      PaintLeftbar(r.Cut(TBox{iw_, TM_, iw_ + lw_, H_}), first, last, rows.t);
    if (r.Touches(TBox{LM_, TM_, W_, H_})) {
      rows.r = r.r;
      PaintText(rows, first, last);
    }
  }
  if (underline) {
    p_.setClipping(false);
    const TColor c = e_.Marks().Underline().Color();
    Fill(r.Cut(TBox{LM_, e_.UnderlinePos(e_.Row()), W_, e_.UnderlinePos(e_.Row()) + 1}), Map(c, font_));
  }
  parser_.reset();
  p_.restore();
}

void TEditorPaint::PaintText(const TBox& rows, int first, int last) {
  const auto& list = e_.List();
  const int count = list.Count();
  const bool selData = e_.HasSelectionData();
  const int rowH = fh_ + (selData ? e_.Margin().UnderlineMargin() : 0);
  const bool selColours = e_.SelectionState() == sstSelected ||
                          (e_.SelectionState() == sstHitSelected && e_.HitStyle() == hsDraw);
  if (selColours) {
    const TEditorColor& c = e_.SelectionState() == sstHitSelected ? e_.View().Colors().Hit()
                                                                  : e_.View().Colors().Select();
    // Colours left unset give inverse video.
    selBk_ = Map(c.BkColor(), font_);
    selFg_ = Map(c.Color(), ctl_);
  }
  const int X = LM_ - e_.ScrollOffset();
  int y = rows.t;
  std::string S;
  for (int row = first; row <= last; ++row, y += rh_) {
    const TBox rc{rows.l, y, rows.r, y + rowH};
    if (row < count) {
      cut_ = RowText(row, X, rows.r, S);
      if (selColours)
        PaintRectSelected(rc, X, row, S, y);
      else
        PaintLine(rc, X, row, S, y, false);
    } else {
      p_.setClipping(false);
      Fill(rc, ctl_);
      if (row == count && (count == 0 || list.ListRows(count - 1) != raEof) && e_.Marks().EofMark().Visible()) {
        Clip(rc);
        DrawEof(X, y);
      }
    }
    if (rowH < rh_) {
      p_.setClipping(false);
      Fill(TBox{rows.l, y + rowH, rows.r, y + rh_}, ctl_);
    }
  }
}

bool TEditorPaint::RowText(int row, int X, int right, std::string& S) const {
  // Bytes never take less than a column, so this many raw bytes reach the
  // right edge (or the thousandth column) and a stretch beyond it, where a
  // token crossing the edge is read far enough to get its right colour.
  constexpr long long kSlack = 128;
  const long long col = std::clamp<long long>((static_cast<long long>(right) - X + cw_ - 1) / cw_, 0,
                                              TEditor::kMaxCol + 1);
  const std::size_t need = static_cast<std::size_t>(col + kSlack);
  const std::string_view raw = e_.List().ListStr(row);
  const bool cut = raw.size() > need;
  S = ExpandTab(cut ? raw.substr(0, need) : raw, e_.ColumnRules());
  return cut;
}

void TEditorPaint::PaintRectSelected(const TBox& rc, int X, int row, std::string& S, int Y) {
  const TSelectedPosition& sd = e_.SelDraw();
  if (row < sd.Sr || row > sd.Er) {
    PaintLine(rc, X, row, S, Y, false);
    return;
  }
  const int top = e_.TopCol();
  auto colX = [&](long long c) {
    return static_cast<int>(std::max<long long>(LM_, LM_ + (c - top) * cw_));
  };
  int a, b;  // the selected part: [a, b)
  if (e_.SelectionMode() == smBox) {
    // Only the text of the row; a double-byte character half inside the box
    // counts as outside on the left and inside on the right.
    auto boxX = [&](int c) {
      if (text_.Encoding() == TextEncoding::Cp932) {
        std::size_t i = static_cast<std::size_t>(std::max(0, std::min<int>(c, static_cast<int>(S.size()))));
        if (i < S.size() && cp932::IsTrailByteAt(S, i)) ++i;
        return colX(static_cast<long long>(i));
      }
      const std::size_t col = static_cast<std::size_t>(std::max(0, c));
      std::size_t i = ColumnToByte(TextEncoding::Utf8, S, col);
      if (i < S.size() && static_cast<std::size_t>(Column(S, i)) < col) i = NextChar(TextEncoding::Utf8, S, i);
      return colX(Column(S, i));
    };
    a = boxX(sd.Sc);
    b = boxX(sd.Ec);
  } else {
    a = row == sd.Sr ? colX(sd.Sc) : rc.l;
    b = row == sd.Er ? colX(sd.Ec) : rc.r;
  }
  a = std::max(a, rc.l);
  b = std::min(std::max(a, b), rc.r);
  if (a > rc.l) PaintLine(TBox{rc.l, rc.t, a, rc.b}, X, row, S, Y, false);
  if (b > a) PaintLine(TBox{a, rc.t, b, rc.b}, X, row, S, Y, true);
  if (rc.r > b) PaintLine(TBox{std::max(b, rc.l), rc.t, rc.r, rc.b}, X, row, S, Y, false);
}

void TEditorPaint::PaintLine(const TBox& rc, int X, int row, std::string& S, int Y, bool selected) {
  if (rc.Empty()) return;
  auto& list = e_.List();
  if (list.GetListBracket(row) == -2) list.UpdateBrackets(row, false);
  const QColor& bk = selected ? selBk_ : ctl_;
  const QColor& fg = selected ? selFg_ : font_;
  const bool italic = e_.ItalicFlag();
  const std::size_t len = S.size();
  Clip(rc);
  // The whole row in the default colours: rows without coloured tokens need
  // nothing more. With italics only the background, since slanted glyphs
  // reach into their neighbours' cells and every token is drawn below.
  Fill(rc, bk);
  if (!italic) DrawText(rc, X, Y, S, 0, DrawLimit(S), fg, nullptr, fontStyle_);
  // Rows scrolled out to the left are not tokenized.
  if (static_cast<long long>(len + 5) * cw_ < e_.ScrollOffset()) return;

  const int limit = LM_ + TEditor::kMaxCol * cw_ - e_.ScrollOffset();
  TBox clip = rc;
  clip.r = std::min(clip.r, limit);
  const std::string* text = &S;
  if (!S.empty()) {
    const TRowAttributeData data = list.GetListData(row);
    if (e_.WordWrap() && list.ListRows(row) == raWrapped && row < list.Count() - 1) {
      // The next row's text lets a token running over the wrap be read
      // whole; only this row's part is drawn.
      joined_ = S;
      const std::string_view next = list.ListStr(row + 1);
      joined_.append(next.substr(0, std::min<std::size_t>(next.size(), TEditor::kMaxCol + 1)));
      text = &joined_;
      clip.r = std::min<long long>(clip.r, static_cast<long long>(len) * cw_ + X);
    }
    if (!parser_) parser_ = e_.ActiveFountain().CreateParser();
    TFountainParser& parser = *parser_;
    parser.SetEncoding(text_.Encoding());
    parser.NewData(*text, data);
    if (clip.r < rc.r) Clip(clip);
    const TColor ctlT = r_.color_ == clNone ? clWhite : r_.color_;
    const TColor fontT = r_.fontColor_ == clNone ? clBlack : r_.fontColor_;
    while (parser.NextToken() != toEof) {
      const int pos = parser.SourcePos();
      if (pos >= static_cast<int>(len)) break;
      const long long tx = X + static_cast<long long>(pos) * cw_;
      if (tx >= clip.r) break;
      const int tlen = parser.TokenLength();
      const long long tx1 = tx + static_cast<long long>(tlen) * cw_;
      const TFountainColor* fc = parser.TokenToFountainColor();
      const TFontStyles style = fc ? fc->Style() : fontStyle_;
      if (selected) {
        if (italic) {
          if (tx1 <= LM_) continue;
          DrawText(clip, X, Y, *text, pos, pos + tlen, fg, nullptr, style);
        } else if (style != fontStyle_) {
          DrawText(clip, X, Y, *text, pos, pos + tlen, fg, &bk, style);
        }
        continue;
      }
      const TColor tb = fc && fc->BkColor() != clNone ? fc->BkColor() : ctlT;
      const TColor tf = fc && fc->Color() != clNone ? fc->Color() : fontT;
      if (italic) {
        if (tx1 <= LM_) continue;
        const QColor qb = ToQColor(tb);
        DrawText(clip, X, Y, *text, pos, pos + tlen, ToQColor(tf), tb == ctlT ? nullptr : &qb, style);
      } else {
        if (tb == ctlT && tf == fontT && style == fontStyle_) continue;
        const QColor qb = ToQColor(tb);
        DrawText(clip, X, Y, *text, pos, pos + tlen, ToQColor(tf), &qb, style);
      }
    }
  }
  Clip(rc);
  if (r_.OnDrawLine) {
    TDrawLineInfo info;
    info.LineStr = *text;
    info.X = X;
    info.Y = Y;
    info.Index = row;
    info.Rect = rc.Q();
    info.Selected = selected;
    p_.save();
    r_.OnDrawLine(p_, info);
    p_.restore();
  }

  // The end mark.
  // A row cut short for painting is longer than everything painted.
  const long long textEnd = cut_ ? std::numeric_limits<long long>::max() : X + Column(S, len) * cw_;
  const bool longRow = cut_ || len > static_cast<std::size_t>(TEditor::kMaxCol);
  const bool cutDouble = longRow && DrawLimit(S) > static_cast<std::size_t>(TEditor::kMaxCol);
  const long long M = cutDouble ? static_cast<long long>(limit) + cw_ : std::min<long long>(textEnd, limit);
  if (M >= rc.r) return;
  const int m = static_cast<int>(M);
  const auto& marks = e_.Marks();
  if (!longRow || M >= textEnd) {
    const TRowAttribute a = list.ListRows(row);
    if (row == list.Count() - 1 && a == raEof) {
      if (marks.EofMark().Visible()) DrawEof(m, Y);
    } else if (a == raCrlf) {
      if (marks.RetMark().Visible()) DrawRetMark(m, Y, selected ? fg : Map(marks.RetMark().Color(), font_));
    } else if (a == raWrapped) {
      if (marks.WrapMark().Visible()) DrawWrapMark(m, Y, selected ? fg : Map(marks.WrapMark().Color(), font_));
    }
  } else if (marks.HideMark().Visible()) {
    DrawHideMark(m, Y, selected ? fg : Map(marks.HideMark().Color(), font_));
  }
}

// ---------------------------------------------------------------- marks

void TEditorPaint::Line(int x1, int y1, int x2, int y2, const QColor& c) {
  const int sx = (x2 > x1) - (x2 < x1), sy = (y2 > y1) - (y2 < y1);
  x2 -= sx;
  y2 -= sy;
  p_.setPen(QPen(c, 0));
  if (x1 == x2 && y1 == y2)
    p_.drawPoint(x1, y1);
  else
    p_.drawLine(x1, y1, x2, y2);
}

void TEditorPaint::DrawEof(int X, int Y) {
  if (X < LM_) return;
  const TBox box = TBox{std::max(LM_, X), std::max(TM_, Y), X + 6 * cw_, Y + fh_}.Cut(TBox{0, 0, W_, H_});
  if (box.Empty()) return;
  p_.save();
  p_.setClipRect(box.Q(), Qt::IntersectClip);
  static constexpr std::string_view kEof = "[EOF]";
  DrawText(box, X, Y, kEof, 0, kEof.size(), Map(e_.Marks().EofMark().Color(), font_), &ctl_, fontStyle_);
  p_.restore();
}

void TEditorPaint::DrawRetMark(int X, int Y, const QColor& c) {
  if (X < LM_) return;
  const int d = std::max(1, fh_ / 8);
  const int f = std::max(d, 3);
  const int x = X + cw_ / 2;
  const int bottom = Y + fh_ - 2 * d;
  Line(x, Y + 2 * d, x, bottom, c);
  Line(x, bottom, x + f, bottom - f, c);
  Line(x, bottom, x - f, bottom - f, c);
}

void TEditorPaint::DrawWrapMark(int X, int Y, const QColor& c) {
  if (X < LM_) return;
  const int e = std::max(2, cw_ * 3 / 5);
  const int y = Y + fh_ / 2;
  Line(X + cw_, y - e, X + cw_ - e, y, c);
  Line(X + cw_ - e, y, X + cw_ + 1, y + e + 1, c);
}

void TEditorPaint::DrawHideMark(int X, int Y, const QColor& c) {
  if (X < LM_) return;
  const int e = std::max(2, cw_ * 3 / 5);
  const int y = Y + fh_ / 2;
  Line(X + cw_ - e, y - e, X + cw_, y, c);
  Line(X + cw_, y, X + cw_ - e - 1, y + e + 1, c);
}

}  // namespace tolvan
