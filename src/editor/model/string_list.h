// The editor's string lists: rows of text, each with two packed attribute
// words, a string slot and an untyped slot, and a change notification that
// stays silent inside an update.
#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "colouring/row_state.h"
#include "editor/model/row_blocks.h"

namespace tolvan {

// An index outside the list.
class EListError : public std::runtime_error {
 public:
  explicit EListError(int index);
};

class TheStringList {
 public:
  TheStringList() = default;
  virtual ~TheStringList() = default;
  TheStringList(const TheStringList&) = delete;
  TheStringList& operator=(const TheStringList&) = delete;

  int Count() const { return rows_.Count(); }

  // Valid until the next change of the list.
  std::string_view Get(int index) const;
  void Put(int index, std::string_view s);
  void Insert(int index, std::string_view s);
  void Add(std::string_view s) { Insert(Count(), s); }
  void Delete(int index);
  void Exchange(int a, int b);
  virtual void Clear();

  std::uint32_t Item(int index) const { return Entry(index).Item; }
  std::uint32_t Item2(int index) const { return Entry(index).Item2; }
  void SetItem(int index, std::uint32_t v) { Entry(index).Item = v; }
  void SetItem2(int index, std::uint32_t v) { Entry(index).Item2 = v; }
  void* Data(int index) const;
  void SetData(int index, void* p);
  const std::string& DataStr(int index) const;
  void SetDataStr(int index, std::string s);

  // Begin (true) or end (false) an update; only the outermost end notifies.
  virtual void SetUpdateState(bool updating);
  int UpdateCount() const { return updateCount_; }

  std::function<void()> OnChange;

 protected:
  virtual void Changing() {}
  virtual void Changed();

  TRowEntry& Entry(int index);
  const TRowEntry& Entry(int index) const;
  void CheckIndex(int index) const;

  TRowBlocks rows_;
  int updateCount_ = 0;
};

// Named fields over the two attribute words.
class TRowAttributeStringList : public TheStringList {
 public:
  TRowAttribute Rows(int i) const { return static_cast<TRowAttribute>(Item(i) & 3u); }
  void SetRows(int i, TRowAttribute v) { SetBits(i, false, 0, 2, v); }
  TRowAttribute PrevRows(int i) const { return static_cast<TRowAttribute>((Item(i) >> 2) & 3u); }
  void SetPrevRows(int i, TRowAttribute v) { SetBits(i, false, 2, 2, v); }
  int Brackets(int i) const { return static_cast<int>((Item(i) >> 4) & 0xFu) - 2; }
  void SetBrackets(int i, int v) { SetBits(i, false, 4, 4, static_cast<std::uint32_t>(v + 2)); }
  int Elements(int i) const { return static_cast<int>((Item(i) >> 8) & 0xFFu); }
  void SetElements(int i, int v) { SetBits(i, false, 8, 8, static_cast<std::uint32_t>(v)); }
  int WrappedBytes(int i) const { return static_cast<int>((Item(i) >> 16) & 0xFFu); }
  void SetWrappedBytes(int i, int v) { SetBits(i, false, 16, 8, static_cast<std::uint32_t>(v)); }
  int Remains(int i) const { return static_cast<int>(Item(i) >> 24); }
  void SetRemains(int i, int v) { SetBits(i, false, 24, 8, static_cast<std::uint32_t>(v)); }
  int Tokens(int i) const { return static_cast<int>(Item2(i) & 0xFFu); }
  void SetTokens(int i, int v) { SetBits(i, true, 0, 8, static_cast<std::uint32_t>(v)); }
  int PrevTokens(int i) const { return static_cast<int>((Item2(i) >> 8) & 0xFFu); }
  void SetPrevTokens(int i, int v) { SetBits(i, true, 8, 8, static_cast<std::uint32_t>(v)); }
  TRowMarks RowMarks(int i) const { return static_cast<TRowMarks>(Item2(i) >> 16); }
  void SetRowMarks(int i, TRowMarks v) { SetBits(i, true, 16, 16, v); }

  // The tokenizer state fields of a row packed as they are stored (Rows and
  // RowMarks excluded), and the same for a state record.
  static std::uint32_t PackState1(const TRowAttributeData& d);
  static std::uint32_t PackState2(const TRowAttributeData& d);
  static constexpr std::uint32_t kState1Mask = ~3u;
  static constexpr std::uint32_t kState2Mask = 0xFFFFu;

 private:
  void SetBits(int i, bool second, int shift, int width, std::uint32_t v) {
    std::uint32_t mask = (width == 32 ? ~0u : ((1u << width) - 1u)) << shift;
    TRowEntry& e = Entry(i);
    std::uint32_t& w = second ? e.Item2 : e.Item;
    w = (w & ~mask) | ((v << shift) & mask);
  }
};

// The scratch list into which text is cut into rows.
class TEditorStringList : public TRowAttributeStringList {
 public:
  // Appends a row with its end attribute; no notification (scratch use).
  void AddRow(std::string_view s, TRowAttribute rows);
  TRowBlocks& Blocks() { return rows_; }
};

}  // namespace tolvan
