#include "job/debug_session.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>

#include "core/codepage.h"
#include "job/command_line.h"
#include "job/editor_run_options.h"
#include "job/runners.h"
#include "job/script_prep.h"

namespace tolvan {

namespace {

constexpr int kReadCycleMs = 50;
constexpr int kSweepRows = 500;

bool StartsWith(std::string_view s, std::string_view p) { return s.substr(0, p.size()) == p; }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsNameChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

// "123" at the start of s; its length in *len.
long LeadingNumber(std::string_view s, std::size_t* len) {
  std::size_t i = 0;
  long n = 0;
  while (i < s.size() && IsDigit(s[i]) && n < 100000000) n = n * 10 + (s[i++] - '0');
  *len = i;
  return n;
}

// Calls f on every line of text, without its '\n'.
template <typename F>
void ForLines(std::string_view text, F f) {
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    f(text.substr(pos, end - pos));
    pos = end + 1;
  }
}

void AddLine(std::string& to, std::string_view line) {
  to.append(line);
  to += '\n';
}

// A name gawk prints a value under: an identifier or a field ("$3").
std::size_t NameLength(std::string_view s) {
  std::size_t i = 0;
  if (!s.empty() && s[0] == '$') {
    i = 1;
    while (i < s.size() && IsDigit(s[i])) ++i;
    return i > 1 ? i : 0;
  }
  if (s.empty() || IsDigit(s[0])) return 0;
  while (i < s.size() && IsNameChar(s[i])) ++i;
  return i;
}

bool Complete(const DebugScalar& v) { return v.Kind != DebugValueKind::Other; }

// 'NAME["KEY"] = VALUE': gawk prints the key as it is (quotes and all), the
// value escaped, so the split is the first '"] = ' after which a whole value
// follows.
bool SplitElement(std::string_view line, std::string& name, std::string& key, DebugScalar& value) {
  const std::size_t n = NameLength(line);
  if (n == 0 || line[0] == '$' || line.substr(n, 2) != "[\"") return false;
  static constexpr std::string_view kSep = "\"] = ";
  std::size_t at = line.find(kSep, n + 2);
  std::size_t first = at;
  while (at != std::string_view::npos) {
    DebugScalar v = debug_parse::Scalar(line.substr(at + kSep.size()));
    if (Complete(v)) {
      value = std::move(v);
      break;
    }
    at = line.find(kSep, at + 1);
  }
  if (at == std::string_view::npos) {
    if (first == std::string_view::npos) return false;
    at = first;
    value = debug_parse::Scalar(line.substr(at + kSep.size()));
  }
  name.assign(line.substr(0, n));
  key.assign(line.substr(n + 2, at - n - 2));
  return true;
}

std::string Marker(unsigned long nonce, unsigned long sequence) {
  return "@@tolvan:" + std::to_string(nonce) + ":" + std::to_string(sequence) + "@@";
}

std::string Text(const char* utf8, TextEncoding e) { return FromUtf8(e, utf8).bytes; }

// gawk's own variables, left out of the script's globals.
bool IsBuiltin(std::string_view name) {
  static constexpr std::string_view kNames[] = {
      "ARGC", "ARGIND", "ARGV", "BINMODE", "CONVFMT", "ENVIRON", "ERRNO", "FIELDWIDTHS", "FILENAME", "FNR",
      "FPAT", "FS", "FUNCTAB", "IGNORECASE", "LINT", "NF", "NR", "OFMT", "OFS", "ORS", "PREC", "PROCINFO",
      "RLENGTH", "ROUNDMODE", "RS", "RSTART", "RT", "SUBSEP", "SYMTAB", "TEXTDOMAIN"};
  return std::find(std::begin(kNames), std::end(kNames), name) != std::end(kNames);
}

bool IsSpecial(std::string_view name) { return name == "NR" || name == "FNR" || name == "FILENAME" || name == "NF"; }

}  // namespace

