// The editor control's context menu: row marks, undo and redo, the clipboard,
// box paste, delete, select all and the box selection mode. Its shortcuts are
// the control's own keys; the menu only shows them.
#pragma once

#include <QAction>
#include <QMenu>

#include <array>

namespace tolvan {

class TEditorWidget;

class TEditorPopupMenu : public QMenu {
  Q_OBJECT
 public:
  explicit TEditorPopupMenu(TEditorWidget* editor);

  // Sets the enabled states and check marks from the control (on opening).
  void SetMenu();

  QMenu* SetMarkMenu() const { return setMark_; }
  QMenu* GotoMarkMenu() const { return gotoMark_; }
  QAction* UndoItem() const { return undo_; }
  QAction* RedoItem() const { return redo_; }
  QAction* CutItem() const { return cut_; }
  QAction* CopyItem() const { return copy_; }
  QAction* PasteItem() const { return paste_; }
  QAction* BoxPasteItem() const { return boxPaste_; }
  QAction* DeleteItem() const { return delete_; }
  QAction* SelAllItem() const { return selAll_; }
  QAction* SelModeItem() const { return selMode_; }

 private:
  QAction* Item(const QString& caption, const QString& shortcut, void (TEditorPopupMenu::*click)());
  void SetMarkClick(int digit);
  void GotoMarkClick(int digit);
  void UndoClick();
  void RedoClick();
  void CutClick();
  void CopyClick();
  void PasteClick();
  void BoxPasteClick();
  void DeleteClick();
  void SelAllClick();
  void SelModeClick();

  TEditorWidget* editor_;
  QMenu* setMark_ = nullptr;
  QMenu* gotoMark_ = nullptr;
  std::array<QAction*, 10> setMarkItems_{};
  std::array<QAction*, 10> gotoMarkItems_{};
  QAction *undo_ = nullptr, *redo_ = nullptr, *cut_ = nullptr, *copy_ = nullptr, *paste_ = nullptr,
          *boxPaste_ = nullptr, *delete_ = nullptr, *selAll_ = nullptr, *selMode_ = nullptr;
};

}  // namespace tolvan
