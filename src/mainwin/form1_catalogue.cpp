// The script catalogue of the main window: folders, scripts, one-liners and
// the option history.
#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QAction>
#include <QRadioButton>
#include <QToolButton>
#include <QMessageBox>
#include <QTimer>

#include "core/file_errors.h"
#include "core/qt/message_service.h"
#include "core/qt/qtext.h"
#include "job/command_line.h"
#include "mainwin/combo_bytes.h"
#include "mainwin/desktop.h"
#include "mainwin/form1.h"
#include "mainwin/script_catalogue.h"
#include "settings/line_file.h"
#include "settings/program_files.h"

namespace tolvan {

namespace {
QStringList Items(const QComboBox* c) {
  QStringList items;
  for (int i = 0; i < c->count(); ++i) items << c->itemText(i);
  return items;
}

int FindCaseInsensitive(const QComboBox* c, const QString& text) {
  for (int i = 0; i < c->count(); ++i)
    if (QString::compare(c->itemText(i), text, Qt::CaseInsensitive) == 0) return i;
  return -1;
}
}  // namespace

void TForm1::SetUpCatalogue() {
  const ProgramFilesReport made = MakeProgramFiles(paths_);
  if (!made.problems.empty()) TellFolderProblems(made.problems);
  else if (!made.oneLinerFileOk) Messages().BeepError(this, QString::fromUtf8("One-Liner.txtの作成に失敗しました"));
  radioFile->setChecked(true);
  btnSave->setEnabled(false);

  std::vector<std::string> lines;
  oneLinerFile_.Load(lines);  // a file that cannot be read is not written back
  for (const std::string& l : lines)
    InsertStoredItem(cmbOneLiner, SortedInsertIndex(Items(cmbOneLiner), ToQString(l)), l);
  cmbOneLiner->setEditText(QString());

  BuildLists();
  UpdateEditDeleteButtons();
  cmbInput->setCurrentIndex(0);
  cmbOutput->setCurrentIndex(0);
  InputChoiceChanged(0);
  OutputChoiceChanged(0);
  LoadOptionHistory();
}

void TForm1::TellFolderProblems(const std::vector<FolderProblem>& problems) {
  QString text;
  for (const FolderProblem& p : problems) text += QString::fromStdString(FolderProblemText(p)) + "\n";
  text += QString::fromUtf8("設定やスクリプトを保存できません。フォルダを作れるようにしてから起動し直してください。");
  // Told once the window is up, which runs on without those folders.
  QTimer::singleShot(0, this, [this, text] { Messages().Show(this, QMessageBox::Warning, QString(), text); });
}

void TForm1::BuildLists() {
  QSignalBlocker blockFolder(cmbFldr);
  cmbFldr->clear();
  cmbFldr->addItem(kTopFolderText);
  QStringList leftOut;
  cmbFldr->addItems(ListScriptFolders(paths_, &leftOut));
  cmbFldr->setCurrentIndex(0);
  FillScriptList(leftOut);
}

void TForm1::RefreshScriptLists() {
  toldScripts_.clear();  // a fresh listing tells again what it leaves out
  BuildLists();
  UpdateEditDeleteButtons();
}

void TForm1::FillScriptList(QStringList leftOut) {
  QSignalBlocker block(cmbFile);
  cmbFile->clear();
  // Typed text that names no listed folder lists nothing: "..", a path or
  // a half-typed name must never turn other files into scripts.
  QString folder = ChosenFolder();
  if (!folder.isEmpty()) cmbFile->addItems(ListScripts(paths_, folder, &leftOut));
  cmbFile->setCurrentIndex(cmbFile->count() > 0 ? 0 : -1);
  UpdateEditDeleteButtons();
  TellLeftOut(leftOut, true);
}

QString TForm1::ChosenFolder() const {
  QString typed = cmbFldr->currentText();
  int i = cmbFldr->findText(typed, Qt::MatchExactly | Qt::MatchCaseSensitive);
  if (i < 0) i = FindCaseInsensitive(cmbFldr, typed);
  return i < 0 ? QString() : cmbFldr->itemText(i);
}

void TForm1::UpdateEditDeleteButtons() {
  UpdateRunButton();
  if (radioOneLiner->isChecked()) return;
  bool folder = !ChosenFolder().isEmpty();
  btnNew->setEnabled(folder);
  mnuNewScript->setEnabled(folder);
  bool any = folder && !cmbFile->currentText().isEmpty();
  btnEdit->setEnabled(any);
  btnDelete->setEnabled(any);
}

void TForm1::UpdateRunButton() {
  bool ready = !job_ && (radioOneLiner->isChecked() || !ChosenFolder().isEmpty());
  btnRun->setEnabled(ready);
  mnuRun->setEnabled(ready);
}

QString TForm1::CurrentScriptPath() const {
  return ScriptPath(paths_, ChosenFolder(), cmbFile->currentText());
}

void TForm1::NewScript() {
  QString folder = ChosenFolder();
  if (folder.isEmpty()) return;  // the command is disabled then
  QString name = AskNewScriptName(this, ToQString(settings_.Ext), Items(cmbFile));
  if (name.isEmpty()) return;
  QString path = ScriptPath(paths_, folder, name);
  bool exists = false;
  if (!CreateScriptFromTemplate(path, &exists)) {
    Messages().Beep();
    if (exists)
      Messages().Error(this, QString::fromUtf8("そのスクリプト名は既に存在します"));
    else
      Messages().Error(this, QString::fromUtf8("スクリプトファイルの作成に失敗しました"));
    return;
  }
  {
    QSignalBlocker block(cmbFile);
    int at = SortedInsertIndex(Items(cmbFile), name);
    cmbFile->insertItem(at, name);
    cmbFile->setCurrentIndex(at);
  }
  if (settings_.ExEditor || !editorWindows_.HasFactory()) {
    int code = Desktop().OpenWithAssociatedProgram(path);
    if (code <= 32) {
      Messages().BeepError(this, QString::fromUtf8("ファイルが開けません！エラー番号：") + QString::number(code));
    }
  } else {
    editorWindows_.OpenEditor(path);
  }
  btnEdit->setEnabled(true);
  btnDelete->setEnabled(true);
}

void TForm1::EditScript() {
  if (cmbFile->currentText().isEmpty()) {
    Messages().Show(this, QMessageBox::Question, QString(), QString::fromUtf8("ファイル名が記入されていません"));
    return;
  }
  OpenScriptForEditing(CurrentScriptPath(), true);
}

void TForm1::OpenScriptForEditing(const QString& path, bool lookUpByCaption) {
  if (!QFileInfo::exists(path)) {
    Messages().Error(this, path + QString::fromUtf8(" は存在しません"));
    return;
  }
  // Without an internal editor window the desktop's program edits the
  // script, whatever ExEditor says.
  if (settings_.ExEditor || !editorWindows_.HasFactory()) {
    int code = Desktop().OpenWithAssociatedProgram(path);
    if (code <= 32)
      Messages().BeepError(this, QString::fromUtf8("ファイルが開けません！エラー番号：") + QString::number(code));
    return;
  }
  if (lookUpByCaption && editorWindows_.ActivateEditorByCaption(path)) return;
  editorWindows_.OpenEditor(path);
}

void TForm1::ScriptPicked() {
  if (!settings_.SClickOpen || cmbFile->currentText().isEmpty()) return;
  OpenScriptForEditing(CurrentScriptPath(), false);
}

void TForm1::DeleteClicked() {
  if (radioFile->isChecked()) DeleteScript();
  else DeleteOneLiner();
}

void TForm1::DeleteScript() {
  QString name = cmbFile->currentText();
  if (name.isEmpty()) {
    Messages().BeepError(this, QString::fromUtf8("ファイルが指定されていません！"));
    return;
  }
  auto answer = Messages().Ask(this, QMessageBox::Warning, QString(), name + QString::fromUtf8(" をごみ箱に移動します"),
                               QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok);
  if (answer != QMessageBox::Ok) return;
  int code = Desktop().MoveToTrash(CurrentScriptPath());
  if (code != 0) {
    Messages().Error(this, QString::fromUtf8("失敗しました。エラー：") + QString::number(code));
    return;
  }
  QSignalBlocker block(cmbFile);
  cmbFile->removeItem(cmbFile->currentIndex());
  btnEdit->setEnabled(false);
  btnDelete->setEnabled(false);
}

void TForm1::SaveOneLiner() {
  QString text = cmbOneLiner->currentText();
  // An empty line could never be deleted again.
  if (text.isEmpty()) {
    Messages().BeepError(this, QString::fromUtf8("スクリプトが指定されていません！"));
    return;
  }
  if (FindCaseInsensitive(cmbOneLiner, text) >= 0) {
    Messages().Beep();
    Messages().Plain(this, QString::fromUtf8("このスクリプトは既に保存されています"));
    return;
  }
  QString failed;
  auto bytes = ToCp932(text, &failed);
  if (!bytes) {
    // One-Liner.txt is CP932: a UTF-8 one-liner that it cannot hold still
    // runs, but is never stored damaged.
    const char* why = settings_.Encoding == TextEncoding::Utf8
                          ? "「%1」はOne-Liner.txtの文字コード(Shift-JIS)で表せない文字なので保存できません。"
                            "このスクリプトはUTF-8でそのまま実行できます"
                          : "「%1」はShift-JISで表せない文字なので保存できません";
    Messages().BeepError(this, QString::fromUtf8(why).arg(failed));
    return;
  }
  int at = SortedInsertIndex(Items(cmbOneLiner), text);
  InsertStoredItem(cmbOneLiner, at, *bytes);
  cmbOneLiner->setEditText(text);
  WriteOneLiners();
  btnDelete->setEnabled(true);
}

void TForm1::DeleteOneLiner() {
  QString text = cmbOneLiner->currentText();
  if (text.isEmpty()) {
    Messages().BeepError(this, QString::fromUtf8("スクリプトが指定されていません！"));
    return;
  }
  int i = FindCaseInsensitive(cmbOneLiner, text);
  if (i < 0) {
    Messages().Beep();
    Messages().Plain(this, QString::fromUtf8("このスクリプトまだ保存されていないので削除する必要はありません"));
    return;
  }
  cmbOneLiner->removeItem(i);
  cmbOneLiner->setEditText(QString());
  WriteOneLiners();
  btnDelete->setEnabled(cmbOneLiner->count() > 0);
}

void TForm1::WriteOneLiners() {
  std::vector<std::string> lines;
  for (int i = 0; i < cmbOneLiner->count(); ++i)
    lines.push_back(ItemBytes(cmbOneLiner, i).value_or(ToCp932Lossy(cmbOneLiner->itemText(i))));
  if (!oneLinerFile_.Save(lines))
    Messages().Error(this, QString::fromUtf8("One-Liner.txtに書き込めませんでした：") +
                               QString::fromStdString(FileErrorText(oneLinerFile_.Path(), errno)));
}

void TForm1::LoadOptionHistory() {
  std::vector<std::string> lines;
  if (!optionHistoryFile_.Load(lines)) return;  // and is not written back at close
  for (const std::string& l : lines) InsertStoredItem(cmbOpt, -1, l);
  if (cmbOpt->count() > 0) cmbOpt->setCurrentIndex(0);
}

void TForm1::SaveOptionHistory() {
  std::vector<std::string> lines;
  for (int i = 0; i < cmbOpt->count(); ++i) lines.push_back(ItemBytes(cmbOpt, i).value_or(ToCp932Lossy(cmbOpt->itemText(i))));
  optionHistoryFile_.Save(lines);
}

void TForm1::OpenScriptsFolder() { Desktop().OpenFolder(QFile::decodeName(paths_.ScriptsFolder().c_str())); }

}  // namespace tolvan
