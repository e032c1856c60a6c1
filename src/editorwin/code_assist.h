// What the editor window knows of the script as awk code: its names (read
// from the colouring tokenizer's tokens, again after each change), going
// to a function's definition and back, completion, the parameter hint and
// help on built-ins. The decisions are the colouring layer's (awk_code.h,
// awk_builtins.h); this is their window side.
#pragma once

#include <QListWidget>
#include <QObject>
#include <QString>

#include <functional>
#include <vector>

#include "colouring/awk_code.h"

namespace tolvan {

class TEditorWidget;

// The completion list: a popup under the caret. Arrows choose, Enter or
// Tab inserts, Esc closes; other keys go on to the text, and the list
// follows the word being typed.
class TCompletionPopup : public QListWidget {
  Q_OBJECT
 public:
  explicit TCompletionPopup(QWidget* parent);
  void SetCandidates(const std::vector<TAwkCandidate>& candidates);
  std::function<void(const TAwkCandidate&)> Accept;
  std::function<void(QKeyEvent*)> ForwardKey;

 protected:
  void keyPressEvent(QKeyEvent* e) override;

 private:
  std::vector<TAwkCandidate> candidates_;
};

class TCodeAssist : public QObject {
  Q_OBJECT
 public:
  TCodeAssist(TEditorWidget& editor, QWidget* window);
  ~TCodeAssist() override;

  // The script's names as the text stands now.
  const TAwkNames& Names();
  void TextChanged() { dirty_ = true; }

  // F12: the caret goes to the function row of the name at the caret;
  // false (nothing moves) when the name is no function of the script.
  bool GoToDefinition();
  // The same for the name at a row and column (Ctrl+click).
  bool GoToDefinitionAt(int row, int col);
  // Alt+Left: back to where the caret was before the last jump.
  bool GoBack();
  static constexpr std::size_t kHistoryMax = 32;

  // Ctrl+Space, Ctrl+J: the names that start with the word before the
  // caret; with no word inside a call's parentheses, the parameter hint.
  void Complete();
  TCompletionPopup* Popup() const { return popup_; }

  // F1: the signature and description of the built-in at the caret, shown
  // by the caret; false when the caret is on none.
  bool ShowHelpAtCaret();
  // The help for the built-in at a row and column, empty when none.
  QString HelpAt(int row, int col) const;
  // The last hint or help shown (the tool tip's text).
  QString LastTip() const { return lastTip_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct Place {
    int row = 0;
    int col = 0;
  };
  // The caret's row text and the caret's byte in it.
  std::string CaretRow(int& caretByte) const;
  std::string RowText(int row) const;
  QString PrefixBeforeCaret(int& length) const;
  void Refilter();
  void Insert(const TAwkCandidate& c);
  void ShowTip(const QString& text);
  void ShowHint(const std::string& name);

  TEditorWidget& editor_;
  TCompletionPopup* popup_ = nullptr;
  TAwkNames names_;
  bool dirty_ = true;
  std::vector<Place> history_;
  QString lastTip_;
};

}  // namespace tolvan
