// The scheme model: colour triples, handler lists, bracket collections,
// sorted lists and change propagation up to the editors.
#include <gtest/gtest.h>

#include "colouring/editor_fountain.h"
#include "colouring/gawk_fountain.h"
#include "test_support.h"

namespace tolvan {
namespace {

using test::ChangeCounter;

TEST(FountainColor, SettersReportOnlyRealChanges) {
  TFountainColor c;
  ChangeCounter counter;
  c.OnChange = counter.Event();
  c.SetColor(clNone);
  c.SetBkColor(clNone);
  c.SetStyle(0);
  EXPECT_EQ(counter.count, 0);
  c.SetColor(clRed);
  c.SetColor(clRed);
  EXPECT_EQ(counter.count, 1);
  EXPECT_EQ(counter.lastSender, &c);
  c.SetStyle(FontStyleBit(fsBold));
  c.SetBkColor(clWhite);
  EXPECT_EQ(counter.count, 3);
}

TEST(FountainColor, AssignCopiesAllAndReportsOnce) {
  TFountainColor src;
  src.SetBkColor(clWhite);
  src.SetColor(clBlue);
  src.SetStyle(FontStyleBit(fsItalic) | FontStyleBit(fsUnderline));
  TFountainColor dst;
  ChangeCounter counter;
  dst.OnChange = counter.Event();
  dst.Assign(src);
  EXPECT_EQ(counter.count, 1);
  EXPECT_TRUE(dst.SameValues(src));
}

TEST(FountainColor, UpdateBracketsHoldReportsUntilTheOutermostEnd) {
  TFountainColor c;
  ChangeCounter counter;
  c.OnChange = counter.Event();
  c.BeginUpdate();
  c.BeginUpdate();
  c.SetColor(clRed);
  c.SetBkColor(clBlue);
  c.EndUpdate();
  EXPECT_EQ(counter.count, 0);
  c.EndUpdate();
  EXPECT_EQ(counter.count, 1);
}

TEST(FountainColor, AssignFromAnotherClassIsRefused) {
  TFountainColor c;
  TStringList list;
  try {
    c.Assign(list);
    FAIL() << "no exception";
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "Cannot assign a TStringList to a TFountainColor");
  }
}

TEST(MethodList, RemoveTakesTheLaterOfTwinsOnly) {
  ChangeCounter a, b;
  TMethodList list;
  list.Add(a.Event());
  list.Add(b.Event());
  list.Add(a.Event());
  list.Remove(a.Event());
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list[0], a.Event());
  EXPECT_EQ(list[1], b.Event());
  list.Remove(a.Event());
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list[0], b.Event());
  list.Remove(a.Event());  // not there: nothing happens
  EXPECT_EQ(list.Count(), 1);
}

TEST(NotifyEventList, HandlersHearTheSchemeAndAHandlerMayRemoveItself) {
  TGawkFountain scheme;
  struct SelfRemover {
    TGawkFountain* scheme;
    int calls = 0;
    void Handler(TObject*) {
      ++calls;
      scheme->NotifyEventList().Remove(MakeNotifyEvent<SelfRemover, &SelfRemover::Handler>(this));
    }
  } remover{&scheme};
  ChangeCounter after;
  scheme.NotifyEventList().Add(MakeNotifyEvent<SelfRemover, &SelfRemover::Handler>(&remover));
  scheme.NotifyEventList().Add(after.Event());
  scheme.Comment().SetColor(clRed);
  scheme.Comment().SetColor(clBlue);
  EXPECT_EQ(remover.calls, 1);
  EXPECT_EQ(after.count, 2);
  EXPECT_EQ(after.lastSender, static_cast<TObject*>(static_cast<TStoreComponent*>(&scheme)));
}

TEST(StringList, SortedCaseInsensitiveAndKeepsOneCopy) {
  TStringList list;
  list.Add("while");
  list.Add("BEGIN");
  list.Add("awk");
  EXPECT_EQ(list.Add("WHILE"), 2);
  EXPECT_EQ(list.Add("Begin"), 1);
  ASSERT_EQ(list.Count(), 3);
  EXPECT_EQ(list[0], "awk");
  EXPECT_EQ(list[1], "BEGIN");
  EXPECT_EQ(list[2], "while");
  EXPECT_EQ(list.IndexOf("AWK"), 0);
  EXPECT_EQ(list.IndexOf("begin"), 1);
  EXPECT_EQ(list.IndexOf("whil"), -1);
  // A prefix sorts first; '_' (0x5F) sorts after upper-cased letters.
  list.Add("aw");
  list.Add("_x");
  EXPECT_EQ(list.Strings(), (std::vector<std::string>{"aw", "awk", "BEGIN", "while", "_x"}));
}

