// Stepping through the script being edited with gawk's own debugger
// (gawk -D). No window: the editor's debug pane drives it from a worker
// thread and shows what it parsed.
//
// gawk reads its debugger commands from a pipe of their own (-D/dev/fd/3),
// so the script's standard input stays what a preview gives it; the
// script's output goes to another pipe (the debugger's "option outfile"),
// so only the debugger's text comes on standard output. gawk prints no
// prompt when its commands do not come from a terminal: every command is
// followed by a printf of a marker, and an answer is the text before it.
//
// Every operation has two forms: one that blocks until gawk has answered,
// and one (...Async) that returns a task which waits without blocking, for
// a window that pumps the session from its own event loop.
#pragma once

#include <atomic>
#include <coroutine>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "core/encoding.h"
#include "job/debug_task.h"
#include "job/preview_runner.h"
#include "job/process.h"

namespace tolvan {

inline constexpr std::size_t kDebugShownElements = 100;  // per array, and fields
// Arrays larger than this are counted only: gawk prints an array whole.
inline constexpr std::size_t kDebugPrintedArrayLimit = 10000;

struct DebugRequest {
  std::string AwkPath;
  std::string Options;  // the option box text
  std::string Locale = "C";
  std::string ScriptText;
  std::string ScriptName;  // shown in gawk's messages in place of the copy
  PreviewSample Sample = PreviewSample::None;
  std::string SamplePath;
  std::string SampleText;
  TextEncoding Encoding = TextEncoding::Cp932;
  std::vector<int> Breakpoints;  // 1-based rows
  std::string WorkingFolder;     // empty: the caller's, as for a Run
};

enum class DebugValueKind {
  Untyped,   // "untyped variable", "uninitialized field"
  Number,    // Text as gawk printed it
  String,    // Text: the bytes, gawk's escapes undone
  Array,     // Count elements
  Other,     // Text: gawk's own words (an error, something unparsed)
};

struct DebugScalar {
  DebugValueKind Kind = DebugValueKind::Other;
  std::string Text;
  std::size_t Count = 0;
};

struct DebugElement {
  std::string Key;  // bytes; SUBSEP (\034) kept between the parts
  std::string Parent;  // the subarray's key when gawk printed a nested element
  DebugScalar Value;
};

struct DebugValue {
  std::string Name;
  DebugScalar Value;
  std::vector<DebugElement> Elements;  // at most kDebugShownElements
  bool ElementsShown = false;          // false: too many to print, or not an array
};

struct DebugFrame {
  std::string Function;  // "main" for a rule
  int Row = 0;
};

enum class DebugState {
  Stopped,     // at Row
  Ended,       // the script ended (ExitStatus) or gawk did (a syntax error)
  Killed,      // Stop, or a new start
  NotStarted,  // gawk could not be started or the options not split
};

struct DebugStop {
  DebugState State = DebugState::NotStarted;
  int Row = 0;  // 1-based row about to run in the script; 0: elsewhere (another file)
  std::string Location;  // gawk's "file:line" when the row is outside the script
  int ExitStatus = 0;
  std::vector<DebugValue> Specials;  // NR, FNR, FILENAME, NF
  std::vector<DebugValue> Fields;    // $0, $1 .. $NF (the first ones)
  std::size_t FieldCount = 0;        // NF
  std::vector<DebugValue> Globals;   // the script's own
  std::vector<DebugValue> Locals;    // the current function's parameters and locals
  std::vector<DebugFrame> Stack;     // innermost first
  std::vector<DebugValue> Watches;   // one per watch expression, in order
  // gawk's text this class did not understand, the copy's path replaced.
  std::string Unparsed;
  // gawk's standard error since the previous answer, the path replaced.
  std::string Messages;
  int ErrorLine = 0;  // the row gawk's first message names (a syntax error)
  std::vector<std::string> DroppedOptions;  // as typed
};

// What became of a breakpoint request.
struct DebugBreakpoint {
  int Row = 0;       // asked for
  int SetAt = 0;     // where gawk put it (the next statement of the rule); 0: refused
  std::string Text;  // gawk's answer
};

// The parsers, public for their tests.
namespace debug_parse {
// One value as gawk's debugger prints it (after "name = " or "name: ").
DebugScalar Scalar(std::string_view text);
// Undoes the escapes of a string gawk printed between quotes; false when
// text is not one whole quoted string.
bool Unquote(std::string_view text, std::string& bytes);
// The lines of "print" answers ("x = 1", "a["k"] = 2", "$1 = ..."): values
// by name, array elements under their array; what does not parse goes to
// unparsed.
std::vector<DebugValue> PrintAnswer(std::string_view text, std::string& unparsed);
// "info variables": "name: value" lines after its heading.
std::vector<DebugValue> VariablesAnswer(std::string_view text, std::string& unparsed);
// "backtrace": "#0\t f(a) at `file':2", "#1\tin main() at `file':8".
std::vector<DebugFrame> BacktraceAnswer(std::string_view text);
// The answer to a command that runs the script: the row it stopped at (the
// last source line shown), the file of the last location named, the exit.
struct RunAnswer {
  bool Stopped = false;
  int Row = 0;
  std::string File;  // empty when no location was named
  bool Exited = false;
  int ExitStatus = 0;
  std::string Unparsed;
};
RunAnswer Run(std::string_view text);
// "Breakpoint 3 set at file `x.awk', line 5": 5; 0 for a refusal.
int BreakpointSetAt(std::string_view text);
}  // namespace debug_parse

class TDebugSession {
 public:
  explicit TDebugSession(TProcessLauncher& launcher = DefaultProcessLauncher());
  ~TDebugSession();  // kills gawk
  TDebugSession(const TDebugSession&) = delete;
  TDebugSession& operator=(const TDebugSession&) = delete;

