#include "job/command_line.h"

#include "core/codepage.h"
#include "job/shell_words.h"

namespace tolvan {

namespace {

// ASCII letters fold; the bytes of a double-byte character are compared as
// they are, since a trail byte may look like a letter.
bool SameIgnoringCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  std::size_t i = 0;
  while (i < a.size()) {
    std::size_t len = cp932::CharLength(a, i);
    if (len == 2) {
      if (a.compare(i, 2, b, i, 2) != 0) return false;
    } else {
      auto up = [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; };
      if (up(a[i]) != up(b[i])) return false;
    }
    i += len;
  }
  return true;
}

bool IsIdentStart(char c) { return c == '_' || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsIdentChar(char c) { return IsIdentStart(c) || (c >= '0' && c <= '9'); }

}  // namespace

ComposeResult ComposeBaseCommandLine(const CommandLineInputs& in) {
  ComposeResult r;
  BaseCommandLine& line = r.Line;
  if (in.OneLiner) {
    const char q = in.DoubleQuote ? '"' : '\'';
    line.Text = in.AwkPath + " " + in.Options + " " + q + in.OneLinerText + q + " ";
  } else {
    line.Text = in.AwkPath + " " + in.Options + " -f \"" + in.ScriptPath + "\"";
  }

  ShellWordsResult words = SplitShellWords(in.Options);
  if (!words.Ok) {
    r.Ok = false;
    r.Error = kUnbalancedQuoteError;
    return r;
  }
  line.Argv.push_back(in.AwkPath);
  for (auto& w : words.Words) line.Argv.push_back(std::move(w));
  if (in.OneLiner) {
    line.ScriptIsFile = false;
    line.ScriptIndex = static_cast<int>(line.Argv.size());
    line.Argv.push_back(in.OneLinerText);
  } else {
    line.Argv.push_back("-f");
    line.ScriptIsFile = true;
    line.ScriptIndex = static_cast<int>(line.Argv.size());
    line.Argv.push_back(in.ScriptPath);
  }
  return r;
}

void UpdateOptionHistory(std::vector<std::string>& history, const std::string& optionText) {
  if (optionText.empty()) return;
  for (std::size_t i = 0; i < history.size(); ++i) {
    if (!SameIgnoringCase(history[i], optionText)) continue;
    if (i == 0) return;
    history.erase(history.begin() + static_cast<std::ptrdiff_t>(i));
    history.insert(history.begin(), optionText);
    return;
  }
  history.insert(history.begin(), optionText);
}

std::string InputArgument(const std::string& path) {
  if (path.empty() || path[0] == '/') return path;
  // gawk reads "-" as standard input and, after "-f script", "-name" as options.
  if (path[0] == '-') return "./" + path;
  if (IsIdentStart(path[0])) {
    std::size_t i = 1;
    while (i < path.size() && IsIdentChar(path[i])) ++i;
    if (i < path.size() && path[i] == '=') return "./" + path;
  }
  return path;
}

CommandLine WithInputFile(const BaseCommandLine& base, const std::string& path) {
  CommandLine c{base.Text + " \"" + path + "\"", base.Argv};
  c.Argv.push_back(InputArgument(path));
  return c;
}

CommandLine WithAllInputs(const BaseCommandLine& base, const std::vector<std::string>& paths) {
  CommandLine c{base.Text + " ", base.Argv};
  for (const auto& p : paths) {
    c.Text += "\"" + p + "\" ";
    c.Argv.push_back(InputArgument(p));
  }
  return c;
}

CommandLine WithoutInput(const BaseCommandLine& base) { return CommandLine{base.Text, base.Argv}; }

}  // namespace tolvan
