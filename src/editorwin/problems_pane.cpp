#include "editorwin/problems_pane.h"

#include <QHeaderView>
#include <QPainter>
#include <QSplitter>

#include <algorithm>

#include "core/qt/qtext.h"
#include "editor/view/editor_renderer.h"
#include "editor/view/editor_widget.h"

namespace tolvan {

namespace {

QString U(const char* s) { return QString::fromUtf8(s); }

const QColor kWarningColour(0xD0, 0xA0, 0x00);

}  // namespace

void DrawRowWave(QPainter& painter, const TDrawLineInfo& info, const TEditorWidget& editor, const QColor& colour) {
  const int w = editor.Editor().ColWidth();
  const int x0 = info.X;
  // Under the columns the row shows: a UTF-8 kanji is 3 bytes but 2 columns.
  const int cols = editor.Editor().ExpandListLength(info.Index);
  const int x1 = std::max(info.X + cols * w, info.X + 2 * w);
  const int y = info.Rect.bottom() - 1;
  QPolygon wave;
  for (int x = x0, k = 0; x <= x1; x += 2, ++k) wave << QPoint(x, y - (k % 2) * 2);
  painter.save();
  painter.setPen(QPen(colour, 1));
  painter.drawPolyline(wave);
  painter.restore();
}

// Hands the runner's reports to the pane's thread; Qt drops a report
// queued for a pane that has gone.
class TProblemsPane::Sink : public TCheckSink {
 public:
  explicit Sink(TProblemsPane* pane) : pane_(pane) {}
  void CheckEnded(const CheckResult& result) override {
    QMetaObject::invokeMethod(pane_, [p = pane_, result] { p->ShowResult(result); }, Qt::QueuedConnection);
  }

 private:
  TProblemsPane* pane_;
};

TProblemsPane::TProblemsPane(TEditorWidget& editor, std::function<TPreviewContext()> context,
                             std::function<QString()> scriptName, QWidget* parent)
    : QTreeWidget(parent), editor_(editor), context_(std::move(context)), scriptName_(std::move(scriptName)) {
  setObjectName("lstProblems");
  setColumnCount(3);
  setHeaderLabels({U("行"), U("種類"), U("内容")});
  setRootIsDecorated(false);
  setUniformRowHeights(true);
  header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
  header()->setStretchLastSection(true);
  setMaximumHeight(fontMetrics().height() * 7 + 8);
  hide();

  pause_.setSingleShot(true);
  pause_.setTimerType(Qt::PreciseTimer);
  pause_.setInterval(kPauseMs);
  connect(&pause_, &QTimer::timeout, this, &TProblemsPane::CheckNow);
  connect(this, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) {
    const int line = item ? item->data(0, Qt::UserRole).toInt() : 0;
    TEditor& ed = editor_.Editor();
    if (line <= 0 || line > ed.Lines().GetCount()) return;
    editor_.Guard([&] { ed.SetRowCol(ed.Lines().LinesToRow(line - 1), 0); });
    editor_.setFocus();
  });

  sink_ = std::make_unique<Sink>(this);
  runner_ = std::make_unique<TCheckRunner>(*sink_);
}

TProblemsPane::~TProblemsPane() {
  // Kills what runs before the sink goes.
  runner_.reset();
  ClearMarks();
}

void TProblemsPane::SetChecking(bool on) {
  on_ = on;
  if (on) {
    // After the pause, as after typing: a window being opened has its text by then.
    pause_.start();
    return;
  }
  pause_.stop();
  runner_->Cancel();
  running_ = 0;
  checked_.clear();
  run_.clear();
  Refresh();
  SetSummary(QString());
}

void TProblemsPane::TextChanged() {
  if (!on_) return;
  runner_->Cancel();
  running_ = 0;
  pause_.start();
}

void TProblemsPane::CheckNow() {
  pause_.stop();
  if (!on_) return;
  const TPreviewContext ctx = context_();
  if (ctx.AwkPath.empty() || !ctx.Options) {
    runner_->Cancel();
    running_ = 0;
    SetSummary(U("構文チェック: ") + (ctx.AwkPath.empty() ? U("awk.exeが指定されていません") : ctx.Refusal));
    return;
  }
  CheckRequest request;
  request.AwkPath = ctx.AwkPath;
  request.Options = *ctx.Options;
  request.Locale = ctx.Locale;
  request.Encoding = ctx.Encoding;
  request.ScriptText = editor_.Editor().Lines().GetTextStr();
  request.ScriptName = ctx.Encoding == TextEncoding::Cp932 ? ToCp932Lossy(scriptName_())
                                                           : Encode(ctx.Encoding, scriptName_()).value_or(std::string());
  encoding_ = ctx.Encoding;
  running_ = runner_->Submit(request);
}

