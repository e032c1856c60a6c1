// The about box: the program's picture, its name and version.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace tolvan {

class TfrmAbout : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmAbout(QWidget* parent = nullptr);

  // Shows the box modally, centred on parent, and frees it when it closes.
  static void ShowAbout(QWidget* parent);

 private:
  QLabel* Image1;
  QLabel* lblExeName;
  QLabel* lblVersion;
  QPushButton* Button1;
};

}  // namespace tolvan
