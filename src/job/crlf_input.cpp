#include "job/crlf_input.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace tolvan {

namespace {

bool IsPrefixOf(std::string_view name, std::string_view full) {
  return !name.empty() && full.substr(0, name.size()) == name;
}

// gawk takes any unambiguous start of a long option's name; an ambiguous
// one stops gawk before it reads anything.
bool NamesCompatMode(std::string_view name) {
  name = name.substr(0, name.find('='));
  return IsPrefixOf(name, "traditional") || IsPrefixOf(name, "compat") || IsPrefixOf(name, "posix");
}

bool LongOptionTakesNextWord(std::string_view name) {
  for (std::string_view full : {"assign", "file", "field-separator", "source", "exec", "include", "load"})
    if (IsPrefixOf(name, full)) return true;
  return false;
}

// The option box's words in a base command line: after the awk path, up to
// "-f" and the script path, or the one-line text.
std::vector<std::string> OptionWords(const BaseCommandLine& base) {
  std::size_t end = base.Argv.size();
  if (base.ScriptIndex >= 1) end = static_cast<std::size_t>(base.ScriptIndex) - (base.ScriptIsFile ? 1 : 0);
  if (end > base.Argv.size() || end < 1) return {};
  return std::vector<std::string>(base.Argv.begin() + 1, base.Argv.begin() + static_cast<std::ptrdiff_t>(end));
}

}  // namespace

bool HoldsCrLf(std::string_view bytes) {
  // One byte past the probe: a pair whose CR is the probe's last byte counts.
  return bytes.substr(0, kCrLfProbeBytes + 1).find("\r\n") != std::string_view::npos;
}

bool FileHoldsCrLf(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return false;
  struct stat st {};
  std::string head;
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
    head.resize(kCrLfProbeBytes + 1);
    std::size_t got = 0;
    while (got < head.size()) {
      const ssize_t n = ::read(fd, head.data() + got, head.size() - got);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      got += static_cast<std::size_t>(n);
    }
    head.resize(got);
  }
  ::close(fd);
  return HoldsCrLf(head);
}

bool OptionsForbidRegexRs(const std::vector<std::string>& words) {
  for (std::size_t i = 0; i < words.size(); ++i) {
    const std::string_view w = words[i];
    // gawk's options end at "--" or at the first word that is not one.
    if (w.size() < 2 || w[0] != '-' || w == "--") return false;
    if (w[1] == '-') {
      const std::string_view name = w.substr(2);
      if (NamesCompatMode(name)) return true;
      if (name.find('=') == std::string_view::npos && LongOptionTakesNextWord(name)) ++i;
      continue;
    }
    for (std::size_t k = 1; k < w.size(); ++k) {
      const char c = w[k];
      if (c == 'c' || c == 'P') return true;
      const bool last = k + 1 == w.size();
      if (c == 'W') {  // -W and a long option's name, attached or the next word
        const std::string_view name = last ? (++i < words.size() ? std::string_view(words[i]) : "") : w.substr(k + 1);
        if (NamesCompatMode(name)) return true;
        break;
      }
      if (std::strchr("FfveEil", c)) {  // a value: the rest, or the next word
        if (last) ++i;
        break;
      }
      if (std::strchr("dDLop", c)) break;  // an optional value, attached only
    }
  }
  return false;
}

BaseCommandLine WithCrLfRecords(const BaseCommandLine& base, CrLfInput setting, const CrLfInputs& inputs) {
  if (setting == CrLfInput::Never || base.Argv.empty()) return base;
  if (OptionsForbidRegexRs(OptionWords(base))) return base;
  if (setting == CrLfInput::Auto) {
    bool found = HoldsCrLf(inputs.Text);
    for (std::size_t i = 0; !found && i < inputs.Files.size(); ++i) found = FileHoldsCrLf(inputs.Files[i]);
    if (!found) return base;
  }
  BaseCommandLine out = base;
  out.Argv.insert(out.Argv.begin() + 1, {"-v", kCrLfRecordWord});
  if (out.ScriptIndex >= 0) out.ScriptIndex += 2;
  // The text starts with the awk path; the assignment goes right after it.
  const std::string& awk = base.Argv[0];
  if (base.Text.compare(0, awk.size(), awk) == 0)
    out.Text.insert(awk.size(), std::string(" ") + kCrLfRecordText);
  else
    out.Text.insert(0, std::string(kCrLfRecordText) + " ");
  return out;
}

}  // namespace tolvan
