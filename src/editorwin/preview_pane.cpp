#include "editorwin/preview_pane.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPointer>
#include <QVBoxLayout>

#include "core/qt/qtext.h"
#include "editor/view/editor_font.h"
#include "editor/view/editor_renderer.h"
#include "editor/view/editor_widget.h"
#include "editor/view/output_text.h"
#include "editorwin/problems_pane.h"
#include "job/gawk_messages.h"

namespace tolvan {

namespace {

QString U(const char* s) { return QString::fromUtf8(s); }

// Output arrives in pieces; after the first one is shown at once, the text
// area is refreshed at most this often.
constexpr int kRefreshMs = 50;

}  // namespace

// Hands the runner's reports to the pane's thread. A report queued for a
// pane that has gone is dropped by Qt with the pane.
class TPreviewPane::Sink : public TPreviewSink {
 public:
  explicit Sink(TPreviewPane* pane) : pane_(pane) {}
  void PreviewOutput(std::uint64_t run, std::string_view bytes) override {
    QMetaObject::invokeMethod(
        pane_, [p = pane_, run, b = std::string(bytes)]() mutable { p->ShowOutput(run, std::move(b)); },
        Qt::QueuedConnection);
  }
  void PreviewEnded(const PreviewResult& result) override {
    QMetaObject::invokeMethod(pane_, [p = pane_, result] { p->ShowEnd(result); }, Qt::QueuedConnection);
  }

