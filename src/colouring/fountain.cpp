#include "colouring/fountain.h"

#include "colouring/fountain_parser.h"

namespace tolvan {

// --- TFountainColor

void TFountainColor::SetBkColor(TColor Value) {
  if (FBkColor == Value) return;
  FBkColor = Value;
  Changed();
}

void TFountainColor::SetColor(TColor Value) {
  if (FColor == Value) return;
  FColor = Value;
  Changed();
}

void TFountainColor::SetStyle(TFontStyles Value) {
  if (FStyle == Value) return;
  FStyle = Value;
  Changed();
}

void TFountainColor::Assign(const TPersistent& Source) {
  auto* src = dynamic_cast<const TFountainColor*>(&Source);
  if (src == nullptr) {
    TNotifyPersistent::Assign(Source);
    return;
  }
  FBkColor = src->FBkColor;
  FColor = src->FColor;
  FStyle = src->FStyle;
  Changed();
}

void TFountainColor::GetProperties(TPropList& list) {
  TNotifyPersistent::GetProperties(list);
  list.push_back(OrdProp(
      "BkColor", TPropKind::Color, [this] { return FBkColor; }, [this](std::int32_t v) { SetBkColor(v); }));
  list.push_back(OrdProp(
      "Color", TPropKind::Color, [this] { return FColor; }, [this](std::int32_t v) { SetColor(v); }));
  list.push_back(OrdProp(
      "Style", TPropKind::FontStyles, [this] { return static_cast<std::int32_t>(FStyle); },
      [this](std::int32_t v) { SetStyle(static_cast<TFontStyles>(v)); }));
}

// --- collection items

TFountainColorItem::TFountainColorItem(TCollection* Collection)
    : TCollectionItem(Collection), FItemColor(std::make_unique<TFountainColor>()) {
  if (auto* nc = dynamic_cast<TNotifyCollection*>(Collection)) {
    FItemColor->OnChange = MakeNotifyEvent<TNotifyCollection, &TNotifyCollection::ChangedProc>(nc);
  }
}

void TFountainColorItem::Assign(const TPersistent& Source) {
  auto* src = dynamic_cast<const TFountainColorItem*>(&Source);
  if (src == nullptr) {
    TCollectionItem::Assign(Source);
    return;
  }
  FItemColor->Assign(src->ItemColor());
}

void TFountainColorItem::GetProperties(TPropList& list) {
  TCollectionItem::GetProperties(list);
  list.push_back(ClassProp("ItemColor", FItemColor.get()));
}

void TFountainBracketItem::SetLeftBracket(const std::string& Value) {
  if (FLeftBracket == Value) return;
  FLeftBracket = Value;
  Changed(false);
}

void TFountainBracketItem::SetRightBracket(const std::string& Value) {
  if (FRightBracket == Value) return;
  FRightBracket = Value;
  Changed(false);
}

void TFountainBracketItem::Assign(const TPersistent& Source) {
  if (auto* src = dynamic_cast<const TFountainBracketItem*>(&Source)) {
    FLeftBracket = src->FLeftBracket;
    FRightBracket = src->FRightBracket;
  }
  TFountainColorItem::Assign(Source);
}

void TFountainBracketItem::GetProperties(TPropList& list) {
  TCollectionItem::GetProperties(list);
  list.push_back(StrProp(
      "LeftBracket", [this] { return FLeftBracket; }, [this](const std::string& v) { SetLeftBracket(v); }));
  list.push_back(StrProp(
      "RightBracket", [this] { return FRightBracket; }, [this](const std::string& v) { SetRightBracket(v); }));
  list.push_back(ClassProp("ItemColor", &ItemColor()));
}

TFountainBracketItem* TFountainBracketCollection::Add() {
  if (Count() >= MaxItems) {
    throw std::runtime_error("TFountainBracketCollection\r\nYou can not add item over " +
                             std::to_string(MaxItems));
  }
  return static_cast<TFountainBracketItem*>(TNotifyCollection::Add());
}

std::unique_ptr<TCollectionItem> TFountainBracketCollection::CreateItem() {
  return std::make_unique<TFountainBracketItem>(this);
}

// --- components

void TComponent::GetProperties(TPropList& list) {
  TPersistent::GetProperties(list);
  TPropInfo name = StrProp(
      "Name", [this] { return FName; }, [this](const std::string& v) { FName = v; });
  name.Stored = false;
  list.push_back(std::move(name));
  list.push_back(OrdProp(
      "Tag", TPropKind::Integer, [this] { return FTag; }, [this](std::int32_t v) { FTag = v; }, 0));
}

std::unique_ptr<TStringList> TFileExtComponent::CreateSortedList() const {
  return std::make_unique<TStringList>();
}

void TFileExtComponent::GetProperties(TPropList& list) {
  TStoreComponent::GetProperties(list);
  list.push_back(ClassProp("FileExtList", FFileExtList.get()));
}

// --- TFountain

void TFountain::Construct() {
  FFileExtList = CreateSortedList();
  InitFileExtList();
  FNotifyEventList = std::make_unique<TNotifyEventList>(static_cast<TStoreComponent*>(this));
  FBrackets = CreateBrackets();
  InitBracketItems();
  FReserveWordList = CreateSortedList();
  InitReserveWordList();
  CreateFountainColors();
}

TFountain::~TFountain() {
  FNotifyEventList.reset();
  FBrackets.reset();
  FReserveWordList.reset();
  FReserve.reset();
  FFileExtList.reset();
}

void TFountain::SetReserveWordList(const TStringList& Value) {
  FReserveWordList->Assign(Value);
  FNotifyEventList->ChangedProc(static_cast<TStoreComponent*>(this));
}

std::unique_ptr<TFountainColor> TFountain::CreateFountainColor() {
  auto color = std::make_unique<TFountainColor>();
  color->OnChange =
      MakeNotifyEvent<TNotifyPersistent, &TNotifyPersistent::ChangedProc>(FNotifyEventList.get());
  return color;
}

void TFountain::CreateFountainColors() { FReserve = CreateFountainColor(); }

std::unique_ptr<TFountainBracketCollection> TFountain::CreateBrackets() {
  auto brackets = std::make_unique<TFountainBracketCollection>(this);
  brackets->OnChange =
      MakeNotifyEvent<TNotifyPersistent, &TNotifyPersistent::ChangedProc>(FNotifyEventList.get());
  return brackets;
}

TFountainParserClass TFountain::GetParserClass() {
  throw std::runtime_error("Abstract error: " + std::string(ClassName()) +
                           " names no tokenizer class");
}

std::unique_ptr<TFountainParser> TFountain::CreateParser() { return GetParserClass()(*this); }

std::unique_ptr<TRowStateParser> TFountain::CreateRowStateParser() { return CreateParser(); }

void TFountain::ItalicFontStyleProc(TPersistent&, const TPropInfo& Prop) {
  if (auto* color = dynamic_cast<TFountainColor*>(Prop.Object)) {
    if (color->Style() & FontStyleBit(fsItalic)) FFoundItalic = true;
  }
}

void TFountain::FountainColorProc(TPersistent&, const TPropInfo& Prop) {
  auto* color = dynamic_cast<TFountainColor*>(Prop.Object);
  if (color == nullptr || FColorToCopy == nullptr) return;
  if (FOperations & ColorOpBit(coBkColor)) color->SetBkColor(FColorToCopy->BkColor());
  if (FOperations & ColorOpBit(coColor)) color->SetColor(FColorToCopy->Color());
  if (FOperations & ColorOpBit(coStyle)) color->SetStyle(FColorToCopy->Style());
}

bool TFountain::HasItalicFontStyle(TPersistent& Instance) {
  FFoundItalic = false;
  WalkProperties(Instance, [this](TPersistent& owner, const TPropInfo& prop) {
    ItalicFontStyleProc(owner, prop);
  });
  return FFoundItalic;
}

void TFountain::SameFountainColor(TPersistent& Instance, const TFountainColor& Color,
                                  TFountainColorOperations Operations) {
  FColorToCopy = &Color;
  FOperations = Operations;
  WalkProperties(Instance, [this](TPersistent& owner, const TPropInfo& prop) {
    FountainColorProc(owner, prop);
  });
  FColorToCopy = nullptr;
}

void TFountain::GetProperties(TPropList& list) {
  TFileExtComponent::GetProperties(list);
  list.push_back(ClassProp("Brackets", FBrackets.get()));
  list.push_back(ClassProp("Reserve", FReserve.get()));
  list.push_back(ClassProp("ReserveWordList", FReserveWordList.get()));
}

void TFountain::BatchUpdate(const std::function<void()>& f) {
  FNotifyEventList->BeginUpdate();
  try {
    f();
  } catch (...) {
    FNotifyEventList->EndUpdate();
    throw;
  }
  FNotifyEventList->EndUpdate();
}

}  // namespace tolvan
