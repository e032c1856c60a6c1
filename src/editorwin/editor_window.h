// The script editor window: one awk script in the editor control, with its
// menus and tool bar, saving, the comment toggle, the row hook that colours
// comments, strings, regular expressions and stray "$" signs and flags
// double-byte characters in code, and the entries of find/replace and of
// the font and colour dialog. The main window opens it through its table.
#pragma once

#include <QMainWindow>
#include <QString>
#include <QStringList>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

#include "core/encoding.h"

#include "editor/view/editor_widget.h"
#include "editorwin/editor_windows.h"
#include "editorwin/preview_pane.h"

class QAction;
class QActionGroup;
class QDialog;
class QLabel;
class QMenu;
class QSplitter;
class QToolBar;

namespace tolvan {

class TGawkFountain;
class TFindReplace;
class TProblemsPane;
class TOutlinePane;
class TCodeAssist;
class TDebugger;

// What an editor window needs of the main window.
class TEditorWindowHost {
 public:
  virtual ~TEditorWindowHost() = default;
  virtual std::filesystem::path SettingsFile() const = 0;
  virtual QString ScriptsFolder() const = 0;
  // The script extension with its dot, as set now.
  virtual QString ScriptExt() const = 0;
  // Brings the window of path forward or opens one (empty: untitled).
  virtual void OpenEditor(const QString& path) = 0;
  virtual void UnregisterEditor(TEditorWindowRef* window) = 0;
  // Shared by every editor window, for the find and replace boxes.
  virtual QStringList& FindHistory() = 0;
  virtual QStringList& ReplaceHistory() = 0;
  // What the preview runs with (gawk, options, locale, the selected input)
  // for a script in encoding e, read afresh for every run.
  virtual TPreviewContext PreviewContext(TextEncoding) const { return {}; }
  // F1 away from a built-in: the program's help page.
  virtual void OpenHelp() {}
};

// The editor window's file choosers, replaceable so tests never block on a
// modal dialog. Each answers an empty text when cancelled.
class TEditorFileChoosers {
 public:
  virtual ~TEditorFileChoosers() = default;
  // Asks before replacing an existing file; defaultSuffix has no dot.
  virtual QString ChooseSaveFile(QWidget* parent, const QStringList& filters, const QString& defaultSuffix,
                                 const QString& initialPath);
  virtual QString ChooseOpenFile(QWidget* parent, const QString& folder, const QString& defaultSuffix);
};
TEditorFileChoosers& EditorFileChoosers();
// nullptr restores the real choosers; the caller keeps ownership.
void SetEditorFileChoosers(TEditorFileChoosers* choosers);

class TfrmEditor : public QMainWindow, public TEditorWindowRef {
  Q_OBJECT
 public:
  // Makes the window for path (empty: untitled, showing the template). A
  // file that cannot be read is reported and no window is made (nullptr):
  // a window showing the template would write it over that file.
  static TfrmEditor* Create(TEditorWindowHost& host, const QString& path, QWidget* owner);
  ~TfrmEditor() override;

  // ---- TEditorWindowRef ----
  QString FilePath() const override { return filePath_; }
  QString Caption() const override { return windowTitle(); }
  void ShowAndRaise() override;
  void ActivateAndRestore() override;
  // The tool bar and the Edit and File menus follow the selection, the
  // clipboard and Modified.
  void RefreshCommands() override;
  QWidget* Window() override { return this; }

  TEditorWidget& Editor1() { return *editor_; }
  TGawkFountain& SettingsScheme() { return *settingsScheme_; }
  TGawkFountain& DisplayScheme() { return *displayScheme_; }
  bool Modified() const { return editor_->Editor().Modified(); }
  // Find and replace of this window (its texts; the histories are the main window's).
  TFindReplace& FindReplace() { return *findReplace_; }
  // Shows the font and colour dialog modally; tests replace it to drive the dialog.
  std::function<int(QDialog&)> ExecDialog;

  // Commands.
  void FileNew();
  void FileOpen();
  // False when nothing was written (cancelled or failed; the failure is shown).
  bool Save();
  bool SaveAs();
  void ToggleCommentOfSelection();
  void Find();
  void FindNext();
  void FindUp();
  void Replace();
  void ReplaceNext();
  void ShowFontDialog();
  // The steps after the font and colour dialog: confirmed, the scheme and
  // the Editor keys are stored and applied; cancelled, the stored scheme is
  // read again. The control is repainted either way.
  void AfterFontDialog(bool accepted, const QString& fontName, int fontSize, int lineSpace, int tabSpace);

  // The row hook: redraws the runs of OverdrawRuns over a painted row.
  void DrawLine(QPainter& painter, const TDrawLineInfo& info);

  // The document's encoding, whether its file opens with a UTF-8 byte-order
  // mark, and the line end it is saved with.
  TextEncoding Encoding() const { return editor_->Editor().Lines().Encoding(); }
  bool Bom() const { return bom_; }
  LineEnd LineEnding() const { return lineEnd_; }
  // Reads the unmodified file again as the other encoding. A modified text
  // is kept and the user told why nothing happened. False when nothing was
  // reopened.
  bool ReopenAsOtherEncoding();
  // The text in the other encoding. Refused, with a message naming the
  // character and its line, when a character cannot be carried over.
  // Clears the undo list (an undo would put bytes of one encoding into a
  // text of the other) and marks the text modified.
  bool ConvertToOtherEncoding();
  // The line end the text is saved with from now on; marks it modified.
  void SetFileLineEnd(LineEnd e);

