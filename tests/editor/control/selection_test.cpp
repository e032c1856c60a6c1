// Stream and box selections, their text, the clipboard, dragging and row
// selection.
#include <gtest/gtest.h>

#include "recording_platform.h"

namespace tolvan::test {
namespace {

const char kKanji[] = "\x8a\xbf";

TEST(Selection, StreamTextAcrossRows) {
  Ed ed("abc\r\ndef\r\nghi");
  ed.Select(0, 1, 2, 1);
  EXPECT_EQ(ed.e.GetSelText(), "bc\r\ndef\r\ng");
  EXPECT_EQ(ed.e.SelStart(), 1);
  EXPECT_EQ(ed.e.SelLength(), 10);
  // Backwards gives the same range.
  ed.Select(2, 1, 0, 1);
  EXPECT_EQ(ed.e.GetSelText(), "bc\r\ndef\r\ng");
  ed.e.DeleteSelection();
  EXPECT_EQ(ed.Text(), "ahi");
  EXPECT_EQ(ed.e.Col(), 1);
  ed.e.Undo();
  EXPECT_EQ(ed.Text(), "abc\r\ndef\r\nghi");
}

TEST(Selection, SelStartCountsLineBreaksAsTwo) {
  Ed ed("ab\r\nc");
  ed.e.SetRowCol(1, 0);
  EXPECT_EQ(ed.e.SelStart(), 4);
  ed.e.SetSelStart(3);  // inside the line break: the end of "ab"
  ed.e.SetSelLength(3);
  EXPECT_EQ(ed.e.GetSelText(), "\r\nc");
  ed.e.SelectAll();
  EXPECT_EQ(ed.e.GetSelText(), "ab\r\nc");
  EXPECT_EQ(ed.e.SelLength(), 5);
}

TEST(Selection, BoxEdgesAndText) {
  // Columns 2 to 4: the left edge cuts the kanji on row 0 (left out), the
  // right edge cuts the one on row 1 (taken in).
  Ed ed(std::string("a") + kKanji + "bcd\r\nabc" + kKanji + "e\r\nxy");
  ed.e.SetSelectionMode(smBox);
  ed.Select(2, 2, 0, 4);
  EXPECT_EQ(ed.e.GetSelText(), std::string("b\r\nc") + kKanji + "\r\n\r\n");
  ed.e.CopyToClipboard();
  EXPECT_TRUE(ed.p.clipBox);
  ed.e.DeleteSelection();
  EXPECT_EQ(ed.Text(), std::string("a") + kKanji + "cd\r\nabe\r\nxy");
}

TEST(Selection, BoxCopyPastesAsABox) {
  Ed ed("abcd\r\nefgh\r\n");
  ed.e.SetSelectionMode(smBox);
  ed.Select(0, 1, 1, 3);
  ed.e.CopyToClipboard();
  EXPECT_EQ(ed.p.clip, "bc\r\nfg\r\n");
  ed.e.CleanSelection();
  ed.e.SetSelectionMode(smLine);
  ed.e.SetRowCol(0, 4);
  ed.e.PasteFromClipboard();
  EXPECT_EQ(ed.Text(), "abcdbc\r\nefghfg\r\n");
  EXPECT_EQ(ed.e.Row(), 1);
  EXPECT_EQ(ed.e.Col(), 6);
  // A plain paste of the same text is a stream.
  ed.p.clipBox = false;
  ed.e.SetRowCol(0, 0);
  ed.e.PasteFromClipboard();
  EXPECT_EQ(ed.Text(), "bc\r\nfg\r\nabcdbc\r\nefghfg\r\n");
}

TEST(Selection, BoxPasteBelowTheEndAppendsPaddedRows) {
  Ed ed("abc");
  ed.e.SetRowCol(0, 2);
  ed.e.SetSelTextBox("12\r\n34\r\n56");
  EXPECT_EQ(ed.Text(), "ab12c\r\n  34\r\n  56\r\n");
  EXPECT_EQ(ed.e.Row(), 2);
  EXPECT_EQ(ed.e.Col(), 4);
  ed.e.Undo();
  EXPECT_EQ(ed.Text(), "abc");
}

TEST(Selection, PasteKeepsBytesCp932CannotShow) {
  Ed ed("");
  ed.p.WriteClipboard(std::string("a\xff\x80\xa0") + "\xed\x40", false);
  ed.e.PasteFromClipboard();
  EXPECT_EQ(ed.Text(), std::string("a\xff\x80\xa0") + "\xed\x40");
}

TEST(Selection, TypingReplacesTheSelection) {
  Ed ed("hello world");
  ed.Select(0, 0, 0, 5);
  ed.Type("X");
  EXPECT_EQ(ed.Text(), "X world");
  EXPECT_EQ(ed.e.Col(), 1);
  EXPECT_EQ(ed.e.SelectionState(), sstNone);
  ed.e.Undo();
  EXPECT_EQ(ed.Text(), "hello world");
}

TEST(Selection, ShiftArrowsExtend) {
  Ed ed("abc\r\ndef");
  ed.e.SetRowCol(0, 1);
  ed.Key(ekRight, kShift);
  ed.Key(ekDown, kShift);
  EXPECT_EQ(ed.e.GetSelText(), "bc\r\nde");
  ed.Key(ekLeft);
  EXPECT_EQ(ed.e.SelectionState(), sstNone);
}

TEST(Selection, CutAndReadOnly) {
  Ed ed("abcdef");
  ed.Select(0, 1, 0, 3);
  ed.e.SetReadOnly(true);
  ed.e.CutToClipboard();
  EXPECT_EQ(ed.Text(), "abcdef");
  EXPECT_FALSE(ed.p.clipHasText);
  ed.e.CopyToClipboard();
  EXPECT_EQ(ed.p.clip, "bc");
  ed.e.SetReadOnly(false);
  ed.e.CutToClipboard();
  EXPECT_EQ(ed.Text(), "adef");
}

TEST(Mouse, ClickAndDragSelects) {
  Ed ed("abcdef\r\nghijkl");
  ed.e.MouseDown(mbLeft, 0, ed.At(0, 1));
  EXPECT_EQ(ed.e.Col(), 1);
  // Less than half a character: nothing selected yet.
  TPoint p = ed.At(0, 1);
  p.X += 2;
  ed.e.MouseMove(0, p, true);
  EXPECT_EQ(ed.e.SelectionState(), sstInit);
  ed.e.MouseMove(0, ed.At(1, 3), true);
  ed.e.MouseUp(mbLeft, 0, ed.At(1, 3));
  EXPECT_EQ(ed.e.GetSelText(), "bcdef\r\nghi");
  // Shift+click extends from the anchor.
  ed.e.MouseDown(mbLeft, kShift, ed.At(1, 5));
  ed.e.MouseUp(mbLeft, kShift, ed.At(1, 5));
  EXPECT_EQ(ed.e.GetSelText(), "bcdef\r\nghijk");
}

// A drag-move is one undo step and one redo step, in one line or between
// lines (where the rows between are left as they are); the caret ends
// after the moved text.
TEST(Mouse, DragMovesAsOneUndoStep) {
  struct Case {
    const char* what;
    const char* text;
    int r1, c1, r2, c2;  // the selection
    int row, col;        // the drop
    const char* moved;
    int caretRow, caretCol;
  };
  const Case cases[] = {
      {"within a line", "one two three", 0, 0, 0, 4, 0, 13, "two threeone ", 0, 13},
      {"to a later line", "abc\r\ndef\r\nghi", 0, 1, 0, 2, 2, 1, "ac\r\ndef\r\ngbhi", 2, 2},
      {"to an earlier line", "abc\r\ndef\r\nghi", 2, 0, 2, 2, 0, 1, "aghbc\r\ndef\r\ni", 0, 3},
      {"a line break along", "abc\r\ndef\r\nghi\r\njkl", 0, 2, 1, 1, 3, 1, "abef\r\nghi\r\njc\r\ndkl", 3, 1},
      {"onto the last row", "abc\r\nde", 0, 0, 0, 1, 1, 2, "bc\r\ndea", 1, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Ed ed(c.text);
    ed.Select(c.r1, c.c1, c.r2, c.c2);
    ed.e.MouseDown(mbLeft, 0, ed.At(c.r1, c.c1));
    EXPECT_EQ(ed.e.SelDragState(), sdInit);
    ed.e.MouseMove(0, ed.At(c.row, c.col), true);
    EXPECT_EQ(ed.e.SelDragState(), sdDragging);
    ed.e.MouseUp(mbLeft, 0, ed.At(c.row, c.col));
    EXPECT_EQ(ed.Text(), c.moved);
    EXPECT_EQ(ed.e.Row(), c.caretRow);
    EXPECT_EQ(ed.e.Col(), c.caretCol);
    ed.e.Undo();
    EXPECT_EQ(ed.Text(), c.text);
    EXPECT_FALSE(ed.e.CanUndo());
    ed.e.Redo();
    EXPECT_EQ(ed.Text(), c.moved);
    EXPECT_FALSE(ed.e.CanRedo());
    ed.e.Undo();
    EXPECT_EQ(ed.Text(), c.text);
  }
}

TEST(Mouse, DropInsideTheSelectionOrCopy) {
  Ed ed("one two three");
  ed.Select(0, 0, 0, 7);
  ed.e.MouseDown(mbLeft, 0, ed.At(0, 1));
  ed.e.MouseMove(0, ed.At(0, 4), true);
  ed.e.MouseUp(mbLeft, 0, ed.At(0, 4));
  EXPECT_EQ(ed.Text(), "one two three");
  EXPECT_EQ(ed.e.SelectionState(), sstNone);
  // With Ctrl the text is copied.
  ed.Select(0, 0, 0, 4);
  ed.e.MouseDown(mbLeft, 0, ed.At(0, 1));
  ed.e.MouseMove(kCtrl, ed.At(0, 8), true);
  EXPECT_EQ(ed.p.cursor, mcDraggingCopy);
  ed.e.MouseUp(mbLeft, kCtrl, ed.At(0, 8));
  EXPECT_EQ(ed.Text(), "one two one three");
  // Escape cancels a drag.
  ed.Select(0, 0, 0, 4);
  ed.e.MouseDown(mbLeft, 0, ed.At(0, 1));
  ed.e.MouseMove(0, ed.At(0, 10), true);
  ed.e.KeyDown(ekEscape, 0);
  ed.e.MouseUp(mbLeft, 0, ed.At(0, 10));
  EXPECT_EQ(ed.Text(), "one two one three");
}

TEST(Mouse, BoxSelectionIsNotDragged) {
  Ed ed("abcdef\r\nghijkl");
  ed.e.SetSelectionMode(smBox);
  ed.Select(0, 1, 1, 3);
  EXPECT_FALSE(ed.e.CanSelDrag());
  ed.e.MouseDown(mbLeft, 0, ed.At(0, 2));
  EXPECT_EQ(ed.e.SelDragState(), sdNone);
  EXPECT_EQ(ed.e.SelectionState(), sstInit);
}

TEST(Mouse, AltDragSelectsABoxForThatSelectionOnly) {
  Ed ed(std::string("a") + kKanji + "bcd\r\nabc" + kKanji + "e\r\nxy");
  auto drag = [&](TShiftState s, TPoint from, TPoint to) {
    ed.e.MouseDown(mbLeft, s, from);
    ed.e.MouseMove(s, to, true);
    ed.e.MouseUp(mbLeft, s, to);
  };
  drag(kAlt, ed.At(2, 2), ed.At(0, 4));  // by columns over the kanji
  EXPECT_EQ(ed.e.GetSelText(), std::string("b\r\nc") + kKanji + "\r\n\r\n");
  drag(0, ed.At(0, 1), ed.At(1, 1));  // a plain drag selects a stream again
  EXPECT_EQ(ed.e.GetSelText(), std::string(kKanji) + "bcd\r\na");
  drag(kAlt, ed.At(0, 3), ed.At(1, 5));  // inside a stream selection: a box, not a move
  EXPECT_EQ(ed.e.GetSelText(), std::string("bc\r\n") + kKanji + "\r\n");
  ed.e.SetSelectionMode(smBox);  // chosen on purpose: it stays
  drag(kAlt, ed.At(0, 0), ed.At(1, 1));
  drag(0, ed.At(0, 1), ed.At(1, 1));
  EXPECT_EQ(ed.e.SelectionMode(), smBox);
}

TEST(Mouse, RowSelectionFromTheLeftMargin) {
  Ed ed("ab\r\ncd\r\n");
  TPoint margin = ed.At(1, 0);
  margin.X = 1;
  ed.e.MouseDown(mbLeft, 0, margin);
  ed.e.MouseUp(mbLeft, 0, margin);
  EXPECT_EQ(ed.e.GetSelText(), "cd\r\n");
  // Upwards the first row stays wholly selected.
  ed.e.MouseDown(mbLeft, 0, margin);
  TPoint up = margin;
  up.Y -= ed.e.GetRowHeight();
  ed.e.MouseMove(0, up, true);
  ed.e.MouseUp(mbLeft, 0, up);
  EXPECT_EQ(ed.e.GetSelText(), "ab\r\ncd\r\n");
  // The final row without a line break.
  ed.Set("ab\r\ncd");
  ed.e.MouseDown(mbLeft, 0, margin);
  EXPECT_EQ(ed.e.GetSelText(), "cd");
}

TEST(Mouse, CursorFollowsThePointer) {
  Ed ed("abcdef");
  ed.e.Leftbar().SetVisible(true);
  ed.e.Ruler().SetVisible(true);
  ed.e.MouseMove(0, TPoint{1, 40}, false);
  EXPECT_EQ(ed.p.cursor, mcLeftMargin);
  ed.e.MouseMove(0, TPoint{ed.e.LeftMargin() + 20, 2}, false);
  EXPECT_EQ(ed.p.cursor, mcTopMargin);
  ed.Select(0, 1, 0, 4);
  ed.e.MouseMove(0, ed.At(0, 2), false);
  EXPECT_EQ(ed.p.cursor, mcInSel);
  ed.e.MouseMove(0, ed.At(0, 5), false);
  EXPECT_EQ(ed.p.cursor, mcClient);
}

}  // namespace
}  // namespace tolvan::test