TEST(StringList, DoubleByteTrailBytesAreNotFolded) {
  // 0x82 0x61 and 0x82 0x41 are different characters although 0x61 and 0x41
  // are the ASCII letters a and A.
  TStringList list;
  list.Add("\x82\x61");
  list.Add("\x82\x41");
  EXPECT_EQ(list.Count(), 2);
  EXPECT_NE(CompareText("\x82\x61", "\x82\x41"), 0);
  EXPECT_EQ(CompareText("x\x82\x61", "X\x82\x61"), 0);
}

TEST(FileExtList, LooksUpExtensionsInAnyCase) {
  TGawkFountain scheme;
  EXPECT_TRUE(scheme.HasExt(".awk"));
  EXPECT_TRUE(scheme.HasExt(".AWK"));
  EXPECT_FALSE(scheme.HasExt(".aw"));
  scheme.FileExtList().Add(".AwK");
  EXPECT_EQ(scheme.FileExtList().Count(), 1);
}

TEST(BracketCollection, FourteenItemsAtMost) {
  TGawkFountain scheme;
  TFountainBracketCollection& b = scheme.Brackets();
  for (int i = 0; i < 13; ++i) b.Add();
  EXPECT_NO_THROW(b.Add());
  EXPECT_EQ(b.Count(), 14);
  try {
    b.Add();
    FAIL() << "no exception";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "TFountainBracketCollection\r\nYou can not add item over 14");
  }
  EXPECT_EQ(b.Count(), 14);
}

TEST(BracketCollection, AssignCopiesItemsAndStopsAtTheLimit) {
  TGawkFountain a, b;
  auto* item = a.Brackets().Add();
  item->SetLeftBracket("/*");
  item->SetRightBracket("*/");
  item->ItemColor().SetColor(clGreen);
  b.Brackets().Add();
  b.Brackets().Add();
  ChangeCounter counter;
  b.NotifyEventList().Add(counter.Event());
  b.SetBrackets(a.Brackets());
  EXPECT_EQ(counter.count, 1);
  ASSERT_EQ(b.Brackets().Count(), 1);
  EXPECT_EQ(b.Brackets().BracketItems(0)->LeftBracket(), "/*");
  EXPECT_EQ(b.Brackets().BracketItems(0)->RightBracket(), "*/");
  EXPECT_EQ(b.Brackets().BracketItems(0)->ItemColor().Color(), clGreen);

  // A source over the limit: the first 14 are copied, then the exception.
  struct BigCollection : TCollection {
    std::unique_ptr<TCollectionItem> CreateItem() override {
      return std::make_unique<TFountainBracketItem>(this);
    }
  } big;
  for (int i = 0; i < 15; ++i) big.Add();
  EXPECT_THROW(b.Brackets().Assign(big), std::runtime_error);
  EXPECT_EQ(b.Brackets().Count(), 14);
  EXPECT_EQ(b.Brackets().UpdateCount(), 0);
}

TEST(ChangePropagation, EveryPartOfASchemeReachesTheEditors) {
  TGawkFountain scheme;
  ChangeCounter editor;
  scheme.NotifyEventList().Add(editor.Event());

  scheme.Field().SetColor(clGreen);
  EXPECT_EQ(editor.count, 1);
  scheme.Field().SetColor(clGreen);
  EXPECT_EQ(editor.count, 1);

  auto* item = scheme.Brackets().Add();  // adding an item is a change
  EXPECT_EQ(editor.count, 2);
  item->ItemColor().SetBkColor(clSilver);  // through the collection
  EXPECT_EQ(editor.count, 3);
  item->SetLeftBracket("/*");
  EXPECT_EQ(editor.count, 4);

  TStringList words;
  words.Add("foo");
  scheme.SetReserveWordList(words);
  EXPECT_EQ(editor.count, 5);
  EXPECT_EQ(scheme.ReserveWordList().Count(), 1);
  scheme.ReserveWordList().Add("bar");  // directly: nobody is told
  EXPECT_EQ(editor.count, 5);

  TFountainColor blue;
  blue.SetColor(clBlue);
  scheme.SetReserve(blue);
  EXPECT_EQ(editor.count, 6);

  scheme.NotifyEventList().BeginUpdate();
  scheme.Ank().SetColor(clRed);
  scheme.Int().SetColor(clRed);
  scheme.Str().SetStyle(FontStyleBit(fsBold));
  scheme.NotifyEventList().EndUpdate();
  EXPECT_EQ(editor.count, 7);
  EXPECT_EQ(editor.lastSender, static_cast<TObject*>(static_cast<TStoreComponent*>(&scheme)));
}

