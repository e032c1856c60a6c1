#include "editor/model/string_list.h"

#include <utility>

namespace tolvan {

EListError::EListError(int index)
    : std::runtime_error("List index out of bounds (" + std::to_string(index) + ")") {}

void TheStringList::CheckIndex(int index) const {
  if (index < 0 || index >= Count()) throw EListError(index);
}

TRowEntry& TheStringList::Entry(int index) {
  CheckIndex(index);
  return rows_.At(index);
}

const TRowEntry& TheStringList::Entry(int index) const {
  CheckIndex(index);
  return rows_.At(index);
}

std::string_view TheStringList::Get(int index) const {
  CheckIndex(index);
  return rows_.Text(index);
}

void TheStringList::Put(int index, std::string_view s) {
  CheckIndex(index);
  Changing();
  rows_.SetText(index, s);
  Changed();
}

void TheStringList::Insert(int index, std::string_view s) {
  if (index < 0 || index > Count()) throw EListError(index);
  Changing();
  // s may be a row of this list, which the insertion can move.
  std::string copy(s);
  rows_.Insert(index, 1);
  rows_.SetText(index, copy);
  Changed();
}

void TheStringList::Delete(int index) {
  CheckIndex(index);
  Changing();
  rows_.Erase(index, 1);
  Changed();
}

void TheStringList::Exchange(int a, int b) {
  CheckIndex(a);
  CheckIndex(b);
  Changing();
  rows_.SwapRows(a, b);
  Changed();
}

void TheStringList::Clear() {
  if (Count() == 0) return;
  Changing();
  rows_.Clear();
  Changed();
}

void* TheStringList::Data(int index) const {
  const TRowEntry& e = Entry(index);
  return e.Extra ? e.Extra->Data : nullptr;
}

void TheStringList::SetData(int index, void* p) {
  TRowEntry& e = Entry(index);
  if (!e.Extra) {
    if (!p) return;
    e.Extra = std::make_unique<TRowExtra>();
  }
  e.Extra->Data = p;
  if (!p && e.Extra->DataStr.empty()) e.Extra.reset();
}

const std::string& TheStringList::DataStr(int index) const {
  static const std::string empty;
  const TRowEntry& e = Entry(index);
  return e.Extra ? e.Extra->DataStr : empty;
}

void TheStringList::SetDataStr(int index, std::string s) {
  TRowEntry& e = Entry(index);
  if (!e.Extra) {
    if (s.empty()) return;
    e.Extra = std::make_unique<TRowExtra>();
  }
  e.Extra->DataStr = std::move(s);
  if (e.Extra->DataStr.empty() && !e.Extra->Data) e.Extra.reset();
}

void TheStringList::SetUpdateState(bool updating) {
  if (updating) {
    Changing();
    ++updateCount_;
  } else {
    if (updateCount_ > 0) --updateCount_;
    Changed();
  }
}

void TheStringList::Changed() {
  if (updateCount_ == 0 && OnChange) OnChange();
}

std::uint32_t TRowAttributeStringList::PackState1(const TRowAttributeData& d) {
  return (static_cast<std::uint32_t>(d.PrevRowAttribute & 3u) << 2) |
         ((static_cast<std::uint32_t>(d.Brackets + 2) & 0xFu) << 4) |
         ((static_cast<std::uint32_t>(d.Elements) & 0xFFu) << 8) |
         ((static_cast<std::uint32_t>(d.WrappedBytes) & 0xFFu) << 16) |
         ((static_cast<std::uint32_t>(d.Remains) & 0xFFu) << 24);
}

std::uint32_t TRowAttributeStringList::PackState2(const TRowAttributeData& d) {
  return static_cast<std::uint32_t>(d.Tokens) | (static_cast<std::uint32_t>(d.PrevTokens) << 8);
}

void TEditorStringList::AddRow(std::string_view s, TRowAttribute rows) { rows_.PushBack(s, rows, 0); }

}  // namespace tolvan
