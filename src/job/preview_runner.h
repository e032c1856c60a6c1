// Running the script being edited on a sample, over and over as it
// changes: one worker thread, one gawk at a time, the newest text always
// replacing whatever runs or waits. gawk runs sandboxed (it writes no file
// and starts nothing), without the options that write files anyway, in an
// empty private folder, its standard input at end of file, its output
// capped and its time limited. No window: the editor's pane drives it and
// gets what happens through TPreviewSink.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "core/encoding.h"
#include "job/process.h"
#include "settings/settings.h"

namespace tolvan {

inline constexpr std::size_t kPreviewOutputCap = 1024 * 1024;
inline constexpr std::chrono::milliseconds kPreviewTimeout{5000};

enum class PreviewSample {
  None,  // gawk gets no input file
  File,  // SamplePath
  Text,  // SampleText, through a private temporary file
};

struct PreviewRequest {
  std::string AwkPath;      // file-system bytes
  std::string Options;      // the option box text, split as a Run splits it
  std::string Locale = "C"; // LC_ALL, as for a job
  std::string ScriptText;   // as the editor holds it
  // Named in gawk's messages in place of the temporary copy.
  std::string ScriptName;
  PreviewSample Sample = PreviewSample::None;
  std::string SamplePath;
  std::string SampleText;
  std::size_t OutputCap = kPreviewOutputCap;
  std::chrono::milliseconds Timeout = kPreviewTimeout;
  // The encoding of every text here, of the output and of the messages: a
  // CP932 script has its 0x5C trail bytes doubled, a UTF-8 one goes as it is.
  TextEncoding Encoding = TextEncoding::Cp932;
  // Records end at CR LF as in a Run over the sample (job/crlf_input.h).
  CrLfInput CrLf = CrLfInput::Auto;
  // gawk warns about dubious code (--lint), as it reads and as it runs.
  bool Lint = false;
  // gawk only reads the program (-o/dev/null: pretty-printed to nowhere,
  // never run); no sample is read.
  bool ParseOnly = false;
};

enum class PreviewEnd {
  Finished,    // gawk ended by itself
  TimedOut,    // killed at the time limit
  NotStarted,  // gawk could not be started, or the options could not be split
};

struct PreviewResult {
  std::uint64_t Run = 0;
  PreviewEnd End = PreviewEnd::Finished;
  // At most OutputCap bytes, never ending inside a character;
  // followed by PreviewOmittedTail when more came.
  std::string Output;
  std::uint64_t OmittedBytes = 0;  // read after the cap and discarded
  // gawk's standard error with the copy's path replaced by ScriptName, or
  // the program's own text when nothing ran (in the request's encoding).
  std::string Error;
  int ErrorLine = 0;  // 1-based line the first located error names; 0: none
  // What the messages call the script, and their encoding (the request's).
  std::string ScriptName;
  TextEncoding Encoding = TextEncoding::Cp932;
  bool SandboxRefused = false;  // gawk refused something only a Run may do
  // Option words left out of the run, as typed (they would write files or
  // keep the script from running).
  std::vector<std::string> DroppedOptions;
};

// The text that stands for output past the cap: "…" and the count.
std::string PreviewOmittedTail(std::uint64_t omitted, TextEncoding e = TextEncoding::Cp932);
// The line of the script named by gawk's first error that names one (a
// warning of --lint is no error):
// "<prog>: <scriptName>:<n>: ..." for a script file, "<prog>: cmd. line:<n>:
// ..." for a one-line script. 0 when no message names a line.
int ParseErrorLine(std::string_view errorText, std::string_view scriptName, TextEncoding e = TextEncoding::Cp932);
// The longest prefix of bytes, at most cap long, that does not end inside a
// character.
std::size_t CapAtCharBoundary(std::string_view bytes, std::size_t cap, TextEncoding e = TextEncoding::Cp932);

// Told what a run does; called on the runner's thread.
class TPreviewSink {
 public:
  virtual ~TPreviewSink() = default;
  // The next output bytes of run, as they arrive, never past the cap.
  virtual void PreviewOutput(std::uint64_t run, std::string_view bytes) = 0;
  // The end of run. Not called for a run that a newer one replaced.
  virtual void PreviewEnded(const PreviewResult& result) = 0;
};

class TPreviewRunner {
 public:
  explicit TPreviewRunner(TPreviewSink& sink, TProcessLauncher& launcher = DefaultProcessLauncher());
  // Kills what runs and waits for the thread.
  ~TPreviewRunner();
  TPreviewRunner(const TPreviewRunner&) = delete;
  TPreviewRunner& operator=(const TPreviewRunner&) = delete;

  // Replaces whatever runs (its process group is killed) or waits, and
  // answers the new run's number (increasing from 1).
  std::uint64_t Submit(PreviewRequest request);
  // Kills what runs and forgets what waits.
  void Cancel();
  // The run now under way or waiting, 0 when idle.
  std::uint64_t Pending() const;

 private:
  void Loop();
  PreviewResult RunOne(std::uint64_t run, const PreviewRequest& request, const std::atomic<bool>& cancel);

  TPreviewSink& sink_;
  TProcessLauncher& launcher_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::optional<PreviewRequest> waiting_;
  std::uint64_t nextRun_ = 0;
  std::uint64_t waitingRun_ = 0;
  std::uint64_t runningRun_ = 0;
  std::shared_ptr<std::atomic<bool>> runningCancel_;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace tolvan
