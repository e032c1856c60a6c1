#include "editorwin/editor_window.h"

#include "editorwin/debugger.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QFile>
#include <QFileDialog>
#include <QMenuBar>
#include <QPainter>
#include <QActionGroup>
#include <QLabel>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QWheelEvent>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "colouring/scheme_store.h"
#include "core/file_errors.h"
#include "core/files.h"
#include "core/qt/message_service.h"
#include "core/qt/qtext.h"
#include "editor/view/editor_font.h"
#include "editorwin/editor_window_logic.h"
#include "settings/settings.h"

#include <algorithm>

#include "editorwin/find_replace.h"
#include "editorwin/font_dialog.h"
#include "editorwin/code_assist.h"
#include "editorwin/outline_pane.h"
#include "editorwin/problems_pane.h"

namespace tolvan {

// ---------------------------------------------------------------- choosers

QString TEditorFileChoosers::ChooseSaveFile(QWidget* parent, const QStringList& filters, const QString& defaultSuffix,
                                            const QString& initialPath) {
  QFileDialog dlg(parent);
  dlg.setAcceptMode(QFileDialog::AcceptSave);
  dlg.setFileMode(QFileDialog::AnyFile);
  dlg.setOption(QFileDialog::HideNameFilterDetails, true);
  dlg.setNameFilters(filters);
  dlg.setDefaultSuffix(defaultSuffix);
  if (!initialPath.isEmpty()) dlg.selectFile(initialPath);
  if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return QString();
  return dlg.selectedFiles().first();
}

QString TEditorFileChoosers::ChooseOpenFile(QWidget* parent, const QString& folder, const QString& defaultSuffix) {
  QFileDialog dlg(parent);
  dlg.setAcceptMode(QFileDialog::AcceptOpen);
  dlg.setFileMode(QFileDialog::ExistingFile);
  dlg.setDirectory(folder);
  dlg.setDefaultSuffix(defaultSuffix);
  if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return QString();
  return dlg.selectedFiles().first();
}

namespace {

TEditorFileChoosers* g_choosers = nullptr;

std::filesystem::path FsPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

QString Suffix(const QString& ext) { return ext.startsWith('.') ? ext.mid(1) : ext; }

TextEncoding OtherEncoding(TextEncoding e) {
  return e == TextEncoding::Utf8 ? TextEncoding::Cp932 : TextEncoding::Utf8;
}

QString EncodingText(TextEncoding e) { return QString::fromLatin1(EncodingName(e)); }

// False, with the reason, when path cannot be opened for reading as a
// regular file.
bool CanReadFile(const std::filesystem::path& path, std::string& reason) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) {
    reason = FileErrorReason(errno);
    return false;
  }
  struct stat st {};
  const bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  const int err = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
  ::close(fd);
  if (!regular) reason = FileErrorReason(err);
  return regular;
}

QFont Styled(QFont font, TFontStyles styles) {
  font.setBold(styles & FontStyleBit(fsBold));
  font.setItalic(styles & FontStyleBit(fsItalic));
  font.setUnderline(styles & FontStyleBit(fsUnderline));
  font.setStrikeOut(styles & FontStyleBit(fsStrikeOut));
  return font;
}

}  // namespace

TEditorFileChoosers& EditorFileChoosers() {
  static TEditorFileChoosers real;
  return g_choosers ? *g_choosers : real;
}

void SetEditorFileChoosers(TEditorFileChoosers* choosers) { g_choosers = choosers; }

// ---------------------------------------------------------------- creation

TfrmEditor* TfrmEditor::Create(TEditorWindowHost& host, const QString& path, QWidget* owner) {
  auto* w = new TfrmEditor(host, path, owner);
  if (!w->LoadFile()) {
    delete w;
    return nullptr;
  }
  return w;
}

