// Search on the control: the rows are fed to SearchText in chunks of about
// 8 KB that overlap by the rows a match can touch, so every call works on a
// bounded buffer and no match is lost at a chunk edge.
#include <algorithm>
#include <array>
#include <cctype>

#include "editor/control/editor.h"
#include "editor/control/editor_scopes.h"

namespace tolvan {

namespace {
// Bytes that can begin a match of Pattern: its first byte, and without
// sfrMatchCase the other case of an ASCII letter. Null when the options
// change what a first character can look like (full-width equivalence).
bool FirstBytes(std::string_view Pattern, TSearchOptions Options, TextEncoding e, std::array<bool, 256>& set) {
  if (Options & SearchBit(sfrNoMatchZenkaku)) return false;
  const unsigned char c = static_cast<unsigned char>(Pattern[0]);
  // Folded UTF-8 letters may begin with another byte (Cyrillic р and Р).
  if (e == TextEncoding::Utf8 && c >= 0x80 && !(Options & SearchBit(sfrMatchCase))) return false;
  set.fill(false);
  set[c] = true;
  if (!(Options & SearchBit(sfrMatchCase)) && std::isalpha(c) && c < 0x80) {
    set[static_cast<unsigned char>(std::toupper(c))] = true;
    set[static_cast<unsigned char>(std::tolower(c))] = true;
  }
  return true;
}

// The most rows one match can touch: one per line break in the pattern and,
// when line breaks in the text are skipped, one more per gap between two of
// its characters; with word wrap, one per byte the match may cover (a
// wrapped row holds at least one character).
int PatternRows(std::string_view Pattern, TSearchOptions Options, TextEncoding e, bool Wrapped) {
  int rows = 1;
  int chars = 0;
  for (std::size_t i = 0; i < Pattern.size(); i += CharLength(e, Pattern, i)) {
    ++chars;
    if (Pattern[i] == '\r' && i + 1 < Pattern.size() && Pattern[i + 1] == '\n')
      ++i;
    if (Pattern[i] == '\r' || Pattern[i] == '\n') ++rows;
  }
  if (Options & SearchBit(sfrIncludeCRLF)) rows += chars - 1;
  if (Wrapped) rows += 2 * static_cast<int>(Pattern.size());
  return rows;
}

// Most chunks of a long text hold no byte that could start a match; those
// are passed over without the full comparison.
bool MayHold(const std::string& buf, const std::array<bool, 256>& set) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(buf.data());
  const unsigned char* e = p + buf.size();
  for (; p < e; ++p)
    if (set[*p]) return true;
  return false;
}
}  // namespace

bool TEditor::Search(std::string_view Pattern, TSearchOptions Options) {
  const int count = list_->Count();
  if (count == 0 || Pattern.empty()) return false;
  const bool down = Options & SearchBit(sfrDown);
  std::string buf;
  std::array<bool, 256> first{};
  const TextEncoding encoding = list_->Encoding();
  const bool filter = FirstBytes(Pattern, Options, encoding, first);
  // A chunk holds at least that many rows, and the next one starts (or ends)
  // far enough back to hold a match that began in the previous one.
  const int span = PatternRows(Pattern, Options, encoding, list_->WordWrap());
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
      } while (next < count && (buf.size() <= static_cast<std::size_t>(kSearchChunk) || next - r < span));
      info.Start = off;
      info.Length = stepOver;
      if ((!filter || MayHold(buf, first)) && SearchText(buf, info, Pattern, Options, encoding)) {
        chunkFirst = r;
        found = true;
        break;
      }
      if (next >= count) break;
      r = next - r > 1 ? std::max(r + 1, next - std::max(1, span - 1)) : next;
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
      while (top > 0 && (buf.size() <= static_cast<std::size_t>(kSearchChunk) || r - top + 1 < span)) {
        --top;
        std::string row(list_->ListStr(top));
        list_->CheckCrlf(top, row);
        buf.insert(0, row);
        off += static_cast<int>(row.size());
      }
      info.Start = off;
      info.Length = 0;
      if ((!filter || MayHold(buf, first)) && SearchText(buf, info, Pattern, Options, encoding)) {
        chunkFirst = top;
        found = true;
        break;
      }
      if (top == 0) break;
      r = r - top > 0 ? std::min(r - 1, top + std::max(0, span - 2)) : top - 1;
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
