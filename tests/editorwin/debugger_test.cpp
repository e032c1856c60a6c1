// The editor window's debugger driven by its keys: breakpoints as marks
// that move with the text, a start, steps with the row marked and the
// record shown, the end, a stop, and what a start says first about a
// script that writes.
#include <QAction>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QTreeWidget>
#include <QtTest>

#include "editorwin/debug_pane.h"
#include "editorwin/debugger.h"
#include "editorwin/editor_window_fixture.h"

using namespace tolvan;
using namespace tolvan::test;

namespace {

constexpr int kWaitMs = 8000;

struct DebugEnv : EditorEnv {
  DebugEnv() {
    host.preview.AwkPath = "/usr/bin/gawk";
    host.preview.FirstSelectedInput = Write("sample.csv", "a,1\nb,2\nc,3\n");
  }
  TfrmEditor* Window(const std::string& text) {
    TfrmEditor* w = host.Open(Write("sum.awk", text));
    w->resize(1000, 500);
    w->show();
    if (!QTest::qWaitForWindowExposed(w)) return nullptr;
    return w;
  }
};

bool Key(TfrmEditor* w, int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
  QSignalSpy spy(&w->Debugger(), &TDebugger::Shown);
  QTest::keyClick(&w->Editor1(), static_cast<Qt::Key>(key), mods);
  // A refusal is shown at once.
  return spy.count() > 0 || spy.wait(kWaitMs);
}

void CaretTo(TfrmEditor* w, int line) {
  TEditor& c = w->Editor1().Editor();
  c.SetRowCol(c.Lines().LinesToRow(line - 1), 0);
}

// The value shown for name in the pane's section.
QString Shown(TDebugPane* pane, const QString& section, const QString& name) {
  QTreeWidget* t = pane->Variables();
  for (int i = 0; i < t->topLevelItemCount(); ++i) {
    QTreeWidgetItem* s = t->topLevelItem(i);
    if (s->text(0) != section) continue;
    for (int k = 0; k < s->childCount(); ++k)
      if (s->child(k)->text(0) == name) return s->child(k)->text(1);
  }
  return "<none>";
}

const char* kSum =
    "BEGIN { FS = \",\" }\n"  // 1
    "{\n"                     // 2
    "  sum += $2\n"           // 3
    "  n++\n"                 // 4
    "}\n"                     // 5
    "END { print sum }\n";    // 6

}  // namespace

class DebuggerTest : public QObject {
  Q_OBJECT
 private slots:
  void writesOrRuns() {
    struct Case {
      const char* text;
      bool expected;
    } cases[] = {
        {"{ print > \"out.txt\" }", true},
        {"{ printf \"%s\", $1 >> f }", true},
        {"{ print | \"sort\" }", true},
        {"{ \"date\" | getline d }", true},
        {"BEGIN { system(\"ls\") }", true},
        {"{ if (NF > 2) print }", false},
        {"{ print (a || b) }", false},
        {"{ print \"a > b | c\" } # system()", false},
        {"{ x = mysystem(1) }", false},
        {"{ print \"\\\" > \" }", false},
        {"{ gsub(/^[ \\t]+|[ \\t]+$/, \"\", v); if (v ~ /a|b/) n++ }", false},
        {"{ x = a / b; print x > \"f\" }", true},
    };
    for (const Case& c : cases) QVERIFY2(ScriptWritesOrRuns(c.text, TextEncoding::Utf8) == c.expected, c.text);
    // A CP932 character whose second byte is '|' is no pipe.
    QVERIFY(!ScriptWritesOrRuns("{ print \"\x83\x7C\" }\n{ x = \x83\x7C }", TextEncoding::Cp932));
    QVERIFY(ScriptWritesOrRuns("{ x = \"\x83\x7C\" } { print | \"cat\" }", TextEncoding::Cp932));
  }