  // The script's output as it comes, on the thread that runs or pumps.
  std::function<void(std::string_view bytes)> OnScriptOutput;
  // A stop as far as it is known while gawk is still answering: first the
  // row alone, then with the call stack and the globals without their
  // elements.
  std::function<void(const DebugStop& partial)> OnMoved;

  // The operations below without blocking: begin the task, then Pump until
  // it is Done. One task at a time; destroying it abandons the operation
  // (the session then wants Stop and End).
  DebugTask<DebugStop> StartAsync(DebugRequest request);
  DebugTask<DebugStop> ContinueAsync() { return ResumeAsync("continue"); }
  DebugTask<DebugStop> StepOverAsync() { return ResumeAsync("next"); }
  DebugTask<DebugStop> StepIntoAsync() { return ResumeAsync("step"); }
  DebugTask<DebugStop> StepOutAsync() { return ResumeAsync("finish"); }
  DebugTask<DebugStop> RunToRowAsync(int row);
  DebugTask<DebugStop> RefreshAsync() { return ResumeAsync("frame 0"); }
  DebugTask<DebugBreakpoint> SetBreakpointAsync(int row);
  DebugTask<bool> ClearBreakpointAsync(int row);
  // Waits at most timeoutMs (-1: no limit) for gawk, reads what it wrote
  // and resumes the operation waiting for it. False when none waits.
  bool Pump(int timeoutMs);
  // What Pump waits on, for an event loop's notifiers; changes as streams
  // close. Empty: call Pump(0) now and then.
  std::vector<int> WaitHandles() const;

