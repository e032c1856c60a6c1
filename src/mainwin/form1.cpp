// Construction of the main window: controls, menus, start-up and close.
#include "mainwin/form1.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QShortcut>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "core/file_errors.h"
#include "core/qt/message_service.h"
#include "core/qt/qtext.h"
#include "mainwin/elided_label.h"
#include "run/input_files.h"
#include "mainwin/input_list_widgets.h"
#include "mainwin/job_bridge.h"
#include "mainwin/output_window.h"
#include "colouring/scheme_store.h"
#include "editorwin/editor_window.h"
#include "editorwin/new_script_dialog.h"
#include "job/thread_do_job.h"

namespace tolvan {

namespace {

QToolButton* PictureButton(QWidget* parent, const char* name, QStyle::StandardPixmap icon, const char* hint) {
  auto* b = new QToolButton(parent);
  b->setObjectName(name);
  b->setIcon(parent->style()->standardIcon(icon));
  b->setIconSize(QSize(20, 20));
  b->setToolTip(QString::fromUtf8(hint));
  // A picture says nothing to a screen reader: it reads the hint.
  b->setAccessibleName(b->toolTip());
  b->setAutoRaise(false);
  return b;
}

QComboBox* Combo(QWidget* parent, const char* name, bool editable, const char* hint) {
  auto* c = new QComboBox(parent);
  c->setObjectName(name);
  c->setEditable(editable);
  if (editable) c->setInsertPolicy(QComboBox::NoInsert);
  if (hint) c->setToolTip(QString::fromUtf8(hint));
  // Long script names must not widen the window.
  c->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  c->setMinimumContentsLength(6);
  return c;
}

}  // namespace

TForm1::TForm1(const ProgramPaths& paths, const QStringList& arguments, QWidget* parent)
    : QMainWindow(parent), paths_(paths), editorWindows_(this) {
  setObjectName("Form1");
  setWindowTitle("Tolvan");
  setMinimumSize(400, 300);
  resize(520, 560);

  AskNewScriptName = &TfrmNewScript::Execute;
  BuildControls();
  BuildMenus();
  SetProgramPicture();

  // Files dropped from the file browser.
  setAcceptDrops(true);

  // Added as one batch: a shell pattern can name tens of thousands of files.
  QStringList leftOut, inputs;
  for (const QString& parameter : arguments) inputs << ExpandCommandLineParameter(parameter, &leftOut);
  AddInputFiles(inputs);

  bool settingsFileExisted = IniFile(paths_.SettingsFile()).Exists();
  SetUpCatalogue();
  LoadSettings(settingsFileExisted);

  // The one-line box and its quote choice show only for "One-Liner".
  ScriptKindChanged();

  bridge_ = std::make_unique<TJobBridge>();
  bridge_->onProgress = [this](const QString& l, const QString& c) { ShowProgress(l, c); };
  bridge_->onRunsDone = [this](std::size_t done, std::size_t planned) { ShowRunsDone(done, planned); };
  bridge_->onBusyCursor = [this](bool busy) {
    if (busy) {
      QApplication::setOverrideCursor(Qt::WaitCursor);
      ++busyCursors_;
    } else if (busyCursors_ > 0) {
      QApplication::restoreOverrideCursor();
      --busyCursors_;
    }
  };
  // In the encoding of the job that is running (set before it starts).
  bridge_->onClipboard = [this](const std::string& text) {
    QApplication::clipboard()->setText(ToQString(jobEncoding_, text));
  };
  bridge_->onException = [this](const QString& m) { Messages().Exception(this, m); };
  bridge_->onEnded = [this] { EndOfJob(); };

  // Editor windows that come to the front refresh their commands.
  focusHook_ = connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
    if (!now) return;
    if (TEditorWindowRef* w = editorWindows_.FindByWidget(now->window())) w->RefreshCommands();
  });

  SetUpEditorWindows();

  frmError_ = new TfrmError(this);
  // What the output window showed is not kept once it has closed. The
  // texts a running job writes are its own until it ends.
  connect(frmError_, &TfrmError::Cleared, this, [this] {
    shownOutput_ = {};
    if (!job_) errorText_.clear();
  });
  TellLeftOut(leftOut, false);
  constructed_ = true;
}

