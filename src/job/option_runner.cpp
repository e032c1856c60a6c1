#include "job/option_runner.h"

#include "job/process.h"
#include "job/runners.h"

namespace tolvan {

void RunOptionRunner(const std::string& awkPath, const std::string& locale, std::string& outBytes,
                     std::string& errBytes, const std::function<void()>& onCycle) {
  if (awkPath.empty()) return;
  ProcessRequest req;
  req.Argv = {awkPath};
  req.Locale = locale;
  req.Stdin = StdinSource::ClosedPipe;
  ProcessSinks sinks;
  sinks.Out = &outBytes;
  sinks.Err = &errBytes;
  sinks.OnCycle = onCycle;
  ProcessResult r = DefaultProcessLauncher().Run(req, sinks);
  if (r.Outcome == ProcessOutcome::NotStarted) errBytes += CannotStartMessage(awkPath, r.StartError);
  if (r.Signal != 0) errBytes += KilledBySignalMessage(awkPath, r.Signal);
}

}  // namespace tolvan
