// The program's entry with a bare window in place of the main window, for
// tests of start-up failures. TOLVAN_PROBE picks what goes wrong; boxes are
// written to standard error instead of being shown.
#include <QCoreApplication>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <stdexcept>

#include "app/entry.h"
#include "core/qt/message_service.h"

namespace {

class StderrMessages : public tolvan::MessageService {
 public:
  void Beep() override { Print("beep", {}); }
  void Show(QWidget*, Icon, const QString&, const QString& text) override { Print("box", text); }
  Button Ask(QWidget*, Icon, const QString&, const QString& text, Buttons, Button) override {
    Print("ask", text);
    return QMessageBox::Ok;
  }

 private:
  static void Print(const char* kind, const QString& text) {
    std::fprintf(stderr, "probe %s: %s\n", kind, text.toUtf8().constData());
    std::fflush(stderr);
  }
};

}  // namespace

int main(int argc, char** argv) {
  static StderrMessages messages;
  tolvan::SetMessageService(&messages);
  return tolvan::RunApplication(argc, argv, [](const tolvan::ProgramPaths&, const QStringList&) {
    const QString mode = qEnvironmentVariable("TOLVAN_PROBE");
    if (mode == "throw-at-start") throw std::runtime_error("start failed");
    auto w = std::make_unique<QWidget>();
    w->setWindowTitle("Tolvan");
    if (mode == "throw-in-loop") {
      QTimer::singleShot(0, w.get(), [] { throw std::runtime_error("handler failed"); });
      QTimer::singleShot(300, w.get(), [] {
        std::fprintf(stderr, "probe: still running\n");
        QCoreApplication::quit();
      });
    }
    return w;
  });
}
