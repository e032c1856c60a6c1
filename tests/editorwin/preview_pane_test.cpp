// The editor window's preview driven as a user drives it: F5, typing, the
// pause, the output, an error's row mark and its line, the sample chooser,
// and the ends of a run.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QListWidget>
#include <QPainter>
#include <QSplitter>
#include <QtTest>

#include <fstream>

#include "editor/view/output_text.h"
#include "editorwin/editor_window_fixture.h"

using namespace tolvan;
using namespace tolvan::test;

namespace {

constexpr int kWaitMs = 8000;

struct PreviewEnv : EditorEnv {
  PreviewEnv() {
    host.preview.AwkPath = "/usr/bin/gawk";
    host.preview.FirstSelectedInput = Write("sample.txt", "alpha\nbeta\n");
    // The preview alone: the syntax check would ask for gawk too, and add --lint.
    WriteSettings("[Editor]\r\nSyntaxCheck=0\r\n");
  }
  // A shown window for a script file holding text.
  TfrmEditor* Window(const std::string& text, int width = 1000) {
    TfrmEditor* w = host.Open(Write("s.awk", text));
    w->resize(width, 400);
    w->show();
    if (!QTest::qWaitForWindowExposed(w)) return nullptr;
    return w;
  }
};

// Waits for the next shown result of the pane.
bool WaitShown(TPreviewPane* pane, int ms = kWaitMs) {
  QSignalSpy spy(pane, &TPreviewPane::RunShown);
  return spy.wait(ms);
}

TPreviewPane* OpenPreview(TfrmEditor* w) {
  QTest::keyClick(w, Qt::Key_F5);
  return w->Preview();
}

void TypeAtEnd(TfrmEditor* w, const std::string& bytes) {
  TEditor& c = w->Editor1().Editor();
  c.SetRowCol(c.Lines().LinesToRow(c.Lines().GetCount() - 1), 0);
  c.KeyDown(ekEnd, 0);
  c.CharBytes(bytes);
}

bool ProcessGone(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  if (!stat) return true;
  std::string line;
  std::getline(stat, line);
  const std::size_t close = line.rfind(')');
  return close != std::string::npos && close + 2 < line.size() && line[close + 2] == 'Z';
}

// Whether some pixel of r is pure-ish red.
bool HasRed(const QImage& img, const QRect& r) {
  for (int y = std::max(0, r.top()); y <= std::min(img.height() - 1, r.bottom()); ++y)
    for (int x = std::max(0, r.left()); x <= std::min(img.width() - 1, r.right()); ++x) {
      const QColor p = img.pixelColor(x, y);
      if (p.red() > 200 && p.green() < 60 && p.blue() < 60) return true;
    }
  return false;
}

}  // namespace

class PreviewPaneTest : public QObject {
  Q_OBJECT
 private slots:
  void f5TogglesThePaneAndItsRuns() {
    PreviewEnv env;
    TfrmEditor* w = env.Window("{ print toupper($0) }\n");
    QVERIFY(w);
    QCOMPARE(w->mnuToolPreview->text(), QString::fromUtf8("プレビュー"));
    QCOMPARE(w->mnuToolPreview->shortcut(), QKeySequence(Qt::Key_F5));
    TPreviewPane* pane = OpenPreview(w);
    QVERIFY(pane);
    QVERIFY(pane->isVisible());
    QVERIFY(pane->Active());
    QVERIFY(w->mnuToolPreview->isChecked());
    QVERIFY(WaitShown(pane));
    QCOMPARE(pane->OutputBytes(), std::string("ALPHA\r\nBETA\r\n"));

    QTest::keyClick(w, Qt::Key_F5);
    QVERIFY(!pane->isVisible());
    QVERIFY(!pane->Active());
    QVERIFY(!w->mnuToolPreview->isChecked());
    // A change while closed runs nothing.
    const int asked = env.host.previewAsked;
    TypeAtEnd(w, "#");
    QTest::qWait(TPreviewPane::kPauseMs + 200);
    QCOMPARE(env.host.previewAsked, asked);

    QTest::keyClick(w, Qt::Key_F5);
    QVERIFY(pane->isVisible());
    QVERIFY(w->mnuToolPreview->isChecked());
    QVERIFY(WaitShown(pane));
    QCOMPARE(env.host.previewAsked, asked + 1);
  }

