#include "colouring/fountain_parser.h"

#include <stdexcept>

#include "core/codepage.h"
#include "core/encoding.h"

namespace tolvan {
namespace {

struct ByteClasses {
  std::array<bool, 256> ank{};    // 0-9 A-Z a-z _
  std::array<bool, 256> hex{};
  std::array<bool, 256> mail{};
  std::array<bool, 256> url{};
  std::array<bool, 256> wordEnd{};  // letters, digits, underscore
  ByteClasses() {
    for (int c = 0; c < 256; ++c) {
      const bool digit = c >= '0' && c <= '9';
      const bool alpha = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
      ank[c] = digit || alpha || c == '_';
      hex[c] = digit || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
      wordEnd[c] = ank[c];
      mail[c] = digit || alpha || c == '_' || c == '@';
      url[c] = digit || alpha || c == '_';
    }
    for (unsigned char c : std::string_view("!$%&*,-./;=?^~")) mail[c] = true;
    for (unsigned char c : std::string_view("#%&+-./:=?~")) url[c] = true;
  }
};
const ByteClasses kBytes;

bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }
unsigned char UpperAscii(unsigned char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 32) : c;
}

}  // namespace

TFountainParser::TFountainParser(TFountain* Fountain) {
  if (Fountain == nullptr) throw std::runtime_error("TFountainParser.Create need instance of TFountain");
  FFountain = Fountain;
  InitMethodTable();
}

