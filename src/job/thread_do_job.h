// The job thread: one press of Run, from the first gawk run to the last.
#pragma once

#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "core/shared_bytes.h"
#include "job/job_host.h"
#include "job/job_record.h"
#include "job/memory_file.h"
#include "job/runners.h"

namespace tolvan {

class TPreparedScript;

class TThreadDoJob {
 public:
  // outText/errText are the main window's texts (CP932 bytes); the thread
  // appends to them and the caller must not touch them until JobEnded. The
  // record, input list included, is the thread's own copy: the input list
  // may change in the window while the job runs.
  // With screenOutput, "4 Screen" output is not appended to outText but
  // left there once the work is done: the memory file the runs wrote,
  // mapped, so that it is never copied.
  TThreadDoJob(TJobRecord record, TJobHost& host, std::string& outText, std::string& errText,
               TSharedBytes* screenOutput = nullptr);
  // Sets the terminate flag and joins; the running child and its process
  // group are killed, so nothing is left behind.
  ~TThreadDoJob();
  TThreadDoJob(const TThreadDoJob&) = delete;
  TThreadDoJob& operator=(const TThreadDoJob&) = delete;

  // The job as it was started; the window's choices may have changed since.
  // After the end, Base is the command line that ran (with the record
  // separator added for CR LF input).
  const TJobRecord& Record() const { return record_; }
  // A line (UTF-8, ExitStatusLine) for every run that exited non-zero, in
  // input order; read once the job has ended. Such a run does not stop the
  // job: only error text does.
  const std::vector<std::string>& ExitStatuses() const { return exits_; }

  void Start();
  void Terminate();
  bool Terminated() const;
  void WaitFor();
  bool Finished() const;

  // Output path of "1 Files(new)": the input's folder, "/", prefix, the
  // input's file name. A name without a folder gets its output beside it.
  static std::string NewFileOutputPath(const std::string& inputPath, const std::string& prefix);
  // The part after the last '/'.
  static std::string FileNamePart(const std::string& path);

 private:
  void Execute();
  void DoWork();
  void ForEachInput(const std::function<void(const std::string& path)>& run);
  bool RunsInParallel() const;
  void ParallelLoop();
  void NewFilesLoop();
  void OneFileLoop();
  void CollectLoop();
  void SingleCommandLine();
  void OneRun(const CommandLine& line, const std::string& label, const std::string& count);
  int PipeRunAndHandOver();
  int PipeRun(RunnerContext& ctx);
  void NoteExit(int code, const std::string& input);
  bool SharesScreenOutput() const;
  void KeepScreenOutput(TMemoryFile&& run);
  void HandOverScreenOutput();
  void Progress(const std::string& label, const std::string& count);
  void RunsDone(std::size_t done, std::size_t planned);
  void BusyCursor(bool busy);
  RunnerContext Context();

  TJobRecord record_;
  TJobHost& host_;
  std::string& out_;
  std::string& err_;
  TSharedBytes* screenOut_;
  std::optional<TMemoryFile> screenFile_;  // the shared "4 Screen" output so far
  std::atomic<bool> terminated_{false};
  // What the runs of a parallel loop look at: set by Terminate and by the
  // loop itself once an earlier input has failed.
  std::atomic<bool> stopRuns_{false};
  std::atomic<bool> finished_{false};
  const TPreparedScript* script_ = nullptr;
  CommandLine current_;  // the command line of the run in progress
  std::vector<std::string> exits_;
  std::thread thread_;
};

}  // namespace tolvan
