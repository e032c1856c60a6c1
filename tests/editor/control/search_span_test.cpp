// Search patterns that span rows, wherever the match falls against the
// edges of the chunks the control searches in.
#include <gtest/gtest.h>

#include <string>

#include "recording_platform.h"

namespace tolvan::test {
namespace {

// 300 rows of 98 bytes (100 with the line break); the rows from `first`
// hold a match of a pattern spanning `span` rows.
struct SpanText {
  std::string text, pattern;
};

SpanText MakeSpanText(int first, int span) {
  SpanText t;
  for (int i = 0; i < 300; ++i) {
    std::string row(98, 'a');
    if (i == first) row.replace(92, 6, "needle");
    if (i > first && i < first + span - 1) row.assign(98, 'b');
    if (i == first + span - 1) row.replace(0, 4, "tail");
    t.text += row + "\r\n";
  }
  t.pattern = "needle\r\n";
  for (int k = 1; k < span - 1; ++k) t.pattern += std::string(98, 'b') + "\r\n";
  t.pattern += "tail";
  return t;
}

TEST(SearchSpan, RowsPatternsAcrossChunkEdgesBothWays) {
  // Forward chunks end near row 81, backward ones (from the end) near 218;
  // every placement around both edges is tried.
  for (int span : {2, 3, 4, 6}) {
    for (int first : {70, 75, 76, 77, 78, 79, 80, 81, 82, 83, 84, 210, 212, 213, 214, 215, 216, 217, 218, 219}) {
      const SpanText t = MakeSpanText(first, span);
      Ed ed(t.text);
      ASSERT_TRUE(ed.e.Search(t.pattern, SearchBit(sfrDown))) << "forward span " << span << " at " << first;
      EXPECT_EQ(ed.e.SelStr().Sr, first);
      EXPECT_EQ(ed.e.GetSelText(), t.pattern);
      EXPECT_FALSE(ed.e.Search(t.pattern, SearchBit(sfrDown)));  // no second one
      ed.e.CleanSelection();
      ed.e.SetRowCol(300, 0);
      ASSERT_TRUE(ed.e.Search(t.pattern, 0)) << "backward span " << span << " at " << first;
      EXPECT_EQ(ed.e.SelStr().Sr, first);
      EXPECT_FALSE(ed.e.Search(t.pattern, 0));
    }
  }
}

TEST(SearchSpan, ForwardNeverFindsAMatchBeforeTheCaret) {
  const SpanText t = MakeSpanText(100, 3);
  Ed ed(t.text);
  ed.e.SetRowCol(100, 93);  // inside "needle"
  EXPECT_FALSE(ed.e.Search(t.pattern, SearchBit(sfrDown)));
  ed.e.SetRowCol(102, 2);   // inside "tail"
  EXPECT_FALSE(ed.e.Search(t.pattern, 0));
}

TEST(SearchSpan, LineBreaksSkippedBetweenCharacters) {
  // With line breaks skipped, "needletail" matches across an empty row. The
  // first and last rows' lengths move the chunk edges over the match.
  const TSearchOptions crlf = SearchBit(sfrIncludeCRLF);
  for (int extra = 0; extra < 100; ++extra) {
    std::string text;
    for (int i = 0; i < 300; ++i) {
      std::string row(i == 0 || i == 299 ? 98 + extra : 98, 'a');
      if (i == 80 || i == 216) row.replace(92, 6, "needle");
      if (i == 81 || i == 217) row.clear();
      if (i == 82 || i == 218) row.replace(0, 4, "tail");
      text += row + "\r\n";
    }
    Ed ed(text);
    ASSERT_TRUE(ed.e.Search("needletail", SearchBit(sfrDown) | crlf)) << extra;
    EXPECT_EQ(ed.e.SelStr().Sr, 80);
    ed.e.CleanSelection();
    ed.e.SetRowCol(300, 0);
    ASSERT_TRUE(ed.e.Search("needletail", crlf)) << extra;
    EXPECT_EQ(ed.e.SelStr().Sr, 216);
  }
}

}  // namespace
}  // namespace tolvan::test
