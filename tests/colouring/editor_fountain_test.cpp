// The built-in scheme: its colour set, the operations that give all colours
// one value, and the tokenizer's optional token kinds.
#include <gtest/gtest.h>

#include "colouring/editor_fountain.h"
#include "test_support.h"

namespace tolvan {
namespace {

using test::ChangeCounter;
using test::Tok;
using test::Tokens;

TEST(EditorColors, StartValuesAndReserveIsTheSchemes) {
  TEditorFountain f;
  EXPECT_EQ(f.Colors().Select().BkColor(), clNavy);
  EXPECT_EQ(f.Colors().Select().Color(), clWhite);
  EXPECT_EQ(f.Colors().Hit().BkColor(), clNone);
  EXPECT_EQ(&f.Colors().Reserve(), &f.Reserve());
}

TEST(EditorColors, AssignCopiesEveryColourAndReportsOnce) {
  TEditorFountain a, b;
  a.Colors().Ank().SetColor(clRed);
  a.Colors().Reserve().SetColor(clBlue);
  a.Colors().Select().SetBkColor(clGreen);
  a.Colors().Url().SetStyle(FontStyleBit(fsUnderline));
  ChangeCounter editor;
  b.NotifyEventList().Add(editor.Event());
  b.SetColors(a.Colors());
  EXPECT_EQ(editor.count, 1);
  EXPECT_EQ(b.Colors().Ank().Color(), clRed);
  EXPECT_EQ(b.Reserve().Color(), clBlue);
  EXPECT_EQ(b.Colors().Select().BkColor(), clGreen);
  EXPECT_EQ(b.Colors().Url().Style(), FontStyleBit(fsUnderline));
}

TEST(EditorFountain, SameColoursLeaveSelectAndHitAndReportOnce) {
  TEditorFountain f;
  f.Colors().Hit().SetBkColor(clSilver);
  ChangeCounter editor;
  f.NotifyEventList().Add(editor.Event());
  f.SameBkColor(clWhite);
  EXPECT_EQ(editor.count, 1);
  EXPECT_EQ(f.Colors().Ank().BkColor(), clWhite);
  EXPECT_EQ(f.Colors().Url().BkColor(), clWhite);
  EXPECT_EQ(f.Reserve().BkColor(), clWhite);
  EXPECT_EQ(f.Colors().Select().BkColor(), clNavy);
  EXPECT_EQ(f.Colors().Hit().BkColor(), clSilver);
  f.SameColor(clRed);
  f.SameStyle(FontStyleBit(fsBold));
  EXPECT_EQ(editor.count, 3);
  EXPECT_EQ(f.Colors().Comment().Color(), clRed);
  EXPECT_EQ(f.Colors().Select().Color(), clWhite);
  EXPECT_EQ(f.Colors().Str().Style(), FontStyleBit(fsBold));
  EXPECT_EQ(f.Colors().Hit().Style(), 0);
}

TEST(EditorFountain, BracketCollectionGivesItsItemsOneValue) {
  TEditorFountain f;
  auto& brackets = dynamic_cast<TEditorBracketCollection&>(f.Brackets());
  brackets.Add();
  brackets.Add();
  ChangeCounter editor;
  f.NotifyEventList().Add(editor.Event());
  brackets.SameColor(clRed);
  EXPECT_EQ(editor.count, 1);
  EXPECT_EQ(brackets.BracketItems(1)->ItemColor().Color(), clRed);
}

TEST(EditorFountain, OptionSettersReportRealChangesOnly) {
  TEditorFountain f;
  ChangeCounter editor;
  f.NotifyEventList().Add(editor.Event());
  f.SetQuotation("\"");
  f.SetQuotation("\"");
  f.SetMail(true);
  f.SetMail(true);
  EXPECT_EQ(editor.count, 2);
}

class EditorTokenizer : public ::testing::Test {
 protected:
  TEditorFountain f;
  std::unique_ptr<TFountainParser> parser = f.CreateParser();
};

TEST_F(EditorTokenizer, PlainByDefault) {
  EXPECT_EQ(Tokens(*parser, "\"a\" #1 x@y.z"),
            (std::vector<Tok>{{toSymbol, "\""}, {toAnk, "a"}, {toSymbol, "\""}, {toSymbol, "#"},
                              {toInteger, "1"}, {toAnk, "x"}, {toSymbol, "@"}, {toAnk, "y"},
                              {toSymbol, "."}, {toAnk, "z"}}));
}

TEST_F(EditorTokenizer, QuotationCommenterAndControlCodes) {
  f.SetQuotation("'");
  f.SetCommenter("//");
  f.SetControlCode(true);
  EXPECT_EQ(Tokens(*parser, "'a''b' #13#$1f // rest"),
            (std::vector<Tok>{{toQuotation, "'a''b'"}, {toControlCode, "#13"},
                              {toControlCodeHex, "#$1f"}, {toComment, "// rest"}}));
  const std::string row1 = "'s'";
  parser->NewData(row1, {});
  parser->NextToken();
  EXPECT_EQ(parser->TokenToFountainColor(), &f.Colors().Str());
}

TEST_F(EditorTokenizer, HexPrefixIgnoresCase) {
  f.SetHexPrefix("0x");
  EXPECT_EQ(Tokens(*parser, "0XfF 0x 12"),
            (std::vector<Tok>{{toHex, "0XfF"}, {toHex, "0x"}, {toInteger, "12"}}));
  const std::string row2 = "0x1";
  parser->NewData(row2, {});
  parser->NextToken();
  EXPECT_EQ(parser->TokenToFountainColor(), &f.Colors().Int());
}

TEST_F(EditorTokenizer, MailAndUrl) {
  f.SetMail(true);
  f.SetUrl(true);
  EXPECT_EQ(Tokens(*parser, "mail me@ex.com now"),
            (std::vector<Tok>{{toAnk, "mail"}, {toMail, "me@ex.com"}, {toAnk, "now"}}));
  EXPECT_EQ(Tokens(*parser, "see https://a.b/c?d=1 ftp"),
            (std::vector<Tok>{{toAnk, "see"}, {toUrl, "https://a.b/c?d=1"}, {toAnk, "ftp"}}));
  EXPECT_EQ(Tokens(*parser, "www.x.org"), (std::vector<Tok>{{toUrl, "www.x.org"}}));
  // No dot after the at sign: not an address.
  EXPECT_EQ(Tokens(*parser, "a@b")[0], (Tok{toAnk, "a"}));
  const std::string row3 = "www.a";
  parser->NewData(row3, {});
  parser->NextToken();
  EXPECT_EQ(parser->TokenToFountainColor(), &f.Colors().Url());
}

TEST_F(EditorTokenizer, AQuotedStringOverAWrapContinues) {
  f.SetQuotation("\"");
  test::RowList rows{{"x \"ab", raWrapped}, {"cd\" y", raCrlf}};
  auto states = test::RowStates(*parser, rows);
  EXPECT_EQ(states[1].Tokens, toQuotation);
  EXPECT_EQ(states[1].WrappedBytes, 0);
  EXPECT_EQ(Tokens(*parser, "cd\" y", states[1]), (std::vector<Tok>{{toQuotation, "cd\""}, {toAnk, "y"}}));
}

TEST_F(EditorTokenizer, ReservedWordsAreCaseInsensitiveHere) {
  f.ReserveWordList().Add("begin");
  const std::string row4 = "BEGIN";
  parser->NewData(row4, {});
  parser->NextToken();
  EXPECT_EQ(parser->TokenToFountainColor(), &f.Reserve());
}

}  // namespace
}  // namespace tolvan
