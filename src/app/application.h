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

// Qt's own texts (standard buttons, the file dialog) in Japanese, as the
// program's are, from Qt's translations (Debian: qt6-translations-l10n).
// False when they are not installed: Qt then speaks English.
bool InstallQtJapanese(QCoreApplication& app);

}  // namespace tolvan