  // Output that keeps coming does not pull a reader back to the top.
  void streamingOutputKeepsTheView() {
    PreviewEnv env;
    TfrmEditor* w = env.Window(
        "BEGIN { for (i = 1; i <= 2000; i++) print i; fflush()\n"
        "  while (j++ < 1.5e7) ;\n"
        "  for (; i <= 4000; i++) print i }\n");
    QVERIFY(w);
    TPreviewPane* pane = OpenPreview(w);
    QVERIFY(pane);
    QSignalSpy painted(pane, &TPreviewPane::OutputPainted);
    QVERIFY(painted.wait(kWaitMs));
    TEditor& out = pane->OutputView()->Editor();
    QVERIFY(pane->Running());
    out.SetTopRow(100);
    out.SetRowCol(120, 2);
    QVERIFY(WaitShown(pane));
    QVERIFY(pane->OutputBytes().size() > 4000 * 4);
    QCOMPARE(out.TopRow(), 100);
    QCOMPARE(out.Row(), 120);
  }

  void typingRunsAfterThePauseOnce() {
    PreviewEnv env;
    TfrmEditor* w = env.Window("{ print $0 }\n");
    QVERIFY(w);
    TPreviewPane* pane = OpenPreview(w);
    QVERIFY(WaitShown(pane));
    QCOMPARE(pane->OutputBytes(), std::string("alpha\r\nbeta\r\n"));

    QSignalSpy shown(pane, &TPreviewPane::RunShown);
    const int asked = env.host.previewAsked;
    // "{ print $0 }" becomes "{ print $0 "!" }" key by key, each under the pause.
    TEditor& c = w->Editor1().Editor();
    c.SetRowCol(0, 10);
    for (const char* key : {" ", "\"", "!", "\""}) {
      c.CharBytes(key);
      QTest::qWait(TPreviewPane::kPauseMs / 4);
    }
    QCOMPARE(env.host.previewAsked, asked);  // not yet: still within the pause
    QVERIFY(shown.wait(kWaitMs));
    QCOMPARE(env.host.previewAsked, asked + 1);  // one run for the whole burst
    QCOMPARE(pane->OutputBytes(), std::string("alpha!\r\nbeta!\r\n"));
    QTest::qWait(TPreviewPane::kPauseMs + 100);
    QCOMPARE(shown.count(), 1);

    // A paste is a change like typing.
    QApplication::clipboard()->setText("?");
    c.SetRowCol(0, 13);
    c.PasteFromClipboard();
    QVERIFY(shown.wait(kWaitMs));
    QCOMPARE(pane->OutputBytes(), std::string("alpha!?\r\nbeta!?\r\n"));

    // Undo is a change like typing.
    while (w->Editor1().Editor().Lines().GetTextStr() != "{ print $0 }\r\n") c.Undo();
    QVERIFY(shown.wait(kWaitMs));
    QCOMPARE(pane->OutputBytes(), std::string("alpha\r\nbeta\r\n"));
  }

