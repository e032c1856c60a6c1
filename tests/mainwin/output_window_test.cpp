#include "mainwin/output_window.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QtTest>

#include "editor/view/editor_widget.h"
#include "support/recording_messages.h"

using namespace tolvan;

class OutputWindowTest : public QObject {
  Q_OBJECT
 private slots:
  // Bytes Unicode cannot carry (0xFF, an NEC-selected IBM code 0xED 0x40)
  // reach the text area and the clipboard as they came.
  void keepsTheOutputBytes() {
    TfrmError w;
    const std::string out("\xFF\xED\x40 x\n\x81\x5C\r\nlast", 14);
    w.ShowStandardOutputForm(TSharedBytes::FromString(std::make_shared<const std::string>(out)));
    QVERIFY(w.isVisible());
    QCOMPARE(w.Heading(), QString("STANDARD OUTPUT"));
    QCOMPARE(w.TextBytes(), std::string("\xFF\xED\x40 x\r\n\x81\x5C\r\nlast", 15));
    TEditor& ed = w.TextArea()->Editor();
    QCOMPARE(ed.Lines().GetCount(), 3);
    w.TextArea()->setFocus();
    QTest::keyClick(w.TextArea(), Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(ed.GetSelText(), w.TextBytes());
    QTest::keyClick(w.TextArea(), Qt::Key_C, Qt::ControlModifier);
    const QMimeData* mime = QApplication::clipboard()->mimeData();
    QVERIFY(mime);
    QCOMPARE(mime->data(kCp932Mime).toStdString(), w.TextBytes());
  }

  // UTF-8 output: the caret stops before and after each character on its
  // columns (a kanji is three bytes, two columns), and a selection made by
  // keys or the mouse holds whole characters.
  void caretAndSelectionOnUtf8Rows() {
    TfrmError w;
    const std::string out = "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E" "abc\nxyz\n";  // 日本語abc
    w.ShowStandardOutputForm(out, TextEncoding::Utf8);
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    TEditorWidget* area = w.TextArea();
    TEditor& ed = area->Editor();
    QCOMPARE(ed.Lines().Encoding(), TextEncoding::Utf8);
    area->setFocus();
    ed.SetRowCol(0, 0);
    struct Step {
      Qt::Key key;
      Qt::KeyboardModifiers mods;
      int col;
      std::string selected;
    };
    const Step steps[] = {
        {Qt::Key_Right, Qt::NoModifier, 2, ""},
        {Qt::Key_Right, Qt::ShiftModifier, 4, "\xE6\x9C\xAC"},
        {Qt::Key_End, Qt::ShiftModifier, 9, "\xE6\x9C\xAC\xE8\xAA\x9E" "abc"},
        {Qt::Key_Left, Qt::NoModifier, 8, ""},
        {Qt::Key_Home, Qt::ShiftModifier, 0, "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E" "ab"},
    };
    for (const Step& s : steps) {
      QTest::keyClick(area, s.key, s.mods);
      QCOMPARE(ed.Col(), s.col);
      QCOMPARE(ed.GetSelText(), s.selected);
    }
    // A click on the second column of 日 puts the caret before or after it,
    // never inside: the byte index is a character start.
    const QPoint inside(ed.LeftMargin() + 3 * ed.ColWidth() + 1, ed.TopMargin() + 1);
    QTest::mouseClick(area->viewport(), Qt::LeftButton, Qt::NoModifier, inside);
    QVERIFY(ed.Col() == 2 || ed.Col() == 4);
    QCOMPARE(ed.SelStart(), ed.Col() == 2 ? 3 : 6);
  }

  void isReadOnly() {
    test::RecordingMessages m;
    TfrmError w;
    w.ShowErrorForm("bad\n");
    QCOMPARE(w.Heading(), QString("ERROR"));
    QCOMPARE(w.HeadingColour(), QString("#ff0000"));
    QApplication::clipboard()->setText("pasted");
    w.TextArea()->setFocus();
    QTest::keyClicks(w.TextArea(), "typed");
    QTest::keyClick(w.TextArea(), Qt::Key_Delete);
    QTest::keyClick(w.TextArea(), Qt::Key_Return);
    QTest::keyClick(w.TextArea(), Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(w.TextArea(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(w.TextArea(), Qt::Key_X, Qt::ControlModifier);
    QTest::keyClick(w.TextArea(), Qt::Key_Backspace);
    QCOMPARE(w.TextBytes(), std::string("bad\r\n"));
    QVERIFY(w.TextArea()->Editor().ReadOnly());
    QVERIFY(!w.TextArea()->Editor().Ruler().Visible());
    QVERIFY(!w.TextArea()->Editor().Leftbar().Visible());
    // Screen readers find the text area by the window's purpose.
    QAccessibleInterface* acc = QAccessible::queryAccessibleInterface(w.TextArea());
    QVERIFY(acc && acc->textInterface());
    QCOMPARE(acc->text(QAccessible::Name), QString::fromUtf8("AWKからの出力"));
    QCOMPARE(acc->textInterface()->text(0, 3), QStringLiteral("bad"));
    QVERIFY(acc->state().readOnly);
  }

  void contextMenuCopiesAndSelectsAll() {
    TfrmError w;
    w.ShowStandardOutputForm(std::string("one\ntwo\n"));
    auto* menu = w.findChild<QMenu*>("mnuOutputText");
    QVERIFY(menu);
    const QList<QAction*> actions = menu->actions();
    QCOMPARE(actions.size(), 2);
    QCOMPARE(actions[0]->text(), QString::fromUtf8("コピー(&C)"));
    QCOMPARE(actions[0]->shortcut(), QKeySequence("Ctrl+C"));
    QCOMPARE(actions[1]->text(), QString::fromUtf8("すべて選択(&A)"));
    QCOMPARE(actions[1]->shortcut(), QKeySequence("Ctrl+A"));
    actions[1]->trigger();
    QCOMPARE(w.TextArea()->Editor().GetSelText(), std::string("one\r\ntwo\r\n"));
    QApplication::clipboard()->clear();
    actions[0]->trigger();
    // Other programs get LF line ends; the program's own format keeps CR LF.
    QCOMPARE(QApplication::clipboard()->text(), QString("one\ntwo\n"));
    QCOMPARE(QApplication::clipboard()->mimeData()->data(kCp932Mime), QByteArray("one\r\ntwo\r\n"));
  }

  // Each result replaces the last; hiding empties the area; the options
  // form adds one line.
  void resultsReplaceAndOptionsAdd() {
    TfrmError w;
    w.ShowStandardOutputForm(std::string("first\n"));
    w.ShowErrorForm("second");
    QCOMPARE(w.TextBytes(), std::string("second"));
    w.close();
    QVERIFY(!w.isVisible());
    QCOMPARE(w.TextBytes(), std::string());
    w.ShowAwkOptions("", "");
    QCOMPARE(w.TextArea()->Editor().Lines().GetCount(), 1);  // an empty added line
    QCOMPARE(w.TextBytes(), std::string("\r\n"));
    w.ShowAwkOptions("usage", "");
    QCOMPARE(w.TextBytes(), std::string("\r\nusage\r\n"));
    w.ShowAwkOptions("ignored", "Usage: gawk\n");
    QCOMPARE(w.Heading(), QString("AWK Options"));
    QCOMPARE(w.TextBytes(), std::string("Usage: gawk\r\n"));
  }
};

QTEST_MAIN(OutputWindowTest)
#include "output_window_test.moc"
