// What one press of Run hands to the job thread.
#pragma once

#include <string>
#include <vector>

#include "core/encoding.h"
#include "job/command_line.h"
#include "settings/settings.h"

namespace tolvan {

enum OutputMode : int { omFilesNew = 0, omFileOverwrite = 1, omFileAppend = 2, omScreen = 3, omClipboard = 4, omNull = 5 };
enum InputMode : int { imFile = 0, imClipboard = 1, imNull = 2 };

struct TJobRecord {
  BaseCommandLine Base;
  std::string OutputName;               // mode 0: the prefix; modes 1,2: the full output path (file-system bytes)
  std::vector<std::string> InputList;   // input paths, file-system bytes
  int OutputMode = omScreen;
  int InputMode = imFile;
  bool SingleCommandLine = false;
  std::string ClipboardFile;            // full path of TEMPCLIP.txt (already written by the main window)
  std::string Locale = "C";             // gawk's LC_ALL; "inherit" keeps the caller's
  // The program text's encoding, and so that of the output, the error text
  // (the job's own messages included) and the clipboard file.
  TextEncoding Encoding = TextEncoding::Cp932;
  // gawk runs at once in the loops of one run per input; 1 runs them one
  // after another.
  int Parallel = 1;
  // Whether records end at CR LF (job/crlf_input.h); the job decides it
  // from its inputs before the first run and shows it in Base.
  CrLfInput CrLf = CrLfInput::Auto;
};

}  // namespace tolvan