TfrmEditor::TfrmEditor(TEditorWindowHost& host, const QString& path, QWidget* owner)
    : QMainWindow(owner), host_(host), filePath_(path), scriptExt_(host.ScriptExt()) {
  setObjectName("frmEditor");
  ExecDialog = [](QDialog& d) { return d.exec(); };
  setAttribute(Qt::WA_DeleteOnClose, true);
  setWindowTitle("frmEditor");
  // The splitter leaves room for the preview beside or below the text.
  split_ = new QSplitter(this);
  split_->setChildrenCollapsible(false);
  setCentralWidget(split_);
  // The outline beside the text, the problems list under it.
  body_ = new QSplitter(Qt::Horizontal, split_);
  body_->setChildrenCollapsible(false);
  column_ = new QSplitter(Qt::Vertical, body_);
  column_->setChildrenCollapsible(false);
  editor_ = new TEditorWidget(column_);
  editor_->setObjectName("Editor1");
  editor_->Editor().List().SetOwnLineEnd(lineEnd_);
  column_->addWidget(editor_);
  body_->addWidget(column_);
  split_->addWidget(body_);
  BuildMenusAndToolBar();

  LoadSettingsScheme();
  BuildDisplayScheme();
  editor_->Editor().SetFountain(displayScheme_.get());
  ConfigureControl();
  debugger_ = std::make_unique<TDebugger>(TDebugger::Context{
      editor_, split_, [this] { return host_.PreviewContext(Encoding()); },
      [this] { return filePath_.isEmpty() ? windowTitle() : filePath_; }, [this] { return preview_; }});
  debugger_->AddCommands(findChild<QMenu*>("Tool1"), ToolBar1);

  IniFile ini(host_.SettingsFile());
  const EditorSettings keys = LoadEditorSettings(ini);
  ApplyEditorKeys(ToQString(keys.FontName), keys.FontSize, keys.LineSpace, keys.TabSpace);
  resize(keys.Width, keys.Height);

  editor_->Renderer().OnDrawLine = [this](QPainter& p, const TDrawLineInfo& info) { DrawLine(p, info); };
  editor_->OnMouseWheel = [this](QWheelEvent* e) {
    // One line per wheel event; Shift+wheel does nothing here.
    if (!(e->modifiers() & Qt::ShiftModifier)) {
      const int delta = e->angleDelta().y();
      if (delta != 0) editor_->Editor().VScroll(delta > 0 ? SB_LINEUP : SB_LINEDOWN);
    }
    e->accept();
    return true;
  };
  editor_->OnDoubleClick = [this](QPoint) { editor_->Editor().SelectTokenFromCaret(); };

  findReplace_ = std::make_unique<TFindReplace>(*editor_, host_.FindHistory(), host_.ReplaceHistory(), this);
  BuildCodePanes();
  SetSyntaxCheck(keys.SyntaxCheck, false);
  SetOutlineShown(keys.Outline, false);

  connect(editor_, &TEditorWidget::textChanged, this, &TfrmEditor::RefreshCommands);
  connect(editor_, &TEditorWidget::textChanged, this, [this] {
    if (preview_) preview_->TextChanged();
    assist_->TextChanged();
    problems_->TextChanged();
    outline_->TextChanged();
  });
  connect(editor_, &TEditorWidget::selectionChanged, this, &TfrmEditor::RefreshCommands);
  clipboardHasText_ = editor_->ClipboardHasText();
  connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, [this] {
    clipboardHasText_ = editor_->ClipboardHasText();
    RefreshCommands();
  });
}

TfrmEditor::~TfrmEditor() {
  findReplace_.reset();
  // gawk's group ends and the marks go while the control is still there.
  debugger_.reset();
  // Its run ends and its row mark goes while the control is still there.
  delete preview_;
  preview_ = nullptr;
  delete problems_;
  problems_ = nullptr;
  // The control goes with the window's children, after the schemes.
  editor_->Renderer().OnDrawLine = nullptr;
  editor_->Editor().SetFountain(nullptr);
}

void TfrmEditor::LoadSettingsScheme() {
  settingsScheme_ = CreateEditorSettingsGawkScheme();
  IniFile ini(host_.SettingsFile());
  try {
    LoadStoredGawkScheme(ini, *settingsScheme_);
  } catch (const std::exception&) {
    // The main window reported a damaged stored scheme at start; the
    // factory values serve.
  }
  TStringList& words = settingsScheme_->ReserveWordList();
  for (const char* w : kGawkExtraWords) words.Add(w);
}

void TfrmEditor::BuildDisplayScheme() {
  displayScheme_ = std::make_unique<TGawkFountain>();
  displayScheme_->SetName("GawkFountain2");
  const TGawkFountain& s = *settingsScheme_;
  displayScheme_->Field().SetColor(s.Field().Color());
  displayScheme_->Field().SetStyle(s.Field().Style());
  displayScheme_->Reserve().SetColor(s.Reserve().Color());
  displayScheme_->Reserve().SetStyle(s.Reserve().Style());
  // Comments and strings are coloured by the row hook.
  displayScheme_->Comment().SetColor(0);
  displayScheme_->Comment().SetStyle(0);
  displayScheme_->Str().SetColor(0);
  displayScheme_->Str().SetStyle(0);
  displayScheme_->SetReserveWordList(s.ReserveWordList());
}

