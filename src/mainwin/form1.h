// The main window: the script catalogue, the input list, the output choice,
// Run and the windows that show a job's result.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "app/entry.h"
#include "core/program_paths.h"
#include "core/shared_bytes.h"
#include "editorwin/preview_pane.h"
#include "job/command_line.h"
#include "editorwin/editor_windows.h"
#include "mainwin/output_window.h"
#include "settings/line_file.h"
#include "settings/program_files.h"
#include "settings/settings.h"

class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QToolButton;

namespace tolvan {

class TGawkFountain;
class TfrmError;
class TfrmDone;
class TJobBridge;
class TThreadDoJob;
class TRemoveButton;
class TInputList;
class TElidedLabel;
class TEditorWindowHost;

class TForm1 : public QMainWindow, public TCommandLineTarget {
  Q_OBJECT
 public:
  // arguments: the command-line parameters (files and folders for the input list).
  TForm1(const ProgramPaths& paths, const QStringList& arguments, QWidget* parent = nullptr);
  ~TForm1() override;

  const ProgramPaths& Paths() const { return paths_; }
  MainSettings& Settings() { return settings_; }
  TEditorWindows& EditorWindows() { return editorWindows_; }
  QStringList& FindHistory() { return findHistory_; }
  QStringList& ReplaceHistory() { return replaceHistory_; }
  TfrmError* OutputWindow() const { return frmError_; }
  // Which folders are in use, for the environment dialog and the about box.
  QString FolderText() const;
  TfrmDone* DoneWindow() const { return frmDone_; }
  bool JobRunning() const { return job_ != nullptr; }
  // The output as the output window shows it (between jobs).
  std::string_view OutputText() const { return shownOutput_.Data ? shownOutput_.View() : outputText_; }
  const std::string& ErrorText() const { return errorText_; }
  const std::string& BaseCommandLineText() const { return baseCommandLine_; }

  // Asks for a new script's name; replaceable so tests never block.
  std::function<QString(QWidget* parent, const QString& ext, const QStringList& existing)> AskNewScriptName;

  // Commands, as the menus and buttons run them.
  void RunScript();           // "スクリプト実行"
  void TerminateJob();        // the cancel button
  void ShowAwkOptions();      // "AwkOptions"
  void SaveSettings();        // writes the settings file in its fixed order
  void RefreshScriptLists();  // "スクリプト一覧更新"
  void AddInputFiles(const QStringList& paths);  // each at its sorted place, duplicates kept
  // Names handed over by a later start of the program.
  void AddCommandLineNames(const QStringList& names) override;
  // Waits (processing events) until the running job, if any, has ended.
  void WaitForJob();
  // What an editor window's preview runs with: read only, nothing stored.
  TPreviewContext EditorPreviewContext(TextEncoding e) const;
  // The locale gawk runs in for a job, a preview or the debugger of this
  // encoding (job_locale.h); the first time it cannot be had, says so.
  std::string JobLocaleFor(TextEncoding e) const;

 signals:
  void JobFinished();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Construction.
  void BuildControls();
  void BuildMenus();
  void LoadSettings(bool settingsFileExisted);
  void StopJobForGood();
  void RestoreCursor();

  // What the application shell and the colouring layer provide.
  void BuildEditActions(QMenu* edit);
  void BuildSelectAllAction(QMenu* edit);
  void SetProgramPicture();
  void OpenEnvironmentDialog();
  void ShowAbout();
  void LoadColouringScheme(IniFile& ini, bool settingsFileExisted);
  // The editor windows' factory and what they ask of this window.
  void SetUpEditorWindows();

  // Script catalogue.
  void SetUpCatalogue();
  void BuildLists();
  // leftOut: folders already found unlistable, told together with the scripts.
  void FillScriptList(QStringList leftOut = {});
  // Tells which entries were left out because their names are not UTF-8;
  // scripts are told once per listing of their folder.
  void TellLeftOut(QStringList shown, bool scripts);
  void ShowLeftOut(QStringList shown, bool scripts);
  void TellFolderProblems(const std::vector<FolderProblem>& problems);
  void UpdateEditDeleteButtons();
  void UpdateRunButton();
  // The listed folder the folder box names (letter case ignored), or empty.
  QString ChosenFolder() const;
  QString CurrentScriptPath() const;
  void NewScript();
  void EditScript();
  void OpenScriptForEditing(const QString& path, bool lookUpByCaption);
  void ScriptPicked();
  void DeleteClicked();
  void DeleteScript();
  void SaveOneLiner();
  void DeleteOneLiner();
  void WriteOneLiners();
  void LoadOptionHistory();
  void SaveOptionHistory();
  void OpenScriptsFolder();

