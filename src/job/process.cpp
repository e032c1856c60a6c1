#include "job/process.h"

#include "job/descriptors.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <stdexcept>

#include "job/memory_file.h"

extern char** environ;

namespace tolvan {

namespace {

constexpr int kCycleMs = 50;
constexpr std::size_t kReadChunk = 128 * 1024;
// What is read from standard error's pipe after the child's end when its
// size cannot be asked.
constexpr int kPipeSize = 64 * 1024;
// Per descriptor and cycle, so that an endless writer cannot hold off the
// cancel check.
constexpr std::size_t kMaxReadPerCycle = 4 * 1024 * 1024;

class Fd {
 public:
  Fd() = default;
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() { Close(); }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  Fd(Fd&& o) noexcept : fd_(o.fd_) { o.fd_ = -1; }
  Fd& operator=(Fd&& o) noexcept {
    if (this != &o) {
      Close();
      fd_ = o.fd_;
      o.fd_ = -1;
    }
    return *this;
  }
  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  void Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 private:
  int fd_ = -1;
};

std::string Reason(int err) { return SystemReason(err); }

[[noreturn]] void ThrowSys(const char* what) { ThrowSystemError(what); }

Fd Lift(int fd) { return Fd(LiftAboveStandard(fd)); }

void MakePipe(Fd& readEnd, Fd& writeEnd) {
  int p[2];
  if (::pipe2(p, O_CLOEXEC) != 0) ThrowSys("pipe2");
  readEnd = Lift(p[0]);
  writeEnd = Lift(p[1]);
}

void SetNonBlocking(int fd) {
  int fl = ::fcntl(fd, F_GETFL);
  if (fl < 0 || ::fcntl(fd, F_SETFL, fl | O_NONBLOCK) < 0) ThrowSys("fcntl");
}

// The child's environment: the caller's, with LC_ALL replaced unless the
// locale is "inherit". A locale given by its folder (a compiled locale of
// our own) is found through LOCPATH, and LANGUAGE=C keeps gawk's messages
// as in the C locale, where the preview and the debugger read them.
std::vector<std::string> ChildEnvironment(std::string locale, const std::vector<std::string>& unset) {
  const bool inherit = locale == "inherit";
  const std::size_t slash = locale.rfind('/');
  const bool folder = !inherit && slash != std::string::npos;
  auto replaced = [&](const char* entry) {
    for (const std::string& name : unset)
      if (std::strncmp(entry, name.c_str(), name.size()) == 0 && entry[name.size()] == '=') return true;
    if (inherit) return false;
    if (std::strncmp(entry, "LC_ALL=", 7) == 0) return true;
    return folder && (std::strncmp(entry, "LOCPATH=", 8) == 0 || std::strncmp(entry, "LANGUAGE=", 9) == 0);
  };
  std::vector<std::string> env;
  for (char** e = environ; e && *e; ++e)
    if (!replaced(*e)) env.emplace_back(*e);
  if (folder) {
    env.push_back("LOCPATH=" + (slash == 0 ? std::string("/") : locale.substr(0, slash)));
    env.push_back("LANGUAGE=C");
    locale.erase(0, slash + 1);
  }
  if (!inherit) env.push_back(std::string("LC_ALL=") + (locale.empty() ? std::string("C") : locale));
  return env;
}

std::vector<char*> CPointers(std::vector<std::string>& v) {
  std::vector<char*> p;
  p.reserve(v.size() + 1);
  for (auto& s : v) p.push_back(s.data());
  p.push_back(nullptr);
  return p;
}

class SpawnSetup {
 public:
  SpawnSetup() {
    if (::posix_spawn_file_actions_init(&actions_) != 0) ThrowSys("posix_spawn_file_actions_init");
    if (::posix_spawnattr_init(&attr_) != 0) {
      ::posix_spawn_file_actions_destroy(&actions_);
      ThrowSys("posix_spawnattr_init");
    }
  }
  ~SpawnSetup() {
    ::posix_spawnattr_destroy(&attr_);
    ::posix_spawn_file_actions_destroy(&actions_);
  }
  SpawnSetup(const SpawnSetup&) = delete;
  SpawnSetup& operator=(const SpawnSetup&) = delete;
  posix_spawn_file_actions_t actions_;
  posix_spawnattr_t attr_;
};

// Starts the child in a process group of its own with in, out and err as
// its standard descriptors and each extra (ours, the child's number) copied
// in; it holds nothing else of ours. Answers posix_spawn's error, 0 when
// started. Our descriptors must all lie above every child number.
int SpawnGroup(const ProcessRequest& req, int in, int out, int err, const std::vector<std::pair<int, int>>& extra,
               pid_t& pid) {
  SpawnSetup setup;
  auto check = [](int rc, const char* what) {
    if (rc != 0) {
      errno = rc;
      ThrowSys(what);
    }
  };
  check(::posix_spawn_file_actions_adddup2(&setup.actions_, in, 0), "posix_spawn");
  check(::posix_spawn_file_actions_adddup2(&setup.actions_, out, 1), "posix_spawn");
  check(::posix_spawn_file_actions_adddup2(&setup.actions_, err, 2), "posix_spawn");
  int top = 2;
  for (const auto& [ours, theirs] : extra) {
    check(::posix_spawn_file_actions_adddup2(&setup.actions_, ours, theirs), "posix_spawn");
    top = std::max(top, theirs);
  }
  if (!req.WorkingFolder.empty())
    check(::posix_spawn_file_actions_addchdir_np(&setup.actions_, req.WorkingFolder.c_str()), "posix_spawn");
  check(::posix_spawn_file_actions_addclosefrom_np(&setup.actions_, top + 1), "posix_spawn");

  sigset_t none, all;
  sigemptyset(&none);
  sigfillset(&all);
  sigdelset(&all, SIGKILL);
  sigdelset(&all, SIGSTOP);
  check(::posix_spawnattr_setsigmask(&setup.attr_, &none), "posix_spawn");
  check(::posix_spawnattr_setsigdefault(&setup.attr_, &all), "posix_spawn");
  // A group of its own: cancel kills the child and whatever it started.
  check(::posix_spawnattr_setpgroup(&setup.attr_, 0), "posix_spawn");
  check(::posix_spawnattr_setflags(&setup.attr_, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK |
                                                     POSIX_SPAWN_SETSIGDEF),
        "posix_spawn");

  std::vector<std::string> args = req.Argv;
  std::vector<char*> argv = CPointers(args);
  std::vector<std::string> envStrings = ChildEnvironment(req.Locale, req.Unset);
  std::vector<char*> envp = CPointers(envStrings);
  return ::posix_spawnp(&pid, args[0].c_str(), &setup.actions_, &setup.attr_, argv.data(), envp.data());
}

// Reads what is there without waiting. Returns false at end of file.
bool ReadAvailable(int fd, std::string& sink, std::size_t limit) {
  char buf[kReadChunk];
  std::size_t total = 0;
  while (total < limit) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n > 0) {
      MakeRoom(sink, static_cast<std::size_t>(n));
      sink.append(buf, static_cast<std::size_t>(n));
      total += static_cast<std::size_t>(n);
      continue;
    }
    if (n == 0) return false;
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) return true;
    ThrowSys("read");
  }
  return true;
}

