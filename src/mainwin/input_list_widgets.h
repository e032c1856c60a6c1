// The input list and the remove button it can be dragged onto.
#pragma once

#include <QListWidget>
#include <QToolButton>

#include <functional>

namespace tolvan {

// Entries can be dragged out of the list (onto the remove button); nothing
// can be dropped into it, so the list never reorders itself behind the
// user's back.
class TInputList : public QListWidget {
  Q_OBJECT
 public:
  explicit TInputList(QWidget* parent = nullptr);
};

// Accepts a drag that comes from a list and then does what a click does.
class TRemoveButton : public QToolButton {
  Q_OBJECT
 public:
  explicit TRemoveButton(QWidget* parent = nullptr);

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
};

}  // namespace tolvan
