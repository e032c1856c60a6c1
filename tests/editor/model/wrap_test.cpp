#include "editor/model/wrap.h"

#include <gtest/gtest.h>

#include "core/codepage.h"

namespace tolvan {
namespace {

std::string J(const char* utf8) { return cp932::FromUtf8(utf8).bytes; }
std::string A(int n, char c = 'a') { return std::string(static_cast<std::size_t>(n), c); }

TWrapRules Rules(int w = 80) {
  TEditorWrapOption o;
  o.SetWrapByte(w);
  return TWrapRules::From(o, 8, nullptr);
}

std::vector<int> Cut(const std::string& line, const TWrapRules& r) {
  std::vector<int> v;
  CutLine(line, r, v);
  EXPECT_EQ(static_cast<int>(v.size()), CountLineRows(line, r));
  return v;
}

TEST(WrapOption, DefaultsClampingAndNotification) {
  TEditorWrapOption o;
  EXPECT_EQ(o.WrapByte(), 80);
  EXPECT_FALSE(o.FollowRetMark() || o.FollowPunctuation() || o.Leading() || o.WordBreak());
  EXPECT_EQ(o.LeadStr(), J("（［｛「『([{｢"));
  EXPECT_EQ(o.PunctuationStr(), J("、。，．,.｡､"));
  EXPECT_TRUE(InCharSet(o.FollowStr(), J("ﾟ")));
  EXPECT_TRUE(InCharSet(o.FollowStr(), J("』")));
  int changes = 0;
  o.OnChange = [&] { ++changes; };
  o.SetWrapByte(10);
  EXPECT_EQ(o.WrapByte(), 20);
  o.SetWrapByte(300);
  EXPECT_EQ(o.WrapByte(), 250);
  o.SetWrapByte(250);  // unchanged: no notification
  EXPECT_EQ(changes, 2);
  TEditorWrapOption other;
  other.SetLeading(true);
  other.SetWordBreak(true);
  other.SetWrapByte(40);
  o.Assign(other);
  EXPECT_EQ(changes, 3);
  EXPECT_TRUE(o.Leading() && o.WordBreak());
  EXPECT_EQ(o.WrapByte(), 40);
  o.BeginUpdate();
  o.SetFollowRetMark(true);
  o.SetFollowPunctuation(true);
  EXPECT_EQ(changes, 3);
  o.EndUpdate();
  EXPECT_EQ(changes, 4);
}

TEST(ColumnAttributes, CharactersTabsAndLimits) {
  TColumnRules r;
  EXPECT_EQ(StrToAttributes("a b_" + J("あ") + "(", r), "1211452");
  EXPECT_EQ(StrToAttributes("ab\tc", r), "11233333" "1");
  r.TabSpaceCount = 4;
  EXPECT_EQ(StrToAttributes("\tx", r), "23331");
  // With word wrap on a tab never runs past the wrap column.
  TColumnRules w;
  w.WordWrap = true;
  w.WrapByte = 30;
  std::string a = StrToAttributes(A(28) + "\tb", w);
  EXPECT_EQ(a.substr(28), "231");
  EXPECT_EQ(ExpandTabLength(A(28) + "\t", w), 30);
  // Building stops at WrapByte + 3 columns (wrap on) or 1000 (off).
  EXPECT_EQ(StrToAttributes(A(100), w).size(), 33u);
  EXPECT_EQ(StrToAttributes(A(1500), TColumnRules{}).size(), 1000u);
  EXPECT_EQ(StrToAttributes(A(10, '\t'), TColumnRules{}).size(), 80u);
  EXPECT_EQ(StrToAttributes(A(200, '\t'), TColumnRules{}).size(), 1000u);
  EXPECT_EQ(StrToAttributes(A(20, '\t'), w).size(), 40u);  // 30 + the tab that passes 33
  // A lone lead byte at the end is a single byte.
  EXPECT_EQ(StrToAttributes("a\x82", r), "11");
}

TEST(ColumnAttributes, ExpandTabAndTopSpace) {
  TColumnRules r;
  EXPECT_EQ(ExpandTab("a\tb", r), "a" + A(7, ' ') + "b");
  EXPECT_EQ(ExpandTabLength(J("あ") + "\t", r), 8);
  EXPECT_EQ(TabbedTopSpace("", r), -1);
  EXPECT_EQ(TabbedTopSpace("x", r), 0);
  EXPECT_EQ(TabbedTopSpace(" \t" + J("　") + "x", r), 10);
  EXPECT_EQ(ColumnOfByte("a\tb", 2, r), 8);
  EXPECT_EQ(ByteOfColumn("a\tb", 5, r), 1);  // inside the tab's fill
  EXPECT_EQ(ByteOfColumn("a\tb", 8, r), 2);
}

TEST(AttributeArray, PositionByteIndexAndStrings) {
  TColumnRules r;
  std::string text = "a\t" + J("あ") + "b";
  TEditorAttributeArray a;
  a.NewData(text, StrToAttributes(text, r));  // 1 2333333 45 1
  EXPECT_EQ(a.Position, 1);
  a.SetPosition(5);
  EXPECT_EQ(a.Ch, '3');
  EXPECT_EQ(a.ByteIndex, 2);
  EXPECT_EQ(a.PositionString(), "\t");
  a.SetPosition(10);
  EXPECT_EQ(a.Ch, '5');
  EXPECT_EQ(a.ByteIndex, 4);
  EXPECT_EQ(a.PositionString(), J("あ"));
  EXPECT_EQ(a.NextPositionString(), "b");
  a.SetPosition(9);
  EXPECT_EQ(a.PositionString(), J("あ"));
  a.SetPosition(100);
  EXPECT_EQ(a.Ch, '0');
  EXPECT_EQ(a.Position, 12);
  a.SetPosition(0);
  EXPECT_EQ(a.Position, 1);
  a.SetPosition(11);
  a.StepBack();  // lands on the trail column of あ
  EXPECT_EQ(a.Position, 10);
  a.StepBack();  // over あ onto the tab fill
  EXPECT_EQ(a.Position, 8);
}

TEST(CutLine, FullRowsAndFollowRetMark) {
  TWrapRules r = Rules();
  EXPECT_EQ(Cut(A(79), r), std::vector<int>({79}));
  EXPECT_EQ(Cut(A(80), r), std::vector<int>({80, 0}));
  EXPECT_EQ(Cut(A(170), r), std::vector<int>({80, 80, 10}));
  r.FollowRetMark = true;
  EXPECT_EQ(Cut(A(80), r), std::vector<int>({80}));
  EXPECT_EQ(Cut(A(160), r), std::vector<int>({80, 80}));
  EXPECT_EQ(Cut("", r), std::vector<int>({0}));
}

TEST(CutLine, DoubleByteNeverSplit) {
  TWrapRules r = Rules();
  std::string line = A(79) + J("あい");
  EXPECT_EQ(Cut(line, r), std::vector<int>({79, 4}));
  // All double-byte: rows of 80 columns, the cut between characters.
  std::string kana;
  for (int i = 0; i < 50; ++i) kana += J("漢");
  EXPECT_EQ(Cut(kana, r), std::vector<int>({80, 20}));
}

TEST(CutLine, FollowPunctuationHangs) {
  TWrapRules r = Rules();
  r.FollowPunctuation = true;
  EXPECT_EQ(Cut(A(80) + J("。") + "b", r), std::vector<int>({82, 1}));
  EXPECT_EQ(Cut(A(80) + ",." + J("。") + "b", r), std::vector<int>({82, 3}));
  // At most to column W + 3.
  std::vector<int> v = Cut(A(80) + "," + J("。。") + "b", r);
  EXPECT_EQ(v.front(), 83);
  r.FollowPunctuation = false;
  EXPECT_EQ(Cut(A(80) + J("。") + "b", r), std::vector<int>({80, 3}));
}

TEST(CutLine, LeadingRules) {
  TWrapRules r = Rules();
  r.Leading = true;
  // A row does not end with an opening bracket.
  EXPECT_EQ(Cut(A(78) + J("（") + A(10, 'b'), r).front(), 78);
  // A row does not begin with a closing bracket: the character before goes along.
  EXPECT_EQ(Cut(A(80) + J("」") + A(10, 'b'), r).front(), 79);
  // But no cut moves back past column 64.
  std::string many = A(60);
  for (int i = 0; i < 12; ++i) many += J("「");
  many += A(20, 'b');
  EXPECT_EQ(Cut(many, r).front(), 64);
  r.Leading = false;
  EXPECT_EQ(Cut(A(80) + J("」"), r).front(), 80);
}

TEST(CutLine, WordBreak) {
  TWrapRules r = Rules();
  r.WordBreak = true;
  EXPECT_EQ(Cut(A(50) + " " + A(100, 'b'), r).front(), 51);
  EXPECT_EQ(Cut(A(30) + "\t" + A(100, 'b'), r).front(), 31);
  EXPECT_EQ(Cut(A(200), r).front(), 26);
  // A delimiter at column 27 is still found; one at column 26 is not.
  EXPECT_EQ(Cut(A(26) + "." + A(100), r).front(), 27);
  EXPECT_EQ(Cut(A(25) + "." + A(100), r).front(), 26);
  // A double-byte character is a break point.
  EXPECT_EQ(Cut(A(40) + J("あ") + A(100), r).front(), 42);
}

// Word break moves a cut only when the rest is wider than the wrap column:
// a rest of exactly W columns is a full row, whatever delimiters it holds.
TEST(CutLine, WordBreakLeavesARestOfExactlyTheWrapWidth) {
  TWrapRules r = Rules();
  r.WordBreak = true;
  const std::string eighty = A(40) + " " + A(39, 'b');
  ASSERT_EQ(eighty.size(), 80u);
  EXPECT_EQ(Cut(eighty, r), std::vector<int>({80, 0}));
  // One column more and the cut goes back to the space.
  EXPECT_EQ(Cut(eighty + "b", r), std::vector<int>({41, 40}));
  // The same for the rest left after a first cut.
  EXPECT_EQ(Cut(A(50, 'c') + " " + eighty, r), std::vector<int>({51, 80, 0}));
  EXPECT_EQ(Cut(A(50, 'c') + " " + eighty + "b", r), std::vector<int>({51, 41, 40}));
  r.FollowRetMark = true;
  EXPECT_EQ(Cut(eighty, r), std::vector<int>({80}));
  EXPECT_EQ(Cut(A(50, 'c') + " " + eighty, r), std::vector<int>({51, 80}));
  EXPECT_EQ(Cut(eighty + "b", r), std::vector<int>({41, 40}));
}

TEST(CutLine, TabAtWrapColumnStaysInside) {
  TWrapRules r = Rules(30);
  std::vector<int> v = Cut(A(28) + "\t" + A(10, 'b'), r);
  EXPECT_EQ(v, std::vector<int>({29, 10}));
}

}  // namespace
}  // namespace tolvan
