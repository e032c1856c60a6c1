// The control on a UTF-8 document: the caret, the keys, selection and
// search step over characters of 1-4 bytes and the marks that ride on them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "colouring/gawk_fountain.h"
#include "recording_platform.h"

namespace tolvan::test {
namespace {

const std::string kKan = "\xE6\xBC\xA2";     // 漢: 3 bytes, 2 columns
const std::string kE = "e\xCC\x81";           // e + combining acute: 3 bytes, 1 column
const std::string kFace = "\xF0\x9F\x98\x80";  // 4 bytes, 2 columns

struct U8 : Ed {
  explicit U8(std::string_view text) {
    e.Lines().SetEncoding(TextEncoding::Utf8);
    Set(text);
  }
};

TEST(Utf8Caret, StepsOverWholeCharacters) {
  U8 ed("a" + kKan + kE + kFace + "b");  // columns 0 1-2 3 4-5 6
  const int right[] = {1, 3, 4, 6, 7};
  for (int col : right) {
    ed.Key(ekRight);
    EXPECT_EQ(ed.e.Col(), col);
  }
  const int left[] = {6, 4, 3, 1, 0};
  for (int col : left) {
    ed.Key(ekLeft);
    EXPECT_EQ(ed.e.Col(), col);
  }
  // A column inside a wide character puts the caret before it.
  ed.e.SetRowCol(0, 2);
  EXPECT_EQ(ed.e.Col(), 1);
  ed.e.SetRowCol(0, 5);
  EXPECT_EQ(ed.e.Col(), 4);
  // SelStart counts bytes.
  ed.e.SetRowCol(0, 4);
  EXPECT_EQ(ed.e.SelStart(), 7);
  ed.e.SetSelStart(8);  // inside the emoji: counted whole, as in CP932
  EXPECT_EQ(ed.e.Col(), 6);
  // Down from column 2 onto a row whose columns 1-2 hold one character.
  ed.Set("abcd\r\na" + kKan);
  ed.e.SetRowCol(0, 2);
  ed.Key(ekDown);
  EXPECT_EQ(ed.e.Col(), 1);
  ed.Key(ekEnd);
  EXPECT_EQ(ed.e.Col(), 3);
}

TEST(Utf8Typing, InsertsAndDeletesWholeCharacters) {
  U8 ed("");
  ed.Type(kKan + "x" + kE + "\xFF" + kFace);  // the stray 0xFF is dropped
  EXPECT_EQ(ed.Text(), kKan + "x" + kE + kFace);
  EXPECT_EQ(ed.e.Col(), 6);
  ed.Key(ekLeft);  // before the emoji
  ed.e.CharInput("\x08");  // Backspace takes e with its mark
  EXPECT_EQ(ed.Text(), kKan + "x" + kFace);
  ed.e.SetRowCol(0, 0);
  ed.Key(ekDelete);
  EXPECT_EQ(ed.Text(), "x" + kFace);
  ed.e.SetRowCol(0, 1);
  ed.Key(ekDelete);
  EXPECT_EQ(ed.Text(), "x");
  // A mark typed on its own joins the character before it.
  ed.Type("\xCC\x81");
  EXPECT_EQ(ed.Text(), "x\xCC\x81");
  EXPECT_EQ(ed.e.Col(), 1);
  // An input-method result is one undo step in the document's encoding.
  ed.e.ImeResult("\xE6\x97\xA5\xE6\x9C\xAC", false);
  EXPECT_EQ(ed.e.Col(), 5);
  ed.e.Undo();
  EXPECT_EQ(ed.Text(), "x\xCC\x81");
}

// Characters typed at once go in as given, also before a mark that stood
// alone at the row start (which then rides on the last of them).
TEST(Utf8Typing, CharactersGivenAtOnceKeepTheirOrder) {
  U8 ed("\xCC\x81q");
  ed.Type("xyz");
  EXPECT_EQ(ed.Text(), "xyz\xCC\x81q");
  EXPECT_EQ(ed.e.Col(), 3);
  ed.e.Undo();
  EXPECT_EQ(ed.Text(), "\xCC\x81q");
}

// Reading the bytes in the other encoding drops a selection whose edge
// would stand inside a character; the bytes stay.
TEST(Utf8Selection, ChangingTheEncodingDropsTheSelection) {
  U8 ed("\xE3\x81\x82\xE3\x81\x84");  // あい
  ed.Select(0, 0, 0, 2);
  ed.e.Lines().SetEncoding(TextEncoding::Cp932);
  EXPECT_FALSE(ed.e.Selected());
  EXPECT_EQ(ed.Text(), "\xE3\x81\x82\xE3\x81\x84");
}

// Word steps stop where CP932 stops: between kana, katakana and kanji runs,
// and on columns, never inside a character; with stops at word ends, at
// the column a word's last character ends.
TEST(Utf8Caret, WordStepsStopBetweenRunsOfOneKind) {
  struct Case {
    const char* what;
    std::string text;
    bool endStop;
    int from;
    std::vector<int> right, left;  // Ctrl+Right stops from `from`, then Ctrl+Left stops back
  };
  const Case cases[] = {
      {"runs of one kind", "\xE3\x81\xB2\xE3\x82\x89\xE3\x82\xAB\xE3\x82\xBF\xE3\x83\xBC\xE6\xBC\xA2\xE5\xAD\x97 x",
       false, 0, {4, 10, 15, 16}, {15, 10, 4, 0}},  // ひら|カター|漢字 |x|end
      {"word ends after wide characters", kKan + "\xE5\xAD\x97 abc def", true, 5, {8, 9, 12},
       {9, 8, 5, 4, 0}},  // 漢字 abc def
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    U8 ed(c.text);
    ed.e.Caret().SetTokenEndStop(c.endStop);
    ed.e.SetRowCol(0, c.from);
    std::vector<int> right, left;
    for (std::size_t i = 0; i < c.right.size(); ++i) {
      ed.Key(ekRight, kCtrl);
      right.push_back(ed.e.Col());
    }
    for (std::size_t i = 0; i < c.left.size(); ++i) {
      ed.Key(ekLeft, kCtrl);
      left.push_back(ed.e.Col());
    }
    EXPECT_EQ(right, c.right);
    EXPECT_EQ(left, c.left);
  }
}

TEST(Utf8Typing, OverwriteCoversColumns) {
  U8 ed("abc" + kKan + "d");
  ed.e.SetOverWrite(true);
  ed.Type(kKan);  // two columns cover a and b
  EXPECT_EQ(ed.Text(), kKan + "c" + kKan + "d");
  ed.Type("x");  // one column over half a wide character pads the rest
  ed.Type("y");
  EXPECT_EQ(ed.Text(), kKan + "xy d");
}

TEST(Utf8Typing, BackspaceUnindentsOverAnIdeographicSpace) {
  U8 ed("ab\r\n\xE3\x80\x80\xE3\x80\x80x");
  ed.e.Caret().SetBackSpaceUnIndent(true);
  ed.e.SetRowCol(1, 4);
  ed.e.CharInput("\x08");
  EXPECT_EQ(ed.Text(), "ab\r\nx");
  EXPECT_EQ(ed.e.Col(), 0);
}

TEST(Utf8Selection, StreamAndBoxEdges) {
  U8 ed("a" + kKan + "bc\r\n" + kE + kE + kE + "zz\r\nabcde");
  ed.Select(0, 1, 0, 3);
  EXPECT_EQ(ed.e.GetSelText(), kKan);
  EXPECT_EQ(ed.e.SelLength(), 3);
  // A box over columns 2-3: a character starting left of the edge stays out.
  ed.e.CleanSelection();
  ed.e.SetSelectionMode(smBox);
  ed.Select(2, 2, 0, 4);
  EXPECT_EQ(ed.e.GetSelText(), "b\r\n" + kE + "z\r\ncd\r\n");
  ed.e.CutToClipboard();
  EXPECT_EQ(ed.Text(), "a" + kKan + "c\r\n" + kE + kE + "z\r\nabe");
}

TEST(Utf8Block, IndentCountsAnIdeographicSpaceAsWhite) {
  U8 ed("\xE3\x80\x80x\r\ny");
  ed.Select(0, 0, 1, 1);
  ed.e.SelIndent();
  EXPECT_EQ(ed.Text(), "   x\r\n y");
  ed.e.Undo();
  EXPECT_EQ(ed.Text(), "\xE3\x80\x80x\r\ny");
}

TEST(Utf8Wrap, RowsAreCutByColumnsAndRewrappedWhenTheEncodingChanges) {
  std::string line;
  for (int i = 0; i < 15; ++i) line += kKan;
  Ed ed(line);  // read as CP932 first: 45 one- and two-byte characters
  ed.e.SetWordWrap(true);
  ed.e.WrapOption().SetWrapByte(20);
  ed.e.Lines().SetEncoding(TextEncoding::Utf8);
  ASSERT_EQ(ed.e.List().Count(), 2);
  EXPECT_EQ(ed.e.List().ListStr(0).size(), 30u);  // ten characters, twenty columns
  EXPECT_EQ(ed.Text(), line);
  ed.e.SetRowCol(0, 19);
  EXPECT_EQ(ed.e.Col(), 18);  // never after the last character of a wrapped row
  ed.Key(ekRight);
  ed.Key(ekRight);
  EXPECT_EQ(ed.e.Row(), 1);
  EXPECT_EQ(ed.e.Col(), 2);
}

// Row states after an edit are walked in the document's encoding: read as
// CP932, あ's last byte would take the byte after it (a brace, a quote) as
// its second byte. The rows below carry exactly what a fresh open of the
// same text gives.
TEST(Utf8Colouring, RowStatesAfterTypingMatchAFreshOpen) {
  const std::string a = "\xE3\x81\x82";  // あ
  struct Case {
    const char* what;
    std::string text;
    bool wrap;
    int row, col;
    std::string typed;
  };
  const Case cases[] = {
      {"a bracket pair opened right after あ", "x = 1\r\ny = 2\r\nz = 3 -}\r\nw = 4", false, 0, 5, a + "{- c"},
      {"a string closed right after あ ends before a wrap break",
       "x = 1\r\nprint \"x\" " + std::string(60, 'y') + "\r\nz = 3", true, 1, 8, a},
  };
  struct AwkDoc {
    TGawkFountain gawk;  // outlives the control that shows it
    Ed ed;
    AwkDoc(bool wrap) {
      TFountainBracketItem* comment = gawk.Brackets().Add();
      comment->SetLeftBracket("{-");
      comment->SetRightBracket("-}");
      ed.e.SetFountain(&gawk);
      ed.e.Lines().SetEncoding(TextEncoding::Utf8);
      if (wrap) {
        ed.e.SetWordWrap(true);
        ed.e.WrapOption().SetWrapByte(20);
      }
    }
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    AwkDoc edited(c.wrap);
    edited.ed.Set(c.text);
    edited.ed.e.SetRowCol(c.row, c.col);
    edited.ed.Type(c.typed);
    AwkDoc fresh(c.wrap);
    fresh.ed.Set(edited.ed.Text());
    const auto& rows = edited.ed.e.List();
    ASSERT_EQ(rows.Count(), fresh.ed.e.List().Count());
    ASSERT_GT(rows.Count(), c.row + 2);
    for (int r = 0; r < rows.Count(); ++r) {
      SCOPED_TRACE(r);
      EXPECT_EQ(rows.GetListData(r), fresh.ed.e.List().GetListData(r));
    }
    // The row after the typing is inside the comment; the wrapped rows
    // after the closed string are not inside it.
    const TRowAttributeData after = rows.GetListData(c.row + 1);
    if (c.wrap) EXPECT_NE(after.Tokens, toDoubleQuotation);
    else EXPECT_EQ(after.Brackets, 0);
  }
}

TEST(Utf8Search, FindsWholeCharactersAcrossChunks) {
  std::string text;
  for (int i = 0; i < 600; ++i) text += "row " + kKan + "\xE6\x97\xA5 " + std::to_string(i) + "\r\n";
  text += "\xE6\x97\xA5\xE6\x9C\xAC\r\n";
  U8 ed(text);
  ASSERT_TRUE(ed.e.Search("\xE6\x97\xA5\xE6\x9C\xAC", SearchBit(sfrDown)));
  EXPECT_EQ(ed.e.Row(), 600);
  EXPECT_EQ(ed.e.SelLength(), 6);
  // A pattern that is the tail of a character never matches.
  ed.e.SetRowCol(0, 0);
  EXPECT_FALSE(ed.e.Search("\xBC\xA2", SearchBit(sfrDown)));
  // Backward from the end lands on the last row holding 漢.
  ed.e.SetRowCol(601, 0);
  ASSERT_TRUE(ed.e.Search(kKan, 0));
  EXPECT_EQ(ed.e.Row(), 599);
  EXPECT_EQ(ed.e.SelLength(), 3);
  EXPECT_EQ(ed.e.Col(), 6);  // the caret after the hit
}

}  // namespace
}  // namespace tolvan::test
