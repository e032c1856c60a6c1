#include "editorwin/debugger.h"

#include <QAction>
#include <QCoreApplication>
#include <QFile>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QSocketNotifier>
#include <QSplitter>
#include <QToolBar>

#include <chrono>

#include "core/qt/qtext.h"
#include "editor/view/editor_renderer.h"
#include "editor/view/editor_widget.h"
#include "editorwin/debug_pane.h"
#include "editorwin/editor_window_logic.h"

namespace tolvan {

namespace {

QString U(const char* s) { return QString::fromUtf8(s); }

constexpr int kRunningNoteMs = 300;
// How long the window waits for gawk before it goes back to its events: a
// step answers within a millisecond, and waiting here spares the round
// through the event loop.
constexpr int kWaitHereMs = 10;
constexpr int kPollMs = 20;  // when the process names no descriptor to watch

QString kEditedNote() { return U("開始後にテキストが変わりました。行は開始したときのテキストのものです（F6 でやり直せます）"); }

bool WordAt(std::string_view t, std::size_t i, std::string_view w) {
  auto name = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; };
  return t.substr(i, w.size()) == w && (i == 0 || !name(t[i - 1])) &&
         (i + w.size() >= t.size() || !name(t[i + w.size()]));
}

QImage Arrow() {
  QImage img(11, 11, QImage::Format_ARGB32_Premultiplied);
  img.fill(Qt::transparent);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(120, 90, 0), 1));
  p.setBrush(QColor(255, 210, 0));
  p.drawPolygon(QPolygonF({QPointF(0.5, 3), QPointF(5.5, 3), QPointF(5.5, 0.5), QPointF(10.5, 5.5),
                           QPointF(5.5, 10.5), QPointF(5.5, 8), QPointF(0.5, 8)}));
  return img;
}

QImage Dot() {
  QImage img(11, 11, QImage::Format_ARGB32_Premultiplied);
  img.fill(Qt::transparent);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(220, 0, 0));
  p.drawEllipse(QRectF(0.5, 0.5, 10, 10));
  return img;
}

}  // namespace

bool ScriptWritesOrRuns(std::string_view t, TextEncoding e) {
  bool printing = false;  // a print or printf in this statement
  std::size_t start = 0;
  while (start < t.size()) {
    std::size_t end = t.find('\n', start);
    if (end == std::string_view::npos) end = t.size();
    const std::string_view line = t.substr(start, end - start);
    start = end + 1;
    printing = false;
    // Comments, strings and regular expressions as the row hook finds them.
    // It takes a division for the start of one, so only a "|" (an
    // alternative) is passed over inside those; the rest still counts.
    enum : char { Code, Text, Slashes };
    std::vector<char> kind(line.size(), Code);
    for (const TOverdrawRun& r : OverdrawRuns(line, e)) {
      if (r.Kind == TOverdrawKind::Dbcs) continue;
      const char k = r.Kind == TOverdrawKind::Plain ? Slashes : Text;
      for (int b = r.Pos; b < r.Pos + r.Len && b < static_cast<int>(line.size()); ++b) kind[static_cast<std::size_t>(b)] = k;
    }
    for (std::size_t i = 0; i < line.size(); i += std::max<std::size_t>(1, CharLength(e, line, i))) {
      const char c = line[i];
      if (kind[i] == Text || (kind[i] == Slashes && c == '|')) continue;
      if (c == ';' || c == '{' || c == '}') printing = false;
      if (WordAt(line, i, "system")) return true;
      if (WordAt(line, i, "print") || WordAt(line, i, "printf")) printing = true;
      if (c == '|' && !(i + 1 < line.size() && line[i + 1] == '|') && !(i > 0 && line[i - 1] == '|')) return true;
      if (c == '>' && printing) return true;
    }
  }
  return false;
}

