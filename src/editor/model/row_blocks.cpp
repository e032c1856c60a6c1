#include "editor/model/row_blocks.h"

#include <algorithm>
#include <iterator>

namespace tolvan {

void TRowBlocks::UpdateStarts() const {
  if (dirty_ >= blocks_.size() && starts_.size() == blocks_.size()) return;
  starts_.resize(blocks_.size());
  std::size_t from = std::min(dirty_, blocks_.size());
  int start = from == 0 ? 0 : starts_[from - 1] + static_cast<int>(blocks_[from - 1]->size());
  for (std::size_t b = from; b < blocks_.size(); ++b) {
    starts_[b] = start;
    start += static_cast<int>(blocks_[b]->size());
  }
  dirty_ = blocks_.size();
}

void TRowBlocks::Locate(int index, std::size_t& block, int& offset) const {
  UpdateStarts();
  // Sequential walks stay in the cached block or step to its neighbour.
  if (cacheValid_ && cache_ < blocks_.size()) {
    int s = starts_[cache_];
    int n = static_cast<int>(blocks_[cache_]->size());
    if (index >= s && index < s + n) {
      block = cache_;
      offset = index - s;
      return;
    }
    if (index == s + n && cache_ + 1 < blocks_.size()) {
      block = ++cache_;
      offset = 0;
      return;
    }
  }
  auto it = std::upper_bound(starts_.begin(), starts_.end(), index);
  block = static_cast<std::size_t>(std::distance(starts_.begin(), it)) - 1;
  offset = index - starts_[block];
  cache_ = block;
  cacheValid_ = true;
}

TRowEntry& TRowBlocks::At(int index) {
  std::size_t b;
  int o;
  Locate(index, b, o);
  return (*blocks_[b])[static_cast<std::size_t>(o)];
}

const TRowEntry& TRowBlocks::At(int index) const {
  std::size_t b;
  int o;
  Locate(index, b, o);
  return (*blocks_[b])[static_cast<std::size_t>(o)];
}

void TRowBlocks::Insert(int index, int n) {
  if (n <= 0) return;
  if (blocks_.empty()) {
    Resize(n);
    return;
  }
  std::size_t b;
  int o;
  if (index == count_) {
    b = blocks_.size() - 1;
    o = static_cast<int>(blocks_[b]->size());
  } else {
    Locate(index, b, o);
  }
  Block& blk = *blocks_[b];
  if (static_cast<int>(blk.size()) + n <= kBlockRows) {
    std::size_t old = blk.size();
    blk.resize(old + static_cast<std::size_t>(n));
    std::rotate(blk.begin() + o, blk.begin() + static_cast<std::ptrdiff_t>(old), blk.end());
    count_ += n;
    MarkDirty(b);
    return;
  }
  // Split the block at the insertion point and put the new rows between.
  auto tail = std::make_unique<Block>();
  tail->reserve(blk.size() - static_cast<std::size_t>(o));
  std::move(blk.begin() + o, blk.end(), std::back_inserter(*tail));
  blk.erase(blk.begin() + o, blk.end());
  std::vector<std::unique_ptr<Block>> fresh;
  int left = n;
  int room = kBlockRows - static_cast<int>(blk.size());
  int take = std::min(room, left);
  blk.resize(blk.size() + static_cast<std::size_t>(take));
  left -= take;
  while (left > 0) {
    int k = std::min(kBlockRows, left);
    auto nb = std::make_unique<Block>();
    nb->resize(static_cast<std::size_t>(k));
    fresh.push_back(std::move(nb));
    left -= k;
  }
  if (!tail->empty()) {
    if (!fresh.empty() && fresh.back()->size() + tail->size() <= kBlockRows) {
      std::move(tail->begin(), tail->end(), std::back_inserter(*fresh.back()));
    } else {
      fresh.push_back(std::move(tail));
    }
  }
  blocks_.insert(blocks_.begin() + static_cast<std::ptrdiff_t>(b) + 1,
                 std::make_move_iterator(fresh.begin()), std::make_move_iterator(fresh.end()));
  count_ += n;
  MarkDirty(b);
}

void TRowBlocks::Erase(int index, int n) {
  if (n <= 0) return;
  std::size_t b;
  int o;
  Locate(index, b, o);
  std::size_t first = b;
  int left = n;
  // First (partial) block.
  {
    Block& blk = *blocks_[b];
    int k = std::min(left, static_cast<int>(blk.size()) - o);
    blk.erase(blk.begin() + o, blk.begin() + o + k);
    left -= k;
    ++b;
  }
  // Whole blocks.
  std::size_t e = b;
  while (e < blocks_.size() && left >= static_cast<int>(blocks_[e]->size())) {
    left -= static_cast<int>(blocks_[e]->size());
    ++e;
  }
  blocks_.erase(blocks_.begin() + static_cast<std::ptrdiff_t>(b),
                blocks_.begin() + static_cast<std::ptrdiff_t>(e));
  if (left > 0) {
    Block& blk = *blocks_[b];
    blk.erase(blk.begin(), blk.begin() + left);
  }
  count_ -= n;
  if (blocks_[first]->empty()) {
    blocks_.erase(blocks_.begin() + static_cast<std::ptrdiff_t>(first));
    if (first > 0) --first;
  }
  MarkDirty(first);
  if (!blocks_.empty()) MergeAround(first);
}

void TRowBlocks::MergeAround(std::size_t block) {
  // Keep blocks from shrinking to slivers after deletions.
  for (std::size_t b = block; b < blocks_.size() && b <= block + 1; ++b) {
    if (b + 1 >= blocks_.size()) break;
    if (blocks_[b]->size() + blocks_[b + 1]->size() <= kBlockRows / 2 + kBlockRows / 4) {
      Block& a = *blocks_[b];
      Block& c = *blocks_[b + 1];
      std::move(c.begin(), c.end(), std::back_inserter(a));
      blocks_.erase(blocks_.begin() + static_cast<std::ptrdiff_t>(b) + 1);
      MarkDirty(b);
    }
  }
}

void TRowBlocks::Resize(int n) {
  if (n < count_) {
    Erase(n, count_ - n);
    return;
  }
  int left = n - count_;
  if (left <= 0) return;
  MarkDirty(blocks_.empty() ? 0 : blocks_.size() - 1);
  if (!blocks_.empty()) {
    Block& last = *blocks_.back();
    int take = std::min(left, kBlockRows - static_cast<int>(last.size()));
    last.resize(last.size() + static_cast<std::size_t>(take));
    left -= take;
    count_ += take;
  }
  while (left > 0) {
    int k = std::min(kBlockRows, left);
    auto nb = std::make_unique<Block>();
    nb->resize(static_cast<std::size_t>(k));
    blocks_.push_back(std::move(nb));
    left -= k;
    count_ += k;
  }
}

void TRowBlocks::PushBack(TRowEntry&& e) {
  if (blocks_.empty() || static_cast<int>(blocks_.back()->size()) >= kBlockRows) {
    auto nb = std::make_unique<Block>();
    nb->reserve(kBlockRows);
    blocks_.push_back(std::move(nb));
  }
  blocks_.back()->push_back(std::move(e));
  ++count_;
  MarkDirty(blocks_.size() - 1);
}

void TRowBlocks::Clear() {
  blocks_.clear();
  starts_.clear();
  dirty_ = 0;
  cache_ = 0;
  cacheValid_ = false;
  count_ = 0;
}

void TRowBlocks::Swap(TRowBlocks& other) noexcept {
  blocks_.swap(other.blocks_);
  starts_.swap(other.starts_);
  std::swap(dirty_, other.dirty_);
  std::swap(cache_, other.cache_);
  std::swap(cacheValid_, other.cacheValid_);
  std::swap(count_, other.count_);
}

}  // namespace tolvan