namespace debug_parse {

bool Unquote(std::string_view t, std::string& out) {
  out.clear();
  if (t.size() < 2 || t.front() != '"') return false;
  std::size_t i = 1;
  while (i < t.size()) {
    const char c = t[i];
    if (c == '"') return i + 1 == t.size();
    if (c != '\\') {
      out += c;
      ++i;
      continue;
    }
    if (++i >= t.size()) return false;
    const char e = t[i];
    if (e >= '0' && e <= '7') {
      int v = 0, k = 0;
      while (k < 3 && i < t.size() && t[i] >= '0' && t[i] <= '7') {
        v = v * 8 + (t[i++] - '0');
        ++k;
      }
      out += static_cast<char>(v & 0xFF);
      continue;
    }
    switch (e) {
      case 'n': out += '\n'; break;
      case 't': out += '\t'; break;
      case 'r': out += '\r'; break;
      case 'a': out += '\a'; break;
      case 'b': out += '\b'; break;
      case 'f': out += '\f'; break;
      case 'v': out += '\v'; break;
      default: out += e; break;  // \\ \" \/
    }
    ++i;
  }
  return false;
}

DebugScalar Scalar(std::string_view t) {
  DebugScalar v;
  if (t == "untyped variable" || t == "uninitialized field" || t == "uninitialized scalar") {
    v.Kind = DebugValueKind::Untyped;
    return v;
  }
  if (!t.empty() && t.front() == '"') {
    if (Unquote(t, v.Text)) v.Kind = DebugValueKind::String;
    else v.Text.assign(t);
    return v;
  }
  static constexpr std::string_view kArray = "array, ";
  if (StartsWith(t, kArray)) {
    std::size_t len = 0;
    const long n = LeadingNumber(t.substr(kArray.size()), &len);
    if (len > 0 && t.substr(kArray.size() + len) == " elements") {
      v.Kind = DebugValueKind::Array;
      v.Count = static_cast<std::size_t>(n);
      return v;
    }
  }
  // A number as gawk formats one: digits, a point, an exponent, a sign;
  // or an infinity or not-a-number.
  std::string_view body = t;
  if (!body.empty() && (body[0] == '-' || body[0] == '+')) body.remove_prefix(1);
  bool number = body == "inf" || body == "nan";
  if (!number && !body.empty() && (IsDigit(body[0]) || body[0] == '.')) {
    std::size_t i = 0;
    bool digit = false;
    while (i < body.size() && (IsDigit(body[i]) || body[i] == '.')) digit |= IsDigit(body[i++]);
    if (i < body.size() && (body[i] == 'e' || body[i] == 'E')) {
      ++i;
      if (i < body.size() && (body[i] == '-' || body[i] == '+')) ++i;
      const std::size_t start = i;
      while (i < body.size() && IsDigit(body[i])) ++i;
      digit &= i > start;
    }
    number = digit && i == body.size();
  }
  v.Kind = number ? DebugValueKind::Number : DebugValueKind::Other;
  v.Text.assign(t);
  return v;
}

std::vector<DebugValue> PrintAnswer(std::string_view text, std::string& unparsed) {
  std::vector<DebugValue> values;
  ForLines(text, [&](std::string_view line) {
    std::string name, key;
    DebugScalar value;
    if (SplitElement(line, name, key, value)) {
      // "print @a" gives the elements only; a nested array's under its key.
      DebugValue* array = nullptr;
      for (auto it = values.rbegin(); it != values.rend() && !array; ++it)
        if (it->Value.Kind == DebugValueKind::Array) array = &*it;
      if (!array) {
        values.push_back(DebugValue{name, DebugScalar{DebugValueKind::Array, {}, 0}, {}, true});
        array = &values.back();
      }
      ++array->Value.Count;
      array->ElementsShown = true;
      DebugElement e{std::move(key), name == array->Name ? std::string() : name, std::move(value)};
      if (array->Elements.size() < kDebugShownElements) array->Elements.push_back(std::move(e));
      return;
    }
    const std::size_t n = NameLength(line);
    if (n > 0 && line.substr(n, 3) == " = ") {
      DebugValue v;
      v.Name.assign(line.substr(0, n));
      v.Value = Scalar(line.substr(n + 3));
      values.push_back(std::move(v));
      return;
    }
    // "array `a' is empty"
    static constexpr std::string_view kEmpty = "array `";
    if (StartsWith(line, kEmpty) && line.size() > kEmpty.size() + 10 &&
        line.substr(line.size() - 10) == "' is empty") {
      values.push_back(DebugValue{std::string(line.substr(kEmpty.size(), line.size() - 10 - kEmpty.size())),
                                  DebugScalar{DebugValueKind::Array, {}, 0}, {}, true});
      return;
    }
    if (!line.empty()) AddLine(unparsed, line);
  });
  return values;
}

std::vector<DebugValue> VariablesAnswer(std::string_view text, std::string& unparsed) {
  std::vector<DebugValue> values;
  ForLines(text, [&](std::string_view line) {
    if (line.empty() || line == "All defined variables:") return;
    const std::size_t n = NameLength(line);
    if (n > 0 && line.substr(n, 2) == ": ") {
      values.push_back(DebugValue{std::string(line.substr(0, n)), Scalar(line.substr(n + 2)), {}, false});
      return;
    }
    AddLine(unparsed, line);
  });
  return values;
}

std::vector<DebugFrame> BacktraceAnswer(std::string_view text) {
  std::vector<DebugFrame> frames;
  ForLines(text, [&](std::string_view line) {
    if (line.empty() || line[0] != '#') return;
    std::size_t at = line.find('\t');
    if (at == std::string_view::npos) return;
    std::string_view rest = line.substr(at + 1);
    while (!rest.empty() && rest[0] == ' ') rest.remove_prefix(1);
    if (StartsWith(rest, "in ")) rest.remove_prefix(3);
    DebugFrame f;
    f.Function.assign(rest.substr(0, rest.find('(')));
    const std::size_t q = rest.rfind("':");
    if (q != std::string_view::npos) {
      std::size_t len = 0;
      f.Row = static_cast<int>(LeadingNumber(rest.substr(q + 2), &len));
    }
    frames.push_back(std::move(f));
  });
  return frames;
}

RunAnswer Run(std::string_view text) {
  RunAnswer a;
  ForLines(text, [&](std::string_view line) {
    std::size_t len = 0;
    const long n = LeadingNumber(line, &len);
    // The source line about to run: "%-8d" and the text.
    if (len > 0 && (len == line.size() || line[len] == ' ')) {
      a.Stopped = true;
      a.Row = static_cast<int>(n);
      return;
    }
    static constexpr std::string_view kExit = " with exit value: ";
    if (StartsWith(line, "Program exited ")) {
      const std::size_t at = line.find(kExit);
      if (at != std::string_view::npos) {
        a.Exited = true;
        a.Stopped = false;
        a.ExitStatus = static_cast<int>(LeadingNumber(line.substr(at + kExit.size()), &len));
        return;
      }
    }
    // "Breakpoint 1, f(a) at `x.awk':2", "main() at `x.awk':8".
    const std::size_t at = line.find(") at `");
    const std::size_t q = line.rfind("':");
    if (at != std::string_view::npos && q != std::string_view::npos && q > at) {
      a.File.assign(line.substr(at + 6, q - at - 6));
      a.Row = static_cast<int>(LeadingNumber(line.substr(q + 2), &len));
      a.Stopped = true;
      return;
    }
    if (line == "Starting program:" || StartsWith(line, "Stopping in ")) return;
    if (!line.empty()) AddLine(a.Unparsed, line);
  });
  return a;
}

int BreakpointSetAt(std::string_view text) {
  static constexpr std::string_view kSet = " set at file `";
  static constexpr std::string_view kLine = "', line ";
  const std::size_t at = text.find(kSet);
  if (at == std::string_view::npos) return 0;
  const std::size_t l = text.find(kLine, at);
  if (l == std::string_view::npos) return 0;
  std::size_t len = 0;
  return static_cast<int>(LeadingNumber(text.substr(l + kLine.size()), &len));
}

}  // namespace debug_parse

