#include "job/check_runner.h"

namespace tolvan {

TCheckRunner::TCheckRunner(TCheckSink& sink, TProcessLauncher& launcher) : adapter_(sink), runner_(adapter_, launcher) {}

std::uint64_t TCheckRunner::Submit(const CheckRequest& request) {
  PreviewRequest p;
  p.AwkPath = request.AwkPath;
  p.Options = request.Options;
  p.Locale = request.Locale;
  p.ScriptText = request.ScriptText;
  p.ScriptName = request.ScriptName;
  p.Encoding = request.Encoding;
  p.Lint = true;
  p.ParseOnly = true;
  // Nothing is printed; the cap only bounds what a strange gawk might write.
  p.OutputCap = 4096;
  return runner_.Submit(std::move(p));
}

void TCheckRunner::Adapter::PreviewEnded(const PreviewResult& result) {
  CheckResult out;
  out.Run = result.Run;
  if (result.End == PreviewEnd::NotStarted) {
    out.Ran = false;
    out.Refusal = result.Error;
  } else {
    out.Messages = ParseGawkMessages(result.Error, result.ScriptName, result.Encoding);
    // gawk 5.2's pretty-printer (profile.c), which -o runs once the whole
    // program has been read, stops at the opcodes --lint adds ("unexpected
    // opcode Op_lint_plus" for any "+"). It says so in English in every
    // locale; it is no fault of the script, and everything reading found
    // has been said before it.
    std::erase_if(out.Messages, [](const GawkMessage& m) {
      return m.Kind == GawkMessageKind::Error && m.Text.starts_with("internal error: file profile.c");
    });
  }
  sink_.CheckEnded(out);
}

}  // namespace tolvan
