#include "job/thread_do_job.h"

#include <functional>

#include <stdexcept>

#include "job/script_prep.h"

namespace tolvan {

namespace {

const char* const kRunning = "実行中";
const char* const kClipboard = "クリップボード";

bool ToFile(int om) { return om == omFileOverwrite || om == omFileAppend; }
bool Collected(int om) { return om == omScreen || om == omClipboard || om == omNull; }

}  // namespace

TThreadDoJob::TThreadDoJob(TJobRecord record, TJobHost& host, std::string& outText, std::string& errText)
    : record_(std::move(record)), host_(host), out_(outText), err_(errText) {}

TThreadDoJob::~TThreadDoJob() {
  Terminate();
  if (thread_.joinable() && thread_.get_id() == std::this_thread::get_id()) {
    thread_.detach();  // freed from its own JobEnded: the thread touches nothing of it afterwards
    return;
  }
  WaitFor();
}

void TThreadDoJob::Start() {
  if (thread_.joinable() || finished_) throw std::runtime_error("the job has already been started");
  thread_ = std::thread([this] { Execute(); });
}

void TThreadDoJob::Terminate() { terminated_ = true; }
bool TThreadDoJob::Terminated() const { return terminated_; }
bool TThreadDoJob::Finished() const { return finished_; }

void TThreadDoJob::WaitFor() {
  if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

std::string TThreadDoJob::FileNamePart(const std::string& path) {
  std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string TThreadDoJob::NewFileOutputPath(const std::string& inputPath, const std::string& prefix) {
  std::size_t slash = inputPath.rfind('/');
  if (slash == std::string::npos) return prefix + inputPath;  // beside it, not in the root
  std::string folder = inputPath.substr(0, slash);
  return folder + "/" + prefix + inputPath.substr(slash + 1);
}

void TThreadDoJob::Execute() {
  try {
    DoWork();
  } catch (const std::exception& e) {
    host_.JobException(e.what());
  } catch (...) {
    host_.JobException("unknown error");
  }
  // The host may free this object as soon as it hears of the end, so
  // nothing of it is touched after JobEnded.
  finished_ = true;
  host_.JobEnded();
}

void TThreadDoJob::DoWork() {
  if (record_.Base.Argv.empty()) throw std::runtime_error("the gawk command line is empty");
  TPreparedScript script(record_.Base);
  script_ = &script;
  struct Reset {
    const TPreparedScript*& p;
    ~Reset() { p = nullptr; }
  } reset{script_};

  const int om = record_.OutputMode;
  switch (record_.InputMode) {
    case imFile:
      if (record_.SingleCommandLine) {
        if (ToFile(om) || Collected(om)) SingleCommandLine();
      } else if (om == omFilesNew) {
        NewFilesLoop();
      } else if (ToFile(om)) {
        OneFileLoop();
      } else if (Collected(om)) {
        CollectLoop();
      }
      break;
    case imClipboard:
      if (ToFile(om) || Collected(om)) {
        OneRun(WithInputFile(script.Line(), record_.ClipboardFile), kClipboard, "1/1");
      }
      break;
    case imNull:
      if (ToFile(om) || Collected(om)) OneRun(WithoutInput(script.Line()), kRunning, "");
      break;
    default:
      break;
  }
}

RunnerContext TThreadDoJob::Context() {
  RunnerContext ctx;
  ctx.Locale = record_.Locale;
  ctx.Cancel = &terminated_;
  ctx.Out = &out_;
  ctx.Err = &err_;
  ctx.Script = script_;
  return ctx;
}

// The loops of one run per input: the command line with its tail, the
// progress "i/n", then the run; the first run that leaves error text ends it.
void TThreadDoJob::ForEachInput(const std::function<void(const std::string& path)>& run) {
  const auto& inputs = record_.InputList;
  for (std::size_t i = 0; i < inputs.size(); ++i) {
    const std::string& path = inputs[i];
    current_ = WithInputFile(script_->Line(), path);
    Progress(FileNamePart(path), std::to_string(i + 1) + "/" + std::to_string(inputs.size()));
    run(path);
    if (!err_.empty()) return;
  }
}

void TThreadDoJob::NewFilesLoop() {
  err_.clear();
  RunnerContext ctx = Context();
  ForEachInput([&](const std::string& path) {
    RunFileRunner(current_, NewFileOutputPath(path, record_.OutputName), true, ctx);
  });
}

void TThreadDoJob::OneFileLoop() {
  RunnerContext ctx = Context();
  const bool createAnew = record_.OutputMode != omFileAppend;
  ForEachInput([&](const std::string&) { RunFileRunner(current_, record_.OutputName, createAnew, ctx); });
}

void TThreadDoJob::CollectLoop() {
  err_.clear();
  RunnerContext ctx = Context();
  ForEachInput([&](const std::string&) { RunPipeRunner(current_, ctx); });
  if (!err_.empty()) return;
  if (record_.OutputMode == omClipboard && !terminated_) {
    host_.JobPutClipboard(out_);
    out_.clear();
  }
}

void TThreadDoJob::SingleCommandLine() {
  current_ = WithAllInputs(script_->Line(), record_.InputList);
  BusyCursor(true);
  struct Restore {
    TThreadDoJob* self;
    ~Restore() { self->BusyCursor(false); }
  } restore{this};
  Progress(kRunning, "");
  if (ToFile(record_.OutputMode)) {
    RunnerContext ctx = Context();
    RunFileRunner(current_, record_.OutputName, record_.OutputMode != omFileAppend, ctx);
  } else {
    PipeRunAndHandOver();
  }
}

void TThreadDoJob::OneRun(const CommandLine& line, const std::string& label, const std::string& count) {
  current_ = line;
  Progress(label, count);
  if (ToFile(record_.OutputMode)) {
    RunnerContext ctx = Context();
    RunFileRunner(current_, record_.OutputName, record_.OutputMode != omFileAppend, ctx);
  } else {
    PipeRunAndHandOver();
  }
}

void TThreadDoJob::PipeRunAndHandOver() {
  RunnerContext ctx = Context();
  RunPipeRunner(current_, ctx);
  // A cancelled job leaves the clipboard alone even when its last run had
  // already ended.
  if (err_.empty() && record_.OutputMode == omClipboard && !terminated_) {
    host_.JobPutClipboard(out_);
    out_.clear();
  }
}

void TThreadDoJob::Progress(const std::string& label, const std::string& count) {
  // Once terminated, the owner may be waiting for us in its own thread: a
  // synchronous call into it then could never return.
  if (terminated_) return;
  host_.JobProgress(label, count);
}

void TThreadDoJob::BusyCursor(bool busy) { host_.JobBusyCursor(busy); }

}  // namespace tolvan