TDebugger::TDebugger(Context context, QObject* parent) : QObject(parent), ctx_(std::move(context)) {
  session_.OnScriptOutput = [this](std::string_view bytes) {
    if (pane_) pane_->AppendOutput(bytes);
  };
  // While gawk is still answering, the row and the call stack are shown and
  // painted: the step's answer then has only values left to show.
  session_.OnMoved = [this](const DebugStop& partial) {
    if (!pane_ || partial.Row <= 0) return;
    MarkRow(partial.Row);
    if (!partial.Stack.empty()) pane_->ShowStack(partial.Stack);
    PaintNow();
  };
  ctx_.Editor->viewport()->installEventFilter(this);
  // gawk runs the text as it was at the start; the rows it names are of that text.
  connect(ctx_.Editor, &TEditorWidget::textChanged, this, [this] {
    if (!(stopped_ || busy_) || edited_) return;
    edited_ = true;
    if (pane_) pane_->SetStatus(pane_->Status() + U("\n") + kEditedNote(), true);
  });
  // Room for the marks from the start: the bar is where breakpoints are clicked.
  EnsureImagebarRoom();
  running_.setSingleShot(true);
  running_.setInterval(kRunningNoteMs);
  connect(&running_, &QTimer::timeout, this, [this] {
    if (pane_ && busy_) pane_->SetStatus(U("実行中…（Shift+F6 で停止）"), false);
  });
  poll_.setInterval(kPollMs);
  connect(&poll_, &QTimer::timeout, this, [this] { Drive(0); });
}

TDebugger::~TDebugger() {
  Abandon();
  if (ctx_.Editor) {
    ClearMarks(kDebugCurrentMark);
    ctx_.Editor->viewport()->removeEventFilter(this);
  }
}

void TDebugger::Post(Operation op) {
  if (op_.Valid()) queued_.push_back(std::move(op));
  else Begin(std::move(op));
}

void TDebugger::Begin(Operation op) {
  busy_ = true;
  UpdateCommands();
  op_ = op();
  op_.Begin();
  // gawk works on the commands now: what waits to be painted (the row that
  // was about to run) is painted meanwhile rather than after the answer.
  PaintNow();
  Drive(kWaitHereMs);
}

void TDebugger::Drive(int waitMs) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point until = Clock::now() + std::chrono::milliseconds(waitMs);
  try {
    for (;;) {
      if (!op_.Valid()) return;
      if (op_.Done()) return Finished();
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(until - Clock::now()).count();
      if (!session_.Pump(static_cast<int>(std::max<long long>(0, left))))
        throw std::logic_error("debugger: an operation waits for nothing");
      if (left <= 0 && !op_.Done()) break;
    }
  } catch (const std::exception& e) {
    // The session's own fault: what it said, and gawk ended.
    Abandon();
    Result r;
    r.Stop = session_.End();
    r.Stop.Messages += e.what();
    return Show(r);
  }
  Watch();
}

void TDebugger::Watch() {
  const std::vector<int> fds = session_.WaitHandles();
  if (fds != watched_) {
    Unwatch();
    watched_ = fds;
    for (int fd : fds) {
      auto* n = new QSocketNotifier(fd, QSocketNotifier::Read, this);
      connect(n, &QSocketNotifier::activated, this, [this] { Drive(0); });
      notifiers_.push_back(n);
    }
  }
  if (fds.empty()) poll_.start();
}

void TDebugger::Unwatch() {
  poll_.stop();
  // Not deleted at once: this may run inside a notifier's own signal.
  for (QSocketNotifier* n : notifiers_) {
    n->setEnabled(false);
    n->deleteLater();
  }
  notifiers_.clear();
  watched_.clear();
}

void TDebugger::Finished() {
  Unwatch();
  Result r;
  try {
    r = op_.Take();
  } catch (const std::exception& e) {
    r.Stop = session_.End();
    r.Stop.Messages += e.what();
  }
  op_ = {};
  // What waits (a breakpoint, a watch) was for a gawk that is stopped.
  if (r.Stop.State != DebugState::Stopped) queued_.clear();
  busy_ = !queued_.empty();
  Show(r);
  if (!queued_.empty() && !op_.Valid()) {
    Operation next = std::move(queued_.front());
    queued_.pop_front();
    Begin(std::move(next));
  }
}

void TDebugger::Abandon() {
  session_.Stop();
  queued_.clear();
  op_ = {};
  Unwatch();
  busy_ = false;
}

DebugTask<TDebugger::Result> TDebugger::StartOp(DebugRequest request, std::vector<std::string> watches) {
  session_.SetWatches(std::move(watches));
  Result r;
  r.Stop = co_await session_.StartAsync(std::move(request));
  r.Placed = session_.StartBreakpoints();
  co_return r;
}

