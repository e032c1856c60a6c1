#include "mainwin/input_list_widgets.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QItemSelection>
#include <QScrollBar>

#include <algorithm>
#include <cstdint>
#include <numeric>

namespace tolvan {

std::string CaseKey(const QString& name) {
  // What QString::compare does per UTF-16 unit: the unit folded, except
  // that a low surrogate after a high one stands for the folded pair. Each
  // value is written so that bytes compare as the values do: below 0x80 in
  // one byte, below 0x4000 in two (0x80-0xBF first), the rest in three
  // (0xC0 first); paths are mostly ASCII, so keys stay short.
  std::string key(static_cast<std::size_t>(name.size()) * 3, '\0');
  char* out = key.data();
  char32_t last = 0;
  for (QChar unit : name) {
    char32_t c = unit.unicode();
    if (QChar::isLowSurrogate(c) && QChar::isHighSurrogate(last)) c = QChar::surrogateToUcs4(last, c);
    last = unit.unicode();
    const char32_t f = c < 0x80 ? (c >= 'A' && c <= 'Z' ? c + 32 : c) : QChar::toCaseFolded(c);
    if (f < 0x80) {
      *out++ = static_cast<char>(f);
    } else if (f < 0x4000) {
      *out++ = static_cast<char>(0x80 | (f >> 8));
      *out++ = static_cast<char>(f & 0xFF);
    } else {
      *out++ = static_cast<char>(0xC0 | (f >> 16));
      *out++ = static_cast<char>((f >> 8) & 0xFF);
      *out++ = static_cast<char>(f & 0xFF);
    }
  }
  key.resize(static_cast<std::size_t>(out - key.data()));
  return key;
}

namespace {

struct TKeyed {
  std::string key;
  const QString* text;
};

bool Less(const TKeyed& a, const TKeyed& b) {
  const int c = a.key.compare(b.key);
  return c != 0 ? c < 0 : *a.text < *b.text;
}

// A sequence with insertion and lookup by position in logarithmic time
// (a treap ordered by position), for a list the user has reordered, where
// only replaying each binary search gives the places names went to.
class TPositions {
 public:
  explicit TPositions(std::size_t capacity) { nodes_.reserve(capacity); }
  int Size() const { return Size(root_); }
  int At(int k) const {
    int n = root_;
    for (;;) {
      const int left = Size(nodes_[n].left);
      if (k < left) {
        n = nodes_[n].left;
      } else if (k == left) {
        return nodes_[n].id;
      } else {
        k -= left + 1;
        n = nodes_[n].right;
      }
    }
  }
  void Insert(int k, int id) {
    seed_ ^= seed_ << 13;
    seed_ ^= seed_ >> 17;
    seed_ ^= seed_ << 5;
    nodes_.push_back(TNode{-1, -1, 1, seed_, id});
    int left = -1, right = -1;
    Split(root_, k, left, right);
    root_ = Join(Join(left, static_cast<int>(nodes_.size()) - 1), right);
  }
  void AppendOrder(std::vector<int>& out) const {
    // In order, without recursion: the depth is only probably small.
    std::vector<int> stack;
    int n = root_;
    while (n >= 0 || !stack.empty()) {
      while (n >= 0) {
        stack.push_back(n);
        n = nodes_[n].left;
      }
      n = stack.back();
      stack.pop_back();
      out.push_back(nodes_[n].id);
      n = nodes_[n].right;
    }
  }

 private:
  struct TNode {
    int left, right, size;
    std::uint32_t priority;
    int id;
  };
  int Size(int n) const { return n < 0 ? 0 : nodes_[n].size; }
  void Update(int n) { nodes_[n].size = 1 + Size(nodes_[n].left) + Size(nodes_[n].right); }
  // The first k entries of n into left, the rest into right.
  void Split(int n, int k, int& left, int& right) {
    if (n < 0) {
      left = right = -1;
      return;
    }
    if (Size(nodes_[n].left) < k) {
      Split(nodes_[n].right, k - Size(nodes_[n].left) - 1, nodes_[n].right, right);
      left = n;
    } else {
      Split(nodes_[n].left, k, left, nodes_[n].left);
      right = n;
    }
    Update(n);
  }
  int Join(int a, int b) {
    if (a < 0) return b;
    if (b < 0) return a;
    if (nodes_[a].priority > nodes_[b].priority) {
      nodes_[a].right = Join(nodes_[a].right, b);
      Update(a);
      return a;
    }
    nodes_[b].left = Join(a, nodes_[b].left);
    Update(b);
    return b;
  }

