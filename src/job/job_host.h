// How the job thread reaches its owner. The thread never touches a window:
// everything it shows goes through these calls.
#pragma once

#include <cstddef>
#include <string>

namespace tolvan {

// Once the job has been told to terminate it makes no more JobProgress or
// JobPutClipboard calls, so an owner that waits for the job in its own
// thread is not called into synchronously from then on (a call already in
// progress is the owner's to let finish).
class TJobHost {
 public:
  virtual ~TJobHost() = default;
  // Called from the job thread; must return only after the window shows it.
  // label: UTF-8 (an input file name, "実行中", "クリップボード"); count: "3/12", "1/1" or "".
  virtual void JobProgress(const std::string& label, const std::string& count) = 0;
  // From the job thread, not waited for: runs finished of runs planned, for a
  // job of one run per input (in a parallel job, in the order runs finish).
  virtual void JobRunsDone(std::size_t done, std::size_t planned) {
    (void)done;
    (void)planned;
  }
  virtual void JobBusyCursor(bool busy) = 0;                        // from the job thread
  virtual void JobPutClipboard(const std::string& cp932Text) = 0;  // from the job thread; synchronous
  virtual void JobException(const std::string& utf8Message) = 0;   // an exception ended the work
  // From the job thread after the work has returned; the host marshals its
  // end-of-job step to its own thread.
  virtual void JobEnded() = 0;
};

}  // namespace tolvan
