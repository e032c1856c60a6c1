// The editor window's help with awk as a user meets it: the syntax check
// while typing (list, row marks, status bar, the menu switch), a preview
// run's warnings joining the list, the outline, F12 and Ctrl+click with
// Alt+Left back, completion on Ctrl+Space and Ctrl+J, and F1.
#include <QAction>
#include <QLabel>
#include <QListWidget>
#include <QTreeWidget>
#include <QToolTip>
#include <QHelpEvent>
#include <QApplication>
#include <QtTest>

#include "editorwin/code_assist.h"
#include "editorwin/editor_window_fixture.h"
#include "editorwin/outline_pane.h"
#include "editorwin/problems_pane.h"

using namespace tolvan;
using namespace tolvan::test;

namespace {

constexpr int kWaitMs = 8000;

struct CodeEnv : EditorEnv {
  CodeEnv() { host.preview.AwkPath = "/usr/bin/gawk"; }
  TfrmEditor* Window(const std::string& text) {
    TfrmEditor* w = host.Open(Write("s.awk", text));
    w->resize(1000, 500);
    w->show();
    if (!QTest::qWaitForWindowExposed(w)) return nullptr;
    return w;
  }
};

bool WaitChecked(TfrmEditor* w, int ms = kWaitMs) {
  QSignalSpy spy(&w->Problems(), &TProblemsPane::Checked);
  return spy.wait(ms);
}

void TypeAt(TfrmEditor* w, int row, int col, const std::string& bytes) {
  TEditor& c = w->Editor1().Editor();
  c.SetRowCol(row, col);
  c.CharBytes(bytes);
}

// Some pixel of the row's bottom band in the colour's family.
bool RowHasWave(TfrmEditor* w, int row, bool red) {
  const QImage img = Rendered(w->Editor1());
  TEditor& c = w->Editor1().Editor();
  // Rows from the top: the window's texts here never scroll.
  const int y = c.TopMargin() + (row + 1) * c.GetRowHeight() - 4;
  for (int yy = y; yy < y + 4 && yy < img.height(); ++yy)
    for (int x = 0; x < img.width(); ++x) {
      const QColor p = img.pixelColor(x, yy);
      if (red ? (p.red() > 200 && p.green() < 60 && p.blue() < 60) : (p.red() > 180 && p.green() > 130 && p.blue() < 60))
        return true;
    }
  return false;
}

QStringList OutlineTexts(TfrmEditor* w) {
  QStringList out;
  for (int i = 0; i < w->Outline().count(); ++i) out << w->Outline().item(i)->text().simplified();
  return out;
}

}  // namespace

class CodePanesTest : public QObject {
  Q_OBJECT
 private slots:
  void typoIsListedUnderlinedCountedAndGoesWhenFixed() {
    CodeEnv env;
    TfrmEditor* w = env.Window("BEGIN {\r\n  n = length\r\n  x = 1 +* 2\r\n}\r\n");
    QVERIFY(w);
    QVERIFY(w->mnuToolSyntaxCheck->isChecked());  // on by default
    QVERIFY(WaitChecked(w));
    const auto& shown = w->Problems().Shown();
    QCOMPARE(shown.size(), std::size_t(2));
    QCOMPARE(shown[0].Kind, GawkMessageKind::Warning);
    QCOMPARE(shown[0].Line, 2);
    QCOMPARE(shown[1].Kind, GawkMessageKind::Error);
    QCOMPARE(shown[1].Line, 3);
    QVERIFY(w->Problems().isVisible());
    QCOMPARE(w->Problems().topLevelItem(1)->text(0), QStringLiteral("3"));
    QCOMPARE(w->lblProblems->text(), QString::fromUtf8("エラー 1  警告 1"));
    QVERIFY(RowHasWave(w, 2, true));
    QVERIFY(RowHasWave(w, 1, false));
    QVERIFY(!RowHasWave(w, 0, true) && !RowHasWave(w, 0, false));
    // A click on the error puts the caret on its row.
    TEditor& c = w->Editor1().Editor();
    c.SetRowCol(0, 0);
    QTRY_VERIFY(w->Problems().visualItemRect(w->Problems().topLevelItem(1)).height() > 0);  // laid out
    const QRect r = w->Problems().visualItemRect(w->Problems().topLevelItem(1));
    QTest::mouseClick(w->Problems().viewport(), Qt::LeftButton, {}, r.center());
    QCOMPARE(c.Row(), 2);

    // Fixed: a check after the pause, nothing left.
    c.SetRowCol(2, 9);
    c.KeyDown(ekDelete, 0);  // "+* 2" -> "+ 2"
    QVERIFY(WaitChecked(w));
    QCOMPARE(w->Problems().Shown().size(), std::size_t(1));
    QVERIFY(!RowHasWave(w, 2, true));
    c.SetRowCol(1, 12);
    c.CharBytes("()");
    QVERIFY(WaitChecked(w));
    QVERIFY(w->Problems().Shown().empty());
    QVERIFY(!w->Problems().isVisible());
    QCOMPARE(w->lblProblems->text(), QString::fromUtf8("問題なし"));
    QVERIFY(!RowHasWave(w, 1, false));
  }

