#include "mainwin/input_files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "core/files.h"

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

bool OutputIsAnInput(const QString& output, const QStringList& inputs) {
  const FileIdentity out = IdentifyFile(QFile::encodeName(output).toStdString());
  for (const QString& in : inputs) {
    if (QString::compare(output, in, Qt::CaseInsensitive) == 0) return true;
    if (IdentifyFile(QFile::encodeName(in).toStdString()) == out) return true;
  }
  return false;
}

}  // namespace tolvan
