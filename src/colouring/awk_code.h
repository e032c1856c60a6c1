// The awk script read as code, from the colouring tokenizer's tokens (no
// grammar of its own): the outline (BEGIN, BEGINFILE, END, ENDFILE, the
// patterns and the functions, in text order), the script's functions with
// their parameters and its global variables, the word at a place, the
// call around the caret, and the completion candidates. Comments, strings
// and regular expressions are never code here. No window: the editor
// window shows what this finds.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "colouring/row_state.h"
#include "core/encoding.h"

namespace tolvan {

enum class TAwkItemKind { Begin, BeginFile, End, EndFile, Pattern, Action, Function };

struct TAwkOutlineItem {
  TAwkItemKind Kind = TAwkItemKind::Pattern;
  // Rows of the row source (0-based): where the item starts and the row of
  // its closing brace (or its last row, for a pattern without an action).
  int Row = 0;
  int EndRow = 0;
  int Line = 1;  // 1-based logical line of Row, as gawk counts
  // What the list shows, in the text's encoding: "BEGIN", the pattern as
  // written (rows joined by one blank), "name(a, b)" for a function, "{…}"
  // for an action without a pattern.
  std::string Label;
  bool operator==(const TAwkOutlineItem&) const = default;
};

struct TAwkFunction {
  std::string Name;
  std::vector<std::string> Params;
  int Row = 0;
  int Line = 1;
};

struct TAwkNames {
  std::vector<TAwkOutlineItem> Outline;
  std::vector<TAwkFunction> Functions;  // in text order
  // Names used as variables outside every function's own parameters,
  // neither built in nor keywords nor functions; sorted, once each.
  std::vector<std::string> Globals;
};

// Reads the rows (a row that ends raWrapped goes on in the next).
TAwkNames ReadAwkNames(const TRowSource& rows, TextEncoding e);

// Rows of a text cut at CR LF, LF or CR; for callers holding plain text.
class TTextRows : public TRowSource {
 public:
  explicit TTextRows(std::string_view text);
  int GetListCount() const override { return static_cast<int>(rows_.size()); }
  std::string_view GetListString(int row) const override { return rows_[static_cast<std::size_t>(row)]; }
  TRowAttribute GetListRow(int row) const override;

 private:
  std::vector<std::string_view> rows_;
};

// The outline entry holding row (its start to its end), -1 when none does.
int OutlineItemAt(const std::vector<TAwkOutlineItem>& outline, int row);

// The function the script defines under name, nullptr when none.
const TAwkFunction* FindAwkFunction(const TAwkNames& names, std::string_view name);

// The name (letters, digits, "_") in code that holds byte pos of the row or
// ends there; empty (Length 0) in a comment, a string, a regular
// expression or between names.
struct TAwkWord {
  int Start = 0;
  int Length = 0;
  bool operator==(const TAwkWord&) const = default;
};
TAwkWord AwkWordAt(std::string_view row, int pos, TextEncoding e);

// The call whose parentheses hold the caret on this row: the name before
// the innermost "(" not yet closed and which argument (0-based) the caret
// is in. Empty Name when the caret is in none.
struct TAwkCallAt {
  std::string Name;
  int Argument = 0;
};
TAwkCallAt AwkCallAt(std::string_view row, int caret, TextEncoding e);

enum class TAwkCandidateKind { BuiltinFunction, BuiltinVariable, Keyword, Function, Global };

struct TAwkCandidate {
  std::string Text;
  TAwkCandidateKind Kind = TAwkCandidateKind::Keyword;
  // The signature ("substr(s, i [, n])", "name(a, b)"), empty for others.
  std::string Signature;
  bool operator==(const TAwkCandidate&) const = default;
};

// Built-in functions and variables, keywords, the script's functions and
// globals that start with prefix (letter case ignored), sorted without
// regard to case, once each. An empty prefix offers them all. A global
// that is the prefix itself is left out: the word being typed reads as one.
std::vector<TAwkCandidate> AwkCompletions(const TAwkNames& names, std::string_view prefix);

// "name(a, b)" of a script's function.
std::string AwkSignature(const TAwkFunction& f);

}  // namespace tolvan