DebugTask<TDebugger::Result> TDebugger::StepOp(DebugTask<DebugStop> step) {
  Result r;
  r.Stop = co_await step;
  co_return r;
}

DebugTask<TDebugger::Result> TDebugger::WatchOp(std::vector<std::string> watches) {
  session_.SetWatches(std::move(watches));
  Result r;
  r.Stop = co_await session_.RefreshAsync();
  co_return r;
}

DebugTask<TDebugger::Result> TDebugger::BreakpointOp(int line, bool on) {
  Result r;
  if (on) {
    DebugBreakpoint b = co_await session_.SetBreakpointAsync(line);
    if (!b.Text.empty()) r.Placed.push_back(std::move(b));
  } else {
    co_await session_.ClearBreakpointAsync(line);
  }
  r.Stop = co_await session_.RefreshAsync();
  co_return r;
}

void TDebugger::AddCommands(QMenu* tools, QToolBar* bar) {
  QMenu* menu = tools->addMenu(U("デバッグ"));
  menu->setObjectName("mnuToolDebug");
  auto add = [&](const char* name, const char* caption, QKeySequence key, void (TDebugger::*slot)()) {
    QAction* a = menu->addAction(U(caption));
    a->setObjectName(name);
    // The tool button's text without the menu's "(&X)".
    a->setIconText(a->text().section('(', 0, 0));
    a->setShortcut(key);
    a->setShortcutContext(Qt::WindowShortcut);
    connect(a, &QAction::triggered, this, slot);
    return a;
  };
  actStart = add("mnuDebugStart", "開始(&S)", QKeySequence(Qt::Key_F6), &TDebugger::Start);
  actContinue = add("mnuDebugContinue", "続行(&C)", QKeySequence(Qt::Key_F8), &TDebugger::Continue);
  actStepOver = add("mnuDebugStepOver", "ステップオーバー(&O)", QKeySequence(Qt::Key_F10), &TDebugger::StepOver);
  actStepInto = add("mnuDebugStepInto", "ステップイン(&I)", QKeySequence(Qt::Key_F11), &TDebugger::StepInto);
  actStepOut = add("mnuDebugStepOut", "ステップアウト(&U)", QKeySequence(Qt::SHIFT | Qt::Key_F11), &TDebugger::StepOut);
  actRunToCaret =
      add("mnuDebugRunToCaret", "カーソル行まで実行(&R)", QKeySequence(Qt::CTRL | Qt::Key_F10), &TDebugger::RunToCaret);
  actStop = add("mnuDebugStop", "停止(&T)", QKeySequence(Qt::SHIFT | Qt::Key_F6), &TDebugger::Stop);
  menu->addSeparator();
  actBreakpoint = add("mnuDebugBreakpoint", "ブレークポイントの切り替え(&B)", QKeySequence(Qt::Key_F9),
                      &TDebugger::ToggleBreakpoint);
  if (bar) {
    bar->addSeparator();
    for (QAction* a : {actStart, actContinue, actStepOver, actStepInto, actStepOut, actStop}) bar->addAction(a);
  }
  UpdateCommands();
}

void TDebugger::UpdateCommands() {
  if (!actStart) return;
  // Left as they are while a step runs (a step asked meanwhile is ignored):
  // the tool bar is not repainted twice for every step.
  for (QAction* a : {actContinue, actStepOver, actStepInto, actStepOut, actRunToCaret}) a->setEnabled(stopped_);
  actStop->setEnabled(stopped_ || busy_);
}

void TDebugger::ShowPane() {
  if (!pane_) {
    pane_ = new TDebugPane(ctx_.Split);
    ctx_.Split->addWidget(pane_);
    pane_->WatchChanged = [this] {
      std::vector<std::string> watches;
      if (const std::string w = pane_->WatchExpression(); !w.empty()) watches.push_back(w);
      // Otherwise the next start reads the line.
      if (!stopped_ || busy_) return;
      Post([this, watches] { return WatchOp(watches); });
    };
  }
  if (!pane_->isVisible()) {
    pane_->show();
    const int whole = ctx_.Split->orientation() == Qt::Horizontal ? ctx_.Split->width() : ctx_.Split->height();
    QList<int> sizes = ctx_.Split->sizes();
    const int share = whole * 2 / 5;
    for (int i = 0; i < sizes.size(); ++i)
      sizes[i] = ctx_.Split->widget(i) == pane_ ? share : ctx_.Split->widget(i)->isVisible() ? whole - share : 0;
    ctx_.Split->setSizes(sizes);
  }
  pane_->SetEncoding(encoding_);
}