// Owns a started child until it is reaped; on an early way out (an
// exception) it kills the child's process group and reaps it, so nothing is
// ever left running behind the caller.
class ChildGuard {
 public:
  explicit ChildGuard(pid_t pid) : pid_(pid) {}
  ~ChildGuard() {
    if (reaped_) return;
    ::kill(-pid_, SIGKILL);
    int st;
    while (::waitpid(pid_, &st, 0) < 0 && errno == EINTR) {
    }
  }
  ChildGuard(const ChildGuard&) = delete;
  ChildGuard& operator=(const ChildGuard&) = delete;
  pid_t pid() const { return pid_; }
  // The signal that ended the reaped child, or 0; else its exit status.
  int Signal() const { return signal_; }
  // The reaped child's exit status when it exited by itself.
  int ExitCode() const { return exitCode_; }
  // Non-blocking unless wait is true. True once reaped.
  bool Reap(bool wait) {
    if (reaped_) return true;
    int st;
    for (;;) {
      pid_t r = ::waitpid(pid_, &st, wait ? 0 : WNOHANG);
      if (r == pid_) {
        if (WIFSIGNALED(st)) signal_ = WTERMSIG(st);
        if (WIFEXITED(st)) exitCode_ = WEXITSTATUS(st);
        break;
      }
      if (r == 0) return false;
      if (errno == EINTR) continue;
      if (errno == ECHILD) break;  // someone else reaped it; it is gone all the same
      ThrowSys("waitpid");
    }
    reaped_ = true;
    return true;
  }

