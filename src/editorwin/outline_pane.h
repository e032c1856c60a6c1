// The outline beside the text: the script's BEGIN, BEGINFILE, END and
// ENDFILE blocks, its patterns and its functions with their lines, in text
// order. Picking one moves the caret there; the entry holding the caret is
// the selected one; the list is read again a moment after the text changes.
#pragma once

#include <QListWidget>
#include <QTimer>

#include <vector>

#include "colouring/awk_code.h"

namespace tolvan {

class TEditorWidget;
class TCodeAssist;

class TOutlinePane : public QListWidget {
  Q_OBJECT
 public:
  TOutlinePane(TEditorWidget& editor, TCodeAssist& assist, QWidget* parent = nullptr);

  void TextChanged();
  // The pause after a change; four times the last reading when that is
  // longer (a script of millions of rows), up to the longest.
  static constexpr int kPauseMs = 300;
  static constexpr int kLongestPauseMs = 30000;
  int PauseMs() const { return pause_.interval(); }
  // Reads the outline now (shown, or about to be).
  void Rebuild();
  // Selects the entry holding the caret's row, none between entries.
  void FollowCaret();

 protected:
  void showEvent(QShowEvent* e) override;

 private:
  TEditorWidget& editor_;
  TCodeAssist& assist_;
  QTimer pause_;
  std::vector<TAwkOutlineItem> outline_;  // as listed
  bool following_ = false;  // a selection made by FollowCaret moves no caret
};

}  // namespace tolvan
