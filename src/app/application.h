// The application object: an exception that leaves an event handler is shown
// in the standard error box and the program goes on.
#pragma once

#include <QApplication>

namespace tolvan {

class TApplication : public QApplication {
  Q_OBJECT
 public:
  TApplication(int& argc, char** argv);

  bool notify(QObject* receiver, QEvent* event) override;

  // Shows a caught exception's message in the standard error box.
  static void ShowException(const std::exception_ptr& error);
};

}  // namespace tolvan
