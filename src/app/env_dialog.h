// The environment dialog: where gawk is, the script extension, whether a
// click in the script list opens the script, whether scripts open in the
// desktop's program instead of the built-in editor, how many gawk runs a
// job over an input list may have going at once, the encoding of one-liners
// and the option box, the encoding of new scripts, and whether a job reads
// CR LF as the end of a record.
#pragma once

#include <QDialog>
#include <QString>

#include <filesystem>
#include <functional>

#include "settings/settings.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace tolvan {

class TfrmEnv : public QDialog {
  Q_OBJECT
 public:
  // Shows the dialog modally. True when Set stored the values into settings;
  // Cancel stores nothing. The caller saves the settings file after true.
  // folders: which folders are in use, shown below the settings.
  static bool Execute(QWidget* parent, MainSettings& settings,
                      const std::filesystem::path& ownExecutable, const QString& folders = QString());

  // Fills the controls from settings; nothing is written back before Set.
  TfrmEnv(MainSettings& settings, std::filesystem::path ownExecutable, QWidget* parent = nullptr);

  // The file chooser: answers the chosen path, or an empty text. Replaceable
  // so that tests never block on a dialog.
  std::function<QString(QWidget* parent, const QString& startFolder)> ChooseFile;

  // Shows which folders are in use (hidden while empty).
  void ShowFolders(const QString& text);

  // True once Set has stored the values.
  bool WasSet() const { return set_; }

  void btnDirClick();
  void btnSetClick();

  // Texts of the dialog's refusals.
  static const QString kOwnExecutableMessage;
  static const QString kNotAwkMessage;
  static const QString kEmptyExtensionMessage;

 private:
  void EnableSetWhenFilled();

  MainSettings& settings_;
  std::filesystem::path ownExe_;
  bool set_ = false;
  // The bytes behind what the two boxes show. A value the user leaves alone
  // is stored as it was read, never decoded and encoded again (CP932 does
  // not survive that trip for every code).
  std::string pathBytes_;
  std::string extBytes_;
  QString extShown_;

  QLineEdit* edtAwkPath;
  QPushButton* btnDir;
  QLineEdit* edtExtention;
  QCheckBox* chkSptOpen;
  QCheckBox* chkExtEditor;
  QSpinBox* spnParallel;
  QComboBox* cmbEncoding;     // items in TextEncoding order
  QComboBox* cmbNewEncoding;
  QComboBox* cmbCrLf;         // items in CrLfInput order
  QLabel* lblFolders;
  QPushButton* btnCancel;
  QPushButton* btnSet;
};

}  // namespace tolvan
