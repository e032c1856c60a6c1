#include "app/env_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <limits>
#include <system_error>

#include "core/codepage.h"
#include "core/filename_check.h"
#include "core/qt/message_service.h"
#include "core/qt/qtext.h"

namespace tolvan {
namespace {

std::filesystem::path ToPath(const QString& s) {
  return std::filesystem::path(QFile::encodeName(s).toStdString());
}

// The chosen file is this program itself, under whatever name or link.
bool IsSameFile(const QString& chosen, const std::filesystem::path& own) {
  if (own.empty()) return false;
  std::error_code ec;
  return std::filesystem::equivalent(ToPath(chosen), own, ec);
}

QString DefaultChooser(QWidget* parent, const QString& startFolder) {
  // "*.exe" means nothing here: show every file.
  return QFileDialog::getOpenFileName(parent, QString(), startFolder,
                                      QStringLiteral("エグゼファイFilter (*)"));
}

// The extension without its dot, cut to three characters; a double-byte
// character is never split. A value without a dot (a hand-edited file) keeps
// its first letter.
std::string ShownExtension(const std::string& ext) {
  std::size_t start = !ext.empty() && ext[0] == '.' ? 1 : 0;
  std::size_t end = start;
  for (int n = 0; n < 3 && end < ext.size(); ++n) end = cp932::NextChar(ext, end);
  return ext.substr(start, end - start);
}

QString UnstorableMessage(const QString& what, const QString& ch) {
  return QStringLiteral("%1に設定ファイル(Shift-JIS)で表せない文字「%2」が含まれているため、保存できません")
      .arg(what, ch);
}

}  // namespace

const QString TfrmEnv::kOwnExecutableMessage = QStringLiteral("Tolvan.exeではなくawk.exeを指定してください");
const QString TfrmEnv::kNotAwkMessage = QStringLiteral("これはawk.exeではありません");
const QString TfrmEnv::kEmptyExtensionMessage = QStringLiteral("スクリプトファイルの拡張子を入力してください");

bool TfrmEnv::Execute(QWidget* parent, MainSettings& settings,
                      const std::filesystem::path& ownExecutable, const QString& folders) {
  TfrmEnv dialog(settings, ownExecutable, parent);
  dialog.ShowFolders(folders);
  dialog.exec();
  return dialog.WasSet();
}

TfrmEnv::TfrmEnv(MainSettings& settings, std::filesystem::path ownExecutable, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowStaysOnTopHint),
      ChooseFile(&DefaultChooser),
      settings_(settings),
      ownExe_(std::move(ownExecutable)) {
  setObjectName(QStringLiteral("frmEnv"));
  setWindowTitle(QStringLiteral("環境設定"));

  auto* Label1 = new QLabel(QStringLiteral("awk.exeの所在："), this);
  edtAwkPath = new QLineEdit(this);
  edtAwkPath->setObjectName(QStringLiteral("edtAwkPath"));
  edtAwkPath->setReadOnly(true);
  edtAwkPath->setMinimumWidth(320);
  btnDir = new QPushButton(QStringLiteral("..."), this);
  btnDir->setObjectName(QStringLiteral("btnDir"));
  btnDir->setFixedWidth(32);

  auto* GroupBox2 = new QGroupBox(QStringLiteral("スクリプトファイルの拡張子："), this);
  edtExtention = new QLineEdit(GroupBox2);
  edtExtention->setObjectName(QStringLiteral("edtExtention"));
  edtExtention->setMaximumWidth(80);
  (new QHBoxLayout(GroupBox2))->addWidget(edtExtention, 0, Qt::AlignLeft);

  auto* GroupBox1 = new QGroupBox(QStringLiteral("スクリプトファイルコンボボックスの動作："), this);
  chkSptOpen = new QCheckBox(QStringLiteral("クリックでオープンする"), GroupBox1);
  chkSptOpen->setObjectName(QStringLiteral("chkSptOpen"));
  (new QHBoxLayout(GroupBox1))->addWidget(chkSptOpen);

  auto* GroupBox3 = new QGroupBox(QStringLiteral("外部エディタ"), this);
  chkExtEditor = new QCheckBox(QStringLiteral("内蔵エディタを使用しない"), GroupBox3);
  chkExtEditor->setObjectName(QStringLiteral("chkExtEditor"));
  (new QHBoxLayout(GroupBox3))->addWidget(chkExtEditor);

  // Runs at once over an input list; the most is the number of cores.
  auto* GroupBox4 = new QGroupBox(QStringLiteral("同時実行数"), this);
  spnParallel = new QSpinBox(GroupBox4);
  spnParallel->setObjectName(QStringLiteral("spnParallel"));
  spnParallel->setRange(1, ClampParallel(std::numeric_limits<int>::max()));
  spnParallel->setToolTip(QStringLiteral(
      "入力ファイルごとに gawk をいくつ同時に動かすか。結果は 1 のときと同じです。"
      "自分でファイルを書くスクリプトや system() を使うスクリプトでは 1 にしてください"));
  auto* parallelRow = new QHBoxLayout(GroupBox4);
  parallelRow->addWidget(spnParallel);
  parallelRow->addStretch(1);

  // Encodings: item index is the TextEncoding value.
  auto encodingBox = [this](QWidget* parent, const char* name) {
    auto* box = new QComboBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->addItem(QStringLiteral("CP932 (Shift-JIS)"));
    box->addItem(QStringLiteral("UTF-8"));
    return box;
  };
  auto* GroupBox5 = new QGroupBox(QStringLiteral("文字コード"), this);
  cmbEncoding = encodingBox(GroupBox5, "cmbEncoding");
  cmbEncoding->setToolTip(QStringLiteral(
      "一行スクリプトとオプションをgawkに渡す文字コード。スクリプトファイルはそのファイルの文字コードで実行します"));
  cmbNewEncoding = encodingBox(GroupBox5, "cmbNewEncoding");
  auto* encodingGrid = new QGridLayout(GroupBox5);
  encodingGrid->addWidget(new QLabel(QStringLiteral("一行スクリプト："), GroupBox5), 0, 0);
  encodingGrid->addWidget(cmbEncoding, 0, 1);
  encodingGrid->addWidget(new QLabel(QStringLiteral("新規スクリプト："), GroupBox5), 1, 0);
  encodingGrid->addWidget(cmbNewEncoding, 1, 1);
  encodingGrid->setColumnStretch(2, 1);

  // Item index is the CrLfInput value.
  auto* GroupBox6 = new QGroupBox(QStringLiteral("CR LF を行末として読む"), this);
  cmbCrLf = new QComboBox(GroupBox6);
  cmbCrLf->setObjectName(QStringLiteral("cmbCrLf"));
  cmbCrLf->addItems({QStringLiteral("自動"), QStringLiteral("常に"), QStringLiteral("しない")});
  cmbCrLf->setToolTip(QStringLiteral(
      "自動: 入力に CR LF の行末があれば、Windows と同じく CR LF までを1レコードとして読みます"
      "(gawk に -v 'RS=\\r?\\n' を渡します)。出力の行末は LF のままです"));
  auto* crlfRow = new QHBoxLayout(GroupBox6);
  crlfRow->addWidget(cmbCrLf);
  crlfRow->addStretch(1);
  lblFolders = new QLabel(this);
  lblFolders->setObjectName(QStringLiteral("lblFolders"));
  lblFolders->setTextInteractionFlags(Qt::TextSelectableByMouse);
  lblFolders->setVisible(false);

  btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
  btnCancel->setObjectName(QStringLiteral("btnCancel"));
  btnSet = new QPushButton(QStringLiteral("Set"), this);
  btnSet->setObjectName(QStringLiteral("btnSet"));
  btnSet->setDefault(true);

  auto* pathRow = new QHBoxLayout;
  pathRow->addWidget(edtAwkPath, 1);
  pathRow->addWidget(btnDir);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(btnCancel);
  buttons->addWidget(btnSet);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Label1);
  layout->addLayout(pathRow);
  layout->addWidget(GroupBox2);
  layout->addWidget(GroupBox1);
  layout->addWidget(GroupBox3);
  layout->addWidget(GroupBox4);
  layout->addWidget(GroupBox5);
  layout->addWidget(GroupBox6);
  layout->addWidget(lblFolders);
  layout->addLayout(buttons);

