#include "core/filename_check.h"

#include <gtest/gtest.h>

using namespace tolvan;

TEST(FileNameCheck, RefusesEachForbiddenCharacter) {
  for (char c : std::string("\\/:;,*?\"<>|")) {
    std::string name = std::string("ab") + c + "c";
    EXPECT_EQ(CheckFileName(name), FileNameCheck::BadCharacter) << c;
  }
  EXPECT_EQ(CheckFileName(""), FileNameCheck::Empty);
  EXPECT_EQ(CheckFileName("my script.awk"), FileNameCheck::Ok);
}

TEST(FileNameCheck, StepsOverDoubleByteCharactersWithBackslashTrail) {
  EXPECT_EQ(CheckFileName("\x83\x5C\x95\x5C"), FileNameCheck::Ok);          // ソ表
  EXPECT_EQ(CheckFileName("\x83\x5C\\"), FileNameCheck::BadCharacter);      // ソ then a real backslash
  EXPECT_EQ(CheckFileName("\x81\x7C"), FileNameCheck::Ok);                  // trail 7C is not '|'
  EXPECT_EQ(CheckFileName("a\x81"), FileNameCheck::Ok);                     // lone lead byte at the end
}
