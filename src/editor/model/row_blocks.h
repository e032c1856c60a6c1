// The row container behind every string list of the editor: rows kept in
// blocks of at most kBlockRows entries, so an edit moves the rows of one block
// and a few block pointers, never the whole text. A block keeps the text of
// its rows in one buffer, each row an (offset, length) into it: a large text
// costs a few allocations per block instead of one per row.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tolvan {

// Fields that most rows never use live behind one pointer.
struct TRowExtra {
  std::string DataStr;
  void* Data = nullptr;
};

struct TRowEntry {
  std::unique_ptr<TRowExtra> Extra;
  std::uint32_t Item = 0;
  std::uint32_t Item2 = 0;

 private:
  friend class TRowBlocks;
  std::uint32_t off_ = 0;  // into the block's text
  std::uint32_t len_ = 0;
};

// A row's place in a span of text handed to AppendBlock.
struct TRowSpan {
  std::uint32_t Off;
  std::uint32_t Len;
};

class TRowBlocks {
 public:
  static constexpr int kBlockRows = 1024;

  int Count() const { return count_; }
  TRowEntry& At(int index);
  const TRowEntry& At(int index) const;

  // The row's text; valid until the next change of the container.
  std::string_view Text(int index) const;
  // S may point into this container.
  void SetText(int index, std::string_view s);

  // Opens n fresh (all-zero, empty) entries before index (0..Count).
  void Insert(int index, int n);
  // Removes n entries from index.
  void Erase(int index, int n);
  // Grows or shrinks at the end.
  void Resize(int n);
  void Clear();
  void Swap(TRowBlocks& other) noexcept;
  // Exchanges text and fields of two rows.
  void SwapRows(int a, int b);
  // Row index takes the text and fields of src's row srcIndex (which keeps
  // its text but loses its Extra).
  void MoveRowFrom(int index, TRowBlocks& src, int srcIndex);

  // Calls fn(entry) for rows index .. index + n - 1, a block at a time.
  template <class Fn>
  void ForEach(int index, int n, Fn fn) {
    if (n <= 0) return;
    std::size_t b;
    int o;
    Locate(index, b, o);
    while (n > 0 && b < blocks_.size()) {
      auto& rows = blocks_[b]->rows;
      const int k = std::min(n, static_cast<int>(rows.size()) - o);
      for (int i = o; i < o + k; ++i) fn(rows[static_cast<std::size_t>(i)]);
      n -= k;
      o = 0;
      ++b;
    }
  }

  // Appends one row at the end (used while building a list front to back).
  void PushBack(std::string_view s, std::uint32_t item, std::uint32_t item2);
  // Appends n (<= kBlockRows) rows as one new block: row i is
  // text.substr(spans[i].Off, spans[i].Len), its fields zero.
  void AppendBlock(std::string_view text, const TRowSpan* spans, int n);

 private:
  struct Block {
    std::vector<TRowEntry> rows;
    std::string text;
    std::size_t live = 0;  // bytes of text that rows use
  };
  void Locate(int index, std::size_t& block, int& offset) const;
  void UpdateStarts() const;
  void MarkDirty(std::size_t block) {
    if (block < dirty_) dirty_ = block;
    cache_ = 0;
    cacheValid_ = false;
  }
  void MergeAround(std::size_t block);
  static void Compact(Block& b, std::size_t extra);
  static void AppendText(Block& b, TRowEntry& e, std::string_view s);
  static void DropText(Block& b, TRowEntry& e) {
    b.live -= e.len_;
    e.off_ = 0;
    e.len_ = 0;
  }
  static void ShrinkIfSparse(Block& b);

  std::vector<std::unique_ptr<Block>> blocks_;
  mutable std::vector<int> starts_;
  mutable std::size_t dirty_ = 0;  // starts_ valid below this block
  mutable std::size_t cache_ = 0;
  mutable bool cacheValid_ = false;
  int count_ = 0;
};

}  // namespace tolvan
