#include "core/qt/message_service.h"

#include <QApplication>

namespace tolvan {
namespace {

class QtMessageService : public MessageService {
 public:
  void Beep() override { QApplication::beep(); }

  void Show(QWidget* parent, Icon icon, const QString& caption, const QString& text) override {
    QMessageBox box(icon, Caption(caption), text, QMessageBox::Ok, parent);
    box.exec();
  }

  Button Ask(QWidget* parent, Icon icon, const QString& caption, const QString& text, Buttons buttons,
             Button defaultButton) override {
    QMessageBox box(icon, Caption(caption), text, buttons, parent);
    box.setDefaultButton(defaultButton);
    return static_cast<Button>(box.exec());
  }

  Button AskPlaced(QWidget* parent, Icon icon, const QString& caption, const QString& text, Buttons buttons,
                   Button defaultButton, const Placement& place) override {
    QMessageBox box(icon, Caption(caption), text, buttons, parent);
    box.setDefaultButton(defaultButton);
    box.adjustSize();
    // A moved dialog is not centred again when it is shown.
    box.move(place(box.size()));
    return static_cast<Button>(box.exec());
  }

 private:
  static QString Caption(const QString& caption) {
    return caption.isEmpty() ? QApplication::applicationName() : caption;
  }
};

MessageService* g_installed = nullptr;

}  // namespace

MessageService& Messages() {
  static QtMessageService real;
  return g_installed ? *g_installed : real;
}

void SetMessageService(MessageService* service) { g_installed = service; }

}  // namespace tolvan
