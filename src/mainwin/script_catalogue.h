// The scripts tree beside the executable: which folders and scripts are
// listed, where a script lives, and the template of a new script.
//
// "Plain" entries are what the lists show: not hidden (no leading "."),
// readable, and a regular file or folder once symbolic links are followed
// (a link to a script or a folder of scripts is listed; a dangling link,
// a device, a pipe or a socket is not).
#pragma once

#include <QString>
#include <QStringList>

#include "core/program_paths.h"

namespace tolvan {

inline constexpr const char* kTopFolderText = "scripts";

// Subfolders of the scripts folder, without "One-Liner", sorted without
// regard to letter case ("scripts" itself is not included). Folders whose
// names are not UTF-8 cannot be listed; they go to *leftOut as full paths
// shown to the user.
QStringList ListScriptFolders(const ProgramPaths& paths, QStringList* leftOut = nullptr);

// Plain files of a folder (folderText "scripts" = the top folder), sorted
// without regard to letter case; those whose names are not UTF-8 go to
// *leftOut as above.
QStringList ListScripts(const ProgramPaths& paths, const QString& folderText, QStringList* leftOut = nullptr);

// Full path of a script; folderText "scripts" stands for the top folder.
QString ScriptFolderPath(const ProgramPaths& paths, const QString& folderText);
QString ScriptPath(const ProgramPaths& paths, const QString& folderText, const QString& name);

// The nine lines of a new script, each ended by CR LF.
extern const char kScriptTemplate[];

// Creates path with the template. Refuses (false, *exists set) when
// anything already stands at path, listed or not, so no file is ever
// replaced; false on a write failure.
bool CreateScriptFromTemplate(const QString& path, bool* exists = nullptr);

// The order of the lists: without regard to case, then by the exact text.
bool CaseLess(const QString& a, const QString& b);

// Index at which text goes into a list kept sorted without regard to case.
int SortedInsertIndex(const QStringList& items, const QString& text);

}  // namespace tolvan