void TProblemsPane::SetRunMessages(std::vector<GawkMessage> messages) {
  run_ = std::move(messages);
  if (on_) Refresh();
}

void TProblemsPane::ShowResult(const CheckResult& result) {
  if (result.Run != running_) return;
  running_ = 0;
  checked_.clear();
  if (!result.Ran)
    checked_.push_back({GawkMessageKind::Error, GawkMessagePlace::None, 0, result.Refusal});
  else
    checked_ = result.Messages;
  Refresh();
  emit Checked();
}

void TProblemsPane::Refresh() {
  shown_ = checked_;
  for (const GawkMessage& m : run_)
    if (std::find(shown_.begin(), shown_.end(), m) == shown_.end()) shown_.push_back(m);
  clear();
  ClearMarks();
  TEditor& ed = editor_.Editor();
  const int lines = ed.Lines().GetCount();
  int errors = 0, warnings = 0;
  for (const GawkMessage& m : shown_) {
    const bool error = m.Kind == GawkMessageKind::Error;
    (error ? errors : warnings)++;
    const bool inScript = m.Place == GawkMessagePlace::Script && m.Line > 0;
    auto* item = new QTreeWidgetItem(this, {inScript ? QString::number(m.Line) : QString(), error ? U("エラー") : U("警告"),
                                            ToQString(encoding_, m.Text)});
    item->setData(0, Qt::UserRole, inScript ? m.Line : 0);
    item->setForeground(1, error ? QColor(Qt::red) : kWarningColour);
    if (inScript && m.Line <= lines) {
      const int row = ed.Lines().LinesToRow(m.Line - 1);
      ed.PutRowMark(row, error ? kCheckErrorMark : kCheckWarningMark);
    }
  }
  const bool show = on_ && !shown_.empty();
  if (show && isHidden()) {
    setVisible(true);
    // A splitter gives a child shown again no room of its own.
    if (auto* split = qobject_cast<QSplitter*>(parentWidget())) {
      QList<int> sizes = split->sizes();
      const int me = split->indexOf(this);
      const int whole = split->orientation() == Qt::Vertical ? split->height() : split->width();
      const int h = std::min(maximumHeight(), whole / 3);
      for (int i = 0; i < sizes.size(); ++i) sizes[i] = i == me ? h : (whole - h) / std::max(1, int(sizes.size()) - 1);
      split->setSizes(sizes);
    }
  } else if (!show) {
    hide();
  }
  if (!on_) return;
  SetSummary(shown_.empty() ? U("問題なし") : U("エラー %1  警告 %2").arg(errors).arg(warnings));
  editor_.viewport()->update();
}

void TProblemsPane::SetSummary(const QString& text) {
  summary_ = text;
  emit SummaryChanged(text);
}

void TProblemsPane::ClearMarks() {
  TEditor& ed = editor_.Editor();
  const TRowMarks bits = RowMarkBit(kCheckErrorMark) | RowMarkBit(kCheckWarningMark);
  const int count = ed.List().Count();
  for (int r = 0; r < count; ++r) {
    const TRowMarks marks = ed.List().GetListRowMarks(r);
    if (!(marks & bits)) continue;
    if (marks & RowMarkBit(kCheckErrorMark)) ed.DeleteRowMark(r, kCheckErrorMark);
    if (marks & RowMarkBit(kCheckWarningMark)) ed.DeleteRowMark(r, kCheckWarningMark);
  }
}

void TProblemsPane::DrawMarks(QPainter& painter, const TDrawLineInfo& info, const TEditorWidget& editor) {
  const TRowMarks marks = editor.Editor().List().GetListRowMarks(info.Index);
  if (marks & RowMarkBit(kCheckErrorMark))
    DrawRowWave(painter, info, editor, Qt::red);
  else if (marks & RowMarkBit(kCheckWarningMark))
    DrawRowWave(painter, info, editor, kWarningColour);
}

}  // namespace tolvan
