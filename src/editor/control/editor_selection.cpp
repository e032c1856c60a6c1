// Selection in stream and box mode, its text, deleting and replacing it, the
// clipboard, search hits, and selection by the mouse (drag, row selection).
#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "editor/control/editor.h"
#include "editor/control/editor_scopes.h"

namespace tolvan {

namespace {
void* AsData(int v) { return reinterpret_cast<void*>(static_cast<std::intptr_t>(v)); }
int FromData(void* p) { return static_cast<int>(reinterpret_cast<std::intptr_t>(p)); }

// First byte of the first character that starts at or right of column col;
// a row shorter than col ends at its length.
int ByteAtOrAfter(std::string_view s, int col, const TColumnRules& rules) {
  int c = 0;
  std::size_t i = 0;
  while (i < s.size() && c < col) {
    const TCharStep step = s[i] == '\t' ? TCharStep{1, TabWidthAt(c, rules)} : CharStepAt(s, i, rules);
    c += step.Cols;
    i += static_cast<std::size_t>(step.Bytes);
  }
  return static_cast<int>(i);
}

std::string JoinRows(const TEditorStringList& rows) {
  std::string text;
  for (int i = 0; i < rows.Count(); ++i) {
    text += rows.Get(i);
    if (rows.Rows(i) == raCrlf) text += "\r\n";
  }
  return text;
}
}  // namespace

std::int64_t TEditor::TextLength() const {
  std::int64_t n = 0;
  for (int r = 0; r < list_->Count(); ++r) n += RowByteLength(r) + (list_->Rows(r) == raCrlf ? 2 : 0);
  return n;
}

// ---------------------------------------------------------------- state

void TEditor::InitSelection() {
  CleanSelection();
  if (list_->Count() == 0) return;
  selState_ = sstInit;
  anchorRow_ = row_;
  anchorByte_ = std::min(ColToByte(row_, col_), RowByteLength(row_));
  anchorCol_ = selMode_ == smLine ? std::min(col_, ExpandListLength(row_)) : col_;
}

void TEditor::StartSelection() {
  if (selState_ != sstInit) return;
  selState_ = hitShowing_ ? sstHitSelected : sstSelected;
  UpdateSelection();
}

void TEditor::SetSelection() {
  if (selState_ == sstInit)
    StartSelection();
  else if (selState_ == sstSelected || selState_ == sstHitSelected)
    UpdateSelection();
}

void TEditor::RecomputeSelection() {
  const int count = list_->Count();
  const int caretRow = std::min(row_, count);
  const int caretByte = std::min(ColToByte(caretRow, col_), RowByteLength(caretRow));
  const int caretCol = selMode_ == smLine ? std::min(col_, ExpandListLength(caretRow)) : col_;
  const bool anchorFirst = anchorRow_ < caretRow || (anchorRow_ == caretRow && anchorByte_ <= caretByte);
  TSelectedPosition s, d;
  if (anchorFirst) {
    s = {anchorRow_, caretRow, anchorByte_, caretByte - 1};
    d = {anchorRow_, caretRow, anchorCol_, caretCol};
  } else {
    s = {caretRow, anchorRow_, caretByte, anchorByte_ - 1};
    d = {caretRow, anchorRow_, caretCol, anchorCol_};
  }
  if (selMode_ == smBox) {
    d.Sc = std::min(anchorCol_, col_);
    d.Ec = std::max(anchorCol_, col_);
  }
  selStr_ = s;
  selDraw_ = d;
}

void TEditor::InvalidateSelection() { InvalidateRow(selDraw_.Sr, selDraw_.Er); }

void TEditor::UpdateSelection() {
  const TSelectedPosition old = selDraw_;
  RecomputeSelection();
  InvalidateRow(std::min(old.Sr, selDraw_.Sr), std::max(old.Er, selDraw_.Er));
  if (OnSelectionChange) OnSelectionChange(selState_);
}

void TEditor::CleanSelection() {
  const TEditorSelectionState was = selState_;
  selState_ = sstNone;
  hitLength_ = 0;
  if (was == sstSelected || was == sstHitSelected) {
    InvalidateSelection();
    if (caretWidth_ != 2) {
      caretWidth_ = 2;
      UpdateCaret();
    }
    if (OnSelectionChange) OnSelectionChange(selState_);
  }
  // A box made by an Alt press ends with its selection.
  if (altBox_ && was != sstNone) SetSelectionMode(smLine);
}

void TEditor::SetSelectionMode(TEditorSelectionMode Mode) {
  if (dragState_ != sdNone) return;
  altBox_ = false;  // a mode chosen on purpose stays
  if (Mode == selMode_) return;
  selMode_ = Mode;
  if (HasSelectionData()) {
    const TSelectedPosition old = selDraw_;
    RecomputeSelection();
    InvalidateRow(std::min(old.Sr, selDraw_.Sr), std::max(old.Er, selDraw_.Er));
  }
  if (OnSelectionModeChange) OnSelectionModeChange();
}

bool TEditor::IsSelectedArea(int Row, int Col) const {
  if (!HasSelectionData() || Row < selDraw_.Sr || Row > selDraw_.Er) return false;
  if (selMode_ == smBox) return Col >= selDraw_.Sc && Col < selDraw_.Ec;
  if (Row == selDraw_.Sr && Col < selDraw_.Sc) return false;
  if (Row == selDraw_.Er && Col >= selDraw_.Ec) return false;
  return true;
}

// ---------------------------------------------------------------- text

void TEditor::BoxEdges(int Row, int& Left, int& Right) const {
  const std::string_view s = list_->ListStr(Row);
  const TColumnRules rules = ColumnRules();
  Left = ByteAtOrAfter(s, selDraw_.Sc, rules);
  Right = std::max(Left, ByteAtOrAfter(s, selDraw_.Ec, rules));
}

void TEditor::SelectionText(std::string& out) const {
  out.clear();
  if (!HasSelectionData()) return;
  const int count = list_->Count();
  if (selMode_ == smBox) {
    for (int r = selStr_.Sr; r <= std::min(selStr_.Er, count - 1); ++r) {
      int left, right;
      BoxEdges(r, left, right);
      out += list_->ListStr(r).substr(static_cast<std::size_t>(left), static_cast<std::size_t>(right - left));
      out += "\r\n";
    }
    return;
  }
  // Sized once: growing by doubling would hold a huge selection twice.
  out.reserve(static_cast<std::size_t>(std::max<std::int64_t>(SelLength(), 0)));
  for (int r = selStr_.Sr; r <= selStr_.Er && r < count; ++r) {
    const std::string_view s = list_->ListStr(r);
    const int from = r == selStr_.Sr ? selStr_.Sc : 0;
    const int to = r == selStr_.Er ? std::min(selStr_.Ec + 1, static_cast<int>(s.size()))
                                   : static_cast<int>(s.size());
    if (to > from) out += s.substr(static_cast<std::size_t>(from), static_cast<std::size_t>(to - from));
    if (r < selStr_.Er && list_->Rows(r) == raCrlf) out += "\r\n";
  }
}

std::string TEditor::GetSelText() const {
  std::string s;
  SelectionText(s);
  return s;
}

int TEditor::GetSelTextBuf(char* Buffer, int Size) const {
  if (!Buffer || Size <= 0) return 0;
  const std::string s = GetSelText();
  const int n = std::min(static_cast<int>(s.size()), Size - 1);
  std::copy_n(s.data(), n, Buffer);
  Buffer[n] = '\0';
  return n;
}

void TEditor::SelDeletedList(TEditorStringList& List) const {
  List.Clear();
  if (!HasSelectionData()) return;
  const int count = list_->Count();
  if (selMode_ == smBox) {
    for (int r = selStr_.Sr; r <= std::min(selStr_.Er, count - 1); ++r) {
      int left, right;
      BoxEdges(r, left, right);
      const std::string_view s = list_->ListStr(r);
      std::string t(s.substr(0, static_cast<std::size_t>(left)));
      t += s.substr(static_cast<std::size_t>(right));
      List.AddRow(t, list_->Rows(r));
      List.SetData(List.Count() - 1, AsData(left + 1));
    }
    return;
  }
  const std::string_view first = list_->ListStr(selStr_.Sr);
  std::string t(first.substr(0, std::min(static_cast<std::size_t>(selStr_.Sc), first.size())));
  TRowAttribute rows = raEof;
  if (selStr_.Er < count) {
    const std::string_view last = list_->ListStr(selStr_.Er);
    const std::size_t after = static_cast<std::size_t>(std::max(0, selStr_.Ec + 1));
    if (after < last.size()) t += last.substr(after);
    rows = list_->Rows(selStr_.Er);
  }
  List.AddRow(t, rows);
  List.SetData(0, AsData(selStr_.Sc + 1));
}

// A selection that lies wholly on the open row after the text holds nothing
// to edit; it is dropped so the edits below see rows of the text only.
void TEditor::DropOutsideSelection() {
  if (HasSelectionData() && selStr_.Sr >= list_->Count()) CleanSelection();
}

void TEditor::DeleteSelection() {
  DropOutsideSelection();
  if (!Selected() || readOnly_) return;
  CaretScope scope(*this);
  UnderlineScope underline(*this);
  TEditorStringList rows;
  SelDeletedList(rows);
  const int sr = selStr_.Sr;
  const int er = std::min(selStr_.Er, list_->Count() - 1);
  const int from = RowIndex(sr);
  const std::int64_t index = GetSelIndex(from, sr, 0) + FromData(rows.Data(0)) - 1;
  CleanSelection();
  list_->UpdateList(sr, er - sr + 1, JoinRows(rows));
  SetSelIndex(from, index);
}

// The selection's rows without the selection, S put where it began: one
// UpdateList, the caret after S.
void TEditor::ReplaceSelection(std::string_view S) {
  TEditorStringList rows;
  SelDeletedList(rows);
  const int sr = selStr_.Sr;
  const int er = std::min(selStr_.Er, list_->Count() - 1);
  const int at = FromData(rows.Data(0)) - 1;
  std::string first(rows.Get(0));
  first.insert(static_cast<std::size_t>(at), S);
  rows.Put(0, first);
  const int from = RowIndex(sr);
  const std::int64_t index = GetSelIndex(from, sr, 0) + at + StoredIndexLength(S, list_->OwnLineEnd().has_value());
  CleanSelection();
  list_->UpdateList(sr, er - sr + 1, JoinRows(rows));
  SetSelIndex(from, index);
}

void TEditor::SetSelTextBuf(std::string_view S) {
  if (readOnly_) return;
  if (S.empty()) {
    if (Selected())
      DeleteSelection();
    else
      ClearHit();
    return;
  }
  // Typing's own path, but a paste always inserts.
  const bool saved = overWrite_;
  overWrite_ = false;  // a paste inserts
  PutStringToLine(S);
  overWrite_ = saved;
}

void TEditor::SetSelTextBox(std::string_view S) {
  if (readOnly_) return;
  if (S.empty()) {
    DeleteSelection();
    return;
  }
  // The lines of the box; a final line break adds none.
  std::vector<std::string> lines;
  {
    std::size_t i = 0, start = 0;
    while (i < S.size()) {
      if (S[i] == '\r' || S[i] == '\n') {
        lines.emplace_back(S.substr(start, i - start));
        if (S[i] == '\r' && i + 1 < S.size() && S[i + 1] == '\n') ++i;
        start = ++i;
      } else {
        ++i;
      }
    }
    if (start < S.size()) lines.emplace_back(S.substr(start));
  }
  CaretScope scope(*this);
  UnderlineScope underline(*this);
  const TColumnRules rules = ColumnRules();
  int targetRow = row_, targetCol = col_;
  int cutLast = -1;
  TEditorStringList cut;
  DropOutsideSelection();
  if (Selected()) {
    SelDeletedList(cut);
    targetRow = selStr_.Sr;
    targetCol = selMode_ == smBox ? selDraw_.Sc : std::min(col_, selDraw_.Sc);
    if (selMode_ == smLine) targetCol = ColumnOfByte(list_->ListStr(selStr_.Sr), selStr_.Sc, rules);
    cutLast = std::min(selStr_.Er, list_->Count() - 1);
    CleanSelection();
  } else {
    ClearHit();
  }
  const int count = list_->Count();
  targetRow = std::min(targetRow, count);
  const int n = static_cast<int>(lines.size());
  // Rows taken from the text: the box's rows and the rows of a cut line
  // selection.
  const bool collapses = cutLast >= 0 && selMode_ == smLine;
  const int lastExisting =
      std::min(count - 1, collapses ? cutLast + n - 1 : std::max(targetRow + n - 1, cutLast));
  TEditorStringList rows;
  if (collapses) {
    // A stream selection collapses to one row first.
    rows.AddRow(cut.Get(0), cut.Rows(0));
    for (int r = cutLast + 1; r <= lastExisting; ++r) rows.AddRow(list_->ListStr(r), list_->Rows(r));
  } else {
    for (int r = targetRow; r <= lastExisting; ++r) {
      const int k = r - targetRow;
      if (cutLast >= 0 && k < cut.Count())
        rows.AddRow(cut.Get(k), cut.Rows(k));
      else
        rows.AddRow(list_->ListStr(r), list_->Rows(r));
    }
  }
  // The rows replaced: a stream selection collapsed into fewer rows above.
  const int taken = std::max(0, lastExisting - targetRow + 1);
  // The caret goes after the last line where it landed: a tab or a
  // double-byte character at the target column puts a line further right.
  int caretCol = targetCol;
  for (int k = 0; k < n; ++k) {
    const std::string& line = lines[static_cast<std::size_t>(k)];
    std::string t;
    int at = targetCol;
    if (k < rows.Count()) {
      t = rows.Get(k);
      const int width = ExpandTabLength(t, rules);
      if (width < targetCol) t += std::string(static_cast<std::size_t>(targetCol - width), ' ');
      at = ByteAtOrAfter(t, targetCol, rules);
      t.insert(static_cast<std::size_t>(at), line);
      rows.Put(k, t);
    } else {
      t = std::string(static_cast<std::size_t>(targetCol), ' ') + line;
      rows.AddRow(t, raCrlf);
    }
    if (k == n - 1) caretCol = ColumnOfByte(t, at + static_cast<int>(line.size()), rules);
  }
  for (int i = 0; i < rows.Count(); ++i)
    if (rows.Rows(i) == raEof) rows.SetRows(i, raCrlf);
  list_->UpdateList(targetRow, taken, JoinRows(rows));
  SetRowCol(targetRow + n - 1, caretCol);
}

// ---------------------------------------------------------------- positions

std::int64_t TEditor::SelStart() const {
  int r = row_, b = std::min(ColToByte(row_, col_), RowByteLength(row_));
  if (HasSelectionData()) {
    r = selStr_.Sr;
    b = selStr_.Sc;
  }
  std::int64_t index = 0;
  for (int i = 0; i < std::min(r, list_->Count()); ++i)
    index += RowByteLength(i) + (list_->Rows(i) == raCrlf ? 2 : 0);
  return index + b;
}

void TEditor::SetSelStart(std::int64_t Value) {
  CaretScope scope(*this);
  CleanSelection();
  if (Value <= 0)
    SetRowCol(0, 0);
  else
    SetSelIndex(0, Value);
}

std::int64_t TEditor::SelLength() const {
  if (!HasSelectionData()) return 0;
  if (selMode_ == smBox) return static_cast<std::int64_t>(GetSelText().size());
  std::int64_t index = 0;
  for (int r = selStr_.Sr; r < std::min(selStr_.Er, list_->Count()); ++r)
    index += RowByteLength(r) + (list_->Rows(r) == raCrlf ? 2 : 0);
  return index + selStr_.Ec + 1 - selStr_.Sc;
}

bool TEditor::HasSelectedText() const {
  if (!HasSelectionData()) return false;
  if (selMode_ == smBox) return SelLength() > 0;
  return selStr_.Er > selStr_.Sr ? selStr_.Sr < list_->Count() : selStr_.Ec >= selStr_.Sc;
}

void TEditor::SetSelLength(std::int64_t Value) {
  if (Value <= 0) return;
  CaretScope scope(*this);
  SetSelectionMode(smLine);
  const bool hit = hitShowing_;
  InitSelection();
  hitShowing_ = hit;
  const int r = row_;
  SetSelIndex(RowIndex(r), GetSelIndex(RowIndex(r), r, col_) + Value);
  StartSelection();
}

// By position, not by counting: the count may not fit an index, and the
// caret never stands beyond the column limit, so on a last row wider than
// that the anchor takes the end and the caret the start.
void TEditor::SelectAll() {
  CaretScope scope(*this);
  CleanSelection();
  SetSelectionMode(smLine);
  const int count = list_->Count();
  SetRowCol(0, 0);
  if (count == 0) return;
  int endRow = count, endByte = 0, endCol = 0;
  if (list_->Rows(count - 1) != raCrlf) {
    endRow = count - 1;
    endByte = RowByteLength(endRow);
    endCol = ExpandListLength(endRow);
  }
  InitSelection();
  if (endCol <= kMaxCol) {
    SetRowCol(endRow, endCol);
  } else {
    anchorRow_ = endRow;
    anchorByte_ = endByte;
    anchorCol_ = endCol;
  }
  StartSelection();
}

// ---------------------------------------------------------------- clipboard

bool TEditor::CopyToClipboard() {
  if (!Selected()) return false;
  // Counted before the text is built: all of it is copied or none.
  if (SelLength() > kMaxClipboardBytes) {
    platform_.Refuse(erCopyTooLarge);
    return false;
  }
  platform_.WriteClipboard(GetSelText(), selMode_ == smBox);
  return true;
}

void TEditor::CutToClipboard() {
  if (readOnly_ || !Selected()) return;
  if (CopyToClipboard()) DeleteSelection();
}

void TEditor::PasteFromClipboard() {
  if (readOnly_) return;
  std::string text;
  bool box = false;
  if (!platform_.ReadClipboard(text, box)) return;
  if (box)
    SetSelTextBox(text);
  else
    SetSelTextBuf(text);
}

void TEditor::PasteBoxFromClipboard() {
  if (readOnly_) return;
  std::string text;
  bool box = false;
  if (!platform_.ReadClipboard(text, box)) return;
  SetSelTextBox(text);
}

// ---------------------------------------------------------------- hits

void TEditor::SetHitSelLength(int Length) {
  if (Length <= 0) return;
  CaretScope scope(*this);
  const int r = row_, c = col_;
  hitShowing_ = hitStyle_ != hsSelect;
  SetSelLength(Length);
  hitShowing_ = false;
  hitLength_ = Length;
  if (hitStyle_ == hsCaret && HasSelectionData()) {
    const int endRow = row_;
    const int endCol = col_;
    row_ = r;
    col_ = c;
    if (Focused()) {
      const int cols = endRow == r ? endCol - c : ExpandListLength(r) - c;
      caretWidth_ = std::max(2, colWidth_ * cols);
    }
  }
}

void TEditor::HitToSelected() {
  if (selState_ != sstHitSelected) return;
  CaretScope scope(*this);
  if (hitStyle_ == hsCaret) {
    int r = 0, c = 0;
    list_->SelIndexToRowCol(selStr_.Sr, selStr_.Sc + hitLength_, r, c);
    row_ = r;
    col_ = c;
  }
  selState_ = sstSelected;
  caretWidth_ = 2;
  UpdateSelection();
}

// ---------------------------------------------------------------- mouse

bool TEditor::CanSelDrag() const {
  return selState_ == sstSelected && selMode_ == smLine && caret_->SelMove() && !readOnly_;
}

void TEditor::SetCursorState(TEditorMouseCursorState s) {
  if (s == cursorState_) return;
  cursorState_ = s;
  platform_.SetCursor(s);
}

void TEditor::MouseDown(TMouseButton Button, TShiftState Shift, TPoint P) {
  if (Button != mbLeft || dragState_ == sdDragging) return;
  buttonDown_ = true;
  int row = 0, col = 0;
  PosToRowCol(P.X, P.Y, col, row, true);
  CaretScope scope(*this);
  UnderlineScope underline(*this);
  if (Shift & kShift) {
    if (selState_ != sstSelected && selState_ != sstInit) InitSelection();
    SetRowCol(row, col);
    SetSelection();
    return;
  }
  pressPoint_ = P;
  if ((Shift & kAlt) && P.X >= LeftMargin()) {
    // Alt and a drag select a box, as in other Linux editors, by columns
    // as the box mode does.
    CleanSelection();
    if (selMode_ != smBox) {
      SetSelectionMode(smBox);
      altBox_ = true;
    }
    SetRowCol(row, col);
    InitSelection();
    return;
  }
  int exactCol = 0, exactRow = 0;
  PosToRowCol(P.X, P.Y, exactCol, exactRow, false);
  if (CanSelDrag() && P.X >= LeftMargin() && IsSelectedArea(exactRow, exactCol)) {
    SetRowCol(row, col);
    if (caret_->SelDragMode() == dmAutomatic) dragState_ = sdInit;
    return;
  }
  if (P.X < LeftMargin() && caret_->RowSelect()) {
    StartRowSelection(row);
    return;
  }
  CleanSelection();
  SetRowCol(row, col);
  InitSelection();
}

void TEditor::MouseMove(TShiftState Shift, TPoint P, bool ButtonDown) {
  const int half = std::max(1, colWidth_ / 2);
  const bool moved = std::abs(P.X - pressPoint_.X) >= half || std::abs(P.Y - pressPoint_.Y) >= half;
  if (dragState_ == sdInit) {
    if (!moved) return;
    dragState_ = sdDragging;
  }
  int row = 0, col = 0;
  PosToRowCol(P.X, P.Y, col, row, true);
  if (P.Y < TopMargin()) row = topRow_ - 1;
  if (dragState_ == sdDragging) {
    SetCursorState(Shift & kCtrl ? mcDraggingCopy : mcDragging);
    SetRowCol(row, col);
    return;
  }
  if (ButtonDown && buttonDown_) {
    CaretScope scope(*this);
    UnderlineScope underline(*this);
    if (rowSelecting_) {
      UpdateRowSelection(row);
      return;
    }
    SetRowCol(row, col);
    if (selState_ == sstSelected)
      UpdateSelection();
    else if (selState_ == sstInit && moved)
      StartSelection();
    return;
  }
  int exactCol = 0, exactRow = 0;
  PosToRowCol(P.X, P.Y, exactCol, exactRow, false);
  if (P.X < LeftMargin())
    SetCursorState(mcLeftMargin);
  else if (P.Y < TopMargin())
    SetCursorState(mcTopMargin);
  else if (CanSelDrag() && IsSelectedArea(exactRow, exactCol))
    SetCursorState(mcInSel);
  else
    SetCursorState(mcClient);
}

void TEditor::MouseUp(TMouseButton Button, TShiftState Shift, TPoint P) {
  if (Button != mbLeft) return;
  buttonDown_ = false;
  if (dragState_ == sdDragging) {
    EndSelDrag(Shift, P);
  } else if (dragState_ == sdInit) {
    dragState_ = sdNone;
    CleanSelection();
    SetCursorState(mcClient);
  } else {
    rowSelecting_ = false;
  }
}

void TEditor::CancelSelDrag() {
  dragState_ = sdNone;
  CleanSelection();
  SetCursorState(mcClient);
}

void TEditor::EndSelDrag(TShiftState Shift, TPoint P) {
  dragState_ = sdNone;
  SetCursorState(mcClient);
  const TRect client{0, 0, platform_.ClientWidth(), platform_.ClientHeight()};
  if (!client.Contains(P) || IsSelectedArea(row_, col_) || readOnly_) {
    CleanSelection();
    return;
  }
  if (Shift & kCtrl)
    CopySelection(row_, col_);
  else
    MoveSelection(row_, col_);
}

void TEditor::CopySelection(int Row, int Col) {
  const std::string text = GetSelText();
  CaretScope scope(*this);
  CleanSelection();
  SetRowCol(Row, Col);
  SetSelTextBuf(text);
}

void TEditor::MoveSelection(int Row, int Col) {
  if (!Selected() || selMode_ != smLine) return;
  CaretScope scope(*this);
  UnderlineScope underline(*this);
  const int count = list_->Count();
  if (Row < count && selStr_.Er < count &&
      (list_->RowStart(Row) < list_->RowStart(selStr_.Sr) || list_->RowStart(Row) > list_->RowStart(selStr_.Er))) {
    MoveSelectionApart(Row, Col);
    return;
  }
  const int first = std::min(selStr_.Sr, Row);
  const int last = std::min(count - 1, std::max(selStr_.Er, Row));
  std::string text;
  // Offsets into the rows taken part: they may pass 2 GiB.
  auto offsetOf = [&](int r, int byte) {
    std::size_t off = 0;
    for (int i = first; i < r && i <= last; ++i)
      off += static_cast<std::size_t>(RowByteLength(i)) + (list_->Rows(i) == raCrlf ? 2 : 0);
    return off + static_cast<std::size_t>(byte);
  };
  for (int r = first; r <= last; ++r) {
    text += list_->ListStr(r);
    list_->CheckCrlf(r, text);
  }
  const std::size_t selStart = offsetOf(selStr_.Sr, selStr_.Sc);
  const std::size_t selEnd = selStr_.Er < count ? offsetOf(selStr_.Er, selStr_.Ec + 1) : text.size();
  const std::string moved = text.substr(selStart, selEnd - selStart);
  int dropByte = ColToByte(Row, Col);
  std::string pad;
  if (Row < count && dropByte > RowByteLength(Row)) {
    pad.assign(static_cast<std::size_t>(dropByte - RowByteLength(Row)), ' ');
    dropByte = RowByteLength(Row);
  }
  const std::size_t drop = Row < count ? offsetOf(Row, dropByte) : text.size();
  std::string result;
  result.reserve(text.size() + pad.size());
  std::size_t caret;
  if (drop >= selEnd) {
    result.append(text, 0, selStart).append(text, selEnd, drop - selEnd).append(pad).append(moved);
    caret = result.size();
    result.append(text, drop);
  } else {
    result.append(text, 0, drop).append(pad).append(moved);
    caret = result.size();
    result.append(text, drop, selStart - drop).append(text, selEnd);
  }
  text = std::string();
  const int from = RowIndex(first);
  const std::int64_t base = GetSelIndex(from, first, 0);
  CleanSelection();
  list_->UpdateList(first, last - first + 1, result);
  SetSelIndex(from, base + static_cast<std::int64_t>(caret));
}

// The drop lies in another line than the selection: the selection's rows
// and the drop row are edited apart, the later first so the earlier rows
// keep their places, and the two edits are one undo step. The rows
// between stay as they are (a move across a huge text holds only the
// moved bytes twice).
void TEditor::MoveSelectionApart(int Row, int Col) {
  auto rowsText = [&](int from, int to) {
    std::string text;
    for (int r = from; r <= to; ++r) {
      text += list_->ListStr(r);
      list_->CheckCrlf(r, text);
    }
    return text;
  };
  std::string source = rowsText(selStr_.Sr, selStr_.Er);
  std::size_t selEnd = static_cast<std::size_t>(selStr_.Ec + 1);
  for (int r = selStr_.Sr; r < selStr_.Er; ++r)
    selEnd += static_cast<std::size_t>(RowByteLength(r)) + (list_->Rows(r) == raCrlf ? 2 : 0);
  selEnd = std::min(selEnd, source.size());
  const std::size_t selStart = static_cast<std::size_t>(selStr_.Sc);
  const std::string moved = source.substr(selStart, selEnd - selStart);
  source.erase(selStart, selEnd - selStart);

  int dropByte = ColToByte(Row, Col);
  std::string pad;
  if (dropByte > RowByteLength(Row)) {
    pad.assign(static_cast<std::size_t>(dropByte - RowByteLength(Row)), ' ');
    dropByte = RowByteLength(Row);
  }
  std::string target = rowsText(Row, Row);
  target.insert(static_cast<std::size_t>(dropByte), pad + moved);

  const bool after = Row > selStr_.Er;
  const int first = after ? selStr_.Sr : Row;
  const int from = RowIndex(first);
  // The caret ends after the moved bytes; counted from a row neither edit
  // moves.
  std::int64_t caret = GetSelIndex(from, Row, 0) + dropByte + static_cast<std::int64_t>(pad.size());
  if (!after) caret += static_cast<std::int64_t>(moved.size());
  const int sr = selStr_.Sr, rows = selStr_.Er - selStr_.Sr + 1;
  CleanSelection();
  if (after) {
    list_->UpdateList(Row, 1, target);
    list_->UpdateList(sr, rows, source);
  } else {
    list_->UpdateList(sr, rows, source);
    list_->UpdateList(Row, 1, target);
  }
  list_->UndoObj().JoinLast();
  SetSelIndex(from, caret);
}

void TEditor::StartRowSelection(int Row) {
  const int count = list_->Count();
  if (count == 0) return;
  Row = std::max(0, std::min(Row, count - 1));
  CaretScope scope(*this);
  CleanSelection();
  rowSelecting_ = true;
  rowSelFirst_ = Row;
  rowSelEof_ = list_->Rows(Row) == raEof;
  UpdateRowSelection(Row);
}

void TEditor::UpdateRowSelection(int Row) {
  const int count = list_->Count();
  if (count == 0) return;
  Row = std::max(0, std::min(Row, count - 1));
  CaretScope scope(*this);
  const TSelectedPosition old = selDraw_;
  const bool wasSelected = HasSelectionData();
  auto rowEnd = [&](int r) { return list_->Rows(r) == raEof; };
  auto setAnchor = [&](int r, bool atEnd) {
    anchorRow_ = r;
    anchorByte_ = atEnd ? RowByteLength(r) : 0;
    anchorCol_ = atEnd ? ExpandListLength(r) : 0;
  };
  if (Row >= rowSelFirst_) {
    setAnchor(rowSelFirst_, false);
    if (rowEnd(Row)) {
      // Stops at the column limit as the End key does.
      row_ = Row;
      col_ = ExpandListLength(Row);
      AdjustCol(Move::Horizontal, -1);
    } else {
      row_ = Row + 1;
      col_ = 0;
    }
  } else {
    if (rowSelEof_)
      setAnchor(rowSelFirst_, true);
    else
      setAnchor(rowSelFirst_ + 1, false);
    row_ = Row;
    col_ = 0;
  }
  keepColSet_ = false;
  selState_ = sstSelected;
  RecomputeSelection();
  if (wasSelected) InvalidateRow(std::min(old.Sr, selDraw_.Sr), std::max(old.Er, selDraw_.Er));
  else InvalidateSelection();
  if (OnSelectionChange) OnSelectionChange(selState_);
}

}  // namespace tolvan
