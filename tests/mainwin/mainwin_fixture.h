// A main window in a folder of its own, with the desktop and the message
// boxes replaced, for the window tests.
#pragma once

#include <QComboBox>
#include <QFile>
#include <QListWidget>
#include <QRadioButton>
#include <QLineEdit>
#include <QtTest>

#include <memory>

#include "core/files.h"
#include "mainwin/desktop.h"
#include "mainwin/form1.h"
#include "support/recording_messages.h"
#include "support/temp_dir.h"

namespace tolvan::test {

class FakeDesktop : public TDesktop {
 public:
  FakeDesktop() { SetDesktop(this); }
  ~FakeDesktop() override { SetDesktop(nullptr); }
  int OpenWithAssociatedProgram(const QString& path) override {
    opened << path;
    return openCode;
  }
  void OpenFolder(const QString& path) override { folders << path; }
  int MoveToTrash(const QString& path) override {
    trashed << path;
    if (trashCode == 0) QFile::remove(path);
    return trashCode;
  }
  QStringList ChooseInputFiles(QWidget*) override { return chosenFiles; }
  QString ChooseFolder(QWidget*, const std::function<void()>&) override { return chosenFolder; }
  QString ChooseNewOutputFile(QWidget*, const QString& start) override {
    newFileStart = start;
    return chosenOutput;
  }
  QString ChooseExistingOutputFile(QWidget*) override { return chosenOutput; }

  QStringList opened, folders, trashed, chosenFiles;
  QString chosenFolder, chosenOutput, newFileStart;
  int openCode = 33, trashCode = 0;
};

struct MainWindowEnv {
  TempDir dir;
  RecordingMessages messages;
  FakeDesktop desktop;

  ProgramPaths Paths() const { return ProgramPaths(dir.path() / "tolvan"); }
  QString Folder() const { return QString::fromStdString(dir.path().string()); }
  // Writes a settings file naming the real gawk.
  void WriteSettings(const std::string& extra = "") const {
    WriteFileAtomically(Paths().SettingsFile(), "[AWKEXE]\r\nPath=/usr/bin/gawk\r\n" + extra);
  }
  void WriteScript(const std::string& name, const std::string& text) const {
    std::filesystem::create_directories(dir.path() / "scripts");
    WriteFileAtomically(dir.path() / "scripts" / name, text);
  }
  QString WriteInput(const std::string& name, const std::string& text) const {
    std::filesystem::create_directories(dir.path() / "in");
    WriteFileAtomically(dir.path() / "in" / name, text);
    return QString::fromStdString((dir.path() / "in" / name).string());
  }
  std::unique_ptr<TForm1> Open(const QStringList& args = {}) const {
    auto w = std::make_unique<TForm1>(Paths(), args);
    w->AskNewScriptName = [this](QWidget*, const QString& ext, const QStringList&) { return nextScriptName + ext; };
    return w;
  }
  QString nextScriptName;
};

template <typename T>
T* Child(QWidget* w, const char* name) {
  T* c = w->findChild<T*>(name);
  if (!c) qFatal("no child %s", name);
  return c;
}

// Chooses "One-Liner" with the given text.
inline void UseOneLiner(TForm1* w, const QString& text) {
  Child<QRadioButton>(w, "radioOneLiner")->setChecked(true);
  Child<QComboBox>(w, "cmbOneLiner")->setEditText(text);
}

inline void RunAndWait(TForm1* w) {
  w->RunScript();
  w->WaitForJob();
}

inline std::string Slurp(const QString& path) {
  std::string s;
  ReadWholeFile(QFile::encodeName(path).toStdString(), s);
  return s;
}

}  // namespace tolvan::test
