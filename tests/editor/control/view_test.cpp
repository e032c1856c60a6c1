// Layout from the font and the option objects, scrolling, and what the
// control asks of the window when it scrolls.
#include <gtest/gtest.h>

#include "recording_platform.h"

namespace tolvan::test {
namespace {

std::string Lines(int n) {
  std::string s;
  for (int i = 0; i < n; ++i) s += "row\r\n";
  return s;
}

TEST(Layout, VisibleRowsAndColumns) {
  Ed ed;
  // 600 high, top margin 2, 5 spare pixels, rows of 16.
  EXPECT_EQ(ed.e.RowCount(), (600 - 2 - 5) / 16);
  EXPECT_EQ(ed.e.ColCount(), (800 - 19 - 12 - 4) / 8);  // margin, image bar, half a column
  // The ruler and the left bar take their room before the counts are made.
  ed.e.Ruler().SetVisible(true);
  EXPECT_EQ(ed.e.TopMargin(), 2 + 11);
  EXPECT_EQ(ed.e.RowCount(), (600 - 13 - 5) / 16);
  ed.e.Leftbar().SetVisible(true);
  EXPECT_EQ(ed.e.LeftbarWidth(), 8 + 4 * 8 + 4 + 2);
  EXPECT_EQ(ed.e.LeftMargin(), 19 + ed.e.ImagebarWidth() + ed.e.LeftbarWidth());
  // A tiny window keeps one row.
  ed.p.height = 10;
  ed.p.width = 0;
  ed.e.Resized();
  EXPECT_EQ(ed.e.RowCount(), 1);
  EXPECT_GE(ed.e.ColCount(), 1);
}

TEST(Layout, UnderlineMarkAddsAPixel) {
  Ed ed;
  const int h = ed.e.GetRowHeight();
  ed.e.Marks().Underline().SetVisible(true);
  EXPECT_EQ(ed.e.GetRowHeight(), h + 1);
  ed.e.Margin().SetLine(2);
  EXPECT_EQ(ed.e.GetRowHeight(), h + 3);
}

TEST(Layout, LeftbarDigitsFollowTheText) {
  Ed ed;
  ed.e.Leftbar().SetVisible(true);
  ed.Set(Lines(9998));
  EXPECT_EQ(ed.e.LeftbarColumn(), 4);  // 9999 numbered positions
  ed.Set(Lines(9999));
  EXPECT_EQ(ed.e.LeftbarColumn(), 5);
  ed.Set(Lines(100000));
  EXPECT_EQ(ed.e.LeftbarColumn(), 6);
  EXPECT_EQ(ed.e.LeftbarNumber(0), "     1");
  ed.e.Leftbar().SetZeroLead(true);
  EXPECT_EQ(ed.e.LeftbarNumber(99999), "100000");
  EXPECT_EQ(ed.e.LeftbarNumber(100000), "100001");  // the open row after the last break
  EXPECT_EQ(ed.e.LeftbarNumber(100001), "");
}

TEST(Layout, LineNumbersSkipWrappedRows) {
  Ed ed;
  ed.e.SetWordWrap(true);
  ed.e.WrapOption().SetWrapByte(20);
  ed.e.Leftbar().SetVisible(true);
  ed.e.Leftbar().SetShowNumberMode(nmLine);
  ed.Set(std::string(30, 'x') + "\r\nb");
  EXPECT_EQ(ed.e.LeftbarNumber(0), "   1");
  EXPECT_EQ(ed.e.LeftbarNumber(1), "");
  EXPECT_EQ(ed.e.LeftbarNumber(2), "   2");
  EXPECT_EQ(ed.e.LeftbarNumber(3), "");  // no line break at the end
}

TEST(Scroll, VerticalRangeAndTopRow) {
  Ed ed;
  ed.p.height = 20 * 16 + 7;
  ed.e.SetScrollBars(ssBoth);
  ed.e.Resized();
  ed.Set(Lines(100));
  ASSERT_EQ(ed.e.RowCount(), 19);  // the horizontal bar takes 16 pixels
  ed.p.height = 20 * 16 + 7 + 16;
  ed.e.Resized();
  ASSERT_EQ(ed.e.RowCount(), 20);
  EXPECT_EQ(ed.p.vbar.max, 119);
  EXPECT_EQ(ed.p.vbar.page, 20);
  ed.e.VScroll(SB_BOTTOM);
  EXPECT_EQ(ed.e.TopRow(), 100);
  ed.e.VScroll(SB_LINEDOWN);
  EXPECT_EQ(ed.e.TopRow(), 100);
  ed.e.VScroll(SB_TOP);
  EXPECT_EQ(ed.e.TopRow(), 0);
  EXPECT_EQ(ed.p.vbar.pos, 0);
}

TEST(Scroll, OneRowMovesTheContentsAndAJumpRepaintsOnce) {
  Ed ed(Lines(2000));
  ed.p.scrolls.clear();
  ed.e.VScroll(SB_LINEDOWN);
  ASSERT_EQ(ed.p.scrolls.size(), 1u);
  EXPECT_EQ(ed.p.scrolls[0].dy, -ed.e.GetRowHeight());
  EXPECT_EQ(ed.p.scrolls[0].clip.Left, 0);  // the bars move with the text
  EXPECT_EQ(ed.p.scrolls[0].clip.Top, ed.e.TopMargin());
  ed.p.scrolls.clear();
  ed.e.VScroll(SB_THUMBTRACK, 501);
  ASSERT_EQ(ed.p.scrolls.size(), 1u);
  EXPECT_EQ(ed.p.scrolls[0].dy, -(ed.e.RowCount() + 1) * ed.e.GetRowHeight());
  EXPECT_EQ(ed.e.TopRow(), 501);
}

TEST(Scroll, HorizontalLimitAndRuler) {
  Ed ed("x");
  ed.e.SetTopCol(2000);
  EXPECT_EQ(ed.e.TopCol(), 1000 - ed.e.ColCount() / 2);
  ed.p.scrolls.clear();
  ed.e.SetTopCol(0);
  ed.e.HScroll(SB_LINEDOWN);
  ASSERT_FALSE(ed.p.scrolls.empty());
  EXPECT_EQ(ed.p.scrolls.back().dx, -ed.e.ColWidth());
  EXPECT_EQ(ed.p.scrolls.back().clip.Top, 0);  // the ruler moves with the text
  EXPECT_EQ(ed.e.ScrollOffset(), ed.e.ColWidth());
}

TEST(Scroll, LockScrollMovesTheCaretWithTheText) {
  Ed ed(Lines(200));
  ed.e.SetRowCol(5, 0);
  ed.e.VScroll(SB_LINEDOWN);
  EXPECT_EQ(ed.e.Row(), 5);
  ed.e.Caret().SetLockScroll(true);
  ed.e.VScroll(SB_LINEDOWN);
  EXPECT_EQ(ed.e.Row(), 6);
}

TEST(Scroll, CaretIsKeptInView) {
  Ed ed(Lines(200));
  ed.e.SetRowCol(150, 0);
  EXPECT_EQ(ed.e.TopRow(), 150 - ed.e.RowCount() + 1);
  ed.e.SetRowCol(3, 0);
  EXPECT_EQ(ed.e.TopRow(), 3);
  // Sideways by at least a quarter of the view.
  ed.Set(std::string(900, 'a'));
  ed.e.SetRowCol(0, ed.e.ColCount());
  EXPECT_EQ(ed.e.TopCol(), ed.e.ColCount() / 4);
}

TEST(Options, CaretOptionClearsUndo) {
  Ed ed("a");
  ed.Type("b");
  ASSERT_TRUE(ed.e.CanUndo());
  ed.e.Caret().SetAutoIndent(false);
  EXPECT_FALSE(ed.e.CanUndo());
}

TEST(Options, ChangeOnlyWhenTheValueChanges) {
  Ed ed;
  ed.p.invalidated.clear();
  ed.e.Marks().EofMark().SetVisible(false);
  EXPECT_TRUE(ed.p.invalidated.empty());
  ed.e.Marks().EofMark().SetVisible(true);
  EXPECT_FALSE(ed.p.invalidated.empty());
}

TEST(Modified, SetByEditsAndUndo) {
  Ed ed("abc");
  EXPECT_FALSE(ed.e.Modified());
  ed.Type("x");
  EXPECT_TRUE(ed.e.Modified());
  ed.e.SetModified(false);
  ed.e.Undo();
  EXPECT_TRUE(ed.e.Modified());
}

}  // namespace
}  // namespace tolvan::test