void TDebugger::Refuse(const QString& text) {
  ShowPane();
  pane_->SetStatus(text, true);
  emit Shown();
}

void TDebugger::EnsureImagebarRoom() {
  TEditor& ed = ctx_.Editor->Editor();
  // The marks are drawn right of the digit cell; the bar gets room for one.
  if (ed.Imagebar().MarkWidth() < 12) ed.Imagebar().SetMarkWidth(12);
  if (imagebarWidened_) return;
  imagebarWidened_ = true;
  // The marks of the check and the preview are waves under the text; in
  // the bar they would show as the built-in arrow, the same as the row
  // about to run.
  QImage none(1, 1, QImage::Format_ARGB32);
  none.fill(Qt::transparent);
  std::vector<QImage> images(rm15 - rm10 + 1, none);
  images[rm10 - rm10] = QImage();
  images[kDebugCurrentMark - rm10] = Arrow();
  images[kBreakpointMark - rm10] = Dot();
  ctx_.Editor->Renderer().SetImageMarks(std::move(images));
  ctx_.Editor->viewport()->update();
}

void TDebugger::Start() {
  if (busy_ || stopped_) {
    // The old run ends unseen: the new one's answer is what shows.
    Abandon();
    stopped_ = false;
    session_.End();
  }
  const TPreviewContext run = ctx_.Run();
  encoding_ = run.Encoding;
  EnsureImagebarRoom();
  ShowPane();
  if (run.AwkPath.empty()) return Refuse(U("awk.exeが指定されていません"));
  if (!run.Options) return Refuse(run.Refusal);
  TEditor& ed = ctx_.Editor->Editor();
  const std::string text = ed.Lines().GetTextStr();
  if (!warnedWrites_ && ScriptWritesOrRuns(text, encoding_)) {
    warnedWrites_ = true;
    return Refuse(U("このスクリプトはファイルに書き込むか、ほかのプログラムを起動します。デバッグは「実行」と同じく"
                    "サンドボックスなしで、同じフォルダーで動くので、それらも実際に行われます。"
                    "よければもう一度 F6 で開始します"));
  }

  PreviewRequest sample;
  TPreviewPane* preview = ctx_.Preview ? ctx_.Preview() : nullptr;
  const TSampleChoice chosen = ChooseSample(preview ? preview->Sample() : TPreviewPane::SampleSelectedInput, run,
                                            preview ? preview->ChosenFile() : QString(), sample);
  if (!chosen.Refusal.isEmpty()) return Refuse(chosen.Refusal);

  DebugRequest request;
  request.AwkPath = run.AwkPath;
  request.Options = *run.Options;
  request.Locale = run.Locale;
  request.Encoding = encoding_;
  request.ScriptText = text;
  request.ScriptName = encoding_ == TextEncoding::Cp932 ? ToCp932Lossy(ctx_.ScriptName())
                                                         : Encode(encoding_, ctx_.ScriptName()).value_or(std::string());
  request.Sample = sample.Sample;
  request.SamplePath = sample.SamplePath;
  request.SampleText = sample.SampleText;
  request.Breakpoints = BreakpointLines();

  ClearMarks(kDebugCurrentMark);
  edited_ = false;
  if (errorMarked_) ClearMarks(kPreviewErrorMark);
  errorMarked_ = false;
  pane_->Clear();
  pane_->SetStatus(chosen.Note.isEmpty() ? U("実行中…") : chosen.Note, false);
  std::vector<std::string> watches;
  if (const std::string w = pane_->WatchExpression(); !w.empty()) watches.push_back(w);
  Post([this, request, watches] { return StartOp(request, watches); });
}

void TDebugger::Step(std::function<DebugTask<DebugStop>(TDebugSession&)> step) {
  if (!stopped_ || busy_) return;
  ClearMarks(kDebugCurrentMark);
  // Said only of a step that takes a while.
  running_.start();
  Post([this, step = std::move(step)] { return StepOp(step(session_)); });
}