void TfrmEditor::ConfigureControl() {
  TEditor& c = editor_->Editor();
  std::vector<std::string> lines(std::begin(kScriptTemplateLines), std::end(kScriptTemplateLines));
  c.Lines().Assign(lines);
  c.SetReadOnly(false);
  c.SetWantReturns(true);
  c.SetWantTabs(true);
  c.SetWordWrap(false);
  TEditorWrapOption& wrap = c.WrapOption();
  wrap.SetWrapByte(80);
  wrap.SetFollowRetMark(false);
  wrap.SetFollowPunctuation(false);
  wrap.SetLeading(false);
  wrap.SetWordBreak(false);
  c.SetUndoListMax(64);

  TEditorCaret& caret = c.Caret();
  caret.SetAutoIndent(true);
  caret.SetBackSpaceUnIndent(true);
  caret.SetFreeCaret(true);
  caret.SetFreeRow(false);
  caret.SetInTab(false);
  caret.SetKeepCaret(false);
  caret.SetLockScroll(false);
  caret.SetNextLine(false);
  caret.SetPrevSpaceIndent(false);
  caret.SetRowSelect(true);
  caret.SetSelDragMode(dmAutomatic);
  caret.SetSelMove(true);
  caret.SetSoftTab(false);
  caret.SetTabIndent(false);
  caret.SetTokenEndStop(false);
  caret.SetTabSpaceCount(8);
  caret.SetAutoCursor(true);
  caret.Cursors().SetDefaultCursor(crIBeam);
  caret.Cursors().SetDragSelCursor(crDrag);
  caret.Cursors().SetInSelCursor(crArrow);

  c.SetHitStyle(hsSelect);
  TEditorMargin& m = c.Margin();
  m.SetLeft(7);
  m.SetTop(2);
  m.SetLine(2);
  m.SetCharacter(0);

  TEditorLeftbar& lb = c.Leftbar();
  lb.SetVisible(true);
  lb.SetShowNumber(true);
  lb.SetShowNumberMode(nmLine);
  lb.SetColumn(4);
  lb.SetBkColor(clWhite);
  lb.SetColor(clBlack);
  lb.SetEdge(true);
  lb.SetLeftMargin(8);
  lb.SetRightMargin(4);
  lb.SetZeroBase(false);
  lb.SetZeroLead(false);

  TEditorRuler& ruler = c.Ruler();
  ruler.SetVisible(true);
  ruler.SetBkColor(clWhite);
  ruler.SetColor(clBlack);
  ruler.SetMarkColor(clBlack);
  ruler.SetEdge(true);
  ruler.SetGaugeRange(10);

  TEditorImagebar& ib = c.Imagebar();
  ib.SetVisible(true);
  ib.SetDigitWidth(8);
  ib.SetLeftMargin(0);
  ib.SetMarkWidth(0);
  ib.SetRightMargin(0);

  TEditorMarks& marks = c.Marks();
  for (TEditorMark* mark : {&marks.EofMark(), &marks.RetMark(), &marks.WrapMark(), &marks.HideMark(), &marks.Underline()}) {
    mark->SetVisible(false);
    mark->SetColor(clGray);
  }

  TEditorViewInfo& view = c.View();
  view.SetUrl(false);
  view.SetMail(false);
  view.SetControlCode(false);
  view.Colors().Select().SetColor(clWhite);
  view.Colors().Select().SetBkColor(clNavy);

  c.SetScrollBars(ssBoth);
  c.Speed().SetCaretVerticalAc(2);
  c.Speed().SetPageVerticalRange(2);
  c.Speed().SetPageVerticalRangeAc(2);
  editor_->Renderer().SetColor(clWhite);
  editor_->Renderer().SetFontColor(clBlack);
}

void TfrmEditor::ApplyEditorKeys(const QString& fontName, int fontSize, int lineSpace, int tabSpace) {
  fontSize_ = fontSize;
  // The size is in points; the stored name stays even when another family serves.
  editor_->SetEditorFont(fontName, fontSize, editor_->FontStyles());
  TEditor& c = editor_->Editor();
  c.Margin().SetLine(lineSpace);
  c.Caret().SetTabSpaceCount(tabSpace);
}

bool TfrmEditor::LoadFile() {
  if (!filePath_.isEmpty()) {
    if (!ReadFileIntoControl(std::nullopt)) return false;
    setWindowTitle(filePath_);
  } else {
    SetDocumentEncoding(ReadEncoding(IniFile(host_.SettingsFile()), kSectionEditor, "NewEncoding"));
    setWindowTitle(QString::fromUtf8("新規ファイル"));
  }
  // Screen readers name the text area after the window's file.
  editor_->setAccessibleName(windowTitle());
  editor_->Editor().SetModified(false);
  RefreshCommands();
  return true;
}

bool TfrmEditor::ReadFileIntoControl(std::optional<TextEncoding> forced) {
  QWidget* parent = isVisible() ? this : parentWidget();
  const std::filesystem::path path = FsPath(filePath_);
  // Refused before the control is touched: a reopen must not empty a text
  // whose file has gone.
  std::string unreadable;
  if (!CanReadFile(path, unreadable)) {
    Messages().Exception(parent, QString::fromUtf8("ファイル %1 を開けません。%2").arg(filePath_, QString::fromStdString(unreadable)));
    return false;
  }
  const TFileText found = DetectFileText(path);
  TextEncoding e;
  if (forced)
    e = *forced;
  else if (found.Text.ascii)  // the same bytes in either: the setting for new scripts decides
    e = ReadEncoding(IniFile(host_.SettingsFile()), kSectionEditor, "NewEncoding");
  else
    e = found.Text.encoding;
  // The mark is no text: it is kept aside and written back on save. Read as
  // CP932, its bytes are text and stay as they are.
  const bool bom = e == TextEncoding::Utf8 && found.Text.bom;
  TEditorStrings& lines = editor_->Editor().Lines();
  // Only the file's own line end makes rows: other CR and LF bytes stay
  // where they are and are written back as read.
  TEditorScreenStrings& store = editor_->Editor().List();
  const std::optional<LineEnd> ownBefore = store.OwnLineEnd();
  store.SetOwnLineEnd(found.End);
  if (bom) {
    auto text = std::make_shared<std::string>();
    if (!ReadWholeFile(path, *text)) {
      const int err = errno;
      store.SetOwnLineEnd(ownBefore);
      Messages().Exception(parent, QString::fromUtf8("ファイル %1 を開けません。%2")
                                       .arg(filePath_, QString::fromStdString(FileErrorReason(err))));
      return false;
    }
    // As the model's own reading does: a Ctrl-Z as the very last byte is the
    // old end-of-file mark, not text.
    if (!text->empty() && text->back() == '\x1A') text->pop_back();
    text->erase(0, std::min(text->size(), kUtf8Bom.size()));
    // The encoding first: the rows are measured in it.
    SetDocumentEncoding(e);
    lines.LoadFromText(std::shared_ptr<const std::string>(std::move(text)));
  } else {
    const TextEncoding before = lines.Encoding();
    try {
      SetDocumentEncoding(e);
      lines.LoadFromFile(path);
    } catch (const std::exception& ex) {
      SetDocumentEncoding(before);
      store.SetOwnLineEnd(ownBefore);
      Messages().Exception(parent, QFile::decodeName(ex.what()));
      return false;
    }
  }
  bom_ = bom;
  lineEnd_ = found.End;
  mixedLineEnds_ = store.MixedLineEnds();
  ShowEncoding();
  return true;
}

