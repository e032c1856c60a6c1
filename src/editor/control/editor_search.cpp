// Search on the control: the rows are fed to SearchText in chunks of about
// 8 KB with one row of overlap, so every call works on a bounded buffer.
#include <algorithm>

#include "editor/control/editor.h"
#include "editor/control/editor_scopes.h"

namespace tolvan {

bool TEditor::Search(std::string_view Pattern, TSearchOptions Options) {
  const int count = list_->Count();
  if (count == 0 || Pattern.empty()) return false;
  const bool down = Options & SearchBit(sfrDown);
  std::string buf;
  TSearchInfo info;
  int chunkFirst = 0;
  bool found = false;
  auto rowLength = [&](int r) { return RowByteLength(r) + (list_->Rows(r) == raCrlf ? 2 : 0); };
  auto appendRow = [&](int r) {
    buf += list_->ListStr(r);
    list_->CheckCrlf(r, buf);
  };
  if (down) {
    int r, off;
    if (HasSelectionData()) {
      r = selStr_.Er;
      off = selStr_.Ec + 1;
    } else {
      r = row_;
      off = std::min(ColToByte(row_, col_), RowByteLength(row_));
    }
    int stepOver = hitStyle_ == hsCaret && selState_ == sstHitSelected ? hitLength_ : 0;
    if (HasSelectionData()) stepOver = 0;
    while (r < count) {
      buf.clear();
      int next = r;
      do {
        appendRow(next++);
      } while (next < count && buf.size() <= static_cast<std::size_t>(kSearchChunk));
      info.Start = off;
      info.Length = stepOver;
      if (SearchText(buf, info, Pattern, Options)) {
        chunkFirst = r;
        found = true;
        break;
      }
      if (next >= count) break;
      r = next - r > 1 ? next - 1 : next;
      off = 0;
      stepOver = 0;
    }
  } else {
    int r, off;
    if (HasSelectionData()) {
      r = selStr_.Sr;
      off = selStr_.Sc;
    } else if (row_ >= count) {
      r = count - 1;
      off = rowLength(r);
    } else {
      r = row_;
      off = std::min(ColToByte(row_, col_), RowByteLength(row_));
    }
    for (;;) {
      buf.clear();
      appendRow(r);
      int top = r;
      while (top > 0 && buf.size() <= static_cast<std::size_t>(kSearchChunk)) {
        --top;
        std::string row(list_->ListStr(top));
        list_->CheckCrlf(top, row);
        buf.insert(0, row);
        off += static_cast<int>(row.size());
      }
      info.Start = off;
      info.Length = 0;
      if (SearchText(buf, info, Pattern, Options)) {
        chunkFirst = top;
        found = true;
        break;
      }
      if (top == 0) break;
      r = r - top > 0 ? top : top - 1;
      off = rowLength(r);
    }
  }
  if (!found) return false;
  CaretScope scope(*this);
  CleanSelection();
  SetSelIndex(chunkFirst, info.Start);
  SetHitSelLength(info.Length);
  Perform(EM_SCROLLCARET);
  return true;
}

}  // namespace tolvan
