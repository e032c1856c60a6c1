// The script editor window's decisions that need no window: the comment
// toggle, the runs the row hook redraws, the save dialog's filters and the
// words every window adds to the awk scheme.
#pragma once

#include <QString>
#include <QStringList>

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "core/encoding.h"

namespace tolvan {

// The text as the control gives it (rows ending in CR LF) with its line
// ends made e. Rows may hold a lone CR or LF of their own (a line end the
// file does not use) but never a CR LF, so every CR LF is a line end.
std::string WithLineEnd(std::string crlfText, LineEnd e);

// What a file is, by DetectEncoding over its bytes (EncodingDetector over
// the pieces, so it agrees with a run), and its first line end
// (DetectLineEnd over its first 64 KiB). The file is read a piece at a time
// and no further than a piece that decides CP932, so the usual CP932 file
// costs one piece. A file that cannot be read reads as empty: the caller's
// own read reports why.
struct TFileText {
  DetectedText Text;
  LineEnd End = LineEnd::CrLf;
};
TFileText DetectFileText(const std::filesystem::path& path);

// What an untitled window shows.
extern const char* const kScriptTemplateLines[7];
// Words added to the settings scheme's reserved words when a window opens.
extern const char* const kGawkExtraWords[22];

// Each line of the selected text: an empty line becomes "#", a line that
// starts with "#" loses it, any other line gets "#" in front. Every line of
// the result ends with CR LF; a line break ending the text ends its last
// line rather than making another one. An empty text gives an empty text.
std::string ToggleComment(std::string_view selected);

// How the row hook redraws a run of bytes.
enum class TOverdrawKind {
  Dbcs,     // a double-byte (CP932) or non-ASCII (UTF-8) character in code: the text colour on red
  Comment,  // the settings scheme's comment colour and style
  Str,      // the settings scheme's string colour and style
  Plain,    // black, no style (quotes, slashes, regular expressions, a stray $)
};

struct TOverdrawRun {
  int Pos = 0;  // first byte (0-based) of the run in the row
  int Len = 0;
  TOverdrawKind Kind = TOverdrawKind::Plain;
  bool operator==(const TOverdrawRun&) const = default;
};

// The runs redrawn over a painted row, in order: characters in code that
// are not ASCII (CP932: double-byte ones; half-width katakana are single
// bytes and stay), "#" to the end of the row, string bodies between double
// quotes, regular expressions between slashes (a backslash escapes the
// byte after it; multi-byte characters are whole inside them too), and a
// "$" that is last or not followed by a digit, a letter or "(".
std::vector<TOverdrawRun> OverdrawRuns(std::string_view row, TextEncoding e = TextEncoding::Cp932);

// The save dialog's filters for a script extension with its dot: shown as
// "awk スクリプト(*.awk)" matching *.AWK (any letter case), and all files.
QStringList ScriptNameFilters(const QString& ext);

}  // namespace tolvan
