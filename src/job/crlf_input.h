// Windows text read as gawk reads it on Windows: when what a run reads
// holds CR LF line ends, records end at CR LF and the carriage return is
// not part of the record. gawk gets `-v RS=\r?\n` ahead of the option box's
// words, so a -v RS of the user's, and RS set in the script, still win.
// Every run over input (the job, the preview) decides it here.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "job/command_line.h"
#include "settings/settings.h"

namespace tolvan {

// How much of each input is looked at.
inline constexpr std::size_t kCrLfProbeBytes = 64 * 1024;

// The words added, and how the command-line text shows them.
inline constexpr const char* kCrLfRecordWord = "RS=\\r?\\n";
inline constexpr const char* kCrLfRecordText = "-v 'RS=\\r?\\n'";

// A CR LF that starts within the first kCrLfProbeBytes of bytes.
bool HoldsCrLf(std::string_view bytes);
// The same for the start of a file; false for anything but a regular file
// that can be read (never waits on a pipe or a device).
bool FileHoldsCrLf(const std::string& path);

// True when option words put gawk in a mode without regular-expression
// record separators (--traditional, --posix and their short forms): only
// RS's first character would count there, and records would end at CR.
bool OptionsForbidRegexRs(const std::vector<std::string>& words);

// What a run reads: input files, and text handed over directly (the
// preview's clipboard sample).
struct CrLfInputs {
  std::vector<std::string> Files;
  std::string_view Text;
};

// base with the record separator put before the option words (Argv and
// Text alike) when the setting asks for it for these inputs; else base.
BaseCommandLine WithCrLfRecords(const BaseCommandLine& base, CrLfInput setting, const CrLfInputs& inputs);

}  // namespace tolvan