  void valuesAsThePaneShowsThem() {
    struct Case {
      DebugScalar value;
      TextEncoding e;
      const char* shown;
    } cases[] = {
        {{DebugValueKind::String, "a\"b\\c\n\x01", 0}, TextEncoding::Utf8, "\"a\\\"b\\\\c\\n\\001\""},
        {{DebugValueKind::String, "表示", 0}, TextEncoding::Utf8, "\"表示\""},
        // A CP932 character whose second byte is a backslash stays whole.
        {{DebugValueKind::String, "\x95\x5C", 0}, TextEncoding::Cp932, "\"表\""},
        {{DebugValueKind::Number, "0.10000000000000001", 0}, TextEncoding::Utf8, "0.10000000000000001"},
        {{DebugValueKind::Untyped, "", 0}, TextEncoding::Utf8, "（未設定）"},
        {{DebugValueKind::Array, "", 12}, TextEncoding::Utf8, "配列（12 個）"},
    };
    for (const Case& c : cases) QCOMPARE(ShowValue(c.value, c.e), QString::fromUtf8(c.shown));
    DebugElement el{"1\x1C" "x\"y", "", {}};
    QCOMPARE(ShowElementName("a", el, TextEncoding::Utf8), QString::fromUtf8("a[\"1\",\"x\\\"y\"]"));
    el = DebugElement{"in", "z", {}};
    QCOMPARE(ShowElementName("a", el, TextEncoding::Utf8), QString::fromUtf8("a[\"z\"][\"in\"]"));
  }

  void aStepSetsValuesInPlace() {
    DebugEnv env;
    TfrmEditor* w = env.Window("{\n  s = $1\n  n++\n}\nEND {\n  a[1] = \"x\"; a[\"k\"] = \"b\"\n  n = 0\n}\n");
    QVERIFY(w);
    for (int line : {2, 7}) {
      CaretTo(w, line);
      QTest::keyClick(&w->Editor1(), Qt::Key_F9);
    }
    QVERIFY(Key(w, Qt::Key_F6));
    QTreeWidget* tree = w->Debugger().Pane()->Variables();
    QTreeWidgetItem* record = tree->topLevelItem(0);
    QCOMPARE(record->text(0), QString::fromUtf8("レコード"));
    QVERIFY(Key(w, Qt::Key_F8));
    // The same names: the same items, their values changed.
    QCOMPARE(tree->topLevelItem(0), record);
    QCOMPARE(Shown(w->Debugger().Pane(), QString::fromUtf8("レコード"), "NR"), QString("2"));
    QVERIFY(Key(w, Qt::Key_F8));
    QVERIFY(Key(w, Qt::Key_F8));
    QCOMPARE(w->Debugger().CurrentLine(), 7);
    QTreeWidgetItem* globals = tree->topLevelItem(tree->topLevelItemCount() - 1);
    QCOMPARE(globals->child(0)->text(0), QString("a"));
    QStringList elements;
    for (int i = 0; i < globals->child(0)->childCount(); ++i)
      elements << globals->child(0)->child(i)->text(0) + "=" + globals->child(0)->child(i)->text(1);
    elements.sort();
    QCOMPARE(elements, (QStringList{"a[\"1\"]=\"x\"", "a[\"k\"]=\"b\""}));
  }

