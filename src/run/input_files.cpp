#include "run/input_files.h"

#include <dirent.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

#include "core/files.h"
#include "core/qt/qtext.h"

namespace tolvan {

QString JoinPath(const QString& folder, const QString& name) {
  if (folder.endsWith('/')) return folder + name;
  return folder + "/" + name;
}

bool IsNonUtf8Path(const QByteArray& path) { return QFile::encodeName(QFile::decodeName(path)) != path; }

QString ShowNonUtf8Name(const QByteArray& name) { return ToQString(std::string_view(name.constData(), name.size())); }

std::vector<TNonUtf8Entry> NonUtf8Entries(const QString& folder) {
  std::vector<TNonUtf8Entry> out;
  QByteArray base = QFile::encodeName(folder);
  DIR* d = ::opendir(base.constData());
  if (!d) return out;
  if (!base.endsWith('/')) base += '/';
  while (const dirent* e = ::readdir(d)) {
    QByteArray name(e->d_name);
    if (name == "." || name == ".." || !IsNonUtf8Path(name)) continue;
    TNonUtf8Entry entry;
    entry.name = name;
    struct stat st {};
    if (::stat((base + name).constData(), &st) == 0) {
      entry.folder = S_ISDIR(st.st_mode);
      entry.file = S_ISREG(st.st_mode);
    }
    out.push_back(entry);
  }
  ::closedir(d);
  return out;
}

bool InputOrderLess(const QString& a, const QString& b) {
  const int c = QString::compare(a, b, Qt::CaseInsensitive);
  return c != 0 ? c < 0 : a < b;
}

QStringList ScanFolder(const QString& folder, QStringList* leftOut) {
  QStringList out;
  // No QDir::Hidden and no QDir::System: dot files, sockets, pipes and
  // dangling links stay out.
  for (const QFileInfo& fi :
       QDir(folder).entryInfoList(QDir::Files | QDir::NoDotAndDotDot, QDir::Unsorted)) {
    if (!fi.isFile()) continue;
    out << JoinPath(folder, fi.fileName());
  }
  std::sort(out.begin(), out.end(), InputOrderLess);
  if (leftOut)
    for (const TNonUtf8Entry& e : NonUtf8Entries(folder))
      if (e.file && !e.Hidden()) *leftOut << JoinPath(folder, ShowNonUtf8Name(e.name));
  return out;
}

QStringList ExpandDroppedPath(const QString& path, QStringList* leftOut) {
  if (QFileInfo(path).isDir()) return ScanFolder(path, leftOut);
  return {path};
}

QStringList ExpandDroppedUrl(const QUrl& url, QStringList* leftOut) {
  if (!url.isLocalFile()) return {};
  QByteArray raw = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
  if (IsNonUtf8Path(raw)) {
    if (leftOut) *leftOut << ShowNonUtf8Name(raw);
    return {};
  }
  return ExpandDroppedPath(url.toLocalFile(), leftOut);
}

QStringList ExpandCommandLineParameter(const QString& parameter, QStringList* leftOut) {
  QFileInfo fi(parameter);
  if (fi.isDir()) return ScanFolder(parameter, leftOut);
  if (fi.exists()) return {parameter};
  // Bytes that are not UTF-8 reach us as U+FFFD, so such a path cannot be
  // found; the entries of its folder that read the same way show its name.
  if (leftOut && parameter.contains(QChar(QChar::ReplacementCharacter))) {
    QString folder = fi.path(), name = fi.fileName();
    int before = leftOut->size();
    for (const TNonUtf8Entry& e : NonUtf8Entries(folder))
      if (!e.folder && QFile::decodeName(e.name) == name) *leftOut << JoinPath(folder, ShowNonUtf8Name(e.name));
    if (leftOut->size() == before) *leftOut << parameter;
  }
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
