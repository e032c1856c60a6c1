// How paths get into the input list: folder scans, dropped paths and the
// command-line parameters.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <vector>

namespace tolvan {

// Qt reads every file name as UTF-8: an entry whose name is not UTF-8
// (Shift-JIS names from Windows archives) is skipped by its listings and
// cannot be opened through it. Such entries are found here so the caller
// can tell the user which ones were left out.
struct TNonUtf8Entry {
  QByteArray name;  // the name's bytes as the file system holds them
  bool folder = false, file = false;  // once symbolic links are followed
  bool Hidden() const { return name.startsWith('.'); }
};
std::vector<TNonUtf8Entry> NonUtf8Entries(const QString& folder);
// How such a name is shown: its bytes read as Shift-JIS, their usual origin.
QString ShowNonUtf8Name(const QByteArray& name);
// True when a path's bytes do not survive Qt's reading as UTF-8.
bool IsNonUtf8Path(const QByteArray& path);

// The order of the input list: letter case ignored, then by code.
bool InputOrderLess(const QString& a, const QString& b);

// The one expansion of a folder into inputs, for the folder button, a drop,
// a command-line parameter and batch mode alike: the plain files of the
// folder itself (a link to one counts; no subfolders, no hidden or special
// files), as folder + "/" + name, in the input list's order. Plain files
// whose names are not UTF-8 are added to *leftOut as shown to the user.
QStringList ScanFolder(const QString& folder, QStringList* leftOut = nullptr);

// A dropped or chosen path: a folder is scanned, anything else is taken as
// it is.
QStringList ExpandDroppedPath(const QString& path, QStringList* leftOut = nullptr);
// A dropped URL: a local path that is not UTF-8 goes to *leftOut.
QStringList ExpandDroppedUrl(const QUrl& url, QStringList* leftOut);

// A command-line parameter: a folder is scanned as above; a file that
// exists gives itself (a hidden one too, since it was named); a path that
// names nothing gives nothing. A parameter or folder entry whose name is
// not UTF-8 goes to *leftOut (Qt has already turned the parameter's
// undecodable bytes into U+FFFD; the entry on disk that reads the same way
// is shown instead when there is one).
QStringList ExpandCommandLineParameter(const QString& parameter, QStringList* leftOut = nullptr);

// Joins a folder and a name with exactly one "/".
QString JoinPath(const QString& folder, const QString& name);

// True when output names one of the inputs: the same text without regard
// to case, or the same file reached another way (a link, "..", a relative
// path).
bool OutputIsAnInput(const QString& output, const QStringList& inputs);

}  // namespace tolvan
