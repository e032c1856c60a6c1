#include "editor/model/row_blocks.h"

#include <gtest/gtest.h>

#include <random>

namespace tolvan {
namespace {

// The block container against a plain vector, through inserts and erases
// that cross block boundaries, split blocks and empty them.
TEST(RowBlocks, MatchesAVectorThroughRandomEdits) {
  std::mt19937 rng(5);
  TRowBlocks b;
  std::vector<std::string> ref;
  int label = 0;
  auto rnd = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  for (int step = 0; step < 4000; ++step) {
    int n = static_cast<int>(ref.size());
    int op = rnd(0, 9);
    if (op < 4) {
      int at = rnd(0, n);
      int k = rnd(0, 9) == 0 ? rnd(1, 1500) : rnd(1, 5);
      b.Insert(at, k);
      for (int i = 0; i < k; ++i) {
        std::string s = "r" + std::to_string(label++);
        b.SetText(at + i, s);
        ref.insert(ref.begin() + at + i, s);
      }
    } else if (op < 8 && n > 0) {
      int at = rnd(0, n - 1);
      int k = rnd(0, 9) == 0 ? rnd(1, n - at) : rnd(1, std::min(5, n - at));
      b.Erase(at, k);
      ref.erase(ref.begin() + at, ref.begin() + at + k);
    } else if (op == 8) {
      int to = rnd(0, n + 2000);
      b.Resize(to);
      ref.resize(static_cast<std::size_t>(to));
    } else {
      std::string s = "p" + std::to_string(label++);
      ref.push_back(s);
      b.PushBack(s, 0, 0);
    }
    ASSERT_EQ(b.Count(), static_cast<int>(ref.size())) << step;
    // Spot checks every step, a full walk now and then (both directions, so
    // the cached block is left and re-entered).
    if (!ref.empty()) {
      int i = rnd(0, static_cast<int>(ref.size()) - 1);
      ASSERT_EQ(b.Text(i), ref[static_cast<std::size_t>(i)]) << step;
    }
    if (step % 250 == 0) {
      for (int i = 0; i < b.Count(); ++i) ASSERT_EQ(b.Text(i), ref[static_cast<std::size_t>(i)]);
      for (int i = b.Count() - 1; i >= 0; --i) ASSERT_EQ(b.Text(i), ref[static_cast<std::size_t>(i)]);
    }
  }
  TRowBlocks other;
  other.Swap(b);
  EXPECT_EQ(b.Count(), 0);
  EXPECT_EQ(other.Count(), static_cast<int>(ref.size()));
  other.Clear();
  EXPECT_EQ(other.Count(), 0);
}

// The per-block counts of rows ending a line (Item's low two bits clear)
// against a plain count, through every way the fields or the blocks change.
TEST(RowBlocks, LineEndCountsFollowEveryChange) {
  std::mt19937 rng(11);
  TRowBlocks b;
  std::vector<std::uint32_t> ref;  // Item of each row
  auto rnd = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  auto item = [&] { return static_cast<std::uint32_t>(rnd(0, 2) | (rnd(0, 255) << 4)); };
  auto expected = [&](int index) {
    int n = 0;
    for (int i = 0; i < std::min(index, static_cast<int>(ref.size())); ++i) n += (ref[static_cast<std::size_t>(i)] & 3u) == 0;
    return n;
  };
  for (int step = 0; step < 3000; ++step) {
    const int n = static_cast<int>(ref.size());
    const int op = rnd(0, 11);
    if (op < 3) {
      const int at = rnd(0, n);
      const int k = rnd(0, 9) == 0 ? rnd(1, 1500) : rnd(1, 5);
      b.Insert(at, k);  // fresh rows: all fields zero
      ref.insert(ref.begin() + at, static_cast<std::size_t>(k), 0u);
    } else if (op < 5 && n > 0) {
      const int at = rnd(0, n - 1);
      const int k = rnd(0, 9) == 0 ? rnd(1, n - at) : rnd(1, std::min(5, n - at));
      b.Erase(at, k);
      ref.erase(ref.begin() + at, ref.begin() + at + k);
    } else if (op == 5) {
      const int to = rnd(0, n + 1500);
      b.Resize(to);
      ref.resize(static_cast<std::size_t>(to), 0u);
    } else if (op == 6) {
      const std::uint32_t it = item();
      b.PushBack("x", it, 0);
      ref.push_back(it);
    } else if (op < 9 && n > 0) {
      // A field written through a reference, after counts were taken.
      const int at = rnd(0, n - 1);
      const std::uint32_t it = item();
      b.At(at).Item = it;
      ref[static_cast<std::size_t>(at)] = it;
    } else if (op == 9 && n > 0) {
      const int at = rnd(0, n - 1);
      const int k = rnd(1, std::min(2000, n - at));
      const std::uint32_t it = item();
      b.ForEach(at, k, [&](TRowEntry& e) { e.Item = it; });
      std::fill(ref.begin() + at, ref.begin() + at + k, it);
    } else if (op == 10 && n > 1) {
      const int x = rnd(0, n - 1), y = rnd(0, n - 1);
      b.SwapRows(x, y);
      std::swap(ref[static_cast<std::size_t>(x)], ref[static_cast<std::size_t>(y)]);
    } else if (op == 11 && n > 0) {
      TRowBlocks other;
      other.PushBack("y", item(), 0);
      const int at = rnd(0, n - 1);
      ref[static_cast<std::size_t>(at)] = other.At(0).Item;
      b.MoveRowFrom(at, other, 0);
    }
    ASSERT_EQ(b.Count(), static_cast<int>(ref.size()));
    const int total = static_cast<int>(ref.size());
    for (int probe : {0, total, rnd(0, total), rnd(0, total), total / 2})
      ASSERT_EQ(b.CountLineEndsBefore(probe), expected(probe)) << "step " << step << " at " << probe;
  }
  EXPECT_EQ(b.CountLineEndsBefore(-5), 0);
  EXPECT_EQ(b.CountLineEndsBefore(b.Count() + 10), expected(b.Count()));
}

}  // namespace
}  // namespace tolvan