TDebugSession::TDebugSession(TProcessLauncher& launcher) : launcher_(launcher) {}

TDebugSession::~TDebugSession() { Finish(); }

void TDebugSession::Stop() {
  std::lock_guard lock(processMutex_);
  killed_ = true;
  if (process_) process_->Kill();
}

DebugStop TDebugSession::End() {
  DebugStop stop;
  stop.State = DebugState::Killed;
  if (!process_) return stop;
  Stop();
  return Ended(std::move(stop));
}

void TDebugSession::Finish() {
  std::unique_ptr<TRunningProcess> gone;
  {
    std::lock_guard lock(processMutex_);
    gone = std::move(process_);
  }
  gone.reset();  // kills the group and reaps
  script_.reset();
  streams_.clear();
  if (state_ == DebugState::Stopped) state_ = DebugState::Killed;
}

std::string TDebugSession::Restored(std::string text) const {
  if (script_) script_->RestoreScriptPath(text, 0);
  return text;
}

TDebugSession::SendAwaiter::~SendAwaiter() {
  if (h_ && s_.waiting_ == h_) s_.waiting_ = {};
}

TDebugSession::SendAwaiter::SendAwaiter(TDebugSession& s, const std::vector<std::string>& commands) : s_(s) {
  s.onFirst_ = nullptr;
  s.answers_.assign(commands.size(), Answer{});
  s.ends_.clear();
  s.next_ = 0;
  if (!s.process_) {
    ready_ = true;
    return;
  }
  std::string batch;
  for (const std::string& c : commands) {
    const std::string m = Marker(reinterpret_cast<std::uintptr_t>(&s) ^ 0x5eed, ++s.sequence_);
    batch += c + "\nprintf \"\\n" + m + "\\n\"\n";
    s.ends_.push_back("\n" + m + "\n");
  }
  // A gawk that has ended reads nothing: its answers are missing then.
  s.process_->Write(0, batch);
}

