// The editor window's debugger: breakpoints as row marks, the commands
// (menu, keys, tool buttons), and a worker thread that runs the debug
// session's commands one at a time, so the window never waits for gawk.
// What the session parses is shown in the debug pane.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string_view>
#include <thread>
#include <vector>

#include "colouring/row_state.h"
#include "core/encoding.h"
#include "editorwin/debug_pane.h"
#include "editorwin/preview_pane.h"
#include "job/debug_session.h"

class QAction;
class QMenu;
class QPainter;
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
  ~TDebugger() override;  // gawk's group killed, the worker joined

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
  void Post(std::function<Result(TDebugSession&)> job);
  void Loop();
  void Show(const Result& result);
  void Step(std::function<DebugStop(TDebugSession&)> step);
  void ShowPane();
  void ClearMarks(TRowMark mark);
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
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::function<void()>> jobs_;
  bool quit_ = false;
  std::thread worker_;
};

}  // namespace tolvan
