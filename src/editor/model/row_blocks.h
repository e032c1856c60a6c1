// The row container behind every string list of the editor: rows kept in
// blocks of at most kBlockRows entries, so an edit moves the rows of one block
// and a few block pointers, never the whole text.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tolvan {

// Fields that most rows never use live behind one pointer.
struct TRowExtra {
  std::string DataStr;
  void* Data = nullptr;
};

struct TRowEntry {
  std::string String;
  std::unique_ptr<TRowExtra> Extra;
  std::uint32_t Item = 0;
  std::uint32_t Item2 = 0;
};

class TRowBlocks {
 public:
  static constexpr int kBlockRows = 1024;

  int Count() const { return count_; }
  TRowEntry& At(int index);
  const TRowEntry& At(int index) const;

  // Opens n fresh (all-zero) entries before index (0..Count).
  void Insert(int index, int n);
  // Removes n entries from index.
  void Erase(int index, int n);
  // Grows or shrinks at the end.
  void Resize(int n);
  void Clear();
  void Swap(TRowBlocks& other) noexcept;

  // Appends one entry at the end (used while building a list front to back).
  void PushBack(TRowEntry&& e);

 private:
  using Block = std::vector<TRowEntry>;
  void Locate(int index, std::size_t& block, int& offset) const;
  void UpdateStarts() const;
  void MarkDirty(std::size_t block) {
    if (block < dirty_) dirty_ = block;
    cache_ = 0;
    cacheValid_ = false;
  }
  void MergeAround(std::size_t block);

  std::vector<std::unique_ptr<Block>> blocks_;
  mutable std::vector<int> starts_;
  mutable std::size_t dirty_ = 0;  // starts_ valid below this block
  mutable std::size_t cache_ = 0;
  mutable bool cacheValid_ = false;
  int count_ = 0;
};

}  // namespace tolvan
