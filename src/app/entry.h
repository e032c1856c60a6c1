// The program's start: one copy per user, the main window, the event loop,
// and the standard error box for exceptions that escape start-up or an
// event handler.
#pragma once

#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>

#include "core/program_paths.h"

namespace tolvan {

// A main window that takes the file and folder names a later start of the
// program hands over, as it took its own command line.
class TCommandLineTarget {
 public:
  virtual void AddCommandLineNames(const QStringList& names) = 0;

 protected:
  ~TCommandLineTarget() = default;
};

// Makes the main window; arguments are the command-line parameters.
using MainWindowFactory =
    std::function<std::unique_ptr<QWidget>(const ProgramPaths& paths, const QStringList& arguments)>;

// Answers the process exit code: 0 in every case.
int RunApplication(int argc, char** argv, const MainWindowFactory& createMainWindow);

}  // namespace tolvan
