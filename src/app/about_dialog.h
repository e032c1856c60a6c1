// The about box: the program's picture, its name and version.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace tolvan {

class TfrmAbout : public QDialog {
  Q_OBJECT
 public:
  // folders: which folders are in use, shown under the version.
  explicit TfrmAbout(QWidget* parent = nullptr, const QString& folders = QString());

  // Shows the box modally, centred on parent, and frees it when it closes.
  static void ShowAbout(QWidget* parent, const QString& folders = QString());

 private:
  QLabel* Image1;
  QLabel* lblExeName;
  QLabel* lblVersion;
  QLabel* lblFolders;
  QPushButton* Button1;
};

}  // namespace tolvan
