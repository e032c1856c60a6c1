#include "mainwin/form1.h"

namespace tolvan {

TForm1::TForm1(const ProgramPaths& paths, const QStringList&, QWidget* parent)
    : QMainWindow(parent), paths_(paths) {
  setWindowTitle("Tolvan");
  setMinimumSize(400, 300);
}

TForm1::~TForm1() = default;

}  // namespace tolvan
