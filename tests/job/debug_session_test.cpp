#include "job/debug_session.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "job_test_support.h"
#include "support/temp_dir.h"

namespace tolvan {
namespace {

using test::kGawk;
using test::Sj;

const DebugValue* Find(const std::vector<DebugValue>& values, std::string_view name) {
  for (const DebugValue& v : values)
    if (v.Name == name) return &v;
  return nullptr;
}

std::string ValueOf(const std::vector<DebugValue>& values, std::string_view name) {
  const DebugValue* v = Find(values, name);
  return v ? v->Value.Text : "<none>";
}

DebugRequest Script(std::string text, std::vector<int> breakpoints = {}) {
  DebugRequest r;
  r.AwkPath = kGawk;
  r.ScriptText = std::move(text);
  r.ScriptName = "/home/u/mine.awk";
  r.Breakpoints = std::move(breakpoints);
  r.Locale = "C.UTF-8";
  r.Encoding = TextEncoding::Utf8;
  return r;
}

// ---- what gawk prints, parsed

TEST(DebugParse, Scalars) {
  struct Case {
    const char* text;
    DebugValueKind kind;
    std::string bytes;
  } cases[] = {
      {"untyped variable", DebugValueKind::Untyped, ""},
      {"uninitialized field", DebugValueKind::Untyped, ""},
      {"3.5", DebugValueKind::Number, "3.5"},
      {"-1e+20", DebugValueKind::Number, "-1e+20"},
      {"+inf", DebugValueKind::Number, "+inf"},
      {"1e", DebugValueKind::Other, "1e"},
      {R"("q\"uo\\te\tx\n")", DebugValueKind::String, "q\"uo\\te\tx\n"},
      // Bytes gawk cannot print come as octal, whatever follows them.
      {R"("\346\227\245a\0347")", DebugValueKind::String, "\xE6\x97\xA5" "a\x1C" "7"},
      {R"("open)", DebugValueKind::Other, "\"open"},
      {R"("a"b")", DebugValueKind::Other, "\"a\"b\""},
      {"no symbol `u' in current context", DebugValueKind::Other, "no symbol `u' in current context"},
  };
  for (const Case& c : cases) {
    const DebugScalar v = debug_parse::Scalar(c.text);
    EXPECT_EQ(v.Kind, c.kind) << c.text;
    EXPECT_EQ(v.Text, c.bytes) << c.text;
  }
  const DebugScalar a = debug_parse::Scalar("array, 12 elements");
  EXPECT_EQ(a.Kind, DebugValueKind::Array);
  EXPECT_EQ(a.Count, 12u);
}

TEST(DebugParse, ArrayElementsKeepRawKeys) {
  std::string unparsed;
  // Keys come unescaped: SUBSEP, a quote and even '"] = ' inside one.
  const auto v = debug_parse::PrintAnswer(
      "a[\"1\x1C" "2\"] = \"x\"\na[\"k\"] = 5\na[\"q\"] = \"] = 1\nz[\"in\"] = 1\nwhat\n", unparsed);
  ASSERT_EQ(v.size(), 1u);
  EXPECT_EQ(v[0].Name, "a");
  ASSERT_EQ(v[0].Elements.size(), 4u);
  EXPECT_EQ(v[0].Elements[0].Key, "1\x1C" "2");
  EXPECT_EQ(v[0].Elements[1].Value.Kind, DebugValueKind::Number);
  EXPECT_EQ(v[0].Elements[2].Key, "q\"] = ");
  EXPECT_EQ(v[0].Elements[2].Value.Text, "1");
  EXPECT_EQ(v[0].Elements[3].Parent, "z");
  EXPECT_EQ(unparsed, "what\n");
}

TEST(DebugParse, StopsAndExits) {
  auto a = debug_parse::Run("Breakpoint 2, f(a, b, c) at `/tmp/x/s.awk':2\n2         c = a + b\n");
  EXPECT_TRUE(a.Stopped);
  EXPECT_EQ(a.Row, 2);
  EXPECT_EQ(a.File, "/tmp/x/s.awk");
  a = debug_parse::Run("out\n12345678c = 1\n");  // a row number that fills the column
  EXPECT_FALSE(a.Stopped);
  EXPECT_EQ(a.Unparsed, "out\n12345678c = 1\n");
  a = debug_parse::Run("Stopping in END ...\n10      END { print s }\n");
  EXPECT_EQ(a.Row, 10);
  EXPECT_TRUE(a.File.empty());
  a = debug_parse::Run("Program exited abnormally with exit value: 2\n");
  EXPECT_TRUE(a.Exited);
  EXPECT_EQ(a.ExitStatus, 2);
  const auto frames = debug_parse::BacktraceAnswer("#0\t f(a, b) at `s.awk':3\n#1\tin main() at `s.awk':12\n");
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(frames[0].Function, "f");
  EXPECT_EQ(frames[1].Function, "main");
  EXPECT_EQ(frames[1].Row, 12);
  EXPECT_EQ(debug_parse::BreakpointSetAt("Note: breakpoint 1 (enabled), also set at s.awk:5Breakpoint 2 set at file `s.awk', line 5\n"), 5);
  EXPECT_EQ(debug_parse::BreakpointSetAt("cannot set breakpoint at `s.awk':7\n"), 0);
}