TEST(PropertyWalk, FindsEveryColourOfAScheme) {
  TGawkFountain scheme;
  EXPECT_FALSE(scheme.HasItalicFontStyle(scheme));
  auto* item = scheme.Brackets().Add();
  item->ItemColor().SetStyle(FontStyleBit(fsItalic));
  EXPECT_TRUE(scheme.HasItalicFontStyle(scheme));
  item->ItemColor().SetStyle(0);
  scheme.Symbol().SetStyle(FontStyleBit(fsItalic) | FontStyleBit(fsBold));
  EXPECT_TRUE(scheme.HasItalicFontStyle(scheme));
  scheme.Symbol().SetStyle(FontStyleBit(fsBold));
  EXPECT_FALSE(scheme.HasItalicFontStyle(scheme));

  // Walk order: ancestors' properties first, nested objects after their owner.
  std::vector<std::string> names;
  WalkProperties(scheme, [&](TPersistent&, const TPropInfo& p) { names.push_back(p.Name); });
  const std::vector<std::string> expected{
      "Name", "Tag", "FileExtList", "Brackets", "LeftBracket", "RightBracket", "ItemColor",
      "BkColor", "Color", "Style", "Reserve", "BkColor", "Color", "Style", "ReserveWordList",
      "Ank", "BkColor", "Color", "Style", "Comment", "BkColor", "Color", "Style",
      "DBCS", "BkColor", "Color", "Style", "Int", "BkColor", "Color", "Style",
      "Str", "BkColor", "Color", "Style", "Symbol", "BkColor", "Color", "Style",
      "Field", "BkColor", "Color", "Style"};
  EXPECT_EQ(names, expected);
}

TEST(PropertyWalk, SameFountainColorSetsTheChosenFieldsOnly) {
  TGawkFountain scheme;
  scheme.Comment().SetColor(clRed);
  scheme.Brackets().Add();
  ChangeCounter editor;
  scheme.NotifyEventList().Add(editor.Event());
  TFountainColor value;
  value.SetBkColor(clWhite);
  value.SetColor(clBlack);
  scheme.SameFountainColor(scheme, value, ColorOpBit(coBkColor));
  EXPECT_EQ(scheme.Comment().BkColor(), clWhite);
  EXPECT_EQ(scheme.Comment().Color(), clRed);
  EXPECT_EQ(scheme.Brackets().BracketItems(0)->ItemColor().BkColor(), clWhite);
  EXPECT_EQ(scheme.Reserve().BkColor(), clWhite);
  // Nine colours changed, each through its setter.
  EXPECT_EQ(editor.count, 9);
  scheme.SameFountainColor(scheme, value, ColorOpBit(coBkColor));
  EXPECT_EQ(editor.count, 9);
}

TEST(Fountain, CreationBuildsThePartsInOrderAndDefaults) {
  TGawkFountain scheme;
  EXPECT_EQ(scheme.ReserveWordList().Count(), 43);
  EXPECT_GE(scheme.ReserveWordList().IndexOf("int"), 0);
  EXPECT_LT(scheme.ReserveWordList().IndexOf("END"), 0);
  EXPECT_EQ(scheme.Brackets().Count(), 0);
  for (TFountainColor* c : {&scheme.Reserve(), &scheme.Ank(), &scheme.Comment(), &scheme.DBCS(),
                            &scheme.Int(), &scheme.Str(), &scheme.Symbol(), &scheme.Field()}) {
    EXPECT_EQ(c->BkColor(), clNone);
    EXPECT_EQ(c->Color(), clNone);
    EXPECT_EQ(c->Style(), 0);
  }
  // The scheme hands the row store a tokenizer of its class.
  std::unique_ptr<TRowStateParser> p = scheme.CreateRowStateParser();
  EXPECT_NE(dynamic_cast<TGawkFountainParser*>(p.get()), nullptr);
}

TEST(Fountain, ASchemeWithoutTokenizerClassRaises) {
  struct Bare : TFountain {
    Bare() { Construct(); }
    std::unique_ptr<TStoreComponent> NewInstance() const override { return std::make_unique<Bare>(); }
  } bare;
  EXPECT_THROW(bare.CreateParser(), std::runtime_error);
}

TEST(Fountain, TokenizerNeedsAScheme) {
  try {
    TFountainParser p(nullptr);
    FAIL() << "no exception";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "TFountainParser.Create need instance of TFountain");
  }
}

}  // namespace
}  // namespace tolvan
