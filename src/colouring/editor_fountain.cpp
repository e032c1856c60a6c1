#include "colouring/editor_fountain.h"

#include <stdexcept>

namespace tolvan {

// --- TEditorColors

TEditorColors::TEditorColors(TFountain& Fountain) : FFountain(Fountain) {
  FAnk = NewColor();
  FComment = NewColor();
  FDBCS = NewColor();
  FHit = NewColor();
  FInt = NewColor();
  FMail = NewColor();
  FSelect = NewColor();
  FSelect->SetBkColor(clNavy);
  FSelect->SetColor(clWhite);
  FStr = NewColor();
  FSymbol = NewColor();
  FUrl = NewColor();
}

std::unique_ptr<TEditorColor> TEditorColors::NewColor() {
  auto c = std::make_unique<TEditorColor>();
  c->OnChange = MakeNotifyEvent<TNotifyPersistent, &TNotifyPersistent::ChangedProc>(this);
  return c;
}

void TEditorColors::Assign(const TPersistent& Source) {
  auto* src = dynamic_cast<const TEditorColors*>(&Source);
  if (src == nullptr) {
    TNotifyPersistent::Assign(Source);
    return;
  }
  BeginUpdate();
  // Reserve belongs to the scheme and reports there, not to this set: hold
  // the scheme's report back too, so the whole copy is one change.
  FFountain.NotifyEventList().BeginUpdate();
  FAnk->Assign(src->Ank());
  FComment->Assign(src->Comment());
  FDBCS->Assign(src->DBCS());
  FHit->Assign(src->Hit());
  FInt->Assign(src->Int());
  FMail->Assign(src->Mail());
  FStr->Assign(src->Str());
  FSymbol->Assign(src->Symbol());
  Reserve().Assign(src->Reserve());
  FUrl->Assign(src->Url());
  FSelect->Assign(src->Select());
  EndUpdate();
  FFountain.NotifyEventList().EndUpdate();
}

void TEditorColors::GetProperties(TPropList& list) {
  TNotifyPersistent::GetProperties(list);
  list.push_back(ClassProp("Ank", FAnk.get()));
  list.push_back(ClassProp("Comment", FComment.get()));
  list.push_back(ClassProp("DBCS", FDBCS.get()));
  list.push_back(ClassProp("Hit", FHit.get()));
  list.push_back(ClassProp("Int", FInt.get()));
  list.push_back(ClassProp("Mail", FMail.get()));
  list.push_back(ClassProp("Reserve", &Reserve()));
  list.push_back(ClassProp("Select", FSelect.get()));
  list.push_back(ClassProp("Str", FStr.get()));
  list.push_back(ClassProp("Symbol", FSymbol.get()));
  list.push_back(ClassProp("Url", FUrl.get()));
}

// --- TEditorBracketCollection

void TEditorBracketCollection::SameBkColor(TColor Color) {
  BeginUpdate();
  for (int i = 0; i < Count(); ++i) BracketItems(i)->ItemColor().SetBkColor(Color);
  EndUpdate();
}

void TEditorBracketCollection::SameColor(TColor Color) {
  BeginUpdate();
  for (int i = 0; i < Count(); ++i) BracketItems(i)->ItemColor().SetColor(Color);
  EndUpdate();
}

void TEditorBracketCollection::SameStyle(TFontStyles Style) {
  BeginUpdate();
  for (int i = 0; i < Count(); ++i) BracketItems(i)->ItemColor().SetStyle(Style);
  EndUpdate();
}

// --- TEditorFountain

std::unique_ptr<TEditorColors> TEditorFountain::CreateColors() {
  auto colors = std::make_unique<TEditorColors>(*this);
  colors->OnChange =
      MakeNotifyEvent<TNotifyPersistent, &TNotifyPersistent::ChangedProc>(&NotifyEventList());
  return colors;
}

std::unique_ptr<TFountainBracketCollection> TEditorFountain::CreateBrackets() {
  auto brackets = std::make_unique<TEditorBracketCollection>(this);
  brackets->OnChange =
      MakeNotifyEvent<TNotifyPersistent, &TNotifyPersistent::ChangedProc>(&NotifyEventList());
  return brackets;
}

TFountainParserClass TEditorFountain::GetParserClass() { return &MakeParser<TEditorParser>; }

void TEditorFountain::Notify() { NotifyEventList().ChangedProc(static_cast<TStoreComponent*>(this)); }

void TEditorFountain::SetCommenter(const std::string& Value) {
  if (FCommenter == Value) return;
  FCommenter = Value;
  Notify();
}

void TEditorFountain::SetControlCode(bool Value) {
  if (FControlCode == Value) return;
  FControlCode = Value;
  Notify();
}

void TEditorFountain::SetHexPrefix(const std::string& Value) {
  if (FHexPrefix == Value) return;
  FHexPrefix = Value;
  Notify();
}

void TEditorFountain::SetMail(bool Value) {
  if (FMail == Value) return;
  FMail = Value;
  Notify();
}

void TEditorFountain::SetQuotation(const std::string& Value) {
  if (FQuotation == Value) return;
  FQuotation = Value;
  Notify();
}

void TEditorFountain::SetUrl(bool Value) {
  if (FUrl == Value) return;
  FUrl = Value;
  Notify();
}

void TEditorFountain::Same(const TFountainColor& value, TFountainColorOperation op) {
  NotifyEventList().BeginUpdate();
  try {
    SameFountainColor(*FColors, value, ColorOpBit(op));
  } catch (...) {
    NotifyEventList().EndUpdate();
    throw;
  }
  NotifyEventList().EndUpdate();
}

void TEditorFountain::SameBkColor(TColor Color) {
  TFountainColor value;
  value.SetBkColor(Color);
  Same(value, coBkColor);
}

void TEditorFountain::SameColor(TColor Color) {
  TFountainColor value;
  value.SetColor(Color);
  Same(value, coColor);
}

void TEditorFountain::SameStyle(TFontStyles Style) {
  TFountainColor value;
  value.SetStyle(Style);
  Same(value, coStyle);
}

void TEditorFountain::FountainColorProc(TPersistent& Instance, const TPropInfo& Prop) {
  if (Prop.Name == "Select" || Prop.Name == "Hit") return;
  TFountain::FountainColorProc(Instance, Prop);
}

void TEditorFountain::GetProperties(TPropList& list) {
  TFountain::GetProperties(list);
  list.push_back(ClassProp("Colors", FColors.get()));
  list.push_back(StrProp(
      "Commenter", [this] { return FCommenter; }, [this](const std::string& v) { SetCommenter(v); }));
  list.push_back(OrdProp(
      "ControlCode", TPropKind::Boolean, [this] { return FControlCode ? 1 : 0; },
      [this](std::int32_t v) { SetControlCode(v != 0); }));
  list.push_back(StrProp(
      "HexPrefix", [this] { return FHexPrefix; }, [this](const std::string& v) { SetHexPrefix(v); }));
  list.push_back(OrdProp(
      "Mail", TPropKind::Boolean, [this] { return FMail ? 1 : 0; },
      [this](std::int32_t v) { SetMail(v != 0); }));
  list.push_back(StrProp(
      "Quotation", [this] { return FQuotation; }, [this](const std::string& v) { SetQuotation(v); }));
  list.push_back(OrdProp(
      "Url", TPropKind::Boolean, [this] { return FUrl ? 1 : 0; },
      [this](std::int32_t v) { SetUrl(v != 0); }));
}

// --- TEditorParser

TEditorParser::TEditorParser(TFountain* Fountain) : TFountainParser(Fountain) {
  if (dynamic_cast<TEditorFountain*>(Fountain) == nullptr) {
    throw std::runtime_error("TEditorParser.Create need instance of TEditorFountain");
  }
  InitMethodTable();
}

void TEditorParser::InitMethodTable() {
  TFountainParser::InitMethodTable();
  FTokenMethodTable[toQuotation] = &Invoke<&TEditorParser::QuotationProc>;
  FTokenMethodTable[toControlCode] = &Invoke<&TEditorParser::ControlCodeProc>;
  FTokenMethodTable[toControlCodeHex] = &Invoke<&TEditorParser::ControlCodeHexProc>;
}

void TEditorParser::NormalTokenProc() {
  const TEditorFountain& f = Editor();
  if (FBracketIndex == -1 && f.Brackets().Count() != 0 && IsBracketProc()) BracketProc();
  else if (f.Mail() && IsMailProc()) MailProc();
  else if (f.Url() && IsUrlProc()) UrlProc();
  else if (IsCommenterProc()) CommenterProc();
  else if (IsQuotationProc()) QuotationProc();
  else if (IsControlCodeHexProc()) ControlCodeHexProc();
  else if (IsControlCodeProc()) ControlCodeProc();
  else if (IsHexPrefixProc()) HexProc();
  else FMethodTable[Cur()](*this);
}

bool TEditorParser::IsCommenterProc() {
  const std::string& c = Editor().Commenter();
  if (c.empty() || !StartsWith(c)) return false;
  FP += c.size();
  return true;
}

bool TEditorParser::IsQuotationProc() {
  const std::string& q = Editor().Quotation();
  if (q.empty() || *FP != q[0]) return false;
  ++FP;
  return true;
}

void TEditorParser::QuotationProc() {
  const std::string& q = Editor().Quotation();
  if (q.empty()) {
    FToken = toEof;
    return;
  }
  FToken = toQuotation;
  const char Q = q[0];
  while (!AtLineEnd()) {
    if (*FP == Q) {
      ++FP;
      if (*FP != Q) return;
      ++FP;
    } else {
      StepChar();
    }
  }
}

bool TEditorParser::IsControlCodeHexProc() {
  if (!Editor().ControlCode() || Cur() != '#' || At(1) != '$') return false;
  FP += 2;
  return true;
}

void TEditorParser::ControlCodeHexProc() {
  FToken = toControlCodeHex;
  while ((Cur() >= '0' && Cur() <= '9') || (Cur() >= 'A' && Cur() <= 'F') ||
         (Cur() >= 'a' && Cur() <= 'f'))
    ++FP;
}

bool TEditorParser::IsControlCodeProc() {
  if (!Editor().ControlCode() || Cur() != '#') return false;
  ++FP;
  return true;
}

void TEditorParser::ControlCodeProc() {
  FToken = toControlCode;
  while (Cur() >= '0' && Cur() <= '9') ++FP;
}

bool TEditorParser::IsHexPrefixProc() {
  const std::string& h = Editor().HexPrefix();
  if (h.empty() || static_cast<std::size_t>(FEnd - FP) < h.size()) return false;
  for (std::size_t i = 0; i < h.size(); ++i) {
    auto a = static_cast<unsigned char>(FP[i]);
    auto b = static_cast<unsigned char>(h[i]);
    if (a >= 'a' && a <= 'z') a = static_cast<unsigned char>(a - 32);
    if (b >= 'a' && b <= 'z') b = static_cast<unsigned char>(b - 32);
    if (a != b) return false;
  }
  FP += h.size();
  return true;
}

TTokenSet TEditorParser::IncludeTabToken() const {
  TTokenSet s = TFountainParser::IncludeTabToken();
  s.set(toQuotation);
  return s;
}

TFountainColor* TEditorParser::TokenToFountainColor() {
  TEditorColors& c = Editor().Colors();
  if (IsReserveWord()) return &c.Reserve();
  switch (FToken) {
    case toSymbol: return &c.Symbol();
    case toInteger: case toFloat: case toHex: return &c.Int();
    case toBracket: {
      const auto& b = Editor().Brackets();
      if (FTokenBracketIndex >= 0 && FTokenBracketIndex < b.Count())
        return &b.BracketItems(FTokenBracketIndex)->ItemColor();
      return nullptr;
    }
    case toComment: return &c.Comment();
    case toReserve: return &c.Reserve();
    case toAnk: return &c.Ank();
    case toDBSymbol: case toDBInt: case toDBAlpha: case toDBHira: case toDBKana:
    case toDBKanji: case toKanaSymbol: case toKana: return &c.DBCS();
    case toUrl: return &c.Url();
    case toMail: return &c.Mail();
    case toQuotation: case toControlCode: case toControlCodeHex: return &c.Str();
    default: return nullptr;
  }
}

}  // namespace tolvan
