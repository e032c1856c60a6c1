#include "app/select_all_action.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace tolvan {
namespace {

int SelectEnd(const QString& text, int length) {
  int end = std::min<int>(length, static_cast<int>(text.size()));
  // Never end inside a surrogate pair.
  if (end > 0 && end < text.size() && text.at(end - 1).isHighSurrogate()) ++end;
  return end;
}

QString BoxText(QWidget* box) {
  if (auto* combo = qobject_cast<QComboBox*>(box))
    return combo->lineEdit() ? combo->lineEdit()->text() : QString();
  if (auto* line = qobject_cast<QLineEdit*>(box)) return line->text();
  if (auto* plain = qobject_cast<QPlainTextEdit*>(box)) return plain->toPlainText();
  return {};
}

}  // namespace

TSelectAllAction::TSelectAllAction(QObject* parent) : TLtAction(parent) {}

void TSelectAllAction::SetList(QAbstractItemView* list) { list_ = list; }

void TSelectAllAction::SetTextBoxes(const QList<QWidget*>& boxes) {
  boxes_.clear();
  for (QWidget* b : boxes) boxes_.append(b);
}

QObject* TSelectAllAction::GetTargetControl() { return GetDefTargetControl(); }

bool TSelectAllAction::HandlesTarget(QObject* target) {
  if (!target) return false;
  if (list_ && target == list_) return true;
  for (const QPointer<QWidget>& b : boxes_) {
    if (!b) continue;
    // The focus may sit in the line edit of a combo box.
    auto* combo = qobject_cast<QComboBox*>(b.data());
    if (target == b || (combo && target == combo->lineEdit())) return true;
  }
  return false;
}

void TSelectAllAction::UpdateTarget(QObject* target) {
  if (list_ && target == list_) {
    setEnabled(list_->model() && list_->model()->rowCount(list_->rootIndex()) > 0);
    return;
  }
  setEnabled(!BoxText(qobject_cast<QWidget*>(target)).isEmpty());
}

void TSelectAllAction::ExecuteTarget(QObject* target) {
  if (list_ && target == list_) {
    list_->selectAll();
    return;
  }
  auto* widget = qobject_cast<QWidget*>(target);
  if (auto* combo = qobject_cast<QComboBox*>(widget)) widget = combo->lineEdit();
  if (auto* line = qobject_cast<QLineEdit*>(widget)) {
    line->setSelection(0, SelectEnd(line->text(), kTextSelectLength));
  } else if (auto* plain = qobject_cast<QPlainTextEdit*>(widget)) {
    QTextCursor c = plain->textCursor();
    c.setPosition(0);
    c.setPosition(SelectEnd(plain->toPlainText(), kTextSelectLength), QTextCursor::KeepAnchor);
    plain->setTextCursor(c);
  }
}

}  // namespace tolvan
