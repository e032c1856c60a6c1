#include <QApplication>

#include "core/program_paths.h"
#include "mainwin/form1.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Tolvan");
  tolvan::TForm1 w(tolvan::ProgramPaths::FromRunningExecutable(), app.arguments().mid(1));
  w.show();
  return app.exec();
}