  connect(edtAwkPath, &QLineEdit::textChanged, this, &TfrmEnv::EnableSetWhenFilled);
  connect(edtExtention, &QLineEdit::textChanged, this, &TfrmEnv::EnableSetWhenFilled);
  connect(chkSptOpen, &QCheckBox::clicked, this, &TfrmEnv::EnableSetWhenFilled);
  connect(chkExtEditor, &QCheckBox::clicked, this, [this] { btnSet->setEnabled(true); });
  connect(spnParallel, &QSpinBox::valueChanged, this, &TfrmEnv::EnableSetWhenFilled);
  connect(cmbEncoding, &QComboBox::activated, this, &TfrmEnv::EnableSetWhenFilled);
  connect(cmbNewEncoding, &QComboBox::activated, this, &TfrmEnv::EnableSetWhenFilled);
  connect(cmbCrLf, &QComboBox::activated, this, &TfrmEnv::EnableSetWhenFilled);
  connect(btnDir, &QPushButton::clicked, this, &TfrmEnv::btnDirClick);
  connect(btnSet, &QPushButton::clicked, this, &TfrmEnv::btnSetClick);
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

  // Showing: the current values.
  pathBytes_ = settings_.Path;
  edtAwkPath->setText(ToQString(pathBytes_));
  extBytes_ = ShownExtension(settings_.Ext);
  extShown_ = ToQString(extBytes_);
  edtExtention->setText(extShown_);
  chkSptOpen->setChecked(settings_.SClickOpen);
  chkExtEditor->setChecked(settings_.ExEditor);
  spnParallel->setValue(ClampParallel(settings_.Parallel));
  cmbEncoding->setCurrentIndex(static_cast<int>(settings_.Encoding));
  cmbNewEncoding->setCurrentIndex(static_cast<int>(settings_.NewScriptEncoding));
  cmbCrLf->setCurrentIndex(static_cast<int>(settings_.CrLf));
  btnSet->setEnabled(false);
}

