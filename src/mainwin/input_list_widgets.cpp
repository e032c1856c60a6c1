#include "mainwin/input_list_widgets.h"

#include <QDragEnterEvent>
#include <QDropEvent>

namespace tolvan {

TInputList::TInputList(QWidget* parent) : QListWidget(parent) {
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setDragEnabled(true);
  setDragDropMode(QAbstractItemView::DragOnly);
  setDefaultDropAction(Qt::CopyAction);
}

TRemoveButton::TRemoveButton(QWidget* parent) : QToolButton(parent) { setAcceptDrops(true); }

static bool FromAList(const QDropEvent* event) {
  return qobject_cast<QListWidget*>(event->source()) != nullptr;
}

void TRemoveButton::dragEnterEvent(QDragEnterEvent* event) {
  if (FromAList(event)) event->acceptProposedAction();
  else event->ignore();
}

void TRemoveButton::dragMoveEvent(QDragMoveEvent* event) {
  if (FromAList(event)) event->acceptProposedAction();
  else event->ignore();
}

void TRemoveButton::dropEvent(QDropEvent* event) {
  if (!FromAList(event)) {
    event->ignore();
    return;
  }
  // Copy, not move: the list must not delete entries by itself; the click
  // removes exactly the selected ones.
  event->setDropAction(Qt::CopyAction);
  event->accept();
  click();
}

}  // namespace tolvan
