// Block indentation, row marks and the conversions between pixel points,
// rows, columns and character indexes.
#include <algorithm>

#include "editor/control/editor.h"
#include "editor/control/editor_scopes.h"

namespace tolvan {

namespace {
enum BlockKind { kIndent, kUnIndent, kTabIndent, kTabUnIndent };

// Length of the full-width space at byte i, or 0.
std::size_t WideSpaceAt(std::string_view s, std::size_t i, TextEncoding e) {
  if (e == TextEncoding::Utf8)
    return s.substr(i, 3) == "\xE3\x80\x80" && Utf8Rules::CharLength(s, i) == 3 ? 3 : 0;
  return i + 1 < s.size() && static_cast<unsigned char>(s[i]) == 0x81 && static_cast<unsigned char>(s[i + 1]) == 0x40
             ? 2
             : 0;
}

// End of the white space that starts at byte i: bytes up to 0x20 and
// full-width spaces; never into a character a mark rides on.
std::size_t WhiteEnd(std::string_view s, std::size_t i, TextEncoding e) {
  while (i < s.size()) {
    if (static_cast<unsigned char>(s[i]) <= 0x20 && (e == TextEncoding::Cp932 || CharLength(e, s, i) == 1))
      ++i;
    else if (const std::size_t n = WideSpaceAt(s, i, e))
      i += n;
    else
      break;
  }
  return i;
}
}  // namespace

void TEditor::SelIndent() { BlockCommand(kIndent); }
void TEditor::SelUnIndent() { BlockCommand(kUnIndent); }
void TEditor::SelTabIndent() { BlockCommand(kTabIndent); }
void TEditor::SelTabUnIndent() { BlockCommand(kTabUnIndent); }

void TEditor::BlockCommand(int Kind) {
  DropOutsideSelection();
  if (!Selected() || readOnly_) return;
  const int count = list_->Count();
  const TColumnRules rules = ColumnRules();
  const bool box = selMode_ == smBox;
  const int sr = selStr_.Sr;
  int er = std::min(selStr_.Er, count - 1);
  if (!box && selStr_.Er > sr && selStr_.Ec < 0) er = std::min(selStr_.Er - 1, count - 1);
  if (er < sr) return;
  const bool wrap = list_->WordWrap();
  const int wrapByte = list_->WrapOption().WrapByte();
  const int tabs = caret_->TabSpaceCount();
  const int boxCol = box ? selDraw_.Sc : 0;

  struct Change {
    int start = 0;   // byte where the change begins
    int oldEnd = 0;  // byte after what was replaced
    int delta = 0;   // bytes added
  };
  std::vector<Change> changes(static_cast<std::size_t>(er - sr + 1));
  std::vector<std::string> texts;
  bool any = false;
  for (int r = sr; r <= er; ++r) {
    std::string t(list_->ListStr(r));
    Change& ch = changes[static_cast<std::size_t>(r - sr)];
    const bool whole = !wrap || (list_->Rows(r) != raWrapped && (r == 0 || list_->Rows(r - 1) != raWrapped));
    std::size_t at = box ? static_cast<std::size_t>(ByteOfColumn(t, boxCol, rules)) : 0;
    const bool reaches = !t.empty() && (!box || ExpandTabLength(t, rules) > boxCol);
    if (!whole || !reaches) {
      texts.push_back(std::move(t));
      continue;
    }
    const int atCol = ColumnOfByte(t, static_cast<int>(at), rules);
    std::string replacement;
    std::size_t end = at;
    bool acts = false;
    switch (Kind) {
      case kIndent:
      case kUnIndent: {
        end = WhiteEnd(t, at, rules.Encoding);
        const int w = ColumnOfByte(t, static_cast<int>(end), rules) - atCol;
        const bool starts = end > at;
        if (Kind == kUnIndent && !starts) break;
        const int nw = Kind == kIndent ? w + 1 : w - 1;
        if (Kind == kIndent && wrap && ExpandTabLength(t, rules) + 1 >= wrapByte) break;
        replacement.assign(static_cast<std::size_t>(std::max(0, nw)), ' ');
        acts = true;
        break;
      }
      case kTabIndent:
        if (wrap && ExpandTabLength(t, rules) + tabs >= wrapByte) break;
        replacement = "\t";
        acts = true;
        break;
      case kTabUnIndent:
        if (at < t.size() && t[at] == '\t') {
          end = at + 1;
          acts = true;
        }
        break;
    }
    // A row that reaches the wrap column would wrap into more rows, and
    // positions kept as row numbers would land on other text; a space can
    // also widen a tab after it, so the row is measured as it would be.
    if (acts && wrap && (Kind == kIndent || Kind == kTabIndent)) {
      std::string after = t;
      after.replace(at, end - at, replacement);
      if (ExpandTabLength(after, rules) >= wrapByte) acts = false;
    }
    if (acts) {
      ch.start = static_cast<int>(at);
      ch.oldEnd = static_cast<int>(end);
      ch.delta = static_cast<int>(replacement.size()) - static_cast<int>(end - at);
      t.replace(at, end - at, replacement);
      any = true;
    }
    texts.push_back(std::move(t));
  }
  if (!any) return;

  // Positions move with the text they stood on. Indenting puts its space or
  // tab before a position at the insertion point too.
  const bool indents = Kind == kIndent || Kind == kTabIndent;
  auto moveByte = [&](int r, int b) {
    if (r < sr || r > er) return b;
    const Change& ch = changes[static_cast<std::size_t>(r - sr)];
    if (ch.delta == 0 && ch.oldEnd == ch.start) return b;
    if (b >= ch.oldEnd && (b > ch.start || indents)) return b + ch.delta;
    if (b > ch.start) return std::min(b, ch.oldEnd + ch.delta);
    return b;
  };
  const bool emptyOnOneRow = !box && selStr_.Sr == selStr_.Er && selStr_.Ec < selStr_.Sc;
  const int caretRow = std::min(row_, count);
  const int caretByte = std::min(ColToByte(caretRow, col_), RowByteLength(caretRow));
  const int newAnchorByte = moveByte(anchorRow_, anchorByte_);
  const int newCaretByte = moveByte(caretRow, caretByte);
  const int colShift = Kind == kIndent ? 1 : Kind == kUnIndent ? -1 : Kind == kTabIndent ? tabs : -tabs;
  const int oldAnchorCol = anchorCol_;
  const int oldCaretCol = col_;
  const int anchorRow = anchorRow_;

  std::string text;
  for (int r = sr; r <= er; ++r) {
    text += texts[static_cast<std::size_t>(r - sr)];
    list_->CheckCrlf(r, text);
  }
  CaretScope scope(*this);
  UnderlineScope underline(*this);
  const TEditorSelectionState state = selState_;
  selState_ = sstNone;
  list_->UpdateList(sr, er - sr + 1, text);
  if (emptyOnOneRow) {
    SetRowCol(caretRow, ColumnOfByte(list_->ListStr(caretRow), newCaretByte, rules));
    InvalidateSelection();
    if (OnSelectionChange) OnSelectionChange(selState_);
    return;
  }
  selState_ = state;
  anchorRow_ = anchorRow;
  if (box) {
    anchorCol_ = std::max(0, oldAnchorCol + colShift);
    anchorByte_ = std::min(ColToByte(anchorRow_, anchorCol_), RowByteLength(anchorRow_));
    SetRowCol(caretRow, std::max(0, oldCaretCol + colShift));
  } else {
    anchorByte_ = std::min(newAnchorByte, RowByteLength(anchorRow_));
    anchorCol_ = ColumnOfByte(list_->ListStr(anchorRow_), anchorByte_, rules);
    // A UTF-8 mark at the row start rides on the inserted space: the anchor
    // goes past that character, as the caret does.
    anchorByte_ = std::min(ColToByte(anchorRow_, anchorCol_), RowByteLength(anchorRow_));
    SetRowCol(caretRow, ColumnOfByte(list_->ListStr(caretRow), newCaretByte, rules));
  }
  UpdateSelection();
}

// ---------------------------------------------------------------- marks

void TEditor::PutRowMark(int Row, TRowMark Mark) {
  const TRowMarks bit = RowMarkBit(Mark);
  const int count = list_->Count();
  if (Mark <= rm9) {
    for (int r = 0; r < count; ++r) {
      const TRowMarks m = list_->RowMarks(r);
      if (m & bit) {
        list_->SetListRowMarks(r, static_cast<TRowMarks>(m & ~bit));
        InvalidateRow(r, r);
        break;
      }
    }
  }
  if (Row >= 0 && Row < count) {
    list_->SetListRowMarks(Row, static_cast<TRowMarks>(list_->RowMarks(Row) | bit));
    InvalidateRow(Row, Row);
  }
}

void TEditor::DeleteRowMark(int Row, TRowMark Mark) {
  if (Row < 0 || Row >= list_->Count()) return;
  list_->SetListRowMarks(Row, static_cast<TRowMarks>(list_->RowMarks(Row) & ~RowMarkBit(Mark)));
  InvalidateRow(Row, Row);
}

void TEditor::GotoRowMark(TRowMark Mark) {
  const TRowMarks bit = RowMarkBit(Mark);
  for (int r = 0; r < list_->Count(); ++r) {
    if (!(list_->RowMarks(r) & bit)) continue;
    CaretScope scope(*this);
    if (r < topRow_ || r >= topRow_ + rowCount_) SetTopRow(r - rowCount_ / 2);
    SetRow(r);
    return;
  }
}

void TEditor::DeleteRow(int Row) {
  if (readOnly_ || Row < 0 || Row >= list_->Count()) return;
  CaretScope scope(*this);
  UnderlineScope underline(*this);
  CleanSelection();
  list_->UpdateList(Row, 1, "");
  const int count = list_->Count();
  if (Row > 0 && Row == count && list_->Rows(count - 1) == raEof)
    SetRowCol(Row - 1, ExpandListLength(Row - 1));
  else
    SetRowCol(Row, 0);
}

// ---------------------------------------------------------------- positions

void TEditor::PosToRowCol(int X, int Y, int& Col, int& Row, bool Nearest) const {
  const int left = LeftMargin();
  if (X < left) X -= colWidth_;
  const int dx = X - left + (Nearest ? colWidth_ / 2 - 1 : 0);
  Col = std::max(0, dx / colWidth_ + topCol_);
  Row = (Y - TopMargin()) / GetRowHeight() + topRow_;
}

int TEditor::ColToChar(int Row, int Col) const {
  if (Row < 0 || Row > list_->Count() || Col < 0) return -1;
  int index = std::min(ColToByte(Row, Col), RowByteLength(Row));
  for (int r = Row - 1; r >= 0 && list_->Rows(r) == raWrapped; --r) index += RowByteLength(r);
  return index;
}

bool TEditor::ListInfoFromPos(TPoint P, TEditorStrInfo& Info) const {
  Info = TEditorStrInfo{};
  if (list_->Count() == 0 || colWidth_ <= 0 || P.X < LeftMargin() || P.Y < TopMargin()) return false;
  int col = 0, row = 0;
  PosToRowCol(P.X, P.Y, col, row, true);
  if (row < 0 || row > list_->Count()) return false;
  Info.Line = row;
  if (col >= ExpandListLength(row)) return false;
  Info.CharIndex = std::min(ColToByte(row, col), RowByteLength(row));
  return true;
}

bool TEditor::StrInfoFromPos(TPoint P, TEditorStrInfo& Info) const {
  Info = TEditorStrInfo{};
  int col = 0, row = 0;
  PosToRowCol(P.X, P.Y, col, row, true);
  const int count = list_->Count();
  if (row < 0 || row > count) return false;
  Info.Line = row < count ? list_->RowToLines(row) : (count == 0 ? 0 : list_->RowToLines(count - 1) + 1);
  Info.CharIndex = ColToChar(row, col);
  return true;
}

int TEditor::CharFromPos(TPoint P) const {
  TEditorStrInfo info;
  if (!ListInfoFromPos(P, info)) return -1;
  int index = 0;
  for (int r = 0; r < info.Line; ++r) index += RowByteLength(r) + (list_->Rows(r) == raCrlf ? 2 : 0);
  return index + info.CharIndex;
}

}  // namespace tolvan