 private:
  pid_t pid_;
  bool reaped_ = false;
  int signal_ = 0;
  int exitCode_ = 0;
};

}  // namespace

ProcessResult TPosixProcessLauncher::Run(const ProcessRequest& req, ProcessSinks& sinks) {
  ProcessResult result;
  if (req.Argv.empty() || req.Argv[0].empty()) {
    result.Outcome = ProcessOutcome::NotStarted;
    result.StartError = Reason(ENOENT);
    return result;
  }
  const bool outToPipe = req.StdoutFd < 0;
  const bool streaming = outToPipe && static_cast<bool>(sinks.OnOutput);
  if (outToPipe && !streaming && !sinks.Out) throw std::invalid_argument("process: standard output has no sink");
  if (!sinks.Err) throw std::invalid_argument("process: standard error has no sink");
  if (sinks.Cancel && sinks.Cancel->load()) {
    result.Outcome = ProcessOutcome::Cancelled;
    return result;
  }

  Fd inRead, inWrite, errRead, errWrite, outRead, outWrite;
  if (req.Stdin == StdinSource::ClosedPipe) {
    MakePipe(inRead, inWrite);
  } else {
    inRead = Lift(::open("/dev/null", O_RDONLY | O_CLOEXEC));
    if (!inRead.valid()) ThrowSys("open /dev/null");
  }
  // Collected standard output goes to a memory file, not a pipe: gawk
  // writes at full speed and nobody is woken for every few kilobytes.
  std::unique_ptr<TMemoryFile> outMem;
  if (streaming) MakePipe(outRead, outWrite);
  else if (outToPipe) outMem = std::make_unique<TMemoryFile>();
  MakePipe(errRead, errWrite);

  // A caller started with a standard descriptor closed may hand us its
  // output as 0..2, which the dup2 onto 0 would overwrite before it is
  // copied to 1: such a descriptor goes through a copy above 2.
  Fd outCopy;
  int outFd = streaming ? outWrite.get() : outMem ? outMem->fd() : req.StdoutFd;
  if (outFd < 3) {
    outCopy = Fd(::fcntl(outFd, F_DUPFD_CLOEXEC, 3));
    if (!outCopy.valid()) ThrowSys("fcntl");
    outFd = outCopy.get();
  }
  pid_t pid = 0;
  int rc = SpawnGroup(req, inRead.get(), outFd, errWrite.get(), {}, pid);
  // The child's ends, and our end of its standard input: it reads end of
  // file at once.
  inRead.Close();
  inWrite.Close();
  errWrite.Close();
  outWrite.Close();
  if (rc != 0) {
    result.Outcome = ProcessOutcome::NotStarted;
    result.StartError = Reason(rc);
    return result;
  }
  ChildGuard child(pid);

  // A pidfd lets poll() notice the child's end along with the pipe.
  Fd pidfd(static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)));
  SetNonBlocking(errRead.get());
  if (streaming) SetNonBlocking(outRead.get());
  std::string piece;
  // Reads what the output pipe holds and hands it on; false at its end.
  auto passOutput = [&](std::size_t limit) {
    const bool open = ReadAvailable(outRead.get(), piece, limit);
    if (!piece.empty()) sinks.OnOutput(piece.data(), piece.size());
    piece.clear();
    return open;
  };

  int reapWaitMs = 1;  // without a pidfd only
  bool killed = false;
  bool ended = false;
  while (!ended) {
    if (sinks.OnCycle) sinks.OnCycle();
    if (!killed && sinks.Cancel && sinks.Cancel->load()) {
      ::kill(-pid, SIGKILL);
      killed = true;
    }

    pollfd fds[3];
    nfds_t nfds = 0;
    int errIdx = -1, pidIdx = -1, outIdx = -1;
    if (outRead.valid()) {
      outIdx = static_cast<int>(nfds);
      fds[nfds++] = pollfd{outRead.get(), POLLIN, 0};
    }
    if (errRead.valid()) {
      errIdx = static_cast<int>(nfds);
      fds[nfds++] = pollfd{errRead.get(), POLLIN, 0};
    }
    if (pidfd.valid()) {
      pidIdx = static_cast<int>(nfds);
      fds[nfds++] = pollfd{pidfd.get(), POLLIN, 0};
    } else if (nfds == 0) {
      // No pidfd and the error pipe closed by the child: its end is usually
      // near, so look again soon, backing off to the normal cycle.
      if (child.Reap(false)) break;
      ::poll(nullptr, 0, reapWaitMs);
      reapWaitMs = std::min(reapWaitMs * 2, kCycleMs);
      continue;
    }

    int n = ::poll(fds, nfds, kCycleMs);
    if (n < 0) {
      if (errno == EINTR) continue;
      ThrowSys("poll");
    }
    if (outIdx >= 0 && fds[outIdx].revents) {
      if (!passOutput(kMaxReadPerCycle)) outRead.Close();
    }
    if (errIdx >= 0 && fds[errIdx].revents) {
      if (!ReadAvailable(errRead.get(), *sinks.Err, kMaxReadPerCycle)) errRead.Close();
    }
    if (pidIdx >= 0) {
      if (fds[pidIdx].revents) ended = true;
    } else {
      ended = child.Reap(false);
    }
  }
  // Anything the group started meanwhile. Only while the unreaped leader
  // keeps the group's id ours.
  if (killed && pidfd.valid()) ::kill(-pid, SIGKILL);
  child.Reap(true);

  // What the child wrote is there now; take it without waiting for anyone
  // else who may still hold the pipe or the file (a background grandchild).
  // The file is sealed first, so such a writer cannot keep it growing; the
  // pipe's read is limited so that it cannot hold us here.
  if (outMem) {
    outMem->Seal();
    outMem->AppendTo(*sinks.Out, 0, SIZE_MAX, true);
    outMem.reset();
  }

  if (outRead.valid()) {
    int cap = ::fcntl(outRead.get(), F_GETPIPE_SZ);
    passOutput(cap > 0 ? static_cast<std::size_t>(cap) : kPipeSize);
    outRead.Close();
  }
  if (errRead.valid()) {
    int cap = ::fcntl(errRead.get(), F_GETPIPE_SZ);
    ReadAvailable(errRead.get(), *sinks.Err, cap > 0 ? static_cast<std::size_t>(cap) : kPipeSize);
    errRead.Close();
  }

  result.Outcome = killed ? ProcessOutcome::Cancelled : ProcessOutcome::Finished;
  if (!killed) {
    result.Signal = child.Signal();
    result.ExitCode = child.ExitCode();
  }
  return result;
}

