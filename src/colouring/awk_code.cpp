#include "colouring/awk_code.h"

#include <algorithm>
#include <cctype>
#include <unordered_set>

#include "colouring/awk_builtins.h"
#include "colouring/gawk_fountain.h"

namespace tolvan {

namespace {

constexpr std::uint8_t toAwkRegex = 52;
constexpr std::size_t kLabelMax = 120;

// The colouring tokenizer as awk reads code: a string ends at a quote no
// backslash escapes, a "/" where a value is wanted opens a regular
// expression, and a single quote is only a symbol.
class TAwkCodeParser : public TGawkFountainParser {
 public:
  explicit TAwkCodeParser(TFountain* f) : TGawkFountainParser(f) {}
  void Start(const std::string& row, TextEncoding e) {
    SetEncoding(e);
    NewData(row, TRowAttributeData{});
    operand_ = false;
  }
  std::uint8_t NextToken() override {
    const std::uint8_t k = TGawkFountainParser::NextToken();
    switch (k) {
      case toEof: case toTab: case toComment: break;
      case toAnk: operand_ = !RegexMayFollow(TokenView()); break;
      case toSymbol: operand_ = *FTokenPtr == ')' || *FTokenPtr == ']'; break;
      default: operand_ = true; break;  // numbers, fields, strings, regular expressions
    }
    return k;
  }

 protected:
  void DoubleQuotationProc() override {
    FToken = toDoubleQuotation;
    ++FP;
    while (!AtLineEnd()) {
      if (Cur() == '\\') {
        ++FP;
        if (!AtLineEnd()) StepChar();
      } else if (Cur() == '"') {
        ++FP;
        return;
      } else {
        StepChar();
      }
    }
  }
  void SingleQuotationProc() override { TGawkFountainParser::SymbolProc(); }
  void SymbolProc() override {
    if (Cur() != '/' || operand_) return TGawkFountainParser::SymbolProc();
    FToken = toAwkRegex;
    ++FP;
    bool bracket = false;
    while (!AtLineEnd()) {
      const unsigned char c = Cur();
      if (c == '\\') {
        ++FP;
        if (!AtLineEnd()) StepChar();
        continue;
      }
      if (bracket) {
        if (c == ']') bracket = false;
      } else if (c == '[') {
        // "]" first in a bracket expression is a member, not its end.
        bracket = true;
        ++FP;
        if (Cur() == '^') ++FP;
        if (Cur() == ']') ++FP;
        continue;
      } else if (c == '/') {
        ++FP;
        return;
      }
      StepChar();
    }
  }

 private:
  static bool RegexMayFollow(std::string_view word) {
    return word == "print" || word == "printf" || word == "return" || word == "case" || word == "do" || word == "else";
  }
  bool operand_ = false;
};

TGawkFountain& CodeFountain() {
  static TGawkFountain fountain;
  return fountain;
}

bool IsSymbol(const TAwkCodeParser& p, char c) { return p.Token() == toSymbol && p.TokenView().front() == c; }

bool IsKnownWord(std::string_view w) { return FindAwkBuiltin(w) != nullptr; }

// "…" in the text's encoding: labels are shown decoded as the text is.
std::string Ellipsis(TextEncoding e) { return FromUtf8(e, "…").bytes; }

std::string Capped(std::string label, TextEncoding e) {
  if (label.size() > kLabelMax) {
    label.resize(CharStart(e, label, kLabelMax));
    label += Ellipsis(e);
  }
  return label;
}

// One pass over the rows; see TAwkNames.
class TReader {
 public:
  TReader(TextEncoding e) : e_(e), p_(&CodeFountain()) {}

  TAwkNames Read(const TRowSource& rows) {
    const int count = rows.GetListCount();
    int line = 1;
    for (int r = 0; r < count; ++r) {
      row_.assign(rows.GetListString(r));
      Row(r, line);
      if (rows.GetListRow(r) != raWrapped) {
        EndOfLine(r);
        ++line;
      }
    }
    if (open_ >= 0) names_.Outline[static_cast<std::size_t>(open_)].EndRow = std::max(0, count - 1);
    for (const TAwkFunction& f : names_.Functions) candidates_.erase(f.Name);
    names_.Globals.assign(candidates_.begin(), candidates_.end());
    std::sort(names_.Globals.begin(), names_.Globals.end());
    return std::move(names_);
  }

