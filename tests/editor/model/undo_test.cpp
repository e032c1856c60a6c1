#include "editor/model/undo.h"

#include <gtest/gtest.h>

#include "editor/model/editor_strings.h"
#include "invariants.h"
#include "test_client.h"

namespace tolvan {
namespace {

using test::Fixture;
using V = std::vector<std::string>;

// Types one character at the caret as the control does: one UpdateList.
void Type(Fixture& f, char ch) {
  TEditorScreenStrings& s = *f.store;
  int row = f.client.row;
  std::string text(s.ListStr(row));
  text.insert(static_cast<std::size_t>(f.client.col), 1, ch);
  s.CheckCrlf(row, text);
  if (row >= s.Count()) {
    s.UpdateList(row, 0, std::string(1, ch));
  } else {
    s.UpdateList(row, 1, text);
  }
  f.client.col += 1;
}

TEST(Undo, ListMaxIsAtLeast64AndDropsTheOldest) {
  Fixture f;
  TEditorUndoObj& u = f.store->UndoObj();
  u.SetListMax(10);
  EXPECT_EQ(u.ListMax(), 64);
  for (int i = 0; i < 65; ++i) Type(f, 'a');
  EXPECT_EQ(u.UndoList().size(), 64u);
  for (int i = 0; i < 64; ++i) f.store->Undo();
  EXPECT_FALSE(u.CanUndo());
  EXPECT_EQ(f.store->ListToStr(), "a");
  u.SetListMax(100);
  EXPECT_EQ(u.ListMax(), 100);
}

// Records joined into one step leave the list together: the oldest step
// dropped for the limit takes its joined records with it.
TEST(Undo, TheLimitDropsWholeJoinedSteps) {
  Fixture f;
  TEditorUndoObj& u = f.store->UndoObj();
  Type(f, 'a');
  Type(f, 'b');
  u.JoinLast();  // "ab" is one step
  for (int i = 0; i < 62; ++i) Type(f, 'c');
  EXPECT_EQ(u.UndoList().size(), 64u);
  Type(f, 'd');  // the limit takes "a", and "b" with it
  EXPECT_EQ(u.UndoList().size(), 63u);
  for (int i = 0; i < 63; ++i) f.store->Undo();
  EXPECT_FALSE(u.CanUndo());
  EXPECT_EQ(f.store->ListToStr(), "ab");
}

TEST(Undo, ThreeCharactersBackToEmptyWithTheCaret) {
  Fixture f;
  Type(f, 'x');
  Type(f, 'y');
  Type(f, 'z');
  EXPECT_EQ(f.store->ListToStr(), "xyz");
  f.store->Undo();
  EXPECT_EQ(f.store->ListToStr(), "xy");
  EXPECT_EQ(f.client.col, 2);
  f.store->Undo();
  EXPECT_EQ(f.client.col, 1);
  f.store->Undo();
  EXPECT_EQ(f.store->Count(), 0);
  EXPECT_EQ(f.client.col, 0);
  EXPECT_TRUE(f.store->UndoObj().CanRedo());
  f.store->Redo();
  f.store->Redo();
  EXPECT_EQ(f.store->ListToStr(), "xy");
  // Redo puts the caret where it stood before the undo.
  EXPECT_EQ(f.client.col, 2);
  EXPECT_TRUE(f.store->UndoObj().CanUndo());
}

TEST(Undo, NewEditClearsRedo) {
  Fixture f;
  Type(f, 'a');
  Type(f, 'b');
  f.store->Undo();
  EXPECT_TRUE(f.store->UndoObj().CanRedo());
  Type(f, 'c');
  EXPECT_FALSE(f.store->UndoObj().CanRedo());
  EXPECT_EQ(f.store->ListToStr(), "ac");
}

TEST(Undo, DeletingTheLastRowsKeepsTheFinalAttribute) {
  for (const char* text : {"a\r\nb\r\nc", "a\r\nb\r\nc\r\n"}) {
    Fixture f;
    TEditorStrings lines(f.client, [&]() -> TEditorScreenStrings& { return *f.store; });
    lines.SetTextStr(text);
    f.store->UpdateList(1, 2, "");
    EXPECT_EQ(f.store->ListToStr(), "a\r\n");
    f.store->Undo();
    EXPECT_EQ(f.store->ListToStr(), text);
    f.store->Redo();
    EXPECT_EQ(f.store->ListToStr(), "a\r\n");
  }
}

TEST(Undo, WrappedRowsComeBackAsTheyWereCut) {
  Fixture f;
  f.store->SetWordWrap(true);
  f.store->WrapOption().SetWrapByte(20);
  TEditorStrings lines(f.client, [&]() -> TEditorScreenStrings& { return *f.store; });
  lines.SetTextStr(std::string(40, 'a') + "b\r\nz");
  auto before = f.Rows();
  ASSERT_EQ(before[1], std::string(20, 'a') + "|w");
  // Replacing row 1 re-cuts the line from row 0.
  f.store->UpdateList(1, 1, "X");
  EXPECT_NE(f.Rows(), before);
  f.store->Undo();
  EXPECT_EQ(f.Rows(), before);
  // An edit of the first row and its undo give back the same cuts.
  f.store->UpdateList(0, 1, std::string(20, 'c'));
  f.store->Undo();
  EXPECT_EQ(f.Rows(), before);
  EXPECT_TRUE(test::CheckInvariants(*f.store).empty());
}

// A line of exactly the wrap width ends in an empty row; once its full row
// is replaced by text ending in line breaks, that empty row is the text's
// last row, and only the rows themselves say so: the record's text alone,
// cut afresh, has one row less and no final line break.
TEST(Undo, RedoPutsBackExactlyTheRowsTheEditMade) {
  Fixture f;
  f.store->SetWordWrap(true);
  f.store->WrapOption().SetWrapByte(20);
  TEditorStrings lines(f.client, [&]() -> TEditorScreenStrings& { return *f.store; });
  lines.SetTextStr(std::string(20, 'a'));
  const auto before = f.Rows();
  ASSERT_EQ(before, V({std::string(20, 'a') + "|w", "|e"}));
  f.store->UpdateList(0, 1, "x\r\n\r\n");
  const auto after = f.Rows();
  ASSERT_EQ(after, V({"x|c", "|e"}));
  EXPECT_EQ(f.store->ListToStr(), "x\r\n");
  f.store->Undo();
  EXPECT_EQ(f.Rows(), before);
  f.store->Redo();
  EXPECT_EQ(f.Rows(), after);
  EXPECT_EQ(f.store->ListToStr(), "x\r\n");
  // And once more round: the record made by the redo is exact too.
  f.store->Undo();
  EXPECT_EQ(f.Rows(), before);
  f.store->Redo();
  EXPECT_EQ(f.Rows(), after);
  // An edit over those rows: its undo, made again by a redo, must put them
  // back as they were too.
  f.store->UpdateList(0, 1, "z");
  ASSERT_EQ(f.Rows(), V({"z|e"}));
  f.store->Undo();
  EXPECT_EQ(f.Rows(), after);
  f.store->Redo();
  EXPECT_EQ(f.Rows(), V({"z|e"}));
  f.store->Undo();
  EXPECT_EQ(f.Rows(), after);
  EXPECT_EQ(f.store->ListToStr(), "x\r\n");
  f.store->Undo();
  EXPECT_EQ(f.Rows(), before);
  f.store->Redo();
  f.store->Redo();
  EXPECT_EQ(f.store->ListToStr(), "z");
  EXPECT_TRUE(test::CheckInvariants(*f.store).empty());
}

TEST(Undo, UndoIsAChangeAndTogglingWrapEndsHistory) {
  Fixture f;
  Type(f, 'a');
  f.client.modified = false;
  f.store->Undo();
  EXPECT_TRUE(f.client.modified);
  Type(f, 'b');
  f.store->SetWordWrap(true);
  EXPECT_FALSE(f.store->UndoObj().CanUndo());
  EXPECT_FALSE(f.store->UndoObj().CanRedo());
}

TEST(Undo, InsertedRowsAreRemovedAndMarksSurvive) {
  Fixture f;
  TEditorStrings lines(f.client, [&]() -> TEditorScreenStrings& { return *f.store; });
  lines.SetTextStr("a\r\nb\r\n");
  f.store->SetListRowMarks(1, RowMarkBit(rm5));
  f.store->UpdateList(2, 0, "c\r\nd\r\n");
  f.store->SetListRowMarks(3, RowMarkBit(rm6));
  f.store->Undo();
  EXPECT_EQ(f.Rows(), V({"a|c", "b|c"}));
  // The removed rows' marks land on the row now at the range's start.
  EXPECT_EQ(f.store->RowMarks(1), RowMarkBit(rm5) | RowMarkBit(rm6));
}

}  // namespace
}  // namespace tolvan

namespace tolvan {
namespace {

// Two controls on one store share one history; the focused one's caret is
// recorded and restored.
TEST(Undo, SharedStoreUsesTheFocusedClient) {
  test::TestClient a, b;
  auto* store = new TEditorScreenStrings;
  store->Reference(&a);
  store->Reference(&b);
  b.focused = true;
  b.row = 0;
  b.col = 0;
  store->UpdateList(0, 0, "hello");
  b.col = 5;
  a.col = 3;
  store->UpdateList(0, 1, "hello!");
  EXPECT_EQ(store->UndoObj().UndoList().back()->CaretCol, 5);
  a.col = 1;
  b.col = 6;
  store->Undo();
  EXPECT_EQ(store->ListToStr(), "hello");
  EXPECT_EQ(b.col, 5);  // the focused control's caret went back
  EXPECT_EQ(a.col, 1);
  b.focused = false;
  a.focused = true;
  store->Redo();  // either control redoes the shared history
  EXPECT_EQ(store->ListToStr(), "hello!");
  EXPECT_EQ(a.col, 6);
  store->Release(&a);
  store->Release(&b);
}

}  // namespace
}  // namespace tolvan
