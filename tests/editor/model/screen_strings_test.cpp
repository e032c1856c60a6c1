#include "editor/model/screen_strings.h"

#include <gtest/gtest.h>

#include "comment_parser.h"
#include "editor/model/editor_strings.h"
#include "invariants.h"
#include "test_client.h"

namespace tolvan {
namespace {

using test::Fixture;
using V = std::vector<std::string>;

void SetText(Fixture& f, const std::string& s) {
  TEditorStrings lines(f.client, [&]() -> TEditorScreenStrings& { return *f.store; });
  lines.SetTextStr(s);
}

TEST(AttributeWords, FieldsArePackedAsTabled) {
  TEditorStringList l;
  l.Add("x");
  EXPECT_EQ(l.Rows(0), raCrlf);
  EXPECT_EQ(l.Brackets(0), -2);  // a fresh row: state not computed
  l.SetRows(0, raEof);
  l.SetPrevRows(0, raWrapped);
  l.SetBrackets(0, 13);
  l.SetElements(0, 0xAB);
  l.SetWrappedBytes(0, 0xCD);
  l.SetRemains(0, 0xEF);
  l.SetTokens(0, 0x12);
  l.SetPrevTokens(0, 0x34);
  l.SetRowMarks(0, 0x8001);
  EXPECT_EQ(l.Item(0), 0xEFCDABF6u);  // 2 | 1<<2 | 15<<4 | ...
  EXPECT_EQ(l.Item2(0), 0x80013412u);
  l.SetBrackets(0, -1);
  EXPECT_EQ(l.Brackets(0), -1);
  EXPECT_EQ(l.Item(0) & 0xF0u, 0x10u);
  EXPECT_EQ(l.Rows(0), raEof);
  EXPECT_EQ(l.RowMarks(0), 0x8001);
  EXPECT_THROW(l.Item(1), EListError);
  EXPECT_THROW(l.Insert(3, "y"), EListError);
  l.SetDataStr(0, "state");
  int tag = 0;
  l.SetData(0, &tag);
  EXPECT_EQ(l.DataStr(0), "state");
  EXPECT_EQ(l.Data(0), &tag);
}

TEST(StringList, NotifiesOncePerOutermostUpdate) {
  TheStringList l;
  int changes = 0;
  l.OnChange = [&] { ++changes; };
  l.Add("a");
  l.Add("b");
  EXPECT_EQ(changes, 2);
  l.SetUpdateState(true);
  l.SetUpdateState(true);
  l.Put(0, "x");
  l.Exchange(0, 1);
  l.Delete(0);
  l.SetUpdateState(false);
  EXPECT_EQ(changes, 2);
  l.SetUpdateState(false);
  EXPECT_EQ(changes, 3);
  EXPECT_EQ(l.Get(0), "x");
  try {
    l.Get(5);
    FAIL();
  } catch (const EListError& e) {
    EXPECT_NE(std::string(e.what()).find("(5)"), std::string::npos);
  }
}

TEST(RowStore, ListInfoRowStartRowEnd) {
  Fixture f;
  f.store->SetWordWrap(true);
  f.store->WrapOption().SetWrapByte(20);
  SetText(f, std::string(45, 'a') + "\r\nb");
  EXPECT_EQ(f.Rows(), V({std::string(20, 'a') + "|w", std::string(20, 'a') + "|w", "aaaaa|c", "b|e"}));
  EXPECT_EQ(f.store->RowStart(2), 0);
  EXPECT_EQ(f.store->RowEnd(0), 2);
  EXPECT_EQ(f.store->RowEnd(3), 3);
  std::string s;
  int rows = 0;
  TRowAttribute a;
  f.store->ListInfo(1, -1, s, rows, a);
  EXPECT_EQ(s, std::string(25, 'a') + "\r\n");
  EXPECT_EQ(rows, 2);
  EXPECT_EQ(a, raCrlf);
  f.store->ListInfo(2, 5, s, rows, a);
  EXPECT_EQ(s, "aaaaa\r\nb");
  EXPECT_EQ(a, raEof);
  f.store->ListInfo(4, 1, s, rows, a);
  EXPECT_EQ(s, "");
  EXPECT_EQ(rows, 0);
  EXPECT_EQ(a, raInvalid);
  EXPECT_EQ(f.store->ListRows(4), raEof);
  EXPECT_EQ(f.store->ListRows(-1), raEof);
  EXPECT_EQ(f.store->ListStr(9), "");
  EXPECT_EQ(f.store->LinesToRow(1), 3);
  EXPECT_EQ(f.store->RowToLines(3), 1);
}

TEST(RowStore, UpdateListTypingEnterAndBackspace) {
  Fixture f;
  f.store->UpdateList(0, 0, "abc");
  EXPECT_EQ(f.Rows(), V({"abc|e"}));
  // Enter in the middle.
  f.store->UpdateList(0, 1, "a\r\nbc");
  EXPECT_EQ(f.Rows(), V({"a|c", "bc|e"}));
  // Backspace at the start of row 1 joins it to row 0.
  f.store->UpdateList(0, 1, "a");
  EXPECT_EQ(f.Rows(), V({"abc|e"}));
  // A final line break opens no empty row but makes the row raCrlf.
  f.store->UpdateList(0, 1, "abc\r\n");
  EXPECT_EQ(f.Rows(), V({"abc|c"}));
  f.store->UpdateList(1, 0, "d\r\n");
  EXPECT_EQ(f.Rows(), V({"abc|c", "d|c"}));
  EXPECT_EQ(f.store->ListToStr(), "abc\r\nd\r\n");
  // Nothing happens out of range or for an empty insert.
  f.store->UpdateList(3, 0, "x");
  f.store->UpdateList(1, 2, "x");
  f.store->UpdateList(0, 0, "");
  f.store->UpdateList(-1, 1, "x");
  EXPECT_EQ(f.store->ListToStr(), "abc\r\nd\r\n");
  EXPECT_EQ(f.store->UndoObj().UndoList().size(), 5u);
}

TEST(RowStore, PureDeletionOfWholeLines) {
  Fixture f;
  SetText(f, "a\r\nb\r\nc");
  f.store->UpdateList(1, 1, "");
  EXPECT_EQ(f.Rows(), V({"a|c", "c|e"}));
  EXPECT_EQ(f.client.lastDraw.Start, 1);
  EXPECT_EQ(f.client.lastDraw.OldCount, 1);
  EXPECT_EQ(f.client.lastDraw.NewCount, 0);
  f.store->UpdateList(0, 2, "");
  EXPECT_EQ(f.store->Count(), 0);
}

TEST(RowStore, LineBreaksOfEveryKindAreNormalised) {
  Fixture f;
  f.store->UpdateList(0, 0, "a\rb\nc\r\n\r\nd\r");
  EXPECT_EQ(f.Rows(), V({"a|c", "b|c", "c|c", "|c", "d|c"}));
  EXPECT_TRUE(test::CheckInvariants(*f.store).empty());
}

TEST(RowStore, TextAddedAfterAnEofRowJoinsTheLastLine) {
  Fixture f;
  SetText(f, "a\r\nb");
  f.store->UpdateList(2, 0, "c\r\nd");
  EXPECT_EQ(f.Rows(), V({"a|c", "bc|c", "d|e"}));
  EXPECT_TRUE(test::CheckInvariants(*f.store).empty());
  f.store->Undo();
  EXPECT_EQ(f.store->ListToStr(), "a\r\nb");
}

TEST(RowStore, EditInsideWrappedLineRecutsFromRowBefore) {
  Fixture f;
  f.store->SetWordWrap(true);
  f.store->WrapOption().SetWrapByte(20);
  SetText(f, std::string(50, 'a') + "\r\nnext\r\n");
  ASSERT_EQ(f.store->Count(), 4);
  // Type one character at the start of row 1.
  f.store->UpdateList(1, 1, "X" + std::string(f.store->Get(1)));
  EXPECT_EQ(f.Rows(), V({std::string(20, 'a') + "|w", "X" + std::string(19, 'a') + "|w",
                         std::string(11, 'a') + "|c", "next|c"}));
  EXPECT_EQ(f.client.lastDraw.Start, 0);
  EXPECT_EQ(f.client.lastDraw.OldCount, 3);
  EXPECT_EQ(f.client.lastDraw.NewCount, 3);
}

TEST(RowMarks, LineBreakAtColumnZeroMovesTheMarkDown) {
  Fixture f;
  SetText(f, "ab\r\ncd\r\n");
  f.store->SetListRowMarks(0, RowMarkBit(rm1));
  EXPECT_EQ(f.store->ValidRowMarks(), RowMarkBit(rm1));
  f.client.col = 0;
  f.store->UpdateList(0, 1, "\r\nab\r\n");
  EXPECT_EQ(f.store->RowMarks(0), 0);
  EXPECT_EQ(f.store->RowMarks(1), RowMarkBit(rm1));
  f.client.col = 1;
  f.store->UpdateList(1, 1, "a\r\nb\r\n");
  EXPECT_EQ(f.store->RowMarks(1), RowMarkBit(rm1));
  EXPECT_EQ(f.store->RowMarks(2), 0);
}

// An edit over several rows that adds rows: the first old row's marks stay
// on the first row, every other old row's marks on the row that holds its
// text, counted from the bottom of the range; the new rows get none.
TEST(RowMarks, AddedRowsLeaveTheOldMarksOnTheirRows) {
  Fixture f;
  SetText(f, "a\r\nb\r\nc\r\nd\r\n");
  f.store->SetListRowMarks(0, RowMarkBit(rm1));
  f.store->SetListRowMarks(1, RowMarkBit(rm2));
  f.store->SetListRowMarks(2, RowMarkBit(rm3) | RowMarkBit(rm12));
  f.store->SetListRowMarks(3, RowMarkBit(rm4));
  f.client.col = 1;
  // "a / b" becomes "a / X / b"; the edit re-cuts the line after it too.
  f.store->UpdateList(0, 2, "a\r\nX\r\nb\r\n");
  ASSERT_EQ(f.Rows(), V({"a|c", "X|c", "b|c", "c|c", "d|c"}));
  EXPECT_EQ(f.store->RowMarks(0), RowMarkBit(rm1));
  EXPECT_EQ(f.store->RowMarks(1), 0);
  EXPECT_EQ(f.store->RowMarks(2), RowMarkBit(rm2));
  EXPECT_EQ(f.store->RowMarks(3), RowMarkBit(rm3) | RowMarkBit(rm12));
  EXPECT_EQ(f.store->RowMarks(4), RowMarkBit(rm4));
  // Two rows more at once.
  f.store->UpdateList(2, 2, "b\r\nY\r\nZ\r\nc\r\n");
  ASSERT_EQ(f.Rows(), V({"a|c", "X|c", "b|c", "Y|c", "Z|c", "c|c", "d|c"}));
  EXPECT_EQ(f.store->RowMarks(2), RowMarkBit(rm2));
  EXPECT_EQ(f.store->RowMarks(3), 0);
  EXPECT_EQ(f.store->RowMarks(4), 0);
  EXPECT_EQ(f.store->RowMarks(5), RowMarkBit(rm3) | RowMarkBit(rm12));
  EXPECT_EQ(f.store->RowMarks(6), RowMarkBit(rm4));
  // An edit that keeps the row count keeps every mark in place.
  f.store->UpdateList(3, 2, "y\r\nz\r\n");
  EXPECT_EQ(f.store->RowMarks(2), RowMarkBit(rm2));
  EXPECT_EQ(f.store->RowMarks(5), RowMarkBit(rm3) | RowMarkBit(rm12));
  EXPECT_EQ(f.store->RowMarks(6), RowMarkBit(rm4));
  EXPECT_EQ(f.store->ValidRowMarks(),
            RowMarkBit(rm1) | RowMarkBit(rm2) | RowMarkBit(rm3) | RowMarkBit(rm4) | RowMarkBit(rm12));
}

TEST(RowMarks, DeletionCarriesMarksAndEmptyStoreDropsThem) {
  Fixture f;
  SetText(f, "a\r\nb\r\nc\r\n");
  f.store->SetListRowMarks(1, RowMarkBit(rm2) | RowMarkBit(rm12));
  f.store->SetListRowMarks(2, RowMarkBit(rm12));
  // Joining row 1 into row 0 keeps the marks on the joined row.
  f.store->UpdateList(0, 2, "ab\r\n");
  EXPECT_EQ(f.store->RowMarks(0), RowMarkBit(rm2) | RowMarkBit(rm12));
  f.store->UpdateList(0, 1, "");
  EXPECT_EQ(f.store->RowMarks(0), RowMarkBit(rm2) | RowMarkBit(rm12));
  EXPECT_EQ(f.store->ValidRowMarks(), RowMarkBit(rm2) | RowMarkBit(rm12));
  f.store->UpdateList(0, 1, "");
  EXPECT_EQ(f.store->Count(), 0);
  EXPECT_EQ(f.store->ValidRowMarks(), 0);
}

TEST(RowMarks, SetListRowMarksMaintainsValidMarks) {
  Fixture f;
  SetText(f, "a\r\nb\r\n");
  f.store->SetListRowMarks(0, RowMarkBit(rm11));
  f.store->SetListRowMarks(1, RowMarkBit(rm11));
  f.store->SetListRowMarks(1, 0);
  // Cleared from the valid marks even though row 0 still carries it.
  EXPECT_EQ(f.store->ValidRowMarks(), 0);
  f.store->SetListRowMarks(7, RowMarkBit(rm3));
  EXPECT_EQ(f.store->ValidRowMarks(), 0);
}

class Brackets : public ::testing::Test {
 protected:
  void SetUp() override {
    f.client.scheme = &scheme;
    f.client.screenHeight = 5 * 16;  // 5 rows: the walk covers 10 beyond the row
  }
  std::string Lines(int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += "row " + std::to_string(i) + "\r\n";
    return s;
  }
  Fixture f;
  test::CommentScheme scheme;
};

TEST_F(Brackets, WalkStopsAtTheFirstUnchangedRow) {
  SetText(f, Lines(30));
  f.client.full = true;
  f.store->InitBrackets();
  EXPECT_EQ(f.store->UncomputedFrom(), 30);
  f.client.invalidated.clear();
  scheme.rowsAdvanced = 0;
  f.store->UpdateList(5, 1, "changed\r\n");
  // The edited row and the re-cut line after it are written; the walk stops
  // at row 7, which is not repainted.
  EXPECT_EQ(f.client.lastDraw.StateRows, 2);
  EXPECT_EQ(f.client.invalidated, std::vector<int>({5, 6}));
  EXPECT_EQ(f.store->Brackets(6), -1);
  EXPECT_TRUE(test::CheckInvariants(*f.store).empty());
}

TEST_F(Brackets, OpenRegionRunsToTheLimitAndTheRestIsReset) {
  SetText(f, Lines(40));
  f.client.full = true;
  f.store->InitBrackets();
  f.store->UpdateList(3, 1, "/* open\r\n");
  // Rows 4..13 (Row + 2 screens) carry the open region; after that nothing
  // is computed.
  EXPECT_EQ(f.store->Brackets(3), -1);
  for (int r = 4; r <= 13; ++r) EXPECT_EQ(f.store->Brackets(r), 0) << r;
  for (int r = 14; r < 40; ++r) EXPECT_EQ(f.store->Brackets(r), -2) << r;
  EXPECT_EQ(f.store->UncomputedFrom(), 14);
  EXPECT_EQ(f.client.lastDraw.StateRows, 11);
  EXPECT_TRUE(test::CheckInvariants(*f.store).empty());
  // An edit further down starts from the last computed row.
  f.store->UpdateList(20, 1, "x */\r\n");
  EXPECT_EQ(f.store->Brackets(20), 0);
  EXPECT_EQ(f.store->Brackets(21), -1);
  EXPECT_TRUE(test::CheckInvariants(*f.store).empty());
}

TEST_F(Brackets, InitBracketsComputesTwoScreensFromTheTopRow) {
  SetText(f, Lines(100));
  f.client.top = 50;
  f.store->InitBrackets();
  EXPECT_EQ(f.store->UncomputedFrom(), 61);
  EXPECT_EQ(f.store->Brackets(60), -1);
  EXPECT_EQ(f.store->Brackets(61), -2);
  EXPECT_EQ(f.store->PrevRows(0), raCrlf);
  EXPECT_EQ(scheme.parsersMade, 2);  // one per pass (SetTextStr and here)
}

TEST_F(Brackets, WithoutSchemeEveryRowHoldsTheInitialState) {
  f.client.scheme = nullptr;
  f.client.full = true;
  SetText(f, Lines(10));
  for (int r = 0; r < 10; ++r) {
    TRowAttributeData d = f.store->GetListData(r);
    EXPECT_EQ(d.Brackets, -1);
    EXPECT_EQ(d.Tokens, 0);
  }
}

TEST(Clients, ReferenceReleaseAndActiveClient) {
  test::TestClient a, b;
  auto* store = new TEditorScreenStrings;
  store->Reference(&a);
  store->Reference(&b);
  EXPECT_EQ(store->GetClient(), &a);
  EXPECT_EQ(store->GetActiveClient(), &a);
  b.focused = true;
  EXPECT_EQ(store->GetActiveClient(), &b);
  store->UpdateList(0, 0, "x\r\n");
  EXPECT_EQ(a.changes, 1);
  EXPECT_EQ(b.changes, 1);
  // Sharing: b moves to another store; the first survives while a holds it.
  auto* other = new TEditorScreenStrings;
  other->Reference(&a);  // keeps `other` alive until a releases it
  TEditorScreenStrings& now = ExchangeList(b, *store, *other);
  EXPECT_EQ(&now, other);
  EXPECT_EQ(b.initViews, 1);
  EXPECT_EQ(store->Clients().size(), 1u);
  other->Release(&a);
  other->Release(&b);  // frees other
  store->Release(&a);  // frees store
}

TEST(Clients, EndOfUpdateClampsCaretAndTopRow) {
  Fixture f;
  SetText(f, "a\r\nb\r\nc");
  f.client.row = 2;
  f.client.top = 2;
  f.store->UpdateList(1, 2, "");
  // Last row now raCrlf: row Count (1) is open to the caret.
  EXPECT_EQ(f.client.row, 1);
  EXPECT_EQ(f.client.top, 1);
  f.store->Clear();
  EXPECT_EQ(f.client.row, 0);
  EXPECT_EQ(f.client.col, 0);
  EXPECT_FALSE(f.store->UndoObj().CanUndo());
}

TEST(WordWrapSwitch, OffJoinsLinesWithTheirMarksAndClearsUndo) {
  Fixture f;
  f.store->SetWordWrap(true);
  f.store->WrapOption().SetWrapByte(20);
  SetText(f, std::string(50, 'a') + "\r\nb");
  f.store->SetListRowMarks(1, RowMarkBit(rm4));
  f.store->SetListRowMarks(2, RowMarkBit(rm13));
  f.store->UpdateList(3, 1, "bb");
  ASSERT_TRUE(f.store->UndoObj().CanUndo());
  int views = f.client.initViews;
  f.store->SetWordWrap(false);
  EXPECT_EQ(f.Rows(), V({std::string(50, 'a') + "|c", "bb|e"}));
  EXPECT_EQ(f.store->RowMarks(0), RowMarkBit(rm4) | RowMarkBit(rm13));
  EXPECT_FALSE(f.store->UndoObj().CanUndo());
  EXPECT_GT(f.client.initViews, views);
  // On again: the marks go back one for one (all on the first row here).
  f.store->SetWordWrap(true);
  EXPECT_EQ(f.store->Count(), 4);
  EXPECT_EQ(f.store->RowMarks(0), RowMarkBit(rm4) | RowMarkBit(rm13));
  EXPECT_EQ(f.store->Rows(3), raEof);
}

TEST(WordWrapSwitch, WrapOptionChangeRewrapsAndClearsUndo) {
  Fixture f;
  SetText(f, std::string(100, 'a'));
  f.store->SetWordWrap(true);
  EXPECT_EQ(f.store->Count(), 2);
  f.store->UpdateList(0, 1, "b" + std::string(f.store->Get(0)));
  ASSERT_TRUE(f.store->UndoObj().CanUndo());
  f.store->WrapOption().SetWrapByte(30);
  EXPECT_EQ(f.store->Count(), 4);  // 101 columns
  EXPECT_FALSE(f.store->UndoObj().CanUndo());
  EXPECT_EQ(f.store->Rows(3), raEof);
  EXPECT_EQ(f.store->ListToStr(), "b" + std::string(100, 'a'));
}

TEST(SelIndex, CountsLineBreaksAsTwoAndWrapsAsNothing) {
  Fixture f;
  f.store->SetWordWrap(true);
  f.store->WrapOption().SetWrapByte(20);
  SetText(f, std::string(25, 'a') + "\r\n\tb");
  EXPECT_EQ(f.store->GetSelIndex(0, 2, 8), 25 + 2 + 1);
  int row = 0, col = 0;
  f.store->SelIndexToRowCol(0, 28, row, col);
  EXPECT_EQ(row, 2);
  EXPECT_EQ(col, 8);
  f.store->SelIndexToRowCol(0, 22, row, col);
  EXPECT_EQ(row, 1);
  EXPECT_EQ(col, 2);
  f.store->SelIndexToRowCol(0, 999, row, col);
  EXPECT_EQ(row, 2);
  EXPECT_EQ(col, 9);
}

}  // namespace
}  // namespace tolvan
