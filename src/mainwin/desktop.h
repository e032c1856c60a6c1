// What the main window asks of the desktop and of file choosers, behind one
// interface so tests can stand in for the desktop and never block on a
// modal chooser.
#pragma once

#include <QString>
#include <functional>
#include <QStringList>

class QWidget;

namespace tolvan {

class TDesktop {
 public:
  virtual ~TDesktop() = default;

  // Opens a file with the program the desktop associates with it. Answers a
  // code above 32 on success, 32 or less on failure.
  virtual int OpenWithAssociatedProgram(const QString& path);
  // Opens a folder in the desktop's file browser.
  virtual void OpenFolder(const QString& path);
  // Moves a file to the user's home trash; 0 once it is there, else errno.
  virtual int MoveToTrash(const QString& path);

  virtual QStringList ChooseInputFiles(QWidget* parent);
  // onHelp runs when the chooser's help button is pressed.
  virtual QString ChooseFolder(QWidget* parent, const std::function<void()>& onHelp);
  virtual QString ChooseNewOutputFile(QWidget* parent, const QString& startFolder);
  virtual QString ChooseExistingOutputFile(QWidget* parent);
};

// The desktop in force; the real one until a test installs another.
TDesktop& Desktop();
void SetDesktop(TDesktop* desktop);

}  // namespace tolvan