void TfrmEditor::SetDocumentEncoding(TextEncoding e) {
  TEditor& c = editor_->Editor();
  // The word-wrap lists stay the option's CP932 ones: the model converts
  // them for a UTF-8 cut.
  c.Lines().SetEncoding(e);
  ShowEncoding();
}

void TfrmEditor::ShowEncoding() {
  if (!lblEncoding) return;
  const TextEncoding e = Encoding();
  lblEncoding->setText(EncodingText(e) + (e == TextEncoding::Utf8 && bom_ ? QStringLiteral(" (BOM)") : QString()));
  lblLineEnd->setText(QString::fromLatin1(LineEndName(lineEnd_)) +
                      (mixedLineEnds_ ? QString::fromUtf8(" (混在)") : QString()));
  const QString other = EncodingText(OtherEncoding(e));
  mnuEncodingReopen->setText(QString::fromUtf8("%1 として開き直す(&R)").arg(other));
  mnuEncodingReopen->setEnabled(!filePath_.isEmpty());
  mnuEncodingConvert->setText(QString::fromUtf8("%1 に変換(&C)").arg(other));
  mnuLineEndCrLf->setChecked(lineEnd_ == LineEnd::CrLf);
  mnuLineEndLf->setChecked(lineEnd_ == LineEnd::Lf);
  mnuLineEndCr->setChecked(lineEnd_ == LineEnd::Cr);
}

bool TfrmEditor::ReopenAsOtherEncoding() {
  if (filePath_.isEmpty()) return false;
  const TextEncoding other = OtherEncoding(Encoding());
  if (Modified()) {
    Messages().Error(this, QString::fromUtf8("このファイルは変更されているので、%1 として開き直せません。"
                                             "変更を保存するか元に戻してから開き直してください。")
                               .arg(EncodingText(other)));
    return false;
  }
  if (!ReadFileIntoControl(other)) return false;
  editor_->Editor().SetModified(false);
  RefreshCommands();
  return true;
}

bool TfrmEditor::ConvertToOtherEncoding() {
  TEditor& c = editor_->Editor();
  const TextEncoding from = Encoding();
  const TextEncoding to = OtherEncoding(from);
  const std::string text = c.Lines().GetTextStr();
  EncodeResult converted = Convert(from, to, text);
  if (!converted.ok) {
    const std::size_t at = std::min(converted.failedIndex, text.size());
    const long long line = 1 + std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(at), '\n');
    QString why;
    if (at < text.size() && IsValidChar(from, text, at)) {
      const QString ch = ToQString(from, std::string_view(text).substr(at, CharLength(from, text, at)));
      why = QString::fromUtf8("%1 行目の「%2」は %3 で表せない文字なので、%3 に変換できません。")
                .arg(line)
                .arg(ch, EncodingText(to));
    } else {
      why = QString::fromUtf8("%1 行目のバイト 0x%2 は %3 の文字として正しくないので、%4 に変換できません。")
                .arg(line)
                .arg(static_cast<unsigned char>(at < text.size() ? text[at] : 0), 2, 16, QLatin1Char('0'))
                .arg(EncodingText(from), EncodingText(to));
    }
    Messages().Error(this, why);
    return false;
  }
  const int row = c.Row();
  SetDocumentEncoding(to);
  // A new text: the undo list goes with the old one.
  c.Lines().SetTextStr(converted.bytes);
  c.SetRowCol(std::min(row, std::max(0, c.List().Count() - 1)), 0);
  c.SetModified(true);
  ShowEncoding();
  RefreshCommands();
  return true;
}