void TDebugSession::SendAwaiter::await_suspend(std::coroutine_handle<> h) {
  h_ = h;
  s_.waiting_ = h;
}

std::vector<TDebugSession::Answer> TDebugSession::SendAwaiter::await_resume() {
  h_ = {};
  return std::move(s_.answers_);
}

bool TDebugSession::TakeAnswers() {
  std::string& out = streams_[0];
  while (next_ < ends_.size()) {
    const std::size_t at = out.find(ends_[next_]);
    if (at == std::string::npos) return false;
    answers_[next_].Text = out.substr(0, at);
    answers_[next_].Ok = true;
    out.erase(0, at + ends_[next_].size());
    ++next_;
  }
  return true;
}

void TDebugSession::TellFirst() {
  if (!onFirst_ || next_ == 0) return;
  std::function<void(const std::string&)> told = std::move(onFirst_);
  onFirst_ = nullptr;
  told(answers_[0].Text);
}

void TDebugSession::FinishSend(bool open) {
  onFirst_ = nullptr;
  if (streams_.empty()) return;
  if (next_ < answers_.size()) {
    answers_[next_].Text = std::move(streams_[0]);
    streams_[0].clear();
  }
  // gawk flushes the script's output before it answers: take what the
  // other pipe holds now, so the output shown is complete at the stop.
  if (open) process_->Read(0, streams_);
  if (OnScriptOutput && streams_.size() > 2 && !streams_[2].empty()) OnScriptOutput(streams_[2]);
  if (streams_.size() > 2) streams_[2].clear();
}

bool TDebugSession::Pump(int timeoutMs) {
  if (!waiting_) return false;
  bool open = process_ && !streams_.empty();
  if (open && !TakeAnswers()) {
    open = process_->Read(timeoutMs, streams_);
    if (OnScriptOutput && !streams_[2].empty()) OnScriptOutput(streams_[2]);
    streams_[2].clear();
    if (!TakeAnswers() && open) {
      TellFirst();
      return true;
    }
  }
  TellFirst();
  FinishSend(open);
  std::exchange(waiting_, {}).resume();
  return true;
}

bool TDebugSession::InScript(const std::string& file) const {
  const std::string copy = script_ && script_->UsesCopy() ? script_->Line().Argv[script_->Line().ScriptIndex] : "";
  return file.empty() || file == copy || Restored(file) == scriptName_;
}

std::vector<int> TDebugSession::WaitHandles() const { return process_ ? process_->WaitHandles() : std::vector<int>{}; }

void TDebugSession::TakeMessages(DebugStop& stop) {
  if (streams_.size() < 2) return;
  stop.Messages += Restored(std::move(streams_[1]));
  streams_[1].clear();
}

DebugStop TDebugSession::Ended(DebugStop stop) {
  // What gawk printed before it went; a gawk that waits for commands after
  // the script's end is not waited for.
  if (stop.State != DebugState::Ended) {
    while (process_ && process_->Read(kReadCycleMs, streams_)) {
    }
  }
  if (OnScriptOutput && streams_.size() > 2 && !streams_[2].empty()) OnScriptOutput(streams_[2]);
  TakeMessages(stop);
  if (!streams_.empty() && !streams_[0].empty()) stop.Unparsed += Restored(std::move(streams_[0]));
  if (killed_) {
    stop.State = DebugState::Killed;
  } else if (stop.State != DebugState::Ended) {
    stop.State = DebugState::Ended;
    if (process_) stop.ExitStatus = process_->ExitStatus();
  }
  stop.ErrorLine = ParseErrorLine(stop.Messages, scriptName_);
  stop.DroppedOptions = dropped_;
  Finish();
  state_ = stop.State;
  return stop;
}

