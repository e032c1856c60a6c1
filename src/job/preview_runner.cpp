#include "job/preview_runner.h"

#include <cctype>
#include <stdexcept>

#include "core/codepage.h"
#include "job/command_line.h"
#include "job/runners.h"
#include "job/script_prep.h"

namespace tolvan {

namespace {

std::string Text(const char* utf8, TextEncoding e) { return FromUtf8(e, utf8).bytes; }

bool StartsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

// "<digits>:" at the start of s: the number, else 0.
int LineNumberAt(std::string_view s) {
  std::size_t i = 0;
  int n = 0;
  while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])) && n < 100000000) n = n * 10 + (s[i++] - '0');
  return (i > 0 && i < s.size() && s[i] == ':') ? n : 0;
}

}  // namespace

std::string PreviewOmittedTail(std::uint64_t omitted, TextEncoding e) {
  return Text("…（残り ", e) + std::to_string(omitted) + Text(" バイトは表示しません）", e) + "\r\n";
}

int ParseErrorLine(std::string_view text, std::string_view scriptName) {
  static constexpr std::string_view kOneLiner = "cmd. line:";
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    // "<program>: " comes first; gawk names itself by its file name.
    const std::size_t colon = line.find(": ");
    if (colon == std::string_view::npos) continue;
    std::string_view rest = line.substr(colon + 2);
    int n = 0;
    if (!scriptName.empty() && StartsWith(rest, scriptName) && rest.size() > scriptName.size() &&
        rest[scriptName.size()] == ':')
      n = LineNumberAt(rest.substr(scriptName.size() + 1));
    else if (StartsWith(rest, kOneLiner))
      n = LineNumberAt(rest.substr(kOneLiner.size()));
    if (n > 0) return n;
  }
  return 0;
}

std::size_t CapAtCharBoundary(std::string_view bytes, std::size_t cap, TextEncoding e) {
  if (bytes.size() <= cap) return bytes.size();
  return CharStart(e, bytes, cap);
}

TPreviewRunner::TPreviewRunner(TPreviewSink& sink, TProcessLauncher& launcher)
    : sink_(sink), launcher_(launcher), thread_([this] { Loop(); }) {}

TPreviewRunner::~TPreviewRunner() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    waiting_.reset();
    if (runningCancel_) runningCancel_->store(true);
  }
  wake_.notify_all();
  thread_.join();
}

std::uint64_t TPreviewRunner::Submit(PreviewRequest request) {
  std::uint64_t run;
  {
    std::lock_guard lock(mutex_);
    if (runningCancel_) runningCancel_->store(true);
    waiting_ = std::move(request);
    run = waitingRun_ = ++nextRun_;
  }
  wake_.notify_all();
  return run;
}

void TPreviewRunner::Cancel() {
  std::lock_guard lock(mutex_);
  if (runningCancel_) runningCancel_->store(true);
  waiting_.reset();
  waitingRun_ = 0;
}

std::uint64_t TPreviewRunner::Pending() const {
  std::lock_guard lock(mutex_);
  return waitingRun_ ? waitingRun_ : runningRun_;
}

void TPreviewRunner::Loop() {
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return stopping_ || waiting_.has_value(); });
    if (stopping_) return;
    PreviewRequest request = std::move(*waiting_);
    waiting_.reset();
    const std::uint64_t run = waitingRun_;
    waitingRun_ = 0;
    runningRun_ = run;
    auto cancel = std::make_shared<std::atomic<bool>>(false);
    runningCancel_ = cancel;
    lock.unlock();

    PreviewResult result;
    try {
      result = RunOne(run, request, *cancel);
    } catch (const std::exception& e) {
      result = PreviewResult{};
      result.End = PreviewEnd::NotStarted;
      result.Error = e.what();
    }
    result.Run = run;

    lock.lock();
    // Under the lock: a Submit either came before (and this run is not
    // reported) or comes after the report.
    if (!cancel->load()) sink_.PreviewEnded(result);
    runningRun_ = 0;
    runningCancel_.reset();
  }
}

