// Words and tokens: the token under a point or the caret, selecting it, and
// the word moves of Ctrl+Left and Ctrl+Right.
#include <algorithm>
#include <vector>

#include "colouring/editor_fountain.h"
#include "editor/control/editor.h"
#include "editor/control/editor_scopes.h"

namespace tolvan {

namespace {
struct Token {
  int start;
  int length;
  std::uint8_t kind;
};

bool IsSymbol(std::uint8_t k) { return k == toSymbol || k == toDBSymbol || k == toKanaSymbol; }

// The scheme-free tokenizer: base tables, no strings, comments or words.
TFountain& PlainFountain() {
  static TEditorFountain plain;
  return plain;
}

std::vector<Token> Tokens(TFountain& f, const std::string& s, TRowAttributeData d, TextEncoding e) {
  std::vector<Token> out;
  std::unique_ptr<TFountainParser> p = f.CreateParser();
  p->SetEncoding(e);
  p->NewData(s, d);
  for (std::uint8_t k; (k = p->NextToken()) != toEof;) out.push_back(Token{p->SourcePos(), p->TokenLength(), k});
  return out;
}
}  // namespace

bool TEditor::FindNextWordStart(int& Row, int& Col, bool Forward) {
  const int count = list_->Count();
  if (Row < 0 || Row >= count) return false;
  const bool endStop = caret_->TokenEndStop();
  auto rowTokens = [&](int r) {
    TRowAttributeData d = list_->GetListData(r);
    d.Brackets = -2;
    const std::string text = ExpandListStr(r);
    std::vector<Token> tokens = Tokens(ActiveFountain(), text, d, list_->Encoding());
    if (list_->Encoding() != TextEncoding::Cp932) {
      // Token bounds are bytes of the expanded row; the caret counts
      // columns, and a bound inside a character moves past it.
      const TColumnRules rules = ColumnRules();
      for (Token& t : tokens) {
        const int start = ColumnOfByte(text, t.start, rules);
        t.length = ColumnOfByte(text, t.start + t.length, rules) - start;
        t.start = start;
      }
    }
    return tokens;
  };
  if (Forward) {
    int from = Col;
    if (Col >= ExpandListLength(Row) && Row + 1 < count) {
      ++Row;
      from = -1;
    }
    int best = -1;
    for (const Token& t : rowTokens(Row)) {
      if (endStop && t.start <= from && from < t.start + t.length && !IsSymbol(t.kind)) {
        best = t.start + t.length;
        break;
      }
      if (t.start > from && !IsSymbol(t.kind)) {
        best = t.start;
        break;
      }
    }
    if (best >= 0) {
      Col = best;
    } else if (list_->Rows(Row) == raWrapped) {
      ++Row;
      Col = 0;
    } else {
      Col = ExpandListLength(Row);
    }
  } else {
    if (Row == 0 && Col == 0) return false;
    if (Col == 0) {
      --Row;
      Col = ExpandListLength(Row);
      if (list_->Rows(Row) == raCrlf) {
        SetRowCol(Row, Col);
        return true;
      }
    }
    int best = -1;
    for (const Token& t : rowTokens(Row)) {
      if (t.start >= Col) break;
      if (IsSymbol(t.kind)) continue;
      best = std::max(best, t.start);
      if (endStop && t.start + t.length < Col) best = std::max(best, t.start + t.length);
    }
    if (best >= 0) {
      Col = best;
    } else if (Row == 0) {
      Col = 0;
    } else {
      --Row;
      Col = ExpandListLength(Row);
    }
  }
  SetRowCol(Row, Col);
  return true;
}

bool TEditor::TokenAt(TPoint P, bool UseScheme, bool Bracket, std::string& Token, std::uint8_t& Kind,
                      int& First, int& Start) const {
  Token.clear();
  Kind = 0;
  TEditorStrInfo info;
  if (!ListInfoFromPos(P, info)) return false;
  First = list_->RowStart(info.Line);
  int offset = info.CharIndex;
  for (int r = First; r < info.Line; ++r) offset += RowByteLength(r);
  std::string line;
  int rows = 0;
  TRowAttribute attr = raCrlf;
  list_->ListInfo(First, -1, line, rows, attr);
  TRowAttributeData d;
  if (UseScheme) {
    d = list_->GetListData(First);
    // -2 switches bracket regions off: a bracket text reads as plain tokens.
    if (!Bracket) d.Brackets = -2;
  } else {
    d.Brackets = -2;
  }
  TFountain& f = UseScheme ? ActiveFountain() : PlainFountain();
  for (const tolvan::Token& t : Tokens(f, line, d, list_->Encoding())) {
    if (t.start > offset) break;
    if (offset <= t.start + t.length - 1) {
      Token = line.substr(static_cast<std::size_t>(t.start), static_cast<std::size_t>(t.length));
      Kind = t.kind;
      Start = t.start;
      return true;
    }
  }
  return false;
}

bool TEditor::PosTokenString(TPoint P, bool UseScheme, std::string& Token, bool Bracket,
                             std::uint8_t& Kind) const {
  int first = 0, start = 0;
  return TokenAt(P, UseScheme, Bracket, Token, Kind, first, start);
}

bool TEditor::SelectPosToken(TPoint P, bool UseScheme, bool Bracket) {
  std::string token;
  std::uint8_t kind = 0;
  int first = 0, start = 0;
  if (!TokenAt(P, UseScheme, Bracket, token, kind, first, start)) return false;
  CaretScope scope(*this);
  CleanSelection();
  SetSelIndex(first, start);
  SetSelLength(static_cast<int>(token.size()));
  return true;
}

std::uint8_t TEditor::TokenFromPos(TPoint P) const {
  std::string s;
  std::uint8_t k = 0;
  PosTokenString(P, true, s, false, k);
  return k;
}

std::uint8_t TEditor::TokenBracketFromPos(TPoint P) const {
  std::string s;
  std::uint8_t k = 0;
  PosTokenString(P, true, s, true, k);
  return k;
}

std::string TEditor::TokenStringFromPos(TPoint P) const {
  std::string s;
  std::uint8_t k = 0;
  PosTokenString(P, true, s, false, k);
  return s;
}

std::string TEditor::TokenStringBracketFromPos(TPoint P) const {
  std::string s;
  std::uint8_t k = 0;
  PosTokenString(P, true, s, true, k);
  return s;
}

std::string TEditor::WordFromPos(TPoint P) const {
  std::string s;
  std::uint8_t k = 0;
  PosTokenString(P, false, s, false, k);
  return s;
}

}  // namespace tolvan
