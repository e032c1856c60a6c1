// The main window's links to the application shell (edit actions, the
// environment dialog, the about box, help) and to the stored colouring
// scheme.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>

#include "app/about_dialog.h"
#include "app/env_dialog.h"
#include "app/help.h"
#include "app/program_icon.h"
#include "app/select_all_action.h"
#include "colouring/scheme_store.h"
#include "core/qt/message_service.h"
#include "editor/view/edit_actions.h"
#include "job/job_locale.h"
#include "mainwin/form1.h"
#include "mainwin/input_list_widgets.h"
#include "settings/program_files.h"

namespace tolvan {

void TForm1::BuildEditActions(QMenu* edit) {
  auto add = [&](TMeAction* a, const char* text, const char* shortcut) {
    a->setText(QString::fromUtf8(text));
    a->setShortcut(QKeySequence(shortcut));
    edit->addAction(a);
  };
  add(new TMeEditUndo(this), "元に戻す(&U)", "Ctrl+Z");
  edit->addSeparator();
  add(new TMeEditCut(this), "切り取り(&T)", "Ctrl+X");
  add(new TMeEditCopy(this), "コピー(&C)", "Ctrl+C");
  add(new TMeEditPaste(this), "貼り付け(&P)", "Ctrl+V");
  add(new TMeEditDelete(this), "削除(&D)", "Ctrl+Del");
}

void TForm1::BuildSelectAllAction(QMenu* edit) {
  auto* a = new TSelectAllAction(this);
  a->setText(QString::fromUtf8("全てを選択"));
  a->setShortcut(QKeySequence("Ctrl+Shift+A"));
  a->SetList(lstInputFiles);
  a->SetTextBoxes({memPreFix, edtOutFName, cmbOneLiner, cmbOpt});
  edit->addAction(a);
  mnuSelectAll = a;
}

void TForm1::OpenEnvironmentDialog() {
  // Below the settings: a stored gawk path not in use, the folders, and the
  // locale each encoding's jobs run in.
  // One sentence a line, so the remark does not widen the dialog.
  QString text = settings_.PathInFile ? QString(standIn_).replace(QString::fromUtf8("。"), QString::fromUtf8("。\n")) : QString();
  text += FolderText();
  const IniFile ini(paths_.SettingsFile());
  for (TextEncoding e : {TextEncoding::Cp932, TextEncoding::Utf8})
    text += QString::fromUtf8("\n%1 のジョブのロケール：%2")
                .arg(QString::fromUtf8(EncodingName(e)),
                     QString::fromStdString(DescribeJobLocale(ini, e)));
  if (TfrmEnv::Execute(this, settings_, paths_.Executable(), text)) SaveSettings();
}

void TForm1::ShowAbout() { TfrmAbout::ShowAbout(this, FolderText()); }

QString TForm1::FolderText() const { return QString::fromStdString(FolderSummary(paths_)); }

void TForm1::OpenHelpContents() { OpenHelp(paths_, 0); }

void TForm1::OpenHelpSection(int context) { OpenHelp(paths_, context); }

void TForm1::SetProgramPicture() {
  setWindowIcon(ProgramIcon());
  Image2->setPixmap(ProgramPixmap(32));
}

void TForm1::LoadColouringScheme(IniFile& ini, bool settingsFileExisted) {
  scheme_ = CreateMainWindowGawkScheme();
  if (!settingsFileExisted) {
    // What a first start stores is what every editor window loads as the
    // user's colours: the editor's own defaults, or a new user would never
    // see a coloured script (the main window's scheme has no colours).
    StoreGawkScheme(ini, *CreateEditorSettingsGawkScheme());
    return;
  }
  try {
    LoadStoredGawkScheme(ini, *scheme_);
  } catch (const std::exception& e) {
    // A damaged stored scheme must not keep the program from starting: the
    // built-in one serves and the stored value stays for the user to see.
    Messages().Error(this, QString::fromUtf8("保存されているエディタの色設定を読み込めませんでした。標準の設定を使います。\n") +
                               QString::fromUtf8(e.what()));
  }
}

}  // namespace tolvan
