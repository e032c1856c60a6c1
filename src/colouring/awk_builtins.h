// gawk 5's built-in functions and variables and awk's keywords, with a
// one-line description in Japanese for the editor's help and completion.
#pragma once

#include <span>
#include <string_view>

namespace tolvan {

enum class TAwkBuiltinKind { Function, Variable, Keyword };

struct TAwkBuiltin {
  std::string_view Name;
  TAwkBuiltinKind Kind;
  std::string_view Signature;  // ASCII; the name alone for a variable or keyword
  std::string_view Help;       // UTF-8; empty for a keyword
};

// Sorted by name (byte order).
std::span<const TAwkBuiltin> AwkBuiltins();
// nullptr when name is none of them.
const TAwkBuiltin* FindAwkBuiltin(std::string_view name);

}  // namespace tolvan
