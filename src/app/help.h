// The help page: the executable's path + ".html", shown by the desktop's
// browser. Context 1000 is the folder-selection section.
#pragma once

#include <QUrl>

#include <functional>

#include "core/program_paths.h"

class QWidget;

namespace tolvan {

inline constexpr int kHelpContents = 0;
inline constexpr int kHelpFolderSelection = 1000;

// The page, with the section's anchor for a known context (other contexts
// open the contents).
QUrl HelpUrl(const ProgramPaths& paths, int context = kHelpContents);

// Opens the page; a missing page or a browser that cannot be started is
// reported in an error box.
void OpenHelp(const ProgramPaths& paths, int context = kHelpContents);

// What opens a URL (xdg-open, watched until it ends, unless replaced;
// nullptr restores it). Answers whether it was opened.
using UrlOpener = std::function<bool(const QUrl&)>;
void SetHelpUrlOpener(UrlOpener opener);

}  // namespace tolvan
