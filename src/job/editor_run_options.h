// What the option box may bring into a run the editor starts on its own
// (the preview, the syntax check, the debugger). gawk writes files or
// leaves its normal run for some options even under --sandbox (a variable
// dump, a profile, a pretty-printed program, its debugger, a version or help
// text, another program file that ends option processing), and such a run
// happens after every pause in typing. Those options are taken out here,
// in one place; a run that needs one adds it itself.
#pragma once

#include <string>
#include <vector>

#include "job/command_line.h"

namespace tolvan {

// The option words gawk would read as one of those options, parsed as gawk
// parses them: short options alone or in clusters ("-nd"), attached or
// separate arguments, long options and their unique abbreviations, "-W
// name"; parsing stops where gawk's does (the first word that is not an
// option, or "--"). Answers the kept words and, as typed, the dropped
// ones (an option with its argument word).
struct FilteredOptions {
  std::vector<std::string> Kept;
  std::vector<std::string> Dropped;
};
FilteredOptions FilterEditorRunOptions(const std::vector<std::string>& words);

// Filters the option words of a composed command line in place (the words
// between the program and the script, ScriptIndex moved with them) and
// answers what was dropped. The command-line text is left as composed.
std::vector<std::string> DropEditorRunOptions(BaseCommandLine& base);

}  // namespace tolvan
