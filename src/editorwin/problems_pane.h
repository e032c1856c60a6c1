// The editor window's syntax check: a moment after typing stops, gawk
// reads the text as it stands (the job layer's check runner, on its own
// thread) and what it says is listed under the text, the rows underlined
// (errors red, warnings yellow) until the next check; a click moves the
// caret to the row. A preview run's own warnings join the list.
#pragma once

#include <QString>
#include <QTimer>
#include <QTreeWidget>

#include <functional>
#include <memory>
#include <vector>

#include "colouring/row_state.h"
#include "editorwin/preview_pane.h"
#include "job/check_runner.h"

class QPainter;

namespace tolvan {

class TEditorWidget;
struct TDrawLineInfo;

// The row marks of the check's errors and warnings.
inline constexpr TRowMark kCheckErrorMark = rm14;
inline constexpr TRowMark kCheckWarningMark = rm13;

// A wavy line under the row's text in colour (the preview's and the
// check's row marks).
void DrawRowWave(QPainter& painter, const TDrawLineInfo& info, const TEditorWidget& editor, const QColor& colour);

class TProblemsPane : public QTreeWidget {
  Q_OBJECT
 public:
  // context and scriptName as for the preview.
  TProblemsPane(TEditorWidget& editor, std::function<TPreviewContext()> context, std::function<QString()> scriptName,
                QWidget* parent = nullptr);
  ~TProblemsPane() override;

  // Off: nothing runs, the list and the row marks go.
  void SetChecking(bool on);
  bool Checking() const { return on_; }
  // Every change of the text: the check under way is of no use; a new one
  // starts after the pause.
  void TextChanged();
  static constexpr int kPauseMs = 400;
  void CheckNow();
  // What a preview run said (gawk's run-time warnings); replaces what the
  // previous run said.
  void SetRunMessages(std::vector<GawkMessage> messages);

  // What the list shows, in order; and the status bar's words for it.
  const std::vector<GawkMessage>& Shown() const { return shown_; }
  QString Summary() const { return summary_; }
  bool Running() const { return running_ != 0; }

  // The row hook: a red wave under a row with an error, a yellow one under
  // a row with only warnings.
  static void DrawMarks(QPainter& painter, const TDrawLineInfo& info, const TEditorWidget& editor);

 signals:
  // A check's result (or its refusal) is shown.
  void Checked();
  void SummaryChanged(const QString& summary);

 private:
  class Sink;
  void ShowResult(const CheckResult& result);
  void Refresh();
  void ClearMarks();
  void SetSummary(const QString& text);

  TEditorWidget& editor_;
  std::function<TPreviewContext()> context_;
  std::function<QString()> scriptName_;
  QTimer pause_;
  bool on_ = false;
  std::uint64_t running_ = 0;
  TextEncoding encoding_ = TextEncoding::Cp932;  // of the messages shown
  std::vector<GawkMessage> checked_;  // the last check's
  std::vector<GawkMessage> run_;      // the last preview run's
  std::vector<GawkMessage> shown_;
  QString summary_;
  std::unique_ptr<Sink> sink_;
  std::unique_ptr<TCheckRunner> runner_;
};

}  // namespace tolvan