void TfrmEditor::SetFileLineEnd(LineEnd e) {
  TEditor& c = editor_->Editor();
  // Every line end of the file becomes e: the CR and LF bytes kept in rows
  // become line breaks too, as one edit that can be undone.
  const std::string text = c.Lines().GetTextStr();
  const std::string unified = CrLfBreaks(WithLineEnd(text, lineEnd_));
  if (unified != text) {
    editor_->Guard([&] {
      const int row = c.Row();
      c.SelectAll();
      c.SetSelTextBuf(unified);
      c.SetRowCol(std::min(row, c.List().Count()), 0);
    });
  }
  mixedLineEnds_ = false;
  c.List().SetOwnLineEnd(e);
  if (e != lineEnd_ || unified != text) {
    lineEnd_ = e;
    c.SetModified(true);
    RefreshCommands();
  }
  ShowEncoding();
}

// ---------------------------------------------------------------- menus

void TfrmEditor::BuildMenusAndToolBar() {
  auto act = [this](QMenu* menu, const char* name, const char* caption, auto slot) {
    QAction* a = menu->addAction(QString::fromUtf8(caption));
    a->setObjectName(name);
    connect(a, &QAction::triggered, this, slot);
    return a;
  };
  mnuFile = menuBar()->addMenu(QString::fromUtf8("ファイル(&F)"));
  mnuFile->setObjectName("mnuFile");
  mnuFileNew = act(mnuFile, "mnuFileNew", "新規ファイル作成(&N)", [this] { FileNew(); });
  mnuFileOpen = act(mnuFile, "mnuFileOpen", "開く(&O)", [this] { FileOpen(); });
  mnuFileSave = act(mnuFile, "mnuFileSave", "保存(&S)", [this] { Save(); });
  mnuFileSave->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
  mnuFileSaveAs = act(mnuFile, "mnuFileSaveAs", "別名で保存(&A)", [this] { SaveAs(); });
  mnuFileClose = act(mnuFile, "mnuFileClose", "閉じる(&C)", [this] { close(); });
  connect(mnuFile, &QMenu::aboutToShow, this, &TfrmEditor::RefreshCommands);

  TEditor& c = editor_->Editor();
  mnuEdit = menuBar()->addMenu(QString::fromUtf8("編集(&E)"));
  mnuEdit->setObjectName("mnuEdit");
  mnuEditUndo = act(mnuEdit, "mnuEditUndo", "元に戻す(&U)", [this] { editor_->Guard([&] { editor_->Editor().Undo(); }); });
  mnuEditRedo = act(mnuEdit, "mnuEditRedo", "やり直し(&R)", [this] {
    editor_->Guard([&] {
      if (!editor_->Editor().ReadOnly()) editor_->Editor().Redo();
    });
  });
  // Shown where Linux users look for it; the control takes Ctrl+Y and Ctrl+A too.
  mnuEditRedo->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
  mnuEditCut = act(mnuEdit, "mnuEditCut", "切り取り(&T)", [this] { editor_->Guard([&] { editor_->Editor().CutToClipboard(); }); });
  mnuEditCopy = act(mnuEdit, "mnuEditCopy", "コピー(&C)", [this] { editor_->Guard([&] { editor_->Editor().CopyToClipboard(); }); });
  mnuEditPaste = act(mnuEdit, "mnuEditPaste", "貼り付け(&P)", [this] { editor_->Guard([&] { editor_->Editor().PasteFromClipboard(); }); });
  mnuEditBoxPaste = act(mnuEdit, "mnuEditBoxPaste", "Box貼り付け(&B)", [this] { editor_->Guard([&] { editor_->Editor().PasteBoxFromClipboard(); }); });
  mnuEditBoxPaste->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_B));
  mnuEditDel = act(mnuEdit, "mnuEditDel", "削除", [this] { editor_->Guard([&] { editor_->Editor().ClearSelection(); }); });
  mnuEditSelectAll = act(mnuEdit, "mnuEditSelectAll", "すべて選択(&L)", [this] { editor_->Guard([&] { editor_->Editor().SelectAll(); }); });
  mnuEdit->addSeparator();
  mnuEditBoxMode = act(mnuEdit, "mnuEditBoxMode", "Box選択モード(&K)", [this](bool on) {
    editor_->Guard([&] { editor_->Editor().SetSelectionMode(on ? smBox : smLine); });
    RefreshCommands();  // a drag in progress keeps the mode
  });
  mnuEditBoxMode->setCheckable(true);
  mnuEditBoxMode->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_K));
  (void)c;
  connect(mnuEdit, &QMenu::aboutToShow, this, &TfrmEditor::RefreshCommands);

  QMenu* mnuFind = menuBar()->addMenu(QString::fromUtf8("検索(&S)"));
  mnuFind->setObjectName("mnuFind");
  mnuFindFind = act(mnuFind, "mnuFindFind", "検索(&F)", [this] { Find(); });
  mnuFindFind->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
  mnuFindNext = act(mnuFind, "mnuFindNext", "次を検索(&S)", [this] { FindNext(); });
  mnuFindNext->setShortcut(QKeySequence(Qt::Key_F3));
  mnuFindReplace = act(mnuFind, "mnuFindReplace", "置換(&R)", [this] { Replace(); });
  mnuFindReplace->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
  mnuFindReplaceNext = act(mnuFind, "mnuFindReplaceNext", "次を置換", [this] { ReplaceNext(); });
  mnuFindReplaceNext->setShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_R));

  QMenu* tool = menuBar()->addMenu(QString::fromUtf8("ツール(&T)"));
  tool->setObjectName("Tool1");
  mnuToolToUnk1 = act(tool, "mnuToolToUnk1", "To# Un#(&k)", [this] { ToggleCommentOfSelection(); });
  mnuToolPreview = act(tool, "mnuToolPreview", "プレビュー", [this] { TogglePreview(); });
  mnuToolPreview->setCheckable(true);
  mnuToolPreview->setShortcut(QKeySequence(Qt::Key_F5));
  mnuToolSyntaxCheck = act(tool, "mnuToolSyntaxCheck", "構文チェック", [this](bool on) { SetSyntaxCheck(on); });
  mnuToolSyntaxCheck->setCheckable(true);
  mnuToolOutline = act(tool, "mnuToolOutline", "アウトライン", [this](bool on) { SetOutlineShown(on); });
  mnuToolOutline->setCheckable(true);
  tool->addSeparator();
  mnuToolGoToDefinition = act(tool, "mnuToolGoToDefinition", "関数の定義へ移動", [this] { assist_->GoToDefinition(); });
  mnuToolGoToDefinition->setShortcut(QKeySequence(Qt::Key_F12));
  mnuToolGoBack = act(tool, "mnuToolGoBack", "移動前の位置に戻る", [this] { assist_->GoBack(); });
  mnuToolGoBack->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Left));
  mnuToolComplete = act(tool, "mnuToolComplete", "入力補完", [this] { assist_->Complete(); });
  // Ctrl+J as well: some Japanese input methods keep Ctrl+Space for themselves.
  mnuToolComplete->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Space), QKeySequence(Qt::CTRL | Qt::Key_J)});
  mnuToolHelp = act(tool, "mnuToolHelp", "組み込み関数のヘルプ", [this] { HelpKey(); });
  mnuToolHelp->setShortcut(QKeySequence(Qt::Key_F1));

  QMenu* setting = menuBar()->addMenu(QString::fromUtf8("設定"));
  setting->setObjectName("mnuSetting");
  mnuSettingColor = act(setting, "mnuSettingColor", "エディタ設定", [this] { ShowFontDialog(); });

  mnuEncoding = menuBar()->addMenu(QString::fromUtf8("文字コード(&K)"));
  mnuEncoding->setObjectName("mnuEncoding");
  mnuEncodingReopen = act(mnuEncoding, "mnuEncodingReopen", "開き直す(&R)", [this] { ReopenAsOtherEncoding(); });
  mnuEncodingConvert = act(mnuEncoding, "mnuEncodingConvert", "変換(&C)", [this] { ConvertToOtherEncoding(); });
  mnuEncoding->addSeparator();
  auto* ends = new QActionGroup(this);
  auto lineEnd = [&](const char* name, const char* caption, LineEnd e) {
    QAction* a = act(mnuEncoding, name, caption, [this, e] { SetFileLineEnd(e); });
    a->setCheckable(true);
    ends->addAction(a);
    return a;
  };
  mnuLineEndCrLf = lineEnd("mnuLineEndCrLf", "改行 CR LF(&W)", LineEnd::CrLf);
  mnuLineEndLf = lineEnd("mnuLineEndLf", "改行 LF(&L)", LineEnd::Lf);
  mnuLineEndCr = lineEnd("mnuLineEndCr", "改行 CR(&M)", LineEnd::Cr);

  lblEncoding = new QLabel(this);
  lblEncoding->setObjectName("lblEncoding");
  lblLineEnd = new QLabel(this);
  lblLineEnd->setObjectName("lblLineEnd");
  lblProblems = new QLabel(this);
  lblProblems->setObjectName("lblProblems");
  statusBar()->addPermanentWidget(lblProblems);
  statusBar()->addPermanentWidget(lblEncoding);
  statusBar()->addPermanentWidget(lblLineEnd);

  ToolBar1 = addToolBar(QStringLiteral("ToolBar1"));
  ToolBar1->setObjectName("ToolBar1");
  ToolBar1->setMovable(false);
  ToolBar1->setFloatable(false);
  ToolBar1->setIconSize(QSize(16, 16));
  auto button = [this](const char* name, const QIcon& icon, const char* text, auto slot) {
    QAction* a = ToolBar1->addAction(icon, QString::fromUtf8(text));
    a->setObjectName(name);
    a->setToolTip(QString::fromUtf8(text));
    connect(a, &QAction::triggered, this, slot);
    return a;
  };
  auto themed = [this](const char* theme, QStyle::StandardPixmap fallback) {
    return QIcon::fromTheme(QString::fromLatin1(theme), style()->standardIcon(fallback));
  };
  auto themedOnly = [](const char* theme) { return QIcon::fromTheme(QString::fromLatin1(theme)); };
  btnOpen = button("btnOpen", themed("document-open", QStyle::SP_DialogOpenButton), "開く", [this] { FileOpen(); });
  btnSave = button("btnSave", themed("document-save", QStyle::SP_DialogSaveButton), "保存", [this] { Save(); });
  ToolBar1->addSeparator();
  btnCut = button("btnCut", themedOnly("edit-cut"), "切り取り", [this] { editor_->Guard([&] { editor_->Editor().CutToClipboard(); }); });
  btnCopy = button("btnCopy", themedOnly("edit-copy"), "コピー", [this] { editor_->Guard([&] { editor_->Editor().CopyToClipboard(); }); });
  btnPaste = button("btnPaste", themedOnly("edit-paste"), "貼り付け", [this] { editor_->Guard([&] { editor_->Editor().PasteFromClipboard(); }); });
  ToolBar1->addSeparator();
  btnFind = button("btnFind", themedOnly("edit-find"), "検索", [this] { Find(); });
  btnFindNext = button("btnFindNext", themed("go-down", QStyle::SP_ArrowDown), "次を検索", [this] { FindNext(); });
  btnFindUp = button("btnFindUp", themed("go-up", QStyle::SP_ArrowUp), "上へ検索", [this] { FindUp(); });
  ToolBar1->addSeparator();
  btnComment = button("btnComment", QIcon(), "#", [this] { ToggleCommentOfSelection(); });
  btnComment->setToolTip(QString::fromUtf8("コメント化/コード化"));
}

