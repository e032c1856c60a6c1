// Re-cutting the whole store when word wrap or its options change.
#include <algorithm>

#include "editor/model/screen_strings.h"

namespace tolvan {

namespace {

// Reads an old row list front to back, dropping rows once they are read so
// that a re-wrap of a large text never holds two copies of it.
class Consumer {
 public:
  explicit Consumer(TRowBlocks& old) : old_(old), n_(old.Count()) {}
  int Count() const { return n_; }
  TRowEntry& At(int r) { return old_.At(r - base_); }
  std::string_view Text(int r) const { return old_.Text(r - base_); }
  TRowAttribute Rows(int r) { return static_cast<TRowAttribute>(At(r).Item & 3u); }
  TRowMarks Marks(int r) { return static_cast<TRowMarks>(At(r).Item2 >> 16); }
  int End(int r) {
    while (r < n_ - 1 && Rows(r) == raWrapped) ++r;
    return r;
  }
  void DoneBefore(int r) {
    if (r - base_ >= TRowBlocks::kBlockRows) {
      old_.Erase(0, r - base_);
      base_ = r;
    }
  }

 private:
  TRowBlocks& old_;
  int n_;
  int base_ = 0;
};

void PushRow(TRowBlocks& rows, std::string_view s, TRowAttribute a, TRowMarks marks) {
  rows.PushBack(s, a, static_cast<std::uint32_t>(marks) << 16);
}

}  // namespace

void TEditorScreenStrings::SetWordWrap(bool Value) {
  if (wordWrap_ == Value) return;
  wordWrap_ = Value;
  if (OwnerLoading()) return;
  Rewrap(Value);
}

void TEditorScreenStrings::SetEncoding(TextEncoding e) {
  if (encoding_ == e) return;
  encoding_ = e;
  // Undo restores rows as they were cut: wrapped cuts of the other encoding
  // could split a character or overrun the wrap width.
  if (wordWrap_) UndoObj().Clear();
  if (OwnerLoading() || Count() == 0) return;
  if (wordWrap_) {
    Rewrap(true);
    return;
  }
  // A selection edge may now stand inside a character, as rewrapping would
  // also drop it.
  ClientsCleanSelection();
  InitBrackets();  // the tokenizer reads characters of the new encoding
  ClientsInitView();
  ClientsAdjustRow();
  ClientsInitCol();
}

TWrapRules TEditorScreenStrings::WrapRules() {
  TEditorClient* c = GetClient();
  return TWrapRules::From(WrapOption(), c ? c->TabSpaceCount() : 8, c ? &c->Delimiters() : nullptr, encoding_);
}

void TEditorScreenStrings::WrapOptionChanged() {
  if (OwnerLoading() || !wordWrap_) return;
  Rewrap(true);
}

void TEditorScreenStrings::Rewrap(bool On) {
  UndoObj().Clear();
  if (On) {
    WrapLines();
  } else {
    StretchLines();
  }
  InitBrackets();
  ClientsInitView();
  ClientsAdjustRow();
  ClientsInitCol();
}

void TEditorScreenStrings::WrapLines() {
  if (Count() == 0 || OwnerLoading()) return;
  ClientsCleanSelection();
  std::function<void()> handler = std::move(OnChange);
  OnChange = nullptr;
  TheStringList::SetUpdateState(true);

  const TWrapRules rules = WrapRules();
  const int W = rules.Columns.WrapByte;
  TRowBlocks old;
  old.Swap(rows_);
  Consumer in(old);
  const TRowAttribute lastAttr = in.Rows(in.Count() - 1);
  std::vector<int> cuts;
  std::vector<TRowMarks> marks;
  std::string line;  // reused: one allocation for the whole pass
  for (int r = 0; r < in.Count();) {
    const int end = in.End(r);
    line.clear();
    marks.clear();
    TRowMarks all = 0;
    for (int k = r; k <= end; ++k) {
      line += in.Text(k);
      marks.push_back(in.Marks(k));
      all = static_cast<TRowMarks>(all | marks.back());
    }
    if (ExpandTabLength(line, rules.Columns) < W) {
      PushRow(rows_, line, raCrlf, all);
    } else {
      cuts.clear();
      CutLine(line, rules, cuts);
      std::size_t pos = 0;
      const std::size_t newRows = cuts.size();
      for (std::size_t i = 0; i < newRows; ++i) {
        TRowMarks m = i < marks.size() ? marks[i] : 0;
        if (i + 1 == newRows)
          for (std::size_t k = newRows; k < marks.size(); ++k) m = static_cast<TRowMarks>(m | marks[k]);
        std::size_t len = static_cast<std::size_t>(cuts[i]);
        PushRow(rows_, std::string_view(line).substr(pos, len), i + 1 < newRows ? raWrapped : raCrlf, m);
        pos += len;
      }
    }
    r = end + 1;
    in.DoneBefore(r);
  }
  TRowEntry& last = rows_.At(rows_.Count() - 1);
  last.Item = (last.Item & ~3u) | lastAttr;
  uncomputedFrom_ = 0;

  TheStringList::SetUpdateState(false);
  OnChange = std::move(handler);
}

void TEditorScreenStrings::StretchLines() {
  if (Count() == 0) return;
  ClientsCleanSelection();
  std::function<void()> handler = std::move(OnChange);
  OnChange = nullptr;
  TheStringList::SetUpdateState(true);

  TRowBlocks old;
  old.Swap(rows_);
  Consumer in(old);
  const TRowAttribute endAttr =
      in.Rows(in.Count() - 1) == raWrapped ? raEof : in.Rows(in.Count() - 1);
  std::string line;
  for (int r = 0; r < in.Count();) {
    const int end = in.End(r);
    line.assign(in.Text(r));
    TRowMarks all = in.Marks(r);
    for (int k = r + 1; k <= end; ++k) {
      line += in.Text(k);
      all = static_cast<TRowMarks>(all | in.Marks(k));
    }
    PushRow(rows_, line, raCrlf, all);
    r = end + 1;
    in.DoneBefore(r);
  }
  TRowEntry& last = rows_.At(rows_.Count() - 1);
  last.Item = (last.Item & ~3u) | endAttr;
  uncomputedFrom_ = 0;

  TheStringList::SetUpdateState(false);
  OnChange = std::move(handler);
}

}  // namespace tolvan