  // Opens or closes the preview pane (ツール → プレビュー, F5).
  void TogglePreview();
  // The pane once it has been opened, else nullptr.
  TPreviewPane* Preview() const { return preview_; }
  bool PreviewShown() const;
  // The debugger (ツール → デバッグ).
  TDebugger& Debugger() const { return *debugger_; }

  // ツール → 構文チェック, アウトライン (remembered in the settings file).
  void SetSyntaxCheck(bool on, bool remember = true);
  void SetOutlineShown(bool on, bool remember = true);
  TProblemsPane& Problems() const { return *problems_; }
  TOutlinePane& Outline() const { return *outline_; }
  TCodeAssist& Assist() const { return *assist_; }
  // F1: help on the built-in at the caret, else the help page.
  void HelpKey();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  TfrmEditor(TEditorWindowHost& host, const QString& path, QWidget* owner);
  void BuildMenusAndToolBar();
  void ConfigureControl();
  void LoadSettingsScheme();
  void BuildDisplayScheme();
  void ApplyEditorKeys(const QString& fontName, int fontSize, int lineSpace, int tabSpace);
  bool LoadFile();
  // Reads the file into the control in the given encoding, or in the
  // detected one when none is given; false (shown) when unreadable.
  bool ReadFileIntoControl(std::optional<TextEncoding> forced);
  void SetDocumentEncoding(TextEncoding e);
  void ShowEncoding();
  bool WriteTo(const QString& path);
  void SetFileName(const QString& path);

  TEditorWindowHost& host_;
  QString filePath_;
  LineEnd lineEnd_ = LineEnd::CrLf;  // of the file as opened; new scripts CR LF
  bool bom_ = false;                 // written before UTF-8 text
  bool mixedLineEnds_ = false;       // the file had other line ends than lineEnd_ too
  QString scriptExt_;
  int fontSize_ = 12;
  // Asked of the clipboard only when it changes: on X11 every question is a
  // round trip to the program that owns it.
  bool clipboardHasText_ = false;
  // Schemes before the control: the control must never outlive its scheme.
  std::unique_ptr<TGawkFountain> settingsScheme_;
  std::unique_ptr<TGawkFountain> displayScheme_;
  TEditorWidget* editor_ = nullptr;
  std::unique_ptr<TFindReplace> findReplace_;
  QSplitter* split_ = nullptr;
  TPreviewPane* preview_ = nullptr;
  QSplitter* body_ = nullptr;    // the outline and the text column
  QSplitter* column_ = nullptr;  // the text and the problems list
  TProblemsPane* problems_ = nullptr;
  TOutlinePane* outline_ = nullptr;
  TCodeAssist* assist_ = nullptr;
  void BuildCodePanes();
  std::unique_ptr<TDebugger> debugger_;
  void PlacePreview();
  void DrawOverdrawRuns(QPainter& painter, const TDrawLineInfo& info);

 public:
  // Menus and tool buttons (object names as the commands are known).
  QMenu* mnuFile = nullptr;
  QMenu* mnuEdit = nullptr;
  QAction* mnuFileNew = nullptr;
  QAction* mnuFileOpen = nullptr;
  QAction* mnuFileSave = nullptr;
  QAction* mnuFileSaveAs = nullptr;
  QAction* mnuFileClose = nullptr;
  QAction* mnuEditUndo = nullptr;
  QAction* mnuEditRedo = nullptr;
  QAction* mnuEditBoxPaste = nullptr;
  QAction* mnuEditBoxMode = nullptr;
  QAction* mnuEditCut = nullptr;
  QAction* mnuEditCopy = nullptr;
  QAction* mnuEditPaste = nullptr;
  QAction* mnuEditDel = nullptr;
  QAction* mnuEditSelectAll = nullptr;
  QAction* mnuFindFind = nullptr;
  QAction* mnuFindNext = nullptr;
  QAction* mnuFindReplace = nullptr;
  QAction* mnuFindReplaceNext = nullptr;
  QAction* mnuToolToUnk1 = nullptr;
  QAction* mnuToolPreview = nullptr;
  QAction* mnuToolSyntaxCheck = nullptr;
  QAction* mnuToolOutline = nullptr;
  QAction* mnuToolGoToDefinition = nullptr;
  QAction* mnuToolGoBack = nullptr;
  QAction* mnuToolComplete = nullptr;
  QAction* mnuToolHelp = nullptr;
  QAction* mnuSettingColor = nullptr;
  QMenu* mnuEncoding = nullptr;
  QAction* mnuEncodingReopen = nullptr;
  QAction* mnuEncodingConvert = nullptr;
  QAction* mnuLineEndCrLf = nullptr;
  QAction* mnuLineEndLf = nullptr;
  QAction* mnuLineEndCr = nullptr;
  // The status bar: the encoding ("UTF-8", "UTF-8 (BOM)", "CP932") and the
  // line end ("CR LF", "LF", "CR").
  QLabel* lblEncoding = nullptr;
  QLabel* lblLineEnd = nullptr;
  // The syntax check's count ("エラー 1  警告 2", "問題なし").
  QLabel* lblProblems = nullptr;
  QToolBar* ToolBar1 = nullptr;
  QAction* btnOpen = nullptr;
  QAction* btnSave = nullptr;
  QAction* btnCut = nullptr;
  QAction* btnCopy = nullptr;
  QAction* btnPaste = nullptr;
  QAction* btnFind = nullptr;
  QAction* btnFindNext = nullptr;
  QAction* btnFindUp = nullptr;
  QAction* btnComment = nullptr;
};

}  // namespace tolvan
