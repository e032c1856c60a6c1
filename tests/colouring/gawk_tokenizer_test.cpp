// The awk tokenizer: numbers, fields, strings, comments, reserved words and
// the colour each token gets.
#include <gtest/gtest.h>

#include "colouring/gawk_fountain.h"
#include "test_support.h"

namespace tolvan {
namespace {

using test::RowList;
using test::Tok;
using test::Tokens;

class GawkTokenizer : public ::testing::Test {
 protected:
  TGawkFountain scheme;
  std::unique_ptr<TFountainParser> parser = scheme.CreateParser();

  // The colour of each token of row.
  std::vector<TFountainColor*> Colours(const std::string& row, const TRowAttributeData& data = {}) {
    std::vector<TFountainColor*> out;
    parser->NewData(row, data);
    while (parser->NextToken() != 0) out.push_back(parser->TokenToFountainColor());
    return out;
  }
};

TEST_F(GawkTokenizer, HasThe43WordsSorted) {
  const TStringList& words = scheme.ReserveWordList();
  ASSERT_EQ(words.Count(), 43);
  for (int i = 1; i < words.Count(); ++i) EXPECT_LT(CompareText(words[i - 1], words[i]), 0);
  for (const char* w : kGawkReserveWords) EXPECT_GE(words.IndexOf(w), 0) << w;
}

TEST_F(GawkTokenizer, FieldReferences) {
  EXPECT_EQ(Tokens(*parser, "$0"), (std::vector<Tok>{{toAwkField, "$0"}}));
  EXPECT_EQ(Tokens(*parser, "$NF"), (std::vector<Tok>{{toAwkField, "$NF"}}));
  EXPECT_EQ(Tokens(*parser, "$(NF-1)x"), (std::vector<Tok>{{toAwkField, "$(NF-1)"}, {toAnk, "x"}}));
  EXPECT_EQ(Tokens(*parser, "$my_var"), (std::vector<Tok>{{toAwkField, "$my"}, {toAnk, "_var"}}));
  EXPECT_EQ(Tokens(*parser, "$ x"), (std::vector<Tok>{{toAwkField, "$"}, {toAnk, "x"}}));
  EXPECT_EQ(Tokens(*parser, "$(a"), (std::vector<Tok>{{toAwkField, "$(a"}}));
}

TEST_F(GawkTokenizer, HexAndZeroNumbers) {
  EXPECT_EQ(Tokens(*parser, "0x1F"), (std::vector<Tok>{{toAwkHex, "0x1F"}}));
  EXPECT_EQ(Tokens(*parser, "0x"), (std::vector<Tok>{{toAwkHex, "0x"}}));
  EXPECT_EQ(Tokens(*parser, "0XfG"), (std::vector<Tok>{{toAwkHex, "0Xf"}, {toAnk, "G"}}));
  EXPECT_EQ(Tokens(*parser, "0 012 0.5 0e3"),
            (std::vector<Tok>{{toInteger, "0"}, {toInteger, "012"}, {toFloat, "0.5"}, {toFloat, "0e3"}}));
  EXPECT_EQ(Colours("0x1F 12 1.5"),
            (std::vector<TFountainColor*>{&scheme.Int(), &scheme.Int(), &scheme.Int()}));
}

TEST_F(GawkTokenizer, StringsKeepTheirHashAndTheCommentStartsAfter) {
  const std::string row = "print \"a#b\" # remark";
  EXPECT_EQ(Tokens(*parser, row),
            (std::vector<Tok>{{toAnk, "print"}, {toDoubleQuotation, "\"a#b\""}, {toComment, "# remark"}}));
  EXPECT_EQ(Colours(row),
            (std::vector<TFountainColor*>{&scheme.Reserve(), &scheme.Str(), &scheme.Comment()}));
}

// In UTF-8 no byte of a character is ASCII: a closing quote or a letter
// after one is never taken as its trail, and characters form the tokens
// CP932 makes of them, in the double-byte colour. CP932 pairs the same bytes.
TEST_F(GawkTokenizer, Utf8TextKeepsItsQuotesAndWords) {
  struct Case {
    const char* row;
    std::vector<Tok> utf8;
  };
  const std::string a = "\xE3\x81\x82";  // あ: its last byte is a CP932 lead byte
  const Case cases[] = {
      {"\"\xE3\x81\x82\" x", {{toDoubleQuotation, "\"" + a + "\""}, {toAnk, "x"}}},
      {"\xE3\x81\x82print", {{toDBHira, a}, {toAnk, "print"}}},
      {"\xE6\x97\xA5\xE6\x9C\xAC $1", {{toDBKanji, "\xE6\x97\xA5\xE6\x9C\xAC"}, {toAwkField, "$1"}}},
      {"x\xFF\"s\"", {{toAnk, "x"}, {toDBSymbol, "\xFF"}, {toDoubleQuotation, "\"s\""}}},
  };
  for (const Case& c : cases) {
    parser->SetEncoding(TextEncoding::Utf8);
    EXPECT_EQ(Tokens(*parser, c.row), c.utf8) << c.row;
    parser->SetEncoding(TextEncoding::Cp932);
    EXPECT_NE(Tokens(*parser, c.row), c.utf8) << c.row;
  }
  // Runs of one kind, as CP932 cuts the same characters.
  struct Run {
    const char* row;
    std::vector<Tok> tokens;
  };
  const Run runs[] = {
      // ひらがな カタカナー 漢字
      {"\xE3\x81\xB2\xE3\x82\x89\xE3\x82\xAB\xE3\x82\xBF\xE3\x83\xBC\xE6\xBC\xA2\xE5\xAD\x97",
       {{toDBHira, "\xE3\x81\xB2\xE3\x82\x89"},
        {toDBKana, "\xE3\x82\xAB\xE3\x82\xBF\xE3\x83\xBC"},
        {toDBKanji, "\xE6\xBC\xA2\xE5\xAD\x97"}}},
      // 「「 are two symbols; １２．５ one number; ＡＢ one word
      {"\xE3\x80\x8C\xE3\x80\x8C", {{toDBSymbol, "\xE3\x80\x8C"}, {toDBSymbol, "\xE3\x80\x8C"}}},
      {"\xEF\xBC\x91\xEF\xBC\x92\xEF\xBC\x8E\xEF\xBC\x95\xEF\xBC\xA1",
       {{toDBInt, "\xEF\xBC\x91\xEF\xBC\x92\xEF\xBC\x8E\xEF\xBC\x95"}, {toDBAlpha, "\xEF\xBC\xA1"}}},
      // ｶﾀ｡: half-width kana, then its full stop alone; é with its mark is a letter
      {"\xEF\xBD\xB6\xEF\xBE\x80\xEF\xBD\xA1" "e\xCC\x81",
       {{toKana, "\xEF\xBD\xB6\xEF\xBE\x80"}, {toKanaSymbol, "\xEF\xBD\xA1"}, {toAnk, "e"}, {toDBSymbol, "\xCC\x81"}}},
      {"\xC3\xA9t\xC3\xA9", {{toDBAlpha, "\xC3\xA9"}, {toAnk, "t"}, {toDBAlpha, "\xC3\xA9"}}},
  };
  parser->SetEncoding(TextEncoding::Utf8);
  for (const Run& r : runs) EXPECT_EQ(Tokens(*parser, r.row), r.tokens) << r.row;
  EXPECT_EQ(Colours("\xE3\x81\x82 print"), (std::vector<TFountainColor*>{&scheme.DBCS(), &scheme.Reserve()}));
  // Back in CP932 the scheme's own table (strings, fields) is bound again.
  parser->SetEncoding(TextEncoding::Cp932);
  EXPECT_EQ(Tokens(*parser, "\x83\x5C\"a\" $1"),
            (std::vector<Tok>{{toDBKana, "\x83\x5C"}, {toDoubleQuotation, "\"a\""}, {toAwkField, "$1"}}));
}

TEST_F(GawkTokenizer, QuotedStringRules) {
  // A doubled quote stands for one; a backslash means nothing.
  EXPECT_EQ(Tokens(*parser, "'it''s' x"), (std::vector<Tok>{{toSingleQuotation, "'it''s'"}, {toAnk, "x"}}));
  EXPECT_EQ(Tokens(*parser, R"("a\"b c")"),
            (std::vector<Tok>{{toDoubleQuotation, R"("a\")"}, {toAnk, "b"}, {toAnk, "c"},
                              {toDoubleQuotation, "\""}}));
  // A line end inside a string ends it.
  EXPECT_EQ(Tokens(*parser, "\"ab\ncd"), (std::vector<Tok>{{toDoubleQuotation, "\"ab"}, {toAnk, "cd"}}));
  // A double-byte character whose trail byte is a quote stays inside.
  const std::string so = "\"\x83\x5C\x82\x22\"";  // trail 0x22 is the quote byte
  EXPECT_EQ(Tokens(*parser, so), (std::vector<Tok>{{toDoubleQuotation, so}}));
}

TEST_F(GawkTokenizer, ReservedWordsMatchByteForByte) {
  EXPECT_EQ(Colours("print Print PRINT"),
            (std::vector<TFountainColor*>{&scheme.Reserve(), &scheme.Ank(), &scheme.Ank()}));
  EXPECT_EQ(Colours("BEGIN END"), (std::vector<TFountainColor*>{&scheme.Reserve(), &scheme.Ank()}));
}

TEST_F(GawkTokenizer, RegularExpressionsAreOrdinaryTokens) {
  EXPECT_EQ(Tokens(*parser, "/ab+c/"),
            (std::vector<Tok>{{toSymbol, "/"}, {toAnk, "ab"}, {toSymbol, "+"}, {toAnk, "c"}, {toSymbol, "/"}}));
  EXPECT_EQ(Colours("/a/"), (std::vector<TFountainColor*>{&scheme.Symbol(), &scheme.Ank(), &scheme.Symbol()}));
}

TEST_F(GawkTokenizer, ColoursOfTheOtherKinds) {
  const std::string row = "\t\x8A\xBF $1 'x'";
  EXPECT_EQ(Colours(row), (std::vector<TFountainColor*>{nullptr, &scheme.DBCS(), &scheme.Field(), &scheme.Str()}));
  auto* item = scheme.Brackets().Add();
  item->SetLeftBracket("<<");
  item->SetRightBracket(">>");
  EXPECT_EQ(Colours("<<a>> b"), (std::vector<TFountainColor*>{&item->ItemColor(), &scheme.Ank()}));
}

TEST_F(GawkTokenizer, AnUnterminatedStringEndsWithItsLine) {
  RowList rows{{"x = \"abc", raCrlf}, {"y \"", raCrlf}};
  auto states = test::RowStates(*parser, rows);
  EXPECT_EQ(states[1].Tokens, 0);
  EXPECT_EQ(Tokens(*parser, rows.Text(1), states[1]),
            (std::vector<Tok>{{toAnk, "y"}, {toDoubleQuotation, "\""}}));
}

TEST_F(GawkTokenizer, AStringOverAWrapContinuesByItsRules) {
  RowList rows{{"x \"ab", raWrapped}, {"cd\" y", raCrlf}};
  auto states = test::RowStates(*parser, rows);
  EXPECT_EQ(states[1].Tokens, toDoubleQuotation);
  EXPECT_EQ(states[1].WrappedBytes, 0);
  EXPECT_EQ(Tokens(*parser, rows.Text(1), states[1]),
            (std::vector<Tok>{{toDoubleQuotation, "cd\""}, {toAnk, "y"}}));
  // Continued strings keep the string colour, never a reserved word's.
  parser->NewData(rows.Text(1), states[1]);
  parser->NextToken();
  EXPECT_EQ(parser->TokenToFountainColor(), &scheme.Str());
}

// A string carried over a wrap has had its opening quote: a quote at the
// start of the next row closes it (or, doubled, stands for one quote). On a
// row that carries nothing the same quote opens a string.
TEST_F(GawkTokenizer, AQuoteAtTheStartOfAContinuedRowClosesTheString) {
  for (const std::string q : {"\"", "'"}) {
    SCOPED_TRACE("quote " + q);
    const int kind = q == "'" ? toSingleQuotation : toDoubleQuotation;
    RowList rows{{"x " + q + "ab", raWrapped}, {q + " y", raWrapped}, {q + "c" + q + " z", raCrlf},
                 {q + q + " w", raCrlf}};
    auto states = test::RowStates(*parser, rows);
    ASSERT_EQ(states[1].Tokens, kind);
    EXPECT_EQ(Tokens(*parser, rows.Text(1), states[1]), (std::vector<Tok>{{kind, q}, {toAnk, "y"}}));
    EXPECT_EQ(Colours(rows.Text(1), states[1]),
              (std::vector<TFountainColor*>{&scheme.Str(), &scheme.Ank()}));
    // The string closed on row 1: row 2 carries nothing and its quote opens one.
    EXPECT_EQ(states[2].Tokens, 0);
    EXPECT_EQ(Tokens(*parser, rows.Text(2), states[2]),
              (std::vector<Tok>{{kind, q + "c" + q}, {toAnk, "z"}}));
    // So does the one at the start of a new line: here an empty string.
    EXPECT_EQ(Tokens(*parser, rows.Text(3), states[3]), (std::vector<Tok>{{kind, q + q}, {toAnk, "w"}}));
    // Continued, a doubled quote at the row's start is one quote inside.
    RowList doubled{{"x " + q + "ab", raWrapped}, {q + q + "c" + q + " z", raCrlf}};
    states = test::RowStates(*parser, doubled);
    EXPECT_EQ(Tokens(*parser, doubled.Text(1), states[1]),
              (std::vector<Tok>{{kind, q + q + "c" + q}, {toAnk, "z"}}));
  }
}

TEST_F(GawkTokenizer, ACommentOverWrapsLastsToTheEndOfTheLogicalLine) {
  RowList rows{{"a # bc", raWrapped}, {"print", raWrapped}, {"ghi", raCrlf}, {"x", raCrlf}};
  auto states = test::RowStates(*parser, rows);
  EXPECT_EQ(states[1].Tokens, toComment);
  EXPECT_EQ(states[2].Tokens, toComment);
  EXPECT_EQ(states[3].Tokens, 0);
  EXPECT_EQ(Tokens(*parser, rows.Text(1), states[1]), (std::vector<Tok>{{toComment, "print"}}));
  EXPECT_EQ(Colours(rows.Text(1), states[1]), (std::vector<TFountainColor*>{&scheme.Comment()}));
}

TEST_F(GawkTokenizer, AReservedWordSplitByAWrapKeepsItsColour) {
  RowList rows{{"x whi", raWrapped}, {"le y", raCrlf}};
  auto states = test::RowStates(*parser, rows);
  EXPECT_EQ(states[1].Tokens, toReserve);
  EXPECT_EQ(states[1].WrappedBytes, 2);
  EXPECT_EQ(Colours(rows.Text(0), states[0]),
            (std::vector<TFountainColor*>{&scheme.Ank(), &scheme.Ank()}));
  EXPECT_EQ(Colours(rows.Text(1), states[1]),
            (std::vector<TFountainColor*>{&scheme.Reserve(), &scheme.Ank()}));
  // A hex number carried over the wrap keeps its kind.
  RowList hex{{"a 0x1", raWrapped}, {"F b", raCrlf}};
  states = test::RowStates(*parser, hex);
  EXPECT_EQ(states[1].Tokens, toAwkHex);
  EXPECT_EQ(states[1].WrappedBytes, 1);
  EXPECT_EQ(Tokens(*parser, "F b", states[1]), (std::vector<Tok>{{toAwkHex, "F"}, {toAnk, "b"}}));
}

TEST_F(GawkTokenizer, TokenizesEveryRowToItsEnd) {
  // Every byte value, with lead bytes at the row end: each token moves on
  // and the last one ends exactly at the row's end.
  std::string row;
  for (int c = 1; c < 256; ++c) row += static_cast<char>(c);
  for (const std::string& r : {row, row.substr(100), std::string("\x88"), std::string("\"\x81")}) {
    parser->NewData(r, {});
    int end = 0;
    int count = 0;
    while (parser->NextToken() != 0) {
      ASSERT_GT(parser->TokenLength(), 0);
      ASSERT_GE(parser->SourcePos(), end);
      end = parser->SourcePos() + parser->TokenLength();
      ASSERT_LE(end, static_cast<int>(r.size()));
      ASSERT_LT(++count, 1000);
    }
  }
}

}  // namespace
}  // namespace tolvan
