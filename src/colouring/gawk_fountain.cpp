#include "colouring/gawk_fountain.h"

#include <stdexcept>

namespace tolvan {

const char* const kGawkReserveWords[43] = {
    "ARGC",    "ARGV",   "BEGIN",  "break",   "close",  "continue", "delete",  "do",
    "else",    "exit",   "FILENAME", "FNR",   "for",    "FS",       "function", "getline",
    "gsub",    "if",     "index",  "jindex",  "jlength", "jsubstr", "length",  "match",
    "next",    "NF",     "NR",     "OFMT",    "OFS",    "ORS",      "print",   "printf",
    "return",  "RLENGTH", "RS",    "RSTART",  "split",  "sprintf",  "sub",     "SUBSEP",
    "substr",  "while",  "int"};

void TGawkFountain::InitFileExtList() { FileExtList().Add(".awk"); }

void TGawkFountain::CreateFountainColors() {
  TFountain::CreateFountainColors();
  FAnk = CreateFountainColor();
  FComment = CreateFountainColor();
  FDBCS = CreateFountainColor();
  FInt = CreateFountainColor();
  FStr = CreateFountainColor();
  FSymbol = CreateFountainColor();
  FField = CreateFountainColor();
}

TFountainParserClass TGawkFountain::GetParserClass() { return &MakeParser<TGawkFountainParser>; }

void TGawkFountain::InitReserveWordList() {
  for (const char* w : kGawkReserveWords) ReserveWordList().Add(w);
}

void TGawkFountain::GetProperties(TPropList& list) {
  TFountain::GetProperties(list);
  list.push_back(ClassProp("Ank", FAnk.get()));
  list.push_back(ClassProp("Comment", FComment.get()));
  list.push_back(ClassProp("DBCS", FDBCS.get()));
  list.push_back(ClassProp("Int", FInt.get()));
  list.push_back(ClassProp("Str", FStr.get()));
  list.push_back(ClassProp("Symbol", FSymbol.get()));
  list.push_back(ClassProp("Field", FField.get()));
}

TGawkFountainParser::TGawkFountainParser(TFountain* Fountain) : TFountainParser(Fountain) {
  if (dynamic_cast<TGawkFountain*>(Fountain) == nullptr) {
    throw std::runtime_error("TGawkFountainParser.Create need instance of TGawkFountain");
  }
  InitMethodTable();
}

void TGawkFountainParser::InitMethodTable() {
  TFountainParser::InitMethodTable();
  FMethodTable['0'] = &Invoke<&TGawkFountainParser::ZeroProc>;
  FMethodTable['\''] = &Invoke<&TGawkFountainParser::SingleQuotationProc>;
  FMethodTable['"'] = &Invoke<&TGawkFountainParser::DoubleQuotationProc>;
  FMethodTable['$'] = &Invoke<&TGawkFountainParser::FieldProc>;
  FMethodTable['#'] = &Invoke<&TGawkFountainParser::MyCommentProc>;
  FTokenMethodTable[toAwkHex] = &Invoke<&TGawkFountainParser::CppHexProc>;
  FTokenMethodTable[toAwkField] = &Invoke<&TGawkFountainParser::FieldProc>;
}

void TGawkFountainParser::ZeroProc() {
  ++FP;  // the '0'
  if (Cur() == 'x' || Cur() == 'X') {
    ++FP;
    CppHexProc();
  } else {
    IntegerProc();
  }
}

void TGawkFountainParser::CppHexProc() {
  FToken = toAwkHex;
  while ((Cur() >= '0' && Cur() <= '9') || (Cur() >= 'A' && Cur() <= 'F') ||
         (Cur() >= 'a' && Cur() <= 'f'))
    ++FP;
}

void TGawkFountainParser::MyCommentProc() { CommenterProc(); }

void TGawkFountainParser::FieldProc() {
  FToken = toAwkField;
  if (Cur() == '$') ++FP;
  if (Cur() == '(') {
    ++FP;
    while (!AtLineEnd()) {
      if (*FP++ == ')') return;
    }
    return;
  }
  while ((Cur() >= '0' && Cur() <= '9') || (Cur() >= 'A' && Cur() <= 'Z') ||
         (Cur() >= 'a' && Cur() <= 'z'))
    ++FP;
}

bool TGawkFountainParser::IsReserveWord() {
  if (FContinuing || FToken == toEof || FToken == toBracket || FToken == toComment) return false;
  const std::string_view word = TokenView();
  int i = 0;
  const TStringList& list = FFountain->ReserveWordList();
  return list.Find(word, i) && list[i] == word;
}

TFountainColor* TGawkFountainParser::TokenToFountainColor() {
  if (IsReserveWord()) return &Gawk().Reserve();
  TGawkFountain& f = Gawk();
  switch (FToken) {
    case toSymbol: return &f.Symbol();
    case toInteger: case toFloat: case toHex: case toAwkHex: return &f.Int();
    case toBracket:
      if (FTokenBracketIndex >= 0 && FTokenBracketIndex < f.Brackets().Count())
        return &f.Brackets().BracketItems(FTokenBracketIndex)->ItemColor();
      return nullptr;
    case toComment: return &f.Comment();
    case toReserve: return &f.Reserve();
    case toAnk: return &f.Ank();
    case toDBSymbol: case toDBInt: case toDBAlpha: case toDBHira: case toDBKana:
    case toDBKanji: case toKanaSymbol: case toKana: return &f.DBCS();
    case toSingleQuotation: case toDoubleQuotation: return &f.Str();
    case toAwkField: return &f.Field();
    default: return nullptr;
  }
}

}  // namespace tolvan
