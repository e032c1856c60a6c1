#include "app/entry.h"

#include "app/application.h"
#include "app/edit_target.h"
#include "app/program_icon.h"
#include "app/single_instance.h"
#include "editor/view/edit_actions.h"
#include "editor/view/editor_widget.h"

namespace tolvan {

int RunApplication(int argc, char** argv, const MainWindowFactory& createMainWindow) {
  TApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tolvan"));
  QApplication::setWindowIcon(ProgramIcon());
  InstallQtJapanese(app);

  // The lock lives from before the main window exists until after it has
  // closed: a copy started meanwhile finds it, gets no answer and ends quietly.
  SingleInstance instance;
  if (!instance.TryLock()) {
    instance.ActivateRunningCopy(QApplication::arguments().mid(1));
    return 0;
  }

  RegisterStandardEditTarget();
  RegisterEditorEditTarget();
  try {
    std::unique_ptr<QWidget> window =
        createMainWindow(ProgramPaths::FromRunningExecutable(), QApplication::arguments().mid(1));
    SetDefMainForm(window.get());
    // Tests start the first copy minimised to see it restored.
    if (qEnvironmentVariable("TOLVAN_TEST_TRACE") == QLatin1String("minimized"))
      window->showMinimized();
    else
      window->show();
    QWidget* w = window.get();
    instance.Listen([w](const QStringList& names) {
      // Not once the window has gone (the loop is ending).
      if (!w->isVisible() && !w->isMinimized()) return;
      if (auto* target = dynamic_cast<TCommandLineTarget*>(w); target && !names.isEmpty())
        target->AddCommandLineNames(names);
      RaiseAndRestore(w);
    });
    QApplication::exec();
    instance.StopListening();
  } catch (...) {
    TApplication::ShowException(std::current_exception());
  }
  UnregisterEditorEditTarget();
  UnregisterStandardEditTarget();
  instance.Release();
  return 0;
}

}  // namespace tolvan