  std::vector<TNode> nodes_;
  int root_ = -1;
  std::uint32_t seed_ = 2463534242u;
};

}  // namespace

std::vector<int> MergeInputNames(const QStringList& old, const QStringList& names) {
  const int m = static_cast<int>(old.size()), n = static_cast<int>(names.size());
  std::vector<TKeyed> all;
  all.reserve(static_cast<std::size_t>(m + n));
  for (const QString& s : old) all.push_back(TKeyed{CaseKey(s), &s});
  for (const QString& s : names) all.push_back(TKeyed{CaseKey(s), &s});
  auto less = [&all](int a, int b) { return Less(all[a], all[b]); };

  std::vector<int> out;
  out.reserve(all.size());
  if (std::is_sorted(all.begin(), all.begin() + m, Less)) {
    // Each search finds the place after every entry that is not greater,
    // so the list stays sorted, a name after the equal ones before it.
    std::vector<int> fresh(static_cast<std::size_t>(n));
    std::iota(fresh.begin(), fresh.end(), m);
    std::stable_sort(fresh.begin(), fresh.end(), less);
    std::vector<int> kept(static_cast<std::size_t>(m));
    std::iota(kept.begin(), kept.end(), 0);
    std::merge(kept.begin(), kept.end(), fresh.begin(), fresh.end(), std::back_inserter(out), less);
    return out;
  }
  TPositions list(all.size());
  for (int i = 0; i < m; ++i) list.Insert(i, i);
  for (int id = m; id < m + n; ++id) {
    int first = 0, len = list.Size();
    while (len > 0) {
      const int half = len >> 1;
      if (less(id, list.At(first + half))) {
        len = half;
      } else {
        first += half + 1;
        len -= half + 1;
      }
    }
    list.Insert(first, id);
  }
  list.AppendOrder(out);
  return out;
}

TInputList::TInputList(QWidget* parent) : QListWidget(parent) {
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setDragEnabled(true);
  setDragDropMode(QAbstractItemView::DragOnly);
  setDefaultDropAction(Qt::CopyAction);
  // Laid out a batch at a time between events: tens of thousands of paths
  // take Qt a second or more to measure, and the window answers meanwhile.
  setLayoutMode(QListView::Batched);
  setBatchSize(500);
  for (QScrollBar* bar : {verticalScrollBar(), horizontalScrollBar()}) {
    connect(bar, &QScrollBar::rangeChanged, this, [this] { ScrollWhenLaidOut(pendingV_, pendingH_); });
    // The user's own scrolling wins.
    connect(bar, &QScrollBar::actionTriggered, this, [this] { pendingV_ = pendingH_ = -1; });
  }
}

void TInputList::ScrollWhenLaidOut(int v, int h) {
  pendingV_ = v;
  pendingH_ = h;
  for (auto [bar, value] : {std::pair{verticalScrollBar(), &pendingV_}, std::pair{horizontalScrollBar(), &pendingH_}}) {
    if (*value >= 0 && bar->maximum() >= *value) {
      bar->setValue(*value);
      *value = -1;
    }
  }
}

QStringList TInputList::Texts() const {
  QStringList out;
  out.reserve(count());
  for (int i = 0; i < count(); ++i) out << item(i)->text();
  return out;
}

std::vector<char> TInputList::SelectedFlags() const {
  std::vector<char> out(static_cast<std::size_t>(count()), 0);
  for (const QItemSelectionRange& r : selectionModel()->selection())
    for (int i = std::max(r.top(), 0); i <= r.bottom() && i < count(); ++i) out[static_cast<std::size_t>(i)] = 1;
  return out;
}

int TInputList::FirstSelectedRow() const {
  int first = -1;
  for (const QItemSelectionRange& r : selectionModel()->selection())
    if (r.isValid() && (first < 0 || r.top() < first)) first = r.top();
  return first;
}

namespace {
// Around a change of many items: the view repaints once at the end instead
// of once per selection range, and stays where it was, as it does when an
// item is inserted.
class TManyItemsScope {
 public:
  explicit TManyItemsScope(TInputList& list, bool keepPosition = true)
      : list_(list), keepPosition_(keepPosition), v_(list.verticalScrollBar()->value()), h_(list.horizontalScrollBar()->value()),
        updates_(list.updatesEnabled()) {
    list_.setUpdatesEnabled(false);
  }
  ~TManyItemsScope() {
    if (keepPosition_ && (v_ > 0 || h_ > 0)) list_.ScrollWhenLaidOut(v_, h_);
    list_.setUpdatesEnabled(updates_);
  }
  TManyItemsScope(const TManyItemsScope&) = delete;
  TManyItemsScope& operator=(const TManyItemsScope&) = delete;

