// The awk colouring scheme and its tokenizer.
#pragma once

#include "colouring/fountain.h"
#include "colouring/fountain_parser.h"

namespace tolvan {

enum : std::uint8_t {
  toAwkHex = 50,    // a hexadecimal number with its 0x prefix
  toAwkField = 51,  // a field reference
};

class TGawkFountain : public TFountain {
 public:
  TGawkFountain() { Construct(); }
  std::string_view ClassName() const override { return "TGawkFountain"; }
  std::unique_ptr<TStoreComponent> NewInstance() const override {
    return std::make_unique<TGawkFountain>();
  }

  TFountainColor& Ank() const { return *FAnk; }
  TFountainColor& Comment() const { return *FComment; }
  TFountainColor& DBCS() const { return *FDBCS; }
  TFountainColor& Int() const { return *FInt; }
  TFountainColor& Str() const { return *FStr; }
  TFountainColor& Symbol() const { return *FSymbol; }
  TFountainColor& Field() const { return *FField; }
  void SetAnk(const TFountainColor& v) { FAnk->Assign(v); }
  void SetComment(const TFountainColor& v) { FComment->Assign(v); }
  void SetDBCS(const TFountainColor& v) { FDBCS->Assign(v); }
  void SetInt(const TFountainColor& v) { FInt->Assign(v); }
  void SetStr(const TFountainColor& v) { FStr->Assign(v); }
  void SetSymbol(const TFountainColor& v) { FSymbol->Assign(v); }
  void SetField(const TFountainColor& v) { FField->Assign(v); }

  void InitFileExtList() override;
  void CreateFountainColors() override;
  TFountainParserClass GetParserClass() override;
  void InitReserveWordList() override;
  void GetProperties(TPropList& list) override;

 protected:
  struct NoConstruct {};
  // For a derived class that runs Construct() itself.
  explicit TGawkFountain(NoConstruct) {}

 private:
  std::unique_ptr<TFountainColor> FAnk, FComment, FDBCS, FInt, FStr, FSymbol, FField;
};

// The 43 words every awk scheme starts with, in the order they are added.
extern const char* const kGawkReserveWords[43];

class TGawkFountainParser : public TFountainParser {
 public:
  explicit TGawkFountainParser(TFountain* Fountain);
  bool IsReserveWord() override;
  TFountainColor* TokenToFountainColor() override;

 protected:
  void InitMethodTable() override;
  virtual void ZeroProc();
  virtual void CppHexProc();
  virtual void MyCommentProc();
  virtual void FieldProc();

 private:
  TGawkFountain& Gawk() const { return static_cast<TGawkFountain&>(*FFountain); }
};

}  // namespace tolvan
