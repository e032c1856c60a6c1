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

// The form a window uses: begun, then pumped without waiting; where it
// stopped is told while gawk still prints the values; a dropped operation.
TEST_F(DebugRun, PumpedWithoutBlockingAndDropped) {
  ASSERT_EQ(session.Start(Sample({7})).Row, 7);
  std::vector<DebugStop> told;  // where the step went, before its values
  std::vector<int> toldAt;
  int pumps = 0;
  session.OnMoved = [&](const DebugStop& p) {
    told.push_back(p);
    toldAt.push_back(pumps);
  };
  DebugTask<DebugStop> step = session.StepIntoAsync();
  step.Begin();
  ASSERT_FALSE(step.Done());  // written, not answered
  EXPECT_FALSE(session.WaitHandles().empty());
  for (int i = 0; i < 5000 && !step.Done(); ++i) {
    ++pumps;
    ASSERT_TRUE(session.Pump(0));
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  ASSERT_TRUE(step.Done());
  EXPECT_FALSE(session.Pump(0));  // nothing waits now
  const DebugStop s = step.Take();
  EXPECT_EQ(s.Row, 2);
  EXPECT_EQ(ValueOf(s.Locals, "v"), "1");
  // The row once gawk answered the step, then the stack while the values
  // were still to come.
  ASSERT_EQ(told.size(), 2u);
  EXPECT_EQ(told[0].Row, 2);
  EXPECT_TRUE(told[0].Stack.empty());
  EXPECT_EQ(told[1].Stack.size(), 2u);
  EXPECT_LT(toldAt[1], pumps);

  // Dropped while gawk runs: the session waits for nothing and ends.
  DebugTask<DebugStop> run = session.ContinueAsync();
  run.Begin();
  run = {};
  EXPECT_FALSE(session.Pump(0));
  EXPECT_EQ(session.End().State, DebugState::Killed);
  EXPECT_EQ(session.Start(Sample({6})).Row, 6);
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


TEST_F(DebugRun, ValuesAsTheScriptHoldsThem) {
  DebugRequest r = Script(
      "BEGIN {\n"
      "  s = \"q\\\"uo\\\\te\"; n = 0.5; big = 1e20; e = \"\"; st = \"12\"\n"
      "  a[1, 2] = \"x\"; a[\"k\"] = 5\n"
      "  for (i = 0; i < 150; i++) many[i] = i\n"
      "  x = 1\n"
      "}\n",
      {5});
  session.SetWatches({"a[1, 2]", "@a", "s n", "nosuch[1]"});
  const DebugStop s = session.Start(r);
  ASSERT_EQ(s.State, DebugState::Stopped) << s.Messages;
  EXPECT_EQ(ValueOf(s.Globals, "s"), "q\"uo\\te");
  EXPECT_EQ(Find(s.Globals, "s")->Value.Kind, DebugValueKind::String);
  EXPECT_EQ(ValueOf(s.Globals, "n"), "0.5");
  EXPECT_EQ(Find(s.Globals, "big")->Value.Kind, DebugValueKind::Number);
  EXPECT_EQ(Find(s.Globals, "e")->Value.Kind, DebugValueKind::String);
  EXPECT_EQ(Find(s.Globals, "st")->Value.Kind, DebugValueKind::String);
  const DebugValue* a = Find(s.Globals, "a");
  ASSERT_TRUE(a && a->ElementsShown);
  EXPECT_EQ(a->Value.Count, 2u);
  ASSERT_EQ(a->Elements.size(), 2u);
  const bool subsep = a->Elements[0].Key == "1\x1C" "2" || a->Elements[1].Key == "1\x1C" "2";
  EXPECT_TRUE(subsep);
  const DebugValue* many = Find(s.Globals, "many");
  EXPECT_EQ(many->Value.Count, 150u);
  EXPECT_EQ(many->Elements.size(), kDebugShownElements);
  EXPECT_EQ(Find(s.Globals, "x")->Value.Kind, DebugValueKind::Untyped);  // not assigned yet
  ASSERT_EQ(s.Watches.size(), 4u);
  EXPECT_EQ(s.Watches[0].Value.Text, "x");
  EXPECT_EQ(s.Watches[1].Elements.size(), 2u);
  // Two values, or none: gawk's own text.
  EXPECT_EQ(s.Watches[2].Value.Kind, DebugValueKind::Other);
  EXPECT_NE(s.Watches[2].Value.Text.find("n = 0.5"), std::string::npos);
  EXPECT_EQ(s.Watches[3].Value.Kind, DebugValueKind::Other);
  EXPECT_FALSE(s.Watches[3].Value.Text.empty());
}

TEST_F(DebugRun, RecordsAcrossTwoFiles) {
  test::TempDir dir;
  test::WriteBytes(dir / "one.txt", "a b c\nd e\n");
  test::WriteBytes(dir / "two.txt", "f\n");
  // A second file through ARGV: NR goes on, FNR starts again.
  DebugRequest r = Script("BEGIN { ARGV[ARGC++] = \"" + (dir / "two.txt").string() + "\" }\n{ n++ }\n", {2});
  r.Sample = PreviewSample::File;
  r.SamplePath = (dir / "one.txt").string();
  DebugStop s = session.Start(r);
  EXPECT_EQ(ValueOf(s.Specials, "NF"), "3");
  EXPECT_EQ(s.FieldCount, 3u);
  ASSERT_EQ(s.Fields.size(), 4u);
  EXPECT_EQ(s.Fields[3].Value.Text, "c");
  session.Continue();
  s = session.Continue();
  EXPECT_EQ(ValueOf(s.Specials, "NR"), "3");
  EXPECT_EQ(ValueOf(s.Specials, "FNR"), "1");
  EXPECT_EQ(ValueOf(s.Specials, "FILENAME"), (dir / "two.txt").string());
  EXPECT_EQ(s.Fields.size(), 2u);
}

TEST_F(DebugRun, JapaneseValuesInTheDocumentsEncoding) {
  // 表 ends in 0x5C in CP932: the copy gawk reads has it doubled.
  DebugRequest r = Script(Sj("BEGIN {\n  v = \"表示\" \"日本\"\n  w = v\n}\n"), {3});
  r.Encoding = TextEncoding::Cp932;
  r.Locale = "C";
  DebugStop s = session.Start(r);
  ASSERT_EQ(s.State, DebugState::Stopped) << s.Messages;
  EXPECT_EQ(ValueOf(s.Globals, "v"), Sj("表示日本"));
  r = Script("BEGIN {\n  v = \"表示日本\"\n  w = v\n}\n", {3});
  s = session.Start(r);
  EXPECT_EQ(ValueOf(s.Globals, "v"), "表示日本");
}

TEST_F(DebugRun, ASyntaxErrorEndsTheRunWithGawksMessage) {
  const DebugStop s = session.Start(Script("BEGIN { x = 1\n  y = (x\n}\n", {1}));
  EXPECT_EQ(s.State, DebugState::Ended);
  EXPECT_NE(s.ExitStatus, 0);
  EXPECT_EQ(s.ErrorLine, 3);
  EXPECT_NE(s.Messages.find("/home/u/mine.awk:3:"), std::string::npos) << s.Messages;
  EXPECT_FALSE(session.Stopped());
}

TEST_F(DebugRun, StopEndsAnEndlessLoopAtOnce) {
  test::TempDir dir;
  // A child in the group, too: it goes with gawk.
  DebugStop s = session.Start(Script("BEGIN {\n  system(\"sleep 30 &\")\n  while (1) n++\n}\n", {2}));
  ASSERT_EQ(s.State, DebugState::Stopped);
  std::chrono::steady_clock::time_point asked;
  std::thread stopper([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    asked = std::chrono::steady_clock::now();
    session.Stop();
  });
  s = session.Continue();
  const auto took = std::chrono::steady_clock::now() - asked;
  stopper.join();
  EXPECT_EQ(s.State, DebugState::Killed);
  EXPECT_LT(took, std::chrono::milliseconds(100));
}

TEST_F(DebugRun, RowsWithoutAStatement) {
  const char* text =
      "# comment\n"              // 1: refused
      "function g(v) {\n"        // 2: the function's first statement, 4
      "  # inside\n"             // 3: 4
      "  return v + 1\n"         // 4
      "}\n"                      // 5: refused
      "BEGIN {\n"                // 6: 7
      "  a = g(1)\n"             // 7
      "}\n";                     // 8: refused
  session.Start(Script(text, {1, 3, 5, 6, 8, 2}));
  std::vector<int> placed;
  for (const DebugBreakpoint& b : session.StartBreakpoints()) placed.push_back(b.SetAt);
  EXPECT_EQ(placed, (std::vector<int>{0, 4, 0, 7, 0, 4}));
  // Two rows on one statement stop there once.
  DebugStop s = session.Continue();
  EXPECT_EQ(s.Row, 4);
  EXPECT_EQ(session.Continue().State, DebugState::Ended);
}

TEST_F(DebugRun, WithoutBreakpointsItStopsAtTheFirstStatement) {
  DebugStop s = session.Start(Script("function f() { return 1 }\n\nEND { y = 2 }\nBEGIN { x = f() }\n"));
  EXPECT_EQ(s.Row, 4);
  // Nothing else left to stop at.
  s = session.Continue();
  EXPECT_EQ(s.State, DebugState::Ended);
  // A long script: gawk's answers to the row-by-row breakpoints are far
  // more than a pipe holds.
  std::string longText = "\n\nBEGIN {\n";
  for (int i = 0; i < 8000; ++i) longText += "  x" + std::to_string(i % 7) + " = " + std::to_string(i) + "\n";
  s = session.Start(Script(longText + "}\n"));
  EXPECT_EQ(s.Row, 4);
  EXPECT_EQ(session.StepOver().Row, 5);
  // Set while stopped, and cleared again.
  s = session.Start(Script("BEGIN {\n  x = 1\n  y = 2\n  z = 3\n}\n"));
  EXPECT_EQ(s.Row, 2);
  EXPECT_EQ(session.SetBreakpoint(4).SetAt, 4);
  EXPECT_EQ(session.SetBreakpoint(5).SetAt, 0);
  EXPECT_EQ(session.SetBreakpoint(3).SetAt, 3);
  EXPECT_TRUE(session.ClearBreakpoint(3));
  EXPECT_EQ(session.Continue().Row, 4);
}

TEST(DebugStart, GawkMissingOrOptionsUnsplit) {
  TDebugSession session;
  DebugRequest r = Script("BEGIN { x = 1 }\n");
  r.AwkPath = "/nonexistent/gawk";
  DebugStop s = session.Start(r);
  EXPECT_EQ(s.State, DebugState::NotStarted);
  EXPECT_FALSE(s.Messages.empty());
  r.AwkPath = kGawk;
  r.Options = "-v 'x=1";
  s = session.Start(r);
  EXPECT_EQ(s.State, DebugState::NotStarted);
  // The option box cannot bring in a second debugger or a profile.
  r.Options = "-p -v x=1";
  s = session.Start(r);
  EXPECT_EQ(s.State, DebugState::Stopped);
  EXPECT_EQ(s.DroppedOptions, (std::vector<std::string>{"-p"}));
}

// ---- the interactive child of the process interface

TEST(RunningProcess, PipesOnTheirNumbersAndAnEndedReader) {
  ProcessRequest r;
  // Reads a line from descriptor 3, writes it to 4 and its exit status.
  r.Argv = {"/bin/sh", "-c", "read x <&3; echo \"got $x\" >&4; echo err >&2; exit 7"};
  auto p = DefaultProcessLauncher().Start(r, {ChildPipe{3, true}, ChildPipe{4, false}});
  ASSERT_TRUE(p->Write(0, "hello\n"));
  std::vector<std::string> out;
  while (p->Read(1000, out)) {
  }
  ASSERT_EQ(out.size(), 3u);
  EXPECT_EQ(out[2], "got hello\n");
  EXPECT_EQ(out[1], "err\n");
  EXPECT_EQ(p->ExitStatus(), 7);
  EXPECT_EQ(p->Result().Outcome, ProcessOutcome::Finished);
  // Nobody reads any more: refused, and this process lives on (no SIGPIPE).
  EXPECT_FALSE(p->Write(0, std::string(100000, 'x')));
}

TEST(RunningProcess, KillFromAnotherThreadEndsTheGroup) {
  ProcessRequest r;
  r.Argv = {"/bin/sh", "-c", "sleep 30 & echo $!; wait"};
  auto p = DefaultProcessLauncher().Start(r, {});
  std::vector<std::string> out;
  while (out.empty() || out[0].find('\n') == std::string::npos) ASSERT_TRUE(p->Read(2000, out));
  const pid_t grandchild = std::stoi(out[0]);
  std::thread killer([&] { p->Kill(); });
  while (p->Read(2000, out)) {
  }
  killer.join();
  EXPECT_EQ(p->Result().Outcome, ProcessOutcome::Cancelled);
  for (int i = 0; i < 100 && !test::ProcessGone(grandchild); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_TRUE(test::ProcessGone(grandchild));
  EXPECT_THROW(DefaultProcessLauncher().Start(r, {ChildPipe{2, true}}), std::invalid_argument);
}

// ---- more of the session

TEST_F(DebugRun, AFunctionsLocalArraysAndAStopInIt) {
  const char* text =
      "function fill(n,   loc, i) {\n"                  // 1
      "  for (i = 1; i <= n; i++) loc[i] = i * i\n"     // 2
      "  return length(loc)\n"                          // 3
      "}\n"                                             // 4
      "BEGIN { r = fill(3)\n"                           // 5
      "  g[\"a\"] = r }\n";                               // 6
  DebugStop s = session.Start(Script(text, {3}));
  ASSERT_EQ(s.Row, 3);
  EXPECT_EQ(ValueOf(s.Locals, "n"), "3");
  const DebugValue* loc = Find(s.Locals, "loc");
  ASSERT_TRUE(loc);
  EXPECT_EQ(loc->Value.Count, 3u);
  ASSERT_EQ(loc->Elements.size(), 3u);
  EXPECT_TRUE(loc->ElementsShown);
  ASSERT_EQ(s.Stack.size(), 2u);
  EXPECT_EQ(s.Stack[1].Row, 5);
  // A breakpoint set while stopped, a row that is never reached.
  EXPECT_EQ(session.SetBreakpoint(6).SetAt, 6);
  s = session.RunToRow(2);  // the loop is done: the next stop is the one at 6
  EXPECT_EQ(s.Row, 6);
  EXPECT_TRUE(s.Locals.empty());
  s = session.Continue();
  EXPECT_EQ(s.State, DebugState::Ended);
  ASSERT_TRUE(Find(s.Globals, "g"));
  EXPECT_EQ(Find(s.Globals, "g")->Value.Kind, DebugValueKind::Array);
}

TEST_F(DebugRun, AWatchChangedWhileStoppedAndANewStart) {
  DebugStop s = session.Start(Sample({6}));
  EXPECT_TRUE(s.Watches.empty());
  // A line end cannot slip a command of its own in.
  session.SetWatches({"$1\nrun"});
  s = session.Refresh();
  EXPECT_EQ(s.Row, 6);
  ASSERT_EQ(s.Watches.size(), 1u);
  EXPECT_EQ(s.Watches[0].Value.Kind, DebugValueKind::Other);  // gawk's complaint
  EXPECT_EQ(ValueOf(s.Specials, "NR"), "1");                  // nothing restarted
  session.SetWatches({"$1"});
  s = session.Refresh();
  EXPECT_EQ(s.Watches[0].Value.Text, "a");
  // A new start ends the first gawk; the breakpoint is met afresh.
  s = session.Start(Sample({6}));
  EXPECT_EQ(ValueOf(s.Specials, "NR"), "1");
  session.Stop();
  s = session.End();
  EXPECT_EQ(s.State, DebugState::Killed);
  EXPECT_FALSE(session.Stopped());
  EXPECT_EQ(session.Continue().State, DebugState::Ended);
}

}  // namespace
}  // namespace tolvan
