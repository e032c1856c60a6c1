// Starting gawk as a child process and collecting what it writes. One
// interface, so that another platform's process layer can sit beside the
// POSIX one; the runners (runners.h, option_runner.h) are built on it.
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <vector>

namespace tolvan {

enum class StdinSource {
  ClosedPipe,  // a pipe whose write end is closed at once: end of file straight away
  DevNull,
};

struct ProcessRequest {
  std::vector<std::string> Argv;  // Argv[0] is the program; searched in PATH when it holds no '/'
  // LC_ALL for the child; "inherit" passes the caller's environment
  // unchanged; a path is a compiled locale's folder, found through LOCPATH
  // (job_locale.h).
  std::string Locale = "C";
  StdinSource Stdin = StdinSource::ClosedPipe;
  // Standard output: this descriptor (an open output file), or a pipe
  // collected into ProcessSinks::Out when -1.
  int StdoutFd = -1;
  // The child's working folder; empty: the caller's.
  std::string WorkingFolder;
};

struct ProcessSinks {
  std::string* Out = nullptr;  // needed when StdoutFd is -1
  std::string* Err = nullptr;
  // Looked at on every cycle (at most 50 ms apart); null: not cancellable.
  const std::atomic<bool>* Cancel = nullptr;
  // Called on every cycle (at most 50 ms apart), from the running thread.
  std::function<void()> OnCycle;
  // Streaming: when set (and StdoutFd is -1), standard output comes through
  // a pipe and every piece is handed here as soon as it is read, from the
  // running thread; Out is not used.
  std::function<void(const char* data, std::size_t size)> OnOutput;
};

enum class ProcessOutcome {
  Finished,    // the child ended by itself
  Cancelled,   // the cancel flag killed its process group
  NotStarted,  // see ProcessResult::StartError
};

struct ProcessResult {
  ProcessOutcome Outcome = ProcessOutcome::Finished;
  std::string StartError;  // the system's reason, in English, when NotStarted
  // Finished: the signal that ended the child (the out-of-memory killer, a
  // crash, SIGXFSZ), 0 when it exited by itself.
  int Signal = 0;
  // Finished without a signal: the child's exit status.
  int ExitCode = 0;
};

class TProcessLauncher {
 public:
  virtual ~TProcessLauncher() = default;
  // Runs the child to its end, appending its output bytes exactly as read.
  // Returns only once the child has been reaped. A cancelled child is
  // killed together with everything in its process group.
  virtual ProcessResult Run(const ProcessRequest& request, ProcessSinks& sinks) = 0;
};

// posix_spawn, a process group per child, poll() on the pipes and a pidfd.
class TPosixProcessLauncher : public TProcessLauncher {
 public:
  ProcessResult Run(const ProcessRequest& request, ProcessSinks& sinks) override;
};

// The launcher the runners use unless given another.
TProcessLauncher& DefaultProcessLauncher();

}  // namespace tolvan
