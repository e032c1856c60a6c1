// Columns, wrapping and search on UTF-8 text: characters of 1-4 bytes, two
// columns for wide ones, marks riding on the character before, every byte
// of a broken sequence a character of its own.
#include <gtest/gtest.h>

#include <random>

#include "editor/model/search.h"
#include "editor/model/wrap.h"
#include "test_client.h"

namespace tolvan {
namespace {

std::string A(int n, char c = 'a') { return std::string(static_cast<std::size_t>(n), c); }
std::string Times(int n, std::string_view s) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

const std::string kE = "e\xCC\x81";  // e + combining acute: one column, three bytes

TColumnRules Utf8Columns() {
  TColumnRules r;
  r.Encoding = TextEncoding::Utf8;
  return r;
}

TWrapRules Utf8Wrap(int w = 80) {
  TEditorWrapOption o;
  o.SetWrapByte(w);
  return TWrapRules::From(o, 8, nullptr, TextEncoding::Utf8);
}

std::vector<int> Cut(const std::string& line, const TWrapRules& r) {
  std::vector<int> v;
  CutLine(line, r, v);
  EXPECT_EQ(static_cast<int>(v.size()), CountLineRows(line, r));
  return v;
}

TEST(Utf8Columns, AttributesPerColumn) {
  const TColumnRules r = Utf8Columns();
  struct Case {
    std::string text, attrs;
  } cases[] = {
      {"a\xC3\xA9" "b", "111"},              // é: two bytes, one column
      {"\xE6\xBC\xA2(", "452"},               // 漢: three bytes, two columns
      {"\xEF\xBD\xB1\xEF\xBD\xA1", "12"},     // ｱ is a letter, ｡ a delimiter as in CP932
      {kE + "x", "11"},                       // the mark rides on e
      {"\xF0\x9F\x98\x80" "a", "451"},        // an emoji is wide
      {"\x80\xE6\xBC" "a", "2111"},         // broken bytes one column each
      {"\t\xE6\xBC\xA2", "2333333345"},
  };
  for (const Case& c : cases) EXPECT_EQ(StrToAttributes(c.text, r), c.attrs) << c.text;
  std::vector<int> starts;
  EXPECT_EQ(StrToAttributes("a\xE6\xBC\xA2" + kE, r, &starts), "1451");
  EXPECT_EQ(starts, std::vector<int>({0, 1, 1, 4, 7}));
  // The limit counts columns, not bytes.
  EXPECT_EQ(StrToAttributes(Times(600, "\xE6\xBC\xA2"), r).size(), 1000u);
}

TEST(Utf8Columns, BytesAndColumnsBothWays) {
  const TColumnRules r = Utf8Columns();
  const std::string s = "a\xE6\xBC\xA2" + kE + "\tb";  // a 漢 é TAB b
  struct Case {
    int byte, col;
  } cases[] = {{0, 0}, {1, 1}, {4, 3}, {7, 4}, {8, 8}, {9, 9}};
  for (const Case& c : cases) {
    EXPECT_EQ(ColumnOfByte(s, c.byte, r), c.col) << c.byte;
    EXPECT_EQ(ByteOfColumn(s, c.col, r), c.byte) << c.col;
  }
  EXPECT_EQ(ByteOfColumn(s, 2, r), 1);  // the second half of 漢
  EXPECT_EQ(ByteOfColumn(s, 6, r), 7);  // the tab's fill
  EXPECT_EQ(ExpandTabLength(s, r), 9);
  EXPECT_EQ(ExpandTabLength("\xE6\xBC\xA2" + kE, r), 3);
  EXPECT_EQ(ExpandTab("\xE6\xBC\xA2\tx", r), "\xE6\xBC\xA2" + A(6, ' ') + "x");
  EXPECT_EQ(TabbedTopSpace(" \xE3\x80\x80x", r), 3);       // the ideographic space
  EXPECT_EQ(TabbedTopSpace("\xE3\x80\x80\xCC\x81x", r), 0);  // not when a mark rides on it
}

TEST(Utf8Wrap, CutsBetweenCharactersByColumns) {
  const TWrapRules r = Utf8Wrap();
  const std::string kanji = "\xE6\xBC\xA2";
  struct Case {
    std::string line;
    std::vector<int> cuts;
  } cases[] = {
      {A(79), {79}},
      {A(79) + "\xE3\x81\x82\xE3\x81\x84", {79, 6}},  // あ would straddle column 80
      {Times(50, kanji), {120, 30}},                 // 40 characters a row
      {A(79) + kE + "x", {82, 1}},                   // the mark stays with e
      {A(78) + "\xC3\xA9\xC3\xA9" "x", {82, 1}},     // two-byte, one-column characters
      {A(79) + "\x80\x80", {80, 1}},                 // broken bytes are columns
  };
  for (const Case& c : cases) EXPECT_EQ(Cut(c.line, r), c.cuts) << c.line.size();
}

TEST(Utf8Wrap, LineBreakingRulesMatchCharacters) {
  TWrapRules r = Utf8Wrap();
  r.FollowPunctuation = true;
  // 。 hangs past the wrap column as in CP932.
  EXPECT_EQ(Cut(A(80) + "\xE3\x80\x82" "b", r), std::vector<int>({83, 1}));
  r.FollowPunctuation = false;
  r.Leading = true;
  // A row does not begin with 」: the character before goes along.
  EXPECT_EQ(Cut(A(80) + "\xE3\x80\x8D" + A(10, 'b'), r).front(), 79);
  // Nor end with （.
  EXPECT_EQ(Cut(A(78) + "\xEF\xBC\x88" + A(10, 'b'), r).front(), 78);
  r.Leading = false;
  r.WordBreak = true;
  // A wide character is a break point; the cut never splits it.
  EXPECT_EQ(Cut(A(40) + "\xE3\x81\x82" + A(100), r).front(), 43);
}

// Undo restores rows as they were cut; after a change of encoding those cuts
// may split a character, so the history goes, even on an empty store.
TEST(Utf8Wrap, ChangingTheEncodingDropsCutsOfTheOther) {
  test::Fixture f;
  TEditorScreenStrings& s = *f.store;
  s.SetWordWrap(true);
  s.WrapOption().SetWrapByte(20);
  s.UpdateList(0, 0, A(19, 'b') + kE + "bbbb");
  ASSERT_EQ(s.ListStr(1), "\xCC\x81" "bbbb");  // fine in CP932
  s.UpdateList(0, s.Count(), "");
  s.SetEncoding(TextEncoding::Utf8);
  s.Undo();
  for (int r = 0; r < s.Count(); ++r) {
    const std::string_view row = s.ListStr(r);
    EXPECT_FALSE(!row.empty() && utf8::ZeroWidthAt(row, 0)) << r;
  }
  // Loaded again, the mark stays with its e.
  s.UpdateList(0, s.Count(), A(19, 'b') + kE + "bbbb");
  EXPECT_EQ(s.ListStr(0), A(19, 'b') + kE);
}

// A plain scan for the first match that starts and ends on a character
// boundary, matching case.
long NaiveFind(const std::string& buf, const std::string& pat, long from) {
  std::vector<bool> start(buf.size() + 1, false);
  for (std::size_t i = 0; i < buf.size(); i += Utf8Rules::CharLength(buf, i)) start[i] = true;
  start[buf.size()] = true;
  for (long c = from; c + static_cast<long>(pat.size()) <= static_cast<long>(buf.size()); ++c)
    if (start[static_cast<std::size_t>(c)] && start[static_cast<std::size_t>(c) + pat.size()] &&
        buf.compare(static_cast<std::size_t>(c), pat.size(), pat) == 0)
      return c;
  return -1;
}

TEST(Utf8Search, MatchesOnlyWholeCharacters) {
  const TSearchOptions down = SearchBit(sfrDown) | SearchBit(sfrMatchCase);
  struct Case {
    std::string buf, pat;
    int start;  // -1: none
  } cases[] = {
      {"xx\xE6\x97\xA5\xE6\x9C\xAC", "\xE6\x9C\xAC", 5},
      {"\xE6\x97\xA5", "\x97\xA5", -1},      // inside 日
      {kE + "e", "e", 3},                     // not the e that carries a mark
      {"a" + kE, kE, 1},
      {"\xC3\xA9\xA9", "\xA9", 2},            // the stray byte, not é's tail
  };
  for (const Case& c : cases) {
    TSearchInfo info;
    const bool found = SearchText(c.buf, info, c.pat, down, TextEncoding::Utf8);
    EXPECT_EQ(found ? info.Start : -1, c.start) << c.buf;
  }
  // Backward from the end finds the last whole match.
  TSearchInfo back{static_cast<std::int32_t>(kE.size() * 2 + 1), 0};
  ASSERT_TRUE(SearchText(kE + "e" + kE, back, "e", SearchBit(sfrMatchCase), TextEncoding::Utf8));
  EXPECT_EQ(back.Start, 3);
}

TEST(Utf8Search, FoldingWidthsAndSpaces) {
  struct Case {
    std::string buf, pat;
    TSearchOptions options;
    int start, length;
  } cases[] = {
      {"x\xD0\x9F\xD0\xA0\xD0\x98", "\xD0\xBF\xD1\x80\xD0\xB8", 0, 1, 6},      // при ~ ПРИ
      {"\xC3\x80\xC3\x89", "\xC3\xA0\xC3\xA9", 0, 0, 4},                        // àé ~ ÀÉ
      {"\xEF\xBC\xA1\xEF\xBC\xA2", "\xEF\xBD\x81\xEF\xBD\x82", 0, 0, 6},        // ａｂ ~ ＡＢ
      {"\xC3\x80", "\xC3\xA0", SearchBit(sfrMatchCase), -1, 0},
      {"\xEF\xBD\x81\xEF\xBD\x82" "c", "ab", SearchBit(sfrNoMatchZenkaku), 0, 6},
      {"\xE3\x82\xAC", "\xEF\xBD\xB6\xEF\xBE\x9E", SearchBit(sfrNoMatchZenkaku), 0, 3},  // ｶﾞ ~ ガ
      {"\xEF\xBD\xB6\xEF\xBE\x9E", "\xE3\x82\xAC", SearchBit(sfrNoMatchZenkaku), 0, 6},
      {"a\xE3\x80\x80" "b", "ab", SearchBit(sfrIncludeSpace), 0, 5},
  };
  for (const Case& c : cases) {
    TSearchInfo info;
    const bool found = SearchText(c.buf, info, c.pat, c.options | SearchBit(sfrDown), TextEncoding::Utf8);
    EXPECT_EQ(found ? info.Start : -1, c.start) << c.pat;
    if (found) {
      EXPECT_EQ(info.Length, c.length) << c.pat;
    }
  }
}

TEST(Utf8Search, AgreesWithAPlainScanOnRandomTexts) {
  const std::string pieces[] = {"a", "e", "\xCC\x81", "\xE6\x97\xA5", "\xE6\x9C\xAC", "\xC3\xA9", "\x80", "\xE6", " "};
  std::mt19937 rng(7);
  auto text = [&](int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += pieces[rng() % std::size(pieces)];
    return s;
  };
  for (int round = 0; round < 400; ++round) {
    const std::string buf = text(30);
    const std::string pat = text(1 + static_cast<int>(rng() % 3));
    long from = 0;
    for (int step = 0; step < 40; ++step) {
      TSearchInfo info{static_cast<std::int32_t>(from), 0};
      const long expect = NaiveFind(buf, pat, from);
      const bool found =
          SearchText(buf, info, pat, SearchBit(sfrDown) | SearchBit(sfrMatchCase), TextEncoding::Utf8);
      ASSERT_EQ(found ? info.Start : -1, expect) << "round " << round;
      if (!found) break;
      from = info.Start + 1;
    }
  }
}

}  // namespace
}  // namespace tolvan
