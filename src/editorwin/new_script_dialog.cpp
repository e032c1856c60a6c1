#include "editorwin/new_script_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/filename_check.h"
#include "core/qt/message_service.h"
#include "core/qt/qtext.h"

namespace tolvan {

NewScriptNameCheck CheckNewScriptName(const QString& typed, const QString& ext, const QStringList& existing,
                                      QString* fileName) {
  auto bytes = ToCp932(typed);
  if (!bytes) return NewScriptNameCheck::Unencodable;
  std::string n = *bytes;
  // A three-letter extension typed by the user goes, whatever it is.
  if (n.size() >= 4 && n[n.size() - 4] == '.') n.resize(n.size() - 4);
  switch (CheckFileName(n)) {
    case FileNameCheck::Empty: return NewScriptNameCheck::Empty;
    case FileNameCheck::BadCharacter: return NewScriptNameCheck::BadCharacter;
    case FileNameCheck::Ok: break;
  }
  // A leading dot makes a hidden file, which the script list leaves out.
  if (n[0] == '.') return NewScriptNameCheck::Hidden;
  QString name = ToQString(n) + ext;
  for (const QString& e : existing)
    if (QString::compare(e, name, Qt::CaseInsensitive) == 0) return NewScriptNameCheck::Exists;
  *fileName = name;
  return NewScriptNameCheck::Ok;
}

TfrmNewScript::TfrmNewScript(const QString& ext, const QStringList& existing, QWidget* parent)
    : QDialog(parent), ext_(ext), existing_(existing) {
  setObjectName("frmNewScript");
  setWindowTitle(QString::fromUtf8("新規スクリプト作成"));
  auto* label = new QLabel(QString::fromUtf8("新規スクリプト名を入力してください："), this);
  label->setObjectName("Label1");
  Edit1 = new QLineEdit(this);
  Edit1->setObjectName("Edit1");
  btnCancel = new QPushButton(QString::fromUtf8("キャンセル"), this);
  btnCancel->setObjectName("btnCancel");
  btnMake = new QPushButton(QString::fromUtf8("作成"), this);
  btnMake->setObjectName("btnMake");
  btnMake->setDefault(true);
  btnMake->setEnabled(false);
  connect(Edit1, &QLineEdit::textChanged, this, [this](const QString& t) { btnMake->setEnabled(!t.isEmpty()); });
  connect(btnMake, &QPushButton::clicked, this, &TfrmNewScript::btnMakeClick);
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(btnMake);
  buttons->addWidget(btnCancel);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(label);
  layout->addWidget(Edit1);
  layout->addLayout(buttons);
}

void TfrmNewScript::btnMakeClick() {
  QString name;
  switch (CheckNewScriptName(Edit1->text(), ext_, existing_, &name)) {
    case NewScriptNameCheck::Ok:
      result_ = name;
      accept();
      return;
    case NewScriptNameCheck::BadCharacter:
      Messages().BeepError(this, QString::fromUtf8(kBadFileNameMessage));
      return;
    case NewScriptNameCheck::Empty:
      Messages().BeepError(this, QString::fromUtf8("スクリプト名が空です。拡張子の前に名前を入力してください"));
      return;
    case NewScriptNameCheck::Hidden:
      Messages().BeepError(this, QString::fromUtf8("「.」で始まる名前は隠しファイルになるので使えません"));
      Edit1->setFocus();
      return;
    case NewScriptNameCheck::Unencodable:
      Messages().BeepError(this, QString::fromUtf8("Shift-JISで表せない文字はスクリプト名に使えません"));
      return;
    case NewScriptNameCheck::Exists:
      Messages().BeepError(this, QString::fromUtf8("そのスクリプト名は既に存在します"));
      Edit1->setFocus();
      Edit1->setSelection(0, 100);
      return;
  }
}

QString TfrmNewScript::Execute(QWidget* parent, const QString& ext, const QStringList& existing) {
  TfrmNewScript dlg(ext, existing, parent);
  if (dlg.exec() != QDialog::Accepted) return {};
  return dlg.Result();
}

}  // namespace tolvan