void TfrmEditor::RefreshCommands() {
  if (!editor_) return;
  const TEditor& c = editor_->Editor();
  const bool selected = c.HasSelectedText();
  const bool clip = clipboardHasText_;
  btnCut->setEnabled(selected);
  btnCopy->setEnabled(selected);
  btnComment->setEnabled(selected);
  btnPaste->setEnabled(clip);
  btnSave->setEnabled(c.Modified());
  mnuFileSave->setEnabled(c.Modified());
  mnuEditCut->setEnabled(selected);
  mnuEditCopy->setEnabled(selected);
  mnuEditDel->setEnabled(selected);
  mnuEditPaste->setEnabled(clip);
  const bool writable = !c.ReadOnly();
  mnuEditRedo->setEnabled(c.CanRedo() && writable);
  mnuEditBoxPaste->setEnabled(clip && writable);
  mnuEditBoxMode->setChecked(c.SelectionMode() == smBox);
}

void TfrmEditor::ShowAndRaise() {
  if (isMinimized()) showNormal();
  show();
  raise();
  activateWindow();
}

void TfrmEditor::ActivateAndRestore() {
  if (isMinimized()) showNormal();
  show();
  raise();
  activateWindow();
}

// ---------------------------------------------------------------- commands

void TfrmEditor::FileNew() { host_.OpenEditor(QString()); }

