// The main window.
#pragma once

#include <QMainWindow>
#include <QStringList>

#include "core/program_paths.h"

namespace tolvan {

class TForm1 : public QMainWindow {
  Q_OBJECT
 public:
  // arguments: the command-line parameters (files and folders for the input list).
  TForm1(const ProgramPaths& paths, const QStringList& arguments, QWidget* parent = nullptr);
  ~TForm1() override;

 private:
  ProgramPaths paths_;
};

}  // namespace tolvan