void TDebugger::Continue() { Step([](TDebugSession& s) { return s.ContinueAsync(); }); }
void TDebugger::StepOver() { Step([](TDebugSession& s) { return s.StepOverAsync(); }); }
void TDebugger::StepInto() { Step([](TDebugSession& s) { return s.StepIntoAsync(); }); }
void TDebugger::StepOut() { Step([](TDebugSession& s) { return s.StepOutAsync(); }); }

void TDebugger::RunToCaret() {
  TEditor& ed = ctx_.Editor->Editor();
  const int line = ed.List().RowToLines(ed.Row()) + 1;
  Step([line](TDebugSession& s) { return s.RunToRowAsync(line); });
}

void TDebugger::Stop() {
  if (!busy_ && !stopped_) return;
  // At once, whatever was under way; then what gawk left is collected.
  Abandon();
  stopped_ = false;
  ClearMarks(kDebugCurrentMark);  // nothing is about to run any more
  Show(Result{session_.End(), {}});
}

void TDebugger::Show(const Result& r) {
  running_.stop();
  const DebugStop& stop = r.Stop;
  if (!pane_) return;
  TEditor& ed = ctx_.Editor->Editor();
  for (const DebugBreakpoint& b : r.Placed)
    if (b.SetAt != b.Row) MoveBreakpoint(b.Row, b.SetAt);
  pane_->SetEncoding(encoding_);
  // The output printed before the stop is queued before it.
  pane_->FlushOutput();
  pane_->ShowStop(stop);
  stopped_ = stop.State == DebugState::Stopped;
  QString status;
  bool warning = false;
  switch (stop.State) {
    case DebugState::Stopped:
      if (stop.Row > 0 && stop.Row <= ed.Lines().GetCount()) {
        MarkRow(stop.Row);
        // The row is in the call stack: a status that stays the same from
        // step to step costs no new layout.
        status = U("停止中（F8 続行、F10 ステップオーバー、F11 ステップイン、Shift+F6 停止）");
      } else {
        status = U("%1 で停止中").arg(ToQString(encoding_, stop.Location));
      }
      break;
    case DebugState::Ended:
      if (stop.ErrorLine > 0 && stop.ErrorLine <= ed.Lines().GetCount()) {
        ed.PutRowMark(ed.Lines().LinesToRow(stop.ErrorLine - 1), kPreviewErrorMark);
        errorMarked_ = true;
      }
      status = U("スクリプトが終了しました（終了ステータス %1）").arg(stop.ExitStatus);
      warning = stop.ExitStatus != 0;
      break;
    case DebugState::Killed: status = U("gawk を止めました"); break;
    case DebugState::NotStarted:
      status = U("gawk を実行できませんでした");
      warning = true;
      break;
  }
  if (!stop.DroppedOptions.empty()) {
    std::string words;
    for (const std::string& w : stop.DroppedOptions) words += (words.empty() ? "" : " ") + w;
    status += U("\nデバッグでは次のオプションを外しました: %1").arg(ToQString(encoding_, words));
  }
  if (edited_ && stop.State == DebugState::Stopped) status += U("\n") + kEditedNote();
  pane_->SetStatus(status, warning || (edited_ && stop.State == DebugState::Stopped));
  UpdateCommands();
  emit Shown();
}

void TDebugger::MarkRow(int line) {
  TEditor& ed = ctx_.Editor->Editor();
  if (line < 1 || line > ed.Lines().GetCount()) return;
  const int row = ed.Lines().LinesToRow(line - 1);
  if (!(ed.List().GetListRowMarks(row) & RowMarkBit(kDebugCurrentMark))) ed.PutRowMark(row, kDebugCurrentMark);
  // Into view, the caret left where the user put it.
  if (row < ed.TopRow() || row >= ed.TopRow() + std::max(1, ed.RowCount() - 1))
    ed.SetTopRow(std::max(0, row - ed.RowCount() / 3));
}

void TDebugger::PaintNow() {
  if (ctx_.Editor) QCoreApplication::sendPostedEvents(ctx_.Editor->window(), QEvent::UpdateRequest);
}

