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

}  // namespace
}  // namespace tolvan