  void switchIsRememberedInTheEditorSection() {
    CodeEnv env;
    TfrmEditor* w = env.Window("BEGIN { x = }\r\n");
    QVERIFY(w);
    QVERIFY(WaitChecked(w));
    QVERIFY(RowHasWave(w, 0, true));
    w->mnuToolSyntaxCheck->trigger();
    QVERIFY(!w->Problems().Checking());
    QVERIFY(w->Problems().Shown().empty());
    QVERIFY(!RowHasWave(w, 0, true));
    QVERIFY(w->lblProblems->text().isEmpty());
    QVERIFY(FileBytes(QString::fromStdString(env.host.SettingsFile().string())).find("SyntaxCheck=0") != std::string::npos);
    // Off, typing checks nothing.
    TypeAt(w, 0, 0, "#");
    QVERIFY(!WaitChecked(w, 1000));
    TfrmEditor* again = env.Window("BEGIN { }\r\n");
    QVERIFY(again);
    QVERIFY(!again->mnuToolSyntaxCheck->isChecked());
    QVERIFY(!again->Problems().Checking());
  }

  void previewRunWarningsJoinTheList() {
    CodeEnv env;
    env.host.preview.FirstSelectedInput = env.Write("sample.txt", "a\n");
    TfrmEditor* w = env.Window("{ print q }\r\n");
    QVERIFY(w);
    QVERIFY(WaitChecked(w));
    QVERIFY(w->Problems().Shown().empty());  // reading it finds nothing
    QTest::keyClick(w, Qt::Key_F5);
    QTRY_VERIFY_WITH_TIMEOUT(!w->Problems().Shown().empty(), kWaitMs);
    const GawkMessage& m = w->Problems().Shown()[0];
    QCOMPARE(m.Kind, GawkMessageKind::Warning);
    QCOMPARE(m.Line, 1);
    QVERIFY(QString::fromStdString(m.Text).contains("uninitialized variable `q'"));
    QCOMPARE(w->Preview()->ErrorRow(), -1);  // a warning gets no error mark
  }

  void outlineListsFollowsAndMoves() {
    CodeEnv env;
    TfrmEditor* w = env.Window(
        "BEGIN { FS = \",\" }\r\n"
        "# function notOne() { }\r\n"
        "$3 > 100 &&\r\n"
        "  $2 == \"x\" { big++ }\r\n"
        "function total(a, b) {\r\n"
        "  return a + b\r\n"
        "}\r\n"
        "END { print big }\r\n");
    QVERIFY(w);
    QVERIFY(!w->mnuToolOutline->isChecked());
    QVERIFY(!w->Outline().isVisible());
    w->mnuToolOutline->trigger();
    QVERIFY(w->Outline().isVisible());
    QCOMPARE(OutlineTexts(w), QStringList({"1 BEGIN", "3 $3 > 100 && $2 == \"x\"", "5 function total(a, b)", "8 END"}));
    TEditor& c = w->Editor1().Editor();
    c.SetRowCol(5, 2);
    QCOMPARE(w->Outline().currentRow(), 2);
    c.SetRowCol(1, 0);  // a comment between entries
    QVERIFY(w->Outline().selectedItems().isEmpty());
    // Picking an entry moves the caret.
    QTest::mouseClick(w->Outline().viewport(), Qt::LeftButton, {}, w->Outline().visualItemRect(w->Outline().item(3)).center());
    QCOMPARE(c.Row(), 7);
    // Edits show after the pause.
    TypeAt(w, 8, 0, "function more() { }");
    QTRY_COMPARE_WITH_TIMEOUT(w->Outline().count(), 5, 2000);
    QVERIFY(FileBytes(QString::fromStdString(env.host.SettingsFile().string())).find("Outline=1") != std::string::npos);
    TfrmEditor* again = env.Window("BEGIN { }\r\n");
    QVERIFY(again && again->Outline().isVisible() && again->mnuToolOutline->isChecked());
  }