  void breakpointsStepsAndTheEnd() {
    DebugEnv env;
    TfrmEditor* w = env.Window(kSum);
    QVERIFY(w);
    TDebugger& d = w->Debugger();
    QCOMPARE(d.actStart->shortcut(), QKeySequence(Qt::Key_F6));
    QVERIFY(w->findChild<QMenu*>("mnuToolDebug"));
    CaretTo(w, 3);
    QTest::keyClick(&w->Editor1(), Qt::Key_F9);
    QCOMPARE(d.BreakpointLines(), std::vector<int>{3});
    // A row inserted above moves it along.
    CaretTo(w, 1);
    w->Editor1().Editor().CharBytes("# sums\r\n");
    QCOMPARE(d.BreakpointLines(), std::vector<int>{4});

    QVERIFY(Key(w, Qt::Key_F6));
    QCOMPARE(d.CurrentLine(), 4);
    TDebugPane* pane = d.Pane();
    QVERIFY(pane && pane->isVisible());
    QCOMPARE(Shown(pane, QString::fromUtf8("レコード"), "$2"), QString("\"1\""));
    QCOMPARE(Shown(pane, QString::fromUtf8("グローバル変数"), "sum"), QString::fromUtf8("（未設定）"));
    QVERIFY(Key(w, Qt::Key_F10));
    QCOMPARE(d.CurrentLine(), 5);
    QCOMPARE(Shown(pane, QString::fromUtf8("グローバル変数"), "sum"), QString("1"));
    QVERIFY(Key(w, Qt::Key_F8));
    QCOMPARE(d.CurrentLine(), 4);
    QCOMPARE(Shown(pane, QString::fromUtf8("レコード"), "NR"), QString("2"));
    // An edit while stopped: the rows are the started text's, and the pane says so.
    CaretTo(w, 6);
    w->Editor1().Editor().CharBytes("#");
    QVERIFY(pane->Status().contains(QString::fromUtf8("開始したときのテキスト")));
    // Off while stopped: the run goes to its end.
    CaretTo(w, 4);
    QVERIFY(Key(w, Qt::Key_F9));
    QVERIFY(d.BreakpointLines().empty());
    QVERIFY(Key(w, Qt::Key_F8));
    QCOMPARE(d.CurrentLine(), 0);
    QVERIFY(pane->Status().contains(QString::fromUtf8("終了ステータス 0")));
    QCOMPARE(pane->OutputBytes(), std::string("6\r\n"));
    QVERIFY(!d.actStepOver->isEnabled());
  }

  void stopAndTheFirstStartOfAWriter() {
    DebugEnv env;
    TfrmEditor* w = env.Window("BEGIN {\n  print \"x\" > \"/dev/null\"\n  while (1) n++\n}\n");
    QVERIFY(w);
    TDebugger& d = w->Debugger();
    QVERIFY(Key(w, Qt::Key_F6));
    // Said first, started by the second F6.
    QVERIFY(d.Pane()->Status().contains(QString::fromUtf8("書き込む")));
    QVERIFY(!d.Stopped());
    QVERIFY(Key(w, Qt::Key_F6));
    QCOMPARE(d.CurrentLine(), 2);
    QSignalSpy spy(&d, &TDebugger::Shown);
    QTest::keyClick(&w->Editor1(), Qt::Key_F8);
    QTest::qWait(100);
    QVERIFY(d.Busy());
    // Ended and shown before the key returns.
    QTest::keyClick(&w->Editor1(), Qt::Key_F6, Qt::ShiftModifier);
    QCOMPARE(spy.count(), 1);
    QVERIFY(!d.Busy());
    QVERIFY(!d.Stopped());
    QVERIFY(d.Pane()->Status().contains(QString::fromUtf8("止めました")));
    // Stopped while at a row: the row is no longer marked as about to run.
    QVERIFY(Key(w, Qt::Key_F6));
    QCOMPARE(d.CurrentLine(), 2);
    const int shown = spy.count();
    QTest::keyClick(&w->Editor1(), Qt::Key_F6, Qt::ShiftModifier);
    QCOMPARE(spy.count(), shown + 1);
    QCOMPARE(d.CurrentLine(), 0);
  }