  // Ends any earlier run, starts gawk, sets the breakpoints and runs to the
  // first one, or to the first statement when none is set (or gawk refused
  // every one). Blocks until gawk stops or ends.
  DebugStop Start(const DebugRequest& request) { return Wait(StartAsync(request)); }
  DebugStop Continue() { return Wait(ContinueAsync()); }
  DebugStop StepOver() { return Wait(StepOverAsync()); }
  DebugStop StepInto() { return Wait(StepIntoAsync()); }
  DebugStop StepOut() { return Wait(StepOutAsync()); }
  DebugStop RunToRow(int row) { return Wait(RunToRowAsync(row)); }
  // While stopped.
  DebugBreakpoint SetBreakpoint(int row) { return Wait(SetBreakpointAsync(row)); }
  bool ClearBreakpoint(int row) { return Wait(ClearBreakpointAsync(row)); }
  // Breakpoints as gawk placed them at the start (asked row, placed row).
  const std::vector<DebugBreakpoint>& StartBreakpoints() const { return startBreakpoints_; }
  // Evaluated at every stop, in order ("print" takes each).
  // A line end in one would end the command early: it counts as a space.
  void SetWatches(std::vector<std::string> expressions);
  // Values again, for a watch changed while stopped.
  DebugStop Refresh() { return Wait(RefreshAsync()); }

  // Kills gawk's process group; from any thread. A command under way
  // answers Killed.
  void Stop();
  // Stop, then on the thread that runs the commands: what gawk left
  // (messages, output), and the session closed.
  DebugStop End();
  bool Stopped() const { return state_ == DebugState::Stopped; }

 private:
  struct Answer {
    std::string Text;
    bool Ok = false;  // false: gawk ended before answering
  };
  // Send(commands) writes them at once, each followed by its marker;
  // co_await on it resumes with their answers once all are in or gawk has
  // gone.
  class SendAwaiter {
   public:
    SendAwaiter(TDebugSession& s, const std::vector<std::string>& commands);
    SendAwaiter(const SendAwaiter&) = delete;
    SendAwaiter& operator=(const SendAwaiter&) = delete;
    ~SendAwaiter();  // a frame destroyed while waiting is forgotten
    bool await_ready() const { return ready_; }
    void await_suspend(std::coroutine_handle<> h);
    std::vector<Answer> await_resume();

   private:
    TDebugSession& s_;
    bool ready_ = false;  // nothing to wait for: no gawk
    std::coroutine_handle<> h_;
  };
  SendAwaiter Send(const std::vector<std::string>& commands) { return SendAwaiter(*this, commands); }
  // One command. (A braced list in a co_await makes GCC 12 fail.)
  SendAwaiter Send(std::string command) { return Send(std::vector<std::string>(1, std::move(command))); }
  // The answers found in what gawk wrote so far; true when all are in.
  bool TakeAnswers();
  void TellFirst();  // onFirst_, once the first answer is in
  void FinishSend(bool open);
  bool InScript(const std::string& file) const;  // as gawk names it
  template <typename T>
  T Wait(DebugTask<T> task) {
    task.Begin();
    while (!task.Done())
      if (!Pump(-1)) throw std::logic_error("debug session: an operation waits for nothing");
    return task.Take();
  }
  DebugTask<DebugStop> ResumeAsync(std::string command);
  DebugStop Ended(DebugStop stop);
  DebugTask<DebugStop> Collect(DebugStop stop);
  void TakeMessages(DebugStop& stop);
  void Finish();
  std::string Restored(std::string text) const;

  TProcessLauncher& launcher_;
  std::mutex processMutex_;
  std::unique_ptr<TRunningProcess> process_;
  std::unique_ptr<class TPreparedScript> script_;
  std::vector<std::string> streams_;
  std::string marker_;
  std::string scriptName_;
  std::string copyFile_;  // the copy's path as gawk names it
  TextEncoding encoding_ = TextEncoding::Cp932;
  std::vector<std::string> watches_;
  std::vector<DebugBreakpoint> startBreakpoints_;
  std::vector<std::string> dropped_;
  std::atomic<DebugState> state_{DebugState::NotStarted};
  std::atomic<bool> killed_{false};
  unsigned long sequence_ = 0;
  // The Send under way: its markers, the answers found, the operation to resume.
  std::vector<std::string> ends_;
  std::vector<Answer> answers_;
  std::size_t next_ = 0;
  std::coroutine_handle<> waiting_;
  std::function<void(const std::string& text)> onFirst_;
};

}  // namespace tolvan