void TDebugger::ClearMarks(TRowMark mark) {
  TEditor& ed = ctx_.Editor->Editor();
  const TRowMarks bit = RowMarkBit(mark);
  const int count = ed.List().Count();
  for (int r = 0; r < count; ++r)
    if (ed.List().GetListRowMarks(r) & bit) ed.DeleteRowMark(r, mark);
}

std::vector<int> TDebugger::BreakpointLines() const {
  const TEditor& ed = ctx_.Editor->Editor();
  std::vector<int> lines;
  const TRowMarks bit = RowMarkBit(kBreakpointMark);
  const int count = ed.List().Count();
  for (int r = 0; r < count; ++r) {
    if (!(ed.List().GetListRowMarks(r) & bit)) continue;
    const int line = ed.List().RowToLines(r) + 1;
    if (lines.empty() || lines.back() != line) lines.push_back(line);
  }
  return lines;
}

int TDebugger::CurrentLine() const {
  const TEditor& ed = ctx_.Editor->Editor();
  const TRowMarks bit = RowMarkBit(kDebugCurrentMark);
  const int count = ed.List().Count();
  for (int r = 0; r < count; ++r)
    if (ed.List().GetListRowMarks(r) & bit) return ed.List().RowToLines(r) + 1;
  return 0;
}

void TDebugger::MoveBreakpoint(int line, int to) {
  TEditor& ed = ctx_.Editor->Editor();
  if (line < 1 || line > ed.Lines().GetCount()) return;
  ed.DeleteRowMark(ed.Lines().LinesToRow(line - 1), kBreakpointMark);
  if (to > 0 && to <= ed.Lines().GetCount()) ed.PutRowMark(ed.Lines().LinesToRow(to - 1), kBreakpointMark);
  else if (pane_) pane_->AddMessages(FromUtf8(encoding_, "行 " + std::to_string(line) +
                                                            " には止まれる文がないので、ブレークポイントを外しました").bytes);
}

void TDebugger::ToggleBreakpoint() { ToggleBreakpointAtRow(ctx_.Editor->Editor().Row()); }

void TDebugger::ToggleBreakpointAtRow(int row) {
  EnsureImagebarRoom();
  TEditor& ed = ctx_.Editor->Editor();
  if (row < 0 || row >= ed.List().Count()) return;
  const int line = ed.List().RowToLines(row) + 1;
  const int first = ed.Lines().LinesToRow(line - 1);
  const bool on = ed.List().GetListRowMarks(first) & RowMarkBit(kBreakpointMark);
  if (on) ed.DeleteRowMark(first, kBreakpointMark);
  else ed.PutRowMark(first, kBreakpointMark);
  if (!stopped_) return;  // told to gawk at the next start
  Post([this, line, on] { return BreakpointOp(line, !on); });
}

bool TDebugger::eventFilter(QObject* watched, QEvent* event) {
  // A click in the image bar toggles the breakpoint of the row under it;
  // the control does not see it (it would select the row).
  const QEvent::Type t = event->type();
  if (watched == ctx_.Editor->viewport() &&
      (t == QEvent::MouseButtonPress || t == QEvent::MouseButtonRelease || t == QEvent::MouseButtonDblClick)) {
    auto* me = static_cast<QMouseEvent*>(event);
    const TEditor& ed = ctx_.Editor->Editor();
    const QPoint p = me->position().toPoint();
    if (me->button() == Qt::LeftButton && p.x() >= 0 && p.x() < ed.ImagebarWidth() && p.y() >= ed.TopMargin()) {
      if (t != QEvent::MouseButtonRelease) {
        int col = 0, row = 0;
        ed.PosToRowCol(p.x(), p.y(), col, row, true);
        ToggleBreakpointAtRow(row);
      }
      return true;
    }
  }
  return QObject::eventFilter(watched, event);
}

void TDebugger::DrawCurrentRow(QPainter& painter, const TDrawLineInfo& info, const TEditorWidget& editor) {
  if (!(editor.Editor().List().GetListRowMarks(info.Index) & RowMarkBit(kDebugCurrentMark))) return;
  // A translucent band over the text: blended on the fast path of the
  // raster engine (a multiply costs several times as much on every step).
  painter.fillRect(info.Rect, QColor(255, 220, 0, 80));
}

}  // namespace tolvan
