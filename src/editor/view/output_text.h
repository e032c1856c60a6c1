// A text area for program output: the editor control, read-only, with
// nothing in its margins, where Ctrl+A selects everything (the control's
// own Ctrl+A is redo) and the context menu holds copy and select all.
// The output window and the editor's preview show gawk's output in it.
#pragma once

#include <QMenu>

#include <functional>

#include "editor/view/editor_widget.h"

namespace tolvan {

class TOutputText : public TEditorWidget {
  Q_OBJECT
 public:
  explicit TOutputText(QWidget* parent = nullptr);
  QMenu* Menu() const { return menu_; }
  // Called after every paint of the text.
  std::function<void()> OnPainted;

 protected:
  void keyPressEvent(QKeyEvent* e) override;
  void paintEvent(QPaintEvent* e) override;

 private:
  QMenu* menu_;
};

}  // namespace tolvan
