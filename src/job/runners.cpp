#include "job/runners.h"

#include <fcntl.h>
#include <unistd.h>

#include <stdexcept>

#include "core/codepage.h"
#include "job/memory_file.h"
#include "job/script_prep.h"

namespace tolvan {

const std::string& CancelledMessage() {
  static const std::string m = cp932::FromUtf8("\r\nユーザーによって処理は中断されました").bytes;
  return m;
}

const std::string& OutputFileFailedMessage() {
  static const std::string m = cp932::FromUtf8("出力ファイルの作成に失敗しました。").bytes;
  return m;
}

std::string CannotStartMessage(const std::string& program, const std::string& reason) {
  static const std::string head = cp932::FromUtf8("プログラムを起動できません: ").bytes;
  return head + program + ": " + reason + "\r\n";
}

namespace {

void Launch(const CommandLine& line, ProcessRequest& req, ProcessSinks& sinks, RunnerContext& ctx) {
  if (!ctx.Err) throw std::invalid_argument("runner: no error text");
  req.Argv = line.Argv;
  req.Locale = ctx.Locale;
  sinks.Err = ctx.Err;
  sinks.Cancel = ctx.Cancel;
  const std::size_t errStart = ctx.Err->size();
  ProcessResult r = ctx.Launcher->Run(req, sinks);
  if (ctx.Script) ctx.Script->RestoreScriptPath(*ctx.Err, errStart);
  switch (r.Outcome) {
    case ProcessOutcome::Finished:
      break;
    case ProcessOutcome::Cancelled:
      // After everything the child wrote, so the message ends the text.
      *ctx.Err += CancelledMessage();
      break;
    case ProcessOutcome::NotStarted:
      *ctx.Err += CannotStartMessage(line.Argv.empty() ? std::string() : line.Argv[0], r.StartError);
      break;
  }
}

}  // namespace

void RunPipeRunner(const CommandLine& line, RunnerContext& ctx) {
  if (!ctx.Out) throw std::invalid_argument("runner: no output text");
  ProcessRequest req;
  req.Stdin = StdinSource::ClosedPipe;
  ProcessSinks sinks;
  sinks.Out = ctx.Out;
  Launch(line, req, sinks, ctx);
}

int OpenOutputFile(const std::string& outputPath, bool createAnew, RunnerContext& ctx) {
  if (!ctx.Err) throw std::invalid_argument("runner: no error text");
  int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (createAnew ? O_TRUNC : O_APPEND);
  int fd = ::open(outputPath.c_str(), flags, 0666);
  if (fd < 0) *ctx.Err = OutputFileFailedMessage();
  return fd;
}

void RunFileRunner(const CommandLine& line, const std::string& outputPath, bool createAnew, RunnerContext& ctx) {
  int fd = OpenOutputFile(outputPath, createAnew, ctx);
  if (fd < 0) return;
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  ProcessRequest req;
  req.Stdin = StdinSource::DevNull;
  req.StdoutFd = fd;
  ProcessSinks sinks;
  Launch(line, req, sinks, ctx);
}

void RunToMemoryFile(const CommandLine& line, bool stdinDevNull, TMemoryFile& out, RunnerContext& ctx) {
  ProcessRequest req;
  req.Stdin = stdinDevNull ? StdinSource::DevNull : StdinSource::ClosedPipe;
  req.StdoutFd = out.fd();
  ProcessSinks sinks;
  Launch(line, req, sinks, ctx);
  out.Seal();  // a background grandchild adds nothing after the run
}

}  // namespace tolvan