  void anErrorMarksItsRowUntilTheNextRun() {
    PreviewEnv env;
    TfrmEditor* w = env.Window("BEGIN {\n  x = 1\n  y = x +* 2\n}\n");
    QVERIFY(w);
    TPreviewPane* pane = OpenPreview(w);
    QVERIFY(WaitShown(pane));
    QCOMPARE(pane->ErrorRow(), 2);
    QVERIFY(pane->ErrorView()->isVisible());
    const QStringList lines = pane->ErrorLines();
    QVERIFY(!lines.isEmpty());
    QVERIFY2(lines[0].startsWith("gawk: " + env.Path("s.awk") + ":3: "), qPrintable(lines[0]));
    for (const QString& l : lines) QVERIFY(!l.contains("tolvan-"));

    // The row hook draws the mark under that row and no other.
    TEditorWidget& e = w->Editor1();
    const TEditor& c = e.Editor();
    QImage img(e.viewport()->size(), QImage::Format_RGB32);
    img.fill(Qt::white);
    {
      QPainter p(&img);
      e.Renderer().Paint(p, img.rect());
    }
    auto band = [&](int row) {
      return QRect(c.LeftMargin(), c.TopMargin() + row * c.GetRowHeight(), 20 * c.ColWidth(), c.GetRowHeight());
    };
    QVERIFY(HasRed(img, band(2)));
    QVERIFY(!HasRed(img, band(1)));
    QVERIFY(!HasRed(img, band(3)));

    // Clicking the message puts the caret on the row it names.
    w->Editor1().Editor().SetRowCol(0, 0);
    QListWidget* list = pane->ErrorView();
    const QRect item = list->visualItemRect(list->item(0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, item.center());
    QCOMPARE(c.Row(), 2);
    QCOMPARE(c.Col(), 0);

    // Fixed: the mark and the messages go, the output comes.
    TEditor& ed = w->Editor1().Editor();
    ed.SetRowCol(2, 8);
    ed.KeyDown(ekDelete, 0);  // "x +* 2" -> "x * 2"
    ed.SetRowCol(3, 0);
    ed.CharBytes("print y");
    ed.CharBytes("\r");
    QVERIFY(WaitShown(pane));
    QCOMPARE(pane->ErrorRow(), -1);
    QVERIFY(pane->ErrorLines().isEmpty());
    QVERIFY(!pane->ErrorView()->isVisible());
    QCOMPARE(pane->OutputBytes(), std::string("2\r\n"));
  }

  void theErrorMarkRunsUnderTheColumnsOfAUtf8Row() {
    std::string kanji;  // 45 bytes, 30 columns
    for (int i = 0; i < 15; ++i) kanji += "漢";
    PreviewEnv env;
    TfrmEditor* w = env.Window("BEGIN {\n  y = \"" + kanji + "\" +* 2\n}\n", 1200);
    QVERIFY(w);
    TPreviewPane* pane = OpenPreview(w);
    QVERIFY(WaitShown(pane));
    QCOMPARE(pane->ErrorRow(), 1);
    const TEditor& c = w->Editor1().Editor();
    const QImage img = Rendered(w->Editor1());
    // Along the row's bottom edge, to its 43rd column and no further.
    const int x = c.LeftMargin() + 43 * c.ColWidth(), y = c.TopMargin() + 2 * c.GetRowHeight() - 5;
    QVERIFY(HasRed(img, QRect(x - 3 * c.ColWidth(), y, 3 * c.ColWidth(), 5)));
    QVERIFY(!HasRed(img, QRect(x + c.ColWidth(), y, 20 * c.ColWidth(), 5)));
  }

  void anErrorRowFollowsLinesAboveIt() {
    // Word wrap is off, but the mark lives on the row, so a line added
    // above before the next run moves it along.
    PreviewEnv env;
    TfrmEditor* w = env.Window("BEGIN {\n  +*\n}\n");
    QVERIFY(w);
    TPreviewPane* pane = OpenPreview(w);
    QVERIFY(WaitShown(pane));
    QCOMPARE(pane->ErrorRow(), 1);
    TEditor& ed = w->Editor1().Editor();
    ed.SetRowCol(0, 0);
    ed.CharBytes("\r");
    QCOMPARE(pane->ErrorRow(), 2);
    QVERIFY(WaitShown(pane));
    QCOMPARE(pane->ErrorRow(), 2);  // the next run names it again
  }

  void outputThatNeverEndsIsShownWhileItComes() {
    PreviewEnv env;
    TfrmEditor* w = env.Window("BEGIN { print \"first\"; fflush(); while (1) ; }\n");
    QVERIFY(w);
    TPreviewPane* pane = OpenPreview(w);
    QSignalSpy painted(pane, &TPreviewPane::OutputPainted);
    QTRY_COMPARE_WITH_TIMEOUT(pane->OutputBytes(), std::string("first\r\n"), kWaitMs);
    QVERIFY(pane->Running());
    QVERIFY(painted.count() > 0 || painted.wait(kWaitMs));
    // The window is not held while gawk runs: a key still goes in at once.
    TypeAtEnd(w, "#");
    QVERIFY(!pane->Running());
  }

  void sampleChoices() {
    PreviewEnv env;
    TfrmEditor* w = env.Window("{ n++ } END { print n + 0 \":\" $0 }\n");
    QVERIFY(w);
    TPreviewPane* pane = OpenPreview(w);
    QVERIFY(WaitShown(pane));
    QCOMPARE(pane->OutputBytes(), std::string("2:beta\r\n"));

    pane->SetSample(TPreviewPane::SampleNone);
    QVERIFY(WaitShown(pane));
    QCOMPARE(pane->OutputBytes(), std::string("0:\r\n"));

    QApplication::clipboard()->setText(QString::fromUtf8("x\ny\nz"));
    pane->SetSample(TPreviewPane::SampleClipboard);
    QVERIFY(WaitShown(pane));
    QCOMPARE(pane->OutputBytes(), std::string("3:z\r\n"));

    const QString other = env.Write("other.txt", "one\n");
    pane->ChooseSampleFile = [&](QWidget*) { return other; };
    pane->SetSample(TPreviewPane::SampleFile);
    QVERIFY(WaitShown(pane));
    QCOMPARE(pane->OutputBytes(), std::string("1:one\r\n"));
    QCOMPARE(pane->SampleBox()->currentIndex(), int(TPreviewPane::SampleFile));
    // A cancelled chooser keeps the file chosen before.
    pane->ChooseSampleFile = [](QWidget*) { return QString(); };
    pane->SetSample(TPreviewPane::SampleFile);
    QVERIFY(WaitShown(pane));
    QCOMPARE(pane->OutputBytes(), std::string("1:one\r\n"));

    // No input file selected in the main window: no input, and it says so.
    env.host.preview.FirstSelectedInput.clear();
    pane->SetSample(TPreviewPane::SampleSelectedInput);
    QVERIFY(WaitShown(pane));
    QCOMPARE(pane->OutputBytes(), std::string("0:\r\n"));
    QVERIFY2(pane->Status().contains(QString::fromUtf8("入力なし")), qPrintable(pane->Status()));
  }

  void sandboxRefusalsAreNotedAndNothingIsWritten() {
    PreviewEnv env;
    const std::string target = (env.dir.path() / "out.txt").string();
    TfrmEditor* w = env.Window("BEGIN { print \"x\" > \"" + target + "\" }\n");
    QVERIFY(w);
    TPreviewPane* pane = OpenPreview(w);
    QVERIFY(WaitShown(pane));
    QVERIFY(!std::filesystem::exists(target));
    QVERIFY(pane->Status().contains("--sandbox"));
    QCOMPARE(pane->ErrorRow(), 0);

    // Options that write even so are left out, and the pane names them.
    const std::string dump = (env.dir.path() / "vars.txt").string();
    env.host.preview.Options = "--dump-variables=" + dump;
    TfrmEditor* w2 = env.Window("BEGIN { print 5 }\n");
    QVERIFY(w2);
    TPreviewPane* pane2 = OpenPreview(w2);
    QVERIFY(WaitShown(pane2));
    QCOMPARE(pane2->OutputBytes(), std::string("5\r\n"));
    QVERIFY(!std::filesystem::exists(dump));
    QVERIFY2(pane2->Status().contains(QString::fromStdString("--dump-variables=" + dump)), qPrintable(pane2->Status()));
  }

  void refusalsBeforeARun() {
    PreviewEnv env;
    env.host.preview.AwkPath.clear();
    TfrmEditor* w = env.Window("BEGIN { print 1 }\n");
    QVERIFY(w);
    TPreviewPane* pane = OpenPreview(w);
    QCOMPARE(pane->Status(), QString::fromUtf8("awk.exeが指定されていません"));
    QVERIFY(!pane->Running());
    env.host.preview.AwkPath = "/usr/bin/gawk";
    env.host.preview.Options.reset();
    env.host.preview.Refusal = "no options";
    TypeAtEnd(w, " ");
    QVERIFY(WaitShown(pane));
    QCOMPARE(pane->Status(), QString("no options"));
    env.host.preview.Options = "-v v=7";
    pane->SetSample(TPreviewPane::SampleNone);
    QVERIFY(WaitShown(pane));
    QCOMPARE(pane->OutputBytes(), std::string("1\r\n"));
  }

  void closingEndsTheRunAndLeavesSettingsAlone() {
    PreviewEnv env;
    env.WriteSettings("[AWKEXE]\r\nPath=/usr/bin/gawk\r\n");
    const std::string before = FileBytes(QString::fromStdString(env.host.SettingsFile().string()));
    TfrmEditor* w = env.Window("BEGIN { print PROCINFO[\"pid\"]; fflush(); while (1) ; }\n");
    QVERIFY(w);
    TPreviewPane* pane = OpenPreview(w);
    QTRY_VERIFY_WITH_TIMEOUT(!pane->OutputBytes().empty(), kWaitMs);
    const pid_t pid = static_cast<pid_t>(std::stol(pane->OutputBytes()));
    QVERIFY(pid > 0);
    // Closing the pane kills it...
    QTest::keyClick(w, Qt::Key_F5);
    QTRY_VERIFY_WITH_TIMEOUT(ProcessGone(pid), 3000);
    // ...and so does closing the window.
    QTest::keyClick(w, Qt::Key_F5);
    QTRY_VERIFY_WITH_TIMEOUT(pane->OutputBytes() != std::to_string(pid) + "\r\n" && !pane->OutputBytes().empty(),
                             kWaitMs);
    const pid_t pid2 = static_cast<pid_t>(std::stol(pane->OutputBytes()));
    w->close();
    QTRY_VERIFY_WITH_TIMEOUT(ProcessGone(pid2), 3000);
    QCOMPARE(FileBytes(QString::fromStdString(env.host.SettingsFile().string())), before);
  }

  void paneSitsBesideOrBelow() {
    PreviewEnv env;
    TfrmEditor* wide = env.Window("BEGIN { }\n", 1200);
    QVERIFY(wide);
    OpenPreview(wide);
    auto* split = wide->findChild<QSplitter*>();
    QVERIFY(split);
    QCOMPARE(split->orientation(), Qt::Horizontal);
    wide->resize(400, 500);
    QTRY_COMPARE(split->orientation(), Qt::Vertical);
    wide->resize(1200, 500);
    QTRY_COMPARE(split->orientation(), Qt::Horizontal);
  }
};

QTEST_MAIN(PreviewPaneTest)
#include "preview_pane_test.moc"