// ---- against the real gawk

const char* kCalls =
    "function twice(v,   r) {\n"   // 1
    "  r = v * 2\n"                // 2
    "  return r\n"                 // 3
    "}\n"                          // 4
    "{\n"                          // 5
    "  s += $2\n"                  // 6
    "  t = twice($2)\n"            // 7
    "  u = t + 1\n"                // 8
    "}\n"                          // 9
    "END { print \"sum\", s }\n";  // 10

class DebugRun : public ::testing::Test {
 protected:
  DebugRequest Sample(std::vector<int> breakpoints) {
    DebugRequest r = Script(kCalls, std::move(breakpoints));
    r.Sample = PreviewSample::Text;
    r.SampleText = "a 1\nb 2\nc 3\n";
    return r;
  }
  TDebugSession session;
};

TEST_F(DebugRun, BreakpointsInARuleAndAFunction) {
  std::string out;
  session.OnScriptOutput = [&](std::string_view b) { out.append(b); };
  DebugStop s = session.Start(Sample({6, 2}));
  ASSERT_EQ(s.State, DebugState::Stopped) << s.Messages << s.Unparsed;
  EXPECT_EQ(s.Row, 6);
  EXPECT_EQ(ValueOf(s.Specials, "NR"), "1");
  ASSERT_GE(s.Fields.size(), 3u);
  EXPECT_EQ(s.Fields[0].Name, "$0");
  EXPECT_EQ(s.Fields[0].Value.Text, "a 1");
  EXPECT_EQ(s.Fields[2].Value.Text, "1");
  s = session.Continue();
  ASSERT_EQ(s.State, DebugState::Stopped);
  EXPECT_EQ(s.Row, 2);
  ASSERT_EQ(s.Stack.size(), 2u);
  EXPECT_EQ(s.Stack[0].Function, "twice");
  EXPECT_EQ(ValueOf(s.Locals, "v"), "1");
  EXPECT_EQ(Find(s.Locals, "r")->Value.Kind, DebugValueKind::Untyped);
  EXPECT_EQ(ValueOf(s.Globals, "s"), "1");
  // Both breakpoints go on stopping, record after record, until the end.
  int stops = 2;
  while ((s = session.Continue()).State == DebugState::Stopped) ++stops;
  EXPECT_EQ(stops, 6);
  EXPECT_EQ(s.State, DebugState::Ended);
  EXPECT_EQ(s.ExitStatus, 0);
  EXPECT_EQ(out, "sum 6\n");
  EXPECT_EQ(ValueOf(s.Globals, "u"), "7");
}

TEST_F(DebugRun, StepOverIntoOutAndRunToARow) {
  DebugStop s = session.Start(Sample({7}));
  ASSERT_EQ(s.Row, 7);
  s = session.StepOver();  // over the call
  EXPECT_EQ(s.Row, 8);
  EXPECT_EQ(ValueOf(s.Globals, "t"), "2");
  s = session.StepOver();
  s = session.Continue();  // the next record, at 7 again
  EXPECT_EQ(s.Row, 7);
  EXPECT_EQ(ValueOf(s.Specials, "NR"), "2");
  s = session.StepInto();
  EXPECT_EQ(s.Row, 2);
  EXPECT_EQ(s.Stack.size(), 2u);
  s = session.StepOut();
  EXPECT_EQ(s.Row, 7);  // back at the call, its value about to be stored
  EXPECT_EQ(s.Stack.size(), 1u);
  s = session.RunToRow(10);  // the breakpoint on the third record comes first
  EXPECT_EQ(s.Row, 7);
  EXPECT_EQ(ValueOf(s.Specials, "NR"), "3");
  s = session.RunToRow(10);
  EXPECT_EQ(s.Row, 10);
  EXPECT_EQ(session.Continue().State, DebugState::Ended);
}

}  // namespace
}  // namespace tolvan
