// The editor's syntax check: gawk reads the script as it stands in the
// editor (--lint, -o/dev/null: parsed and pretty-printed to nowhere, never
// run) and its diagnostics come back parsed. The preview runner's pieces
// do the work (the private copy, the 0x5C handling, the sandbox, one gawk
// at a time, the newest text replacing a check under way); no window.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "job/gawk_messages.h"
#include "job/preview_runner.h"

namespace tolvan {

struct CheckRequest {
  std::string AwkPath;      // file-system bytes
  std::string Options;      // the option box text, filtered as for the preview
  std::string Locale = "C"; // LC_ALL, as for a job
  std::string ScriptText;   // as the editor holds it, in Encoding
  std::string ScriptName;   // what the messages call the script, in Encoding
  TextEncoding Encoding = TextEncoding::Cp932;
};

struct CheckResult {
  std::uint64_t Run = 0;
  // False when gawk could not run (or the options could not be split):
  // Refusal says why, in the request's encoding.
  bool Ran = true;
  std::string Refusal;
  std::vector<GawkMessage> Messages;
};

class TCheckSink {
 public:
  virtual ~TCheckSink() = default;
  // Called on the runner's thread; not for a check a newer one replaced.
  virtual void CheckEnded(const CheckResult& result) = 0;
};

class TCheckRunner {
 public:
  explicit TCheckRunner(TCheckSink& sink, TProcessLauncher& launcher = DefaultProcessLauncher());
  TCheckRunner(const TCheckRunner&) = delete;
  TCheckRunner& operator=(const TCheckRunner&) = delete;

  // Kills the check under way (its process group) and forgets what waits;
  // answers the new check's number (increasing from 1).
  std::uint64_t Submit(const CheckRequest& request);
  void Cancel() { runner_.Cancel(); }
  std::uint64_t Pending() const { return runner_.Pending(); }

 private:
  class Adapter : public TPreviewSink {
   public:
    explicit Adapter(TCheckSink& sink) : sink_(sink) {}
    void PreviewOutput(std::uint64_t, std::string_view) override {}
    void PreviewEnded(const PreviewResult& result) override;

   private:
    TCheckSink& sink_;
  };
  Adapter adapter_;
  TPreviewRunner runner_;  // after the adapter: it reports into it
};

}  // namespace tolvan
