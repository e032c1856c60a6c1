// The two runners of a job: the pipe runner collects standard output into
// the output text, the file runner sends it to a file. Both collect standard
// error into the error text, can be cancelled, and leave a failure to start
// as text in the error text.
#pragma once

#include <atomic>
#include <string>
#include <string_view>

#include "core/encoding.h"
#include "job/command_line.h"
#include "job/process.h"

namespace tolvan {

class TPreparedScript;
class TMemoryFile;

// Texts appended to the error text, in the job's encoding (CP932 unless
// said otherwise).
constexpr TextEncoding kSj = TextEncoding::Cp932;
const std::string& CancelledMessage(TextEncoding e = kSj);  // "\r\nユーザーによって処理は中断されました"
const std::string& OutputFileFailedMessage(TextEncoding e = kSj);  // "出力ファイルの作成に失敗しました。"
// "プログラムを起動できません: <program>: <reason>\r\n"
std::string CannotStartMessage(const std::string& program, const std::string& reason, TextEncoding e = kSj);
// "プログラムがシグナルで終了しました: <program>: SIGKILL (Killed)\r\n"
std::string KilledBySignalMessage(const std::string& program, int signal, TextEncoding e = kSj);
// "出力ファイルが通常のファイルではありません: <path>\r\n"
std::string NotRegularOutputMessage(const std::string& path, TextEncoding e = kSj);
// "出力ファイルの作成に失敗しました。<path>: <reason>\r\n"
std::string OutputFileErrorMessage(const std::string& path, int err, TextEncoding e = kSj);
// "出力ファイルに書き込めません: <path>: <reason>\r\n"
std::string WriteFailedMessage(const std::string& path, int err, TextEncoding e = kSj);
// "gawk の終了コード <code>: <input>" (UTF-8): a run that exited non-zero. A
// run without an input file of its own (no input, or all inputs at once)
// is named by the code alone.
std::string ExitStatusLine(int code, const std::string& input);
// True when a line of an error text (without its line break) is one of the
// texts above or of the job's file checks rather than gawk's own, in either
// encoding.
bool IsOwnMessageLine(std::string_view line);
// A text that came as UTF-8 (a path, a system reason) as it is put into the
// error text: for CP932 converted when CP932 can hold it, else its bytes as
// they are; for UTF-8 as it is.
std::string PathForText(const std::string& path, TextEncoding e = kSj);
// A fixed text (UTF-8 in the source) in the job's encoding.
std::string JobText(const char* utf8, TextEncoding e);

struct RunnerContext {
  TProcessLauncher* Launcher = &DefaultProcessLauncher();
  std::string Locale = "C";
  TextEncoding Encoding = TextEncoding::Cp932;  // of the job's own messages
  const std::atomic<bool>* Cancel = nullptr;
  std::string* Out = nullptr;  // the job's output text
  std::string* Err = nullptr;  // the job's error text
  // When set, a temporary script copy's path in new error text is put back
  // to the real script path.
  const TPreparedScript* Script = nullptr;
};

// Each runner answers gawk's exit status when it exited by itself, and 0
// when it did not start, was cancelled or was killed (the error text says
// those).

// Standard input at end of file from the start; standard output into *Out.
int RunPipeRunner(const CommandLine& line, RunnerContext& ctx);

// Standard input /dev/null; standard output into outputPath, created or
// emptied (createAnew) or appended to. When the file cannot be opened the
// error text becomes exactly OutputFileFailedMessage() and nothing starts;
// when it is not a regular file (a named pipe would block the open) it
// becomes NotRegularOutputMessage(). A run cancelled before it starts
// leaves the file untouched.
struct FileRunResult {
  bool Opened = false;  // the file was opened (and so created or emptied)
  int ExitCode = 0;     // gawk's exit status, when it ran and ended by itself
};
FileRunResult RunFileRunner(const CommandLine& line, const std::string& outputPath, bool createAnew, RunnerContext& ctx);
// "\r\n出力ファイルは途中までです: <path>": follows the cancel message when
// the cancel cut an output file short.
std::string IncompleteOutputMessage(const std::string& path, TextEncoding e = kSj);

// The file runner's output file, opened as the file runner opens it. -1
// when it cannot be, with the error text set as the file runner sets it.
int OpenOutputFile(const std::string& outputPath, bool createAnew, RunnerContext& ctx);

// A run whose standard output goes into a memory file, to be written where
// it belongs later (a parallel job commits its runs in input order).
// Standard input as for the file runner (stdinDevNull) or the pipe runner;
// standard error, cancel and the failure texts as for both.
int RunToMemoryFile(const CommandLine& line, bool stdinDevNull, TMemoryFile& out, RunnerContext& ctx);
// The same into any open file (an unnamed one waiting for its turn).
int RunToDescriptor(const CommandLine& line, bool stdinDevNull, int outFd, RunnerContext& ctx);

}  // namespace tolvan
