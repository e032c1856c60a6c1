// The caret: where it may stand, how it follows the text, and keeping it in
// view.
#include <algorithm>

#include "editor/control/editor.h"
#include "editor/control/editor_scopes.h"

namespace tolvan {

namespace {
char AttrAt(const std::string& a, int col) {
  return col >= 0 && col < static_cast<int>(a.size()) ? a[static_cast<std::size_t>(col)] : '\0';
}
}  // namespace

void TEditor::CaretBeginUpdate() {
  if (++caretUpdate_ == 1 && platform_.HandleAllocated() && Focused()) platform_.HideCaret();
}

void TEditor::CaretEndUpdate() {
  if (caretUpdate_ == 0) return;
  if (--caretUpdate_ == 0) UpdateCaret();
}

void TEditor::UpdateCaret() {
  if (caretUpdate_ > 0) return;
  if (platform_.HandleAllocated()) {
    // The view follows the caret only when the caret moved: scrolling with
    // the scroll bars leaves it where it is.
    if (caretMoved_) {
      ++caretUpdate_;  // scrolling must not come back here
      ScrollCaret();
      --caretUpdate_;
    }
    if (Focused()) {
      const bool brief = caret_->Style() == csBrief;
      const int height = brief ? std::max(2, fontHeight_ / 4) : fontHeight_;
      const int width = selState_ == sstHitSelected && hitStyle_ == hsCaret ? caretWidth_
                        : brief                                             ? colWidth_
                                                                            : 2;
      platform_.CreateCaret(width, height);
      const int y = TopMargin() + (row_ - topRow_) * GetRowHeight() + (brief ? fontHeight_ - height : 0);
      platform_.SetCaretPos(LeftMargin() + (col_ - topCol_) * colWidth_, y);
      platform_.ShowCaret();
    }
  }
  if (caretMoved_ && OnCaretMoved) OnCaretMoved();
  caretMoved_ = false;
}

void TEditor::ScrollCaret() {
  if (!platform_.HandleAllocated() || !Focused()) return;
  if (row_ < topRow_)
    SetTopRow(row_);
  else if (row_ > topRow_ + rowCount_ - 1)
    SetTopRow(row_ - rowCount_ + 1);
  if (col_ < topCol_)
    SetTopCol(std::max(0, std::min(col_, topCol_ - colCount_ / 4)));
  else if (col_ > topCol_ + colCount_ - 1)
    SetTopCol(std::min(std::max(col_ - colCount_ + 1, topCol_ + colCount_ / 4), kMaxCol - colCount_ / 2));
}

int TEditor::ColToByte(int Row, int Col) const {
  const std::string_view s = list_->ListStr(Row);
  const TColumnRules rules = ColumnRules();
  int c = 0;
  std::size_t i = 0;
  while (i < s.size()) {
    const TCharStep step = s[i] == '\t' ? TCharStep{1, TabWidthAt(c, rules)} : CharStepAt(s, i, rules);
    if (c + step.Cols > Col) return static_cast<int>(i);
    c += step.Cols;
    i += static_cast<std::size_t>(step.Bytes);
  }
  return static_cast<int>(s.size()) + std::max(0, Col - c);
}

int TEditor::ExpandListLength(int Row) const {
  if (Row < 0 || Row >= list_->Count()) return 0;
  return ExpandTabLength(list_->ListStr(Row), ColumnRules());
}

std::string TEditor::ExpandListStr(int Row) const {
  if (Row < 0 || Row >= list_->Count()) return {};
  return ExpandTab(list_->ListStr(Row), ColumnRules());
}

int TEditor::PrevTopSpace(int Row) const {
  const TColumnRules rules = ColumnRules();
  for (int r = list_->RowStart(std::min(Row, list_->Count())) - 1; r >= 0; --r) {
    r = list_->RowStart(r);
    const int n = TabbedTopSpace(list_->ListStr(r), rules);
    if (n >= 0 && !list_->ListStr(r).empty()) return n;
  }
  return 0;
}

int TEditor::RowByteLength(int Row) const { return static_cast<int>(list_->ListStr(Row).size()); }

int TEditor::RowIndex(int Row) const { return std::max(list_->RowStart(Row), Row - 1); }

std::int64_t TEditor::GetSelIndex(int FromRow, int Row, int Col) const {
  std::int64_t index = 0;
  for (int r = std::max(FromRow, 0); r < std::min(Row, list_->Count()); ++r) {
    index += RowByteLength(r);
    const TRowAttribute a = list_->Rows(r);
    index += a == raCrlf ? 2 : a == raEof ? 1 : 0;
  }
  return index + ColToByte(Row, Col);
}

void TEditor::SetSelIndex(int FromRow, std::int64_t Index) { list_->SetSelIndex(this, FromRow, Index); }

void TEditor::SetRow(int R) {
  const int count = list_->Count();
  const int last = count > 0 && list_->Rows(count - 1) == raEof ? count - 1 : count;
  row_ = std::max(0, std::min(R, last));
  AdjustCol(Move::Vertical, -1);
}

void TEditor::SetCol(int C) {
  C = std::max(0, std::min(C, kMaxCol + 1));
  const int dir = C > col_ ? 1 : -1;
  col_ = C;
  AdjustCol(Move::Horizontal, dir);
}

void TEditor::SetRowCol(int R, int C) {
  CaretScope scope(*this);
  SetRow(R);
  const std::string a = StrToAttributes(list_->ListStr(row_), ColumnRules());
  if (AttrAt(a, C) == '5') --C;
  if (!caret_->InTab())
    while (C > 0 && AttrAt(a, C) == '3') --C;
  keepColSet_ = false;
  SetCol(C);
}

void TEditor::KeepCaretOnCharacter() {
  const int count = list_->Count();
  if (row_ >= count) return;
  const TColumnRules rules = ColumnRules();
  const std::string_view text = list_->ListStr(row_);
  const std::string a = StrToAttributes(text, rules);
  const bool inside = AttrAt(a, col_) == '5' || (!caret_->InTab() && AttrAt(a, col_) == '3');
  if (inside) {
    CaretScope scope(*this);
    const int keep = keepCol_;
    const bool keepSet = keepColSet_;
    SetRowCol(row_, col_);
    keepCol_ = keep;
    keepColSet_ = keepSet;
  }
  if (HasSelectionData() && anchorRow_ < count) {
    anchorCol_ = ColumnOfByte(list_->ListStr(anchorRow_), anchorByte_, rules);
    RecomputeSelection();
  }
}

void TEditor::AdjustCol(Move move, int dir) {
  const bool vertical = move == Move::Vertical;
  const TColumnRules rules = ColumnRules();
  const std::string_view text = list_->ListStr(row_);
  const std::string a = StrToAttributes(text, rules);
  const int L = ExpandTabLength(text, rules);
  auto remember = [&] {
    if (vertical && !keepColSet_) {
      keepCol_ = col_;
      keepColSet_ = true;
    }
  };
  // 1. the remembered column
  if (!vertical)
    keepColSet_ = false;
  else if (keepColSet_)
    col_ = keepCol_;
  // 2. the end of the row
  if (!caret_->FreeCaret() && col_ > L) {
    if (caret_->KeepCaret() && !keepColSet_) {
      keepCol_ = buttonDown_ ? L : col_;
      keepColSet_ = true;
    }
    if (!(caret_->FreeRow() && vertical && !buttonDown_)) col_ = L;
    if (!caret_->KeepCaret()) keepColSet_ = false;
  }
  auto offCharacter = [&](int step) {
    // 3. never inside a double-byte character; 4. never in a tab's fill
    if (AttrAt(a, col_) == '5') {
      remember();
      col_ += step;
    }
    if (!caret_->InTab() && AttrAt(a, col_) == '3') {
      remember();
      while (AttrAt(a, col_) == '3') col_ += step;
    }
  };
  offCharacter(vertical ? -1 : (dir >= 0 ? 1 : -1));
  // 5. word wrap: not after the last character of a wrapped row
  if (list_->WordWrap() && col_ >= L) {
    const int before = col_;
    const int wrapByte = list_->WrapOption().WrapByte();
    if (row_ < list_->Count() && list_->Rows(row_) == raWrapped)
      col_ = std::max(0, L - 1);
    else if (col_ >= wrapByte)
      col_ = std::max(L, wrapByte - 1);
    if (col_ != before) {
      const int now = col_;
      col_ = before;
      remember();
      col_ = now;
    }
    offCharacter(-1);
  }
  // 6. the column limit, never inside a character that straddles it
  if (col_ > kMaxCol) col_ = kMaxCol;
  if (col_ == kMaxCol && AttrAt(a, kMaxCol - 1) == '4') col_ = kMaxCol - 1;
  // nor inside a tab that straddles it
  if (!caret_->InTab())
    while (col_ > 0 && AttrAt(a, col_) == '3') --col_;
  col_ = std::max(col_, 0);
  // 7.
  caretMoved_ = true;
  if (caretUpdate_ == 0) UpdateCaret();
}

void TEditor::MoveCompositionWindow() {
  compositionPending_ = false;
  if (!platform_.HandleAllocated()) return;
  platform_.SetCompositionWindow(LeftMargin() + (col_ - topCol_) * colWidth_,
                                 (row_ - topRow_) * GetRowHeight() + TopMargin());
}

TPoint TEditor::CaretPoint() const {
  return TPoint{LeftMargin() + (col_ - topCol_) * colWidth_, TopMargin() + (row_ - topRow_) * GetRowHeight()};
}

}  // namespace tolvan