PreviewResult TPreviewRunner::RunOne(std::uint64_t run, const PreviewRequest& request,
                                     const std::atomic<bool>& cancel) {
  PreviewResult result;
  const std::string scriptName = request.ScriptName.empty() ? std::string("script.awk") : request.ScriptName;

  CommandLineInputs in;
  in.AwkPath = request.AwkPath;
  in.Options = request.Options;
  in.ScriptPath = "script.awk";  // replaced by the private copy
  ComposeResult composed = ComposeBaseCommandLine(in);
  if (!composed.Ok) {
    result.End = PreviewEnd::NotStarted;
    result.Error = Text(composed.Error.c_str(), request.Encoding);
    return result;
  }
  BaseCommandLine base = std::move(composed.Line);
  // A preview must never write the files a script names, nor start
  // programs: gawk refuses both in sandbox mode.
  base.Argv.insert(base.Argv.begin() + 1, "--sandbox");
  ++base.ScriptIndex;

  TPreparedScript script(base, request.ScriptText, scriptName, request.Encoding, request.Locale);
  CommandLine line;
  switch (request.Sample) {
    case PreviewSample::None: line = WithoutInput(script.Line()); break;
    case PreviewSample::File: line = WithInputFile(script.Line(), request.SamplePath); break;
    case PreviewSample::Text:
      line = WithInputFile(script.Line(), script.WriteBeside("sample.txt", request.SampleText));
      break;
  }

  ProcessRequest process;
  process.Argv = std::move(line.Argv);
  process.Locale = request.Locale;
  process.Stdin = StdinSource::ClosedPipe;

  // The run's own flag: set when the runner cancels it or at the time limit.
  std::atomic<bool> stop{false};
  bool timedOut = false;
  const auto deadline = std::chrono::steady_clock::now() + request.Timeout;
  std::string kept;  // one byte past the cap, to tell where it may cut
  std::string err;
  std::uint64_t omitted = 0;
  ProcessSinks sinks;
  sinks.Err = &err;
  sinks.Cancel = &stop;
  sinks.OnCycle = [&] {
    if (cancel.load()) stop.store(true);
    if (!stop.load() && std::chrono::steady_clock::now() >= deadline) {
      timedOut = true;
      stop.store(true);
    }
  };
  sinks.OnOutput = [&](const char* data, std::size_t size) {
    std::string_view piece(data, size);
    const std::size_t limit = request.OutputCap + 1;
    const std::size_t take = kept.size() < limit ? std::min(piece.size(), limit - kept.size()) : 0;
    omitted += piece.size() - take;
    const std::size_t before = kept.size();
    kept.append(piece.substr(0, take));
    // Only what fits under the cap is shown while the run goes on.
    const std::size_t shown = std::min(kept.size(), request.OutputCap);
    if (shown > before && !cancel.load()) sink_.PreviewOutput(run, std::string_view(kept).substr(before, shown - before));
  };

  const ProcessResult ended = launcher_.Run(process, sinks);
  if (ended.Outcome == ProcessOutcome::NotStarted) {
    result.End = PreviewEnd::NotStarted;
    result.Error = CannotStartMessage(PathForText(request.AwkPath, request.Encoding), ended.StartError, request.Encoding);
    return result;
  }
  script.RestoreScriptPath(err, 0);

  if (kept.size() > request.OutputCap) {
    const std::size_t n = CapAtCharBoundary(kept, request.OutputCap, request.Encoding);
    omitted += kept.size() - n;
    kept.resize(n);
  }
  result.Output = std::move(kept);
  result.OmittedBytes = omitted;
  if (omitted > 0) {
    if (!result.Output.empty() && result.Output.back() != '\n') result.Output += "\r\n";
    result.Output += PreviewOmittedTail(omitted, request.Encoding);
  }
  result.End = timedOut ? PreviewEnd::TimedOut : PreviewEnd::Finished;
  if (ended.Outcome == ProcessOutcome::Finished && ended.Signal != 0)
    err += KilledBySignalMessage(PathForText(request.AwkPath, request.Encoding), ended.Signal, request.Encoding);
  result.ErrorLine = ParseErrorLine(err, scriptName);
  result.SandboxRefused = err.find("sandbox mode") != std::string::npos;
  result.Error = std::move(err);
  return result;
}

}  // namespace tolvan
