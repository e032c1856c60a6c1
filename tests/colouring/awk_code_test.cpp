#include "colouring/awk_code.h"

#include <gtest/gtest.h>

#include "colouring/awk_builtins.h"

namespace tolvan {
namespace {

using K = TAwkItemKind;

std::string T(TextEncoding e, const char* utf8) { return FromUtf8(e, utf8).bytes; }

TAwkNames Read(const std::string& text, TextEncoding e = TextEncoding::Cp932) {
  const TTextRows rows(text);
  return ReadAwkNames(rows, e);
}

TEST(AwkOutline, RulesPatternsAndFunctionsInTextOrder) {
  const std::string script =
      "# function inComment(x) {\r\n"            // 0
      "BEGIN { FS = \",\" }\r\n"                 // 1
      "BEGINFILE { n = 0 }\r\n"                  // 2
      "/^#/ { next }\r\n"                        // 3
      "$1 == \"function s()\" &&   # why\r\n"    // 4: a pattern going on
      "  $2 > 3 {\r\n"                           // 5
      "  print \"}\"\r\n"                        // 6: no brace of code
      "}\r\n"                                    // 7
      "NR == 1, NR == 5\r\n"                     // 8: no action
      "{ total += $3 }\r\n"                      // 9
      "function add(a, b,   c) {\r\n"            // 10
      "  if (a) { c = a + b }\r\n"               // 11
      "  return c\r\n"                           // 12
      "}\r\n"                                    // 13
      "func g()\r\n"                             // 14: the body on the next row
      "{ }\r\n"                                  // 15
      "ENDFILE { }\r\n"                          // 16
      "END { print total }\r\n";                 // 17
  const std::vector<TAwkOutlineItem> want = {
      {K::Begin, 1, 1, 2, "BEGIN"},
      {K::BeginFile, 2, 2, 3, "BEGINFILE"},
      {K::Pattern, 3, 3, 4, "/^#/"},
      {K::Pattern, 4, 7, 5, "$1 == \"function s()\" && $2 > 3"},
      {K::Pattern, 8, 8, 9, "NR == 1, NR == 5"},
      {K::Action, 9, 9, 10, T(TextEncoding::Cp932, "{…}")},
      {K::Function, 10, 13, 11, "add(a, b, c)"},
      {K::Function, 14, 15, 15, "g()"},
      {K::EndFile, 16, 16, 17, "ENDFILE"},
      {K::End, 17, 17, 18, "END"},
  };
  EXPECT_EQ(Read(script).Outline, want);
}

TEST(AwkOutline, FunctionInCommentStringOrRegexIsNotTaken) {
  struct Case {
    const char* what;
    std::string text;
    std::vector<std::string> functions;
  } cases[] = {
      {"comment", "# function a(x) { }\r\nfunction b() { }\r\n", {"b"}},
      {"string with an escaped quote", "BEGIN { s = \"x\\\" function c() {\" }\r\nfunction d() { }\r\n", {"d"}},
      {"regular expression", "/function e\\(/ { print }\r\nfunction f() { }\r\n", {"f"}},
      {"division is no regular expression", "{ x = a / 2; y = b / 3 }\r\nfunction g() { }\r\n", {"g"}},
      {"slash inside brackets", "$0 ~ /[/]function h/ { }\r\nfunction i() { }\r\n", {"i"}},
      {"function inside an action", "{ function = 1 }\r\n", {}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> got;
    for (const TAwkFunction& f : Read(c.text).Functions) got.push_back(f.Name);
    EXPECT_EQ(got, c.functions) << c.what;
  }
}

TEST(AwkOutline, DoubleByteTextInEitherEncoding) {
  for (const TextEncoding e : {TextEncoding::Cp932, TextEncoding::Utf8}) {
    // 表 ends in 0x5C in CP932: read as a backslash it would swallow the
    // closing quote and the brace, and the function would be lost.
    const std::string script = T(e,
                                 "BEGIN { s = \"表\" }\r\n"
                                 "$1 == \"東京\" { n++ }  # 集計\r\n"
                                 "function 表示(x) { }\r\n"
                                 "function show(x) { }\r\n");
    const TAwkNames names = Read(script, e);
    ASSERT_EQ(names.Outline.size(), 4u) << EncodingName(e);
    EXPECT_EQ(names.Outline[0].EndRow, 0);
    EXPECT_EQ(names.Outline[1].Label, T(e, "$1 == \"東京\"")) << EncodingName(e);
    // A name that is not ASCII is no awk name: the entry stays, unnamed.
    EXPECT_EQ(names.Outline[2].Kind, K::Function);
    ASSERT_EQ(names.Functions.size(), 1u);
    EXPECT_EQ(names.Functions[0].Name, "show");
    EXPECT_EQ(names.Functions[0].Row, 3);
  }
}

TEST(AwkNames, FunctionsParametersAndGlobals) {
  const TAwkNames names = Read(
      "BEGIN { total = 0; split($0, parts) }\r\n"
      "$limit > 0 { count[$1]++; s = sum(count, limit) }\r\n"
      "function sum(arr, n,    i, acc) {\r\n"
      "  for (i in arr) acc += arr[i]\r\n"
      "  return acc + helper (n)\r\n"  // a space: a concatenation, helper is a variable
      "}\r\n");
  ASSERT_EQ(names.Functions.size(), 1u);
  EXPECT_EQ(names.Functions[0].Name, "sum");
  EXPECT_EQ(names.Functions[0].Params, (std::vector<std::string>{"arr", "n", "i", "acc"}));
  EXPECT_EQ(names.Functions[0].Line, 3);
  EXPECT_EQ(AwkSignature(names.Functions[0]), "sum(arr, n, i, acc)");
  EXPECT_EQ(names.Globals, (std::vector<std::string>{"count", "helper", "limit", "parts", "s", "total"}));
  EXPECT_EQ(FindAwkFunction(names, "sum"), &names.Functions[0]);
  EXPECT_EQ(FindAwkFunction(names, "count"), nullptr);
}

TEST(AwkOutline, EntryHoldingARow) {
  const TAwkNames names = Read("BEGIN {\r\n}\r\n\r\nfunction f() {\r\n  x = 1\r\n}\r\n");
  const int want[] = {0, 0, -1, 1, 1, 1, -1};
  for (int row = 0; row < 7; ++row) EXPECT_EQ(OutlineItemAt(names.Outline, row), want[row]) << row;
  EXPECT_EQ(OutlineItemAt({}, 0), -1);
}

TEST(AwkWords, WordAtAPlace) {
  const std::string row = "x = substr(name, 2) \"in str\" # note";
  struct Case {
    int pos;
    TAwkWord want;
  } cases[] = {
      {0, {0, 1}},    // at the start
      {4, {4, 6}},    // at a name's start
      {10, {4, 6}},   // just after it
      {13, {11, 4}},  // inside
      {21, {}},       // in a string
      {31, {}},       // in a comment
      {2, {}},        // between
  };
  for (const Case& c : cases) EXPECT_EQ(AwkWordAt(row, c.pos, TextEncoding::Cp932), c.want) << c.pos;
}

TEST(AwkWords, CallAroundTheCaret) {
  struct Case {
    std::string row;
    std::string name;
    int argument;
  } cases[] = {
      {"x = substr(s, ", "substr", 1},
      {"x = substr(", "substr", 0},
      {"f(g(a), ", "f", 1},
      {"f(g(a, ", "g", 1},
      {"f(x) + ", "", 0},
      {"y = (a, ", "", 0},
      {"f((a), b, ", "f", 2},
      {"print \"sub(\" ", "", 0},
  };
  for (const Case& c : cases) {
    const TAwkCallAt at = AwkCallAt(c.row, static_cast<int>(c.row.size()), TextEncoding::Cp932);
    EXPECT_EQ(at.Name, c.name) << c.row;
    EXPECT_EQ(at.Argument, c.argument) << c.row;
  }
}

TEST(AwkCompletion, CandidatesForAPrefix) {
  const TAwkNames names = Read("function summary(a, b) { }\r\n{ subtotal += $1 }\r\nx = su\r\n");
  std::vector<std::string> got;
  for (const TAwkCandidate& c : AwkCompletions(names, "su")) got.push_back(c.Text);
  EXPECT_EQ(got, (std::vector<std::string>{"sub", "SUBSEP", "substr", "subtotal", "summary"}));
  const std::vector<TAwkCandidate> sum = AwkCompletions(names, "SUM");  // letter case ignored
  ASSERT_EQ(sum.size(), 1u);
  EXPECT_EQ(sum[0], (TAwkCandidate{"summary", TAwkCandidateKind::Function, "summary(a, b)"}));
  const std::vector<TAwkCandidate> gs = AwkCompletions(names, "gs");
  ASSERT_EQ(gs.size(), 1u);
  EXPECT_EQ(gs[0], (TAwkCandidate{"gsub", TAwkCandidateKind::BuiltinFunction, "gsub(regexp, replacement [, target])"}));
  EXPECT_EQ(AwkCompletions(names, "NF")[0].Kind, TAwkCandidateKind::BuiltinVariable);
  EXPECT_EQ(AwkCompletions(names, "whil")[0].Kind, TAwkCandidateKind::Keyword);
  EXPECT_TRUE(AwkCompletions(names, "zz").empty());
  EXPECT_EQ(AwkCompletions(names, "").size(), AwkBuiltins().size() + 4);  // x and su too
}

TEST(AwkBuiltinTable, EveryFunctionAndVariableIsExplained) {
  for (const TAwkBuiltin& b : AwkBuiltins()) {
    EXPECT_EQ(b.Help.empty(), b.Kind == TAwkBuiltinKind::Keyword) << b.Name;
    EXPECT_EQ(b.Signature.substr(0, b.Name.size()), b.Name);
    EXPECT_EQ(FindAwkBuiltin(b.Name), &b);
  }
  EXPECT_EQ(FindAwkBuiltin("substr")->Signature, "substr(string, start [, length])");
  EXPECT_EQ(FindAwkBuiltin("jsubstr"), nullptr);
  EXPECT_EQ(FindAwkBuiltin(""), nullptr);
}

}  // namespace
}  // namespace tolvan