void TfrmEditor::FileOpen() {
  const QString path = EditorFileChoosers().ChooseOpenFile(this, host_.ScriptsFolder(), Suffix(scriptExt_));
  if (!path.isEmpty()) host_.OpenEditor(path);
}

bool TfrmEditor::WriteTo(const QString& path) {
  // The whole text is made before the file is touched; a file the user may
  // not write is refused and left as it was.
  // With the line end the file was opened with: a file with LF ends is not
  // rewritten whole.
  std::string bytes = WithLineEnd(editor_->Editor().Lines().GetTextStr(), lineEnd_);
  if (bom_ && Encoding() == TextEncoding::Utf8) bytes.insert(0, kUtf8Bom);
  SaveReport report;
  if (SaveFile(FsPath(path), bytes, &report)) return true;
  const int err = errno;
  QString text = QString::fromUtf8("ファイル %1 を保存できません。%2").arg(path, QString::fromStdString(FileErrorReason(err)));
  if (report.partial)
    text += QString::fromUtf8("\n書き込みの途中で失敗したので、ファイルの内容は不完全です。別名で保存してください。");
  Messages().Exception(this, text);
  return false;
}

void TfrmEditor::SetFileName(const QString& path) {
  filePath_ = path;
  setWindowTitle(path);
  editor_->setAccessibleName(path);
  ShowEncoding();
}

bool TfrmEditor::Save() {
  if (filePath_.isEmpty()) return SaveAs();
  if (!WriteTo(filePath_)) return false;
  editor_->Editor().SetModified(false);
  RefreshCommands();
  return true;
}

bool TfrmEditor::SaveAs() {
  const QString ext = host_.ScriptExt();
  const QString path = EditorFileChoosers().ChooseSaveFile(this, ScriptNameFilters(ext), Suffix(ext), filePath_);
  if (path.isEmpty()) return false;
  if (!WriteTo(path)) return false;
  SetFileName(path);
  editor_->Editor().SetModified(false);
  RefreshCommands();
  return true;
}

void TfrmEditor::ToggleCommentOfSelection() {
  editor_->Guard([&] {
    TEditor& c = editor_->Editor();
    const std::string selected = c.GetSelText();
    if (selected.empty()) return;
    c.SetSelText(ToggleComment(selected));
  });
}

void TfrmEditor::Find() {
  findReplace_->Find();
}
void TfrmEditor::FindNext() {
  findReplace_->FindNext();
}
void TfrmEditor::FindUp() {
  findReplace_->FindUp();
}
void TfrmEditor::Replace() {
  findReplace_->Replace();
}
void TfrmEditor::ReplaceNext() {
  findReplace_->ReplaceNext();
}

