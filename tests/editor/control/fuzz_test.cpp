#include <gtest/gtest.h>

#include "fuzz_driver.h"

namespace tolvan::test {
namespace {

TEST(ControlFuzz, RandomEditingKeepsTheCaretAndTheRowsSound) {
  for (unsigned seed = 1; seed <= 20; ++seed) {
    ASSERT_EQ(RunControlFuzz(seed, 1500, false), "");
    ASSERT_EQ(RunControlFuzz(seed + 1000, 1500, true), "");
  }
}

TEST(ControlFuzz, RandomEditingOfUtf8KeepsCharactersWhole) {
  for (unsigned seed = 1; seed <= 20; ++seed) {
    ASSERT_EQ(RunControlFuzz(seed + 2000, 1500, false, TextEncoding::Utf8), "");
    ASSERT_EQ(RunControlFuzz(seed + 3000, 1500, true, TextEncoding::Utf8), "");
  }
}

}  // namespace
}  // namespace tolvan::test
