// gawk's diagnostics read back from its standard error: errors and
// warnings with the line they name, whether gawk speaks English or
// Japanese. The editor's problems list and the preview's row mark both
// read gawk's messages through this one parser.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/encoding.h"

namespace tolvan {

enum class GawkMessageKind { Error, Warning };

// Where a message's line number points.
enum class GawkMessagePlace {
  None,         // no line named ("gawk: fatal: cannot open ...")
  Script,       // the script as its name is given
  CommandLine,  // a program given on the command line ("cmd. line:N")
  OtherFile,    // another source file (an -f or @include of its own)
};

struct GawkMessage {
  GawkMessageKind Kind = GawkMessageKind::Error;
  GawkMessagePlace Place = GawkMessagePlace::None;
  int Line = 0;  // 1-based; 0 with Place None
  // What went wrong, without gawk's name, the place or the severity word;
  // another file's name and line stay in front of it. Bytes as gawk wrote
  // them (the locale's encoding).
  std::string Text;
  bool operator==(const GawkMessage&) const = default;
};

// Every diagnostic in gawk's standard error, in order. A line counts when
// it starts "<program>: " and names a place or a severity ("warning: ",
// "error: ", "fatal: ", or their Japanese forms in encoding e); anything
// else (what the script itself wrote to standard error) is left out. The
// source line gawk echoes before a "^ message" line becomes one error
// with that message. scriptName is the name gawk's messages use for the
// script (TPreparedScript puts it back in place of the copy's).
std::vector<GawkMessage> ParseGawkMessages(std::string_view errorText, std::string_view scriptName,
                                           TextEncoding e = TextEncoding::Cp932);

}  // namespace tolvan