void TfrmEnv::ShowFolders(const QString& text) {
  lblFolders->setText(text);
  lblFolders->setVisible(!text.isEmpty());
}

void TfrmEnv::EnableSetWhenFilled() {
  if (!edtAwkPath->text().isEmpty() && !edtExtention->text().isEmpty()) btnSet->setEnabled(true);
}

void TfrmEnv::btnDirClick() {
  QString start;
  if (!edtAwkPath->text().isEmpty()) start = QFileInfo(edtAwkPath->text()).absolutePath();
  const QString chosen = ChooseFile ? ChooseFile(this, start) : QString();
  if (chosen.isEmpty()) return;

  if (IsSameFile(chosen, ownExe_)) {
    Messages().Beep();
    Messages().Show(this, QMessageBox::Information, QString(), kOwnExecutableMessage);
    return;
  }
  if (!chosen.toUpper().contains(QStringLiteral("AWK"))) {
    Messages().Show(this, QMessageBox::Information, QString(), kNotAwkMessage);
    return;
  }
  // The path goes into the CP932 settings file; refuse what would be damaged.
  QString bad;
  if (!ToCp932(chosen, &bad)) {
    Messages().BeepError(this, UnstorableMessage(QStringLiteral("パス"), bad));
    return;
  }
  pathBytes_ = *ToCp932(chosen);
  edtAwkPath->setText(chosen);
}

void TfrmEnv::btnSetClick() {
  QString bad;
  std::optional<std::string> ext = KeepOrEncode(edtExtention->text(), extBytes_, &bad);
  if (!ext) {
    Messages().BeepError(this, UnstorableMessage(QStringLiteral("拡張子"), bad));
    return;
  }
  switch (CheckFileName(*ext)) {
    case FileNameCheck::BadCharacter:
      Messages().BeepError(this, QString::fromUtf8(kBadFileNameMessage));
      return;
    case FileNameCheck::Empty:
      Messages().BeepError(this, kEmptyExtensionMessage);
      return;
    case FileNameCheck::Ok:
      break;
  }
  // A lone dot is no extension either.
  if (*ext == ".") {
    Messages().BeepError(this, kEmptyExtensionMessage);
    return;
  }
  settings_.Ext = ext->front() == '.' ? *ext : "." + *ext;
  settings_.Path = pathBytes_;
  settings_.PathInFile.reset();  // set now: what the box shows is stored
  settings_.SClickOpen = chkSptOpen->isChecked();
  settings_.ExEditor = chkExtEditor->isChecked();
  settings_.Parallel = spnParallel->value();
  settings_.Encoding = static_cast<TextEncoding>(cmbEncoding->currentIndex());
  settings_.NewScriptEncoding = static_cast<TextEncoding>(cmbNewEncoding->currentIndex());
  settings_.CrLf = static_cast<CrLfInput>(cmbCrLf->currentIndex());
  set_ = true;
  accept();
}

}  // namespace tolvan
