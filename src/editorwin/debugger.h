// The editor window's debugger: breakpoints as row marks, the commands
// (menu, keys, tool buttons), and the debug session's operations run one at
// a time on the window's thread: a step is waited for briefly (it takes well
// under a millisecond), anything longer is followed by notifiers on gawk's
// pipes, so the window never hangs on gawk. What the session parses is shown
// in the debug pane.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <deque>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

#include "colouring/row_state.h"
#include "core/encoding.h"
#include "editorwin/debug_pane.h"
#include "editorwin/preview_pane.h"
#include "job/debug_session.h"

class QAction;
class QMenu;
class QPainter;
class QSocketNotifier;
class QSplitter;
class QToolBar;

namespace tolvan {

class TEditorWidget;
struct TDrawLineInfo;

inline constexpr TRowMark kDebugCurrentMark = rm11;
inline constexpr TRowMark kBreakpointMark = rm12;

// True when the script, outside strings and comments, names system(),
// a pipe ("|", "|&"), or a ">"/">>" after print or printf in the same
// statement: a debug run of it may write files or start programs.
bool ScriptWritesOrRuns(std::string_view text, TextEncoding e);

class TDebugger : public QObject {
  Q_OBJECT
 public:
  struct Context {
    TEditorWidget* Editor = nullptr;
    QSplitter* Split = nullptr;  // the pane goes in here, beside the text
    std::function<TPreviewContext()> Run;
    std::function<QString()> ScriptName;
    std::function<TPreviewPane*()> Preview;  // for its sample choice; may answer nullptr
  };
  explicit TDebugger(Context context, QObject* parent = nullptr);
  ~TDebugger() override;  // gawk's group killed

  // ツール → "デバッグ" and the tool buttons.
  void AddCommands(QMenu* tools, QToolBar* bar);

  void Start();
  void Continue();
  void StepOver();
  void StepInto();
  void StepOut();
  void RunToCaret();
  void Stop();
  void ToggleBreakpoint();  // on the caret's row
  void ToggleBreakpointAtRow(int row);

  bool Busy() const { return busy_; }
  bool Stopped() const { return stopped_; }
  TDebugPane* Pane() const { return pane_; }
  // 1-based lines holding a breakpoint mark, in order.
  std::vector<int> BreakpointLines() const;
  // The 1-based line marked as about to run; 0 when none.
  int CurrentLine() const;

  // The row hook: the row about to run is highlighted.
  static void DrawCurrentRow(QPainter& painter, const TDrawLineInfo& info, const TEditorWidget& editor);

  QAction* actStart = nullptr;
  QAction* actContinue = nullptr;
  QAction* actStepOver = nullptr;
  QAction* actStepInto = nullptr;
  QAction* actStepOut = nullptr;
  QAction* actRunToCaret = nullptr;
  QAction* actStop = nullptr;
  QAction* actBreakpoint = nullptr;

 signals:
  // A stop, the end or a refusal is on show.
  void Shown();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct Result {
    DebugStop Stop;
    std::vector<DebugBreakpoint> Placed;
  };
  using Operation = std::function<DebugTask<Result>()>;
  // Begun now, or when the one under way is shown.
  void Post(Operation op);
  void Begin(Operation op);
  // Pumps the operation under way for at most waitMs, then shows it when
  // done, or watches gawk's pipes for the rest.
  void Drive(int waitMs);
  void Watch();
  void Unwatch();
  void Finished();
  // The operation under way and those waiting dropped, gawk killed.
  void Abandon();
  DebugTask<Result> StartOp(DebugRequest request, std::vector<std::string> watches);
  DebugTask<Result> StepOp(DebugTask<DebugStop> step);
  DebugTask<Result> WatchOp(std::vector<std::string> watches);
  DebugTask<Result> BreakpointOp(int line, bool on);
  void Show(const Result& result);
  void Step(std::function<DebugTask<DebugStop>(TDebugSession&)> step);
  void ShowPane();
  void ClearMarks(TRowMark mark);
  void MarkRow(int line);  // 1-based: the row about to run, in view
  // What waits to be painted, painted now (while gawk works).
  void PaintNow();
  void MoveBreakpoint(int line, int to);  // 1-based; to 0: removed
  void Refuse(const QString& text);
  void UpdateCommands();
  void EnsureImagebarRoom();

  Context ctx_;
  QPointer<TDebugPane> pane_;
  TextEncoding encoding_ = TextEncoding::Cp932;
  bool busy_ = false;
  bool stopped_ = false;
  bool warnedWrites_ = false;
  bool errorMarked_ = false;
  bool edited_ = false;  // the text changed since the start
  bool imagebarWidened_ = false;
  QTimer running_;

  TDebugSession session_;
  DebugTask<Result> op_;  // declared after the session: it goes first
  std::deque<Operation> queued_;
  std::vector<int> watched_;
  std::vector<QSocketNotifier*> notifiers_;
  QTimer poll_;  // when the process offers nothing to watch
};

}  // namespace tolvan