DebugTask<DebugStop> TDebugSession::StartAsync(DebugRequest request) {
  Finish();
  killed_ = false;
  state_ = DebugState::NotStarted;
  startBreakpoints_.clear();
  encoding_ = request.Encoding;
  scriptName_ = request.ScriptName.empty() ? std::string("script.awk") : request.ScriptName;
  DebugStop stop;

  CommandLineInputs in;
  in.AwkPath = request.AwkPath;
  in.Options = request.Options;
  in.ScriptPath = "script.awk";  // replaced by the private copy
  ComposeResult composed = ComposeBaseCommandLine(in);
  if (!composed.Ok) {
    stop.Messages = Text(composed.Error.c_str(), encoding_);
    co_return stop;
  }
  BaseCommandLine base = std::move(composed.Line);
  dropped_ = DropEditorRunOptions(base);
  stop.DroppedOptions = dropped_;
  // The debugger's commands come on a pipe of their own, so the script's
  // standard input is what a Run of it without input would get.
  base.Argv.insert(base.Argv.begin() + 1, "-D/dev/fd/3");
  ++base.ScriptIndex;

  ProcessRequest process;
  try {
    script_ = std::make_unique<TPreparedScript>(base, request.ScriptText, scriptName_, encoding_);
    CommandLine line;
    switch (request.Sample) {
      case PreviewSample::None: line = WithoutInput(script_->Line()); break;
      case PreviewSample::File: line = WithInputFile(script_->Line(), request.SamplePath); break;
      case PreviewSample::Text:
        line = WithInputFile(script_->Line(), script_->WriteBeside("sample.txt", request.SampleText));
        break;
    }
    process.Argv = std::move(line.Argv);
  } catch (const std::exception& e) {
    script_.reset();
    stop.Messages = e.what();
    co_return stop;
  }
  process.Locale = request.Locale;
  process.Stdin = StdinSource::ClosedPipe;
  process.WorkingFolder = request.WorkingFolder;
  try {
    auto started = launcher_.Start(process, {ChildPipe{3, true}, ChildPipe{4, false}});
    std::lock_guard lock(processMutex_);
    process_ = std::move(started);
  } catch (const std::exception& e) {
    stop.Messages = CannotStartMessage(PathForText(request.AwkPath, encoding_), e.what(), encoding_);
    script_.reset();
    co_return stop;
  }
  streams_.assign(3, std::string());

  // The script's output to its own pipe; then the breakpoints.
  std::vector<std::string> commands{"option outfile=/dev/fd/4"};
  for (int row : request.Breakpoints) commands.push_back("break " + std::to_string(row));
  std::vector<Answer> answers = co_await Send(commands);
  if (!answers.back().Ok) co_return Ended(std::move(stop));
  bool any = false;
  for (std::size_t i = 0; i < request.Breakpoints.size(); ++i) {
    const std::string& text = answers[i + 1].Text;
    DebugBreakpoint b{request.Breakpoints[i], debug_parse::BreakpointSetAt(text), Restored(text)};
    // Two rows gawk puts on one statement would stop there twice.
    const bool twice = b.SetAt > 0 && std::any_of(startBreakpoints_.begin(), startBreakpoints_.end(),
                                                  [&](const DebugBreakpoint& o) { return o.SetAt == b.SetAt; });
    if (twice) {
      std::size_t len = 0;
      const std::size_t at = text.rfind("Breakpoint ");
      const long number = at == std::string::npos ? 0 : LeadingNumber(std::string_view(text).substr(at + 11), &len);
      if (number > 0) co_await Send("delete " + std::to_string(number));
    }
    any |= b.SetAt > 0;
    startBreakpoints_.push_back(std::move(b));
  }

  // With no breakpoint the run stops at the first statement it meets: a
  // temporary one on every row, the rest deleted at the stop.
  // A few hundred rows to an answer: few markers, and gawk's answers
  // (some 50 bytes a row) never fill the pipe while the commands are
  // still being written.
  if (!any) {
    const int rows = static_cast<int>(std::count(request.ScriptText.begin(), request.ScriptText.end(), '\n')) + 1;
    for (int first = 1; first <= rows; first += kSweepRows) {
      std::string sweep;
      for (int row = first; row <= rows && row < first + kSweepRows; ++row)
        sweep += (row > first ? "\ntbreak " : "tbreak ") + std::to_string(row);
      std::vector<Answer> swept = co_await Send(std::move(sweep));
      if (!swept.back().Ok) co_return Ended(std::move(stop));
    }
  }
  std::string run = any ? "run" : "run\ndelete";
  DebugStop first = co_await ResumeAsync(std::move(run));
  first.DroppedOptions = dropped_;
  co_return first;
}