void TForm1::TellLeftOut(QStringList shown, bool scripts) {
  if (scripts) {
    QStringList fresh;
    for (const QString& entry : shown)
      if (!toldScripts_.contains(entry)) fresh << entry;
    toldScripts_ += fresh;
    shown = fresh;
  }
  if (shown.isEmpty()) return;
  if (!constructed_) {
    // Told once the window is up rather than before it appears.
    QTimer::singleShot(0, this, [this, shown, scripts] { ShowLeftOut(shown, scripts); });
    return;
  }
  ShowLeftOut(shown, scripts);
}

void TForm1::ShowLeftOut(QStringList shown, bool scripts) {
  shown.sort();
  QString text = QString::fromUtf8(
      scripts ? "次のスクリプトは名前がUTF-8でないので、一覧に出せません。名前をUTF-8に変えてください："
              : "次のファイルは名前がUTF-8でないので、入力ファイルリストに加えられません。名前をUTF-8に変えてください：");
  const int shownAtMost = 20;
  for (int i = 0; i < shown.size() && i < shownAtMost; ++i) text += "\n" + shown[i];
  if (shown.size() > shownAtMost) text += QString::fromUtf8("\nほか%1件").arg(shown.size() - shownAtMost);
  Messages().Show(this, QMessageBox::Warning, QString(), text);
}

TForm1::~TForm1() {
  StopJobForGood();
  // Editor windows still open go first, while the table they were in exists.
  disconnect(focusHook_);
  editorWindows_.SetFactory(nullptr);
  for (int i = 0; i < TEditorWindows::kSlots; ++i) {
    if (TEditorWindowRef* w = editorWindows_.At(i)) {
      editorWindows_.UnregisterEditor(w);
      delete w->Window();
    }
  }
}

void TForm1::StopJobForGood() {
  // The job must not outlive the texts it writes to; with the bridge closed
  // it no longer waits for this thread, so the join cannot deadlock.
  closing_ = true;
  if (job_) {
    bridge_->Close();
    job_->Terminate();
    job_->WaitFor();
    job_.reset();
  }
  RestoreCursor();
}

void TForm1::RestoreCursor() {
  while (busyCursors_ > 0) {
    QApplication::restoreOverrideCursor();
    --busyCursors_;
  }
}