  void f12AndCtrlClickGoToTheFunctionAndAltLeftComesBack() {
    CodeEnv env;
    TfrmEditor* w = env.Window(
        "{ s = twice($1) + half($2) }\r\n"
        "function twice(x) { return 2 * x }\r\n"
        "function half(x) { return x / 2 }\r\n");
    QVERIFY(w);
    TEditor& c = w->Editor1().Editor();
    c.SetRowCol(0, 8);  // inside "twice"
    QTest::keyClick(&w->Editor1(), Qt::Key_F12);
    QCOMPARE(c.Row(), 1);
    // A name that is no function stays.
    c.SetRowCol(0, 2);
    QTest::keyClick(&w->Editor1(), Qt::Key_F12);
    QCOMPARE(c.Row(), 0);
    QCOMPARE(c.Col(), 2);
    // Ctrl+click on "half".
    const TPoint at = [&] {
      c.SetRowCol(0, 20);
      return c.CaretPoint();
    }();
    c.SetRowCol(0, 0);
    QTest::mouseClick(w->Editor1().viewport(), Qt::LeftButton, Qt::ControlModifier, QPoint(at.X + 2, at.Y + 2));
    QCOMPARE(c.Row(), 2);
    // Back through the jumps, newest first.
    QTest::keyClick(&w->Editor1(), Qt::Key_Left, Qt::AltModifier);
    QCOMPARE(c.Row(), 0);
    QCOMPARE(c.Col(), 0);
    QTest::keyClick(&w->Editor1(), Qt::Key_Left, Qt::AltModifier);
    QCOMPARE(c.Row(), 0);
    QCOMPARE(c.Col(), 8);
  }

  void completionOnCtrlSpaceAndCtrlJWithTheHint() {
    CodeEnv env;
    TfrmEditor* w = env.Window("function summary(list, n) { }\r\n{ subtotal += $1 }\r\n\r\n");
    QVERIFY(w);
    TEditor& c = w->Editor1().Editor();
    TypeAt(w, 2, 0, "x = su");
    TCompletionPopup* popup = w->Assist().Popup();
    QVERIFY(!popup->isVisible());  // never by itself
    QTest::keyClick(&w->Editor1(), Qt::Key_J, Qt::ControlModifier);
    QVERIFY(popup->isVisible());
    QCOMPARE(popup->count(), 5);  // sub SUBSEP substr subtotal summary
    // Typing goes on into the text and narrows the list.
    QTest::keyClick(popup, Qt::Key_M);
    QCOMPARE(popup->count(), 1);
    QTest::keyClick(popup, Qt::Key_Return);
    QVERIFY(!popup->isVisible());
    QCOMPARE(std::string(c.List().ListStr(2)), std::string("x = summary"));
    QCOMPARE(w->Assist().LastTip(), QStringLiteral("summary(list, n)"));
    // Ctrl+Space, Tab inserts; a built-in function's hint is its signature.
    c.CharBytes("(gs");
    QTest::keyClick(&w->Editor1(), Qt::Key_Space, Qt::ControlModifier);
    QVERIFY(popup->isVisible());
    QTest::keyClick(popup, Qt::Key_Tab);
    QCOMPARE(std::string(c.List().ListStr(2)), std::string("x = summary(gsub"));
    QVERIFY(w->Assist().LastTip().startsWith("gsub(regexp, replacement [, target])"));
    // Inside a call with no word: the hint alone.
    c.CharBytes("(/a/, ");
    QTest::keyClick(&w->Editor1(), Qt::Key_J, Qt::ControlModifier);
    QVERIFY(!popup->isVisible());
    QVERIFY(w->Assist().LastTip().startsWith("gsub("));
    // Esc closes the list and leaves the text.
    c.CharBytes("q");
    QTest::keyClick(&w->Editor1(), Qt::Key_J, Qt::ControlModifier);
    QVERIFY(!popup->isVisible());  // nothing starts with "q": a beep
    QCOMPARE(env.messages.Beeps(), 1);
  }

  void f1ExplainsABuiltInElseOpensTheHelpPage() {
    CodeEnv env;
    TfrmEditor* w = env.Window("{ n = split($0, parts) + NR }\r\n");
    QVERIFY(w);
    TEditor& c = w->Editor1().Editor();
    c.SetRowCol(0, 7);  // in "split"
    QTest::keyClick(&w->Editor1(), Qt::Key_F1);
    QVERIFY(w->Assist().LastTip().startsWith("split(string, array [, fieldsep [, seps]])\n"));
    QVERIFY(w->Assist().LastTip().contains(QString::fromUtf8("要素数を返す")));
    QCOMPARE(env.host.helpOpened, 0);
    c.SetRowCol(0, 26);  // in "NR"
    QCOMPARE(w->Assist().HelpAt(0, 26), QString::fromUtf8("NR\nこれまでに読んだレコードの総数"));
    c.SetRowCol(0, 17);  // in "parts": not built in
    QTest::keyClick(&w->Editor1(), Qt::Key_F1);
    QCOMPARE(env.host.helpOpened, 1);
    // The mouse resting on a built-in shows the same.
    c.SetRowCol(0, 8);
    const TPoint p = c.CaretPoint();
    QWidget* view = w->Editor1().viewport();
    QHelpEvent hover(QEvent::ToolTip, QPoint(p.X + 2, p.Y + 2), view->mapToGlobal(QPoint(p.X + 2, p.Y + 2)));
    QApplication::sendEvent(view, &hover);
    QVERIFY(QToolTip::text().startsWith("split(string, array"));
  }
};

QTEST_MAIN(CodePanesTest)
#include "code_panes_test.moc"