DebugTask<DebugStop> TDebugSession::ResumeAsync(std::string command) {
  DebugStop stop;
  if (!process_) {
    stop.State = state_ == DebugState::NotStarted ? DebugState::NotStarted : DebugState::Ended;
    co_return stop;
  }
  std::vector<std::string> commands{std::move(command), "backtrace", "info variables"};
  SendAwaiter moved = Send(commands);
  // gawk answers the step at once and takes a while over the rest: the row
  // it stopped at can be shown meanwhile.
  onFirst_ = [this](const std::string& text) {
    const debug_parse::RunAnswer run = debug_parse::Run(text);
    if (!OnMoved || !run.Stopped || run.Exited || !InScript(run.File)) return;
    DebugStop partial;
    partial.State = DebugState::Stopped;
    partial.Row = run.Row;
    OnMoved(partial);
  };
  std::vector<Answer> answers = co_await moved;
  const debug_parse::RunAnswer run = debug_parse::Run(answers[0].Text);
  stop.Unparsed = Restored(run.Unparsed);
  if (!answers[0].Ok) co_return Ended(std::move(stop));
  if (run.Exited) {
    stop.State = DebugState::Ended;
    stop.ExitStatus = run.ExitStatus;
    // The values as the script left them.
    if (answers[2].Ok) {
      std::string ignored;
      for (DebugValue& v : debug_parse::VariablesAnswer(answers[2].Text, ignored))
        if (!IsBuiltin(v.Name)) stop.Globals.push_back(std::move(v));
    }
    co_return Ended(std::move(stop));
  }
  stop.State = DebugState::Stopped;
  state_ = DebugState::Stopped;
  stop.Row = run.Row;
  if (!InScript(run.File)) {
    stop.Location = Restored(run.File) + ":" + std::to_string(run.Row);
    stop.Row = 0;
  }
  stop.Stack = debug_parse::BacktraceAnswer(answers[1].Text);
  std::string unparsed;
  for (DebugValue& v : debug_parse::VariablesAnswer(answers[2].Text, unparsed)) {
    if (IsSpecial(v.Name)) stop.Specials.push_back(std::move(v));
    else if (!IsBuiltin(v.Name)) stop.Globals.push_back(std::move(v));
  }
  stop = co_await Collect(std::move(stop));
  TakeMessages(stop);
  co_return stop;
}

