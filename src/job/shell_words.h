// Splits option text into words the way a POSIX shell quotes, with no
// expansion of any kind: no variables, no globbing, no tilde, no commands.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tolvan {

struct ShellWordsResult {
  bool Ok = true;
  std::vector<std::string> Words;
};

// Words are separated by spaces, tabs and line breaks (CR counts as one, since
// the option box may hold text pasted from Windows). Single quotes keep
// everything up to the next single quote; double quotes keep everything up to
// the next double quote, a backslash there escaping only $ ` " \ and a line
// break; outside quotes a backslash keeps the next character. The text is
// CP932: a 0x5C that is the second byte of a double-byte character is a
// plain byte, never a backslash. A quote left open fails (Ok false) rather
// than guessing where the user meant it to end.
ShellWordsResult SplitShellWords(std::string_view cp932Text);

}  // namespace tolvan
