// The main window's "全てを選択": works only on the controls the window names
// (its input list and a few text boxes), not on every edit box.
#pragma once

#include <QList>
#include <QPointer>

#include "editor/view/edit_actions.h"

class QAbstractItemView;

namespace tolvan {

class TSelectAllAction : public TLtAction {
  Q_OBJECT
 public:
  // How much of a text box is selected: the first 255 characters, as the
  // command has always done, not the whole text.
  static constexpr int kTextSelectLength = 255;

  explicit TSelectAllAction(QObject* parent = nullptr);

  // The list whose entries are all selected when it has the focus.
  void SetList(QAbstractItemView* list);
  // The text boxes served: QLineEdit, QPlainTextEdit or an editable QComboBox.
  void SetTextBoxes(const QList<QWidget*>& boxes);

  QObject* GetTargetControl() override;
  bool HandlesTarget(QObject* target) override;
  void UpdateTarget(QObject* target) override;
  void ExecuteTarget(QObject* target) override;

 private:
  QPointer<QAbstractItemView> list_;
  QList<QPointer<QWidget>> boxes_;
};

}  // namespace tolvan
