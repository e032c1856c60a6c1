// The edit-control messages, so code written for plain edit boxes can drive
// the control. Pointers travel in the parameters as plain addresses.
#include <algorithm>
#include <cstring>

#include "editor/control/editor.h"
#include "editor/control/editor_scopes.h"

namespace tolvan {

namespace {
int Extra(TRowAttribute a) { return a == raCrlf ? 2 : a == raEof ? 1 : 0; }
}  // namespace

// The row that holds character Index; RestBytes gets the bytes left on it.
int TEditor::LineFromChar(int Index, int* RestBytes) const {
  const int count = list_->Count();
  int rest = std::max(0, Index);
  for (int r = 0; r < count; ++r) {
    const TRowAttribute a = list_->Rows(r);
    const int len = RowByteLength(r);
    if (rest < len + Extra(a) || a == raEof || (a != raCrlf && r == count - 1)) {
      if (RestBytes) *RestBytes = std::min(rest, len);
      return r;
    }
    rest -= len + Extra(a);
  }
  if (RestBytes) *RestBytes = 0;
  return count;
}

std::intptr_t TEditor::Perform(unsigned Msg, std::intptr_t WParam, std::intptr_t LParam) {
  const int count = list_->Count();
  switch (Msg) {
    case EM_CANUNDO:
      return !readOnly_ && CanUndo() ? 1 : 0;
    case EM_UNDO:
      if (readOnly_ || !CanUndo()) return 0;
      Undo();
      return 1;
    case EM_EMPTYUNDOBUFFER:
      if (!readOnly_) list_->UndoObj().Clear();
      return 0;
    case EM_GETMODIFY:
      return modified_ ? 1 : 0;
    case EM_SETMODIFY:
      if (!readOnly_) modified_ = WParam != 0;
      return 0;
    case EM_CHARFROMPOS: {
      const int x = static_cast<std::int16_t>(LoWord(LParam));
      const int y = static_cast<std::int16_t>(HiWord(LParam));
      if (x < 0 || y < 0 || x >= platform_.ClientWidth() || y >= platform_.ClientHeight()) return -1;
      int col = 0, row = 0;
      PosToRowCol(x, y, col, row, true);
      row = std::max(0, std::min(row, count));
      const int b = std::min(ColToByte(row, col), RowByteLength(row));
      int index = 0;
      for (int r = 0; r < row; ++r) index += RowByteLength(r) + (list_->Rows(r) == raCrlf ? 2 : 0);
      return MakeLong(index + b, row);
    }
    case EM_GETFIRSTVISIBLELINE:
      return topRow_;
    case EM_GETLINE: {
      const int row = static_cast<int>(WParam);
      char* buffer = reinterpret_cast<char*>(LParam);
      if (row < 0 || row >= count || !buffer) return 0;
      std::uint16_t size = 0;
      std::memcpy(&size, buffer, sizeof size);
      const std::string_view s = list_->ListStr(row);
      const int n = std::min(static_cast<int>(size), static_cast<int>(s.size()));
      if (n > 0) std::memcpy(buffer, s.data(), static_cast<std::size_t>(n));
      return n;
    }
    case EM_GETLINECOUNT:
      return count;
    case EM_GETSEL: {
      // The message's positions are 32-bit.
      const auto start = static_cast<std::int32_t>(SelStart());
      const auto end = static_cast<std::int32_t>(SelStart() + SelLength());
      if (WParam) *reinterpret_cast<std::int32_t*>(WParam) = start;
      if (LParam) *reinterpret_cast<std::int32_t*>(LParam) = end;
      return MakeLong(start, end);
    }
    case EM_LINEFROMCHAR:
      if (static_cast<int>(WParam) == -1) return HasSelectionData() ? selStr_.Sr : row_;
      return LineFromChar(static_cast<int>(WParam), nullptr);
    case EM_LINEINDEX: {
      const int row = static_cast<int>(WParam) == -1 ? row_ : static_cast<int>(WParam);
      if (row < 0 || row >= count) return -1;
      int index = 0;
      for (int r = 0; r < row; ++r) index += RowByteLength(r) + Extra(list_->Rows(r));
      return index;
    }
    case EM_LINELENGTH: {
      if (static_cast<int>(WParam) == -1) {
        if (HasSelectionData() && selStr_.Er < count)
          return RowByteLength(selStr_.Er) + selStr_.Sc - selStr_.Ec - 1;
        return row_ < count ? RowByteLength(row_) : 0;
      }
      const int row = LineFromChar(static_cast<int>(WParam), nullptr);
      return row < count ? RowByteLength(row) : 0;
    }
    case EM_POSFROMCHAR: {
      int rest = 0;
      const int row = LineFromChar(static_cast<int>(WParam), &rest);
      const int col = ColumnOfByte(list_->ListStr(row), rest, ColumnRules());
      return MakeLong(LeftMargin() + (col - topCol_) * colWidth_, (row - topRow_) * GetRowHeight() + TopMargin());
    }
    case EM_REPLACESEL:
      if (!readOnly_ && LParam) SetSelTextBuf(reinterpret_cast<const char*>(LParam));
      return 0;
    case EM_SCROLLCARET: {
      CaretScope scope(*this);
      if (row_ < topRow_ || row_ >= topRow_ + rowCount_) SetTopRow(row_ - rowCount_ / 3);
      if (col_ < topCol_ || col_ >= topCol_ + colCount_) SetTopCol(col_ - colCount_ / 3);
      return 1;
    }
    case EM_SETREADONLY:
      if (dragState_ != sdNone) return 0;
      readOnly_ = WParam != 0;
      return 1;
    case EM_SETSEL: {
      const int start = static_cast<int>(WParam), end = static_cast<int>(LParam);
      if (start == 0 && end == -1) {
        SelectAll();
      } else if (start == -1) {
        CleanSelection();
      } else {
        CaretScope scope(*this);
        SetSelStart(std::min(start, end));
        SetSelLength(std::max(start, end) - std::min(start, end));
      }
      return 0;
    }
    case WM_CLEAR:
      if (!readOnly_) DeleteSelection();
      return 0;
    case WM_COPY:
      if (Selected())
        CopyToClipboard();
      else
        platform_.WriteClipboard("", false);
      return 0;
    case WM_CUT:
      if (readOnly_ || !Selected())
        platform_.WriteClipboard("", false);
      else
        CutToClipboard();
      return 0;
    case WM_PASTE:
      if (!readOnly_) PasteFromClipboard();
      return 0;
    case WM_GETTEXT: {
      const int size = static_cast<int>(WParam);
      char* buffer = reinterpret_cast<char*>(LParam);
      if (!buffer || size <= 0) return 0;
      const std::string text = list_->ListToStr();
      const int n = std::min(static_cast<int>(text.size()), size - 1);
      std::memcpy(buffer, text.data(), static_cast<std::size_t>(n));
      buffer[n] = '\0';
      return n;
    }
    case WM_GETTEXTLENGTH:
      return TextLength();
    case WM_SETTEXT:
      if (readOnly_) return 0;
      CleanSelection();
      lines_->SetTextStr(LParam ? reinterpret_cast<const char*>(LParam) : "");
      return 1;
    default:
      return 0;
  }
}

}  // namespace tolvan