void TFountainParser::InitMethodTable() {
  using P = TFountainParser;
  for (int c = 0; c < 256; ++c) {
    TParserProc p = &Invoke<&P::SymbolProc>;
    if (c == 0) p = &Invoke<&P::EofProc>;
    else if (c == 9) p = &Invoke<&P::TabProc>;
    else if (c == 10) p = &Invoke<&P::LFProc>;
    else if (c == 13) p = &Invoke<&P::CrProc>;
    else if (c >= '0' && c <= '9') p = &Invoke<&P::IntegerProc>;
    else if ((c >= 'A' && c <= 'Z') || c == '_' || (c >= 'a' && c <= 'z')) p = &Invoke<&P::AnkProc>;
    else if (c == 0x81 || (c >= 0x84 && c <= 0x87)) p = &Invoke<&P::DBSymbolProc>;
    else if (c == 0x82 || c == 0x83) p = &Invoke<&P::DBProc>;
    else if ((c >= 0x88 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) p = &Invoke<&P::DBKanjiProc>;
    else if (c >= 0xA1 && c <= 0xA5) p = &Invoke<&P::KanaSymbolProc>;
    else if (c >= 0xA6 && c <= 0xDF) p = &Invoke<&P::KanaProc>;
    FMethodTable[static_cast<std::size_t>(c)] = p;
  }
  for (int k = 0; k < 256; ++k) {
    TParserProc p = &Invoke<&P::SymbolProc>;
    switch (k) {
      case toInteger: case toFloat: p = &Invoke<&P::IntegerProc>; break;
      case toBracket: p = &Invoke<&P::BracketProc>; break;
      case toComment: p = &Invoke<&P::CommenterProc>; break;
      case toReserve: p = &Invoke<&P::ReserveWordProc>; break;
      case toAnk: p = &Invoke<&P::AnkProc>; break;
      case toDBSymbol: p = &Invoke<&P::DBSymbolProc>; break;
      case toDBInt: case toDBAlpha: case toDBHira: case toDBKana: p = &Invoke<&P::DBProc>; break;
      case toDBKanji: p = &Invoke<&P::DBKanjiProc>; break;
      case toKanaSymbol: p = &Invoke<&P::KanaSymbolProc>; break;
      case toKana: p = &Invoke<&P::KanaProc>; break;
      case toUrl: p = &Invoke<&P::UrlProc>; break;
      case toMail: p = &Invoke<&P::MailProc>; break;
      case toHex: p = &Invoke<&P::HexProc>; break;
      case toSingleQuotation: p = &Invoke<&P::SingleQuotationProc>; break;
      case toDoubleQuotation: p = &Invoke<&P::DoubleQuotationProc>; break;
      default: break;
    }
    FTokenMethodTable[static_cast<std::size_t>(k)] = p;
  }
}

unsigned char TFountainParser::At(int offset) const {
  const char* p = FP + offset;
  if (p >= FEnd) return 0;
  return static_cast<unsigned char>(*p);
}

void TFountainParser::StepChar() {
  if (FP >= FEnd) return;
  if (FEncoding == TextEncoding::Cp932 && cp932::IsLeadByte(Cur()) && FP + 1 < FEnd) FP += 2;
  else ++FP;
}

bool TFountainParser::StartsWith(std::string_view s) const {
  if (static_cast<std::size_t>(FEnd - FP) < s.size()) return false;
  return std::string_view(FP, s.size()) == s;
}

void TFountainParser::NewData(const std::string& S, const TRowAttributeData& Data) {
  FBuffer = S.c_str();
  FEnd = FBuffer + S.size();
  FP = FSourcePtr = FTokenPtr = FBuffer;
  FTokenBracketIndex = -2;
  FRowAttribute = Data.RowAttribute;
  FPrevRowAttribute = Data.PrevRowAttribute;
  FBracketIndex = Data.Brackets;
  FElement = Data.Elements;
  FWrappedByte = Data.WrappedBytes;
  FRemain = Data.Remains;
  FWrappedToken = Data.Tokens;
  FPrevToken = Data.PrevTokens;
  FDataStr = Data.DataStr;
}

void TFountainParser::SkipBlanks() {
  while (true) {
    const auto c = static_cast<unsigned char>(*FSourcePtr);
    if (c == 0 || c == 9 || c > 32) return;
    ++FSourcePtr;
  }
}

std::uint8_t TFountainParser::NextToken() {
  SkipBlanks();
  FTokenPtr = FP = FSourcePtr;
  FContinuing = FWrappedToken != 0;
  const unsigned char c = Cur();
  if (c == 0 || c == '\r' || c == '\n') {
    FToken = toEof;
  } else {
    if (FWrappedToken != 0) StartTokenProc();
    else if (FBracketIndex < 0) NormalTokenProc();
    else BracketProc();
    // A scanning operation that took nothing would return the same token
    // for ever: every token holds at least one character.
    if (FToken != toEof && FP == FTokenPtr) StepChar();
  }
  FSourcePtr = FP;
  return FToken;
}

void TFountainParser::StartTokenProc() {
  if (FWrappedByte <= 0) {
    FTokenMethodTable[FWrappedToken](*this);
  } else {
    FToken = FWrappedToken;
    FP = (FEnd - FP > FWrappedByte) ? FP + FWrappedByte : FEnd;
    if (FToken == toBracket) {
      FTokenBracketIndex = FBracketIndex;
      FBracketIndex = -1;
    }
  }
  FWrappedToken = 0;
  FWrappedByte = 0;
}

void TFountainParser::NormalTokenProc() {
  // Most schemes have no bracket items: no need to ask for each token.
  if (FBracketIndex == -1 && FFountain->Brackets().Count() != 0 && IsBracketProc()) BracketProc();
  else FMethodTable[Cur()](*this);
}

bool TFountainParser::IsBracketProc() {
  const TFountainBracketCollection& brackets = FFountain->Brackets();
  const int n = brackets.Count();
  for (int i = 0; i < n; ++i) {
    const std::string& left = brackets.BracketItems(i)->LeftBracket();
    if (!left.empty() && StartsWith(left)) {
      FBracketIndex = i;
      FP += left.size();
      return true;
    }
  }
  return false;
}

void TFountainParser::BracketProc() {
  const TFountainBracketCollection& brackets = FFountain->Brackets();
  if (FBracketIndex < 0 || FBracketIndex >= brackets.Count() ||
      brackets.BracketItems(FBracketIndex)->RightBracket().empty()) {
    FToken = toEof;
    return;
  }
  FToken = toBracket;
  FTokenBracketIndex = FBracketIndex;
  const std::string& right = brackets.BracketItems(FBracketIndex)->RightBracket();
  while (!AtLineEnd()) {
    if (StartsWith(right)) {
      FP += right.size();
      FBracketIndex = -1;
      return;
    }
    StepChar();
  }
}

bool TFountainParser::IsMailProc() {
  const unsigned char first = Cur();
  if (!kBytes.mail[first] || first == '@') return false;
  const char* p = FP;
  bool at = false;
  while (true) {
    const auto c = static_cast<unsigned char>(*p);
    if (c == 0 || c == '\r' || c == '\n' || !kBytes.mail[c]) return false;
    ++p;
    if (c == '@') at = true;
    else if (c == '.' && at) {
      FP = p;
      return true;
    }
  }
}

void TFountainParser::MailProc() {
  FToken = toMail;
  while (kBytes.mail[Cur()] && Cur() != 0) ++FP;
}

bool TFountainParser::IsUrlProc() {
  const char* prefixes[3] = {nullptr, nullptr, nullptr};
  switch (Cur()) {
    case 'f': prefixes[0] = "ftp:"; break;
    case 'h': prefixes[0] = "http:"; prefixes[1] = "https:"; break;
    case 'w': prefixes[0] = "www."; break;
    default: return false;
  }
  for (const char* p : prefixes) {
    if (p != nullptr && StartsWith(p)) {
      FP += std::string_view(p).size();
      return true;
    }
  }
  return false;
}

void TFountainParser::UrlProc() {
  FToken = toUrl;
  while (kBytes.url[Cur()]) ++FP;
}

void TFountainParser::ReserveWordProc() {
  FMethodTable[Cur()](*this);
  FToken = toReserve;
}

void TFountainParser::EofProc() { FToken = toEof; }

void TFountainParser::TabProc() {
  FToken = toTab;
  if (Cur() == 9) ++FP;
}

void TFountainParser::LFProc() {
  FToken = toEof;
  if (Cur() == '\n') ++FP;
}

void TFountainParser::CrProc() {
  FToken = toEof;
  if (Cur() == '\r') ++FP;
  if (Cur() == '\n') ++FP;
}

void TFountainParser::CommenterProc() {
  FToken = toComment;
  while (!AtLineEnd()) ++FP;
}

void TFountainParser::HexProc() {
  FToken = toHex;
  while (kBytes.hex[Cur()]) ++FP;
}

void TFountainParser::Exponent() {
  ++FP;  // E or e
  if (Cur() == '+' || Cur() == '-') ++FP;
  while (IsDigit(Cur())) ++FP;
}

void TFountainParser::IntegerProc() {
  FToken = toInteger;
  while (IsDigit(Cur())) ++FP;
  if (Cur() == '.') {
    FToken = toFloat;
    ++FP;
    if (IsDigit(Cur())) {
      while (IsDigit(Cur())) ++FP;
      if (Cur() == 'E' || Cur() == 'e') Exponent();
    } else if (Cur() == 'E' || Cur() == 'e') {
      Exponent();
    } else {
      --FP;
    }
  } else if (Cur() == 'E' || Cur() == 'e') {
    FToken = toFloat;
    Exponent();
  }
}

void TFountainParser::AnkProc() {
  FToken = toAnk;
  while (kBytes.ank[Cur()]) ++FP;
}

void TFountainParser::DBSymbolProc() {
  FToken = toDBSymbol;
  const unsigned char L = Cur();
  const unsigned char T = At(1);
  if (T == 0) return;
  bool take = L == 0x81 || (L >= 0x84 && L <= 0x87);
  if (L == 0x83) take = T >= 0x97 && T <= 0xF0;
  if (L == 0x82) {
    take = (T >= 0x40 && T <= 0x4E) || (T >= 0x59 && T <= 0x5F) || (T >= 0x7A && T <= 0x80) ||
           (T >= 0x9B && T <= 0x9E) || T >= 0xF2;
  }
  if (take) FP += 2;
}

void TFountainParser::DBProc() {
  const unsigned char L = Cur();
  const unsigned char T = At(1);
  auto isMark = [this] {
    return Cur() == 0x81 && (At(1) == 0x5B || At(1) == 0x7C);
  };
  if (L == 0x82) {
    if (T >= 0x4F && T <= 0x58) {
      FToken = toDBInt;
      FP += 2;
      while ((Cur() == 0x82 && At(1) >= 0x4F && At(1) <= 0x58) ||
             (Cur() == 0x81 && (At(1) == 0x43 || At(1) == 0x44)))
        FP += 2;
      return;
    }
    auto letter = [](unsigned char t) { return (t >= 0x60 && t <= 0x79) || (t >= 0x81 && t <= 0x9A); };
    if (letter(T)) {
      FToken = toDBAlpha;
      FP += 2;
      while (Cur() == 0x82 && letter(At(1))) FP += 2;
      return;
    }
    if (T >= 0x9F && T <= 0xF1) {
      FToken = toDBHira;
      FP += 2;
      while ((Cur() == 0x82 && At(1) >= 0x9F && At(1) <= 0xF1) || isMark()) FP += 2;
      return;
    }
    if (T >= 0x40) {
      FToken = toDBSymbol;
      FP += 2;
      return;
    }
  } else if (L == 0x83) {
    if (T >= 0x40 && T <= 0x96) {
      FToken = toDBKana;
      FP += 2;
      while ((Cur() == 0x83 && At(1) >= 0x40 && At(1) <= 0x96) || isMark()) FP += 2;
      return;
    }
    if (T >= 0x97 && T <= 0xF0) {
      FToken = toDBSymbol;
      FP += 2;
      return;
    }
  }
  // An unexpected trail byte: the lead byte alone, the kind unchanged. Right
  // after the end of a row the kept kind would be 0, which ends the row's
  // tokens there and loses the rest of the row: it counts as a symbol then.
  if (Cur() != 0) ++FP;
  if (FToken == toEof) FToken = toDBSymbol;
}

void TFountainParser::DBKanjiProc() {
  FToken = toDBKanji;
  while ((Cur() >= 0x88 && Cur() <= 0x9F) || (Cur() >= 0xE0 && Cur() <= 0xFC)) {
    ++FP;
    if (Cur() >= 0x40) ++FP;
  }
}

namespace {

// The kind CP932 gives the same character: runs of kanji, hiragana,
// katakana, full-width digits and letters, half-width katakana; anything
// else a symbol of its own.
std::uint8_t Utf8Kind(char32_t cp) {
  if ((cp >= 0x4E00 && cp <= 0x9FFF) || (cp >= 0x3400 && cp <= 0x4DBF) || (cp >= 0xF900 && cp <= 0xFAFF) ||
      (cp >= 0x20000 && cp <= 0x3FFFF))
    return toDBKanji;
  if (cp >= 0x3041 && cp <= 0x309E) return toDBHira;
  if (cp >= 0x30A1 && cp <= 0x30FA) return toDBKana;
  if (cp >= 0xFF10 && cp <= 0xFF19) return toDBInt;
  if ((cp >= 0xFF21 && cp <= 0xFF3A) || (cp >= 0xFF41 && cp <= 0xFF5A) || (cp >= 0x391 && cp <= 0x3C9) ||
      (cp >= 0x400 && cp <= 0x45F) || (cp >= 0xC0 && cp <= 0x24F && cp != 0xD7 && cp != 0xF7))
    return toDBAlpha;
  if (cp >= 0xFF66 && cp <= 0xFF9F) return toKana;
  if (cp >= 0xFF61 && cp <= 0xFF65) return toKanaSymbol;
  return toDBSymbol;
}

// A character that carries a run on: the long vowel mark and the
// full-width hyphen in kana, the full-width comma and period in numbers.
bool CarriesOn(std::uint8_t kind, char32_t cp) {
  if (kind == toDBHira || kind == toDBKana) return cp == 0x30FC || cp == 0xFF0D;
  if (kind == toDBInt) return cp == 0xFF0C || cp == 0xFF0E;
  return false;
}

}  // namespace

void TFountainParser::NonAsciiRunProc() {
  auto rest = [this] { return std::string_view(FP, static_cast<std::size_t>(FEnd - FP)); };
  std::size_t n = utf8::SequenceLength(rest(), 0);
  if (n == 0) {  // a broken byte: a symbol of one byte
    FToken = toDBSymbol;
    ++FP;
    return;
  }
  const std::uint8_t kind = Utf8Kind(utf8::DecodeSequence(rest(), 0, n));
  FToken = kind;
  // A character with the marks that ride on it.
  FP += Utf8Rules::CharLength(rest(), 0);
  if (kind == toDBSymbol || kind == toKanaSymbol) return;
  while (FP < FEnd && Cur() >= 0x80) {
    n = utf8::SequenceLength(rest(), 0);
    if (n == 0) return;
    const char32_t cp = utf8::DecodeSequence(rest(), 0, n);
    if (Utf8Kind(cp) != kind && !CarriesOn(kind, cp)) return;
    FP += Utf8Rules::CharLength(rest(), 0);
  }
}

void TFountainParser::SetEncoding(TextEncoding e) {
  if (e == FEncoding) return;
  FEncoding = e;
  if (e == TextEncoding::Cp932) {
    InitMethodTable();  // the derived class's, bound again
    return;
  }
  for (int c = 0x80; c < 256; ++c) FMethodTable[static_cast<std::size_t>(c)] = &Invoke<&TFountainParser::NonAsciiRunProc>;
  // A token continued from a wrapped row.
  for (std::uint8_t k : {toDBSymbol, toDBInt, toDBAlpha, toDBHira, toDBKana, toDBKanji, toKanaSymbol, toKana})
    FTokenMethodTable[k] = &Invoke<&TFountainParser::NonAsciiRunProc>;
}

void TFountainParser::KanaSymbolProc() {
  FToken = toKanaSymbol;
  if (Cur() >= 0xA1 && Cur() <= 0xA5) ++FP;
}

void TFountainParser::KanaProc() {
  FToken = toKana;
  while (Cur() >= 0xA6 && Cur() <= 0xDF) ++FP;
}

void TFountainParser::SymbolProc() {
  FToken = toSymbol;
  if (!AtLineEnd()) ++FP;
}

void TFountainParser::QuotationProc(char Q, std::uint8_t Kind) {
  FToken = Kind;
  if (!FContinuing && *FP == Q) ++FP;
  while (!AtLineEnd()) {
    if (*FP == Q) {
      ++FP;
      if (*FP != Q) return;
      ++FP;  // a doubled quote stands for one
    } else {
      StepChar();
    }
  }
}

void TFountainParser::SingleQuotationProc() { QuotationProc('\'', toSingleQuotation); }
void TFountainParser::DoubleQuotationProc() { QuotationProc('"', toDoubleQuotation); }

void TFountainParser::WrappedTokenIsReserveWord(std::uint8_t& Kind) {
  if (IsReserveWord()) Kind = toReserve;
}

TTokenSet TFountainParser::IncludeTabToken() const {
  TTokenSet s;
  s.set(toComment);
  s.set(toSingleQuotation);
  s.set(toDoubleQuotation);
  return s;
}

TTokenSet TFountainParser::EolToken() const {
  TTokenSet s;
  s.set(toComment);
  return s;
}

bool TFountainParser::IsReserveWord() {
  if (FContinuing || FToken == toEof || FToken == toBracket || FToken == toComment) return false;
  return FFountain->ReserveWordList().IndexOf(TokenView()) >= 0;
}

bool TFountainParser::IsKeyWord(std::string_view Word) {
  if (Word.empty() || static_cast<std::size_t>(FEnd - FP) < Word.size()) return false;
  for (std::size_t i = 0; i < Word.size(); ++i) {
    if (UpperAscii(static_cast<unsigned char>(FP[i])) != UpperAscii(static_cast<unsigned char>(Word[i])))
      return false;
  }
  if (kBytes.wordEnd[static_cast<unsigned char>(FP[Word.size()])]) return false;
  FP += Word.size();
  return true;
}

TFountainColor* TFountainParser::TokenToFountainColor() {
  throw std::runtime_error("Abstract error: TFountainParser.TokenToFountainColor");
}

void TFountainParser::LastTokenBracket(int Index, const TRowSource& List, TRowAttributeData& Data) {
  const TRowAttribute rowAttr = List.GetListRow(Index);
  if (EolToken().test(Data.Tokens)) {
    // A comment carried into this row covers all of it.
    if (rowAttr != raWrapped) Data.Tokens = 0;
    Data.WrappedBytes = 0;
    return;
  }
  const std::string_view row = List.GetListString(Index);
  const int L = static_cast<int>(row.size());
  if (row.find_first_not_of(' ') == std::string_view::npos) return;

  // The scan needs a zero-terminated buffer of its own.
  const bool joined = rowAttr == raWrapped && Index < List.GetListCount() - 1;
  FJoined.assign(row);
  if (joined) FJoined += List.GetListString(Index + 1);
  const std::string& S = FJoined;

  int lastRegion = Data.Brackets;
  std::int32_t element = Data.Elements;
  std::uint8_t lastKind = 0;
  NewData(S, Data);
  std::uint8_t K;
  while (true) {
    K = NextToken();
    if (K == toEof) break;
    lastKind = K;
    Data.Brackets = FBracketIndex;
    if (K == toBracket) lastRegion = FTokenBracketIndex;
    element = FElement;
    if (SourcePos() + TokenLength() > L) break;
    Data.Elements = FElement;
    Data.PrevTokens = FPrevToken;
  }

  Data.WrappedBytes = 0;
  Data.Tokens = 0;
  if (K != toEof && SourcePos() >= L) {
    Data.Brackets = -1;  // the token lies wholly on the next row
    return;
  }
  const int E = SourcePos() + TokenLength();
  if (!(SourcePos() < L && L < E)) return;
  Data.Elements = element;
  if (lastKind == toBracket) {
    if (Data.Brackets == -1) {
      Data.Brackets = lastRegion;
      const auto& brackets = FFountain->Brackets();
      if (lastRegion >= 0 && lastRegion < brackets.Count() &&
          E - L < static_cast<int>(brackets.BracketItems(lastRegion)->RightBracket().size())) {
        Data.Tokens = toBracket;
        Data.WrappedBytes = E - L;
      }
    }
    return;
  }
  std::uint8_t kind = lastKind;
  WrappedTokenIsReserveWord(kind);
  Data.Tokens = kind;
  const bool reachesNextWrap =
      E == static_cast<int>(S.size()) && List.GetListRow(Index + 1) == raWrapped;
  if (!IncludeTabToken().test(kind) && !reachesNextWrap) Data.WrappedBytes = E - L;
}

}  // namespace tolvan