namespace {

// A descriptor at or above min, close-on-exec; the original is closed.
Fd LiftTo(Fd fd, int min) {
  if (fd.get() >= min) return fd;
  Fd moved(::fcntl(fd.get(), F_DUPFD_CLOEXEC, min));
  if (!moved.valid()) ThrowSys("fcntl");
  return moved;
}

class TPosixRunningProcess : public TRunningProcess {
 public:
  TPosixRunningProcess(const ProcessRequest& req, const std::vector<ChildPipe>& pipes) {
    int top = 2;
    for (const ChildPipe& p : pipes) {
      if (p.ChildFd < 3) throw std::invalid_argument("process: a child pipe must lie above 2");
      top = std::max(top, p.ChildFd);
    }
    // Our descriptors lie above every child number, so no dup2 in the
    // child overwrites one it has still to copy.
    const int min = top + 1;
    Fd inRead, inWrite;
    if (req.Stdin == StdinSource::ClosedPipe) {
      MakePipe(inRead, inWrite);
      inRead = LiftTo(std::move(inRead), min);
      inWrite.Close();
    } else {
      inRead = LiftTo(Fd(::open("/dev/null", O_RDONLY | O_CLOEXEC)), min);
    }
    std::vector<Fd> childEnds;
    std::vector<std::pair<int, int>> extra;
    auto pipe = [&](bool childReads) {
      Fd r, w;
      MakePipe(r, w);
      r = LiftTo(std::move(r), min);
      w = LiftTo(std::move(w), min);
      Fd& ours = childReads ? w : r;
      Fd& theirs = childReads ? r : w;
      if (!childReads) SetNonBlocking(ours.get());
      childEnds.push_back(std::move(theirs));
      return std::move(ours);
    };
    reads_.push_back(pipe(false));  // standard output
    reads_.push_back(pipe(false));  // standard error
    const int outFd = childEnds[0].get(), errFd = childEnds[1].get();
    for (const ChildPipe& p : pipes) {
      if (p.ChildReads) writes_.push_back(pipe(true));
      else reads_.push_back(pipe(false));
      extra.emplace_back(childEnds.back().get(), p.ChildFd);
    }
    const int rc = SpawnGroup(req, inRead.get(), outFd, errFd, extra, pid_);
    if (rc != 0) throw std::runtime_error(Reason(rc));
    pidfd_ = Fd(static_cast<int>(::syscall(SYS_pidfd_open, pid_, 0)));
  }

