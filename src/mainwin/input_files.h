// How paths get into the input list: folder scans, dropped paths and the
// command-line parameters.
#pragma once

#include <QString>
#include <QStringList>

namespace tolvan {

// Plain files of a folder itself (no subfolders, no hidden or special
// files), as folder + "/" + name.
QStringList ScanFolder(const QString& folder);

// A dropped or chosen path: a folder is scanned, anything else is taken as
// it is.
QStringList ExpandDroppedPath(const QString& path);

// A command-line parameter: a folder gives every entry in it that is not a
// folder (hidden files included); a file that exists gives itself; a path
// that names nothing gives nothing.
QStringList ExpandCommandLineParameter(const QString& parameter);

// Joins a folder and a name with exactly one "/".
QString JoinPath(const QString& folder, const QString& name);

// True when output names one of the inputs: the same text without regard
// to case, or the same file reached another way (a link, "..", a relative
// path).
bool OutputIsAnInput(const QString& output, const QStringList& inputs);

}  // namespace tolvan
