// A text larger than 2 GiB: lengths and indexes are counted in 64 bits, select
// all reaches the end, and a copy is refused whole rather than cut short.
// Nothing here holds the text twice: a copy as large as the clipboard takes
// is built once, a drag-move edits only the rows it takes from and drops
// on (about twice the text at the peak, not seven times).
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>

#include "recording_platform.h"

namespace tolvan::test {
namespace {

constexpr std::int64_t kRow = 1 << 20;  // bytes per row, line break included
constexpr int kRows = 2200;             // 2.2 GiB: past what 32 bits count

TEST(HugeText, IndexesSelectAllAndCopy) {
  Ed ed;
  {
    std::string row(kRow - 2, 'x');
    row += "\r\n";
    auto text = std::make_shared<std::string>();
    text->reserve(static_cast<std::size_t>(kRow) * kRows + 4);
    for (int i = 0; i < kRows; ++i) *text += row;
    *text += "end";
    ed.e.Lines().LoadFromText(std::move(text));
    ed.e.SetRowCol(0, 0);
  }
  const std::int64_t total = kRow * kRows + 3;
  EXPECT_EQ(ed.e.TextLength(), total);
  EXPECT_EQ(ed.e.Perform(WM_GETTEXTLENGTH), total);

  // Positions past 2 GiB, both ways.
  ed.e.SetRowCol(kRows, 2);
  EXPECT_EQ(ed.e.SelStart(), total - 1);
  EXPECT_EQ(ed.e.GetSelIndex(0, kRows, 2), total - 1);
  ed.e.SetSelStart(kRow * 2100 + 5);
  EXPECT_EQ(ed.e.Row(), 2100);
  EXPECT_EQ(ed.e.Col(), 5);
  ed.e.SetSelLength(kRow * 50);
  EXPECT_EQ(ed.e.SelLength(), kRow * 50);
  EXPECT_EQ(ed.e.SelStr().Er, 2150);

  ed.e.SelectAll();
  EXPECT_TRUE(ed.e.Selected());
  EXPECT_EQ(ed.e.SelStart(), 0);
  EXPECT_EQ(ed.e.SelLength(), total);
  EXPECT_EQ(ed.e.Row(), kRows);
  EXPECT_EQ(ed.e.Col(), 3);

  // Too large for the clipboard: refused, nothing half copied, cut keeps it.
  ed.p.WriteClipboard("before", false);
  ed.e.CopyToClipboard();
  EXPECT_EQ(ed.p.clip, "before");
  ASSERT_EQ(ed.p.refusals.size(), 1u);
  EXPECT_EQ(ed.p.refusals[0], erCopyTooLarge);
  ed.e.CutToClipboard();
  EXPECT_EQ(ed.p.clip, "before");
  EXPECT_EQ(ed.e.TextLength(), total);
  EXPECT_EQ(ed.p.refusals.size(), 2u);

  // The limit: one byte more than fits is refused, exactly the limit is
  // copied whole.
  ASSERT_EQ(TEditor::kMaxClipboardBytes, kRow * 2048 - 1);
  ed.Select(100, 0, 2148, 0);
  EXPECT_EQ(ed.e.SelLength(), kRow * 2048);
  ed.e.CopyToClipboard();
  EXPECT_EQ(ed.p.refusals.size(), 3u);
  EXPECT_EQ(ed.p.clip, "before");
  ed.Select(100, 1, 2148, 0);
  ed.e.CopyToClipboard();
  EXPECT_EQ(static_cast<std::int64_t>(ed.p.clip.size()), TEditor::kMaxClipboardBytes);
  EXPECT_EQ(ed.p.refusals.size(), 3u);
  ed.p.clip.clear();
  ed.p.clip.shrink_to_fit();

  // A drag-move over more than 2 GiB of rows: from the first row to the end.
  ed.e.SetTopRow(0);
  ed.Select(0, 0, 0, 3);
  ed.e.MouseDown(mbLeft, 0, ed.At(0, 1));
  ed.e.MouseMove(0, ed.At(0, 6), true);
  ASSERT_EQ(ed.e.SelDragState(), sdDragging);
  ed.e.SetTopRow(kRows - 1);
  ed.e.MouseMove(0, ed.At(kRows, 3), true);
  ed.e.MouseUp(mbLeft, 0, ed.At(kRows, 3));
  EXPECT_EQ(ed.e.TextLength(), total);
  EXPECT_EQ(ed.e.List().ListStr(kRows), "endxxx");
  EXPECT_EQ(ed.e.List().ListStr(0).size(), static_cast<std::size_t>(kRow - 5));
  EXPECT_EQ(ed.e.SelStart(), total);
  // One undo step puts the three bytes back.
  ed.e.Undo();
  EXPECT_EQ(ed.e.List().ListStr(kRows), "end");
  EXPECT_EQ(ed.e.List().ListStr(0).size(), static_cast<std::size_t>(kRow - 2));
  EXPECT_FALSE(ed.e.CanUndo());
}

TEST(HugeText, SelectAllOnALastRowWiderThanTheColumnLimit) {
  Ed ed("ab\r\n" + std::string(1500, 'y'));
  ed.e.SelectAll();
  EXPECT_LE(ed.e.Col(), TEditor::kMaxCol);
  EXPECT_EQ(ed.e.SelLength(), 1504);
  EXPECT_EQ(ed.e.GetSelText(), "ab\r\n" + std::string(1500, 'y'));
  ed.e.CopyToClipboard();
  EXPECT_EQ(ed.p.clip.size(), 1504u);
  // The usual texts end with the caret at the end.
  for (const char* text : {"abc", "abc\r\n", "a\r\nb"}) {
    Ed small(text);
    small.e.SelectAll();
    EXPECT_EQ(small.e.GetSelText(), text);
    small.Type("Z");
    EXPECT_EQ(small.Text(), "Z");
  }
  Ed empty("");
  empty.e.SelectAll();
  EXPECT_FALSE(empty.e.Selected());
}

}  // namespace
}  // namespace tolvan::test
