// The editor control for assistive technology: Qt's accessible text
// interface over the control's rows, so AT-SPI clients read the text, the
// caret and the selection. Offsets count UTF-16 units of the decoded text
// with one "\n" per line end; a wrapped row runs on into the next.
#pragma once

#include <QAccessibleWidget>

#include <string_view>
#include <vector>

namespace tolvan {

class TEditorWidget;

class TEditorAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
 public:
  explicit TEditorAccessible(TEditorWidget* w);

  QAccessible::State state() const override;
  void* interface_cast(QAccessible::InterfaceType t) override;

  // ---- QAccessibleTextInterface ----
  void selection(int selectionIndex, int* startOffset, int* endOffset) const override;
  int selectionCount() const override;
  void addSelection(int startOffset, int endOffset) override;
  void removeSelection(int selectionIndex) override;
  void setSelection(int selectionIndex, int startOffset, int endOffset) override;
  int cursorPosition() const override;
  void setCursorPosition(int position) override;
  QString text(QAccessible::Text t) const override { return QAccessibleWidget::text(t); }
  QString text(int startOffset, int endOffset) const override;
  int characterCount() const override;
  QRect characterRect(int offset) const override;
  int offsetAtPoint(const QPoint& point) const override;
  void scrollToSubstring(int startIndex, int endIndex) override;
  QString attributes(int offset, int* startOffset, int* endOffset) const override;

 private:
  TEditorWidget* Editor() const;
};

// The offsets of one control's text: rows to offsets and back, counted once
// per change of the text and only when asked.
class TEditorTextOffsets {
 public:
  void Invalidate() { valid_ = false; }
  long long OffsetOf(const TEditorWidget& w, int row, int col) const;
  // The row and column of an offset (clamped to the text).
  void RowColOf(const TEditorWidget& w, long long offset, int& row, int& col) const;
  long long Length(const TEditorWidget& w) const;
  // Row r begins at Starts()[r]; the last entry is the length.
  const std::vector<long long>& Starts(const TEditorWidget& w) const;

 private:
  mutable bool valid_ = false;
  mutable int count_ = -1;
  mutable std::vector<long long> starts_;
};

// Where the control's events for assistive technology go: the platform's
// bridge while a reader listens, and a test's observer when one is set
// (the offscreen platform has no bridge).
using TAccessibleObserver = void (*)(QAccessibleEvent* event);
void SetAccessibleObserver(TAccessibleObserver observer);
bool AccessibleListening();
void NotifyAccessible(QAccessibleEvent& event);

// The interface the accessibility framework asks for: one for each editor
// control (installed once by the first control).
void InstallEditorAccessibleFactory();

}  // namespace tolvan
