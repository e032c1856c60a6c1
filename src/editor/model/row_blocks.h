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
#include <utility>
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

  TRowEntry() = default;

 private:
  friend class TRowBlocks;
  TRowEntry(std::uint32_t off, std::uint32_t len) : off_(off), len_(len) {}
  std::uint32_t off_ = 0;  // into the block's text
  std::uint32_t len_ = 0;
};

// A block's own text: a growable byte buffer (no terminator, and no
// zero-filling when it grows).
class TTextBuffer {
 public:
  const char* data() const { return p_.get(); }
  char* data() { return p_.get(); }
  std::size_t size() const { return size_; }
  std::size_t capacity() const { return cap_; }
  bool empty() const { return size_ == 0; }
  void reserve(std::size_t n) {
    if (n > cap_) Realloc(n);
  }
  void append(std::string_view s);
  void shrink_to_fit() {
    if (cap_ > size_) Realloc(size_);
  }
  void release() {
    p_.reset();
    size_ = cap_ = 0;
  }
  void swap(TTextBuffer& o) noexcept {
    p_.swap(o.p_);
    std::swap(size_, o.size_);
    std::swap(cap_, o.cap_);
  }

 private:
  void Realloc(std::size_t n);
  std::unique_ptr<char[]> p_;
  std::size_t size_ = 0;
  std::size_t cap_ = 0;
};

// A row's place in a span of text handed to AppendShared.
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

  // Rows before index whose Item has its two low bits clear (the rows that
  // end a line). Counts are kept per block and redone only for blocks
  // changed since, so a query costs the number of blocks plus one block.
  int CountLineEndsBefore(int index) const;

  // Calls fn(entry) for rows index .. index + n - 1, a block at a time.
  template <class Fn>
  void ForEach(int index, int n, Fn fn) {
    if (n <= 0) return;
    std::size_t b;
    int o;
    Locate(index, b, o);
    while (n > 0 && b < blocks_.size()) {
      blocks_[b]->lineEnds = -1;
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
  // Appends n (<= kBlockRows) rows as one new block, their fields zero: row
  // i is [base + spans[i].Off, + spans[i].Len), inside a buffer that owner
  // keeps alive. The block reads its text from there until its first
  // change, then copies its rows into a buffer of its own.
  void AppendShared(std::shared_ptr<const char> owner, const char* base, std::size_t size,
                    const TRowSpan* spans, int n);

 private:
  struct Block {
    std::vector<TRowEntry> rows;
    TTextBuffer text;
    std::size_t live = 0;  // bytes of text that rows use
    // While set, the rows' text is in [base, base + shared) of owner's buffer.
    std::shared_ptr<const char> owner;
    const char* base = nullptr;
    std::size_t shared = 0;
    // Rows ending a line, or -1 when the rows' fields may have changed.
    mutable int lineEnds = -1;
  };
  static const char* Base(const Block& b) { return b.owner ? b.base : b.text.data(); }
  static bool Inside(const Block& b, std::string_view s) {
    const char* p = Base(b);
    const std::size_t n = b.owner ? b.shared : b.text.size();
    return n > 0 && s.data() >= p && s.data() < p + n;
  }
  static void Unshare(Block& b);
  void Locate(int index, std::size_t& block, int& offset) const;
  void UpdateStarts() const;
  void MarkDirty(std::size_t block) {
    if (block < blocks_.size()) blocks_[block]->lineEnds = -1;
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
