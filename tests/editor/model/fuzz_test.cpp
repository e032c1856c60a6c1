#include <gtest/gtest.h>

#include "fuzz_engine.h"

namespace tolvan {
namespace {

// 64 seeds of 5,000 steps: faults that need a rare shape of rows (a redo
// that re-cuts instead of putting back its rows shows in about one seed in
// eight) are seen here, not only in the long run of bench_model_fuzz. Four
// groups so that ctest can run them side by side.
constexpr int kSeedsPerGroup = 16;
constexpr long kSteps = 5000;

class RandomEdits : public ::testing::TestWithParam<int> {};

TEST_P(RandomEdits, InvariantsUndoAllAndRedoAllHold) {
  long steps = 0;
  long undoAllChecks = 0;
  for (int k = 0; k < kSeedsPerGroup; ++k) {
    const auto seed = static_cast<std::uint32_t>(GetParam() * kSeedsPerGroup + k + 1);
    test::FuzzRun run(seed);
    test::FuzzResult res = run.Run(kSteps);
    EXPECT_TRUE(res.failure.empty()) << "seed " << seed << ": " << res.failure;
    steps += res.steps;
    undoAllChecks += res.undoAllChecks;
  }
  EXPECT_EQ(steps, kSeedsPerGroup * kSteps);
  EXPECT_GT(undoAllChecks, kSeedsPerGroup * 100);
}

INSTANTIATE_TEST_SUITE_P(SeedGroups, RandomEdits, ::testing::Range(0, 4));

// The same in a UTF-8 document: wrap cuts between characters (a combining
// mark stays with its letter, an ill-formed byte stands alone) and no row
// is wider than the wrap width unless it is one character.
class RandomUtf8Edits : public ::testing::TestWithParam<int> {};

TEST_P(RandomUtf8Edits, InvariantsUndoAllAndRedoAllHold) {
  long undoAllChecks = 0;
  for (int k = 0; k < kSeedsPerGroup; ++k) {
    const auto seed = static_cast<std::uint32_t>(5000 + GetParam() * kSeedsPerGroup + k + 1);
    test::FuzzRun run(seed, TextEncoding::Utf8);
    test::FuzzResult res = run.Run(kSteps);
    EXPECT_TRUE(res.failure.empty()) << "seed " << seed << " (UTF-8): " << res.failure;
    undoAllChecks += res.undoAllChecks;
  }
  EXPECT_GT(undoAllChecks, kSeedsPerGroup * 100);
}

INSTANTIATE_TEST_SUITE_P(SeedGroups, RandomUtf8Edits, ::testing::Range(0, 2));

// A script editor's store: lone CR and LF bytes stay in rows through edits,
// wraps, undo and redo.
TEST(RandomEditsKeepingLineEnds, InvariantsUndoAllAndRedoAllHold) {
  for (int k = 0; k < kSeedsPerGroup; ++k) {
    const auto seed = static_cast<std::uint32_t>(9000 + k);
    test::FuzzRun run(seed, TextEncoding::Cp932, LineEnd::Lf);
    const test::FuzzResult res = run.Run(kSteps);
    EXPECT_TRUE(res.failure.empty()) << "seed " << seed << " (own line end): " << res.failure;
  }
}

}  // namespace
}  // namespace tolvan
