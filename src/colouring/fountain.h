// Colouring schemes: the colour triple, bracket regions, the component base
// that stores itself in the settings file, and TFountain, which says how one
// language is coloured and makes tokenizers for it.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "colouring/notify.h"
#include "colouring/row_state.h"
#include "colouring/string_list.h"

namespace tolvan {

class IniFile;
class TFountain;
class TFountainParser;

class TFountainColor : public TNotifyPersistent {
 public:
  std::string_view ClassName() const override { return "TFountainColor"; }
  TColor BkColor() const { return FBkColor; }
  TColor Color() const { return FColor; }
  TFontStyles Style() const { return FStyle; }
  void SetBkColor(TColor Value);
  void SetColor(TColor Value);
  void SetStyle(TFontStyles Value);
  // Copies all three values and reports once.
  void Assign(const TPersistent& Source) override;
  void GetProperties(TPropList& list) override;
  bool SameValues(const TFountainColor& other) const {
    return FBkColor == other.FBkColor && FColor == other.FColor && FStyle == other.FStyle;
  }

 private:
  TColor FBkColor = clNone;
  TColor FColor = clNone;
  TFontStyles FStyle = 0;
};

class TFountainColorItem : public TCollectionItem {
 public:
  explicit TFountainColorItem(TCollection* Collection);
  std::string_view ClassName() const override { return "TFountainColorItem"; }
  TFountainColor& ItemColor() const { return *FItemColor; }
  void SetItemColor(const TFountainColor& Value) { FItemColor->Assign(Value); }
  void Assign(const TPersistent& Source) override;
  void GetProperties(TPropList& list) override;

 private:
  std::unique_ptr<TFountainColor> FItemColor;
};

class TFountainBracketItem : public TFountainColorItem {
 public:
  using TFountainColorItem::TFountainColorItem;
  std::string_view ClassName() const override { return "TFountainBracketItem"; }
  const std::string& LeftBracket() const { return FLeftBracket; }
  const std::string& RightBracket() const { return FRightBracket; }
  void SetLeftBracket(const std::string& Value);
  void SetRightBracket(const std::string& Value);
  void Assign(const TPersistent& Source) override;
  void GetProperties(TPropList& list) override;

 private:
  std::string FLeftBracket;
  std::string FRightBracket;
};

class TFountainBracketCollection : public TNotifyCollection {
 public:
  static constexpr int MaxItems = 14;
  explicit TFountainBracketCollection(TPersistent* Owner) : TNotifyCollection(Owner) {}
  std::string_view ClassName() const override { return "TFountainBracketCollection"; }
  // Raises once the collection holds MaxItems items.
  TFountainBracketItem* Add() override;
  TFountainBracketItem* BracketItems(int Index) const {
    return static_cast<TFountainBracketItem*>(Items(Index));
  }
  void SetBracketItem(int Index, const TFountainBracketItem& Item) { Items(Index)->Assign(Item); }

 protected:
  std::unique_ptr<TCollectionItem> CreateItem() override;
};

// Framework component base: a name, a tag and the design position.
class TComponent : public TPersistent {
 public:
  std::string_view ClassName() const override { return "TComponent"; }
  const std::string& Name() const { return FName; }
  void SetName(const std::string& Value) { FName = Value; }
  std::int32_t Tag() const { return FTag; }
  void SetTag(std::int32_t Value) { FTag = Value; }
  // Design position, two unsigned 16-bit halves as the framework keeps
  // them; streamed as "Left" and "Top" when not zero.
  std::uint16_t DesignLeft = 0;
  std::uint16_t DesignTop = 0;
  void GetProperties(TPropList& list) override;

 private:
  std::string FName;
  std::int32_t FTag = 0;
};

class TStoreComponent : public TComponent {
 public:
  std::string_view ClassName() const override { return "TStoreComponent"; }
  // A new object of the same class in its initial state; a stream is read
  // into one first, so that a bad stream leaves this object as it was.
  virtual std::unique_ptr<TStoreComponent> NewInstance() const = 0;
  // Runs f with change reports held back; one report follows.
  virtual void BatchUpdate(const std::function<void()>& f) { f(); }

