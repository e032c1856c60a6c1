#include "job/thread_do_job.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <stdexcept>
#include <vector>

#include "core/codepage.h"
#include "core/files.h"
#include "job/crlf_input.h"
#include "job/descriptors.h"
#include "job/memory_file.h"
#include "job/job_files.h"
#include "job/script_prep.h"
#include "settings/program_files.h"

namespace tolvan {

namespace {

const char* const kRunning = "実行中";
const char* const kClipboard = "クリップボード";

bool ToFile(int om) { return om == omFileOverwrite || om == omFileAppend; }
bool Collected(int om) { return om == omScreen || om == omClipboard || om == omNull; }

// Finished runs of a parallel loop wait for their turn. Beyond the runs
// that may always go ahead (as many as run at once), more start only while
// the waiting output stays below this.
constexpr std::size_t kWaitingBudget = 256u << 20;

// Where an output file's unnamed stand-in is made: its folder.
std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

bool NoRoom(int err) { return err == ENOSPC || err == EDQUOT; }

// True when the file system of fd has no block left for us: a run that
// failed writing there may have failed for want of room. The file is left
// as it was.
bool NoRoomLeft(int fd) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) return false;
  const off_t block = st.st_blksize > 0 ? st.st_blksize : 4096;
  const off_t end = (st.st_size + block - 1) / block * block;  // a block of its own
  if (::fallocate(fd, 0, end, block) == 0) return ::ftruncate(fd, st.st_size) != 0;
  if (NoRoom(errno)) return true;
  struct statvfs fs {};  // no fallocate there
  return ::fstatvfs(fd, &fs) == 0 && fs.f_bavail == 0;
}

bool EndsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

bool EndsCancelled(const std::string& err, const TJobRecord& r) { return EndsWith(err, CancelledMessage(r.Encoding)); }

// After a cancel, the one output file the job had written into is named as
// cut short.
void NameIncompleteOutput(std::string& err, const TJobRecord& r, bool touched) {
  if (touched && ToFile(r.OutputMode) && EndsCancelled(err, r)) err += IncompleteOutputMessage(r.OutputName, r.Encoding);
}

// A cancelled run's own new file holds a cut-off output: it goes.
void RemoveCancelledNewFile(const std::string& err, const TJobRecord& r, bool opened, const std::string& path) {
  if (opened && r.OutputMode == omFilesNew && EndsCancelled(err, r)) ::unlink(path.c_str());
}

}  // namespace

TThreadDoJob::TThreadDoJob(TJobRecord record, TJobHost& host, std::string& outText, std::string& errText,
                           TSharedBytes* screenOutput)
    : record_(std::move(record)), host_(host), out_(outText), err_(errText), screenOut_(screenOutput) {}

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

void TThreadDoJob::Terminate() {
  terminated_ = true;
  stopRuns_ = true;
}
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
  try {
    HandOverScreenOutput();
  } catch (const std::exception& e) {
    host_.JobException(e.what());
  }
  // The host may free this object as soon as it hears of the end, so
  // nothing of it is touched after JobEnded.
  finished_ = true;
  host_.JobEnded();
}

