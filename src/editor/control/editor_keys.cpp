// Keys and typing: navigation, Delete, Backspace, Tab, Enter, characters,
// input-method strings and putting a string into the row at the caret.
#include <algorithm>

#include "core/codepage.h"
#include "editor/control/editor.h"
#include "editor/control/editor_scopes.h"

namespace tolvan {

namespace {
bool IsNavigation(TEditorKey k) {
  return k == ekPageUp || k == ekPageDown || k == ekEnd || k == ekHome || k == ekLeft || k == ekUp ||
         k == ekRight || k == ekDown;
}
std::string CrlfOf(const TEditorScreenStrings& list, int row) {
  std::string s;
  list.CheckCrlf(row, s);
  return s;
}
}  // namespace

void TEditor::ClearHit() {
  if (selState_ == sstHitSelected) CleanSelection();
}

void TEditor::KeyDown(TEditorKey Key, TShiftState Shift, bool Repeat) {
  repeat_ = Repeat;
  if (dragState_ == sdDragging) {
    if (Key == ekEscape) CancelSelDrag();
    else if (Key == ekControl) SetCursorState(mcDraggingCopy);
    return;
  }
  if (IsNavigation(Key)) {
    KeyNavigate(Key, Shift, Repeat);
  } else if (Key == ekDelete) {
    if (!readOnly_) DeleteKey();
  }
}

void TEditor::KeyUp(TEditorKey Key, TShiftState) {
  repeat_ = false;
  if (dragState_ == sdDragging && Key == ekControl) SetCursorState(mcDragging);
  if (compositionPending_) MoveCompositionWindow();
}

void TEditor::KeyNavigate(TEditorKey Key, TShiftState Shift, bool Repeat) {
  const bool shift = Shift & kShift;
  const bool ctrl = Shift & kCtrl;
  CaretScope scope(*this);
  UnderlineScope underline(*this);
  if (shift) {
    if (selState_ != sstSelected && selState_ != sstInit) InitSelection();
  } else if (selState_ != sstNone) {
    CleanSelection();
  }
  const int count = list_->Count();
  switch (Key) {
    case ekPageUp:
    case ekPageDown: {
      const int range = Repeat ? speed_->PageVerticalRangeAc() : speed_->PageVerticalRange();
      const int n = std::max(1, ((rowCount_ - 1) / 2) * range);
      if (Key == ekPageUp && topRow_ == 0) {
        SetRow(0);
        break;
      }
      if (Key == ekPageDown && topRow_ == count - 1 && count > 0 && list_->Rows(count - 1) == raEof) break;
      const int before = topRow_;
      SetTopRow(Key == ekPageUp ? topRow_ - n : topRow_ + n);
      SetRow(row_ + (topRow_ - before));
      break;
    }
    case ekHome:
      if (ctrl) SetRow(0);
      SetCol(0);
      break;
    case ekEnd:
      if (ctrl) SetRow(count);
      SetCol(row_ >= list_->Count() ? 0 : ExpandListLength(row_));
      break;
    case ekLeft:
      if (ctrl) {
        int r = row_, c = col_;
        FindNextWordStart(r, c, false);
      } else if (col_ > 0) {
        SetCol(col_ - 1);
      } else if (row_ > 0 && (caret_->NextLine() || list_->Rows(row_ - 1) == raWrapped)) {
        SetRowCol(row_ - 1, ExpandListLength(row_ - 1));
      }
      break;
    case ekRight:
      if (ctrl) {
        int r = row_, c = col_;
        FindNextWordStart(r, c, true);
      } else {
        const int before = col_;
        SetCol(col_ + 1);
        if (col_ == before && row_ < count && list_->Rows(row_) != raEof &&
            (caret_->NextLine() || list_->Rows(row_) == raWrapped))
          SetRowCol(row_ + 1, 0);
      }
      break;
    case ekUp:
      if (row_ > 0) {
        const int step = Repeat && row_ == topRow_ ? speed_->CaretVerticalAc() : 1;
        if (ctrl) {
          SetTopRow(topRow_ - step);
          if (row_ > topRow_ + rowCount_ - 1) SetRow(row_ - step);
        } else {
          SetRow(row_ - step);
        }
      }
      break;
    case ekDown: {
      const int step = Repeat && row_ == topRow_ + rowCount_ - 1 ? speed_->CaretVerticalAc() : 1;
      if (ctrl) {
        SetTopRow(topRow_ + step);
        if (row_ < topRow_) SetRow(row_ + step);
      } else if (row_ < count && list_->Rows(row_) != raEof) {
        SetRow(row_ + step);
      }
      break;
    }
    default:
      break;
  }
  if (shift) SetSelection();
}

void TEditor::DeleteKey() {
  if (Selected()) {
    DeleteSelection();
    return;
  }
  ClearHit();
  const int count = list_->Count();
  if (row_ < 0 || row_ >= count) return;
  const std::string text(list_->ListStr(row_));
  const int b = ColToByte(row_, col_);
  const int from = RowIndex(row_);
  const std::int64_t index = GetSelIndex(from, row_, col_);
  CaretScope scope(*this);
  UnderlineScope underline(*this);
  if (b < static_cast<int>(text.size())) {
    const std::size_t n = CharLength(list_->Encoding(), text, static_cast<std::size_t>(b));
    std::string s = text.substr(0, static_cast<std::size_t>(b)) + text.substr(static_cast<std::size_t>(b) + n);
    s += CrlfOf(*list_, row_);
    list_->UpdateList(row_, 1, s);
    SetSelIndex(from, index);
    return;
  }
  if (list_->Rows(row_) == raEof) return;
  std::string s = text + std::string(static_cast<std::size_t>(b) - text.size(), ' ');
  if (row_ + 1 < count) {
    s += list_->ListStr(row_ + 1);
    s += CrlfOf(*list_, row_ + 1);
    list_->UpdateList(row_, 2, s);
  } else {
    list_->UpdateList(row_, 1, s);
  }
  SetSelIndex(from, index);
}

void TEditor::BackSpace() {
  if (Selected()) {
    DeleteSelection();
    return;
  }
  const int count = list_->Count();
  if (count == 0) {
    SetCol(col_ - 1);
    return;
  }
  ClearHit();
  const TColumnRules rules = ColumnRules();
  const std::string text(list_->ListStr(row_));
  const int len = static_cast<int>(text.size());
  const int b = ColToByte(row_, col_);
  CaretScope scope(*this);
  UnderlineScope underline(*this);
  if (b > 0 && caret_->BackSpaceUnIndent() && !text.empty()) {
    const int indent = TabbedTopSpace(text, rules);
    const bool blank = indent == ExpandTabLength(text, rules);
    if (blank || col_ == indent) {
      // Back to the indentation of the nearest row above that is indented less.
      int n = 0;
      bool sameLine = true;
      for (int r = row_ - 1; r >= 0; --r) {
        if (list_->Rows(r) != raWrapped) sameLine = false;
        std::string_view t = list_->ListStr(r);
        const int ind = t.empty() ? 0 : std::max(0, TabbedTopSpace(t, rules));
        if (sameLine && ind == 0) continue;
        if (ind < col_) {
          n = ind;
          break;
        }
      }
      if (n < ExpandTabLength(text, rules)) {
        std::size_t i = 0;
        int c = 0;
        while (i < text.size()) {
          const TCharStep step = text[i] == '\t' ? TCharStep{1, TabWidthAt(c, rules)} : CharStepAt(text, i, rules);
          if (c + step.Cols > n) break;
          c += step.Cols;
          i += static_cast<std::size_t>(step.Bytes);
        }
        const int from = RowIndex(row_);
        const std::int64_t rowIndex = GetSelIndex(from, row_, 0);
        std::string s = text.substr(0, i) + std::string(static_cast<std::size_t>(n - c), ' ');
        const int caretByte = static_cast<int>(s.size());
        s += text.substr(std::min(static_cast<std::size_t>(b), text.size()));
        s += CrlfOf(*list_, row_);
        list_->UpdateList(row_, 1, s);
        SetSelIndex(from, rowIndex + caretByte);
      } else {
        SetCol(n);
      }
      return;
    }
  }
  if (b > len) {
    SetCol(col_ - 1);
    return;
  }
  if (b > 0) {
    const std::string a = StrToAttributes(text, rules);
    const bool inFill = col_ < static_cast<int>(a.size()) && a[static_cast<std::size_t>(col_)] == '3';
    const std::size_t start =
        inFill ? static_cast<std::size_t>(b) : PrevChar(rules.Encoding, text, static_cast<std::size_t>(b));
    const std::size_t n = inFill ? 1 : static_cast<std::size_t>(b) - start;
    const int from = RowIndex(row_);
    const std::int64_t rowIndex = GetSelIndex(from, row_, 0);
    std::string s = text.substr(0, start) + text.substr(start + n) + CrlfOf(*list_, row_);
    list_->UpdateList(row_, 1, s);
    SetSelIndex(from, rowIndex + static_cast<int>(start));
    return;
  }
  if (row_ == 0) return;
  const int prev = row_ - 1;
  const std::string above(list_->ListStr(prev));
  const int from = RowIndex(prev);
  const std::int64_t prevIndex = GetSelIndex(from, prev, 0);
  if (list_->Rows(prev) == raWrapped) {
    const std::size_t start = above.empty() ? 0 : PrevChar(list_->Encoding(), above, above.size());
    list_->UpdateList(prev, 1, above.substr(0, start));
    SetSelIndex(from, prevIndex + static_cast<int>(start));
  } else if (row_ >= count) {
    list_->UpdateList(prev, 1, above);
    SetSelIndex(from, prevIndex + static_cast<int>(above.size()));
  } else {
    std::string s = above + text + CrlfOf(*list_, row_);
    list_->UpdateList(prev, 2, s);
    SetSelIndex(from, prevIndex + static_cast<int>(above.size()));
  }
}

void TEditor::TabKey() {
  const int tabs = caret_->TabSpaceCount();
  int w = tabs - col_ % tabs;
  if (list_->WordWrap()) {
    const int wrap = list_->WrapOption().WrapByte();
    w = std::min(w, wrap - col_ % wrap);
  }
  if (overWrite_)
    SetCol(col_ + w);
  else if (caret_->SoftTab())
    PutStringToLine(std::string(static_cast<std::size_t>(w), ' '));
  else
    PutStringToLine("\t");
}

void TEditor::EnterKey(TShiftState Shift) {
  const bool shift = Shift & kShift;
  CaretScope scope(*this);
  UnderlineScope underline(*this);
  if (Selected()) {
    if (shift) return;
    DeleteSelection();
  }
  ClearHit();
  const int count = list_->Count();
  if (row_ >= count) {
    list_->UpdateList(list_->Count(), 0, "\r\n");
    SetRowCol(list_->Count(), 0);
    return;
  }
  if (overWrite_) {
    SetRowCol(row_ + 1, 0);
    return;
  }
  const TColumnRules rules = ColumnRules();
  const int tabs = caret_->TabSpaceCount();
  int indent = 0;
  const int first = list_->RowStart(row_);
  if (caret_->AutoIndent()) {
    const int e = TabbedTopSpace(list_->ListStr(first), rules);
    if (e > 0)
      indent = row_ == first ? std::min(col_, e) : e;
    else if (caret_->PrevSpaceIndent() && row_ == first && list_->ListStr(row_).empty())
      indent = std::max(0, PrevTopSpace(row_));
  }
  const std::string indentText =
      caret_->TabIndent()
          ? std::string(static_cast<std::size_t>(indent / tabs), '\t') +
                std::string(static_cast<std::size_t>(indent % tabs), ' ')
          : std::string(static_cast<std::size_t>(indent), ' ');
  if (shift) {
    const int from = RowIndex(first);
    const std::int64_t index = GetSelIndex(from, first, 0);
    list_->UpdateList(first, 0, indentText + "\r\n");
    SetSelIndex(from, index + static_cast<int>(indentText.size()));
    return;
  }
  const std::string text(list_->ListStr(row_));
  const std::size_t b = std::min(static_cast<std::size_t>(ColToByte(row_, col_)), text.size());
  const int from = RowIndex(row_);
  const std::int64_t rowIndex = GetSelIndex(from, row_, 0);
  std::string s = text.substr(0, b) + "\r\n" + indentText + text.substr(b) + CrlfOf(*list_, row_);
  list_->UpdateList(row_, 1, s);
  SetSelIndex(from, rowIndex + static_cast<int>(b + 2 + indentText.size()));
}

void TEditor::CharInput(std::string_view Ch, TShiftState Shift) {
  if (Ch.empty() || dragState_ == sdDragging) return;
  const unsigned char c = static_cast<unsigned char>(Ch[0]);
  if (list_->Encoding() == TextEncoding::Utf8 && c >= 0x20 && c != 0x7F) {
    // One character with the marks that ride on it; a stray byte is dropped.
    if (c >= 0x80 && !Utf8Rules::IsValidChar(Ch, 0)) return;
    const std::size_t n = Utf8Rules::CharLength(Ch, 0);
    if (imeCount_ > 0) {
      imeCount_ = std::max(0, imeCount_ - static_cast<int>(n));
      return;
    }
    if (!readOnly_) InsertChar(Ch.substr(0, n));
    return;
  }
  if (Ch.size() >= 2 && cp932::IsLeadByte(c)) {
    const unsigned char t = static_cast<unsigned char>(Ch[1]);
    if (t < 0x40) return;
    if (imeCount_ > 0) {
      imeCount_ = std::max(0, imeCount_ - 2);
      return;
    }
    if (!readOnly_) InsertChar(Ch.substr(0, 2));
    return;
  }
  if (cp932::IsLeadByte(c)) return;  // a lead byte without its trail
  switch (c) {
    case 8:
      if (!readOnly_) BackSpace();
      return;
    case 9:
      if (!(Shift & (kShift | kCtrl)) && !readOnly_ && wantTabs_) TabKey();
      return;
    case 13:
      if (!readOnly_) EnterKey(Shift);
      return;
    default:
      break;
  }
  if ((c >= 0x20 && c <= 0x7E) || c >= 0xA0) {
    if (imeCount_ > 0) {
      --imeCount_;
      return;
    }
    if (!readOnly_) InsertChar(Ch.substr(0, 1));
  }
}

void TEditor::CharBytes(std::string_view Bytes, TShiftState Shift) {
  std::size_t i = 0;
  if (list_->Encoding() == TextEncoding::Utf8) {
    while (i < Bytes.size()) {
      // Characters given at once go in at once: one at a time, a mark at
      // the caret would join the first and the rest would land after it.
      std::size_t j = i;
      while (j < Bytes.size() && imeCount_ == 0 && !readOnly_ && dragState_ != sdDragging) {
        const unsigned char c = static_cast<unsigned char>(Bytes[j]);
        if (c < 0x20 || c == 0x7F || (c >= 0x80 && !Utf8Rules::IsValidChar(Bytes, j))) break;
        j += Utf8Rules::CharLength(Bytes, j);
      }
      if (j > i) {
        InsertChar(Bytes.substr(i, j - i));
        i = j;
        continue;
      }
      const std::size_t n = Utf8Rules::CharLength(Bytes, i);
      CharInput(Bytes.substr(i, n), Shift);
      i += n;
    }
    return;
  }
  while (i < Bytes.size()) {
    const unsigned char c = static_cast<unsigned char>(Bytes[i]);
    if (cp932::IsLeadByte(c)) {
      if (i + 1 < Bytes.size() && static_cast<unsigned char>(Bytes[i + 1]) >= 0x40) {
        CharInput(Bytes.substr(i, 2), Shift);
        i += 2;
      } else {
        ++i;  // dropped
      }
      continue;
    }
    CharInput(Bytes.substr(i, 1), Shift);
    ++i;
  }
}

void TEditor::InsertChar(std::string_view S) {
  if (compositionPending_) MoveCompositionWindow();
  PutStringToLine(S);
}

void TEditor::ImeResult(std::string_view S, bool Echoed) {
  if (readOnly_ || S.empty() || dragState_ == sdDragging) return;
  imeCount_ = Echoed ? static_cast<int>(S.size()) : 0;
  PutStringToLine(S);
}

void TEditor::PutStringToLine(std::string_view S) {
  if (S.empty() || readOnly_) return;
  CaretScope scope(*this);
  UnderlineScope underline(*this);
  DropOutsideSelection();
  if (Selected()) {
    ReplaceSelection(S);
    return;
  }
  ClearHit();
  const int count = list_->Count();
  const std::string text(list_->ListStr(row_));
  const std::size_t b = static_cast<std::size_t>(ColToByte(row_, col_));
  const int from = RowIndex(row_);
  const std::int64_t index = GetSelIndex(from, row_, 0) + static_cast<std::int64_t>(b) + StoredIndexLength(S, list_->OwnLineEnd().has_value());
  std::string s;
  int rows = row_ < count ? 1 : 0;
  if (b >= text.size()) {
    s = text + std::string(b - text.size(), ' ') + std::string(S) + CrlfOf(*list_, row_);
  } else if (overWrite_) {
    // The cover may run on into the wrapped rows of the same line.
    const int last = list_->RowEnd(row_);
    std::string line;
    for (int r = row_; r <= last; ++r) line += list_->ListStr(r);
    const TColumnRules rules = ColumnRules();
    const int endCol = col_ + static_cast<int>(DisplayWidth(rules.Encoding, S));
    std::size_t i = 0;
    int c = 0;
    while (i < line.size() && c < endCol) {
      const TCharStep step = line[i] == '\t' ? TCharStep{1, TabWidthAt(c, rules)} : CharStepAt(line, i, rules);
      c += step.Cols;
      i += static_cast<std::size_t>(step.Bytes);
    }
    s = text.substr(0, b) + std::string(S) + std::string(static_cast<std::size_t>(std::max(0, c - endCol)), ' ') +
        line.substr(i) + CrlfOf(*list_, last);
    rows = last - row_ + 1;
  } else {
    s = text.substr(0, b) + std::string(S) + text.substr(b) + CrlfOf(*list_, row_);
  }
  list_->UpdateList(std::min(row_, count), rows, s);
  SetSelIndex(from, index);
}

}  // namespace tolvan
