// The caret's resting places and the editing keys.
#include <gtest/gtest.h>

#include "recording_platform.h"

namespace tolvan::test {
namespace {

const char kKanji[] = "\x8a\xbf";  // one double-byte character
const char kSo[] = "\x83\x5c";     // trail byte 0x5C looks like a backslash

TEST(Caret, NeverInsideADoubleByteCharacter) {
  // Down from column 5 onto a row whose columns 4-5 hold one character.
  Ed ed(std::string("abcdefgh\r\nabcd") + kKanji + "xy");
  ed.e.SetRowCol(0, 5);
  ed.Key(ekDown);
  EXPECT_EQ(ed.e.Row(), 1);
  EXPECT_EQ(ed.e.Col(), 4);
  // Moving back up restores the remembered column.
  ed.Key(ekUp);
  EXPECT_EQ(ed.e.Col(), 5);
  // Right from column 4 steps over the whole character.
  ed.e.SetRowCol(1, 4);
  ed.Key(ekRight);
  EXPECT_EQ(ed.e.Col(), 6);
  ed.Key(ekLeft);
  EXPECT_EQ(ed.e.Col(), 4);
  // Placing the caret on the trail moves it before the character.
  ed.e.SetRowCol(1, 5);
  EXPECT_EQ(ed.e.Col(), 4);
}

TEST(Caret, TabFillIsSkippedUnlessInTab) {
  Ed ed("\tx");
  ed.e.SetRowCol(0, 0);
  ed.Key(ekRight);
  EXPECT_EQ(ed.e.Col(), 8);
  ed.Key(ekLeft);
  EXPECT_EQ(ed.e.Col(), 0);
  ed.e.SetRowCol(0, 3);
  EXPECT_EQ(ed.e.Col(), 0);
  ed.e.Caret().SetInTab(true);
  ed.e.SetRowCol(0, 3);
  EXPECT_EQ(ed.e.Col(), 3);
}

TEST(Caret, ColumnLimitIsAThousand) {
  Ed ed("a");
  ed.e.SetRowCol(0, 5000);
  EXPECT_EQ(ed.e.Col(), 1000);
  ed.Key(ekRight);
  EXPECT_EQ(ed.e.Col(), 1000);
  // A character straddling the limit keeps the caret before it.
  std::string row(999, 'a');
  row += kKanji;
  ed.Set(row);
  ed.e.SetRowCol(0, 1000);
  EXPECT_EQ(ed.e.Col(), 999);
  ed.e.SetCol(1001);
  EXPECT_LE(ed.e.Col(), 1000);
  EXPECT_NE(ed.e.Col(), 1000);
}

TEST(Caret, RightAtTheEndOfARow) {
  Ed ed("ab\r\ncd");
  ed.e.Caret().SetFreeCaret(false);
  ed.e.SetRowCol(0, 2);
  ed.Key(ekRight);
  EXPECT_EQ(ed.e.Row(), 0);
  EXPECT_EQ(ed.e.Col(), 2);
  ed.e.Caret().SetNextLine(true);
  ed.Key(ekRight);
  EXPECT_EQ(ed.e.Row(), 1);
  EXPECT_EQ(ed.e.Col(), 0);
  // With the free caret, Right runs on into free space.
  ed.e.Caret().SetNextLine(false);
  ed.e.Caret().SetFreeCaret(true);
  ed.e.SetRowCol(0, 2);
  ed.Key(ekRight);
  EXPECT_EQ(ed.e.Row(), 0);
  EXPECT_EQ(ed.e.Col(), 3);
}

TEST(Caret, RightOnAWrappedRowGoesOn) {
  Ed ed;
  ed.e.SetWordWrap(true);
  ed.e.WrapOption().SetWrapByte(20);
  ed.Set(std::string(30, 'x'));
  ASSERT_EQ(ed.e.List().Count(), 2);
  ed.e.Caret().SetFreeCaret(false);
  ed.e.SetRowCol(0, 19);
  ed.Key(ekRight);
  EXPECT_EQ(ed.e.Row(), 1);
  EXPECT_EQ(ed.e.Col(), 0);
  // The caret cannot stand after the last character of a wrapped row.
  ed.e.SetRowCol(0, 20);
  EXPECT_EQ(ed.e.Col(), 19);
}

TEST(Caret, DownAtTheEndOfTheText) {
  Ed ed("ab\r\ncd");
  ed.e.SetRowCol(1, 0);
  ed.Key(ekDown);
  EXPECT_EQ(ed.e.Row(), 1);
  ed.Set("ab\r\ncd\r\n");
  ed.e.SetRowCol(1, 0);
  ed.Key(ekDown);
  EXPECT_EQ(ed.e.Row(), 2);
  ed.Key(ekDown);
  EXPECT_EQ(ed.e.Row(), 2);
}

TEST(Caret, HomeEndAndPages) {
  std::string text;
  for (int i = 0; i < 200; ++i) text += "line\r\n";
  Ed ed(text);
  ed.Key(ekEnd, kCtrl);
  EXPECT_EQ(ed.e.Row(), 200);
  EXPECT_EQ(ed.e.Col(), 0);
  ed.Key(ekHome, kCtrl);
  EXPECT_EQ(ed.e.Row(), 0);
  ed.Key(ekEnd);
  EXPECT_EQ(ed.e.Col(), 4);
  // Page Down keeps the caret's place on the screen.
  ed.e.SetRowCol(3, 0);
  const int onScreen = ed.e.Row() - ed.e.TopRow();
  ed.Key(ekPageDown);
  EXPECT_GT(ed.e.TopRow(), 0);
  EXPECT_EQ(ed.e.Row() - ed.e.TopRow(), onScreen);
  ed.Key(ekPageUp);
  EXPECT_EQ(ed.e.TopRow(), 0);
  EXPECT_EQ(ed.e.Row(), 3);
  ed.Key(ekPageUp);
  EXPECT_EQ(ed.e.Row(), 0);
}

// A page is (visible rows - 1) div 2 rows times the range; an even row count
// tells that apart from half the rows.
TEST(Caret, PageStepWithAnEvenRowCount) {
  std::string text;
  for (int i = 0; i < 200; ++i) text += "line\r\n";
  Ed ed(text);
  for (int h = 100; h < 1000 && ed.e.RowCount() != 20; ++h) {
    ed.p.height = h;
    ed.e.Resized();
  }
  ASSERT_EQ(ed.e.RowCount(), 20);
  for (int range : {1, 2, 3}) {
    ed.e.Speed().SetPageVerticalRange(range);
    ed.e.SetTopRow(0);
    ed.e.SetRowCol(3, 0);
    ed.Key(ekPageDown);
    EXPECT_EQ(ed.e.TopRow(), 9 * range) << range;
    EXPECT_EQ(ed.e.Row(), 3 + 9 * range) << range;
    ed.Key(ekPageUp);
    EXPECT_EQ(ed.e.TopRow(), 0) << range;
    EXPECT_EQ(ed.e.Row(), 3) << range;
  }
}

TEST(Typing, FreeSpaceIsPadded) {
  Ed ed("");
  ed.e.SetRowCol(0, 10);
  ed.Type("x");
  EXPECT_EQ(ed.Text(), std::string(10, ' ') + "x");
  EXPECT_EQ(ed.e.Col(), 11);
}

TEST(Typing, DoubleBytePairsAndLoneLeads) {
  Ed ed("");
  ed.Type(std::string(kKanji) + kSo);
  EXPECT_EQ(ed.Text(), std::string(kKanji) + kSo);
  EXPECT_EQ(ed.e.Col(), 4);
  // A lead byte without a trail is dropped; the byte after it stays itself.
  ed.Type("\x8a");
  ed.Type("\x8a\x20");
  EXPECT_EQ(ed.Text(), std::string(kKanji) + kSo + " ");
  // Control characters insert nothing.
  ed.Type("\x01\x1b");
  EXPECT_EQ(ed.Text(), std::string(kKanji) + kSo + " ");
}

TEST(Typing, BackspaceAndDeleteTakeWholeCharacters) {
  Ed ed(std::string("a") + kSo + "b");
  ed.e.SetRowCol(0, 3);
  ed.Type("\b");
  EXPECT_EQ(ed.Text(), "ab");
  EXPECT_EQ(ed.e.Col(), 1);
  ed.Set(std::string("a") + kKanji + "b");
  ed.e.SetRowCol(0, 1);
  ed.Key(ekDelete);
  EXPECT_EQ(ed.Text(), "ab");
  EXPECT_EQ(ed.e.Col(), 1);
}

TEST(Typing, DeleteAtTheEndJoinsThePaddedRow) {
  Ed ed("ab\r\ncd");
  ed.e.SetRowCol(0, 4);
  ed.Key(ekDelete);
  EXPECT_EQ(ed.Text(), "ab  cd");
  EXPECT_EQ(ed.e.Col(), 4);
  // On a row without a line break nothing follows.
  ed.Key(ekDelete);
  EXPECT_EQ(ed.Text(), "ab  d");
  ed.e.SetRowCol(0, 5);
  ed.Key(ekDelete);
  EXPECT_EQ(ed.Text(), "ab  d");
  ed.e.SetRowCol(0, 8);  // free space after the last row pads nothing
  ed.Key(ekDelete);
  EXPECT_EQ(ed.Text(), "ab  d");
}

TEST(Typing, BackspaceJoinsAndUnindents) {
  Ed ed("ab\r\ncd");
  ed.e.SetRowCol(1, 0);
  ed.Type("\b");
  EXPECT_EQ(ed.Text(), "abcd");
  EXPECT_EQ(ed.e.Row(), 0);
  EXPECT_EQ(ed.e.Col(), 2);
  // Backspace at the end of an indentation of 8 under a line indented by 4.
  ed.Set("    a\r\n        b");
  ed.e.SetRowCol(1, 8);
  ed.Type("\b");
  EXPECT_EQ(ed.Text(), "    a\r\n    b");
  EXPECT_EQ(ed.e.Col(), 4);
  // Off, it deletes one space.
  ed.Set("    a\r\n        b");
  ed.e.Caret().SetBackSpaceUnIndent(false);
  ed.e.SetRowCol(1, 8);
  ed.Type("\b");
  EXPECT_EQ(ed.Text(), "    a\r\n       b");
}

TEST(Typing, EnterIndents) {
  Ed ed("\tx");
  ed.e.SetRowCol(0, 9);
  ed.Type("\r");
  EXPECT_EQ(ed.Text(), "\tx\r\n        ");
  EXPECT_EQ(ed.e.Row(), 1);
  EXPECT_EQ(ed.e.Col(), 8);
  ed.Set("\tx");
  ed.e.Caret().SetTabIndent(true);
  ed.e.SetRowCol(0, 9);
  ed.Type("\r");
  EXPECT_EQ(ed.Text(), "\tx\r\n\t");
  // Splitting a row keeps the rest after the indent.
  ed.Set("  abcd");
  ed.e.Caret().SetTabIndent(false);
  ed.e.SetRowCol(0, 4);
  ed.Type("\r");
  EXPECT_EQ(ed.Text(), "  ab\r\n  cd");
  EXPECT_EQ(ed.e.Col(), 2);
  // Inside the indentation the new row takes only the caret's columns of it.
  ed.Set("    abc");
  ed.e.SetRowCol(0, 2);
  ed.Type("\r");
  EXPECT_EQ(ed.Text(), "  \r\n    abc");
  EXPECT_EQ(ed.e.Row(), 1);
  EXPECT_EQ(ed.e.Col(), 2);
  // Without AutoIndent there is none.
  ed.Set("  abcd");
  ed.e.Caret().SetAutoIndent(false);
  ed.e.SetRowCol(0, 4);
  ed.Type("\r");
  EXPECT_EQ(ed.Text(), "  ab\r\ncd");
}

TEST(Typing, ShiftEnterOpensALineAbove) {
  Ed ed("a\r\n  bc");
  ed.e.SetRowCol(1, 3);
  ed.e.CharInput("\r", kShift);
  EXPECT_EQ(ed.Text(), "a\r\n  \r\n  bc");
  EXPECT_EQ(ed.e.Row(), 1);
  EXPECT_EQ(ed.e.Col(), 2);
}

TEST(Typing, TabAndSoftTab) {
  Ed ed("ab");
  ed.e.SetRowCol(0, 2);
  ed.Type("\t");
  EXPECT_EQ(ed.Text(), "ab\t");
  EXPECT_EQ(ed.e.Col(), 8);
  ed.e.Caret().SetSoftTab(true);
  ed.Type("\t");
  EXPECT_EQ(ed.Text(), "ab\t        ");
  ed.e.SetWantTabs(false);
  ed.Type("\t");
  EXPECT_EQ(ed.Text(), "ab\t        ");
}

TEST(Typing, OverwriteCoversWholeCharacters) {
  Ed ed(std::string("a") + kKanji + "bc");
  ed.e.SetOverWrite(true);
  ed.e.SetRowCol(0, 0);
  ed.Type("xy");  // the second byte lands on the kanji's lead: its trail becomes a space
  EXPECT_EQ(ed.Text(), "xy bc");
  ed.Type("1234");
  EXPECT_EQ(ed.Text(), "xy1234");
}

TEST(Typing, InputMethodResultIsOneUndoStep) {
  Ed ed("");
  const std::string s = std::string(kKanji) + kSo + kKanji;
  ed.e.ImeResult(s);
  EXPECT_EQ(ed.Text(), s);
  // The same bytes arriving as characters are swallowed.
  ed.Type(s);
  EXPECT_EQ(ed.Text(), s);
  EXPECT_EQ(ed.e.ImeSwallowCount(), 0);
  ed.Type("z");
  EXPECT_EQ(ed.Text(), s + "z");
  ed.e.Undo();
  EXPECT_EQ(ed.Text(), s);
  ed.e.Undo();
  EXPECT_EQ(ed.Text(), "");
}

TEST(Typing, ReadOnlyChangesNothing) {
  Ed ed("ab\r\ncd");
  ed.e.SetReadOnly(true);
  ed.e.SetRowCol(0, 1);
  ed.Type("x\b\r\t");
  ed.Key(ekDelete);
  ed.e.ImeResult("zz");
  ed.e.PutStringToLine("q");
  EXPECT_EQ(ed.Text(), "ab\r\ncd");
  EXPECT_FALSE(ed.e.CanUndo());
  // Moves still work.
  ed.Key(ekDown);
  EXPECT_EQ(ed.e.Row(), 1);
}

TEST(Typing, WordMoves) {
  Ed ed("abc def_g (x)\r\nnext");
  ed.e.SetRowCol(0, 0);
  ed.Key(ekRight, kCtrl);
  EXPECT_EQ(ed.e.Col(), 4);
  ed.Key(ekRight, kCtrl);
  EXPECT_EQ(ed.e.Col(), 11);  // "(" is a symbol and passed over
  ed.Key(ekRight, kCtrl);
  EXPECT_EQ(ed.e.Col(), 13);  // no token follows: the row's end
  ed.Key(ekRight, kCtrl);
  EXPECT_EQ(ed.e.Row(), 1);
  EXPECT_EQ(ed.e.Col(), 0);
  ed.Key(ekLeft, kCtrl);
  EXPECT_EQ(ed.e.Row(), 0);
  EXPECT_EQ(ed.e.Col(), 13);
  ed.Key(ekLeft, kCtrl);
  EXPECT_EQ(ed.e.Col(), 11);
}

}  // namespace
}  // namespace tolvan::test
