// Asks for the name of a new script and gives it back with the script
// extension, refusing names that cannot be file names or that are listed.
#pragma once

#include <QDialog>
#include <QStringList>

class QLineEdit;
class QPushButton;

namespace tolvan {

class TfrmNewScript : public QDialog {
  Q_OBJECT
 public:
  // ext: the script extension with its dot; existing: the names listed in
  // the script list. Answers the new file name, or an empty text.
  static QString Execute(QWidget* parent, const QString& ext, const QStringList& existing);

  TfrmNewScript(const QString& ext, const QStringList& existing, QWidget* parent = nullptr);
  QString Result() const { return result_; }
  void btnMakeClick();

  QLineEdit* Edit1;
  QPushButton* btnMake;
  QPushButton* btnCancel;

 private:
  QString ext_;
  QStringList existing_;
  QString result_;
};

// The name checks alone: the typed text, the extension and the listed
// names give the file name, or an empty text with *message set to what the
// user is told (an empty message for a refusal the check has shown itself).
enum class NewScriptNameCheck { Ok, BadCharacter, Empty, Hidden, Unencodable, Exists };
NewScriptNameCheck CheckNewScriptName(const QString& typed, const QString& ext, const QStringList& existing,
                                      QString* fileName);

}  // namespace tolvan
