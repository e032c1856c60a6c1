// The base tokenizer: its scanning rules, and the state it carries from row
// to row over wraps, line breaks and bracket regions.
#include <gtest/gtest.h>

#include "colouring/gawk_fountain.h"
#include "test_support.h"

namespace tolvan {
namespace {

using test::RowList;
using test::Tok;
using test::Tokens;

class BaseTokenizer : public ::testing::Test {
 protected:
  TGawkFountain scheme;
  TFountainParser parser{&scheme};

  void AddCommentBrackets() {
    auto* item = scheme.Brackets().Add();
    item->SetLeftBracket("/*");
    item->SetRightBracket("*/");
  }
};

TEST_F(BaseTokenizer, Numbers) {
  EXPECT_EQ(Tokens(parser, "1.5e+3"), (std::vector<Tok>{{toFloat, "1.5e+3"}}));
  EXPECT_EQ(Tokens(parser, "1.a"), (std::vector<Tok>{{toFloat, "1"}, {toSymbol, "."}, {toAnk, "a"}}));
  EXPECT_EQ(Tokens(parser, "1e"), (std::vector<Tok>{{toFloat, "1e"}}));
  EXPECT_EQ(Tokens(parser, "1.e5 7E-"), (std::vector<Tok>{{toFloat, "1.e5"}, {toFloat, "7E-"}}));
  EXPECT_EQ(Tokens(parser, "42+3"), (std::vector<Tok>{{toInteger, "42"}, {toSymbol, "+"}, {toInteger, "3"}}));
}

// An exponent starts with E or e wherever one may stand: after the digits
// of a fraction, right after the point, after an integer. No other letter
// starts one.
TEST_F(BaseTokenizer, ExponentInEitherCase) {
  for (const char* e : {"E", "e"}) {
    SCOPED_TRACE(e);
    const std::string E = e;
    EXPECT_EQ(Tokens(parser, "1.5" + E + "3"), (std::vector<Tok>{{toFloat, "1.5" + E + "3"}}));
    EXPECT_EQ(Tokens(parser, "1.5" + E + "-3 x"), (std::vector<Tok>{{toFloat, "1.5" + E + "-3"}, {toAnk, "x"}}));
    EXPECT_EQ(Tokens(parser, "1." + E + "3"), (std::vector<Tok>{{toFloat, "1." + E + "3"}}));
    EXPECT_EQ(Tokens(parser, "12" + E + "+3"), (std::vector<Tok>{{toFloat, "12" + E + "+3"}}));
  }
  for (const char* other : {"D", "d", "F", "f"}) {
    const std::string o = other;
    EXPECT_EQ(Tokens(parser, "1.5" + o + "3"), (std::vector<Tok>{{toFloat, "1.5"}, {toAnk, o + "3"}}));
    EXPECT_EQ(Tokens(parser, "12" + o), (std::vector<Tok>{{toInteger, "12"}, {toAnk, o}}));
  }
}

TEST_F(BaseTokenizer, BlanksTabsAndLineEnds) {
  EXPECT_EQ(Tokens(parser, "   ab\tc_9 "),
            (std::vector<Tok>{{toAnk, "ab"}, {toTab, "\t"}, {toAnk, "c_9"}}));
  EXPECT_TRUE(Tokens(parser, "").empty());
  EXPECT_TRUE(Tokens(parser, "    ").empty());
  // Control bytes other than tab are blanks.
  EXPECT_EQ(Tokens(parser, "a\r\x01" "b"), (std::vector<Tok>{{toAnk, "a"}, {toAnk, "b"}}));
  // A zero byte inside a row ends it too.
  EXPECT_EQ(Tokens(parser, std::string("a\0b", 3)), (std::vector<Tok>{{toAnk, "a"}}));
}

TEST_F(BaseTokenizer, PositionsAndLengths) {
  const std::string row1 = "  abc+";
  parser.NewData(row1, {});
  ASSERT_EQ(parser.NextToken(), toAnk);
  EXPECT_EQ(parser.SourcePos(), 2);
  EXPECT_EQ(parser.TokenLength(), 3);
  ASSERT_EQ(parser.NextToken(), toSymbol);
  EXPECT_EQ(parser.SourcePos(), 5);
  EXPECT_EQ(parser.TokenLength(), 1);
  EXPECT_EQ(parser.NextToken(), toEof);
}

TEST_F(BaseTokenizer, DoubleByteAndKanaClasses) {
  const std::string kanji = "\x8A\xBF\x8E\x9A";              // two kanji
  const std::string hira = "\x82\xA0\x81\x5B\x82\xA2";       // hiragana, long mark, hiragana
  const std::string kata = "\x83\x41\x83\x43";               // katakana
  const std::string digits = "\x82\x50\x81\x43\x82\x51";     // digit, comma, digit
  const std::string letters = "\x82\x60\x82\x81";            // A, a
  const std::string dbsym = "\x81\x41";                      // ideographic comma
  EXPECT_EQ(Tokens(parser, kanji), (std::vector<Tok>{{toDBKanji, kanji}}));
  EXPECT_EQ(Tokens(parser, hira), (std::vector<Tok>{{toDBHira, hira}}));
  EXPECT_EQ(Tokens(parser, kata + hira),
            (std::vector<Tok>{{toDBKana, kata}, {toDBHira, hira}}));
  EXPECT_EQ(Tokens(parser, digits), (std::vector<Tok>{{toDBInt, digits}}));
  EXPECT_EQ(Tokens(parser, letters), (std::vector<Tok>{{toDBAlpha, letters}}));
  EXPECT_EQ(Tokens(parser, dbsym + dbsym),
            (std::vector<Tok>{{toDBSymbol, dbsym}, {toDBSymbol, dbsym}}));
  EXPECT_EQ(Tokens(parser, "\x83\x9F"), (std::vector<Tok>{{toDBSymbol, "\x83\x9F"}}));  // Greek
  EXPECT_EQ(Tokens(parser, "\xA1\xB1\xB2"),
            (std::vector<Tok>{{toKanaSymbol, "\xA1"}, {toKana, "\xB1\xB2"}}));
}

TEST_F(BaseTokenizer, BrokenDoubleByteTextNeverReadsPastTheRow) {
  // A lead byte with a trail below 0x40: only the lead byte, the kind kept.
  EXPECT_EQ(Tokens(parser, "a\x82 b"), (std::vector<Tok>{{toAnk, "a"}, {toAnk, "\x82"}, {toAnk, "b"}}));
  // Lead bytes at the very end stand alone.
  EXPECT_EQ(Tokens(parser, "a\x88"), (std::vector<Tok>{{toAnk, "a"}, {toDBKanji, "\x88"}}));
  EXPECT_EQ(Tokens(parser, "\x81"), (std::vector<Tok>{{toDBSymbol, "\x81"}}));
  // Right after a row's end (kind 0) the lone lead byte still is a token,
  // so the rest of the row is not lost.
  Tokens(parser, "");
  EXPECT_EQ(Tokens(parser, "\x83 ab"), (std::vector<Tok>{{toDBSymbol, "\x83"}, {toAnk, "ab"}}));
  AddCommentBrackets();
  const std::string row = "/* \x88";
  parser.NewData(row, {});
  ASSERT_EQ(parser.NextToken(), toBracket);
  EXPECT_EQ(parser.SourcePos() + parser.TokenLength(), static_cast<int>(row.size()));
  EXPECT_EQ(parser.NextToken(), toEof);
}

TEST_F(BaseTokenizer, IsKeyWordMatchesWholeWordsIgnoringCase) {
  struct Probe : TFountainParser {
    using TFountainParser::TFountainParser;
    int Scan() const { return static_cast<int>(FP - FBuffer); }
  } probe(&scheme);
  const std::string text = "BEGIN{";
  probe.NewData(text, {});
  EXPECT_FALSE(probe.IsKeyWord(""));
  EXPECT_FALSE(probe.IsKeyWord("BEGINS"));
  EXPECT_TRUE(probe.IsKeyWord("begin"));
  EXPECT_EQ(probe.Scan(), 5);
  const std::string glued = "begin_x";
  probe.NewData(glued, {});
  EXPECT_FALSE(probe.IsKeyWord("BEGIN"));
  EXPECT_EQ(probe.Scan(), 0);
  const std::string shortText = "BEG";
  probe.NewData(shortText, {});
  EXPECT_FALSE(probe.IsKeyWord("BEGIN"));
}

TEST_F(BaseTokenizer, BracketRegionRunsOverLineBreaks) {
  AddCommentBrackets();
  RowList rows{{"word /* more", raCrlf}, {"still */ after", raCrlf}, {"x", raCrlf}};
  auto states = test::RowStates(parser, rows);
  EXPECT_EQ(states[0].Brackets, -1);
  EXPECT_EQ(states[1].Brackets, 0);
  EXPECT_EQ(states[2].Brackets, -1);
  EXPECT_EQ(Tokens(parser, rows.Text(1), states[1]),
            (std::vector<Tok>{{toBracket, "still */"}, {toAnk, "after"}}));
  parser.NewData(rows.Text(1), states[1]);
  parser.NextToken();
  EXPECT_EQ(parser.TokenBracketIndex(), 0);
}

TEST_F(BaseTokenizer, ABracketWithoutRightEndsTheRow) {
  auto* item = scheme.Brackets().Add();
  item->SetLeftBracket("//");
  EXPECT_EQ(Tokens(parser, "ab // cd"), (std::vector<Tok>{{toAnk, "ab"}}));
  RowList rows{{"ab // cd", raCrlf}, {"ef", raCrlf}};
  auto states = test::RowStates(parser, rows);
  EXPECT_EQ(states[1].Brackets, -1);
}

TEST_F(BaseTokenizer, EmptyAndBlankRowsPassTheStateThrough) {
  AddCommentBrackets();
  RowList rows{{"/*", raCrlf}, {"", raCrlf}, {"    ", raCrlf}, {"*/", raCrlf}};
  auto states = test::RowStates(parser, rows);
  EXPECT_EQ(states[1].Brackets, 0);
  EXPECT_EQ(states[2].Brackets, 0);
  EXPECT_EQ(states[3].Brackets, 0);
  TRowAttributeData data;
  data.RowAttribute = raCrlf;
  data.Brackets = 3;
  data.Tokens = 11;
  data.WrappedBytes = 2;
  data.DataStr = "keep";
  TRowAttributeData before = data;
  parser.LastTokenBracket(2, rows, data);
  EXPECT_EQ(data, before);
}

TEST_F(BaseTokenizer, AWordOverAWrapIsCarriedByByteCount) {
  RowList rows{{"abc de", raWrapped}, {"fgh ij", raCrlf}, {"k", raCrlf}};
  auto states = test::RowStates(parser, rows);
  EXPECT_EQ(states[1].Tokens, toAnk);
  EXPECT_EQ(states[1].WrappedBytes, 3);
  EXPECT_EQ(states[2].Tokens, 0);
  EXPECT_EQ(states[2].WrappedBytes, 0);
  parser.NewData(rows.Text(1), states[1]);
  ASSERT_EQ(parser.NextToken(), toAnk);
  EXPECT_TRUE(parser.Continuing());
  EXPECT_EQ(parser.TokenString(), "fgh");
  ASSERT_EQ(parser.NextToken(), toAnk);
  EXPECT_FALSE(parser.Continuing());
  EXPECT_EQ(parser.TokenString(), "ij");
}

TEST_F(BaseTokenizer, ATokenOverSeveralWrapsContinuesByItsRules) {
  RowList rows{{"ab cd", raWrapped}, {"efgh", raWrapped}, {"ij kl", raCrlf}};
  auto states = test::RowStates(parser, rows);
  // Reaches the end of the joined text with the next row wrapped too.
  EXPECT_EQ(states[1].Tokens, toAnk);
  EXPECT_EQ(states[1].WrappedBytes, 0);
  EXPECT_EQ(states[2].Tokens, toAnk);
  EXPECT_EQ(states[2].WrappedBytes, 2);
  EXPECT_EQ(Tokens(parser, "efgh", states[1]), (std::vector<Tok>{{toAnk, "efgh"}}));
  EXPECT_EQ(Tokens(parser, "ij kl", states[2]), (std::vector<Tok>{{toAnk, "ij"}, {toAnk, "kl"}}));
}

TEST_F(BaseTokenizer, ATokenWhollyOnTheNextRowCarriesNothing) {
  RowList rows{{"ab ", raWrapped}, {"cd", raCrlf}};
  auto states = test::RowStates(parser, rows);
  EXPECT_EQ(states[1].Tokens, 0);
  EXPECT_EQ(states[1].WrappedBytes, 0);
  EXPECT_EQ(states[1].Brackets, -1);
}

TEST_F(BaseTokenizer, AClosingBracketSplitByAWrap) {
  AddCommentBrackets();
  RowList rows{{"/* a *", raWrapped}, {"/ b", raCrlf}};
  auto states = test::RowStates(parser, rows);
  EXPECT_EQ(states[1].Brackets, 0);
  EXPECT_EQ(states[1].Tokens, toBracket);
  EXPECT_EQ(states[1].WrappedBytes, 1);
  parser.NewData(rows.Text(1), states[1]);
  ASSERT_EQ(parser.NextToken(), toBracket);
  EXPECT_EQ(parser.TokenString(), "/");
  EXPECT_EQ(parser.TokenBracketIndex(), 0);
  EXPECT_EQ(parser.BracketIndex(), -1);
  ASSERT_EQ(parser.NextToken(), toAnk);
  EXPECT_EQ(parser.TokenString(), "b");
}

TEST_F(BaseTokenizer, ABracketRegionThatClosesAfterTheWrap) {
  AddCommentBrackets();
  RowList rows{{"/* abc", raWrapped}, {"de */ f", raCrlf}};
  auto states = test::RowStates(parser, rows);
  // The closing bracket lies wholly on the next row: the region is still open there.
  EXPECT_EQ(states[1].Brackets, 0);
  EXPECT_EQ(states[1].Tokens, 0);
  EXPECT_EQ(Tokens(parser, rows.Text(1), states[1]),
            (std::vector<Tok>{{toBracket, "de */"}, {toAnk, "f"}}));
}

TEST_F(BaseTokenizer, ExtensionStateTravelsUnchanged) {
  RowList rows{{"a b", raCrlf}, {"c", raCrlf}};
  TRowAttributeData data;
  data.Elements = 7;
  data.Remains = 9;
  data.PrevTokens = 3;
  data.DataStr = "ext";
  parser.LastTokenBracket(0, rows, data);
  EXPECT_EQ(data.Elements, 7);
  EXPECT_EQ(data.Remains, 9);
  EXPECT_EQ(data.PrevTokens, 3);
  EXPECT_EQ(data.DataStr, "ext");
}

}  // namespace
}  // namespace tolvan

namespace tolvan {
namespace {

// A derived tokenizer's scanning operations take effect through the tables,
// both for a row's first byte and for a token carried over a wrap.
TEST(TokenizerTables, OverridesRunThroughTheTables) {
  struct Shouting : TFountainParser {
    explicit Shouting(TFountain* f) : TFountainParser(f) { InitMethodTable(); }
    void AnkProc() override {
      TFountainParser::AnkProc();
      FToken = 99;
    }
  };
  TGawkFountain scheme;
  Shouting parser(&scheme);
  EXPECT_EQ(Tokens(parser, "ab 1"), (std::vector<Tok>{{99, "ab"}, {toInteger, "1"}}));
  TRowAttributeData carried;
  carried.Tokens = toAnk;  // a word carried in, continued by its rules
  EXPECT_EQ(Tokens(parser, "cd", carried), (std::vector<Tok>{{99, "cd"}}));
}

}  // namespace
}  // namespace tolvan
