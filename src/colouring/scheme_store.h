// The main window's awk scheme in the settings file (section "property",
// entry "GawkFountain").
#pragma once

#include <memory>

#include "colouring/gawk_fountain.h"
#include "settings/ini_file.h"

namespace tolvan {

inline constexpr const char* kSchemeSection = "property";
inline constexpr const char* kGawkSchemeIdent = "GawkFountain";

// Loads the stored awk scheme into scheme; throws std::runtime_error (message in UTF-8) when the stored value cannot be read, leaving scheme unchanged.
void LoadStoredGawkScheme(IniFile& ini, TGawkFountain& scheme);
// Stores scheme (this is what creates the settings file on a first start). False when the file cannot be written.
bool StoreGawkScheme(IniFile& ini, const TGawkFountain& scheme);
// The main window's built-in awk scheme: the 43 words, no colours.
std::unique_ptr<TGawkFountain> CreateMainWindowGawkScheme();

// The editor window's scheme before anything is loaded: the 43 words less
// "int" plus "END", reserved words blue, comments red, strings grey, fields
// green and bold.
std::unique_ptr<TGawkFountain> CreateEditorSettingsGawkScheme();

}  // namespace tolvan
