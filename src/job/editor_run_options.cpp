#include "job/editor_run_options.h"

#include <algorithm>
#include <string_view>

namespace tolvan {
namespace {

enum class Arg { None, Required, Optional };

struct LongOption {
  std::string_view Name;
  Arg Takes;
  bool Dropped;
};

// gawk 5's long options (also those its --help leaves out). Dropped: the
// ones that write files (dump, profile, pretty-print, persistent memory),
// start its debugger, print something else instead of running, or run
// another program file and end option processing (--exec).
constexpr LongOption kLongOptions[] = {
    {"assign", Arg::Required, false},         {"bignum", Arg::None, false},
    {"characters-as-bytes", Arg::None, false}, {"copyright", Arg::None, true},
    {"debug", Arg::Optional, true},           {"dump-variables", Arg::Optional, true},
    {"exec", Arg::Required, true},            {"field-separator", Arg::Required, false},
    {"file", Arg::Required, false},           {"gen-pot", Arg::None, true},
    {"help", Arg::None, true},                {"include", Arg::Required, false},
    {"lint", Arg::Optional, false},           {"lint-old", Arg::None, false},
    {"load", Arg::Required, false},           {"no-optimize", Arg::None, false},
    {"non-decimal-data", Arg::None, false},   {"nostalgia", Arg::None, true},
    {"optimize", Arg::None, false},           {"persist", Arg::Optional, true},
    {"posix", Arg::None, false},              {"pretty-print", Arg::Optional, true},
    {"profile", Arg::Optional, true},         {"re-interval", Arg::None, false},
    {"sandbox", Arg::None, false},            {"source", Arg::Required, false},
    {"trace", Arg::None, false},              {"traditional", Arg::None, false},
    {"use-lc-numeric", Arg::None, false},     {"version", Arg::None, true},
};

// Short options as gawk's option string has them.
Arg ShortTakes(char c) {
  switch (c) {
    case 'F': case 'f': case 'v': case 'e': case 'E': case 'i': case 'l': case 'W': return Arg::Required;
    case 'd': case 'D': case 'L': case 'o': case 'p': return Arg::Optional;
    default: return Arg::None;
  }
}

bool ShortDropped(char c) { return std::string_view("dDopECghV").find(c) != std::string_view::npos; }

// As getopt_long matches: an exact name, else a unique prefix; nullptr
// when unknown or ambiguous (gawk then stops with its usage text).
const LongOption* FindLong(std::string_view name) {
  const LongOption* found = nullptr;
  for (const LongOption& o : kLongOptions) {
    if (o.Name == name) return &o;
    if (o.Name.substr(0, name.size()) == name) {
      if (found) return nullptr;
      found = &o;
    }
  }
  return name.empty() ? nullptr : found;
}

std::string Joined(const std::vector<std::string>& words, std::size_t from, std::size_t to) {
  std::string s;
  for (std::size_t k = from; k < to; ++k) s += (k > from ? " " : "") + words[k];
  return s;
}

}  // namespace

FilteredOptions FilterEditorRunOptions(const std::vector<std::string>& words) {
  FilteredOptions out;
  std::size_t i = 0;
  // The long option "--text" at word i: answers the index after it.
  auto takeLong = [&](std::string_view text, std::size_t first) {
    const std::size_t eq = text.find('=');
    const LongOption* o = FindLong(text.substr(0, eq));
    std::size_t next = i + 1;
    if (o && o->Takes == Arg::Required && eq == std::string_view::npos && next < words.size()) ++next;
    if (o && o->Dropped) out.Dropped.push_back(Joined(words, first, next));
    else out.Kept.insert(out.Kept.end(), words.begin() + first, words.begin() + next);
    return next;
  };
  while (i < words.size()) {
    const std::string& w = words[i];
    if (w == "--" || w.size() < 2 || w[0] != '-') break;  // gawk reads no further options
    if (w[1] == '-') {
      i = takeLong(std::string_view(w).substr(2), i);
      continue;
    }
    // A cluster of short options; an option with an argument ends it.
    std::string kept = "-";
    std::vector<std::string> keptArgs;  // argument words after the kept cluster
    std::size_t next = i + 1;
    for (std::size_t k = 1; k < w.size(); ++k) {
      const char c = w[k];
      const Arg takes = ShortTakes(c);
      if (takes == Arg::None) {
        if (ShortDropped(c)) out.Dropped.push_back(std::string("-") + c);
        else kept += c;
        continue;
      }
      const std::string arg = w.substr(k + 1);
      const bool separate = takes == Arg::Required && arg.empty() && next < words.size();
      if (separate) ++next;
      const std::string typedArg = separate ? " " + words[i + 1] : arg;
      if (c == 'W') {
        // -W name is --name, whose own argument may be a further word.
        const std::string text = separate ? words[i + 1] : arg;
        const std::size_t eq = text.find('=');
        const LongOption* o = FindLong(std::string_view(text).substr(0, eq));
        std::size_t after = next;
        if (o && o->Takes == Arg::Required && eq == std::string::npos && after < words.size()) ++after;
        if (o && o->Dropped) {
          out.Dropped.push_back("-W" + typedArg + (after > next ? " " + Joined(words, next, after) : ""));
        } else {
          kept += c + arg;
          keptArgs.assign(words.begin() + static_cast<std::ptrdiff_t>(i + 1), words.begin() + static_cast<std::ptrdiff_t>(after));
        }
        next = after;
      } else if (ShortDropped(c)) {
        out.Dropped.push_back(std::string("-") + c + typedArg);
      } else {
        kept += c + arg;
        if (separate) keptArgs.push_back(words[i + 1]);
      }
      break;
    }
    if (kept.size() > 1) out.Kept.push_back(kept);
    out.Kept.insert(out.Kept.end(), keptArgs.begin(), keptArgs.end());
    i = next;
  }
  out.Kept.insert(out.Kept.end(), words.begin() + static_cast<std::ptrdiff_t>(i), words.end());
  return out;
}

std::vector<std::string> DropEditorRunOptions(BaseCommandLine& base) {
  if (base.ScriptIndex < 1) return {};
  const std::size_t end = static_cast<std::size_t>(base.ScriptIndex) - (base.ScriptIsFile ? 1 : 0);
  if (end > base.Argv.size() || end < 1) return {};
  const std::vector<std::string> words(base.Argv.begin() + 1, base.Argv.begin() + static_cast<std::ptrdiff_t>(end));
  FilteredOptions f = FilterEditorRunOptions(words);
  if (f.Dropped.empty()) return {};
  base.Argv.erase(base.Argv.begin() + 1, base.Argv.begin() + static_cast<std::ptrdiff_t>(end));
  base.Argv.insert(base.Argv.begin() + 1, f.Kept.begin(), f.Kept.end());
  base.ScriptIndex -= static_cast<int>(words.size() - f.Kept.size());
  return f.Dropped;
}

}  // namespace tolvan