void TThreadDoJob::DoWork() {
  if (record_.Base.Argv.empty()) throw std::runtime_error("the gawk command line is empty");
  // Before anything is read, opened or emptied.
  std::string refused = CheckJobFiles(record_);
  if (!refused.empty()) {
    err_ = refused;
    return;
  }
  // A gawk that cannot start leaves every output as it was: nothing is
  // created or emptied for a run that will not happen.
  if (const int e = ProgramStartError(record_.Base.Argv[0]); e != 0) {
    err_ = CannotStartMessage(record_.Base.Argv[0], SystemReason(e), record_.Encoding);
    return;
  }
  CrLfInputs read;
  if (record_.InputMode == imFile) read.Files = record_.InputList;
  if (record_.InputMode == imClipboard) read.Files = {record_.ClipboardFile};
  record_.Base = WithCrLfRecords(record_.Base, record_.CrLf, read);
  TPreparedScript script(record_.Base, record_.Encoding, record_.Locale);
  script_ = &script;
  struct Reset {
    const TPreparedScript*& p;
    ~Reset() { p = nullptr; }
  } reset{script_};

  const int om = record_.OutputMode;
  switch (record_.InputMode) {
    case imFile:
      if (RunsInParallel()) {
        ParallelLoop();
      } else if (record_.SingleCommandLine) {
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
  ctx.Encoding = record_.Encoding;
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
  RunsDone(0, inputs.size());
  for (std::size_t i = 0; i < inputs.size(); ++i) {
    const std::string& path = inputs[i];
    current_ = WithInputFile(script_->Line(), path);
    Progress(FileNamePart(path), std::to_string(i + 1) + "/" + std::to_string(inputs.size()));
    run(path);
    if (!err_.empty()) return;
    RunsDone(i + 1, inputs.size());
  }
}

void TThreadDoJob::NewFilesLoop() {
  err_.clear();
  RunnerContext ctx = Context();
  ForEachInput([&](const std::string& path) {
    const std::string out = NewFileOutputPath(path, record_.OutputName);
    const FileRunResult r = RunFileRunner(current_, out, true, ctx);
    RemoveCancelledNewFile(err_, record_, r.Opened, out);
    NoteExit(r.ExitCode, path);
  });
}

void TThreadDoJob::OneFileLoop() {
  RunnerContext ctx = Context();
  const bool createAnew = record_.OutputMode != omFileAppend;
  bool touched = false;
  ForEachInput([&](const std::string& path) {
    const FileRunResult r = RunFileRunner(current_, record_.OutputName, createAnew, ctx);
    touched = r.Opened || touched;
    NoteExit(r.ExitCode, path);
  });
  NameIncompleteOutput(err_, record_, touched);
}

void TThreadDoJob::CollectLoop() {
  err_.clear();
  RunnerContext ctx = Context();
  ForEachInput([&](const std::string& path) { NoteExit(PipeRun(ctx), path); });
  if (!err_.empty()) return;
  if (record_.OutputMode == omClipboard && !terminated_) {
    host_.JobPutClipboard(out_);
    out_.clear();
  }
}

// Runs in parallel only where nothing but the time can differ from one run
// after another: one run per input, and no run's output is a later run's
// input (or the script), which that later run would read only once written.
bool TThreadDoJob::RunsInParallel() const {
  const int om = record_.OutputMode;
  if (record_.Parallel <= 1 || record_.InputMode != imFile || record_.SingleCommandLine) return false;
  if (record_.InputList.size() < 2) return false;
  if (om == omFilesNew || ToFile(om)) {
    // Outputs that are existing inputs or the script were refused before
    // anything ran; what is left is an input, not there yet, that an
    // earlier run writes.
    std::set<FileIdentity> read;
    for (const std::string& in : record_.InputList) read.insert(IdentifyFile(in));
    const BaseCommandLine& base = record_.Base;
    if (base.ScriptIsFile && base.ScriptIndex >= 0 && base.ScriptIndex < static_cast<int>(base.Argv.size()))
      read.insert(IdentifyFile(base.Argv[static_cast<std::size_t>(base.ScriptIndex)]));
    for (const std::string& out : JobOutputPaths(record_))
      if (read.count(IdentifyFile(out))) return false;
    return true;
  }
  return Collected(om);
}

// The loops of one run per input with up to Parallel gawk runs at once.
// The results are taken in input order exactly as the one-after-another
// loop would have made them: progress for each input in turn, its output
// written or appended, and the first input whose run left error text ends
// the job. Runs after it are stopped and their output is dropped unwritten.
// A run whose turn has come writes straight into its output file; one that
// starts ahead of its turn waits in an unnamed file on that file's file
// system (or, where none can be made, waits for its turn before it starts),
// so output files never wait in memory. Collected output waits in memory
// files: it ends up in memory anyway.
// Waiting files take room the one-after-another job never needs. Once an
// output finds no room, the rest of the job runs one run at a time: every
// waiting output is dropped and its run made again at its turn, straight
// into its output, so a nearly full disk ends the job as one run at a time
// would end it.
void TThreadDoJob::ParallelLoop() {
  const std::vector<std::string>& inputs = record_.InputList;
  const std::size_t n = inputs.size();
  const int om = record_.OutputMode;
  const bool toFiles = om == omFilesNew || ToFile(om);
  const bool createAnew = om != omFileAppend;
  if (!ToFile(om)) err_.clear();  // as the new-files and collect loops
  const std::size_t width = std::min<std::size_t>(static_cast<std::size_t>(record_.Parallel), n);
  const auto outputPath = [&](std::size_t i) {
    return om == omFilesNew ? NewFileOutputPath(inputs[i], record_.OutputName) : record_.OutputName;
  };

  struct Slot {
    std::optional<TMemoryFile> out;        // collected output
    std::optional<TUnnamedFile> ahead;     // file output made ahead of its turn
    std::string err;
    std::size_t size = 0;
    int exitCode = 0;
    bool opened = false;  // its output file, at its turn
    bool started = false;
    bool waitsForTurn = false;  // started, holding nothing until its turn
    bool done = false;
    // Its output found no room: made again at its turn, straight into the
    // output, once that is put back to `restore` bytes (-1: left as it is).
    bool redo = false;
    off_t restore = -1;
    std::exception_ptr failure;
  };
  std::vector<Slot> slots(n);
  std::mutex mu;
  std::condition_variable cv;
  std::size_t next = 0;     // the next input to start
  std::size_t head = 0;     // the next input to take in order
  std::size_t waiting = 0;  // bytes of finished runs not yet taken
  std::size_t finished = 0;  // runs ended, in any order
  bool oneAtATime = false;  // an output found no room: no run starts ahead any more
  // Runs that found no room so far. A run that failed while another found
  // none may have failed for want of room too, although the other's
  // dropped file has given the room back by the time it looks.
  std::atomic<unsigned> noRoom{0};
  // Bumped as a waiting file is copied into its output and let go: the copy
  // takes room for a while, so a run that failed with error text meanwhile
  // may have failed for want of room that is back by the time it looks.
  std::atomic<unsigned> copies{0};

  auto mayStart = [&] {
    return next < head + width || (next < head + 4 * width && waiting < kWaitingBudget);
  };
  auto failed = [](const Slot& s) { return s.exitCode != 0 || !s.err.empty(); };
  auto runToFile = [&](std::size_t i, const CommandLine& line, RunnerContext& ctx) {
    Slot& slot = slots[i];
    const std::string path = outputPath(i);
    bool turn;
    {
      std::lock_guard<std::mutex> lock(mu);
      turn = head == i;
    }
    if (!turn) slot.ahead = TUnnamedFile::In(FolderOf(path));
    if (slot.ahead) {
      const unsigned seen = noRoom, copied = copies;
      slot.exitCode = RunToDescriptor(line, true, slot.ahead->fd(), ctx);
      if (failed(slot) && (NoRoomLeft(slot.ahead->fd()) || noRoom != seen || (!slot.err.empty() && copies != copied))) {
        ++noRoom;
        slot.ahead.reset();  // its room goes back to the runs still writing
        slot.redo = true;
        return;
      }
      slot.size = slot.ahead->Size();
      return;
    }
    {
      std::unique_lock<std::mutex> lock(mu);
      slot.waitsForTurn = true;
      cv.notify_all();
      cv.wait(lock, [&] { return head == i || stopRuns_; });
      slot.waitsForTurn = false;
    }
    // Stopped meanwhile: nothing is opened, and the text says so.
    const int fd = OpenOutputFile(path, createAnew, ctx);
    if (fd < 0) return;
    slot.opened = true;
    struct Closer {
      int fd;
      ~Closer() { ::close(fd); }
    } closer{fd};
    const off_t before = ::lseek(fd, 0, SEEK_END);
    const unsigned seen = noRoom, copied = copies;
    slot.exitCode = RunToDescriptor(line, true, fd, ctx);
    if (failed(slot) && (NoRoomLeft(fd) || noRoom != seen || (!slot.err.empty() && copies != copied))) {
      ++noRoom;
      slot.redo = true;
      slot.restore = before;
    }
  };
  auto worker = [&] {
    for (;;) {
      std::size_t i;
      {
        std::unique_lock<std::mutex> lock(mu);
        cv.wait(lock, [&] { return stopRuns_ || oneAtATime || next >= n || mayStart(); });
        if (stopRuns_ || oneAtATime || next >= n) return;
        i = next++;
        slots[i].started = true;
      }
      Slot& slot = slots[i];  // this worker's alone until done
      try {
        RunnerContext ctx;
        ctx.Locale = record_.Locale;
        ctx.Encoding = record_.Encoding;
        ctx.Cancel = &stopRuns_;
        ctx.Err = &slot.err;
        ctx.Script = script_;
        const CommandLine line = WithInputFile(script_->Line(), inputs[i]);
        if (toFiles) {
          runToFile(i, line, ctx);
        } else {
          slot.out.emplace();
          slot.exitCode = RunToMemoryFile(line, false, *slot.out, ctx);
          slot.size = slot.out->Size();
        }
      } catch (...) {
        slot.failure = std::current_exception();
      }
      {
        std::lock_guard<std::mutex> lock(mu);
        slot.done = true;
        waiting += slot.size;
        ++finished;
      }
      cv.notify_all();
    }
  };
  // From input i on, one run at a time: the runs under way ahead are waited
  // for, then every waiting output after i is dropped, to be made again at
  // its turn. Once done, no run starts ahead any more.
  auto fallBackToOneAtATime = [&](std::size_t i) {
    std::unique_lock<std::mutex> lock(mu);
    if (oneAtATime) return;
    oneAtATime = true;
    cv.notify_all();
    cv.wait(lock, [&] {
      for (std::size_t j = i + 1; j < next; ++j)
        if (!slots[j].done && !slots[j].waitsForTurn) return false;
      return true;
    });
    for (std::size_t j = i + 1; j < next; ++j) {
      Slot& s = slots[j];
      if (!s.done || !s.ahead) continue;
      s.ahead.reset();
      waiting -= s.size;
      s.size = 0;
      s.redo = true;
    }
  };

  std::vector<std::thread> workers;
  struct StopAndJoin {
    std::atomic<bool>& stop;
    std::mutex& mu;
    std::condition_variable& cv;
    std::vector<std::thread>& workers;
    ~StopAndJoin() {
      {
        std::lock_guard<std::mutex> lock(mu);
        stop = true;
      }
      cv.notify_all();
      for (auto& t : workers) t.join();
    }
  } stopAndJoin{stopRuns_, mu, cv, workers};
  for (std::size_t w = 0; w < width; ++w) workers.emplace_back(worker);

  RunnerContext commit = Context();
  bool touched = false;  // the one output file, by a run or a commit
  std::size_t reported = 0;
  RunsDone(0, n);
  for (std::size_t i = 0; i < n; ++i) {
    current_ = WithInputFile(script_->Line(), inputs[i]);
    Progress(FileNamePart(inputs[i]), std::to_string(i + 1) + "/" + std::to_string(n));
    Slot& slot = slots[i];
    // Waiting for this input's run, the job tells each run that ends
    // meanwhile, so the count moves as the runs finish, not as they are taken.
    // An input no worker took once runs are one at a time is run here.
    bool here = false;
    for (;;) {
      bool ready;
      std::size_t ended;
      {
        std::unique_lock<std::mutex> lock(mu);
        auto untaken = [&] { return !slot.started && (stopRuns_ || oneAtATime); };
        cv.wait(lock, [&] { return slot.done || untaken() || finished != reported; });
        ready = slot.done || untaken();
        if (ready && !slot.done && !stopRuns_) slot.started = here = true;
        ended = finished;
      }
      if (ended != reported) {
        reported = ended;
        RunsDone(ended, n);
      }
      if (ready) break;
    }
    if (!slot.done && !here) {  // cancelled before it could start
      err_ += CancelledMessage(record_.Encoding);
      NameIncompleteOutput(err_, record_, touched);
      return;
    }
    if (slot.failure) std::rethrow_exception(slot.failure);
    touched = touched || slot.opened;
    if (terminated_) {
      // Cancelled: nothing more is written, and the message ends the text.
      // Only a run that was cut itself loses its file or makes the file cut;
      // one that had ended keeps what it wrote.
      err_ += slot.err;
      const bool cut = EndsCancelled(slot.err, record_);
      RemoveCancelledNewFile(slot.err, record_, slot.opened, outputPath(i));
      if (!cut) err_ += CancelledMessage(record_.Encoding);
      NameIncompleteOutput(err_, record_, touched && (cut || i + 1 < n));
      return;
    }
    bool straight = here || slot.redo;
    if (slot.ahead) {
      const std::string path = outputPath(i);
      const int fd = OpenOutputFile(path, createAnew, commit);
      if (fd < 0) return;
      const off_t before = ::lseek(fd, 0, SEEK_END);
      touched = true;
      ++copies;
      bool written = slot.ahead->CopyTo(fd);
      int e = errno;
      if (!written && NoRoom(e) && before >= 0 && ::ftruncate(fd, before) == 0) {
        // No room for the copy beside its waiting file: the output is put
        // back and the run made again straight into it.
        slot.ahead.reset();
        straight = true;
        written = true;
      }
      if (::close(fd) != 0 && written && !straight) {
        written = false;
        e = errno;
      }
      if (!written) err_ += WriteFailedMessage(path, e, record_.Encoding);
    } else if (slot.out) {
      if (SharesScreenOutput())
        KeepScreenOutput(std::move(*slot.out));
      else
        slot.out->AppendTo(out_, 0, SIZE_MAX, true);
    }
    if (straight) {
      fallBackToOneAtATime(i);
      const std::string path = outputPath(i);
      if (slot.restore >= 0 && ::truncate(path.c_str(), slot.restore) != 0) {
        err_ += WriteFailedMessage(path, errno, record_.Encoding);  // a cut-off output cannot be put back
        return;
      }
      slot.err.clear();
      RunnerContext ctx = Context();
      ctx.Err = &slot.err;
      const FileRunResult r = RunFileRunner(current_, path, createAnew, ctx);
      slot.exitCode = r.ExitCode;
      touched = touched || r.Opened;
      RemoveCancelledNewFile(slot.err, record_, r.Opened, path);
      std::size_t ended;
      {
        std::lock_guard<std::mutex> lock(mu);
        if (here) ++finished;
        ended = finished;
      }
      if (ended != reported) {
        reported = ended;
        RunsDone(ended, n);
      }
    }
    // Otherwise the run wrote straight into its output file.
    err_ += slot.err;
    NameIncompleteOutput(err_, record_, touched && straight);
    NoteExit(slot.exitCode, inputs[i]);
    slot.out.reset();
    if (slot.ahead) {
      slot.ahead.reset();
      ++copies;
    }
    {
      std::lock_guard<std::mutex> lock(mu);
      waiting -= slot.size;
      head = i + 1;
    }
    cv.notify_all();
    if (!err_.empty()) return;
  }
  if (om == omClipboard && !terminated_) {
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
    const FileRunResult r = RunFileRunner(current_, record_.OutputName, record_.OutputMode != omFileAppend, ctx);
    NameIncompleteOutput(err_, record_, r.Opened);
    NoteExit(r.ExitCode, "");
  } else {
    NoteExit(PipeRunAndHandOver(), "");
  }
}

void TThreadDoJob::OneRun(const CommandLine& line, const std::string& label, const std::string& count) {
  current_ = line;
  Progress(label, count);
  // The clipboard's run is named as its progress is; a run without input by its code alone.
  const std::string input = record_.InputMode == imClipboard ? label : "";
  if (ToFile(record_.OutputMode)) {
    RunnerContext ctx = Context();
    const FileRunResult r = RunFileRunner(current_, record_.OutputName, record_.OutputMode != omFileAppend, ctx);
    NameIncompleteOutput(err_, record_, r.Opened);
    NoteExit(r.ExitCode, input);
  } else {
    NoteExit(PipeRunAndHandOver(), input);
  }
}

void TThreadDoJob::NoteExit(int code, const std::string& input) {
  if (code != 0) exits_.push_back(ExitStatusLine(code, input));
}

bool TThreadDoJob::SharesScreenOutput() const { return screenOut_ && record_.OutputMode == omScreen; }

int TThreadDoJob::PipeRun(RunnerContext& ctx) {
  if (!SharesScreenOutput()) return RunPipeRunner(current_, ctx);
  TMemoryFile file;
  const int code = RunToMemoryFile(current_, false, file, ctx);
  KeepScreenOutput(std::move(file));
  return code;
}

// The first run's file is kept as it is (one run: nothing is ever copied);
// with more runs their outputs follow each other in one new file.
void TThreadDoJob::KeepScreenOutput(TMemoryFile&& run) {
  if (!screenFile_) {
    screenFile_.emplace(std::move(run));
    return;
  }
  if (screenFile_->Sealed()) {
    TMemoryFile all;
    all.Append(*screenFile_);
    screenFile_.emplace(std::move(all));
  }
  screenFile_->Append(run);
}

void TThreadDoJob::HandOverScreenOutput() {
  if (!SharesScreenOutput()) return;
  *screenOut_ = screenFile_ ? screenFile_->Share() : TSharedBytes{};
  screenFile_.reset();
}

int TThreadDoJob::PipeRunAndHandOver() {
  RunnerContext ctx = Context();
  const int code = PipeRun(ctx);
  // A cancelled job leaves the clipboard alone even when its last run had
  // already ended.
  if (err_.empty() && record_.OutputMode == omClipboard && !terminated_) {
    host_.JobPutClipboard(out_);
    out_.clear();
  }
  return code;
}

void TThreadDoJob::Progress(const std::string& label, const std::string& count) {
  // Once terminated, the owner may be waiting for us in its own thread: a
  // synchronous call into it then could never return.
  if (terminated_) return;
  host_.JobProgress(label, count);
}

void TThreadDoJob::RunsDone(std::size_t done, std::size_t planned) {
  if (terminated_) return;
  host_.JobRunsDone(done, planned);
}

void TThreadDoJob::BusyCursor(bool busy) { host_.JobBusyCursor(busy); }

}  // namespace tolvan
