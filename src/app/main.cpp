#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Tolvan");
  QMainWindow w;
  w.setWindowTitle("Tolvan");
  w.resize(640, 480);
  w.show();
  return app.exec();
}
