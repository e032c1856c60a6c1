// Where the caret and the selection end up after pastes, box pastes and
// block indentation, and the small position rules around them.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "recording_platform.h"

namespace tolvan::test {
namespace {

const char kKanji[] = "\x8a\xbf";

// A paste puts the caret after the pasted text, whatever line breaks the
// text came with: typing next lands after it.
TEST(PasteCaret, AfterTheTextWhateverItsLineBreaks) {
  struct Case {
    const char* before;
    int row, col;
    const char* pasted;
    const char* expected;
  };
  const Case cases[] = {
      {"", 0, 0, "a\nb\nc\nd\n", "a\r\nb\r\nc\r\nd\r\nX"},
      {"", 0, 0, "a\rb\r", "a\r\nb\r\nX"},
      {"", 0, 0, "a\r\nb\nc\rd", "a\r\nb\r\nc\r\ndX"},
      {"12\r\n34", 1, 2, "\n\n", "12\r\n34\r\n\r\nX"},
      {"12\r\n34", 0, 1, "p\nq", "1p\r\nqX2\r\n34"},
  };
  for (const Case& c : cases) {
    Ed ed(c.before);
    ed.e.SetRowCol(c.row, c.col);
    ed.e.SetSelTextBuf(c.pasted);
    ed.Type("X");
    EXPECT_EQ(ed.Text(), c.expected) << "pasting '" << c.pasted << "' into '" << c.before << "'";
  }
}

TEST(PasteCaret, ReplacingASelectionEndsAfterTheText) {
  Ed ed("hello world");
  ed.Select(0, 0, 0, 5);
  ed.e.SetSelTextBuf("a\nb\nc");
  ed.Type("X");
  EXPECT_EQ(ed.Text(), "a\r\nb\r\ncX world");
}

TEST(PasteCaret, ClipboardTextFromOtherPrograms) {
  Ed ed("first\r\n");
  ed.p.WriteClipboard("a\nb\nc\nd\n", false);
  ed.e.SetRowCol(1, 0);
  ed.e.PasteFromClipboard();
  EXPECT_EQ(ed.e.Row(), 5);
  EXPECT_EQ(ed.e.Col(), 0);
  ed.Type("X");
  EXPECT_EQ(ed.Text(), "first\r\na\r\nb\r\nc\r\nd\r\nX");
}

// The caret after a box paste stands after the last line where it landed,
// also when a tab moved that line right of the target column.
TEST(BoxPaste, CaretFollowsWhereTheLastLineLanded) {
  Ed ed("ab\r\nab\r\na\tbc");
  ed.e.Caret().SetTabSpaceCount(4);
  ed.e.SetRowCol(0, 2);
  ed.e.SetSelTextBox("XY\r\nZW\r\nUV");
  EXPECT_EQ(ed.Text(), "abXY\r\nabZW\r\na\tUVbc\r\n");
  EXPECT_EQ(ed.e.Row(), 2);
  EXPECT_EQ(ed.e.Col(), 6);
  ed.Type("!");
  EXPECT_EQ(ed.Text(), "abXY\r\nabZW\r\na\tUV!bc\r\n");
}

TEST(BoxPaste, CaretAfterALastLineHoldingATab) {
  // The tab's width depends on where it lands.
  Ed ed("abc");
  ed.e.Caret().SetTabSpaceCount(4);
  ed.e.SetRowCol(0, 1);
  ed.e.SetSelTextBox("x\ty");
  EXPECT_EQ(ed.Text(), "ax\tybc\r\n");
  EXPECT_EQ(ed.e.Col(), 5);
}

TEST(BoxPaste, ClearsAHitSelection) {
  Ed ed("find me\r\nrow");
  ed.e.SetHitStyle(hsDraw);
  ASSERT_TRUE(ed.e.Search("me", SearchBit(sfrDown)));
  ASSERT_EQ(ed.e.SelectionState(), sstHitSelected);
  ed.e.SetRowCol(1, 0);
  ed.e.SetSelTextBox("Q");
  EXPECT_EQ(ed.Text(), "find me\r\nQrow\r\n");
  EXPECT_EQ(ed.e.SelectionState(), sstNone);
  EXPECT_FALSE(ed.e.HasSelectedText());
  EXPECT_EQ(ed.e.SelLength(), 0);
}

// Indenting moves every position with the text it stood on, also one that
// stands exactly where the space or tab goes in.
TEST(BlockPositions, SelectionEdgesAtTheInsertionPointMove) {
  struct Case {
    bool tab;
    int r1, c1, r2, c2;
    const char* text;
    const char* selected;
  };
  const Case cases[] = {
      {false, 0, 0, 1, 1, " abc\r\n def", "abc\r\n d"},
      {true, 0, 0, 1, 1, "\tabc\r\n\tdef", "abc\r\n\td"},
      {false, 1, 1, 0, 0, " abc\r\n def", "abc\r\n d"},  // caret at column 0
      {true, 1, 1, 0, 0, "\tabc\r\n\tdef", "abc\r\n\td"},
      {false, 0, 1, 1, 0, " abc\r\ndef", "bc\r\n"},      // row 1 takes no part
      {false, 0, 0, 1, 3, " abc\r\n def", "abc\r\n def"},
      {false, 0, 0, 0, 2, " abc\r\ndef", "ab"},
  };
  for (const Case& c : cases) {
    Ed ed("abc\r\ndef");
    ed.e.Caret().SetTabSpaceCount(4);
    ed.Select(c.r1, c.c1, c.r2, c.c2);
    if (c.tab)
      ed.e.SelTabIndent();
    else
      ed.e.SelIndent();
    EXPECT_EQ(ed.Text(), c.text);
    EXPECT_EQ(ed.e.GetSelText(), c.selected) << c.r1 << "," << c.c1 << " " << c.r2 << "," << c.c2;
  }
}

TEST(BlockPositions, PositionInsideLeadingSpaceMovesWithIt) {
  Ed ed("  abc\r\n  def");
  ed.Select(0, 1, 1, 5);
  ed.e.SelIndent();
  EXPECT_EQ(ed.Text(), "   abc\r\n   def");
  EXPECT_EQ(ed.e.GetSelText(), "  abc\r\n   def");
  ed.e.SelUnIndent();
  EXPECT_EQ(ed.Text(), "  abc\r\n  def");
  EXPECT_EQ(ed.e.GetSelText(), " abc\r\n  def");
}

// A space that widens a tab after it would make the row reach the wrap
// column and wrap into one row more; the row is left alone, so the rows
// below keep their numbers and the selection stays on its text.
TEST(BlockPositions, IndentNeverMakesARowWrap) {
  Ed ed;
  ed.e.SetWordWrap(true);
  ed.e.WrapOption().SetWrapByte(20);
  ed.e.Caret().SetTabSpaceCount(2);
  ed.Set("a\tbcdefghijklmnopq\r\n\x8a\xbf\x8a\xbf\x8a\xbf\r\nxxxxx\r\n");
  ed.Select(2, 3, 0, 0);
  ed.e.SelIndent();
  EXPECT_EQ(ed.Text(), "a\tbcdefghijklmnopq\r\n \x8a\xbf\x8a\xbf\x8a\xbf\r\n xxxxx\r\n");
  EXPECT_EQ(ed.e.GetSelText(), "a\tbcdefghijklmnopq\r\n \x8a\xbf\x8a\xbf\x8a\xbf\r\n xxx");
}

// In UTF-8 a mark that stood alone at the row start rides on the inserted
// space: the selection starts past that character, never inside it.
TEST(BlockPositions, Utf8MarkAtTheRowStartJoinsTheSpace) {
  Ed ed;
  ed.e.Lines().SetEncoding(TextEncoding::Utf8);
  ed.Set("\xcc\x81x\r\nabc\r\n");
  ed.Select(0, 0, 1, 2);
  ed.e.SelIndent();
  EXPECT_EQ(ed.Text(), " \xcc\x81x\r\n abc\r\n");
  EXPECT_EQ(ed.e.GetSelText(), "x\r\n ab");
}

// A box put over a stream selection of several rows replaces all of them.
TEST(BoxPaste, OverAStreamSelectionOfSeveralRows) {
  Ed ed("aaa\r\nbbb\r\nccc\r\nddd\r\n");
  ed.Select(0, 1, 2, 1);
  ed.e.SetSelTextBox("q");
  EXPECT_EQ(ed.Text(), "aqcc\r\nddd\r\n");
  ed.Set("aaa\r\nbbb\r\nccc\r\nddd\r\n");
  ed.Select(0, 1, 2, 1);
  ed.e.SetSelTextBox("1\r\n2\r\n3");
  EXPECT_EQ(ed.Text(), "a1cc\r\nd2dd\r\n 3\r\n");
  ed.e.Undo();
  EXPECT_EQ(ed.Text(), "aaa\r\nbbb\r\nccc\r\nddd\r\n");
}

// A row selection from the margin on a last row wider than the column
// limit leaves the caret inside the limit, as the End key does.
TEST(RowSelection, LongLastRowKeepsTheCaretInsideTheLimit) {
  const std::string longRow(1500, 'x');
  Ed ed("a\r\n" + longRow);
  ed.e.StartRowSelection(1);
  EXPECT_LE(ed.e.Col(), TEditor::kMaxCol);
  EXPECT_EQ(ed.e.Row(), 1);
  EXPECT_EQ(ed.e.GetSelText().size(), static_cast<std::size_t>(TEditor::kMaxCol));
  ed.e.UpdateRowSelection(0);
  EXPECT_LE(ed.e.Col(), TEditor::kMaxCol);
  // A double-byte character straddling the limit is not cut.
  Ed dbcs("a\r\n" + std::string(999, 'x') + kKanji + "yy");
  dbcs.e.StartRowSelection(1);
  EXPECT_EQ(dbcs.e.Col(), TEditor::kMaxCol - 1);
}

// Changing the tab width or InTab never leaves the caret inside a
// double-byte character or inside a tab's fill.
TEST(CaretAfterOptions, TabWidthAndInTabChanges) {
  // Width 4: the kanji at 6..7, "y" at 9; width 6: the kanji at 8..9.
  Ed ed(std::string("\tab") + kKanji + "zy");
  ed.e.Caret().SetTabSpaceCount(4);
  ed.e.SetRowCol(0, 9);
  ASSERT_EQ(ed.e.Col(), 9);
  ed.e.Caret().SetTabSpaceCount(6);
  EXPECT_TRUE(ed.e.Col() == 8 || ed.e.Col() == 10) << ed.e.Col();
  ed.Type("!");
  // The kanji stays whole.
  EXPECT_TRUE(ed.Text() == std::string("\tab!") + kKanji + "zy" || ed.Text() == std::string("\tab") + kKanji + "!zy")
      << ed.Text();

  Ed tab("a\tb");
  tab.e.Caret().SetTabSpaceCount(8);
  tab.e.Caret().SetInTab(true);
  tab.e.SetRowCol(0, 4);  // inside the tab's fill
  ASSERT_EQ(tab.e.Col(), 4);
  tab.e.Caret().SetInTab(false);
  EXPECT_TRUE(tab.e.Col() == 1 || tab.e.Col() == 8) << tab.e.Col();
}

TEST(Messages, GetLineOnAnEmptyRow) {
  Ed ed("abc\r\n\r\nxyz");
  char buffer[16];
  const std::uint16_t size = sizeof buffer;
  std::memset(buffer, '#', sizeof buffer);
  std::memcpy(buffer, &size, sizeof size);
  EXPECT_EQ(ed.e.Perform(EM_GETLINE, 1, reinterpret_cast<std::intptr_t>(buffer)), 0);
  std::memcpy(buffer, &size, sizeof size);
  EXPECT_EQ(ed.e.Perform(EM_GETLINE, 2, reinterpret_cast<std::intptr_t>(buffer)), 3);
  EXPECT_EQ(std::string(buffer, 3), "xyz");
}

}  // namespace
}  // namespace tolvan::test
