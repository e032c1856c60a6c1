// gawk command lines: the text the user sees (composed exactly as the
// Windows program did, pieces inserted unchanged) and, beside it, the
// argument vector that the text stands for, which is what actually runs.
// Nothing here is ever handed to a shell.
#pragma once

#include <string>
#include <vector>

namespace tolvan {

struct CommandLineInputs {
  std::string AwkPath;        // file-system path bytes (UTF-8)
  std::string Options;        // option box text, CP932 bytes
  bool OneLiner = false;
  std::string ScriptPath;     // file script: full path, file-system bytes
  std::string OneLinerText;   // one-line script, CP932 bytes
  bool DoubleQuote = false;   // quote choice "”"
};

struct BaseCommandLine {
  std::string Text;
  // awk path, option words, then "-f" + script path or the one-liner text.
  std::vector<std::string> Argv;
  // Where the program text sits in Argv: the script path (ScriptIsFile) or
  // the one-line text; -1 when unknown. The job uses it to double 0x5C
  // trail bytes, which gawk's lexer would otherwise take as escapes.
  int ScriptIndex = -1;
  bool ScriptIsFile = false;
};

// A command line for one run: the base plus a tail.
struct CommandLine {
  std::string Text;
  std::vector<std::string> Argv;
};

struct ComposeResult {
  bool Ok = true;
  std::string Error;  // UTF-8, for a message box
  BaseCommandLine Line;
};

// Shown when the option text leaves a quote open.
inline constexpr const char* kUnbalancedQuoteError = "オプションの引用符が閉じていません";

// The text is always composed; Ok is false (and Argv empty) only when the
// option text cannot be split into words.
ComposeResult ComposeBaseCommandLine(const CommandLineInputs& in);

// Puts the option text at the top of the history: a new text is inserted,
// a text matching the top entry (ignoring case) leaves the history as it is
// (keeping that entry's case), a text matching a lower entry moves there in
// the case just typed. Empty text changes nothing. No size limit.
void UpdateOptionHistory(std::vector<std::string>& history, const std::string& optionText);

// Tails. One input file (also the clipboard file): base + ` "path"`.
CommandLine WithInputFile(const BaseCommandLine& base, const std::string& path);
// All inputs on one line: base + " " + `"p" ` for every path.
CommandLine WithAllInputs(const BaseCommandLine& base, const std::vector<std::string>& paths);
// No input: the base unchanged.
CommandLine WithoutInput(const BaseCommandLine& base);

// The argument that makes gawk open path as a file: a relative name that
// gawk would read as standard input ("-"), as options ("-name", after
// "-f script") or as a variable assignment ("name=value") gets "./" in
// front; every other path is passed as it is.
std::string InputArgument(const std::string& path);

}  // namespace tolvan
