// Search on the control, block indentation, row marks and the edit-control
// messages.
#include <gtest/gtest.h>

#include <cstring>

#include "recording_platform.h"

namespace tolvan::test {
namespace {

const TSearchOptions kDown = SearchBit(sfrDown);

TEST(Search, ForwardFindsTheNextOccurrence) {
  Ed ed("abc x abc\r\nabc");
  ASSERT_TRUE(ed.e.Search("abc", kDown));
  EXPECT_EQ(ed.e.GetSelText(), "abc");
  EXPECT_EQ(ed.e.SelStart(), 0);
  ASSERT_TRUE(ed.e.Search("ABC", kDown));
  EXPECT_EQ(ed.e.SelStart(), 6);
  ASSERT_TRUE(ed.e.Search("abc", kDown));
  EXPECT_EQ(ed.e.SelStart(), 11);
  EXPECT_FALSE(ed.e.Search("abc", kDown));
  EXPECT_EQ(ed.e.SelStart(), 11);  // not found leaves the selection
  EXPECT_FALSE(ed.e.Search("ABC", kDown | SearchBit(sfrMatchCase)));
}

TEST(Search, BackwardFindsTheNearestFirst) {
  Ed ed("ab1\r\nab2\r\nxx");
  ed.e.SetRowCol(2, 0);
  ASSERT_TRUE(ed.e.Search("ab", 0));
  EXPECT_EQ(ed.e.Row(), 1);
  ASSERT_TRUE(ed.e.Search("ab", 0));
  EXPECT_EQ(ed.e.Row(), 0);
  EXPECT_FALSE(ed.e.Search("ab", 0));
}

TEST(Search, ChunksOverlapByOneRow) {
  // Rows of 100 bytes: a match in the row where a chunk ends is found in
  // both directions, as is the last row of a long text.
  std::string text;
  for (int i = 0; i < 300; ++i) {
    std::string row(98, 'a');
    if (i == 81) row.replace(90, 6, "needle");
    if (i == 299) row.replace(0, 6, "finish");
    text += row + "\r\n";
  }
  Ed ed(text);
  ASSERT_TRUE(ed.e.Search("needle", kDown));
  EXPECT_EQ(ed.e.SelStr().Sr, 81);
  EXPECT_EQ(ed.e.SelStr().Sc, 90);
  EXPECT_EQ(ed.e.Col(), 96);  // a selected hit leaves the caret at its end
  ASSERT_TRUE(ed.e.Search("finish", kDown));
  EXPECT_EQ(ed.e.Row(), 299);
  ASSERT_TRUE(ed.e.Search("needle", 0));
  EXPECT_EQ(ed.e.Row(), 81);
  // A search starting deep into the first chunk's first row looks at the
  // next chunk from its start.
  text = std::string(600, 'a') + "\r\n";
  for (int i = 0; i < 100; ++i) {
    std::string row(98, 'b');
    if (i == 78) row.replace(36, 6, "needle");
    text += row + "\r\n";
  }
  ed.Set(text);
  ed.e.SetRowCol(0, 590);
  ASSERT_TRUE(ed.e.Search("needle", kDown));
  EXPECT_EQ(ed.e.SelStr().Sr, 79);
  EXPECT_EQ(ed.e.SelStr().Sc, 36);
  // A pattern never matches inside a double-byte character.
  ed.Set("\x83\x5c\x5c");
  EXPECT_TRUE(ed.e.Search("\\", kDown));
  EXPECT_EQ(ed.e.SelStart(), 2);
}

TEST(Search, HitStyles) {
  Ed ed("one two two");
  ed.e.SetHitStyle(hsDraw);
  ASSERT_TRUE(ed.e.Search("two", kDown));
  EXPECT_EQ(ed.e.SelectionState(), sstHitSelected);
  EXPECT_FALSE(ed.e.Selected());
  ed.e.HitToSelected();
  EXPECT_TRUE(ed.e.Selected());
  ed.e.SetHitStyle(hsCaret);
  ed.e.SetRowCol(0, 0);
  ASSERT_TRUE(ed.e.Search("two", kDown));
  EXPECT_EQ(ed.e.Col(), 4);  // the caret stays at the hit's start
  EXPECT_EQ(ed.e.CaretWidth(), 3 * ed.e.ColWidth());
  ASSERT_TRUE(ed.e.Search("two", kDown));  // steps over the shown hit
  EXPECT_EQ(ed.e.Col(), 8);
}

TEST(Block, IndentAndUnindent) {
  Ed ed("\ta\r\n\tb\r\nc");
  ed.Select(0, 0, 1, 9);
  ed.e.SelIndent();
  EXPECT_EQ(ed.Text(), "         a\r\n         b\r\nc");
  EXPECT_EQ(ed.e.GetSelText(), "         a\r\n         b");
  ed.e.SelUnIndent();
  ed.e.SelUnIndent();
  EXPECT_EQ(ed.Text(), "       a\r\n       b\r\nc");
  ed.e.Undo();
  ed.e.Undo();
  ed.e.Undo();
  EXPECT_EQ(ed.Text(), "\ta\r\n\tb\r\nc");
}

TEST(Block, RowsTakingPart) {
  // From row 2 column 3 to row 5 column 0: rows 2 to 4.
  Ed ed("r0\r\nr1\r\nrow2\r\nr3\r\nr4\r\nr5\r\n");
  ed.Select(2, 3, 5, 0);
  ed.e.SelTabIndent();
  EXPECT_EQ(ed.Text(), "r0\r\nr1\r\n\trow2\r\n\tr3\r\n\tr4\r\nr5\r\n");
  ed.e.SelTabUnIndent();
  EXPECT_EQ(ed.Text(), "r0\r\nr1\r\nrow2\r\nr3\r\nr4\r\nr5\r\n");
  // Ending at column 1 the last row takes part; only column 0 leaves it out.
  ed.Select(0, 0, 2, 1);
  ed.e.SelIndent();
  EXPECT_EQ(ed.Text(), " r0\r\n r1\r\n row2\r\nr3\r\nr4\r\nr5\r\n");
  ed.Set("r0\r\nr1\r\nrow2\r\nr3\r\nr4\r\nr5\r\n");
  // Without a selection nothing happens.
  ed.e.CleanSelection();
  ed.e.SelIndent();
  EXPECT_EQ(ed.Text(), "r0\r\nr1\r\nrow2\r\nr3\r\nr4\r\nr5\r\n");
}

TEST(Block, WrappedContinuationRowsStay) {
  Ed ed;
  ed.e.SetWordWrap(true);
  ed.e.WrapOption().SetWrapByte(20);
  ed.Set(std::string(25, 'x') + "\r\nab\r\n");
  ASSERT_EQ(ed.e.List().Count(), 3);
  ed.Select(0, 0, 2, 2);
  ed.e.SelTabIndent();
  // The wrapped line is too wide to take a tab; the short one takes it.
  EXPECT_EQ(ed.Text(), std::string(25, 'x') + "\r\n\tab\r\n");
}

TEST(Block, BoxIndentWorksAtTheBoxColumn) {
  Ed ed("ab cd\r\nef gh");
  ed.e.SetSelectionMode(smBox);
  ed.Select(0, 2, 1, 4);
  ed.e.SelIndent();
  EXPECT_EQ(ed.Text(), "ab  cd\r\nef  gh");
}

TEST(Marks, UniqueAndSharedMarks) {
  Ed ed("0\r\n1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8");
  ed.e.PutRowMark(3, rm2);
  ed.e.PutRowMark(7, rm2);
  EXPECT_EQ(ed.e.List().RowMarks(3), 0);
  EXPECT_EQ(ed.e.List().RowMarks(7), RowMarkBit(rm2));
  ed.e.PutRowMark(3, rm9);  // the last unique one
  ed.e.PutRowMark(7, rm9);
  EXPECT_EQ(ed.e.List().RowMarks(3), 0);
  EXPECT_EQ(ed.e.List().RowMarks(7), RowMarkBit(rm2) | RowMarkBit(rm9));
  ed.e.DeleteRowMark(7, rm9);
  ed.e.PutRowMark(3, rm12);
  ed.e.PutRowMark(7, rm12);
  EXPECT_TRUE(ed.e.List().RowMarks(3) & RowMarkBit(rm12));
  EXPECT_TRUE(ed.e.List().RowMarks(7) & RowMarkBit(rm12));
  ed.e.SetRowCol(0, 0);
  ed.e.GotoRowMark(rm2);
  EXPECT_EQ(ed.e.Row(), 7);
  ed.e.GotoRowMark(rm5);
  EXPECT_EQ(ed.e.Row(), 7);
  ed.e.DeleteRowMark(7, rm2);
  EXPECT_EQ(ed.e.List().RowMarks(7), RowMarkBit(rm12));
}

TEST(Marks, DeleteRow) {
  Ed ed("a\r\nb\r\nc");
  ed.e.DeleteRow(1);
  EXPECT_EQ(ed.Text(), "a\r\nc");
  ed.e.DeleteRow(1);
  EXPECT_EQ(ed.Text(), "a\r\n");
  ed.e.DeleteRow(5);
  EXPECT_EQ(ed.Text(), "a\r\n");
}

TEST(Messages, SelectionAndClipboard) {
  Ed ed("abc\r\ndef");
  ed.e.Perform(EM_SETSEL, 0, -1);
  EXPECT_EQ(ed.e.GetSelText(), "abc\r\ndef");
  std::int32_t s = -1, e = -1;
  ed.e.Perform(EM_GETSEL, reinterpret_cast<std::intptr_t>(&s), reinterpret_cast<std::intptr_t>(&e));
  EXPECT_EQ(s, 0);
  EXPECT_EQ(e, 8);
  ed.e.Perform(EM_SETSEL, -1, 0);
  EXPECT_EQ(ed.e.SelectionState(), sstNone);
  ed.e.Perform(EM_SETSEL, 6, 1);
  EXPECT_EQ(ed.e.GetSelText(), "bc\r\nd");
  ed.p.WriteClipboard("keep", false);
  ed.e.Perform(EM_SETSEL, -1, 0);
  ed.e.Perform(WM_COPY);
  EXPECT_EQ(ed.p.clip, "");
  ed.e.Perform(EM_SETSEL, 0, 2);
  ed.e.Perform(EM_REPLACESEL, 0, reinterpret_cast<std::intptr_t>("XY"));
  EXPECT_EQ(ed.Text(), "XYc\r\ndef");
}

TEST(Messages, LinesAndIndexes) {
  Ed ed("0123456789\r\nab\r\n");
  char buf[16] = {};
  const std::uint16_t size = 3;
  std::memcpy(buf, &size, 2);
  EXPECT_EQ(ed.e.Perform(EM_GETLINE, 0, reinterpret_cast<std::intptr_t>(buf)), 3);
  EXPECT_EQ(std::string(buf, 3), "012");
  EXPECT_EQ(ed.e.Perform(EM_GETLINE, 2, reinterpret_cast<std::intptr_t>(buf)), 0);
  EXPECT_EQ(ed.e.Perform(EM_GETLINECOUNT), 2);
  EXPECT_EQ(ed.e.Perform(EM_LINEINDEX, 1), 12);
  EXPECT_EQ(ed.e.Perform(EM_LINEINDEX, 2), -1);
  EXPECT_EQ(ed.e.Perform(EM_LINEFROMCHAR, 11), 0);
  EXPECT_EQ(ed.e.Perform(EM_LINEFROMCHAR, 12), 1);
  EXPECT_EQ(ed.e.Perform(EM_LINEFROMCHAR, 16), 2);
  EXPECT_EQ(ed.e.Perform(EM_LINELENGTH, 13), 2);
  EXPECT_EQ(ed.e.Perform(WM_GETTEXTLENGTH), 16);
  const std::intptr_t pos = ed.e.Perform(EM_POSFROMCHAR, 13);
  EXPECT_EQ(LoWord(pos), ed.e.LeftMargin() + ed.e.ColWidth());
  EXPECT_EQ(HiWord(pos), ed.e.TopMargin() + ed.e.GetRowHeight());
  char all[8] = {};
  EXPECT_EQ(ed.e.Perform(WM_GETTEXT, sizeof all, reinterpret_cast<std::intptr_t>(all)), 7);
  EXPECT_STREQ(all, "0123456");
}

TEST(Messages, ReadOnlyRefusesChanges) {
  Ed ed("abc");
  ed.Type("x");
  ed.e.SetModified(false);
  ed.e.Perform(EM_SETREADONLY, 1);
  ed.e.Perform(EM_SETSEL, 0, -1);
  ed.e.Perform(WM_CLEAR);
  ed.e.Perform(WM_CUT);
  ed.e.Perform(WM_SETTEXT, 0, reinterpret_cast<std::intptr_t>("new"));
  ed.e.Perform(EM_REPLACESEL, 0, reinterpret_cast<std::intptr_t>("new"));
  EXPECT_EQ(ed.e.Perform(EM_UNDO), 0);
  EXPECT_EQ(ed.e.Perform(EM_CANUNDO), 0);
  ed.e.Perform(EM_SETMODIFY, 1);
  EXPECT_EQ(ed.Text(), "xabc");
  EXPECT_EQ(ed.e.Perform(EM_GETMODIFY), 0);
  ed.e.Perform(EM_SETREADONLY, 0);
  EXPECT_EQ(ed.e.Perform(EM_UNDO), 1);
  EXPECT_EQ(ed.Text(), "abc");
}

TEST(Tokens, TokenUnderAPoint) {
  Ed ed("print  $1 \"s\"");
  std::string t;
  std::uint8_t kind = 0;
  EXPECT_TRUE(ed.e.PosTokenString(ed.At(0, 2), true, t, false, kind));
  EXPECT_EQ(t, "print");
  EXPECT_NE(kind, 0);
  // Blanks between tokens give nothing.
  EXPECT_FALSE(ed.e.PosTokenString(ed.At(0, 6), true, t, false, kind));
  EXPECT_EQ(t, "");
  EXPECT_EQ(kind, 0);
  EXPECT_TRUE(ed.e.SelectWordFromPos(ed.At(0, 3)));
  EXPECT_EQ(ed.e.GetSelText(), "print");
}

}  // namespace
}  // namespace tolvan::test
