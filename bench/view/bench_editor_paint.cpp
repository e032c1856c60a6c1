// A full repaint of a 200-column by 60-row view of coloured awk text with the
// ruler and line numbers, into an offscreen image, against a QPlainTextEdit
// showing the same 60 rows in the same font (coloured by a highlighter)
// rendered into an image of the same size. Median of 50 each, thread CPU
// time. Prints "ratio <ours / QPlainTextEdit>". With --utf8 the same text
// is held as a UTF-8 document.
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QSyntaxHighlighter>

#include <cstdio>

#include "bench_view_common.h"
#include "core/codepage.h"
#include "editor/view/editor_font.h"
#include "editor/view/editor_renderer.h"
#include "recording_platform.h"

using namespace tolvan;
using namespace tolvan::bench;

namespace {

constexpr int kCols = 200, kRows = 60, kRuns = 50;

// About what the awk scheme colours: reserved words, strings, numbers,
// fields and comments.
class AwkHighlighter : public QSyntaxHighlighter {
 public:
  explicit AwkHighlighter(QTextDocument* doc) : QSyntaxHighlighter(doc) {
    auto fmt = [](QColor c) {
      QTextCharFormat f;
      f.setForeground(c);
      return f;
    };
    rules_ = {
        {QRegularExpression(QStringLiteral("\\b(BEGIN|END|if|else|while|for|print|printf|split|gsub|substr|length|NR)\\b")),
         fmt(QColor(0, 0, 255))},
        {QRegularExpression(QStringLiteral("\\b[0-9]+(\\.[0-9]+)?\\b")), fmt(QColor(0, 128, 128))},
        {QRegularExpression(QStringLiteral("\\$[0-9A-Za-z_]+")), fmt(QColor(255, 0, 0))},
        {QRegularExpression(QStringLiteral("\"[^\"]*\"")), fmt(QColor(128, 0, 0))},
        {QRegularExpression(QStringLiteral("#.*$")), fmt(QColor(0, 128, 0))},
    };
  }

 protected:
  void highlightBlock(const QString& text) override {
    for (const auto& [re, f] : rules_)
      for (auto it = re.globalMatch(text); it.hasNext();) {
        const auto m = it.next();
        setFormat(static_cast<int>(m.capturedStart()), static_cast<int>(m.capturedLength()), f);
      }
  }

 private:
  std::vector<std::pair<QRegularExpression, QTextCharFormat>> rules_;
};

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const bool utf8 = QCoreApplication::arguments().contains(QStringLiteral("--utf8"));
  const QFont font = ResolveEditorFont(QStringLiteral("FixedSys"), -16, 0);

  TGawkFountain gawk;  // outlives the control that shows it
  ColourGawk(gawk);
  test::RecordingPlatform p;
  p.metrics = EditorFontMetrics(font);
  TEditor e(p);
  e.SetFountain(&gawk);
  e.Ruler().SetVisible(true);
  e.Leftbar().SetVisible(true);
  e.Leftbar().SetShowNumberMode(nmLine);
  e.Margin().SetLeft(7);
  e.Margin().SetLine(2);
  const std::vector<std::string> rows = AwkRows(2000, kCols);
  std::string text;
  for (const auto& r : rows) text += (utf8 ? cp932::ToUtf8(r) : r) + "\r\n";
  if (utf8) e.Lines().SetEncoding(TextEncoding::Utf8);
  e.Lines().SetTextStr(text);
  std::printf("%s text\n", utf8 ? "UTF-8" : "CP932");
  e.Resized();
  // Size the control so that exactly 200 columns and 60 rows show.
  p.width = e.LeftMargin() + kCols * e.ColWidth() + e.ColWidth() / 2;
  p.height = e.TopMargin() + kRows * e.GetRowHeight() + 5;
  e.Resized();
  e.SetRowCol(3, 10);
  std::printf("view %d x %d px: %d columns, %d rows\n", p.width, p.height, e.ColCount(), e.RowCount());

  TEditorRenderer renderer(e);
  renderer.SetFont(font);
  QImage img(p.width, p.height, QImage::Format_ARGB32_Premultiplied);
  const QRect all(0, 0, p.width, p.height);
  std::vector<double> ours;
  for (int i = 0; i < kRuns + 5; ++i) {
    const double t0 = ThreadMs();
    {
      QPainter painter(&img);
      renderer.Paint(painter, all);
    }
    if (i >= 5) ours.push_back(ThreadMs() - t0);  // the first paints fill the glyph caches
  }

  QPlainTextEdit edit;
  edit.setFont(font);
  edit.setLineWrapMode(QPlainTextEdit::NoWrap);
  edit.setFrameShape(QFrame::NoFrame);
  edit.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  edit.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  QString shown;
  for (int r = 0; r < kRows; ++r) shown += QString::fromUtf8(cp932::ToUtf8(rows[static_cast<std::size_t>(r)])) + u'\n';
  edit.setPlainText(shown);
  AwkHighlighter highlighter(edit.document());
  edit.resize(p.width, p.height);
  edit.show();
  app.processEvents();
  QImage ref(p.width, p.height, QImage::Format_ARGB32_Premultiplied);
  std::vector<double> theirs;
  for (int i = 0; i < kRuns + 5; ++i) {
    const double t0 = ThreadMs();
    edit.render(&ref);
    if (i >= 5) theirs.push_back(ThreadMs() - t0);
  }

  if (qEnvironmentVariableIsSet("TOLVAN_BENCH_SAVE")) {
    img.save(QStringLiteral("/tmp/bench_paint_ours.png"));
    ref.save(QStringLiteral("/tmp/bench_paint_ref.png"));
  }
  const double a = Median(ours), b = Median(theirs);
  std::printf("renderer median %.3f ms\n", a);
  std::printf("QPlainTextEdit median %.3f ms\n", b);
  std::printf("ratio %.3f\n", b > 0 ? a / b : 0.0);
  return 0;
}