 private:
  TPreviewPane* pane_;
};

TSampleChoice ChooseSample(TPreviewPane::SampleChoice choice, const TPreviewContext& ctx, const QString& chosenFile,
                           PreviewRequest& request) {
  TSampleChoice r;
  switch (choice) {
    case TPreviewPane::SampleSelectedInput:
      if (ctx.FirstSelectedInput.isEmpty()) {
        r.Note = U("入力ファイルが選ばれていないので、入力なしで実行します");
      } else {
        request.Sample = PreviewSample::File;
        request.SamplePath = QFile::encodeName(ctx.FirstSelectedInput).toStdString();
      }
      r.Shown = QFileInfo(ctx.FirstSelectedInput).fileName();
      break;
    case TPreviewPane::SampleFile:
      request.Sample = PreviewSample::File;
      request.SamplePath = QFile::encodeName(chosenFile).toStdString();
      r.Shown = QFileInfo(chosenFile).fileName();
      break;
    case TPreviewPane::SampleClipboard: {
      QString text = QApplication::clipboard()->text();
      const int nul = text.indexOf(QChar(0));
      if (nul >= 0) text.truncate(nul);
      if (text.isEmpty()) {
        r.Refusal = U("クリップボードにテキストがありません！");
        break;
      }
      QString failed;
      auto bytes = Encode(ctx.Encoding, text, &failed);
      if (!bytes) {
        r.Refusal = U("「%1」はShift-JISで表せない文字なので、gawkに渡せません").arg(failed);
        break;
      }
      request.Sample = PreviewSample::Text;
      request.SampleText = std::move(*bytes);
      break;
    }
    default:
      break;
  }
  return r;
}

TPreviewPane::TPreviewPane(TEditorWidget& editor, std::function<TPreviewContext()> context,
                           std::function<QString()> scriptName, QWidget* parent)
    : QWidget(parent), editor_(editor), context_(std::move(context)), scriptName_(std::move(scriptName)) {
  setObjectName("pnlPreview");
  ChooseSampleFile = [](QWidget* parent) { return QFileDialog::getOpenFileName(parent); };

  auto* label = new QLabel(U("入力:"), this);
  sample_ = new QComboBox(this);
  sample_->setObjectName("cmbPreviewSample");
  sample_->addItems({U("選択中の入力ファイル"), U("ファイル…"), U("クリップボード"), U("入力なし")});
  sampleName_ = new QLabel(this);
  sampleName_->setObjectName("lblPreviewSample");
  sampleName_->setTextFormat(Qt::PlainText);
  status_ = new QLabel(this);
  status_->setObjectName("lblPreviewStatus");
  status_->setTextFormat(Qt::PlainText);
  status_->setWordWrap(true);
  errors_ = new QListWidget(this);
  errors_->setObjectName("lstPreviewErrors");
  // Fixed-width, so gawk's "^" stands under the place it points at.
  errors_->setFont(QFont(QString::fromUtf8(kEditorFallbackFamily), 10));
  errors_->setMaximumHeight(QFontMetrics(errors_->font()).height() * 6 + 6);
  QPalette red = errors_->palette();
  red.setColor(QPalette::Text, Qt::red);
  errors_->setPalette(red);
  errors_->hide();
  output_ = new TOutputText(this);
  output_->setObjectName("txtPreviewOutput");

  auto* top = new QHBoxLayout;
  top->addWidget(label);
  top->addWidget(sample_);
  top->addWidget(sampleName_, 1);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->addLayout(top);
  layout->addWidget(status_);
  layout->addWidget(errors_);
  layout->addWidget(output_, 1);

  pause_.setSingleShot(true);
  // Precise: a coarse timer may fire up to 5% late.
  pause_.setTimerType(Qt::PreciseTimer);
  pause_.setInterval(kPauseMs);
  connect(&pause_, &QTimer::timeout, this, &TPreviewPane::RunNow);
  refresh_.setSingleShot(true);
  refresh_.setInterval(kRefreshMs);
  connect(&refresh_, &QTimer::timeout, this, [this] { Reload(true); });

  connect(sample_, &QComboBox::activated, this, [this](int index) { SetSample(static_cast<SampleChoice>(index)); });
  connect(errors_, &QListWidget::itemClicked, this, &TPreviewPane::ErrorClicked);
  output_->OnPainted = [this] {
    if (!paintPending_) return;
    paintPending_ = false;
    emit OutputPainted();
  };

  sink_ = std::make_unique<Sink>(this);
  runner_ = std::make_unique<TPreviewRunner>(*sink_);
}

TPreviewPane::~TPreviewPane() {
  // Kills what runs before the sink goes.
  runner_.reset();
  ClearErrorMark();
}

void TPreviewPane::Start() {
  active_ = true;
  RunNow();
}

void TPreviewPane::Stop() {
  active_ = false;
  pause_.stop();
  refresh_.stop();
  runner_->Cancel();
  runningRun_ = 0;
  ClearErrorMark();
}

void TPreviewPane::TextChanged() {
  if (!active_) return;
  // The run of the old text is of no use any more.
  runner_->Cancel();
  runningRun_ = 0;
  pause_.start();
}

void TPreviewPane::SetSample(SampleChoice choice) {
  if (choice == SampleFile) {
    const QString path = ChooseSampleFile(this);
    if (path.isEmpty()) {
      // Cancelled: the choice stays what it was.
      sample_->setCurrentIndex(chosenFile_.isEmpty() ? SampleSelectedInput : SampleFile);
      if (chosenFile_.isEmpty()) return;
    } else {
      chosenFile_ = path;
    }
  }
  sample_->setCurrentIndex(choice);
  if (active_) RunNow();
}

void TPreviewPane::SetStatus(const QString& text, bool warning) {
  status_->setText(text);
  QPalette p = status_->palette();
  p.setColor(QPalette::WindowText, warning ? QColor(Qt::red) : palette().color(QPalette::WindowText));
  status_->setPalette(p);
}

void TPreviewPane::RunNow() {
  pause_.stop();
  if (!active_) return;
  ClearErrorMark();
  const TPreviewContext ctx = context_();
  auto refuse = [this](const QString& text) {
    runner_->Cancel();
    runningRun_ = 0;
    SetStatus(text, true);
    emit RunShown();
  };
  if (ctx.AwkPath.empty()) return refuse(U("awk.exeが指定されていません"));
  if (!ctx.Options) return refuse(ctx.Refusal);

  PreviewRequest request;
  request.AwkPath = ctx.AwkPath;
  request.Options = *ctx.Options;
  request.Locale = ctx.Locale;
  request.Encoding = ctx.Encoding;
  request.CrLf = ctx.CrLf;
  request.ScriptText = editor_.Editor().Lines().GetTextStr();
  request.Lint = Lint;
  // Only matched against gawk's messages.
  shownScriptName_ = ctx.Encoding == TextEncoding::Cp932 ? ToCp932Lossy(scriptName_())
                                                          : Encode(ctx.Encoding, scriptName_()).value_or(std::string());
  request.ScriptName = shownScriptName_;

  const TSampleChoice chosen =
      ChooseSample(static_cast<SampleChoice>(sample_->currentIndex()), ctx, chosenFile_, request);
  if (!chosen.Refusal.isEmpty()) return refuse(chosen.Refusal);
  sampleName_->setText(chosen.Shown);
  const QString note = chosen.Note;
  note_ = note;
  // What this run shows is in the script's encoding.
  if (output_->Editor().Lines().Encoding() != ctx.Encoding) {
    output_->Editor().Lines().SetEncoding(ctx.Encoding);
    buffer_.clear();
    Reload();
  }
  SetStatus(note.isEmpty() ? U("実行中…") : note, false);
  bufferIsNewest_ = false;
  paintPending_ = false;  // a paint from now on is this run's
  runningRun_ = runner_->Submit(std::move(request));
}

void TPreviewPane::ShowOutput(std::uint64_t run, std::string bytes) {
  if (run != runningRun_) return;
  const bool first = !bufferIsNewest_;
  if (first) {
    buffer_.clear();
    bufferIsNewest_ = true;
  }
  buffer_ += bytes;
  if (first) {
    // The first rows at once, painted now; the rest as they come, a
    // little at a time.
    paintPending_ = true;
    Reload();
    output_->viewport()->repaint();
  } else if (!refresh_.isActive()) {
    refresh_.start();
  }
}

void TPreviewPane::Reload(bool keepView) {
  TEditor& e = output_->Editor();
  const int top = e.TopRow(), leftCol = e.TopCol(), row = e.Row(), col = e.Col();
  e.Lines().LoadFromText(std::make_shared<const std::string>(buffer_));
  if (keepView) {
    e.SetRowCol(row, col);
    e.SetTopRow(top);
    e.SetTopCol(leftCol);
  }
  output_->viewport()->update();
}

void TPreviewPane::ShowEnd(const PreviewResult& result) {
  if (result.Run != runningRun_) return;
  runningRun_ = 0;
  refresh_.stop();
  // The streamed text grows into the result: the view stays.
  const bool streamed = bufferIsNewest_;
  if (!bufferIsNewest_ && !result.Output.empty()) paintPending_ = true;
  buffer_ = result.Output;
  bufferIsNewest_ = false;
  Reload(streamed);

  errors_->clear();
  std::size_t pos = 0;
  while (pos < result.Error.size()) {
    std::size_t end = result.Error.find('\n', pos);
    if (end == std::string::npos) end = result.Error.size();
    std::string line = result.Error.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    auto* item = new QListWidgetItem(ToQString(output_->Editor().Lines().Encoding(), line), errors_);
    item->setData(Qt::UserRole, QByteArray::fromStdString(line));
  }
  errors_->setVisible(errors_->count() > 0);

  TEditor& ed = editor_.Editor();
  if (result.ErrorLine > 0 && result.ErrorLine <= ed.Lines().GetCount())
    ed.PutRowMark(ed.Lines().LinesToRow(result.ErrorLine - 1), kPreviewErrorMark);

  if (OnRunMessages && result.End != PreviewEnd::NotStarted)
    OnRunMessages(ParseGawkMessages(result.Error, result.ScriptName, result.Encoding));

  switch (result.End) {
    case PreviewEnd::TimedOut:
      SetStatus(U("%1 秒を過ぎたので gawk を止めました").arg(kPreviewTimeout.count() / 1000), true);
      break;
    case PreviewEnd::NotStarted:
      SetStatus(U("gawk を実行できませんでした"), true);
      break;
    case PreviewEnd::Finished: {
      QString text;
      if (result.SandboxRefused)
        text = U("プレビューの gawk は --sandbox で動くので、ファイルへの出力、パイプ、system()、"
                 "ほかのファイルからの getline は拒まれます。Run の結果とは違います");
      else if (!result.Error.empty())
        text = U("gawk のメッセージがあります");
      if (!result.DroppedOptions.empty()) {
        // Said every run: the option box may have changed since.
        std::string words;
        for (const std::string& w : result.DroppedOptions) words += (words.empty() ? "" : " ") + w;
        const QString dropped = U("プレビューでは次のオプションを外しました: %1")
                                    .arg(ToQString(output_->Editor().Lines().Encoding(), words));
        text = (text.isEmpty() ? note_ : text);
        text = text.isEmpty() ? dropped : text + U("\n") + dropped;
      }
      SetStatus(text.isEmpty() ? (note_.isEmpty() ? U("完了") : note_) : text,
                result.SandboxRefused || !result.Error.empty() || !result.DroppedOptions.empty());
      break;
    }
  }
  emit RunShown();
}

void TPreviewPane::ClearErrorMark() {
  TEditor& ed = editor_.Editor();
  const TRowMarks bit = RowMarkBit(kPreviewErrorMark);
  const int count = ed.List().Count();
  for (int r = 0; r < count; ++r)
    if (ed.List().GetListRowMarks(r) & bit) ed.DeleteRowMark(r, kPreviewErrorMark);
}

int TPreviewPane::ErrorRow() const {
  const TEditor& ed = editor_.Editor();
  const TRowMarks bit = RowMarkBit(kPreviewErrorMark);
  const int count = ed.List().Count();
  for (int r = 0; r < count; ++r)
    if (ed.List().GetListRowMarks(r) & bit) return r;
  return -1;
}

void TPreviewPane::ErrorClicked(QListWidgetItem* item) {
  if (!item) return;
  const std::string line = item->data(Qt::UserRole).toByteArray().toStdString();
  const int n = ParseErrorLine(line, shownScriptName_);
  TEditor& ed = editor_.Editor();
  if (n <= 0 || n > ed.Lines().GetCount()) return;
  editor_.Guard([&] { ed.SetRowCol(ed.Lines().LinesToRow(n - 1), 0); });
  editor_.setFocus();
}

TPreviewPane::SampleChoice TPreviewPane::Sample() const { return static_cast<SampleChoice>(sample_->currentIndex()); }

std::string TPreviewPane::OutputBytes() const { return output_->Editor().Lines().GetTextStr(); }

QStringList TPreviewPane::ErrorLines() const {
  QStringList lines;
  for (int i = 0; i < errors_->count(); ++i) lines << errors_->item(i)->text();
  return lines;
}

QString TPreviewPane::Status() const { return status_->text(); }

void TPreviewPane::DrawErrorMark(QPainter& painter, const TDrawLineInfo& info, const TEditorWidget& editor) {
  if (editor.Editor().List().GetListRowMarks(info.Index) & RowMarkBit(kPreviewErrorMark))
    DrawRowWave(painter, info, editor, Qt::red);
}

}  // namespace tolvan
