// The keys of the settings file's AWKEXE and Editor sections, with their
// defaults, and the main window's load and save in their fixed order.
// Text values are the file's own CP932 bytes.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/encoding.h"
#include "settings/ini_file.h"

namespace tolvan {

inline constexpr const char* kSectionAwkExe = "AWKEXE";
inline constexpr const char* kSectionEditor = "Editor";
inline constexpr const char* kSectionProperty = "property";

// When a job's records end at CR LF rather than LF alone (AWKEXE CrLfInput):
// Auto when an input it reads holds a CR LF, Always, or Never (gawk's own
// reading). Stored as "auto", "always", "never".
enum class CrLfInput { Auto, Always, Never };
const char* CrLfInputName(CrLfInput v);
// The stored name in any letter case; nothing for anything else.
std::optional<CrLfInput> ParseCrLfInput(std::string_view name);

// What the main window keeps of the settings file.
struct MainSettings {
  std::string Path;            // the awk interpreter; empty means not set
  std::string Ext = ".awk";    // extension of new scripts, with its dot
  std::string Pref = "new_";   // prefix of output files in new-files mode
  bool SCmdLn = false;         // one command line for all inputs
  bool SClickOpen = false;     // open a script the moment it is picked
  int ScriptQuote = 0;         // 0 single quote, 1 double quote
  std::string Option;          // text of the option box
  bool ExEditor = false;       // edit with the desktop's program
  int Parallel = 1;            // gawk runs at once in a job over an input list
  // Encoding of one-liners and the option box in a job (AWKEXE Encoding).
  TextEncoding Encoding = TextEncoding::Cp932;
  // Encoding of a new script (Editor NewEncoding).
  TextEncoding NewScriptEncoding = TextEncoding::Cp932;
  CrLfInput CrLf = CrLfInput::Auto;  // AWKEXE CrLfInput
  // Set while Path stands in for a stored Path that cannot run: what saving
  // writes back, so the file changes only once the user sets a path.
  std::optional<std::string> PathInFile;
};

// The number of gawk runs at once, kept between 1 and the number of cores.
int ClampParallel(int n);

// Reads AWKEXE Path, Ext, Pref, SCmdLn, SClickOpen, ScriptQuote, Option,
// Parallel (clamped), Encoding, CrLfInput, then Editor ExEditor and
// NewEncoding. An encoding name not understood reads as CP932, a CrLfInput
// value not understood as auto.
MainSettings LoadMainSettings(const IniFile& ini);

// Writes in the order Path, Pref (only when not empty), Ext, SCmdLn,
// SClickOpen, ScriptQuote, Option, Parallel (only when not 1 or already in
// the file), Encoding, CrLfInput, then ExEditor, NewEncoding (each of the
// last four only when not its default or already in the file). False when
// a write failed.
bool SaveMainSettings(IniFile& ini, const MainSettings& s);

// Until a Path is stored, the gawk found on $PATH (a new user can run at
// once, in the window and in batch mode alike). A Path stored empty stays
// empty; a location CP932 cannot hold is not taken.
void FindAwkUntilStored(const IniFile& ini, MainSettings& s);

// A stored Path that is not a program that can run (a settings file from
// Windows keeps C:\gawk\bin\gawk.exe) gives way to the gawk on $PATH, as
// on a first start: Path becomes it and PathInFile keeps the stored value.
// Answers what to tell the user once (UTF-8), empty when the stored Path
// runs (or none is stored).
std::string StandInForUnusableAwk(MainSettings& s);

// Locale gawk runs in: AWKEXE Locale, the value "inherit" keeping the
// caller's; empty or missing means "C" for a CP932 job and "C.UTF-8" for a
// UTF-8 job.
std::string LoadAwkLocale(const IniFile& ini, TextEncoding job = TextEncoding::Cp932);

// An encoding setting: its name, or CP932 for anything else.
TextEncoding ReadEncoding(const IniFile& ini, const char* section, const char* key);


// What an editor window reads of the Editor section.
struct EditorSettings {
  std::string FontName = "FixedSys";
  int FontSize = 12;
  int LineSpace = 2;
  int TabSpace = 4;
  int Width = 700;
  int Height = 480;
  bool SyntaxCheck = true;  // ツール → 構文チェック
  bool Outline = false;     // ツール → アウトライン
};

EditorSettings LoadEditorSettings(const IniFile& ini);
// Font, spacing and tab width (written after the font dialog is confirmed).
bool SaveEditorFontSettings(IniFile& ini, const EditorSettings& s);
// The syntax check and the outline, as last switched.
bool SaveEditorPanes(IniFile& ini, const EditorSettings& s);
// Window size (written by the font dialog's set command).
bool SaveEditorWindowSize(IniFile& ini, const EditorSettings& s);

}  // namespace tolvan
