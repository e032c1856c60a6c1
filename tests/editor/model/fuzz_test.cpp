#include <gtest/gtest.h>

#include "fuzz_engine.h"

namespace tolvan {
namespace {

TEST(RandomEdits, InvariantsUndoAllAndRedoAllHold) {
  long steps = 0;
  for (std::uint32_t seed : {1u, 2u, 3u, 42u, 1234u, 99991u}) {
    test::FuzzRun run(seed);
    test::FuzzResult res = run.Run(1500);
    EXPECT_TRUE(res.failure.empty()) << "seed " << seed << ": " << res.failure;
    EXPECT_GT(res.undoAllChecks, 5);
    steps += res.steps;
  }
  EXPECT_EQ(steps, 6 * 1500);
}

}  // namespace
}  // namespace tolvan
