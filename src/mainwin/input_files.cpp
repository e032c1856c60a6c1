#include "mainwin/input_files.h"

#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace tolvan {

QString JoinPath(const QString& folder, const QString& name) {
  if (folder.endsWith('/')) return folder + name;
  return folder + "/" + name;
}

QStringList ScanFolder(const QString& folder) {
  QStringList out;
  for (const QFileInfo& fi :
       QDir(folder).entryInfoList(QDir::Files | QDir::NoDotAndDotDot, QDir::Unsorted)) {
    if (!fi.isFile()) continue;
    out << JoinPath(folder, fi.fileName());
  }
  return out;
}

QStringList ExpandDroppedPath(const QString& path) {
  if (QFileInfo(path).isDir()) return ScanFolder(path);
  return {path};
}

QStringList ExpandCommandLineParameter(const QString& parameter) {
  QFileInfo fi(parameter);
  if (fi.isDir()) {
    QStringList out;
    for (const QFileInfo& e : QDir(parameter).entryInfoList(
             QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Unsorted)) {
      if (!e.isDir()) out << JoinPath(parameter, e.fileName());
    }
    return out;
  }
  if (fi.exists()) return {parameter};
  return {};
}

namespace {
bool SameFileOnDisk(const QString& a, const QString& b) {
  struct stat sa {}, sb {};
  if (::stat(QFile::encodeName(a).constData(), &sa) != 0) return false;
  if (::stat(QFile::encodeName(b).constData(), &sb) != 0) return false;
  return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

// For a file that does not exist yet: its folder resolved, its name kept.
QString ResolvedPath(const QString& path) {
  QFileInfo fi(path);
  QString canon = fi.canonicalFilePath();
  if (!canon.isEmpty()) return canon;
  QString dir = QFileInfo(fi.absolutePath()).canonicalFilePath();
  if (dir.isEmpty()) return QDir::cleanPath(fi.absoluteFilePath());
  return JoinPath(dir, fi.fileName());
}
}  // namespace

bool OutputIsAnInput(const QString& output, const QStringList& inputs) {
  QString resolvedOutput = ResolvedPath(output);
  for (const QString& in : inputs) {
    if (QString::compare(output, in, Qt::CaseInsensitive) == 0) return true;
    if (SameFileOnDisk(output, in)) return true;
    if (resolvedOutput == ResolvedPath(in)) return true;
  }
  return false;
}

}  // namespace tolvan
