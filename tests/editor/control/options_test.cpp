// The control's option objects: ranges and clamping, change reports (only on
// a real change, one per Assign, held by nested updates, passed up from the
// parts) and the view's built-in scheme.
#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <string>
#include <vector>

#include "editor/control/options.h"

namespace tolvan {
namespace {

struct Reports {
  int count = 0;
  TObject* sender = nullptr;
  void On(TObject* s) {
    ++count;
    sender = s;
  }
  TNotifyEvent Event() { return MakeNotifyEvent<Reports, &Reports::On>(this); }
};

const TPropInfo* Find(const TPropList& list, const std::string& name) {
  for (const TPropInfo& p : list) {
    if (p.Name == name) return &p;
  }
  return nullptr;
}

// Every ordinal and text value of an object and its parts, in walk order.
std::vector<std::string> Values(TPersistent& obj) {
  std::vector<std::string> out;
  WalkProperties(obj, [&out](TPersistent&, const TPropInfo& p) {
    if (p.Kind == TPropKind::Class) return;
    out.push_back(p.Name + "=" + (p.Kind == TPropKind::String ? p.GetStr() : std::to_string(p.GetOrd())));
  });
  return out;
}

// Values a property is tried with.
std::vector<std::int32_t> OrdinalsFor(TPropKind kind) {
  switch (kind) {
    case TPropKind::Boolean: return {0, 1, 1, 0};
    case TPropKind::Color: return {clRed, clRed, clNone, clBlack, clWhite};
    case TPropKind::FontStyles: return {0, 1, 5, 5, 15};
    default: return {INT_MIN, -1, 0, 1, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 99, 100, 101, INT_MAX};
  }
}

// Gives one property a value other than its present one; false when none
// of the tried values is taken.
bool Alter(const TPropInfo& p) {
  if (p.Kind == TPropKind::String) {
    std::string old = p.GetStr();
    p.SetStr(old == "x" ? "y" : "x");
    return p.GetStr() != old;
  }
  std::int32_t old = p.GetOrd();
  for (std::int32_t v : OrdinalsFor(p.Kind)) {
    p.SetOrd(v);
    if (p.GetOrd() != old) return true;
  }
  return false;
}

void AlterAll(TPersistent& obj) {
  WalkProperties(obj, [](TPersistent&, const TPropInfo& p) {
    if (p.Kind != TPropKind::Class) {
      EXPECT_TRUE(Alter(p)) << p.Name;
    }
  });
}

// ---- ranges and clamping

struct Range {
  const char* name;
  int lo;
  int hi;
};

void ExpectClamped(TPersistent& obj, const std::vector<Range>& ranges) {
  TPropList list = obj.Properties();
  for (const Range& r : ranges) {
    SCOPED_TRACE(std::string(obj.ClassName()) + "." + r.name);
    const TPropInfo* p = Find(list, r.name);
    ASSERT_NE(p, nullptr);
    p->SetOrd(r.lo);
    EXPECT_EQ(p->GetOrd(), r.lo);
    p->SetOrd(r.lo + 1);
    EXPECT_EQ(p->GetOrd(), r.lo + 1);
    p->SetOrd(r.lo - 1);
    EXPECT_EQ(p->GetOrd(), r.lo);
    p->SetOrd(INT_MIN);
    EXPECT_EQ(p->GetOrd(), r.lo);
    p->SetOrd(r.hi);
    EXPECT_EQ(p->GetOrd(), r.hi);
    p->SetOrd(r.hi - 1);
    EXPECT_EQ(p->GetOrd(), r.hi - 1);
    p->SetOrd(r.hi + 1);
    EXPECT_EQ(p->GetOrd(), r.hi);
    p->SetOrd(INT_MAX);
    EXPECT_EQ(p->GetOrd(), r.hi);
  }
}

TEST(OptionRanges, IntegersAreClampedFromBothSides) {
  TEditorMargin margin;
  ExpectClamped(margin, {{"Character", 0, 100}, {"Left", 0, 100}, {"Line", 0, 100}, {"Top", 0, 100}});
  TEditorImagebar imagebar;
  ExpectClamped(imagebar,
                {{"DigitWidth", 0, 100}, {"LeftMargin", 0, 100}, {"MarkWidth", 0, 100}, {"RightMargin", 0, 100}});
  TEditorLeftbar leftbar;
  ExpectClamped(leftbar, {{"Column", 1, 8}, {"LeftMargin", 0, 100}, {"RightMargin", 0, 100}});
  TEditorSpeed speed;
  ExpectClamped(speed, {{"CaretVerticalAc", 1, 4}, {"PageVerticalRange", 1, 4}, {"PageVerticalRangeAc", 1, 4}});
}

TEST(OptionRanges, LeftbarColumnKeepsOneToEightDigits) {
  TEditorLeftbar bar;
  bar.SetColumn(0);
  EXPECT_EQ(bar.Column(), 1);
  bar.SetColumn(12);
  EXPECT_EQ(bar.Column(), 8);
}

TEST(OptionRanges, UnderlineMarginIsClampedButNotPublished) {
  TEditorMargin margin;
  margin.SetUnderlineMargin(-1);
  EXPECT_EQ(margin.UnderlineMargin(), 0);
  margin.SetUnderlineMargin(101);
  EXPECT_EQ(margin.UnderlineMargin(), 100);
  margin.SetUnderlineMargin(1);
  EXPECT_EQ(margin.UnderlineMargin(), 1);
  EXPECT_EQ(Find(margin.Properties(), "UnderlineMargin"), nullptr);
}

TEST(OptionRanges, TabSpaceCountIsEvenBetweenTwoAndEight) {
  TEditorCaret caret;
  const std::pair<int, int> cases[] = {{5, 4}, {1, 2}, {9, 8}, {2, 2}, {3, 2}, {4, 4}, {6, 6},
                                       {7, 6}, {8, 8}, {0, 2}, {-3, 2}, {100, 8}, {INT_MIN, 2}, {INT_MAX, 8}};
  for (auto [in, out] : cases) {
    caret.SetTabSpaceCount(in);
    EXPECT_EQ(caret.TabSpaceCount(), out) << in;
  }
}

TEST(OptionRanges, GaugeRangeIsEightOrTen) {
  TEditorRuler ruler;
  const std::pair<int, int> cases[] = {{9, 8}, {12, 10}, {7, 8}, {8, 8}, {10, 10},
                                       {11, 10}, {0, 8}, {INT_MIN, 8}, {INT_MAX, 10}};
  for (auto [in, out] : cases) {
    ruler.SetGaugeRange(in);
    EXPECT_EQ(ruler.GaugeRange(), out) << in;
  }
}

TEST(OptionRanges, EnumerationOutsideItsValuesLeavesThePropertyAlone) {
  TEditorCaret caret;
  TPropList caretProps = caret.Properties();
  const TPropInfo* style = Find(caretProps, "Style");
  ASSERT_NE(style, nullptr);
  style->SetOrd(csBrief);
  EXPECT_EQ(caret.Style(), csBrief);
  style->SetOrd(2);
  EXPECT_EQ(caret.Style(), csBrief);
  style->SetOrd(-1);
  EXPECT_EQ(caret.Style(), csBrief);
  TEditorCursors cursors;
  TPropList cursorProps = cursors.Properties();
  const TPropInfo* def = Find(cursorProps, "DefaultCursor");
  ASSERT_NE(def, nullptr);
  def->SetOrd(crRightArrow);
  EXPECT_EQ(cursors.DefaultCursor(), crRightArrow);
  def->SetOrd(crRightArrow + 1);
  EXPECT_EQ(cursors.DefaultCursor(), crRightArrow);
}

// ---- change reports

// Every published value of obj (parts included) is tried with a series of
// values: each one that changes the value reports exactly once to the
// root's OnChange with the root as sender, each that does not reports nothing.
void ExpectReportsOnlyRealChanges(TNotifyPersistent& root) {
  Reports reports;
  root.OnChange = reports.Event();
  WalkProperties(root, [&](TPersistent&, const TPropInfo& p) {
    if (p.Kind == TPropKind::Class) return;
    SCOPED_TRACE(std::string(root.ClassName()) + "." + p.Name);
    int changes = 0;
    if (p.Kind == TPropKind::String) {
      for (const char* v : {"x", "x", "", "", "ab", "ab"}) {
        std::string old = p.GetStr();
        int before = reports.count;
        p.SetStr(v);
        bool changed = p.GetStr() != old;
        changes += changed;
        EXPECT_EQ(reports.count - before, changed ? 1 : 0) << '"' << v << '"';
      }
    } else {
      for (std::int32_t v : OrdinalsFor(p.Kind)) {
        std::int32_t old = p.GetOrd();
        int before = reports.count;
        p.SetOrd(v);
        bool changed = p.GetOrd() != old;
        changes += changed;
        EXPECT_EQ(reports.count - before, changed ? 1 : 0) << v;
      }
    }
    EXPECT_GT(changes, 0);
    if (reports.count > 0) {
      EXPECT_EQ(reports.sender, &root);
    }
  });
}

TEST(OptionReports, OnlyARealChangeReportsAndItReachesTheOwner) {
  TEditorMargin margin;
  ExpectReportsOnlyRealChanges(margin);
  TEditorMark mark;
  ExpectReportsOnlyRealChanges(mark);
  TEditorMarks marks;  // each mark's change is the marks' change
  ExpectReportsOnlyRealChanges(marks);
  TEditorImagebar imagebar;
  ExpectReportsOnlyRealChanges(imagebar);
  TEditorLeftbar leftbar;
  ExpectReportsOnlyRealChanges(leftbar);
  TEditorRuler ruler;
  ExpectReportsOnlyRealChanges(ruler);
  TEditorCursors cursors;
  ExpectReportsOnlyRealChanges(cursors);
  TEditorCaret caret;  // the cursors' change is the caret's change
  ExpectReportsOnlyRealChanges(caret);
  TEditorViewInfo view;  // every scheme value, colours included
  ExpectReportsOnlyRealChanges(view);
}

TEST(OptionReports, ClampedToThePresentValueReportsNothing) {
  TEditorCaret caret;
  Reports reports;
  caret.OnChange = reports.Event();
  caret.SetTabSpaceCount(9);  // 8 already
  caret.SetTabSpaceCount(8);
  EXPECT_EQ(reports.count, 0);
  caret.SetTabSpaceCount(5);
  caret.SetTabSpaceCount(4);
  EXPECT_EQ(reports.count, 1);
  TEditorRuler ruler;
  ruler.OnChange = reports.Event();
  ruler.SetGaugeRange(11);  // 10 already
  EXPECT_EQ(reports.count, 1);
  ruler.SetGaugeRange(9);
  ruler.SetGaugeRange(8);
  EXPECT_EQ(reports.count, 2);
  TEditorMargin margin;
  margin.OnChange = reports.Event();
  margin.SetCharacter(-5);  // 0 already
  EXPECT_EQ(reports.count, 2);
  margin.SetUnderlineMargin(1);
  margin.SetUnderlineMargin(1);
  EXPECT_EQ(reports.count, 3);
}

TEST(OptionReports, MarkReachesTheMarksThatOwnIt) {
  TEditorMarks marks;
  Reports reports;
  marks.OnChange = reports.Event();
  marks.Underline().SetVisible(false);  // already invisible: nothing to repaint
  EXPECT_EQ(reports.count, 0);
  for (TEditorMark* m : {&marks.EofMark(), &marks.RetMark(), &marks.WrapMark(), &marks.HideMark(),
                         &marks.Underline()}) {
    int before = reports.count;
    m->SetVisible(true);
    EXPECT_EQ(reports.count, before + 1);
    EXPECT_EQ(reports.sender, &marks);
  }
  TEditorMark red;
  red.SetColor(clRed);
  marks.SetRetMark(red);
  EXPECT_EQ(marks.RetMark().Color(), clRed);
  EXPECT_FALSE(marks.RetMark().Visible());
  EXPECT_EQ(reports.count, 6);
}

TEST(OptionReports, NestedUpdatesHoldTheReportUntilTheOutermostEnd) {
  TEditorMarks marks;
  Reports reports;
  marks.OnChange = reports.Event();
  marks.BeginUpdate();
  marks.BeginUpdate();
  marks.Underline().SetVisible(true);
  marks.EofMark().SetColor(clRed);
  marks.EndUpdate();
  EXPECT_EQ(reports.count, 0);
  marks.EndUpdate();
  EXPECT_EQ(reports.count, 1);
  marks.WrapMark().SetVisible(true);
  EXPECT_EQ(reports.count, 2);

  TEditorViewInfo view;
  view.OnChange = reports.Event();
  view.BeginUpdate();
  view.BeginUpdate();
  view.Colors().Str().SetColor(clRed);
  view.SetMail(true);
  view.EndUpdate();
  EXPECT_EQ(reports.count, 2);
  view.EndUpdate();
  EXPECT_EQ(reports.count, 3);
  EXPECT_EQ(reports.sender, &view);
}

// ---- Assign

template <class T>
void ExpectAssignCopiesAllAndReportsOnce() {
  SCOPED_TRACE(std::string(T().ClassName()));
  T source, dest;
  AlterAll(source);
  ASSERT_NE(Values(source), Values(dest));
  Reports reports;
  dest.OnChange = reports.Event();
  dest.Assign(source);
  EXPECT_EQ(reports.count, 1);
  EXPECT_EQ(reports.sender, &dest);
  EXPECT_EQ(Values(source), Values(dest));
  dest.Assign(source);  // nothing new, still one report
  EXPECT_EQ(reports.count, 2);

  TEditorSpeed other;
  EXPECT_THROW(dest.Assign(other), EConvertError);
  EXPECT_EQ(reports.count, 2);
  EXPECT_EQ(dest.UpdateCount(), 0);
}

TEST(OptionAssign, CopiesEveryValueAndReportsOnce) {
  ExpectAssignCopiesAllAndReportsOnce<TEditorMargin>();
  ExpectAssignCopiesAllAndReportsOnce<TEditorMark>();
  ExpectAssignCopiesAllAndReportsOnce<TEditorMarks>();
  ExpectAssignCopiesAllAndReportsOnce<TEditorImagebar>();
  ExpectAssignCopiesAllAndReportsOnce<TEditorLeftbar>();
  ExpectAssignCopiesAllAndReportsOnce<TEditorRuler>();
  ExpectAssignCopiesAllAndReportsOnce<TEditorCursors>();
  ExpectAssignCopiesAllAndReportsOnce<TEditorCaret>();
  ExpectAssignCopiesAllAndReportsOnce<TEditorViewInfo>();
}

TEST(OptionAssign, MarginKeepsItsOwnUnderlineMargin) {
  TEditorMargin source, dest;
  source.SetUnderlineMargin(1);
  source.SetLine(2);
  dest.Assign(source);
  EXPECT_EQ(dest.Line(), 2);
  EXPECT_EQ(dest.UnderlineMargin(), 0);
}

TEST(OptionAssign, SpeedCopiesWithoutReports) {
  TEditorSpeed source, dest;
  AlterAll(source);
  ASSERT_NE(Values(source), Values(dest));
  dest.Assign(source);
  EXPECT_EQ(Values(source), Values(dest));
  TEditorRuler other;
  EXPECT_THROW(dest.Assign(other), EConvertError);
}

TEST(OptionAssign, ViewCopiesBracketsAndTellsTheSchemesOtherListenersOnce) {
  TEditorViewInfo source, dest;
  TFountainBracketItem* item = source.Brackets().Add();
  item->SetLeftBracket("(*");
  item->SetRightBracket("*)");
  item->ItemColor().SetColor(clGreen);
  source.Colors().Select().SetBkColor(clRed);
  source.SetQuotation("'");
  Reports view, other;
  dest.OnChange = view.Event();
  dest.Fountain().NotifyEventList().Add(other.Event());
  dest.Assign(source);
  EXPECT_EQ(view.count, 1);
  EXPECT_EQ(other.count, 1);
  ASSERT_EQ(dest.Brackets().Count(), 1);
  EXPECT_EQ(dest.Brackets().BracketItems(0)->LeftBracket(), "(*");
  EXPECT_EQ(dest.Brackets().BracketItems(0)->ItemColor().Color(), clGreen);
  EXPECT_EQ(dest.Colors().Select().BkColor(), clRed);
  EXPECT_EQ(dest.Quotation(), "'");
  // The copy stays the destination's own.
  source.Brackets().Clear();
  EXPECT_EQ(dest.Brackets().Count(), 1);
}

// ---- cursors

TEST(OptionCursors, EachMouseStateShowsItsRolesShape) {
  using Setter = void (TEditorCursors::*)(TEditorCursorShape);
  const std::pair<TEditorMouseCursorState, Setter> roles[] = {
      {mcClient, &TEditorCursors::SetDefaultCursor},
      {mcLeftMargin, &TEditorCursors::SetLeftMarginCursor},
      {mcTopMargin, &TEditorCursors::SetTopMarginCursor},
      {mcInSel, &TEditorCursors::SetInSelCursor},
      {mcDragging, &TEditorCursors::SetDragSelCursor},
      {mcDraggingCopy, &TEditorCursors::SetDragSelCopyCursor},
  };
  for (auto [state, set] : roles) {
    TEditorCursors cursors;
    for (auto [s, other] : roles) (cursors.*other)(crArrow);
    (cursors.*set)(crIBeam);
    for (auto [s, other] : roles) {
      EXPECT_EQ(cursors.Shape(s), s == state ? crIBeam : crArrow) << "role of state " << state << ", state " << s;
    }
  }
}

// ---- the view's scheme

TEST(OptionView, SchemeChangesReachTheView) {
  TEditorViewInfo view;
  Reports reports;
  view.OnChange = reports.Event();
  view.Fountain().Colors().Str().SetColor(clRed);
  EXPECT_EQ(reports.count, 1);
  EXPECT_EQ(reports.sender, &view);
  view.Fountain().Reserve().SetStyle(FontStyleBit(fsBold));
  EXPECT_EQ(reports.count, 2);
  view.Fountain().Brackets().Add();
  EXPECT_EQ(reports.count, 3);
  view.Fountain().SameColor(clBlue);
  EXPECT_EQ(reports.count, 4);
  EXPECT_EQ(view.Colors().Ank().Color(), clBlue);
}

TEST(OptionView, QuotationKeepsOnlyTheFirstCharacter) {
  TEditorViewInfo view;
  Reports reports;
  view.OnChange = reports.Event();
  view.SetQuotation("");
  EXPECT_EQ(reports.count, 0);
  view.SetQuotation("ab");
  EXPECT_EQ(view.Quotation(), "a");
  EXPECT_EQ(reports.count, 1);
  view.SetQuotation("a\"");  // same first character: no change
  EXPECT_EQ(reports.count, 1);
  view.SetQuotation("\x81\x41\x81\x42");  // a double-byte character stays whole
  EXPECT_EQ(view.Quotation(), "\x81\x41");
  view.SetQuotation("\x81\x41z");
  EXPECT_EQ(reports.count, 2);
  view.SetQuotation("\xB1\x41");  // half-width kana: one byte
  EXPECT_EQ(view.Quotation(), "\xB1");
  view.SetQuotation("\x9F");  // a lone lead byte stands alone
  EXPECT_EQ(view.Quotation(), "\x9F");
  view.SetQuotation("");
  EXPECT_EQ(view.Quotation(), "");
  EXPECT_EQ(reports.count, 5);
}

TEST(OptionView, CommenterAndHexPrefixCompareExactly) {
  TEditorViewInfo view;
  Reports reports;
  view.OnChange = reports.Event();
  view.SetCommenter("//");
  view.SetCommenter("//");
  view.SetHexPrefix("0x");
  view.SetHexPrefix("0x");
  EXPECT_EQ(reports.count, 2);
  view.SetHexPrefix("0X");  // case counts
  view.SetCommenter("// ");
  EXPECT_EQ(reports.count, 4);
  EXPECT_EQ(view.Fountain().HexPrefix(), "0X");
  EXPECT_EQ(view.Fountain().Commenter(), "// ");
}

}  // namespace
}  // namespace tolvan
