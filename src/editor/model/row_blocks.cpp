#include "editor/model/row_blocks.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <limits>
#include <stdexcept>

namespace tolvan {

namespace {

// Dead bytes (left by edits and erases) beyond this and beyond the live
// bytes make a block rewrite its text.
constexpr std::size_t kSlack = 4096;

}  // namespace

void TTextBuffer::Realloc(std::size_t n) {
  if (n == 0) {
    release();
    return;
  }
  std::unique_ptr<char[]> q(new char[n]);
  if (size_ > 0) std::memcpy(q.get(), p_.get(), std::min(size_, n));
  p_ = std::move(q);
  cap_ = n;
  size_ = std::min(size_, n);
}

void TTextBuffer::append(std::string_view s) {
  if (s.empty()) return;
  if (size_ + s.size() > cap_) Realloc(std::max(size_ + s.size(), cap_ * 2));
  std::memcpy(p_.get() + size_, s.data(), s.size());
  size_ += s.size();
}

void TRowBlocks::UpdateStarts() const {
  if (dirty_ >= blocks_.size() && starts_.size() == blocks_.size()) return;
  starts_.resize(blocks_.size());
  std::size_t from = std::min(dirty_, blocks_.size());
  int start = from == 0 ? 0 : starts_[from - 1] + static_cast<int>(blocks_[from - 1]->rows.size());
  for (std::size_t b = from; b < blocks_.size(); ++b) {
    starts_[b] = start;
    start += static_cast<int>(blocks_[b]->rows.size());
  }
  dirty_ = blocks_.size();
}

void TRowBlocks::Locate(int index, std::size_t& block, int& offset) const {
  UpdateStarts();
  // Sequential walks stay in the cached block or step to its neighbour.
  if (cacheValid_ && cache_ < blocks_.size()) {
    int s = starts_[cache_];
    int n = static_cast<int>(blocks_[cache_]->rows.size());
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
  blocks_[b]->lineEnds = -1;  // the caller may change the fields
  return blocks_[b]->rows[static_cast<std::size_t>(o)];
}

int TRowBlocks::CountLineEndsBefore(int index) const {
  index = std::max(0, std::min(index, count_));
  if (index == 0) return 0;
  std::size_t b = blocks_.size();
  int o = 0;
  if (index < count_) Locate(index, b, o);
  auto ends = [](const TRowEntry& e) { return (e.Item & 3u) == 0 ? 1 : 0; };
  int n = 0;
  for (std::size_t i = 0; i < b; ++i) {
    const Block& blk = *blocks_[i];
    if (blk.lineEnds < 0) {
      int c = 0;
      for (const TRowEntry& e : blk.rows) c += ends(e);
      blk.lineEnds = c;
    }
    n += blk.lineEnds;
  }
  if (b < blocks_.size())
    for (int i = 0; i < o; ++i) n += ends(blocks_[b]->rows[static_cast<std::size_t>(i)]);
  return n;
}

const TRowEntry& TRowBlocks::At(int index) const {
  std::size_t b;
  int o;
  Locate(index, b, o);
  return blocks_[b]->rows[static_cast<std::size_t>(o)];
}

std::string_view TRowBlocks::Text(int index) const {
  std::size_t b;
  int o;
  Locate(index, b, o);
  const Block& blk = *blocks_[b];
  const TRowEntry& e = blk.rows[static_cast<std::size_t>(o)];
  return std::string_view(Base(blk) + e.off_, e.len_);
}

void TRowBlocks::Compact(Block& b, std::size_t extra) {
  TTextBuffer fresh;
  fresh.reserve(b.live + extra);
  const char* base = Base(b);
  for (TRowEntry& e : b.rows) {
    std::uint32_t off = static_cast<std::uint32_t>(fresh.size());
    fresh.append(std::string_view(base + e.off_, e.len_));
    e.off_ = off;
  }
  b.text.swap(fresh);
  b.owner.reset();
  b.base = nullptr;
  b.shared = 0;
}

void TRowBlocks::Unshare(Block& b) {
  if (b.owner) Compact(b, 0);
}

void TRowBlocks::ShrinkIfSparse(Block& b) {
  if (b.rows.empty() || b.live == 0) {
    b.text.release();
    b.owner.reset();
    b.base = nullptr;
    b.shared = 0;
    for (TRowEntry& e : b.rows) e.off_ = 0;
    return;
  }
  if (b.owner) return;  // copying would only add to the shared buffer
  std::size_t dead = b.text.size() - b.live;
  if (dead > b.live && dead > kSlack) Compact(b, 0);
}

void TRowBlocks::AppendText(Block& b, TRowEntry& e, std::string_view s) {
  if (s.empty()) return;
  std::string copy;
  if (Inside(b, s)) {
    copy.assign(s);  // the buffer may move under s
    s = copy;
  }
  Unshare(b);
  if (b.text.size() + s.size() > b.text.capacity()) {
    std::size_t dead = b.text.size() - b.live;
    if (dead > b.live / 2 && dead > kSlack / 4) Compact(b, s.size() + b.live / 8);
  }
  if (b.text.size() + s.size() > std::numeric_limits<std::uint32_t>::max())
    throw std::length_error("Row text too long: a block holds at most 4 GiB");
  e.off_ = static_cast<std::uint32_t>(b.text.size());
  e.len_ = static_cast<std::uint32_t>(s.size());
  b.text.append(s);
  b.live += s.size();
}

void TRowBlocks::SetText(int index, std::string_view s) {
  std::size_t bi;
  int o;
  Locate(index, bi, o);
  Block& b = *blocks_[bi];
  TRowEntry& e = b.rows[static_cast<std::size_t>(o)];
  std::string copy;
  if (Inside(b, s)) {
    copy.assign(s);  // unsharing or compacting moves the buffer
    s = copy;
  }
  Unshare(b);
  if (s.size() <= e.len_) {
    // Fits where the old text was.
    if (!s.empty()) std::memmove(b.text.data() + e.off_, s.data(), s.size());
    b.live -= e.len_ - s.size();
    e.len_ = static_cast<std::uint32_t>(s.size());
    return;
  }
  DropText(b, e);
  AppendText(b, e, s);
}

void TRowBlocks::SwapRows(int a, int b) {
  if (a == b) return;
  std::string ta(Text(a));
  std::string tb(Text(b));
  TRowEntry& ea = At(a);
  TRowEntry& eb = At(b);
  std::swap(ea.Item, eb.Item);
  std::swap(ea.Item2, eb.Item2);
  std::swap(ea.Extra, eb.Extra);
  SetText(a, tb);
  SetText(b, ta);
}

void TRowBlocks::MoveRowFrom(int index, TRowBlocks& src, int srcIndex) {
  SetText(index, src.Text(srcIndex));
  TRowEntry& from = src.At(srcIndex);
  TRowEntry& to = At(index);
  to.Item = from.Item;
  to.Item2 = from.Item2;
  to.Extra = std::move(from.Extra);
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
    o = static_cast<int>(blocks_[b]->rows.size());
  } else {
    Locate(index, b, o);
  }
  Block& blk = *blocks_[b];
  auto& rows = blk.rows;
  if (static_cast<int>(rows.size()) + n <= kBlockRows) {
    std::size_t old = rows.size();
    rows.resize(old + static_cast<std::size_t>(n));
    std::rotate(rows.begin() + o, rows.begin() + static_cast<std::ptrdiff_t>(old), rows.end());
    count_ += n;
    MarkDirty(b);
    return;
  }
  // Split the block at the insertion point and put the new rows between.
  auto tail = std::make_unique<Block>();
  tail->rows.reserve(rows.size() - static_cast<std::size_t>(o));
  for (auto it = rows.begin() + o; it != rows.end(); ++it) {
    tail->rows.emplace_back();
    TRowEntry& t = tail->rows.back();
    t.Item = it->Item;
    t.Item2 = it->Item2;
    t.Extra = std::move(it->Extra);
    AppendText(*tail, t, std::string_view(Base(blk) + it->off_, it->len_));
    blk.live -= it->len_;
  }
  rows.erase(rows.begin() + o, rows.end());
  ShrinkIfSparse(blk);
  std::vector<std::unique_ptr<Block>> fresh;
  int left = n;
  int room = kBlockRows - static_cast<int>(rows.size());
  int take = std::min(room, left);
  rows.resize(rows.size() + static_cast<std::size_t>(take));
  left -= take;
  while (left > 0) {
    int k = std::min(kBlockRows, left);
    auto nb = std::make_unique<Block>();
    nb->rows.resize(static_cast<std::size_t>(k));
    fresh.push_back(std::move(nb));
    left -= k;
  }
  if (!tail->rows.empty()) {
    if (!fresh.empty() && fresh.back()->rows.size() + tail->rows.size() <= kBlockRows) {
      // The fresh block's rows are empty: the tail's text can be its text.
      Block& f = *fresh.back();
      std::move(tail->rows.begin(), tail->rows.end(), std::back_inserter(f.rows));
      f.text.swap(tail->text);
      f.live = tail->live;
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
  auto eraseRows = [](Block& blk, int from, int k) {
    auto begin = blk.rows.begin() + from;
    auto end = begin + k;
    for (auto it = begin; it != end; ++it) blk.live -= it->len_;
    blk.rows.erase(begin, end);
    ShrinkIfSparse(blk);
  };
  // First (partial) block.
  {
    Block& blk = *blocks_[b];
    int k = std::min(left, static_cast<int>(blk.rows.size()) - o);
    eraseRows(blk, o, k);
    left -= k;
    ++b;
  }
  // Whole blocks.
  std::size_t e = b;
  while (e < blocks_.size() && left >= static_cast<int>(blocks_[e]->rows.size())) {
    left -= static_cast<int>(blocks_[e]->rows.size());
    ++e;
  }
  blocks_.erase(blocks_.begin() + static_cast<std::ptrdiff_t>(b),
                blocks_.begin() + static_cast<std::ptrdiff_t>(e));
  if (left > 0) {
    eraseRows(*blocks_[b], 0, left);
    blocks_[b]->lineEnds = -1;
  }
  count_ -= n;
  if (blocks_[first]->rows.empty()) {
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
    if (blocks_[b]->rows.size() + blocks_[b + 1]->rows.size() <= kBlockRows / 2 + kBlockRows / 4) {
      Block& a = *blocks_[b];
      Block& c = *blocks_[b + 1];
      Unshare(a);
      a.text.reserve(a.text.size() + c.live);
      a.rows.reserve(a.rows.size() + c.rows.size());
      for (TRowEntry& r : c.rows) {
        a.rows.emplace_back();
        TRowEntry& t = a.rows.back();
        t.Item = r.Item;
        t.Item2 = r.Item2;
        t.Extra = std::move(r.Extra);
        AppendText(a, t, std::string_view(Base(c) + r.off_, r.len_));
      }
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
    int take = std::min(left, kBlockRows - static_cast<int>(last.rows.size()));
    last.rows.resize(last.rows.size() + static_cast<std::size_t>(take));
    left -= take;
    count_ += take;
  }
  while (left > 0) {
    int k = std::min(kBlockRows, left);
    auto nb = std::make_unique<Block>();
    nb->rows.resize(static_cast<std::size_t>(k));
    blocks_.push_back(std::move(nb));
    left -= k;
    count_ += k;
  }
}

void TRowBlocks::PushBack(std::string_view s, std::uint32_t item, std::uint32_t item2) {
  if (blocks_.empty() || static_cast<int>(blocks_.back()->rows.size()) >= kBlockRows) {
    std::size_t guess = 0;
    if (!blocks_.empty()) {
      // A full block's text rarely needs its spare room again; a new block
      // probably needs about as much as the last.
      Block& prev = *blocks_.back();
      if (prev.text.capacity() - prev.text.size() > prev.text.size() / 4) prev.text.shrink_to_fit();
      guess = prev.text.size() + prev.text.size() / 8;
    }
    auto nb = std::make_unique<Block>();
    nb->rows.reserve(kBlockRows);
    nb->text.reserve(guess);
    blocks_.push_back(std::move(nb));
  }
  Block& b = *blocks_.back();
  b.rows.emplace_back();
  TRowEntry& e = b.rows.back();
  e.Item = item;
  e.Item2 = item2;
  AppendText(b, e, s);
  ++count_;
  MarkDirty(blocks_.size() - 1);
}

void TRowBlocks::AppendShared(std::shared_ptr<const char> owner, const char* base, std::size_t size,
                              const TRowSpan* spans, int n) {
  if (n <= 0) return;
  if (n > kBlockRows) throw std::invalid_argument("AppendShared: more rows than a block holds");
  if (!owner || size > std::numeric_limits<std::uint32_t>::max())
    throw std::invalid_argument("AppendShared: no buffer, or more text than a block holds");
  auto nb = std::make_unique<Block>();
  nb->rows.reserve(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) {
    const TRowSpan& sp = spans[i];
    if (static_cast<std::size_t>(sp.Off) + sp.Len > size)
      throw std::out_of_range("AppendShared: a row lies outside the text");
    nb->rows.push_back(TRowEntry(sp.Off, sp.Len));
    nb->live += sp.Len;
  }
  nb->owner = std::move(owner);
  nb->base = base;
  nb->shared = size;
  blocks_.push_back(std::move(nb));
  count_ += n;
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
