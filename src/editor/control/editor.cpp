// Construction, the model's client interface, option changes, layout and
// scrolling.
#include "editor/control/editor.h"

#include <algorithm>
#include <cstdio>

#include "editor/control/editor_scopes.h"

namespace tolvan {

namespace {
template <class T>
TObject* AsObject(const std::unique_ptr<T>& p) {
  return static_cast<TObject*>(p.get());
}
int Digits(long long n) {
  int d = 1;
  while (n >= 10) {
    n /= 10;
    ++d;
  }
  return d;
}
}  // namespace

TEditor::TEditor(TEditorPlatform& platform) : platform_(platform) {
  list_ = new TEditorScreenStrings;
  list_->Reference(this);
  lines_ = std::make_unique<TEditorStrings>(*this, [this]() -> TEditorScreenStrings& { return *list_; });
  const TNotifyEvent handler = MakeNotifyEvent<TEditor, &TEditor::ViewChanged>(this);
  view_ = std::make_unique<TEditorViewInfo>();
  view_->OnChange = handler;
  caret_ = std::make_unique<TEditorCaret>();
  caret_->OnChange = handler;
  marks_ = std::make_unique<TEditorMarks>();
  marks_->OnChange = handler;
  margin_ = std::make_unique<TEditorMargin>();
  margin_->OnChange = handler;
  imagebar_ = std::make_unique<TEditorImagebar>();
  imagebar_->OnChange = handler;
  leftbar_ = std::make_unique<TEditorLeftbar>();
  leftbar_->OnChange = handler;
  ruler_ = std::make_unique<TEditorRuler>();
  ruler_->OnChange = handler;
  speed_ = std::make_unique<TEditorSpeed>();
  leftbarColumn_ = leftbar_->Column();
}

TEditor::~TEditor() {
  if (fountain_) fountain_->NotifyEventList().Remove(MakeNotifyEvent<TEditor, &TEditor::ViewChanged>(this));
  list_->Release(this);
}

void TEditor::ExchangeList(TEditor& Other) {
  CleanSelection();
  list_ = &tolvan::ExchangeList(*this, *list_, *Other.list_);
}

void TEditor::SetWordWrap(bool v) {
  CleanSelection();
  list_->SetWordWrap(v);
}

void TEditor::Undo() {
  if (HasSelectionData()) CleanSelection();
  list_->Undo();
}

void TEditor::Redo() {
  if (HasSelectionData()) CleanSelection();
  list_->Redo();
}

TFountain& TEditor::ActiveFountain() const { return fountain_ ? *fountain_ : view_->Fountain(); }

void TEditor::SetFountain(TFountain* f) {
  if (f == fountain_) return;
  const TNotifyEvent handler = MakeNotifyEvent<TEditor, &TEditor::ViewChanged>(this);
  if (fountain_) fountain_->NotifyEventList().Remove(handler);
  fountain_ = f;
  if (fountain_) fountain_->NotifyEventList().Add(handler);
  ViewChanged(fountain_ ? static_cast<TObject*>(fountain_) : AsObject(view_));
}

void TEditor::SetScrollBars(TScrollStyle v) {
  if (v == scrollBars_) return;
  scrollBars_ = v;
  if (!platform_.HandleAllocated()) return;
  platform_.ShowScrollBar(sbHorizontal, v == ssHorizontal || v == ssBoth);
  platform_.ShowScrollBar(sbVertical, v == ssVertical || v == ssBoth);
  InitDrawInfo();
  InitScroll();
}

void TEditor::SetHitStyle(TEditorHitStyle v) {
  if (v == hitStyle_) return;
  CleanSelection();
  hitStyle_ = v;
}

void TEditor::ViewChanged(TObject* Sender) {
  if (Sender == AsObject(marks_)) margin_->SetUnderlineMargin(marks_->Underline().Visible() ? 1 : 0);
  if (Sender == AsObject(view_) || (Sender && Sender == static_cast<TObject*>(fountain_)))
    list_->InitBrackets();
  const bool window = platform_.HandleAllocated();
  if (window) {
    InitDrawInfo();
    InitScroll();
    platform_.Invalidate(TRect{0, 0, platform_.ClientWidth(), platform_.ClientHeight()});
  }
  if (Sender == AsObject(caret_)) {
    if (window) list_->UndoObj().Clear();
    if (caret_->TabSpaceCount() != wrappedTabs_) {
      // Rows wrapped at the old tab width may be too wide now; the caret
      // keeps its character.
      wrappedTabs_ = caret_->TabSpaceCount();
      if (list_->WordWrap() && list_->Count() > 0) {
        CaretScope scope(*this);
        const std::int64_t index = GetSelIndex(0, std::min(row_, list_->Count()), col_);
        list_->TabWidthChanged();
        SetSelIndex(0, index);
      }
    }
    // A new tab width or InTab moves the columns under the caret: it must not
    // end up inside a double-byte character or a tab's fill.
    KeepCaretOnCharacter();
    UpdateCaret();
  } else {
    ScrollCaret();
    if (caretUpdate_ == 0 && window) UpdateCaret();
  }
}

// ---------------------------------------------------------------- client

int TEditor::ScreenHeight() const {
  return platform_.HandleAllocated() ? std::max(0, platform_.ClientHeight() - TopMargin()) : 0;
}

int TEditor::TabSpaceCount() const { return caret_->TabSpaceCount(); }
bool TEditor::InitBracketsFull() const { return speed_->InitBracketsFull(); }

void TEditor::InvalidateRow(int first, int last) {
  if (!platform_.HandleAllocated()) return;
  first = std::max(first, topRow_);
  last = std::min(last, topRow_ + rowCount_);
  if (first > last) return;
  const int rh = GetRowHeight();
  platform_.Invalidate(TRect{0, TopMargin() + (first - topRow_) * rh, platform_.ClientWidth(),
                             TopMargin() + (last - topRow_ + 1) * rh});
}

void TEditor::InitView() {
  if (!platform_.HandleAllocated()) return;
  InitDrawInfo();
  InitScroll();
  platform_.Invalidate(TRect{0, 0, platform_.ClientWidth(), platform_.ClientHeight()});
}

void TEditor::InitCol() { SetRowCol(row_, col_); }

void TEditor::DoChange() {
  const TDrawInfo& d = list_->DrawInfo();
  if (d.Valid && platform_.HandleAllocated()) {
    const int S = d.Start, O = d.OldCount, N = d.NewCount, B = d.StateRows, V = rowCount_;
    const int count = list_->Count();
    if (std::abs(N - O) > V) {
      platform_.Invalidate(TRect{0, TopMargin(), platform_.ClientWidth(), platform_.ClientHeight()});
    } else {
      const int E = S + N + std::max(0, B - N);
      if (N == O) {
        InvalidateRow(S, E >= count ? E + 1 : E - 1);
      } else {
        InvalidateRow(S, E - 1);
        LineScroll(E, N - O);
        if (imagebar_->Visible()) ImagebarScroll(E, N - O);
        if (E >= count) InvalidateRow(E, E + 1);
      }
      if (leftbar_->Visible() && leftbar_->ShowNumber()) {
        const bool endInView = count <= topRow_ + V;
        if (leftbar_->ShowNumberMode() == nmLine || (endInView && N != O))
          InvalidateRow(E, S + V);
      }
    }
  }
  if (platform_.HandleAllocated() && leftbar_->Visible() && leftbar_->ShowNumber() &&
      AdjustLeftbarColumn()) {
    InitDrawInfo();
    platform_.Invalidate(TRect{0, 0, platform_.ClientWidth(), platform_.ClientHeight()});
  }
  InitScroll();
  if (d.Valid) {
    modified_ = true;
    if (OnChange) OnChange();
  }
}

// ---------------------------------------------------------------- layout

int TEditor::GetRowHeight() const {
  return std::max(1, margin_->UnderlineMargin() + fontHeight_ + margin_->Line());
}

int TEditor::TopMargin() const { return margin_->Top() + (ruler_->Visible() ? rulerHeight_ : 0); }

int TEditor::LeftMargin() const {
  return margin_->Left() + (imagebar_->Visible() ? imagebarWidth_ : 0) +
         (leftbar_->Visible() ? leftbarWidth_ : 0);
}

void TEditor::InitDrawInfo() {
  if (!platform_.HandleAllocated()) return;
  const TFontMetrics fm = platform_.FontMetrics();
  fontHeight_ = std::max(1, fm.Height + fm.ExternalLeading);
  colWidth_ = std::max(1, fm.AveCharWidth + margin_->Character());
  TFountain& f = ActiveFountain();
  italic_ = fm.Italic || f.HasItalicFontStyle(f);
  // The bars first: the visible counts below depend on them.
  rulerHeight_ = ruler_->Visible() ? (ruler_->Edge() ? 11 : 10) : 0;
  if (leftbar_->Visible()) {
    AdjustLeftbarColumn();
    leftbarWidth_ = leftbar_->LeftMargin() + leftbarColumn_ * colWidth_ + leftbar_->RightMargin() + 2;
  }
  imagebarWidth_ = imagebar_->Visible() ? imagebar_->LeftMargin() + imagebar_->DigitWidth() +
                                              imagebar_->MarkWidth() + imagebar_->RightMargin()
                                        : 0;
  const bool hbar = scrollBars_ == ssHorizontal || scrollBars_ == ssBoth;
  const bool vbar = scrollBars_ == ssVertical || scrollBars_ == ssBoth;
  const int h = platform_.ClientHeight() - TopMargin() - 5 - (hbar ? platform_.ScrollBarSize(sbHorizontal) : 0);
  rowCount_ = std::max(1, h / GetRowHeight());
  const int w = platform_.ClientWidth() - LeftMargin() - colWidth_ / 2 -
                (vbar ? platform_.ScrollBarSize(sbVertical) : 0);
  colCount_ = std::max(1, w / colWidth_);
}

bool TEditor::AdjustLeftbarColumn() {
  int digits = leftbar_->Column();
  if (platform_.HandleAllocated() && leftbar_->Visible() && leftbar_->ShowNumber()) {
    const int count = list_->Count();
    long long n = count - 1;
    if (leftbar_->ShowNumberMode() == nmLine && count > 0) n = list_->RowToLines(count - 1);
    if (!leftbar_->ZeroBase()) ++n;
    if (count == 0 || list_->Rows(count - 1) != raEof) ++n;
    digits = std::min(8, std::max(leftbar_->Column(), Digits(std::max(0LL, n))));
  }
  const bool changed = digits != leftbarColumn_;
  leftbarColumn_ = digits;
  return changed;
}

std::string TEditor::LeftbarNumber(int Row) const {
  const int count = list_->Count();
  const bool open = count == 0 || list_->Rows(count - 1) == raCrlf;
  long long n;
  if (Row < 0 || Row > count || (Row == count && !open)) return {};
  if (leftbar_->ShowNumberMode() == nmRow) {
    n = Row;
  } else if (Row < count) {
    if (Row > 0 && list_->Rows(Row - 1) == raWrapped) return {};
    n = list_->RowToLines(Row);
  } else {
    n = count == 0 ? 0 : list_->RowToLines(count - 1) + 1;
  }
  if (!leftbar_->ZeroBase()) ++n;
  char buf[32];
  std::snprintf(buf, sizeof buf, leftbar_->ZeroLead() ? "%0*lld" : "%*lld", leftbarColumn_, n);
  return buf;
}

// ---------------------------------------------------------------- scrolling

int TEditor::VScrollMax() const { return std::max(0, list_->Count() + rowCount_ - 1); }

void TEditor::InitScroll() {
  if (!platform_.HandleAllocated()) return;
  const int vmax = VScrollMax();
  topRow_ = std::min(topRow_, vmax);
  topCol_ = std::max(0, std::min(topCol_, kMaxCol - colCount_ / 2));
  scrollOffset_ = topCol_ * colWidth_;
  if (scrollBars_ == ssVertical || scrollBars_ == ssBoth)
    platform_.SetScrollBar(sbVertical, 0, std::max(rowCount_, vmax), rowCount_, topRow_);
  if (scrollBars_ == ssHorizontal || scrollBars_ == ssBoth)
    platform_.SetScrollBar(sbHorizontal, 0, colCount_ / 2 + kMaxCol, colCount_, topCol_);
}

void TEditor::SetTopRow(int Value) {
  Value = std::max(0, std::min(Value, list_->Count()));
  if (!platform_.HandleAllocated()) {
    topRow_ = Value;
    return;
  }
  CaretScope caret(*this);
  UnderlineScope underline(*this);
  int d = topRow_ - Value;
  topRow_ = Value;
  d = std::max(-(rowCount_ + 1), std::min(d, rowCount_ + 1));
  const int pixels = d * GetRowHeight();
  if (pixels == 0) return;
  DoScroll(0, pixels, TRect{0, TopMargin(), platform_.ClientWidth(), platform_.ClientHeight()});
  platform_.SetScrollPos(sbVertical, topRow_);
  MoveCompositionWindow();
  if (OnTopRowChange) OnTopRowChange();
}

void TEditor::SetTopCol(int Value) {
  Value = std::max(0, std::min(Value, kMaxCol - colCount_ / 2));
  if (!platform_.HandleAllocated()) {
    topCol_ = Value;
    return;
  }
  CaretScope caret(*this);
  const int d = topCol_ - Value;
  topCol_ = Value;
  const int pixels = d * colWidth_;
  if (pixels == 0) return;
  DoScroll(pixels, 0, TRect{LeftMargin(), 0, platform_.ClientWidth(), platform_.ClientHeight()});
  platform_.SetScrollPos(sbHorizontal, topCol_);
  MoveCompositionWindow();
  if (OnTopColChange) OnTopColChange();
}

void TEditor::DoScroll(int dx, int dy, const TRect& clip) {
  UnderlineScope underline(*this);
  scrollOffset_ -= dx;
  platform_.ScrollRect(dx, dy, clip);
}

void TEditor::VScroll(int Code, int TrackPos) {
  int d;
  switch (Code) {
    case SB_LINEUP: d = -1; break;
    case SB_LINEDOWN: d = 1; break;
    case SB_PAGEUP: d = std::min(-1, -rowCount_); break;
    case SB_PAGEDOWN: d = std::max(1, rowCount_); break;
    case SB_TOP: d = -topRow_; break;
    case SB_BOTTOM: d = VScrollMax() - topRow_; break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: d = TrackPos - topRow_; break;
    default: return;
  }
  d = std::max(-topRow_, std::min(d, VScrollMax() - topRow_));
  if (d == 0) return;
  const int before = topRow_;
  SetTopRow(topRow_ + d);
  if (caret_->LockScroll()) SetRow(row_ + (topRow_ - before));
}

void TEditor::HScroll(int Code, int TrackPos) {
  const int right = colCount_ / 2 + kMaxCol;
  int d;
  switch (Code) {
    case SB_LINEUP: d = -1; break;
    case SB_LINEDOWN: d = 1; break;
    case SB_PAGEUP: d = std::min(-1, -colCount_); break;
    case SB_PAGEDOWN: d = std::max(1, colCount_); break;
    case SB_TOP: d = -topCol_; break;
    case SB_BOTTOM: d = right - topCol_; break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: d = (TrackPos & 0xFFFF) - topCol_; break;
    default: return;
  }
  d = std::max(-topCol_, std::min(d, right - topCol_));
  if (d != 0) SetTopCol(topCol_ + d);
}

void TEditor::LineScroll(int Row, int Count) {
  if (!platform_.HandleAllocated()) return;
  CaretScope caret(*this);
  UnderlineScope underline(*this);
  Row = std::max(topRow_, std::min(Row, topRow_ + rowCount_));
  const int n = std::max(-(rowCount_ + 1), std::min(Count, rowCount_ + 1));
  if (n == 0) return;
  DoScroll(0, n * GetRowHeight(),
           TRect{LeftMargin(), TopMargin() + (Row - topRow_) * GetRowHeight(), platform_.ClientWidth(),
                 platform_.ClientHeight()});
}

void TEditor::ImagebarScroll(int Row, int Count) {
  if (!platform_.HandleAllocated()) return;
  Row = std::max(topRow_, std::min(Row, topRow_ + rowCount_));
  const int n = std::max(-(rowCount_ + 1), std::min(Count, rowCount_ + 1));
  if (n == 0) return;
  platform_.ScrollRect(0, n * GetRowHeight(),
                       TRect{0, TopMargin() + (Row - topRow_) * GetRowHeight(), imagebarWidth_,
                             platform_.ClientHeight()});
}

// ---------------------------------------------------------------- window

void TEditor::FocusIn() { UpdateCaret(); }

void TEditor::FocusOut() {
  platform_.HideCaret();
  platform_.DestroyCaret();
}

void TEditor::Resized() {
  if (!platform_.HandleAllocated()) return;
  InitDrawInfo();
  InitScroll();
  platform_.Invalidate(TRect{0, 0, platform_.ClientWidth(), platform_.ClientHeight()});
}

// ---------------------------------------------------------------- underline

int TEditor::UnderlinePos(int Row) const {
  const int y = TopMargin() + GetRowHeight() * (Row - topRow_) + fontHeight_;
  if (y <= TopMargin() || y >= platform_.ClientHeight()) return -1;
  return y;
}

void TEditor::UnderlineBeginUpdate() {
  if (++underlineUpdate_ == 1 && marks_->Underline().Visible() && !HasSelectionData() &&
      underlineShown_) {
    underlineShown_ = false;
    platform_.UnderlineChanged();
  }
}

void TEditor::UnderlineEndUpdate() {
  if (underlineUpdate_ == 0) return;
  if (--underlineUpdate_ == 0 && marks_->Underline().Visible() && !HasSelectionData()) {
    underlineShown_ = true;
    platform_.UnderlineChanged();
  }
}

}  // namespace tolvan