  // Restores the published properties from Section/Ident of the settings
  // file; nothing stored leaves the object unchanged. A malformed value
  // raises EReadError and changes nothing.
  void ReadIni(IniFile& Ini, std::string_view Section, std::string_view Ident);
  void ReadIni(const std::filesystem::path& FileName, std::string_view Section,
               std::string_view Ident);
  // False when the settings file cannot be written.
  bool WriteIni(IniFile& Ini, std::string_view Section, std::string_view Ident) const;
  bool WriteIni(const std::filesystem::path& FileName, std::string_view Section,
                std::string_view Ident) const;
};

class TFileExtComponent : public TStoreComponent {
 public:
  std::string_view ClassName() const override { return "TFileExtComponent"; }
  TStringList& FileExtList() const { return *FFileExtList; }
  virtual std::unique_ptr<TStringList> CreateSortedList() const;
  virtual void InitFileExtList() {}
  virtual void SetFileExtList(const TStringList& Value) { FFileExtList->Assign(Value); }
  virtual bool HasExt(std::string_view Ext) const { return FFileExtList->IndexOf(Ext) >= 0; }
  void GetProperties(TPropList& list) override;

 protected:
  std::unique_ptr<TStringList> FFileExtList;
};

enum TFountainColorOperation : std::uint8_t { coBkColor = 0, coColor = 1, coStyle = 2 };
using TFountainColorOperations = std::uint8_t;  // bit n: operation n
constexpr TFountainColorOperations ColorOpBit(TFountainColorOperation o) {
  return static_cast<TFountainColorOperations>(1u << o);
}

using TFountainParserClass = std::unique_ptr<TFountainParser> (*)(TFountain& Fountain);

// A scheme. Its parts are made by virtual factory operations, so the most
// derived class runs Construct() at the end of its own constructor (a base
// constructor cannot reach the derived overrides).
class TFountain : public TFileExtComponent, public TRowStateParserFactory {
 public:
  ~TFountain() override;
  std::string_view ClassName() const override { return "TFountain"; }

  TFountainBracketCollection& Brackets() const { return *FBrackets; }
  TNotifyEventList& NotifyEventList() const { return *FNotifyEventList; }
  TFountainColor& Reserve() const { return *FReserve; }
  TStringList& ReserveWordList() const { return *FReserveWordList; }

  void SetBrackets(const TFountainBracketCollection& Value) { FBrackets->Assign(Value); }
  void SetReserve(const TFountainColor& Value) { FReserve->Assign(Value); }
  // Copies the words and tells every editor.
  void SetReserveWordList(const TStringList& Value);

  virtual std::unique_ptr<TFountainColor> CreateFountainColor();
  virtual void CreateFountainColors();
  virtual std::unique_ptr<TFountainBracketCollection> CreateBrackets();
  // The tokenizer class; abstract here.
  virtual TFountainParserClass GetParserClass();
  virtual void InitBracketItems() {}
  virtual void InitReserveWordList() {}
  virtual void ItalicFontStyleProc(TPersistent& Instance, const TPropInfo& Prop);
  virtual void FountainColorProc(TPersistent& Instance, const TPropInfo& Prop);
  virtual std::unique_ptr<TFountainParser> CreateParser();
  virtual bool HasItalicFontStyle(TPersistent& Instance);
  void SameFountainColor(TPersistent& Instance, const TFountainColor& Color,
                         TFountainColorOperations Operations);

  std::unique_ptr<TRowStateParser> CreateRowStateParser() override;
  void GetProperties(TPropList& list) override;
  void BatchUpdate(const std::function<void()>& f) override;

 protected:
  TFountain() = default;
  void Construct();

 private:
  std::unique_ptr<TFountainBracketCollection> FBrackets;
  std::unique_ptr<TNotifyEventList> FNotifyEventList;
  std::unique_ptr<TFountainColor> FReserve;
  std::unique_ptr<TStringList> FReserveWordList;
  bool FFoundItalic = false;
  const TFountainColor* FColorToCopy = nullptr;
  TFountainColorOperations FOperations = 0;
};

}  // namespace tolvan
