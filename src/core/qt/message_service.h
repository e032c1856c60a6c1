// Every message box, beep and question of the program goes through here, so
// tests can swap in a recorder that answers questions from a script and no
// test ever blocks on a modal box.
#pragma once

#include <QMessageBox>
#include <QPoint>
#include <QSize>
#include <QString>

#include <functional>

class QWidget;

namespace tolvan {

class MessageService {
 public:
  using Buttons = QMessageBox::StandardButtons;
  using Button = QMessageBox::StandardButton;
  using Icon = QMessageBox::Icon;

  virtual ~MessageService() = default;

  virtual void Beep() = 0;
  // A box with a single OK button. An empty caption shows the application title.
  virtual void Show(QWidget* parent, Icon icon, const QString& caption, const QString& text) = 0;
  // A question; answers the button pressed (Cancel/No/Escape map to what the
  // box offers).
  virtual Button Ask(QWidget* parent, Icon icon, const QString& caption, const QString& text,
                     Buttons buttons, Button defaultButton) = 0;
  // A question placed before it is shown: place gets the box's size and
  // answers its top-left corner in global coordinates. Buttons may include
  // YesToAll, the "All" answer. A service that does not place boxes asks
  // as Ask does.
  using Placement = std::function<QPoint(QSize)>;
  virtual Button AskPlaced(QWidget* parent, Icon icon, const QString& caption, const QString& text,
                           Buttons buttons, Button defaultButton, const Placement&) {
    return Ask(parent, icon, caption, text, buttons, defaultButton);
  }

  // Shorthands for the common forms.
  void Error(QWidget* parent, const QString& text) { Show(parent, QMessageBox::Critical, QString(), text); }
  void BeepError(QWidget* parent, const QString& text) {
    Beep();
    Error(parent, text);
  }
  void Plain(QWidget* parent, const QString& text) { Show(parent, QMessageBox::NoIcon, QString(), text); }
  // The standard box for an exception that reached the event loop.
  void Exception(QWidget* parent, const QString& message) {
    Show(parent, QMessageBox::Critical, QString(), message);
  }
};

// The service in force; the real one until a test installs another.
MessageService& Messages();
// Installs a service (nullptr restores the real one). The caller keeps ownership.
void SetMessageService(MessageService* service);

}  // namespace tolvan
