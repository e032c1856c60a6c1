// The locale gawk runs in for a job of each encoding. gawk reads characters
// only in a locale of the text's encoding: in the plain C locale a CP932
// job's /東/ matches inside ン見 and length("東京") is 4. glibc has no CP932
// locale of its own, so one is compiled with localedef on first need, in
// the user's cache folder (it is derived data, made again at will, and
// belongs to the machine rather than to a copy of the program: one made for
// this glibc serves every copy), in a folder named after the running glibc
// (a compiled locale is valid only for the glibc that made it); never in a
// system folder.
#pragma once

#include <filesystem>
#include <string>

#include "core/encoding.h"
#include "settings/ini_file.h"

namespace tolvan {

inline constexpr const char* kCp932LocaleName = "ja_JP.CP932";

// $XDG_CACHE_HOME/tolvan/locale, or ~/.cache/tolvan/locale.
std::filesystem::path LocaleCacheFolder();

// <root>/glibc-<version>/ja_JP.CP932
std::filesystem::path Cp932LocaleFolder(const std::filesystem::path& root = LocaleCacheFolder());

// Compiles the CP932 locale into folder (through a temporary folder beside
// it, renamed into place, so a half-made locale is never used). Empty when
// the locale is there afterwards; else why not (UTF-8, with localedef's own
// words).
std::string MakeCp932Locale(const std::filesystem::path& folder, const std::string& localedef = "localedef");

struct JobLocale {
  // As ProcessRequest::Locale takes it: a locale name, "inherit", or the
  // folder of a compiled locale.
  std::string Locale;
  // Why a CP932 job runs in C after all (UTF-8), else empty.
  std::string Problem;
  // True the first time this process meets that problem for that folder:
  // the caller says it, once.
  bool SayProblem = false;
};

// The one rule, for Run, batch mode, the preview and the debugger: the
// AWKEXE Locale setting when set; else a UTF-8 job runs in C.UTF-8 and a
// CP932 job in the CP932 locale, made now when missing; C when it cannot be
// made (tried once per process).
JobLocale LocaleForJob(const IniFile& ini, TextEncoding e, const std::filesystem::path& root = LocaleCacheFolder(),
                       const std::string& localedef = "localedef");

// What the user is told, once, when Problem is set (UTF-8).
std::string LocaleProblemText(const std::string& problem);

// What a job of this encoding would run in, without making anything, for
// the environment dialog (UTF-8): the locale's name, and where it lives or
// that it is still to be made.
std::string DescribeJobLocale(const IniFile& ini, TextEncoding e, const std::filesystem::path& root = LocaleCacheFolder());

// True when gawk in this locale reads CP932 double-byte characters whole,
// so a trail byte 0x5C is not a backslash to it ("inherit": the caller's
// environment).
bool LocaleReadsCp932(const std::string& locale);

}  // namespace tolvan