  void aStopOverTheLastSetsWhatDiffers() {
    TDebugPane pane;
    pane.SetEncoding(TextEncoding::Utf8);
    auto scalar = [](DebugValueKind k, const char* text, std::size_t count = 0) { return DebugScalar{k, text, count}; };
    DebugStop a;
    a.Globals = {DebugValue{"s", scalar(DebugValueKind::String, "1"), {}, false},
                 DebugValue{"arr", scalar(DebugValueKind::Array, "", 3),
                            {DebugElement{"k", "", scalar(DebugValueKind::String, "x")}}, true}};
    pane.ShowStop(a);
    QTreeWidgetItem* globals = pane.Variables()->topLevelItem(0);
    QCOMPARE(globals->child(1)->child(1)->text(1), QString::fromUtf8("ほか 2 個"));
    DebugStop b = a;
    b.Globals[0].Value.Kind = DebugValueKind::Number;  // the same bytes, now a number
    b.Globals[1].Value.Count = 4;
    b.Globals[1].Elements[0].Value.Text = "y";
    pane.ShowStop(b);
    QCOMPARE(pane.Variables()->topLevelItem(0), globals);  // set in place
    QCOMPARE(globals->child(0)->text(1), QString("1"));
    QCOMPARE(globals->child(1)->text(1), QString::fromUtf8("配列（4 個）"));
    QCOMPARE(globals->child(1)->child(0)->text(1), QString("\"y\""));
    QCOMPARE(globals->child(1)->child(1)->text(1), QString::fromUtf8("ほか 3 個"));
    // Another key: the rows are built again under their new names.
    b.Globals[1].Elements[0].Key = "j";
    pane.ShowStop(b);
    QCOMPARE(pane.Variables()->topLevelItem(0)->child(1)->child(0)->text(0), QString("arr[\"j\"]"));
  }

  void aLongRunIsFollowedFromTheEventLoop() {
    DebugEnv env;
    TfrmEditor* w = env.Window("BEGIN {\n  for (i = 0; i < 2000000; i++) n++\n  print n\n}\n");
    QVERIFY(w);
    TDebugger& d = w->Debugger();
    CaretTo(w, 3);
    QTest::keyClick(&w->Editor1(), Qt::Key_F9);
    QSignalSpy spy(&d, &TDebugger::Shown);
    QTest::keyClick(&w->Editor1(), Qt::Key_F6);
    // The key returned long before gawk got there; the pipes bring the stop.
    QCOMPARE(spy.count(), 0);
    QVERIFY(d.Busy());
    QVERIFY(spy.wait(kWaitMs));
    QCOMPARE(d.CurrentLine(), 3);
    QCOMPARE(Shown(d.Pane(), QString::fromUtf8("グローバル変数"), "n"), QString("2000000"));
  }

  void aClickInTheImageBarTogglesItsRow() {
    DebugEnv env;
    TfrmEditor* w = env.Window(kSum);
    QVERIFY(w);
    TEditor& c = w->Editor1().Editor();
    CaretTo(w, 1);
    auto click = [&](int line) {
      const int y = c.TopMargin() + (c.Lines().LinesToRow(line - 1) - c.TopRow()) * c.GetRowHeight() + 2;
      // On the mark's place, right of the digit cell.
      QTest::mouseClick(w->Editor1().viewport(), Qt::LeftButton, {}, QPoint(c.ImagebarWidth() - 3, y));
    };
    QVERIFY(c.ImagebarWidth() >= c.Imagebar().DigitWidth() + 11);
    click(4);
    QCOMPARE(w->Debugger().BreakpointLines(), std::vector<int>{4});
    QCOMPARE(c.Row(), 0);  // the caret stays, nothing is selected
    QVERIFY(!c.Selected());
    click(4);
    QVERIFY(w->Debugger().BreakpointLines().empty());
  }

  void aSyntaxErrorMarksItsRow() {
    DebugEnv env;
    TfrmEditor* w = env.Window("BEGIN { x = 1\n  y = (x\n}\n");
    QVERIFY(w);
    QVERIFY(Key(w, Qt::Key_F6));
    TEditor& c = w->Editor1().Editor();
    QVERIFY(c.List().GetListRowMarks(c.Lines().LinesToRow(2)) & RowMarkBit(kPreviewErrorMark));
    QVERIFY(w->Debugger().Pane()->Messages()->count() > 0);
    QVERIFY(w->Debugger().Pane()->Messages()->item(0)->text().contains("sum.awk:3:"));
  }
};

QTEST_MAIN(DebuggerTest)
#include "debugger_test.moc"
