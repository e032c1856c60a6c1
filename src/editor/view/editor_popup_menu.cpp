#include "editor/view/editor_popup_menu.h"

#include "editor/view/editor_widget.h"

namespace tolvan {

TEditorPopupMenu::TEditorPopupMenu(TEditorWidget* editor) : QMenu(editor), editor_(editor) {
  setMark_ = addMenu(QStringLiteral("マーク設定"));
  gotoMark_ = addMenu(QStringLiteral("マークジャンプ"));
  for (int i = 0; i < 10; ++i) {
    const QString digit = QString::number(i);
    QAction* set = setMark_->addAction(digit);
    set->setShortcut(QKeySequence(QStringLiteral("Shift+Ctrl+") + digit));
    set->setShortcutContext(Qt::WidgetShortcut);  // the control handles the keys itself
    set->setCheckable(true);
    connect(set, &QAction::triggered, this, [this, i] { SetMarkClick(i); });
    setMarkItems_[static_cast<std::size_t>(i)] = set;
    QAction* go = gotoMark_->addAction(digit);
    go->setShortcut(QKeySequence(QStringLiteral("Ctrl+") + digit));
    go->setShortcutContext(Qt::WidgetShortcut);
    go->setCheckable(true);
    connect(go, &QAction::triggered, this, [this, i] { GotoMarkClick(i); });
    gotoMarkItems_[static_cast<std::size_t>(i)] = go;
  }
  addSeparator();
  undo_ = Item(QStringLiteral("元に戻す(&U)"), QStringLiteral("Ctrl+Z"), &TEditorPopupMenu::UndoClick);
  redo_ = Item(QStringLiteral("やり直し(&R)"), QStringLiteral("Ctrl+A"), &TEditorPopupMenu::RedoClick);
  addSeparator();
  cut_ = Item(QStringLiteral("切り取り(&T)"), QStringLiteral("Ctrl+X"), &TEditorPopupMenu::CutClick);
  copy_ = Item(QStringLiteral("コピー(&C)"), QStringLiteral("Ctrl+C"), &TEditorPopupMenu::CopyClick);
  paste_ = Item(QStringLiteral("貼り付け(&P)"), QStringLiteral("Ctrl+V"), &TEditorPopupMenu::PasteClick);
  boxPaste_ = Item(QStringLiteral("Box貼り付け(&B)"), QStringLiteral("Ctrl+B"), &TEditorPopupMenu::BoxPasteClick);
  delete_ = Item(QStringLiteral("削除(&D)"), QString(), &TEditorPopupMenu::DeleteClick);
  addSeparator();
  selAll_ = Item(QStringLiteral("すべて選択(&A)"), QString(), &TEditorPopupMenu::SelAllClick);
  addSeparator();
  selMode_ = Item(QStringLiteral("Box選択モード(&K)"), QStringLiteral("Ctrl+K"), &TEditorPopupMenu::SelModeClick);
  selMode_->setCheckable(true);
  for (QAction* a : {undo_, redo_, cut_, copy_, paste_, boxPaste_, delete_, selAll_}) a->setEnabled(false);
  connect(this, &QMenu::aboutToShow, this, &TEditorPopupMenu::SetMenu);
}

QAction* TEditorPopupMenu::Item(const QString& caption, const QString& shortcut,
                                void (TEditorPopupMenu::*click)()) {
  QAction* a = addAction(caption);
  if (!shortcut.isEmpty()) {
    a->setShortcut(QKeySequence(shortcut));
    a->setShortcutContext(Qt::WidgetShortcut);
  }
  connect(a, &QAction::triggered, this, [this, click] { editor_->Guard([&] { (this->*click)(); }); });
  return a;
}

void TEditorPopupMenu::SetMenu() {
  TEditor& c = editor_->Editor();
  const bool hasSelText = c.HasSelectedText();
  const bool readOnly = c.ReadOnly();
  const bool hasText = editor_->ClipboardHasText();
  undo_->setEnabled(c.CanUndo() && !readOnly);
  redo_->setEnabled(c.CanRedo() && !readOnly);
  cut_->setEnabled(c.Selected() && hasSelText && !readOnly);
  copy_->setEnabled(hasSelText);
  paste_->setEnabled(hasText && !readOnly);
  boxPaste_->setEnabled(hasText && !readOnly);
  delete_->setEnabled(c.Selected() && hasSelText && !readOnly);
  selAll_->setEnabled(c.List().Count() > 0);
  selMode_->setChecked(c.SelectionMode() == smBox);
  const TRowMarks valid = c.List().ValidRowMarks();
  for (int i = 0; i < 10; ++i) {
    const bool on = valid & RowMarkBit(static_cast<TRowMark>(i));
    setMarkItems_[static_cast<std::size_t>(i)]->setChecked(on);
    gotoMarkItems_[static_cast<std::size_t>(i)]->setChecked(on);
  }
}

void TEditorPopupMenu::SetMarkClick(int digit) {
  editor_->Guard([&] {
    TEditor& c = editor_->Editor();
    const TRowMark m = static_cast<TRowMark>(digit);
    if (c.List().GetListRowMarks(c.Row()) & RowMarkBit(m))
      c.DeleteRowMark(c.Row(), m);
    else
      c.PutRowMark(c.Row(), m);
  });
}

void TEditorPopupMenu::GotoMarkClick(int digit) {
  editor_->Guard([&] { editor_->Editor().GotoRowMark(static_cast<TRowMark>(digit)); });
}

void TEditorPopupMenu::UndoClick() { editor_->Editor().Perform(EM_UNDO); }
void TEditorPopupMenu::RedoClick() {
  if (!editor_->Editor().ReadOnly()) editor_->Editor().Redo();
}
void TEditorPopupMenu::CutClick() { editor_->Editor().CutToClipboard(); }
void TEditorPopupMenu::CopyClick() { editor_->Editor().CopyToClipboard(); }
void TEditorPopupMenu::PasteClick() { editor_->Editor().PasteFromClipboard(); }
void TEditorPopupMenu::BoxPasteClick() { editor_->Editor().PasteBoxFromClipboard(); }
void TEditorPopupMenu::DeleteClick() { editor_->Editor().DeleteSelection(); }
void TEditorPopupMenu::SelAllClick() { editor_->Editor().SelectAll(); }
void TEditorPopupMenu::SelModeClick() {
  TEditor& c = editor_->Editor();
  c.SetSelectionMode(selMode_->isChecked() ? smBox : smLine);
}

}  // namespace tolvan
