#include "editor/view/editor_accessible.h"

#include <QScrollBar>

#include <algorithm>
#include <limits>

#include "core/encoding.h"
#include "core/qt/qtext.h"
#include "editor/model/wrap.h"
#include "editor/view/editor_widget.h"

namespace tolvan {

namespace {

int Clamp(long long v) { return static_cast<int>(std::clamp<long long>(v, 0, std::numeric_limits<int>::max())); }

// UTF-16 units of the decoded bytes.
long long Units(TextEncoding e, std::string_view bytes) { return static_cast<long long>(ToUtf16(e, bytes).size()); }

bool EndsLine(const TEditor& e, int row) { return e.List().ListRows(row) == raCrlf; }

}  // namespace

// ---------------------------------------------------------------- offsets

const std::vector<long long>& TEditorTextOffsets::Starts(const TEditorWidget& w) const {
  const TEditor& e = w.Editor();
  const int count = e.List().Count();
  if (valid_ && count_ == count) return starts_;
  starts_.assign(static_cast<std::size_t>(count) + 1, 0);
  long long at = 0;
  for (int r = 0; r < count; ++r) {
    starts_[static_cast<std::size_t>(r)] = at;
    at += Units(e.List().Encoding(), e.List().ListStr(r)) + (EndsLine(e, r) ? 1 : 0);
  }
  starts_[static_cast<std::size_t>(count)] = at;
  count_ = count;
  valid_ = true;
  return starts_;
}

long long TEditorTextOffsets::Length(const TEditorWidget& w) const { return Starts(w).back(); }

long long TEditorTextOffsets::OffsetOf(const TEditorWidget& w, int row, int col) const {
  const TEditor& e = w.Editor();
  const auto& starts = Starts(w);
  const int count = e.List().Count();
  if (count == 0 || row < 0) return 0;
  if (row >= count) return starts.back();
  const std::string_view text = e.List().ListStr(row);
  const int b = std::clamp(e.ColToByte(row, col), 0, static_cast<int>(text.size()));
  return starts[static_cast<std::size_t>(row)] + Units(e.List().Encoding(), text.substr(0, static_cast<std::size_t>(b)));
}

void TEditorTextOffsets::RowColOf(const TEditorWidget& w, long long offset, int& row, int& col) const {
  const TEditor& e = w.Editor();
  const auto& starts = Starts(w);
  const int count = e.List().Count();
  row = 0;
  col = 0;
  if (count == 0) return;
  offset = std::clamp<long long>(offset, 0, starts.back());
  // The last row starting at or before the offset.
  const auto it = std::upper_bound(starts.begin(), starts.end() - 1, offset);
  row = std::max(0, static_cast<int>(it - starts.begin()) - 1);
  const std::string_view text = e.List().ListStr(row);
  long long left = offset - starts[static_cast<std::size_t>(row)];
  std::size_t i = 0;
  while (i < text.size() && left > 0) {
    const std::size_t n = CharLength(e.List().Encoding(), text, i);
    left -= Units(e.List().Encoding(), text.substr(i, n));
    i += n;
  }
  col = ColumnOfByte(text, static_cast<int>(i), e.ColumnRules());
}

// ---------------------------------------------------------------- interface

TEditorAccessible::TEditorAccessible(TEditorWidget* w) : QAccessibleWidget(w, QAccessible::EditableText) {}

TEditorWidget* TEditorAccessible::Editor() const { return static_cast<TEditorWidget*>(widget()); }

QAccessible::State TEditorAccessible::state() const {
  QAccessible::State s = QAccessibleWidget::state();
  s.multiLine = true;
  s.selectableText = true;
  if (Editor()->Editor().ReadOnly())
    s.readOnly = true;
  else
    s.editable = true;
  return s;
}

void* TEditorAccessible::interface_cast(QAccessible::InterfaceType t) {
  if (t == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
  return QAccessibleWidget::interface_cast(t);
}

void TEditorAccessible::selection(int selectionIndex, int* startOffset, int* endOffset) const {
  *startOffset = *endOffset = 0;
  if (selectionIndex != 0 || selectionCount() == 0) return;
  const TEditor& e = Editor()->Editor();
  const TSelectedPosition& s = e.SelDraw();
  const TEditorTextOffsets& o = Editor()->TextOffsets();
  *startOffset = Clamp(o.OffsetOf(*Editor(), s.Sr, s.Sc));
  *endOffset = Clamp(o.OffsetOf(*Editor(), s.Er, s.Ec));
}

int TEditorAccessible::selectionCount() const {
  const TEditor& e = Editor()->Editor();
  return e.Selected() && e.HasSelectedText() ? 1 : 0;
}

void TEditorAccessible::addSelection(int startOffset, int endOffset) { setSelection(0, startOffset, endOffset); }

void TEditorAccessible::removeSelection(int selectionIndex) {
  if (selectionIndex == 0) Editor()->Guard([&] { Editor()->Editor().CleanSelection(); });
}

void TEditorAccessible::setSelection(int selectionIndex, int startOffset, int endOffset) {
  if (selectionIndex != 0) return;
  TEditorWidget& w = *Editor();
  w.Guard([&] {
    TEditor& e = w.Editor();
    int r0, c0, r1, c1;
    w.TextOffsets().RowColOf(w, startOffset, r0, c0);
    w.TextOffsets().RowColOf(w, endOffset, r1, c1);
    e.CleanSelection();
    e.SetRowCol(r0, c0);
    e.InitSelection();
    e.SetRowCol(r1, c1);
    e.StartSelection();
  });
}

int TEditorAccessible::cursorPosition() const {
  const TEditor& e = Editor()->Editor();
  return Clamp(Editor()->TextOffsets().OffsetOf(*Editor(), e.Row(), e.Col()));
}

void TEditorAccessible::setCursorPosition(int position) {
  TEditorWidget& w = *Editor();
  w.Guard([&] {
    int r, c;
    w.TextOffsets().RowColOf(w, position, r, c);
    w.Editor().CleanSelection();
    w.Editor().SetRowCol(r, c);
  });
}

QString TEditorAccessible::text(int startOffset, int endOffset) const {
  const TEditorWidget& w = *Editor();
  const TEditor& e = w.Editor();
  const auto& starts = w.TextOffsets().Starts(w);
  const long long from = std::clamp<long long>(startOffset, 0, starts.back());
  const long long to = std::clamp<long long>(endOffset < 0 ? starts.back() : endOffset, from, starts.back());
  QString out;
  if (from == to) return out;
  const int count = e.List().Count();
  int row = std::max(0, static_cast<int>(std::upper_bound(starts.begin(), starts.end() - 1, from) - starts.begin()) - 1);
  for (; row < count && starts[static_cast<std::size_t>(row)] < to; ++row) {
    QString piece = ToQString(e.List().Encoding(), e.List().ListStr(row));
    if (EndsLine(e, row)) piece += u'\n';
    const long long s = starts[static_cast<std::size_t>(row)];
    const qsizetype a = static_cast<qsizetype>(std::max<long long>(0, from - s));
    const qsizetype b = static_cast<qsizetype>(std::min<long long>(piece.size(), to - s));
    out += piece.mid(a, b - a);
  }
  return out;
}

int TEditorAccessible::characterCount() const { return Clamp(Editor()->TextOffsets().Length(*Editor())); }

QRect TEditorAccessible::characterRect(int offset) const {
  const TEditorWidget& w = *Editor();
  const TEditor& e = w.Editor();
  int r, c;
  w.TextOffsets().RowColOf(w, offset, r, c);
  const QPoint local(e.LeftMargin() + (c - e.TopCol()) * e.ColWidth(), e.TopMargin() + (r - e.TopRow()) * e.GetRowHeight());
  const std::string_view text = e.List().Count() ? e.List().ListStr(r) : std::string_view();
  const int b = e.List().Count() ? e.ColToByte(r, c) : 0;
  const int cols = b >= 0 && b < static_cast<int>(text.size()) ? static_cast<int>(CharWidth(e.List().Encoding(), text, b)) : 1;
  return QRect(w.viewport()->mapToGlobal(local), QSize(cols * e.ColWidth(), e.FontHeight()));
}

int TEditorAccessible::offsetAtPoint(const QPoint& point) const {
  const TEditorWidget& w = *Editor();
  const QPoint local = w.viewport()->mapFromGlobal(point);
  if (!w.viewport()->rect().contains(local)) return -1;
  int col = 0, row = 0;
  w.Editor().PosToRowCol(local.x(), local.y(), col, row, false);
  return Clamp(w.TextOffsets().OffsetOf(w, row, col));
}

void TEditorAccessible::scrollToSubstring(int startIndex, int) {
  TEditorWidget& w = *Editor();
  w.Guard([&] {
    int r, c;
    w.TextOffsets().RowColOf(w, startIndex, r, c);
    TEditor& e = w.Editor();
    if (r < e.TopRow() || r >= e.TopRow() + std::max(1, e.RowCount())) e.SetTopRow(r);
  });
}

QString TEditorAccessible::attributes(int offset, int* startOffset, int* endOffset) const {
  *startOffset = 0;
  *endOffset = characterCount();
  (void)offset;
  return QString();
}

// ---------------------------------------------------------------- factory

namespace {

QAccessibleInterface* EditorFactory(const QString&, QObject* object) {
  if (auto* w = qobject_cast<TEditorWidget*>(object)) return new TEditorAccessible(w);
  return nullptr;
}

}  // namespace

namespace {
TAccessibleObserver g_observer = nullptr;
}  // namespace

void SetAccessibleObserver(TAccessibleObserver observer) { g_observer = observer; }

bool AccessibleListening() { return g_observer || QAccessible::isActive(); }

void NotifyAccessible(QAccessibleEvent& event) {
  if (g_observer) g_observer(&event);
  if (QAccessible::isActive()) QAccessible::updateAccessibility(&event);
}

void InstallEditorAccessibleFactory() {
  static const bool installed = [] {
    QAccessible::installFactory(&EditorFactory);
    return true;
  }();
  (void)installed;
}

}  // namespace tolvan
