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

// A UTF-8 document: 1-4 byte characters, combining marks, joiners and
// ill-formed bytes; with and without word wrap as two tests, so that they
// run side by side.
TEST(ControlFuzz, RandomEditingOfUtf8KeepsCharactersWhole) {
  for (unsigned seed = 1; seed <= 20; ++seed) ASSERT_EQ(RunControlFuzz(seed + 2000, 1500, false, TextEncoding::Utf8), "");
}

// Wrapped runs check every row's cuts after every step; fewer seeds keep the
// test within a few seconds.
TEST(ControlFuzz, RandomEditingOfWrappedUtf8KeepsCharactersWhole) {
  for (unsigned seed = 1; seed <= 14; ++seed) ASSERT_EQ(RunControlFuzz(seed + 3000, 1500, true, TextEncoding::Utf8), "");
}

}  // namespace
}  // namespace tolvan::test
