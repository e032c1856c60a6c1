#include "job/runners.h"

#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <stdexcept>
#include <vector>

#include "core/codepage.h"
#include "core/file_errors.h"
#include "job/memory_file.h"
#include "job/script_prep.h"

namespace tolvan {

std::string JobText(const char* utf8, TextEncoding e) {
  return e == TextEncoding::Utf8 ? std::string(utf8) : cp932::FromUtf8(utf8).bytes;
}

const std::string& CancelledMessage(TextEncoding e) {
  static const std::string m[2] = {JobText("\r\nユーザーによって処理は中断されました", TextEncoding::Cp932),
                                   JobText("\r\nユーザーによって処理は中断されました", TextEncoding::Utf8)};
  return m[static_cast<int>(e)];
}

const std::string& OutputFileFailedMessage(TextEncoding e) {
  static const std::string m[2] = {JobText("出力ファイルの作成に失敗しました。", TextEncoding::Cp932),
                                   JobText("出力ファイルの作成に失敗しました。", TextEncoding::Utf8)};
  return m[static_cast<int>(e)];
}

std::string PathForText(const std::string& path, TextEncoding e) {
  if (e == TextEncoding::Utf8) return path;
  cp932::EncodeResult r = cp932::FromUtf8(path);
  return r.ok ? r.bytes : path;
}

std::string CannotStartMessage(const std::string& program, const std::string& reason, TextEncoding e) {
  return JobText("プログラムを起動できません: ", e) + program + ": " + PathForText(reason, e) + "\r\n";
}

std::string OutputFileErrorMessage(const std::string& path, int err, TextEncoding e) {
  return OutputFileFailedMessage(e) + PathForText(FileErrorText(path, err), e) + "\r\n";
}

std::string WriteFailedMessage(const std::string& path, int err, TextEncoding e) {
  return JobText("出力ファイルに書き込めません: ", e) + PathForText(FileErrorText(path, err), e) + "\r\n";
}

std::string ExitStatusLine(int code, const std::string& input) {
  std::string line = "gawk の終了コード " + std::to_string(code);
  return input.empty() ? line : line + ": " + input;
}

bool IsOwnMessageLine(std::string_view line) {
  // Every fixed text the job layer starts a line of the error text with.
  static const std::vector<std::string> heads = [] {
    std::vector<std::string> h;
    for (const char* utf8 :
         {"ユーザーによって処理は中断されました", "出力ファイルの作成に失敗しました。", "プログラムを起動できません: ",
          "プログラムがシグナルで終了しました: ", "出力ファイルが通常のファイルではありません: ",
          "スクリプトファイルが通常のファイルではありません: ",
          "出力ファイルとスクリプトファイルを同じにすることはできません: ",
          "出力ファイルと入力ファイルを同じにすることはできません: ", "出力ファイルに書き込めません: ",
          "出力ファイルは途中までです: "}) {
      h.push_back(cp932::FromUtf8(utf8).bytes);
      h.push_back(utf8);
    }
    return h;
  }();
  for (const std::string& head : heads)
    if (line.substr(0, head.size()) == head) return true;
  return false;
}

std::string KilledBySignalMessage(const std::string& program, int signal, TextEncoding e) {
  const char* abbrev = ::sigabbrev_np(signal);
  const char* descr = ::sigdescr_np(signal);  // English whatever the locale
  std::string name = abbrev ? std::string("SIG") + abbrev : "signal " + std::to_string(signal);
  if (descr) name += std::string(" (") + descr + ")";
  return JobText("プログラムがシグナルで終了しました: ", e) + PathForText(program, e) + ": " + name + "\r\n";
}

std::string IncompleteOutputMessage(const std::string& path, TextEncoding e) {
  return JobText("\r\n出力ファイルは途中までです: ", e) + PathForText(path, e);
}

std::string NotRegularOutputMessage(const std::string& path, TextEncoding e) {
  return JobText("出力ファイルが通常のファイルではありません: ", e) + PathForText(path, e) + "\r\n";
}

namespace {

int Launch(const CommandLine& line, ProcessRequest& req, ProcessSinks& sinks, RunnerContext& ctx) {
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
      // Death by a signal is a failure even when the child wrote nothing
      // on standard error; the output it left is cut short.
      if (r.Signal != 0) *ctx.Err += KilledBySignalMessage(line.Argv.empty() ? std::string() : line.Argv[0], r.Signal, ctx.Encoding);
      break;
    case ProcessOutcome::Cancelled:
      // After everything the child wrote, so the message ends the text.
      *ctx.Err += CancelledMessage(ctx.Encoding);
      break;
    case ProcessOutcome::NotStarted:
      *ctx.Err += CannotStartMessage(line.Argv.empty() ? std::string() : line.Argv[0], r.StartError, ctx.Encoding);
      break;
  }
  return r.Outcome == ProcessOutcome::Finished && r.Signal == 0 ? r.ExitCode : 0;
}

}  // namespace

int RunPipeRunner(const CommandLine& line, RunnerContext& ctx) {
  if (!ctx.Out) throw std::invalid_argument("runner: no output text");
  ProcessRequest req;
  req.Stdin = StdinSource::ClosedPipe;
  ProcessSinks sinks;
  sinks.Out = ctx.Out;
  return Launch(line, req, sinks, ctx);
}

int OpenOutputFile(const std::string& outputPath, bool createAnew, RunnerContext& ctx) {
  if (!ctx.Err) throw std::invalid_argument("runner: no error text");
  // Nothing is opened, let alone emptied, for a run that will not start.
  if (ctx.Cancel && ctx.Cancel->load()) {
    *ctx.Err += CancelledMessage(ctx.Encoding);
    return -1;
  }
  struct stat st {};
  if (::stat(outputPath.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
    *ctx.Err = NotRegularOutputMessage(outputPath, ctx.Encoding);
    return -1;
  }
  // Without blocking, in case it became a named pipe meanwhile.
  int flags = O_WRONLY | O_CREAT | O_CLOEXEC | O_NONBLOCK | O_NOCTTY | (createAnew ? O_TRUNC : O_APPEND);
  int fd = ::open(outputPath.c_str(), flags, 0666);
  if (fd < 0) {
    *ctx.Err = OutputFileErrorMessage(outputPath, errno, ctx.Encoding);
    return -1;
  }
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    *ctx.Err = NotRegularOutputMessage(outputPath, ctx.Encoding);
    return -1;
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return fd;
}

FileRunResult RunFileRunner(const CommandLine& line, const std::string& outputPath, bool createAnew, RunnerContext& ctx) {
  int fd = OpenOutputFile(outputPath, createAnew, ctx);
  if (fd < 0) return {};
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  ProcessRequest req;
  req.Stdin = StdinSource::DevNull;
  req.StdoutFd = fd;
  ProcessSinks sinks;
  return {true, Launch(line, req, sinks, ctx)};
}

int RunToDescriptor(const CommandLine& line, bool stdinDevNull, int outFd, RunnerContext& ctx) {
  ProcessRequest req;
  req.Stdin = stdinDevNull ? StdinSource::DevNull : StdinSource::ClosedPipe;
  req.StdoutFd = outFd;
  ProcessSinks sinks;
  return Launch(line, req, sinks, ctx);
}

int RunToMemoryFile(const CommandLine& line, bool stdinDevNull, TMemoryFile& out, RunnerContext& ctx) {
  const int code = RunToDescriptor(line, stdinDevNull, out.fd(), ctx);
  out.Seal();  // a background grandchild adds nothing after the run
  return code;
}

}  // namespace tolvan
