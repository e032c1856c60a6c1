#include "app/edit_target.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace tolvan {
namespace {

// The text field an action works on: a line edit (also the one inside an
// editable combo box) or a multi-line text box.
class TextField {
 public:
  explicit TextField(QObject* target) {
    if (auto* combo = qobject_cast<QComboBox*>(target)) {
      line_ = combo->lineEdit();  // none for a drop-down list
    } else if (auto* line = qobject_cast<QLineEdit*>(target)) {
      line_ = line;
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(target)) {
      plain_ = plain;
    } else {
      rich_ = qobject_cast<QTextEdit*>(target);
    }
  }

  bool Exists() const { return line_ || plain_ || rich_; }

  bool HasSelection() const {
    if (line_) return line_->hasSelectedText();
    return Cursor().hasSelection();
  }
  bool IsEmpty() const {
    if (line_) return line_->text().isEmpty();
    return Document()->isEmpty();
  }
  bool ReadOnly() const {
    if (line_) return line_->isReadOnly();
    return plain_ ? plain_->isReadOnly() : rich_->isReadOnly();
  }
  bool CanUndo() const {
    if (line_) return line_->isUndoAvailable();
    return Document()->isUndoAvailable();
  }
  // A password box never gives its text away.
  bool Hidden() const { return line_ && line_->echoMode() != QLineEdit::Normal; }

  void Copy() {
    if (line_) line_->copy();
    else if (plain_) plain_->copy();
    else rich_->copy();
  }
  void Cut() {
    if (line_) line_->cut();
    else if (plain_) plain_->cut();
    else rich_->cut();
  }
  void Paste() {
    if (line_) line_->paste();
    else if (plain_) plain_->paste();
    else rich_->paste();
  }
  void SelectAll() {
    if (line_) line_->selectAll();
    else if (plain_) plain_->selectAll();
    else rich_->selectAll();
  }
  void Undo() {
    if (line_) line_->undo();
    else if (plain_) plain_->undo();
    else rich_->undo();
  }
  // Removes the selection only; with none nothing happens (QLineEdit::del
  // alone would take the character after the cursor).
  void Clear() {
    if (!HasSelection()) return;
    if (line_) {
      line_->del();
      return;
    }
    QTextCursor c = Cursor();
    c.removeSelectedText();
    if (plain_) plain_->setTextCursor(c);
    else rich_->setTextCursor(c);
  }

 private:
  QTextCursor Cursor() const { return plain_ ? plain_->textCursor() : rich_->textCursor(); }
  QTextDocument* Document() const { return plain_ ? plain_->document() : rich_->document(); }

  QLineEdit* line_ = nullptr;
  QPlainTextEdit* plain_ = nullptr;
  QTextEdit* rich_ = nullptr;
};

bool ClipboardHasText() {
  const QClipboard* cb = QGuiApplication::clipboard();
  const QMimeData* data = cb ? cb->mimeData() : nullptr;
  return data && data->hasText();
}

bool IsKnownControl(QObject* target) {
  return qobject_cast<QLineEdit*>(target) || qobject_cast<QComboBox*>(target) ||
         qobject_cast<QPlainTextEdit*>(target) || qobject_cast<QTextEdit*>(target);
}

}  // namespace

bool StandardEditTarget(TMeAction* action, QObject* target, TMeTargetCode code, TMeTargetKind kind) {
  if (code == mcHandles) return IsKnownControl(target);

  TextField field(target);
  if (!field.Exists()) {
    action->setEnabled(false);
    return true;
  }

  // Commands that would change a read-only box are not offered there: they
  // would do nothing at all.
  const bool writable = !field.ReadOnly();
  if (code == mcUpdate) {
    switch (kind) {
      case mkCopy: action->setEnabled(field.HasSelection() && !field.Hidden()); break;
      case mkCut: action->setEnabled(field.HasSelection() && writable && !field.Hidden()); break;
      case mkDelete: action->setEnabled(field.HasSelection() && writable); break;
      case mkPaste: action->setEnabled(ClipboardHasText() && writable); break;
      case mkSelAll: action->setEnabled(!field.IsEmpty()); break;
      case mkUndo: action->setEnabled(field.CanUndo() && writable); break;
      case mkRedo:
      case mkNone: break;  // left as it is
    }
    return true;
  }

  switch (kind) {
    case mkCopy: field.Copy(); break;
    case mkCut: if (writable) field.Cut(); break;
    case mkDelete: if (writable) field.Clear(); break;
    case mkPaste: if (writable) field.Paste(); break;
    case mkSelAll: field.SelectAll(); break;
    case mkUndo: if (writable) field.Undo(); break;
    case mkRedo:
    case mkNone: break;
  }
  return true;
}

void RegisterStandardEditTarget() { RegisterMeTargetFunc(&StandardEditTarget); }
void UnregisterStandardEditTarget() { UnregisterMeTargetFunc(&StandardEditTarget); }

}  // namespace tolvan
