// The editor control's built-in scheme: plain-text colouring with optional
// strings, comments, control codes, hex numbers, mail addresses and URLs,
// and the selection and search-hit colours that painting uses with any scheme.
#pragma once

#include "colouring/fountain.h"
#include "colouring/fountain_parser.h"

namespace tolvan {

enum : std::uint8_t {
  toQuotation = 26,
  toControlCode = 27,
  toControlCodeHex = 28,
};

class TEditorColor : public TFountainColor {
 public:
  std::string_view ClassName() const override { return "TEditorColor"; }
};

class TEditorColors : public TNotifyPersistent {
 public:
  explicit TEditorColors(TFountain& Fountain);
  std::string_view ClassName() const override { return "TEditorColors"; }

  TEditorColor& Ank() const { return *FAnk; }
  TEditorColor& Comment() const { return *FComment; }
  TEditorColor& DBCS() const { return *FDBCS; }
  TEditorColor& Hit() const { return *FHit; }
  TEditorColor& Int() const { return *FInt; }
  TEditorColor& Mail() const { return *FMail; }
  // The owning scheme's Reserve colour itself.
  TFountainColor& Reserve() const { return FFountain.Reserve(); }
  TEditorColor& Select() const { return *FSelect; }
  TEditorColor& Str() const { return *FStr; }
  TEditorColor& Symbol() const { return *FSymbol; }
  TEditorColor& Url() const { return *FUrl; }
  void SetAnk(const TFountainColor& v) { FAnk->Assign(v); }
  void SetComment(const TFountainColor& v) { FComment->Assign(v); }
  void SetDBCS(const TFountainColor& v) { FDBCS->Assign(v); }
  void SetHit(const TFountainColor& v) { FHit->Assign(v); }
  void SetInt(const TFountainColor& v) { FInt->Assign(v); }
  void SetMail(const TFountainColor& v) { FMail->Assign(v); }
  void SetReserve(const TFountainColor& v) { FFountain.Reserve().Assign(v); }
  void SetSelect(const TFountainColor& v) { FSelect->Assign(v); }
  void SetStr(const TFountainColor& v) { FStr->Assign(v); }
  void SetSymbol(const TFountainColor& v) { FSymbol->Assign(v); }
  void SetUrl(const TFountainColor& v) { FUrl->Assign(v); }

  // Copies every colour; one report at the end.
  void Assign(const TPersistent& Source) override;
  void GetProperties(TPropList& list) override;

 private:
  std::unique_ptr<TEditorColor> NewColor();
  std::unique_ptr<TEditorColor> FAnk, FComment, FDBCS, FHit, FInt, FMail, FSelect, FStr, FSymbol, FUrl;
  TFountain& FFountain;
};

class TEditorBracketCollection : public TFountainBracketCollection {
 public:
  using TFountainBracketCollection::TFountainBracketCollection;
  std::string_view ClassName() const override { return "TEditorBracketCollection"; }
  void SameBkColor(TColor Color);
  void SameColor(TColor Color);
  void SameStyle(TFontStyles Style);
};

class TEditorFountain : public TFountain {
 public:
  TEditorFountain() { Construct(); FColors = CreateColors(); }
  ~TEditorFountain() override { FColors.reset(); }
  std::string_view ClassName() const override { return "TEditorFountain"; }
  std::unique_ptr<TStoreComponent> NewInstance() const override {
    return std::make_unique<TEditorFountain>();
  }

  TEditorColors& Colors() const { return *FColors; }
  const std::string& Commenter() const { return FCommenter; }
  bool ControlCode() const { return FControlCode; }
  const std::string& HexPrefix() const { return FHexPrefix; }
  bool Mail() const { return FMail; }
  const std::string& Quotation() const { return FQuotation; }
  bool Url() const { return FUrl; }
  void SetColors(const TEditorColors& Value) { FColors->Assign(Value); }
  void SetCommenter(const std::string& Value);
  void SetControlCode(bool Value);
  void SetHexPrefix(const std::string& Value);
  void SetMail(bool Value);
  void SetQuotation(const std::string& Value);
  void SetUrl(bool Value);

  virtual std::unique_ptr<TEditorColors> CreateColors();
  // Give every colour but Select and Hit one value; the editors hear once.
  virtual void SameBkColor(TColor Color);
  virtual void SameColor(TColor Color);
  virtual void SameStyle(TFontStyles Style);

  std::unique_ptr<TFountainBracketCollection> CreateBrackets() override;
  TFountainParserClass GetParserClass() override;
  void FountainColorProc(TPersistent& Instance, const TPropInfo& Prop) override;
  void GetProperties(TPropList& list) override;

 private:
  void Same(const TFountainColor& value, TFountainColorOperation op);
  void Notify();
  std::unique_ptr<TEditorColors> FColors;
  std::string FCommenter;
  bool FControlCode = false;
  std::string FHexPrefix;
  bool FMail = false;
  std::string FQuotation;
  bool FUrl = false;
};

class TEditorParser : public TFountainParser {
 public:
  explicit TEditorParser(TFountain* Fountain);
  TFountainColor* TokenToFountainColor() override;
  TTokenSet IncludeTabToken() const override;

 protected:
  void InitMethodTable() override;
  void NormalTokenProc() override;
  virtual bool IsQuotationProc();
  virtual void QuotationProc();
  virtual bool IsCommenterProc();
  virtual bool IsHexPrefixProc();
  virtual bool IsControlCodeHexProc();
  virtual void ControlCodeHexProc();
  virtual bool IsControlCodeProc();
  virtual void ControlCodeProc();

 private:
  TEditorFountain& Editor() const { return static_cast<TEditorFountain&>(*FFountain); }
};

}  // namespace tolvan
