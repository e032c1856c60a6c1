#include "editor/view/output_text.h"

#include <QAction>
#include <QKeyEvent>

#include "editor/view/editor_font.h"

namespace tolvan {

TOutputText::TOutputText(QWidget* parent) : TEditorWidget(parent) {
  TEditor& ed = Editor();
  ed.SetReadOnly(true);
  ed.Ruler().SetVisible(false);
  ed.Leftbar().SetVisible(false);
  // Output has no row marks to show: text starts near the edge, as in a text box.
  ed.Imagebar().SetVisible(false);
  ed.Margin().SetLeft(4);
  ed.SetScrollBars(ssBoth);
  SetEditorFont(kEditorFallbackFamily, 10, 0);
  menu_ = new QMenu(this);
  menu_->setObjectName("mnuOutputText");
  QAction* copy = menu_->addAction(QString::fromUtf8("コピー(&C)"));
  copy->setObjectName("actCopy");
  copy->setShortcut(QKeySequence("Ctrl+C"));
  copy->setShortcutContext(Qt::WidgetShortcut);  // shown in the menu; the control takes the key
  connect(copy, &QAction::triggered, this, [this] { Guard([this] { Editor().CopyToClipboard(); }); });
  QAction* all = menu_->addAction(QString::fromUtf8("すべて選択(&A)"));
  all->setObjectName("actSelectAll");
  all->setShortcut(QKeySequence("Ctrl+A"));
  all->setShortcutContext(Qt::WidgetShortcut);
  connect(all, &QAction::triggered, this, [this] { Guard([this] { Editor().SelectAll(); }); });
  SetContextMenu(menu_);
}

void TOutputText::keyPressEvent(QKeyEvent* e) {
  const auto mods = e->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
  if (mods == Qt::ControlModifier && e->key() == Qt::Key_A) {
    Guard([this] { Editor().SelectAll(); });
    return;
  }
  TEditorWidget::keyPressEvent(e);
}

void TOutputText::paintEvent(QPaintEvent* e) {
  TEditorWidget::paintEvent(e);
  if (OnPainted) OnPainted();
}

}  // namespace tolvan