DebugTask<DebugStop> TDebugSession::Collect(DebugStop stop) {
  for (const DebugValue& v : stop.Specials)
    if (v.Name == "NF" && v.Value.Kind == DebugValueKind::Number)
      stop.FieldCount = static_cast<std::size_t>(std::max(0.0, std::strtod(v.Value.Text.c_str(), nullptr)));
  std::string fields = "print $0";
  for (std::size_t i = 1; i <= std::min(stop.FieldCount, kDebugShownElements); ++i) fields += " $" + std::to_string(i);
  const bool inFunction = !stop.Stack.empty() && stop.Stack.front().Function != "main";
  std::vector<std::string> commands{fields};
  if (inFunction) {
    commands.push_back("info args");
    commands.push_back("info locals");
  }
  std::vector<std::size_t> arrays;
  for (std::size_t i = 0; i < stop.Globals.size(); ++i) {
    const DebugScalar& s = stop.Globals[i].Value;
    if (s.Kind == DebugValueKind::Array && s.Count > 0 && s.Count <= kDebugPrintedArrayLimit) {
      arrays.push_back(i);
      commands.push_back("print @" + stop.Globals[i].Name);
    }
  }
  for (const std::string& w : watches_) commands.push_back("print " + w);
  SendAwaiter values = Send(commands);
  // gawk prints the values now; meanwhile the caller may show where it stopped.
  if (OnMoved) OnMoved(stop);
  std::vector<Answer> answers = co_await values;
  std::size_t k = 0;
  std::string unparsed;
  stop.Fields = debug_parse::PrintAnswer(answers[k++].Text, unparsed);
  if (inFunction) {
    for (int part = 0; part < 2; ++part) {
      const std::string& text = answers[k++].Text;
      std::string ignored;  // "No arguments.", "No locals."
      for (DebugValue& v : debug_parse::PrintAnswer(text, ignored)) stop.Locals.push_back(std::move(v));
    }
  }
  for (std::size_t i : arrays) {
    std::string ignored;
    std::vector<DebugValue> got = debug_parse::PrintAnswer(answers[k++].Text, ignored);
    DebugValue& g = stop.Globals[i];
    if (got.empty()) continue;
    g.Elements = std::move(got.front().Elements);
    g.ElementsShown = true;
  }
  // A function's local arrays, once their names are known.
  std::vector<std::size_t> localArrays;
  commands.clear();
  for (std::size_t i = 0; i < stop.Locals.size(); ++i) {
    const DebugScalar& s = stop.Locals[i].Value;
    if (s.Kind == DebugValueKind::Array && s.Count > 0 && s.Count <= kDebugPrintedArrayLimit) {
      localArrays.push_back(i);
      commands.push_back("print @" + stop.Locals[i].Name);
    }
  }
  for (const std::string& w : watches_) {
    const Answer& a = answers[k++];
    DebugValue v;
    v.Name = w;
    std::string text;
    std::vector<DebugValue> got = debug_parse::PrintAnswer(a.Text, text);
    // "print a[k]" answers with the one element.
    const bool element = got.size() == 1 && w.rfind('@', 0) != 0 && got.front().Elements.size() == 1 &&
                         got.front().Value.Count == 1;
    if (element && text.empty()) {
      v.Value = std::move(got.front().Elements.front().Value);
    } else if (got.size() == 1 && text.empty()) {
      v.Value = std::move(got.front().Value);
      v.Elements = std::move(got.front().Elements);
      v.ElementsShown = got.front().ElementsShown;
    } else {
      // Not one value: gawk's own words (an error, or several values).
      std::string raw = Restored(a.Text);
      while (!raw.empty() && raw.back() == '\n') raw.pop_back();
      v.Value = DebugScalar{DebugValueKind::Other, std::move(raw), 0};
    }
    stop.Watches.push_back(std::move(v));
  }
  if (commands.empty()) co_return stop;
  answers = co_await Send(commands);
  for (std::size_t j = 0; j < localArrays.size(); ++j) {
    std::string ignored;
    std::vector<DebugValue> got = debug_parse::PrintAnswer(answers[j].Text, ignored);
    if (got.empty()) continue;
    stop.Locals[localArrays[j]].Elements = std::move(got.front().Elements);
    stop.Locals[localArrays[j]].ElementsShown = true;
  }
  co_return stop;
}

DebugTask<DebugStop> TDebugSession::RunToRowAsync(int row) {
  // A temporary breakpoint ("until" stops only within the current frame),
  // deleted again when another stop came first.
  if (!process_) co_return co_await ResumeAsync(std::string());
  std::vector<Answer> a = co_await Send("tbreak " + std::to_string(row));
  const std::size_t at = a[0].Text.rfind("Breakpoint ");
  std::size_t len = 0;
  const long number = at == std::string::npos ? 0 : LeadingNumber(std::string_view(a[0].Text).substr(at + 11), &len);
  DebugStop stop = co_await ResumeAsync("continue");
  if (number > 0 && stop.State == DebugState::Stopped) co_await Send("delete " + std::to_string(number));
  co_return stop;
}

void TDebugSession::SetWatches(std::vector<std::string> expressions) {
  for (std::string& w : expressions) std::replace_if(w.begin(), w.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
  watches_ = std::move(expressions);
}

DebugTask<DebugBreakpoint> TDebugSession::SetBreakpointAsync(int row) {
  DebugBreakpoint b{row, 0, {}};
  if (!process_) co_return b;
  std::vector<Answer> a = co_await Send("break " + std::to_string(row));
  b.Text = Restored(a[0].Text);
  b.SetAt = debug_parse::BreakpointSetAt(a[0].Text);
  co_return b;
}

DebugTask<bool> TDebugSession::ClearBreakpointAsync(int row) {
  if (!process_) co_return false;
  std::vector<Answer> a = co_await Send("clear " + std::to_string(row));
  co_return a[0].Ok && StartsWith(a[0].Text, "Deleted breakpoint");
}

}  // namespace tolvan