  // Input list and choices.
  void SelectInputFiles();
  void SelectFolder();
  void MoveUp();
  void MoveInput(int from, int to);
  void MoveDown();
  void RemoveSelected();
  void OpenInputEntry();
  void InputChoiceChanged(int index);
  void OutputChoiceChanged(int index);
  void ScriptKindChanged();
  void NewOutputFile();
  void ExistingOutputFile();

  // Run.
  bool RunChecks();
  // The option box text in e.
  std::optional<std::string> OptionBytes(TextEncoding e, QString* failed) const;
  // The option box's text for the history (cmdopt.dat is CP932): its bytes
  // in a CP932 job; in a UTF-8 job the text in CP932, or nothing when CP932
  // cannot hold it.
  std::optional<std::string> OptionHistoryBytes(const std::optional<std::string>& jobBytes) const;
  bool WriteClipboardFile();
  void StartJob();
  void EndOfJob();
  void ShowProgress(const QString& label, const QString& count);
  // The bar shows only for a job of more than one run.
  void ShowRunsDone(std::size_t done, std::size_t planned);
  void ShowDoneWindow(const QString& exitNote = QString());
  void OpenHelpContents();
  void OpenHelpSection(int context);

  ProgramPaths paths_;
  MainSettings settings_;
  TLineFile oneLinerFile_{paths_.OneLinerFile()};
  TLineFile optionHistoryFile_{paths_.OptionHistoryFile()};
  TEditorWindows editorWindows_;
  QStringList findHistory_, replaceHistory_;
  std::unique_ptr<TEditorWindowHost> editorHost_;
  QMetaObject::Connection focusHook_;

  // Job values.
  int outputIndex_ = 0, inputIndex_ = 0;
  bool singleCommandLine_ = false;
  QString outputFileName_;
  QString clipboardFile_;
  std::string baseCommandLine_;
  BaseCommandLine composedLine_;
  TextEncoding jobEncoding_ = TextEncoding::Cp932;
  std::string outputText_, errorText_;
  TSharedBytes screenOutput_;  // "4 Screen" output, left here by the job
  TSharedBytes shownOutput_;   // the output as the output window shows it, until it closes
  std::unique_ptr<TJobBridge> bridge_;
  std::unique_ptr<TThreadDoJob> job_;
  int busyCursors_ = 0;
  bool closing_ = false;
  bool constructed_ = false;
  QStringList toldScripts_;
  // What was said of a stored gawk path that cannot run (empty: nothing).
  QString standIn_;

  std::unique_ptr<TGawkFountain> scheme_;  // the built-in awk scheme, or the stored one
  TfrmError* frmError_ = nullptr;
  QPointer<TfrmDone> frmDone_;

  // Controls.
  QLabel* Image2 = nullptr;
  QGroupBox* RadioGroup1 = nullptr;
  QRadioButton* radioFile = nullptr;
  QRadioButton* radioOneLiner = nullptr;
  QComboBox* cmbFldr = nullptr;
  QComboBox* cmbFile = nullptr;
  QComboBox* cmbSep = nullptr;
  QComboBox* cmbOneLiner = nullptr;
  QToolButton* btnNew = nullptr;
  QToolButton* btnEdit = nullptr;
  QToolButton* btnSave = nullptr;
  QToolButton* btnDelete = nullptr;
  QPushButton* btnRun = nullptr;
  QToolButton* btnTerminate = nullptr;
  QComboBox* cmbInput = nullptr;
  QLabel* lblNN = nullptr;
  QProgressBar* pbRuns = nullptr;
  TElidedLabel* lblProc_fname = nullptr;
  QToolButton* btnUp = nullptr;
  QToolButton* btnDown = nullptr;
  QToolButton* btnFldr = nullptr;
  QToolButton* btnFiles = nullptr;
  TRemoveButton* btnFCancel = nullptr;
  TInputList* lstInputFiles = nullptr;
  QComboBox* cmbOutput = nullptr;
  QWidget* prefixGroup = nullptr;
  QLineEdit* memPreFix = nullptr;
  QWidget* outFileGroup = nullptr;
  QPushButton* btnNewFile = nullptr;
  QPushButton* btnOldFile = nullptr;
  QLineEdit* edtOutFName = nullptr;
  QCheckBox* chkSCmdLn = nullptr;
  QComboBox* cmbOpt = nullptr;

  QMenu* mnuScript = nullptr;
  QAction* mnuRun = nullptr;
  QAction* mnuNewScript = nullptr;
  QAction* mnuEditScript = nullptr;
  QAction* mnuDeleteScript = nullptr;
  QAction* mnuSelectAll = nullptr;
};

}  // namespace tolvan
