#include "mainwin/desktop.h"

#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QFile>
#include <QFileDialog>
#include <QUrl>

#include "core/trash.h"

namespace tolvan {

int TDesktop::OpenWithAssociatedProgram(const QString& path) {
  // The desktop gives no code of its own; 0 stands for "failed", 33 for success.
  return QDesktopServices::openUrl(QUrl::fromLocalFile(path)) ? 33 : 0;
}

void TDesktop::OpenFolder(const QString& path) { QDesktopServices::openUrl(QUrl::fromLocalFile(path)); }

int TDesktop::MoveToTrash(const QString& path) {
  // Not QFile::moveToTrash: on an account without ~/.local/share it reports
  // success after moving the file into files/ under the current folder.
  return MoveToHomeTrash(QFile::encodeName(path).toStdString());
}

QStringList TDesktop::ChooseInputFiles(QWidget* parent) {
  return QFileDialog::getOpenFileNames(parent, QString::fromUtf8("ファイルを選択、shift or ctrlで複数可"),
                                       QString(),
                                       QString::fromUtf8("テキストファイル(.*.txt) (*.txt);;全てのファイル(*.*) (*)"));
}

QString TDesktop::ChooseFolder(QWidget* parent, const std::function<void()>& onHelp) {
  // Qt's own dialog, so that a help button can join its buttons.
  QFileDialog dlg(parent);
  dlg.setFileMode(QFileDialog::Directory);
  dlg.setOption(QFileDialog::ShowDirsOnly);
  dlg.setOption(QFileDialog::DontUseNativeDialog);
  if (auto* box = dlg.findChild<QDialogButtonBox*>()) {
    QPushButton* help = box->addButton(QDialogButtonBox::Help);
    QObject::connect(help, &QPushButton::clicked, &dlg, [onHelp] {
      if (onHelp) onHelp();
    });
  }
  if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return {};
  return dlg.selectedFiles().first();
}

QString TDesktop::ChooseNewOutputFile(QWidget* parent, const QString& startFolder) {
  QFileDialog dlg(parent);
  dlg.setAcceptMode(QFileDialog::AcceptSave);
  dlg.setDefaultSuffix("txt");
  dlg.setNameFilters({QString::fromUtf8("テキストファイル(*.txt) (*.txt)"), QString::fromUtf8("全てのファイル (*)")});
  if (!startFolder.isEmpty()) dlg.setDirectory(startFolder);
  if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return {};
  return dlg.selectedFiles().first();
}

QString TDesktop::ChooseExistingOutputFile(QWidget* parent) {
  // A name that does not exist yet is accepted: the file is created by the run.
  QFileDialog dlg(parent);
  dlg.setAcceptMode(QFileDialog::AcceptOpen);
  dlg.setFileMode(QFileDialog::AnyFile);
  dlg.setNameFilters({QString::fromUtf8("テキストファイル(.*.txt) (*.txt)"), QString::fromUtf8("全てのファイル(*.*) (*)")});
  if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return {};
  return dlg.selectedFiles().first();
}

namespace {
TDesktop* g_desktop = nullptr;
}

TDesktop& Desktop() {
  static TDesktop real;
  return g_desktop ? *g_desktop : real;
}

void SetDesktop(TDesktop* desktop) { g_desktop = desktop; }

}  // namespace tolvan