void TForm1::BuildControls() {
  // Below the controls' own minimum the window scrolls instead of
  // squeezing them on top of each other.
  auto* scroll = new QScrollArea(this);
  scroll->setWidgetResizable(true);
  scroll->setFrameShape(QFrame::NoFrame);
  setCentralWidget(scroll);
  auto* central = new QWidget(scroll);
  scroll->setWidget(central);
  auto* layout = new QVBoxLayout(central);
  layout->setSpacing(4);
  layout->setContentsMargins(6, 4, 6, 6);

  // Heading: picture and name, beside the script kinds.
  auto* heading = new QHBoxLayout;
  Image2 = new QLabel;
  Image2->setObjectName("Image2");
  Image2->setToolTip(QString::fromUtf8("ペンギンじゃないよ"));
  Image2->setAccessibleName(Image2->toolTip());
  Image2->setCursor(Qt::PointingHandCursor);
  Image2->installEventFilter(this);
  auto* title = new QLabel("Interface to gawk v111");
  QFont tf = title->font();
  tf.setBold(true);
  title->setFont(tf);
  heading->addStretch();
  heading->addWidget(title);
  heading->addWidget(Image2);

  // Script.
  RadioGroup1 = new QGroupBox("Script", central);
  RadioGroup1->setObjectName("RadioGroup1");
  RadioGroup1->setToolTip(QString::fromUtf8("スクリプトの種類"));
  auto* scriptLayout = new QGridLayout(RadioGroup1);
  radioFile = new QRadioButton("File", RadioGroup1);
  radioFile->setObjectName("radioFile");
  radioFile->setToolTip(QString::fromUtf8("スクリプトファイル"));
  radioOneLiner = new QRadioButton("One-Liner", RadioGroup1);
  radioOneLiner->setObjectName("radioOneLiner");
  radioOneLiner->setToolTip(QString::fromUtf8("一行スクリプト"));
  auto* kinds = new QHBoxLayout;
  kinds->addWidget(radioFile);
  kinds->addWidget(radioOneLiner);
  kinds->addLayout(heading, 1);
  scriptLayout->addLayout(kinds, 0, 0, 1, 2);

  cmbFldr = Combo(RadioGroup1, "cmbFldr", true, "スクリプトフォルダ選択");
  cmbFile = Combo(RadioGroup1, "cmbFile", false, "スクリプトファイル名");
  cmbFile->setMaxVisibleItems(15);
  cmbOneLiner = Combo(RadioGroup1, "cmbOneLiner", true, "一行スクリプト記入欄");
  cmbSep = Combo(RadioGroup1, "cmbSep", false, "スクリプト引用符");
  cmbSep->addItems({QString::fromUtf8("’"), QString::fromUtf8("”")});
  cmbSep->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  auto* scriptRow = new QHBoxLayout;
  scriptRow->addWidget(cmbFldr, 2);
  scriptRow->addWidget(cmbFile, 3);
  scriptRow->addWidget(cmbOneLiner, 5);
  scriptRow->addWidget(cmbSep, 0);
  scriptLayout->addLayout(scriptRow, 1, 0, 1, 2);

  btnNew = PictureButton(RadioGroup1, "btnNew", QStyle::SP_FileIcon, "新規スクリプト");
  btnSave = PictureButton(RadioGroup1, "btnSave", QStyle::SP_DialogSaveButton, "スクリプト保存");
  btnEdit = PictureButton(RadioGroup1, "btnEdit", QStyle::SP_FileDialogContentsView, "スクリプト編集");
  btnDelete = PictureButton(RadioGroup1, "btnDelete", QStyle::SP_TrashIcon, "スクリプト削除");
  btnRun = new QPushButton("Run", RadioGroup1);
  btnRun->setObjectName("btnRun");
  btnRun->setToolTip(QString::fromUtf8("実行"));
  QFont rf = btnRun->font();
  rf.setBold(true);
  btnRun->setFont(rf);
  // Red only while it can be pressed; disabled it takes the style's grey.
  QPalette rp = btnRun->palette();
  rp.setColor(QPalette::Active, QPalette::ButtonText, Qt::red);
  rp.setColor(QPalette::Inactive, QPalette::ButtonText, Qt::red);
  btnRun->setPalette(rp);
  btnRun->setMinimumWidth(80);
  btnTerminate = PictureButton(RadioGroup1, "btnTerminate", QStyle::SP_BrowserStop, "強制終了");
  btnTerminate->hide();
  auto* buttons = new QHBoxLayout;
  // Save takes New's place and Delete moves next to it for one-liners.
  buttons->addWidget(btnNew);
  buttons->addWidget(btnSave);
  buttons->addWidget(btnEdit);
  buttons->addWidget(btnDelete);
  buttons->addStretch();
  buttons->addWidget(btnTerminate);
  buttons->addWidget(btnRun);
  scriptLayout->addLayout(buttons, 2, 0, 1, 2);
  layout->addWidget(RadioGroup1);

  // Input.
  auto* inputRow = new QHBoxLayout;
  inputRow->addWidget(new QLabel(QString::fromUtf8("Input："), central));
  cmbInput = Combo(central, "cmbInput", false, "入力データ選択");
  cmbInput->addItems({"File", "Clipboard", "Null"});
  cmbInput->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  inputRow->addWidget(cmbInput);
  lblNN = new QLabel(central);
  lblNN->setObjectName("lblNN");
  lblProc_fname = new TElidedLabel(central);
  lblProc_fname->setObjectName("lblProc_fname");
  // Runs done of runs planned, for a job of one run per input.
  pbRuns = new QProgressBar(central);
  pbRuns->setObjectName("pbRuns");
  pbRuns->setTextVisible(false);
  pbRuns->setFixedWidth(80);
  lblNN->hide();
  pbRuns->hide();
  lblProc_fname->hide();
  inputRow->addWidget(lblNN);
  inputRow->addWidget(pbRuns);
  inputRow->addWidget(lblProc_fname, 1);
  inputRow->addStretch();
  btnUp = PictureButton(central, "btnUp", QStyle::SP_ArrowUp, "ファイルを上へ");
  btnDown = PictureButton(central, "btnDown", QStyle::SP_ArrowDown, "ファイルを下へ");
  btnFldr = PictureButton(central, "btnFldr", QStyle::SP_DirOpenIcon, "フォルダ選択");
  btnFiles = PictureButton(central, "btnFiles", QStyle::SP_FileDialogStart, "処理ファイルを選択");
  btnFCancel = new TRemoveButton(central);
  btnFCancel->setObjectName("btnFCancel");
  btnFCancel->setIcon(style()->standardIcon(QStyle::SP_DialogDiscardButton));
  btnFCancel->setIconSize(QSize(20, 20));
  btnFCancel->setToolTip(QString::fromUtf8("リストから削除"));
  btnFCancel->setAccessibleName(btnFCancel->toolTip());
  for (QToolButton* b : {btnUp, btnDown, btnFldr, btnFiles, static_cast<QToolButton*>(btnFCancel)})
    inputRow->addWidget(b);
  layout->addLayout(inputRow);

  lstInputFiles = new TInputList(central);
  lstInputFiles->setObjectName("lstInputFiles");
  lstInputFiles->setToolTip(QString::fromUtf8("入力ファイルリスト"));
  lstInputFiles->setAccessibleDescription(lstInputFiles->toolTip());
  lstInputFiles->setMinimumHeight(48);
  layout->addWidget(lstInputFiles, 1);

  // Output.
  auto* outputRow = new QHBoxLayout;
  outputRow->addWidget(new QLabel(QString::fromUtf8("Output："), central));
  cmbOutput = Combo(central, "cmbOutput", false, "出力選択");
  cmbOutput->addItems({"1 Files(new)", QString::fromUtf8("2 File(単一上書)"), QString::fromUtf8("3 File(単一追加)"),
                       "4 Screen", "5 Clipboard", "6 Null"});
  cmbOutput->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  outputRow->addWidget(cmbOutput);

  prefixGroup = new QWidget(central);
  auto* prefixLayout = new QHBoxLayout(prefixGroup);
  prefixLayout->setContentsMargins(0, 0, 0, 0);
  auto* lblPreFix = new QLabel(QString::fromUtf8("PreFix："), prefixGroup);
  lblPreFix->setObjectName("lblPreFix");
  memPreFix = new QLineEdit("new_", prefixGroup);
  memPreFix->setObjectName("memPreFix");
  memPreFix->setAlignment(Qt::AlignCenter);
  memPreFix->setToolTip(QString::fromUtf8("新しいファイルを作るときの接頭辞"));
  prefixLayout->addWidget(lblPreFix);
  prefixLayout->addWidget(memPreFix, 1);
  outputRow->addWidget(prefixGroup, 1);

  outFileGroup = new QWidget(central);
  auto* outFileLayout = new QHBoxLayout(outFileGroup);
  outFileLayout->setContentsMargins(0, 0, 0, 0);
  btnNewFile = new QPushButton(QString::fromUtf8("新規"), outFileGroup);
  btnNewFile->setMaximumWidth(56);
  btnNewFile->setObjectName("btnNewFile");
  btnNewFile->setToolTip(QString::fromUtf8("新規ファイル作成"));
  btnOldFile = new QPushButton(QString::fromUtf8("既存"), outFileGroup);
  btnOldFile->setMaximumWidth(56);
  btnOldFile->setObjectName("btnOldFile");
  btnOldFile->setToolTip(QString::fromUtf8("既存ファイル選択"));
  edtOutFName = new QLineEdit(outFileGroup);
  edtOutFName->setObjectName("edtOutFName");
  edtOutFName->setReadOnly(true);
  edtOutFName->setToolTip(QString::fromUtf8("出力ファイル名"));
  edtOutFName->setMinimumWidth(80);
  outFileLayout->addWidget(btnNewFile);
  outFileLayout->addWidget(btnOldFile);
  outFileLayout->addWidget(edtOutFName, 1);
  outputRow->addWidget(outFileGroup, 1);
  outputRow->addStretch(0);  // takes the room when both groups are hidden
  layout->addLayout(outputRow);

  auto* optionRow = new QHBoxLayout;
  optionRow->addWidget(new QLabel(QString::fromUtf8("Option："), central));
  cmbOpt = Combo(central, "cmbOpt", true, nullptr);
  cmbOpt->setMinimumContentsLength(12);
  cmbOpt->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  optionRow->addWidget(cmbOpt, 1);
  layout->addLayout(optionRow);

  chkSCmdLn = new QCheckBox(QString::fromUtf8("単一 CmdLineを作成するかどうか"), central);
  chkSCmdLn->setObjectName("chkSCmdLn");
  layout->addWidget(chkSCmdLn);

  // Wiring.
  connect(radioFile, &QRadioButton::toggled, this, [this](bool on) { if (on) ScriptKindChanged(); });
  connect(radioOneLiner, &QRadioButton::toggled, this, [this](bool on) { if (on) ScriptKindChanged(); });
  connect(cmbFldr, &QComboBox::currentTextChanged, this, [this] { FillScriptList(); });
  connect(cmbFile, &QComboBox::currentTextChanged, this, [this] { UpdateEditDeleteButtons(); });
  connect(cmbFile, QOverload<int>::of(&QComboBox::activated), this, [this] { ScriptPicked(); });
  connect(btnNew, &QToolButton::clicked, this, [this] { NewScript(); });
  connect(btnEdit, &QToolButton::clicked, this, [this] { EditScript(); });
  connect(btnSave, &QToolButton::clicked, this, [this] { SaveOneLiner(); });
  connect(btnDelete, &QToolButton::clicked, this, [this] { DeleteClicked(); });
  connect(btnRun, &QPushButton::clicked, this, [this] { RunScript(); });
  connect(btnTerminate, &QToolButton::clicked, this, [this] { TerminateJob(); });
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  connect(escape, &QShortcut::activated, this, [this] {
    if (btnTerminate->isVisible()) TerminateJob();
  });
  connect(cmbInput, QOverload<int>::of(&QComboBox::currentIndexChanged), this, [this](int i) { InputChoiceChanged(i); });
  connect(cmbOutput, QOverload<int>::of(&QComboBox::currentIndexChanged), this, [this](int i) { OutputChoiceChanged(i); });
  connect(btnUp, &QToolButton::clicked, this, [this] { MoveUp(); });
  connect(btnDown, &QToolButton::clicked, this, [this] { MoveDown(); });
  connect(btnFldr, &QToolButton::clicked, this, [this] { SelectFolder(); });
  connect(btnFiles, &QToolButton::clicked, this, [this] { SelectInputFiles(); });
  connect(btnFCancel, &QToolButton::clicked, this, [this] { RemoveSelected(); });
  connect(lstInputFiles, &QListWidget::itemDoubleClicked, this, [this] { OpenInputEntry(); });
  connect(btnNewFile, &QPushButton::clicked, this, [this] { NewOutputFile(); });
  connect(btnOldFile, &QPushButton::clicked, this, [this] { ExistingOutputFile(); });
}

