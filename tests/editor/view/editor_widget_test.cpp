// The editor widget as a user drives it: keys, the input method, the real
// clipboard with both box markers, the context menu and the edit actions.
#include "editor/view/editor_widget.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QMimeData>
#include <QtTest>

#include "editor/view/editor_popup_menu.h"
#include "support/recording_messages.h"

using namespace tolvan;

namespace {

std::string Text(TEditorWidget& w) { return w.Editor().List().ListToStr(); }

// Key events carrying text, as a keyboard layout or an input method without
// composition delivers them (QTest's own key clicks know only ASCII).
void TypeText(QWidget* w, const QString& text) {
  for (const QChar* c = text.constData(); c < text.constData() + text.size();) {
    const int n = c->isHighSurrogate() ? 2 : 1;
    const QString one(c, n);
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, one);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, one);
    QApplication::sendEvent(w, &release);
    c += n;
  }
}

}  // namespace

class EditorWidgetTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    w = std::make_unique<TEditorWidget>();
    w->resize(400, 300);
    w->show();
    w->activateWindow();
    w->setFocus();
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
  }
  void cleanup() { w.reset(); }

  void typingGoesThroughTheCore() {
    QTest::keyClicks(w.get(), "ab");
    QTest::keyClick(w.get(), Qt::Key_Return);
    QTest::keyClicks(w.get(), "c");
    QCOMPARE(Text(*w), std::string("ab\r\nc"));
    QTest::keyClick(w.get(), Qt::Key_Backspace);
    QTest::keyClick(w.get(), Qt::Key_Backspace);
    QCOMPARE(Text(*w), std::string("ab"));
    // A Japanese character typed as text arrives as its CP932 pair.
    TypeText(w.get(), QStringLiteral("漢"));
    QCOMPARE(Text(*w), std::string("ab\x8a\xbf"));
    QCOMPARE(w->Editor().Col(), 4);
  }

  void characterCp932CannotHoldBeeps() {
    test::RecordingMessages messages;
    TypeText(w.get(), QStringLiteral("x😀"));
    QCOMPARE(Text(*w), std::string("x"));
    QCOMPARE(messages.entries.size(), std::size_t{1});
    QCOMPARE(messages.entries[0].kind, test::RecordingMessages::Entry::Beep);
  }

  void inputMethodCommitIsOneUndoStep() {
    QTest::keyClicks(w.get(), "a");
    QInputMethodEvent preedit(QStringLiteral("かんじ"), {});
    QApplication::sendEvent(w.get(), &preedit);
    QCOMPARE(w->Preedit(), QStringLiteral("かんじ"));
    QCOMPARE(Text(*w), std::string("a"));  // shown, not inserted
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("漢字列"));
    QApplication::sendEvent(w.get(), &commit);
    QCOMPARE(Text(*w), std::string("a\x8a\xbf\x8e\x9a\x97\xf1"));
    QVERIFY(w->Preedit().isEmpty());
    // Typing right after a commit is not swallowed.
    QTest::keyClicks(w.get(), "b");
    QCOMPARE(Text(*w), std::string("a\x8a\xbf\x8e\x9a\x97\xf1" "b"));
    w->Editor().Undo();
    w->Editor().Undo();
    QCOMPARE(Text(*w), std::string("a"));
  }

  void inputMethodCursorRectangleIncludesTheMargins() {
    w->Editor().Leftbar().SetVisible(true);
    w->Editor().Ruler().SetVisible(true);
    QTest::keyClicks(w.get(), "abc");
    const QRect r = w->inputMethodQuery(Qt::ImCursorRectangle).toRect();
    const QPoint vp = w->viewport()->geometry().topLeft();
    QCOMPARE(r.x(), vp.x() + w->Editor().LeftMargin() + 3 * w->Editor().ColWidth());
    QCOMPARE(r.y(), vp.y() + w->Editor().TopMargin());
    QCOMPARE(r.height(), w->Editor().FontHeight());
  }

  void boxCopySetsBothMarkersAndPastesAsABox() {
    TEditor& e = w->Editor();
    e.Lines().SetTextStr("abcd\r\nefgh\r\n");
    e.SetSelectionMode(smBox);
    e.SetRowCol(0, 1);
    e.InitSelection();
    e.SetRowCol(1, 3);
    e.StartSelection();
    QTest::keyClick(w.get(), Qt::Key_C, Qt::ControlModifier);
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    QVERIFY(data->hasFormat(kBoxMime));
    QVERIFY(data->hasFormat(kRectangularMime));
    QCOMPARE(data->text(), QStringLiteral("bc\r\nfg\r\n"));
    e.CleanSelection();
    e.SetSelectionMode(smLine);
    e.SetRowCol(0, 4);
    QTest::keyClick(w.get(), Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(Text(*w), std::string("abcdbc\r\nefghfg\r\n"));
  }

  void rectangularMarkerFromAnotherEditorPastesAsABox() {
    w->Editor().Lines().SetTextStr("12\r\n34\r\n");
    auto* data = new QMimeData;
    data->setText(QStringLiteral("x\ny"));
    data->setData(kRectangularMime, QByteArray());
    QGuiApplication::clipboard()->setMimeData(data);
    w->Editor().SetRowCol(0, 1);
    QTest::keyClick(w.get(), Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(Text(*w), std::string("1x2\r\n3y4\r\n"));
    // Without a marker the same text is a stream.
    QGuiApplication::clipboard()->setText(QStringLiteral("x\ny"));
    w->Editor().SetRowCol(0, 0);
    QTest::keyClick(w.get(), Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(Text(*w), std::string("x\r\ny1x2\r\n3y4\r\n"));
  }

  void pasteFromAnotherProgramEndsAfterTheText() {
    // Another program's text has LF line ends; typing after the paste
    // follows the pasted text.
    w->Editor().Lines().SetTextStr("top\r\n");
    QGuiApplication::clipboard()->setText(QStringLiteral("a\nb\nc\nd\n"));
    QTest::keyClick(w.get(), Qt::Key_End, Qt::ControlModifier);
    QTest::keyClick(w.get(), Qt::Key_V, Qt::ControlModifier);
    QTest::keyClicks(w.get(), "X");
    QCOMPARE(Text(*w), std::string("top\r\na\r\nb\r\nc\r\nd\r\nX"));
  }

  void pasteRefusesWhatCp932CannotHold() {
    test::RecordingMessages messages;
    w->Editor().Lines().SetTextStr("keep");
    QGuiApplication::clipboard()->setText(QStringLiteral("ab😀c€d"));
    QTest::keyClick(w.get(), Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(Text(*w), std::string("keep"));
    QVERIFY(!w->Editor().CanUndo());
    QCOMPARE(messages.Beeps(), 1);
    QCOMPARE(messages.Texts().size(), 1);
    QVERIFY(messages.Texts()[0].contains(QStringLiteral("「😀」")));
    // Box paste likewise.
    QTest::keyClick(w.get(), Qt::Key_B, Qt::ControlModifier);
    QCOMPARE(Text(*w), std::string("keep"));
  }

  void copyTooLargeIsRefusedWithAMessage() {
    test::RecordingMessages messages;
    w->Refuse(erCopyTooLarge);
    QCOMPARE(messages.Beeps(), 1);
    QCOMPARE(messages.Texts().size(), 1);
    QVERIFY(messages.Texts()[0].contains(QStringLiteral("コピーできません")));
  }

  void copyKeepsBytesUnicodeCannot() {
    // 0xED 0x40 (an NEC-selected IBM code) decodes to a character that
    // encodes back to another code; our own copy keeps the bytes.
    w->Editor().Lines().SetTextStr("\xed\x40z");
    w->Editor().SelectAll();
    QTest::keyClick(w.get(), Qt::Key_C, Qt::ControlModifier);
    QTest::keyClick(w.get(), Qt::Key_End);
    QTest::keyClick(w.get(), Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(Text(*w), std::string("\xed\x40z\xed\x40z"));
  }

  void ctrlARedoesAndTheMarkKeysToggle() {
    QTest::keyClicks(w.get(), "ab");
    QTest::keyClick(w.get(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(Text(*w), std::string("a"));
    QTest::keyClick(w.get(), Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(Text(*w), std::string("ab"));
    QCOMPARE(w->Editor().SelectionState(), sstNone);
    QTest::keyClick(w.get(), Qt::Key_3, Qt::ControlModifier | Qt::ShiftModifier);
    QVERIFY(w->Editor().List().RowMarks(0) & RowMarkBit(rm3));
    QTest::keyClick(w.get(), Qt::Key_3, Qt::ControlModifier | Qt::ShiftModifier);
    QVERIFY(!(w->Editor().List().RowMarks(0) & RowMarkBit(rm3)));
    QTest::keyClick(w.get(), Qt::Key_K, Qt::ControlModifier);
    QCOMPARE(w->Editor().SelectionMode(), smBox);
  }

  void contextMenuInAReadOnlyControl() {
    QGuiApplication::clipboard()->setText(QStringLiteral("clip"));
    TEditor& e = w->Editor();
    QTest::keyClicks(w.get(), "hello");
    e.SelectAll();
    e.SetReadOnly(true);
    TEditorPopupMenu* m = w->PopupMenu();
    m->SetMenu();
    QVERIFY(m->CopyItem()->isEnabled());
    QVERIFY(m->SelAllItem()->isEnabled());
    QVERIFY(!m->CutItem()->isEnabled());
    QVERIFY(!m->PasteItem()->isEnabled());
    QVERIFY(!m->BoxPasteItem()->isEnabled());
    QVERIFY(!m->DeleteItem()->isEnabled());
    QVERIFY(!m->UndoItem()->isEnabled());
    QVERIFY(!m->RedoItem()->isEnabled());
    e.SetReadOnly(false);
    m->SetMenu();
    QVERIFY(m->CutItem()->isEnabled());
    QVERIFY(m->PasteItem()->isEnabled());
    QVERIFY(m->UndoItem()->isEnabled());
    QCOMPARE(m->UndoItem()->text(), QStringLiteral("元に戻す(&U)"));
    QCOMPARE(m->RedoItem()->shortcut(), QKeySequence(QStringLiteral("Ctrl+A")));
    QVERIFY(m->SelAllItem()->shortcut().isEmpty());
  }

  void editActionsTargetTheFocusedControl() {
    RegisterEditorEditTarget();
    TMeEditSelAll selAll;
    TMeEditCopy copy;
    TMeEditUndo undo;
    QTest::keyClicks(w.get(), "xyz");
    QVERIFY(selAll.Execute());
    QCOMPARE(w->Editor().GetSelText(), std::string("xyz"));
    QVERIFY(copy.Execute());
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("xyz"));
    w->Editor().SetReadOnly(true);
    undo.Update();
    QVERIFY(!undo.isEnabled());
    UnregisterEditorEditTarget();
  }

  void tinySizesKeepOneRow() {
    w->resize(0, 10);
    QApplication::processEvents();
    QCOMPARE(w->Editor().RowCount(), 1);
    QVERIFY(w->Editor().ColCount() >= 1);
    QTest::keyClicks(w.get(), "still works");
    QCOMPARE(Text(*w), std::string("still works"));
  }

 private:
  std::unique_ptr<TEditorWidget> w;
};

QTEST_MAIN(EditorWidgetTest)
#include "editor_widget_test.moc"