  ~TPosixRunningProcess() override {
    Kill();
    std::lock_guard lock(mutex_);
    ReapLocked(true);
  }

  bool Write(std::size_t pipe, std::string_view bytes) override {
    if (pipe >= writes_.size() || !writes_[pipe].valid()) return false;
    // A reader that has gone must not end us with SIGPIPE: it is blocked
    // on this thread while writing, and one it raised is taken back.
    sigset_t pipeSet, old;
    sigemptyset(&pipeSet);
    sigaddset(&pipeSet, SIGPIPE);
    ::pthread_sigmask(SIG_BLOCK, &pipeSet, &old);
    sigset_t pending;
    sigpending(&pending);
    const bool wasPending = sigismember(&pending, SIGPIPE);
    bool ok = true;
    while (!bytes.empty()) {
      const ssize_t n = ::write(writes_[pipe].get(), bytes.data(), bytes.size());
      if (n < 0) {
        if (errno == EINTR) continue;
        if (errno == EPIPE && !wasPending) {
          const timespec zero{0, 0};
          while (::sigtimedwait(&pipeSet, nullptr, &zero) < 0 && errno == EINTR) {
          }
        }
        writes_[pipe].Close();
        ok = false;
        break;
      }
      bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    ::pthread_sigmask(SIG_SETMASK, &old, nullptr);
    return ok;
  }

  bool Read(int timeoutMs, std::vector<std::string>& out) override {
    if (out.size() < reads_.size()) out.resize(reads_.size());
    std::vector<pollfd> fds;
    std::vector<std::size_t> which;
    for (std::size_t i = 0; i < reads_.size(); ++i) {
      if (!reads_[i].valid()) continue;
      fds.push_back(pollfd{reads_[i].get(), POLLIN, 0});
      which.push_back(i);
    }
    const bool watchChild = !reaped_ && pidfd_.valid();
    if (watchChild) fds.push_back(pollfd{pidfd_.get(), POLLIN, 0});
    if (fds.empty()) {
      std::lock_guard lock(mutex_);
      return !ReapLocked(true);
    }
    // Without a pidfd the child's end shows as the end of its pipes.
    int n = ::poll(fds.data(), fds.size(), timeoutMs);
    if (n < 0 && errno != EINTR) ThrowSys("poll");
    if (n <= 0) return true;
    for (std::size_t k = 0; k < which.size(); ++k) {
      if (!fds[k].revents) continue;
      if (!ReadAvailable(reads_[which[k]].get(), out[which[k]], kMaxReadPerCycle)) reads_[which[k]].Close();
    }
    if (watchChild && fds.back().revents) {
      std::lock_guard lock(mutex_);
      ReapLocked(true);
      // What it wrote is in the pipes now; a grandchild that keeps them
      // open must not hold the caller.
      for (std::size_t i = 0; i < reads_.size(); ++i) {
        if (!reads_[i].valid()) continue;
        ReadAvailable(reads_[i].get(), out[i], kMaxReadPerCycle);
        reads_[i].Close();
      }
      return false;
    }
    return true;
  }

  std::vector<int> WaitHandles() const override {
    std::vector<int> fds;
    for (const Fd& f : reads_)
      if (f.valid()) fds.push_back(f.get());
    std::lock_guard lock(mutex_);
    if (!reaped_ && pidfd_.valid()) fds.push_back(pidfd_.get());
    return fds;
  }

  void Kill() override {
    std::lock_guard lock(mutex_);
    // Only while the unreaped leader keeps the group's id ours.
    if (reaped_ || pid_ <= 0) return;
    ::kill(-pid_, SIGKILL);
    killed_ = true;
  }

  ProcessResult Result() const override {
    std::lock_guard lock(mutex_);
    ProcessResult r;
    r.Outcome = killed_ ? ProcessOutcome::Cancelled : ProcessOutcome::Finished;
    if (!killed_) r.Signal = signal_;
    return r;
  }

  int ExitStatus() const override {
    std::lock_guard lock(mutex_);
    return status_;
  }

 private:
  // True once reaped.
  bool ReapLocked(bool wait) {
    if (reaped_ || pid_ <= 0) return true;
    // Anything the group started that outlives the leader, while the
    // unreaped leader keeps the group's id ours.
    if (killed_) ::kill(-pid_, SIGKILL);
    int st = 0;
    for (;;) {
      pid_t r = ::waitpid(pid_, &st, wait ? 0 : WNOHANG);
      if (r == pid_) {
        if (WIFSIGNALED(st)) signal_ = WTERMSIG(st);
        if (WIFEXITED(st)) status_ = WEXITSTATUS(st);
        break;
      }
      if (r == 0) return false;
      if (errno == EINTR) continue;
      break;  // ECHILD: gone all the same
    }
    reaped_ = true;
    return true;
  }

  mutable std::mutex mutex_;
  pid_t pid_ = 0;
  Fd pidfd_;
  std::vector<Fd> reads_, writes_;
  bool reaped_ = false;
  bool killed_ = false;
  int signal_ = 0;
  int status_ = 0;
};

}  // namespace

std::unique_ptr<TRunningProcess> TPosixProcessLauncher::Start(const ProcessRequest& req,
                                                              const std::vector<ChildPipe>& pipes) {
  if (req.Argv.empty() || req.Argv[0].empty()) throw std::runtime_error(Reason(ENOENT));
  return std::make_unique<TPosixRunningProcess>(req, pipes);
}

TProcessLauncher& DefaultProcessLauncher() {
  static TPosixProcessLauncher launcher;
  return launcher;
}

}  // namespace tolvan