void TForm1::BuildMenus() {
  auto action = [this](QMenu* menu, const char* text, const char* shortcut, auto slot) {
    QAction* a = menu->addAction(QString::fromUtf8(text));
    if (shortcut) a->setShortcut(QKeySequence(shortcut));
    connect(a, &QAction::triggered, this, slot);
    return a;
  };

  QMenu* file = menuBar()->addMenu(QString::fromUtf8("ファイル(&F)"));
  action(file, "入力ファイル選択", "Ctrl+O", [this] { SelectInputFiles(); });
  action(file, "環境設定", nullptr, [this] { OpenEnvironmentDialog(); });
  file->addSeparator();
  action(file, "終了(&X)", nullptr, [this] { close(); });

  QMenu* edit = menuBar()->addMenu(QString::fromUtf8("編集(&E)"));
  BuildEditActions(edit);
  edit->addSeparator();
  BuildSelectAllAction(edit);

  mnuScript = menuBar()->addMenu(QString::fromUtf8("スクリプトファイル(&S)"));
  mnuNewScript = action(mnuScript, "新規スクリプト(&N)", "Ctrl+N", [this] { NewScript(); });
  mnuNewScript->setObjectName("mnuNewScript");
  mnuEditScript = action(mnuScript, "スクリプト編集", "Ctrl+E", [this] { EditScript(); });
  mnuDeleteScript = action(mnuScript, "スクリプト削除", nullptr, [this] { DeleteScript(); });
  mnuScript->addSeparator();
  action(mnuScript, "スクリプト一覧更新", nullptr, [this] { RefreshScriptLists(); });
  action(mnuScript, "scriptsフォルダを開く", nullptr, [this] { OpenScriptsFolder(); });
  connect(mnuScript, &QMenu::aboutToShow, this, [this] {
    mnuEditScript->setEnabled(btnEdit->isEnabled());
    mnuDeleteScript->setEnabled(btnDelete->isEnabled());
  });

  QMenu* run = menuBar()->addMenu(QString::fromUtf8("実行(&R)"));
  mnuRun = action(run, "スクリプト実行(&R)", "Ctrl+R", [this] { RunScript(); });
  action(run, "AwkOptions", nullptr, [this] { ShowAwkOptions(); });

  QMenu* help = menuBar()->addMenu(QString::fromUtf8("ヘルプ(&H)"));
  action(help, "ヘルプを表示", "Ctrl+H", [this] { OpenHelpContents(); });
  action(help, "バージョン情報", nullptr, [this] { ShowAbout(); });
}

