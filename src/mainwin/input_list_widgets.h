// The input list and the remove button it can be dragged onto.
#pragma once

#include <QListWidget>
#include <QString>
#include <QStringList>
#include <QToolButton>

#include <string>
#include <vector>

namespace tolvan {

// The input list's order compares names without regard to letter case
// (QString::compare's folding), then by their exact text. A key per name
// lets a sort of tens of thousands compare plain numbers: keys compare as
// QString::compare(..., Qt::CaseInsensitive) compares the names.
std::string CaseKey(const QString& name);

// The list after names are added one after another, each where a binary
// search (upper bound in that order) finds its place in the list as it
// stands by then: in a sorted list its sorted place, after the equal
// entries; in a list the user has reordered, wherever the search lands.
// Costs about (old + names) log(old + names). The result gives the new
// list as indexes: below old.size() an old entry, old.size() + k names[k].
std::vector<int> MergeInputNames(const QStringList& old, const QStringList& names);

// Entries can be dragged out of the list (onto the remove button); nothing
// can be dropped into it, so the list never reorders itself behind the
// user's back. Changes that touch many entries rebuild the items at once:
// Qt lays the whole list out again after any insertion anyway, and one
// rebuild costs what one insertion costs.
class TInputList : public QListWidget {
  Q_OBJECT
 public:
  explicit TInputList(QWidget* parent = nullptr);

  QStringList Texts() const;
  // One flag per entry, read from the selection's ranges.
  std::vector<char> SelectedFlags() const;
  // The selected entry nearest the top, or -1.
  int FirstSelectedRow() const;

  // Adds each name at its place (MergeInputNames); the same name may stand
  // more than once. Selected entries stay selected, the current one stays
  // current, the view keeps its scroll position.
  void AddSorted(const QStringList& names);
  // Removes the selected entries; the rest keep their order. False when
  // nothing was selected.
  bool RemoveSelectedEntries();
  // clearSelection with one repaint however many ranges it had.
  void ClearSelectionAtOnce();
  // Swaps an entry with its neighbour (to = row ± 1) keeping the item.
  void MoveEntry(int row, int to);
  // Scrolls to these values (-1: leave) once the rows are laid out that
  // far: Qt lays the list out in batches after any change.
  void ScrollWhenLaidOut(int v, int h);

 private:
  // Replaces every item by one per text.
  void Rebuild(const QStringList& texts);

  int pendingV_ = -1, pendingH_ = -1;
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