void TfrmEditor::ShowFontDialog() {
  QString name = editor_->FontName();
  int fontSize = fontSize_;
  int lineSpace = editor_->Editor().Margin().Line();
  int tabSpace = editor_->Editor().Caret().TabSpaceCount();
  bool accepted = false;
  {
    // Its sample editors show the settings scheme: the dialog goes before
    // a cancel puts another scheme in that one's place.
    TfrmFont dlg(this, *settingsScheme_, name, fontSize, lineSpace, tabSpace, size(), host_.SettingsFile());
    accepted = ExecDialog(dlg) == QDialog::Accepted;
  }
  AfterFontDialog(accepted, name, fontSize, lineSpace, tabSpace);
}

void TfrmEditor::AfterFontDialog(bool accepted, const QString& fontName, int fontSize, int lineSpace, int tabSpace) {
  IniFile ini(host_.SettingsFile());
  if (accepted) {
    EditorSettings keys = LoadEditorSettings(ini);
    if (auto name = KeepOrEncode(fontName, keys.FontName)) keys.FontName = *name;
    keys.FontSize = fontSize;
    keys.LineSpace = lineSpace;
    keys.TabSpace = tabSpace;
    const bool stored = StoreGawkScheme(ini, *settingsScheme_);
    if (!SaveEditorFontSettings(ini, keys) || !stored)
      Messages().Error(this, QString::fromUtf8("設定ファイルを書き込めませんでした：") +
                                 QFile::decodeName(host_.SettingsFile().c_str()));
    ApplyEditorKeys(fontName, fontSize, lineSpace, tabSpace);
  } else {
    // Changes made in the dialog are dropped: what is stored (or the
    // factory values) comes back.
    LoadSettingsScheme();
  }
  editor_->viewport()->update();
}

void TfrmEditor::closeEvent(QCloseEvent* event) {
  if (Modified()) {
    const auto answer = Messages().Ask(this, QMessageBox::Question, QString(),
                                       QString::fromUtf8("このファイルの変更を保存しますか"),
                                       QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
    if (answer == QMessageBox::Cancel) {
      event->ignore();
      return;
    }
    // A save that was cancelled or failed keeps the window and its text.
    if (answer == QMessageBox::Yes && !Save()) {
      event->ignore();
      return;
    }
  }
  if (preview_) preview_->Stop();
  debugger_->Stop();
  host_.UnregisterEditor(this);
  event->accept();
}

// ---------------------------------------------------------------- row hook

void TfrmEditor::DrawLine(QPainter& painter, const TDrawLineInfo& info) {
  DrawOverdrawRuns(painter, info);
  TProblemsPane::DrawMarks(painter, info, *editor_);
  // Over the runs, whose cells are filled.
  TPreviewPane::DrawErrorMark(painter, info, *editor_);
  TDebugger::DrawCurrentRow(painter, info, *editor_);
}

void TfrmEditor::DrawOverdrawRuns(QPainter& painter, const TDrawLineInfo& info) {
  if (info.Selected) return;
  const TextEncoding e = Encoding();
  const std::vector<TOverdrawRun> runs = OverdrawRuns(info.LineStr, e);
  if (runs.empty()) return;
  // Columns of the runs: bytes in CP932, counted through the text in UTF-8.
  std::size_t colPos = 0, col = 0;
  auto columnOf = [&](std::size_t pos) {
    if (e == TextEncoding::Cp932) return pos;
    col += DisplayWidth(e, info.LineStr.substr(colPos, pos - colPos));
    colPos = pos;
    return col;
  };
  const TEditorRenderer& r = editor_->Renderer();
  const int w = editor_->Editor().ColWidth();
  const QColor text = ToQColor(r.FontColor());
  const QColor background = ToQColor(r.Color());
  auto colour = [&](TColor c) { return c == clNone ? text : ToQColor(c); };
  painter.save();
  for (const TOverdrawRun& run : runs) {
    QColor pen = Qt::black;
    QColor brush = background;  // back to the row's background after a red cell
    TFontStyles style = 0;
    switch (run.Kind) {
      case TOverdrawKind::Dbcs:
        pen = colour(displayScheme_->DBCS().Color());
        brush = Qt::red;
        style = displayScheme_->DBCS().Style();
        break;
      case TOverdrawKind::Comment:
        pen = colour(settingsScheme_->Comment().Color());
        style = settingsScheme_->Comment().Style();
        break;
      case TOverdrawKind::Str:
        pen = colour(settingsScheme_->Str().Color());
        style = settingsScheme_->Str().Style();
        break;
      case TOverdrawKind::Plain:
        break;
    }
    painter.setFont(Styled(r.Font(), style));
    painter.setPen(pen);
    painter.setBrush(brush);
    r.DrawTextRect(painter, info.Rect, info.X + static_cast<int>(columnOf(static_cast<std::size_t>(run.Pos))) * w, info.Y,
                   info.LineStr.substr(static_cast<std::size_t>(run.Pos), static_cast<std::size_t>(run.Len)), true);
  }
  painter.restore();
}

}  // namespace tolvan