 private:
  enum class State { Idle, Head, FuncName, FuncParams, AfterParams, Pattern, Body };

  void Row(int r, int line) {
    p_.Start(row_, e_);
    lastEnd_ = -1;
    pieceStart_ = state_ == State::Pattern ? -1 : 0;
    for (std::uint8_t k; (k = p_.NextToken()) != toEof;) {
      if (k == toTab || k == toComment) continue;
      const int pos = p_.SourcePos();
      const std::string_view text = p_.TokenView();
      // A name waits for the token after it: "name(" is a call.
      if (!pending_.empty()) {
        if (!(IsSymbol(p_, '(') && pos == pendingEnd_)) Variable(pending_);
        pending_.clear();
      }
      if (depth_ == 0) {
        if (!Outer(r, line, k, pos, text)) return;
      } else if (k == toSymbol && text == "{") {
        ++depth_;
      } else if (k == toSymbol && text == "}") {
        Close(r);
      } else {
        Word(k, text, pos);
      }
      lastEnd_ = pos + static_cast<int>(text.size());
      last_ = text;
      lastKind_ = k;
    }
    if (!pending_.empty()) {
      Variable(pending_);
      pending_.clear();
    }
  }

  // A token outside every action; false to skip the rest of the row.
  bool Outer(int r, int line, std::uint8_t k, int pos, std::string_view text) {
    const bool symbol = k == toSymbol;
    switch (state_) {
      case State::Idle:
        if (symbol && (text == ";" || text == "}")) return true;
        if (symbol && text == "@") return false;  // @include, @load, @namespace
        if (symbol && text == "{") {
          Open(TAwkItemKind::Action, r, line, "{" + Ellipsis(e_) + "}");
          depth_ = 1;
          state_ = State::Body;
          return true;
        }
        if (k == toAnk) {
          static constexpr std::pair<std::string_view, TAwkItemKind> kSpecial[] = {
              {"BEGIN", TAwkItemKind::Begin}, {"BEGINFILE", TAwkItemKind::BeginFile},
              {"END", TAwkItemKind::End}, {"ENDFILE", TAwkItemKind::EndFile}};
          for (const auto& [word, kind] : kSpecial) {
            if (text == word) {
              Open(kind, r, line, std::string(word));
              state_ = State::Head;
              return true;
            }
          }
          if (text == "function" || text == "func") {
            Open(TAwkItemKind::Function, r, line, std::string(text));
            state_ = State::FuncName;
            return true;
          }
        }
        Open(TAwkItemKind::Pattern, r, line, std::string());
        state_ = State::Pattern;
        paren_ = 0;
        pieceStart_ = pos;
        Word(k, text, pos);
        return true;
      case State::Head:
      case State::AfterParams:
        if (symbol && text == "{") {
          depth_ = 1;
          state_ = State::Body;
        }
        return true;
      case State::FuncName:
        named_ = k == toAnk;
        if (named_) names_.Functions.push_back(TAwkFunction{std::string(text), {}, r, names_.Outline.back().Line});
        state_ = State::FuncParams;
        if (symbol && text == "(") inParams_ = true;
        return true;
      case State::FuncParams:
        if (symbol && text == "(") inParams_ = true;
        else if (symbol && text == ")") {
          inParams_ = false;
          state_ = State::AfterParams;
          if (named_) {
            TAwkFunction& f = names_.Functions.back();
            names_.Outline.back().Label = AwkSignature(f);
            params_.clear();
            params_.insert(f.Params.begin(), f.Params.end());
          }
        } else if (inParams_ && k == toAnk && named_) {
          names_.Functions.back().Params.emplace_back(text);
        }
        return true;
      case State::Pattern:
        if (symbol && paren_ == 0 && (text == "{" || text == ";")) {
          AddPiece(pos);
          if (text == "{") {
            depth_ = 1;
            state_ = State::Body;
          } else {
            names_.Outline[static_cast<std::size_t>(open_)].EndRow = r;
            open_ = -1;
            state_ = State::Idle;
          }
          return true;
        }
        if (symbol && (text == "(" || text == "[")) ++paren_;
        if (symbol && (text == ")" || text == "]") && paren_ > 0) --paren_;
        Word(k, text, pos);
        return true;
      case State::Body:
        return true;
    }
    return true;
  }