 private:
  TInputList& list_;
  const bool keepPosition_;
  const int v_, h_;
  const bool updates_;
};
}  // namespace

void TInputList::Rebuild(const QStringList& texts) {
  clear();
  addItems(texts);
}

void TInputList::AddSorted(const QStringList& names) {
  if (names.isEmpty()) return;
  const int m = count();
  const QStringList old = Texts();
  const std::vector<char> selected = SelectedFlags();
  const int current = currentRow();
  const std::vector<int> order = MergeInputNames(old, names);
  TManyItemsScope scope(*this);
  QStringList all;
  all.reserve(static_cast<qsizetype>(order.size()));
  std::vector<int> rowOf(static_cast<std::size_t>(m));
  for (std::size_t row = 0; row < order.size(); ++row) {
    const int id = order[row];
    if (id < m) {
      rowOf[static_cast<std::size_t>(id)] = static_cast<int>(row);
      all << old[id];
    } else {
      all << names[id - m];
    }
  }
  Rebuild(all);
  // Selected entries that stay next to each other make one range.
  QItemSelection selection;
  for (int i = 0; i < m;) {
    if (!selected[static_cast<std::size_t>(i)]) {
      ++i;
      continue;
    }
    int j = i;
    while (j + 1 < m && selected[static_cast<std::size_t>(j + 1)] &&
           rowOf[static_cast<std::size_t>(j + 1)] == rowOf[static_cast<std::size_t>(j)] + 1)
      ++j;
    selection.select(model()->index(rowOf[static_cast<std::size_t>(i)], 0),
                     model()->index(rowOf[static_cast<std::size_t>(j)], 0));
    i = j + 1;
  }
  if (current >= 0)
    selectionModel()->setCurrentIndex(model()->index(rowOf[static_cast<std::size_t>(current)], 0),
                                      QItemSelectionModel::NoUpdate);
  if (!selection.isEmpty()) selectionModel()->select(selection, QItemSelectionModel::Select);
}

bool TInputList::RemoveSelectedEntries() {
  const std::vector<char> selected = SelectedFlags();
  QStringList kept;
  kept.reserve(count());
  for (int i = 0; i < count(); ++i)
    if (!selected[static_cast<std::size_t>(i)]) kept << item(i)->text();
  if (kept.size() == count()) return false;
  TManyItemsScope scope(*this);
  Rebuild(kept);
  return true;
}

void TInputList::ClearSelectionAtOnce() {
  TManyItemsScope scope(*this, false);
  clearSelection();
}

void TInputList::MoveEntry(int row, int to) {
  // Qt's move keeps the item and tells the view once; the take-and-insert
  // below is for a model that cannot move.
  if (model()->moveRow(QModelIndex(), row, QModelIndex(), to > row ? to + 1 : to)) return;
  QListWidgetItem* moved = takeItem(row);
  insertItem(to, moved);
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
