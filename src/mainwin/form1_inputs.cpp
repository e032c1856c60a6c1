// The input list of the main window and the choices that show and hide
// controls.
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

#include "core/qt/message_service.h"
#include "mainwin/desktop.h"
#include "mainwin/form1.h"
#include "run/input_files.h"
#include "mainwin/input_list_widgets.h"
#include "mainwin/script_catalogue.h"

namespace tolvan {

void TForm1::AddInputFiles(const QStringList& paths) { lstInputFiles->AddSorted(paths); }

void TForm1::AddCommandLineNames(const QStringList& names) {
  // One batch, as at start-up.
  QStringList leftOut, inputs;
  for (const QString& name : names) inputs << ExpandCommandLineParameter(name, &leftOut);
  AddInputFiles(inputs);
  // Told once the copy that handed them over has its answer.
  QTimer::singleShot(0, this, [this, leftOut] { TellLeftOut(leftOut, false); });
}

void TForm1::SelectInputFiles() { AddInputFiles(Desktop().ChooseInputFiles(this)); }

void TForm1::SelectFolder() {
  QString folder = Desktop().ChooseFolder(this, [this] { OpenHelpSection(1000); });
  if (folder.isEmpty()) return;
  QStringList leftOut;
  AddInputFiles(ScanFolder(folder, &leftOut));
  TellLeftOut(leftOut, false);
}

void TForm1::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) {
    for (const QUrl& u : event->mimeData()->urls()) {
      if (u.isLocalFile()) {
        event->acceptProposedAction();
        return;
      }
    }
  }
  event->ignore();
}

void TForm1::dropEvent(QDropEvent* event) {
  QStringList added, leftOut;
  for (const QUrl& u : event->mimeData()->urls()) added << ExpandDroppedUrl(u, &leftOut);
  AddInputFiles(added);
  event->acceptProposedAction();
  // Told after the drop has been answered, not inside it.
  QTimer::singleShot(0, this, [this, leftOut] { TellLeftOut(leftOut, false); });
}

void TForm1::MoveUp() {
  int i = lstInputFiles->currentRow();
  if (i <= 0) return;
  MoveInput(i, i - 1);
}

void TForm1::MoveDown() {
  int i = lstInputFiles->currentRow();
  if (i < 0 || i >= lstInputFiles->count() - 1) return;
  MoveInput(i, i + 1);
}

void TForm1::MoveInput(int from, int to) {
  // Cleared first: the move then has no selection of thousands to carry.
  lstInputFiles->ClearSelectionAtOnce();
  lstInputFiles->MoveEntry(from, to);
  lstInputFiles->setCurrentRow(to);
  lstInputFiles->item(to)->setSelected(true);
  lstInputFiles->setFocus();
}

void TForm1::RemoveSelected() {
  int current = lstInputFiles->currentRow();
  lstInputFiles->RemoveSelectedEntries();
  int n = lstInputFiles->count();
  if (n > 0) {
    int next = current < 0 ? 0 : (current < n ? current : n - 1);
    lstInputFiles->clearSelection();
    lstInputFiles->setCurrentRow(next);
    lstInputFiles->item(next)->setSelected(true);
  }
  lstInputFiles->setFocus();
}

void TForm1::OpenInputEntry() {
  QListWidgetItem* item = lstInputFiles->currentItem();
  if (!item || item->text().isEmpty()) return;
  int code = Desktop().OpenWithAssociatedProgram(item->text());
  if (code <= 32)
    Messages().BeepError(this, QString::fromUtf8("ファイルが開けません！エラー番号：") + QString::number(code));
}

void TForm1::InputChoiceChanged(int index) {
  bool files = index == 0;
  for (QToolButton* b : {btnUp, btnDown, btnFldr, btnFiles, static_cast<QToolButton*>(btnFCancel)})
    b->setVisible(files);
  lstInputFiles->setEnabled(files);
}

void TForm1::OutputChoiceChanged(int) {
  // Decided by the number the entry's text starts with.
  QString text = cmbOutput->currentText();
  int n = text.isEmpty() ? 0 : text.at(0).digitValue();
  prefixGroup->setVisible(n == 1);
  outFileGroup->setVisible(n == 2 || n == 3);
}

void TForm1::ScriptKindChanged() {
  bool file = radioFile->isChecked();
  cmbFldr->setVisible(file);
  cmbFile->setVisible(file);
  btnNew->setVisible(file);
  btnEdit->setVisible(file);
  cmbOneLiner->setVisible(!file);
  cmbSep->setVisible(!file);
  btnSave->setVisible(!file);
  mnuScript->setEnabled(file);
  if (file) {
    UpdateEditDeleteButtons();
  } else {
    UpdateRunButton();
    btnSave->setEnabled(true);
    btnDelete->setEnabled(cmbOneLiner->count() > 0);
    cmbOneLiner->setFocus();
  }
}

void TForm1::NewOutputFile() {
  QString start;
  if (lstInputFiles->count() > 0) start = QFileInfo(lstInputFiles->item(0)->text()).absolutePath();
  QString path = Desktop().ChooseNewOutputFile(this, start);
  if (!path.isEmpty()) edtOutFName->setText(path);
}

void TForm1::ExistingOutputFile() {
  QString path = Desktop().ChooseExistingOutputFile(this);
  if (!path.isEmpty()) edtOutFName->setText(path);
}

}  // namespace tolvan
