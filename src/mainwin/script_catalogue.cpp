#include "mainwin/script_catalogue.h"

#include <fcntl.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "run/input_files.h"

#include <algorithm>
#include <cerrno>

namespace tolvan {

const char kScriptTemplate[] = "BEGIN{\r\n\r\n}\r\n{\r\n\r\n}\r\nEND{\r\n\r\n}\r\n";

bool CaseLess(const QString& a, const QString& b) {
  int c = QString::compare(a, b, Qt::CaseInsensitive);
  return c != 0 ? c < 0 : a < b;
}

namespace {

QStringList Sorted(QStringList list) {
  std::sort(list.begin(), list.end(), CaseLess);
  return list;
}

// Hidden entries are left out by the listing filter itself (no QDir::Hidden).
QFileInfoList Entries(const QString& folder, QDir::Filters kind) {
  return QDir(folder).entryInfoList(kind | QDir::NoDotAndDotDot | QDir::Readable, QDir::Unsorted);
}

}  // namespace

QStringList ListScriptFolders(const ProgramPaths& paths, QStringList* leftOut) {
  QStringList names;
  QString top = QFile::decodeName(paths.ScriptsFolder().c_str());
  for (const QFileInfo& fi : Entries(top, QDir::Dirs)) {
    if (fi.fileName() == "One-Liner" || !fi.isExecutable()) continue;
    names << fi.fileName();
  }
  if (leftOut)
    for (const TNonUtf8Entry& e : NonUtf8Entries(top))
      if (e.folder && !e.Hidden()) *leftOut << JoinPath(top, ShowNonUtf8Name(e.name)) + "/";
  return Sorted(names);
}

QStringList ListScripts(const ProgramPaths& paths, const QString& folderText, QStringList* leftOut) {
  QStringList names;
  QString folder = ScriptFolderPath(paths, folderText);
  for (const QFileInfo& fi : Entries(folder, QDir::Files)) {
    if (!fi.isFile()) continue;  // QDir::Files also admits some special files
    names << fi.fileName();
  }
  if (leftOut)
    for (const TNonUtf8Entry& e : NonUtf8Entries(folder))
      if (e.file && !e.Hidden()) *leftOut << JoinPath(folder, ShowNonUtf8Name(e.name));
  return Sorted(names);
}

QString ScriptFolderPath(const ProgramPaths& paths, const QString& folderText) {
  QString top = QFile::decodeName(paths.ScriptsFolder().c_str());
  if (folderText == kTopFolderText) return top;
  return top + "/" + folderText;
}

QString ScriptPath(const ProgramPaths& paths, const QString& folderText, const QString& name) {
  return ScriptFolderPath(paths, folderText) + "/" + name;
}

bool CreateScriptFromTemplate(const QString& path, bool* exists) {
  if (exists) *exists = false;
  QByteArray native = QFile::encodeName(path);
  // O_EXCL: never replace a file that is there, even one the list hides.
  int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) {
    if (errno == EEXIST && exists) *exists = true;
    return false;
  }
  const char* p = kScriptTemplate;
  std::size_t left = sizeof kScriptTemplate - 1;
  bool ok = true;
  while (left > 0) {
    ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      ok = false;
      break;
    }
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  ok = ::close(fd) == 0 && ok;
  if (!ok) ::unlink(native.constData());
  return ok;
}

int SortedInsertIndex(const QStringList& items, const QString& text) {
  auto it = std::upper_bound(items.begin(), items.end(), text, CaseLess);
  return static_cast<int>(it - items.begin());
}

}  // namespace tolvan