  void EndOfLine(int r) {
    if (state_ != State::Pattern) return;
    // A pattern goes on after "&&", "||", ",", a backslash or an open parenthesis.
    const bool goesOn =
        paren_ > 0 || (lastKind_ == toSymbol && (last_ == "," || last_ == "\\" || last_ == "&" || last_ == "|"));
    AddPiece(lastEnd_ >= 0 ? lastEnd_ - (last_ == "\\" ? 1 : 0) : -1);
    if (goesOn) return;
    names_.Outline[static_cast<std::size_t>(open_)].EndRow = r;
    open_ = -1;
    state_ = State::Idle;
  }

  // The pattern's text on this row, up to end.
  void AddPiece(int end) {
    if (open_ < 0 || end < 0) return;
    const int from = pieceStart_ >= 0 ? pieceStart_ : 0;
    std::string_view piece = std::string_view(row_).substr(static_cast<std::size_t>(from),
                                                          static_cast<std::size_t>(std::max(0, end - from)));
    while (!piece.empty() && (piece.back() == ' ' || piece.back() == '\t')) piece.remove_suffix(1);
    while (!piece.empty() && (piece.front() == ' ' || piece.front() == '\t')) piece.remove_prefix(1);
    std::string& label = names_.Outline[static_cast<std::size_t>(open_)].Label;
    if (piece.empty() || label.size() > kLabelMax) return;
    if (!label.empty()) label += ' ';
    label += piece;
    label = Capped(std::move(label), e_);
    pieceStart_ = -1;
  }

  void Open(TAwkItemKind kind, int r, int line, std::string label) {
    names_.Outline.push_back(TAwkOutlineItem{kind, r, r, line, std::move(label)});
    open_ = static_cast<int>(names_.Outline.size()) - 1;
  }

  void Close(int r) {
    if (--depth_ > 0) return;
    if (open_ >= 0) names_.Outline[static_cast<std::size_t>(open_)].EndRow = r;
    open_ = -1;
    state_ = State::Idle;
    params_.clear();
  }

  // A token of code: names of variables are kept for later.
  void Word(std::uint8_t k, std::string_view text, int pos) {
    if (k == toAnk) {
      if (lastKind_ == toSymbol && last_ == "@") return;  // an indirect call
      pending_.assign(text);
      pendingEnd_ = pos + static_cast<int>(text.size());
    } else if (k == toAwkField && text.size() > 1 && (std::isalpha(static_cast<unsigned char>(text[1])) || text[1] == '_')) {
      Variable(text.substr(1));
    }
  }

  void Variable(std::string_view name) {
    if (name.empty() || std::isdigit(static_cast<unsigned char>(name.front())) || IsKnownWord(name)) return;
    if (params_.count(std::string(name))) return;
    candidates_.emplace(name);
  }