void TForm1::LoadSettings(bool settingsFileExisted) {
  IniFile ini(paths_.SettingsFile());
  LoadColouringScheme(ini, settingsFileExisted);
  settings_ = LoadMainSettings(ini);
  // Also after a first session that ended without closing the window (the
  // file then holds the scheme only).
  FindAwkUntilStored(ini, settings_);
  standIn_ = QString::fromStdString(StandInForUnusableAwk(settings_));
  if (!standIn_.isEmpty())
    QTimer::singleShot(0, this, [this] { Messages().Show(this, QMessageBox::Warning, QString(), standIn_); });
  chkSCmdLn->setChecked(settings_.SCmdLn);
  cmbSep->setCurrentIndex(settings_.ScriptQuote == 0 || settings_.ScriptQuote == 1 ? settings_.ScriptQuote : -1);
  cmbOpt->setEditText(ToQString(settings_.Option));
  memPreFix->setText(ToQString(settings_.Pref));
}

void TForm1::SaveSettings() {
  MainSettings s = settings_;
  QString failed;
  auto pref = KeepOrEncode(memPreFix->text(), settings_.Pref, &failed);
  s.Pref = pref ? *pref : std::string();  // unstorable: keep what is stored
  s.SCmdLn = chkSCmdLn->isChecked();
  s.ScriptQuote = cmbSep->currentIndex() < 0 ? settings_.ScriptQuote : cmbSep->currentIndex();
  // The settings file is CP932 whatever the last job was.
  auto option = OptionBytes(TextEncoding::Cp932, nullptr);
  s.Option = option ? *option : settings_.Option;
  IniFile ini(paths_.SettingsFile());
  if (!SaveMainSettings(ini, s))
    Messages().Error(this, QString::fromUtf8("設定ファイルを書き込めませんでした：") +
                               QString::fromStdString(FileErrorText(paths_.SettingsFile(), errno)));
  settings_ = s;
}

void TForm1::closeEvent(QCloseEvent* event) {
  int open = editorWindows_.OccupiedCount();
  if (open > 0) {
    for (int i = 0; i < open; ++i)
      Messages().Plain(this, QString::fromUtf8("先にエディタウィンドウを閉じてください"));
    event->ignore();
    return;
  }
  StopJobForGood();
  SaveSettings();
  SaveOptionHistory();
  event->accept();
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Image2 && event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    ShowAbout();
    return true;
  }
  return QMainWindow::eventFilter(watched, event);
}

}  // namespace tolvan
