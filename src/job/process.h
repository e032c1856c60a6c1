// Starting gawk as a child process and collecting what it writes. One
// interface, so that another platform's process layer can sit beside the
// POSIX one; the runners (runners.h, option_runner.h) are built on it.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
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
  // Names of environment variables the child does not get.
  std::vector<std::string> Unset;
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

// A descriptor an interactive child gets beyond its standard three: a pipe
// the caller writes into (ChildReads) or reads from.
struct ChildPipe {
  int ChildFd = 3;  // its number in the child, 3 and up
  bool ChildReads = false;
};

// A child that runs while the caller talks to it (a debugger). Its standard
// output and error and every pipe it writes are streams the caller reads;
// StdoutFd of the request is not used. Destroying it kills its process
// group and reaps it.
class TRunningProcess {
 public:
  virtual ~TRunningProcess() = default;
  // Writes all of bytes into the index-th pipe the child reads (counting
  // only those). False once the child no longer reads it.
  virtual bool Write(std::size_t pipe, std::string_view bytes) = 0;
  // Waits at most timeoutMs (-1: no limit) until something can be read or the
  // child has ended, then appends what was read: out[0] standard output,
  // out[1] standard error, out[2...] the pipes the child writes, in the order
  // given. Answers false once the child is reaped and every stream is
  // drained; its ending is then in Result().
  virtual bool Read(int timeoutMs, std::vector<std::string>& out) = 0;
  // Kills the whole process group; safe from any thread, at any time.
  virtual void Kill() = 0;
  // Valid once Read answered false: Cancelled after Kill.
  virtual ProcessResult Result() const = 0;
  // The exit status of a child that exited by itself.
  virtual int ExitStatus() const = 0;
  // The descriptors Read waits on (open streams, and one that shows the
  // child's end), for a caller that waits in its own event loop; they
  // change as Read closes streams. Empty: poll Read now and then instead.
  virtual std::vector<int> WaitHandles() const { return {}; }
};

class TProcessLauncher {
 public:
  virtual ~TProcessLauncher() = default;
  // Runs the child to its end, appending its output bytes exactly as read.
  // Returns only once the child has been reaped. A cancelled child is
  // killed together with everything in its process group.
  virtual ProcessResult Run(const ProcessRequest& request, ProcessSinks& sinks) = 0;
  // Starts an interactive child. Throws std::runtime_error when it cannot
  // be started (the reason in the text).
  virtual std::unique_ptr<TRunningProcess> Start(const ProcessRequest& request, const std::vector<ChildPipe>& pipes) = 0;
};

// posix_spawn, a process group per child, poll() on the pipes and a pidfd.
class TPosixProcessLauncher : public TProcessLauncher {
 public:
  ProcessResult Run(const ProcessRequest& request, ProcessSinks& sinks) override;
  std::unique_ptr<TRunningProcess> Start(const ProcessRequest& request, const std::vector<ChildPipe>& pipes) override;
};

// The launcher the runners use unless given another.
TProcessLauncher& DefaultProcessLauncher();

}  // namespace tolvan
