// The table-driven tokenizer: cuts one row of CP932 text into tokens and
// carries the state that a row hands to the next (TRowAttributeData).
#pragma once

#include <array>
#include <bitset>
#include <string>
#include <string_view>

#include "colouring/fountain.h"
#include "colouring/row_state.h"

namespace tolvan {

// Token kinds of the base tokenizer.
enum : std::uint8_t {
  toEof = 0,
  toSymbol = 1,
  toInteger = 3,
  toFloat = 4,
  toBracket = 6,
  toComment = 7,
  toReserve = 8,
  toTab = 9,
  toAnk = 11,
  toDBSymbol = 12,
  toDBInt = 14,
  toDBAlpha = 15,
  toDBHira = 16,
  toDBKana = 17,
  toDBKanji = 18,
  toKanaSymbol = 19,
  toKana = 20,
  toUrl = 21,
  toMail = 22,
  toHex = 23,
  toSingleQuotation = 24,
  toDoubleQuotation = 25,
};

using TTokenSet = std::bitset<256>;

class TFountainParser : public TRowStateParser {
 public:
  // A table entry: calls one scanning operation on the parser it is given,
  // through the virtual call, so an override in a derived tokenizer is the
  // one that runs. A plain function pointer keeps the per-token dispatch to
  // a single indirect call.
  using TParserProc = void (*)(TFountainParser&);

  // Raises when Fountain is missing. Derived classes run InitMethodTable at
  // the end of their own constructor so that their entries are the ones bound.
  explicit TFountainParser(TFountain* Fountain);
  ~TFountainParser() override = default;

  // Starts on row text S (which must outlive the scan) with state Data.
  virtual void NewData(const std::string& S, const TRowAttributeData& Data);
  // The tokenizer keeps pointing into S: a temporary would dangle.
  void NewData(std::string&& S, const TRowAttributeData& Data) = delete;
  virtual std::uint8_t NextToken();
  void LastTokenBracket(int Index, const TRowSource& List, TRowAttributeData& Data) override;
  // CP932 pairs a lead byte with its trail. In UTF-8 no byte of a
  // multi-byte character is ASCII: a step is one byte, so a quote or a
  // backslash after such a character is never taken as its trail, and
  // non-ASCII characters make the tokens CP932 makes of the same characters
  // (runs of kanji, kana, full-width digits or letters; a symbol alone), all
  // in the double-byte colour.
  void SetEncoding(TextEncoding e) override;
  TextEncoding Encoding() const { return FEncoding; }
  // The colour of the current token; none (nullptr) paints in the defaults.
  virtual TFountainColor* TokenToFountainColor();

  virtual bool IsReserveWord();
  bool IsKeyWord(std::string_view Word);
  int SourcePos() const { return static_cast<int>(FTokenPtr - FBuffer); }
  int TokenLength() const { return static_cast<int>(FSourcePtr - FTokenPtr); }
  std::string TokenString() const { return std::string(FTokenPtr, FSourcePtr); }
  std::string_view TokenView() const { return std::string_view(FTokenPtr, static_cast<std::size_t>(FSourcePtr - FTokenPtr)); }

  std::uint8_t Token() const { return FToken; }
  int BracketIndex() const { return FBracketIndex; }
  int TokenBracketIndex() const { return FTokenBracketIndex; }
  bool Continuing() const { return FContinuing; }
  TFountain& Fountain() const { return *FFountain; }

  virtual TTokenSet IncludeTabToken() const;
  virtual TTokenSet EolToken() const;

 protected:
  virtual void InitMethodTable();
  virtual void SkipBlanks();
  virtual bool IsBracketProc();
  virtual void BracketProc();
  virtual bool IsMailProc();
  virtual void MailProc();
  virtual bool IsUrlProc();
  virtual void UrlProc();
  virtual void ReserveWordProc();
  virtual void EofProc();
  virtual void TabProc();
  virtual void LFProc();
  virtual void CrProc();
  virtual void CommenterProc();
  virtual void HexProc();
  virtual void IntegerProc();
  virtual void AnkProc();
  virtual void DBSymbolProc();
  virtual void DBProc();
  virtual void DBKanjiProc();
  void NonAsciiRunProc();
  virtual void KanaSymbolProc();
  virtual void KanaProc();
  virtual void SymbolProc();
  virtual void SingleQuotationProc();
  virtual void DoubleQuotationProc();
  virtual void StartTokenProc();
  virtual void NormalTokenProc();
  virtual void WrappedTokenIsReserveWord(std::uint8_t& Kind);

  // Helpers for scanning operations.
  unsigned char Cur() const { return static_cast<unsigned char>(*FP); }
  unsigned char At(int offset) const;  // 0 past the end
  bool AtLineEnd() const { return *FP == 0 || *FP == '\r' || *FP == '\n'; }
  // Moves past one character; a lead byte takes its trail unless the text ends.
  void StepChar();
  // True when the text at the scan pointer starts with s (never reads past the end).
  bool StartsWith(std::string_view s) const;
  void QuotationProc(char Q, std::uint8_t Kind);
  void Exponent();

  template <class T>
  struct MemberClass;
  template <class C>
  struct MemberClass<void (C::*)()> {
    using type = C;
  };
  // The table entry for scanning operation M (of this class or a derived one).
  template <auto M>
  static void Invoke(TFountainParser& p) {
    using D = typename MemberClass<decltype(M)>::type;
    (static_cast<D&>(p).*M)();
  }

  std::array<TParserProc, 256> FMethodTable{};
  std::array<TParserProc, 256> FTokenMethodTable{};

  const char* FBuffer = "";
  const char* FEnd = FBuffer;  // the terminating zero
  int FBracketIndex = -1;
  std::string FDataStr;
  int FTokenBracketIndex = -2;
  std::int32_t FElement = 0;
  TFountain* FFountain = nullptr;
  bool FContinuing = false;
  const char* FP = FBuffer;  // scan pointer
  TRowAttribute FPrevRowAttribute = raCrlf;
  std::uint8_t FPrevToken = 0;
  std::int32_t FRemain = 0;
  TRowAttribute FRowAttribute = raCrlf;
  const char* FSourcePtr = FBuffer;
  std::uint8_t FWrappedToken = 0;
  std::uint8_t FToken = 0;
  const char* FTokenPtr = FBuffer;
  std::int32_t FWrappedByte = 0;
  TextEncoding FEncoding = TextEncoding::Cp932;

 private:
  std::string FJoined;  // the row, and the row after it when it is wrapped
};

// Makes a tokenizer of class P for a scheme (a TFountainParserClass).
template <class P>
std::unique_ptr<TFountainParser> MakeParser(TFountain& Fountain) {
  return std::make_unique<P>(&Fountain);
}

}  // namespace tolvan
