#include "job/preview_runner.h"

#include <filesystem>
#include <stdexcept>

#include "core/codepage.h"
#include "job/command_line.h"
#include "job/gawk_messages.h"
#include "job/editor_run_options.h"
#include "job/crlf_input.h"
#include "job/runners.h"
#include "job/script_prep.h"

namespace tolvan {

namespace {

std::string Text(const char* utf8, TextEncoding e) { return FromUtf8(e, utf8).bytes; }

}  // namespace

std::string PreviewOmittedTail(std::uint64_t omitted, TextEncoding e) {
  return Text("…（残り ", e) + std::to_string(omitted) + Text(" バイトは表示しません）", e) + "\r\n";
}

int ParseErrorLine(std::string_view text, std::string_view scriptName, TextEncoding e) {
  for (const GawkMessage& m : ParseGawkMessages(text, scriptName, e))
    if (m.Kind == GawkMessageKind::Error &&
        (m.Place == GawkMessagePlace::Script || m.Place == GawkMessagePlace::CommandLine))
      return m.Line;
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
      result.Encoding = request.Encoding;
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

namespace {

// gawk runs in a folder of its own: a relative path keeps meaning what it
// meant here (a program name without a folder is still looked up in PATH).
std::string Anchored(const std::string& path, bool program = false) {
  if (path.empty() || path[0] == '/' || (program && path.find('/') == std::string::npos)) return path;
  std::error_code ec;
  const std::filesystem::path full = std::filesystem::absolute(path, ec);
  return ec ? path : full.string();
}

}  // namespace

PreviewResult TPreviewRunner::RunOne(std::uint64_t run, const PreviewRequest& request,
                                     const std::atomic<bool>& cancel) {
  PreviewResult result;
  const std::string scriptName = request.ScriptName.empty() ? std::string("script.awk") : request.ScriptName;
  result.ScriptName = scriptName;
  result.Encoding = request.Encoding;

  CommandLineInputs in;
  in.AwkPath = Anchored(request.AwkPath, true);
  in.Options = request.Options;
  in.ScriptPath = "script.awk";  // replaced by the private copy
  ComposeResult composed = ComposeBaseCommandLine(in);
  if (!composed.Ok) {
    result.End = PreviewEnd::NotStarted;
    result.Error = Text(composed.Error.c_str(), request.Encoding);
    return result;
  }
  CrLfInputs read;
  if (request.Sample == PreviewSample::File) read.Files = {request.SamplePath};
  if (request.Sample == PreviewSample::Text) read.Text = request.SampleText;
  BaseCommandLine base = WithCrLfRecords(composed.Line, request.CrLf, read);
  result.DroppedOptions = DropEditorRunOptions(base);
  // A preview must never write the files a script names, nor start
  // programs: gawk refuses both in sandbox mode.
  std::vector<std::string> ours{"--sandbox"};
  if (request.Lint) ours.push_back("--lint");
  if (request.ParseOnly) ours.push_back("-o/dev/null");
  base.Argv.insert(base.Argv.begin() + 1, ours.begin(), ours.end());
  base.ScriptIndex += static_cast<int>(ours.size());

  TPreparedScript script(base, request.ScriptText, scriptName, request.Encoding, request.Locale);
  CommandLine line;
  switch (request.ParseOnly ? PreviewSample::None : request.Sample) {
    case PreviewSample::None: line = WithoutInput(script.Line()); break;
    case PreviewSample::File: line = WithInputFile(script.Line(), Anchored(request.SamplePath)); break;
    case PreviewSample::Text:
      line = WithInputFile(script.Line(), script.WriteBeside("sample.txt", request.SampleText));
      break;
  }

  ProcessRequest process;
  process.Argv = std::move(line.Argv);
  process.Locale = request.Locale;
  process.Stdin = StdinSource::ClosedPipe;
  // Nothing of the user's lies where gawk runs, should it still write.
  process.WorkingFolder = script.MakeFolderBeside("work");
  // gawk's persistent memory would be written on every run.
  process.Unset = {"GAWK_PERSIST_FILE"};

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
  result.ErrorLine = ParseErrorLine(err, scriptName, request.Encoding);
  result.SandboxRefused = err.find("sandbox mode") != std::string::npos;
  result.Error = std::move(err);
  return result;
}

}  // namespace tolvan