  TextEncoding e_;
  TAwkCodeParser p_;
  std::string row_;
  TAwkNames names_;
  State state_ = State::Idle;
  int depth_ = 0;
  int paren_ = 0;
  int open_ = -1;  // the outline entry not yet closed
  bool inParams_ = false;
  bool named_ = false;  // the function being read has a name
  int pieceStart_ = 0;
  int lastEnd_ = -1;
  std::string last_;  // the row it came from is gone by the next row
  std::uint8_t lastKind_ = toEof;
  std::string pending_;
  int pendingEnd_ = 0;
  std::unordered_set<std::string> params_;
  std::unordered_set<std::string> candidates_;
};

// Calls f(kind, pos, text) for each token of code on the row up to limit.
template <class F>
void EachToken(std::string_view row, TextEncoding e, F&& f) {
  TAwkCodeParser p(&CodeFountain());
  const std::string text(row);
  p.Start(text, e);
  for (std::uint8_t k; (k = p.NextToken()) != toEof;) {
    if (k == toTab || k == toComment) continue;
    if (!f(k, p.SourcePos(), p.TokenView())) return;
  }
}

}  // namespace

TAwkNames ReadAwkNames(const TRowSource& rows, TextEncoding e) { return TReader(e).Read(rows); }

TTextRows::TTextRows(std::string_view text) {
  std::size_t p = 0;
  while (p < text.size()) {
    std::size_t end = text.find_first_of("\r\n", p);
    if (end == std::string_view::npos) end = text.size();
    rows_.push_back(text.substr(p, end - p));
    if (end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ++end;
    p = end + 1;
  }
}

TRowAttribute TTextRows::GetListRow(int row) const {
  return row < 0 || row + 1 >= GetListCount() ? raEof : raCrlf;
}

int OutlineItemAt(const std::vector<TAwkOutlineItem>& outline, int row) {
  // In text order: the last entry starting at or before row.
  const auto it = std::upper_bound(outline.begin(), outline.end(), row,
                                   [](int r, const TAwkOutlineItem& item) { return r < item.Row; });
  if (it == outline.begin()) return -1;
  const auto& item = *(it - 1);
  return row <= item.EndRow ? static_cast<int>(it - 1 - outline.begin()) : -1;
}

const TAwkFunction* FindAwkFunction(const TAwkNames& names, std::string_view name) {
  for (const TAwkFunction& f : names.Functions)
    if (f.Name == name) return &f;
  return nullptr;
}

TAwkWord AwkWordAt(std::string_view row, int pos, TextEncoding e) {
  TAwkWord found;
  EachToken(row, e, [&](std::uint8_t k, int start, std::string_view text) {
    if (start > pos) return false;
    const int end = start + static_cast<int>(text.size());
    if (k == toAnk && pos <= end) found = {start, end - start};
    return true;
  });
  return found;
}

TAwkCallAt AwkCallAt(std::string_view row, int caret, TextEncoding e) {
  struct Open {
    std::string name;
    int argument = 0;
  };
  std::vector<Open> stack;
  std::string before;  // the name just before, if the last token was one
  EachToken(row, e, [&](std::uint8_t k, int start, std::string_view text) {
    if (start >= caret) return false;
    if (k == toSymbol && text == "(") stack.push_back({before, 0});
    else if (k == toSymbol && text == ")" && !stack.empty()) stack.pop_back();
    else if (k == toSymbol && text == "," && !stack.empty()) ++stack.back().argument;
    before = k == toAnk ? std::string(text) : std::string();
    return true;
  });
  for (auto it = stack.rbegin(); it != stack.rend(); ++it)
    if (!it->name.empty()) return {it->name, it->argument};
  return {};
}

std::string AwkSignature(const TAwkFunction& f) {
  std::string s = f.Name + "(";
  for (std::size_t i = 0; i < f.Params.size(); ++i) s += (i ? ", " : "") + f.Params[i];
  return s + ")";
}

std::vector<TAwkCandidate> AwkCompletions(const TAwkNames& names, std::string_view prefix) {
  auto lower = [](unsigned char c) { return static_cast<char>(std::tolower(c)); };
  auto starts = [&](std::string_view word) {
    if (word.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
      if (lower(static_cast<unsigned char>(word[i])) != lower(static_cast<unsigned char>(prefix[i]))) return false;
    return true;
  };
  std::vector<TAwkCandidate> out;
  for (const TAwkBuiltin& b : AwkBuiltins()) {
    if (!starts(b.Name)) continue;
    const TAwkCandidateKind kind = b.Kind == TAwkBuiltinKind::Function   ? TAwkCandidateKind::BuiltinFunction
                                   : b.Kind == TAwkBuiltinKind::Variable ? TAwkCandidateKind::BuiltinVariable
                                                                         : TAwkCandidateKind::Keyword;
    out.push_back({std::string(b.Name), kind, kind == TAwkCandidateKind::BuiltinFunction ? std::string(b.Signature) : ""});
  }
  for (const TAwkFunction& f : names.Functions)
    if (starts(f.Name)) out.push_back({f.Name, TAwkCandidateKind::Function, AwkSignature(f)});
  for (const std::string& g : names.Globals)
    if (starts(g) && g != prefix) out.push_back({g, TAwkCandidateKind::Global, ""});
  std::stable_sort(out.begin(), out.end(), [&](const TAwkCandidate& a, const TAwkCandidate& b) {
    return std::lexicographical_compare(a.Text.begin(), a.Text.end(), b.Text.begin(), b.Text.end(),
                                        [&](char x, char y) { return lower(static_cast<unsigned char>(x)) < lower(static_cast<unsigned char>(y)); });
  });
  // A name defined twice (a function given twice) is offered once.
  out.erase(std::unique(out.begin(), out.end(), [](const TAwkCandidate& a, const TAwkCandidate& b) { return a.Text == b.Text; }),
            out.end());
  return out;
}

}  // namespace tolvan
