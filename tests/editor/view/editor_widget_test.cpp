// The editor widget as a user drives it: keys, the input method, the real
// clipboard with both box markers, the context menu and the edit actions.
#include "editor/view/editor_widget.h"

#include <QAccessible>
#include <QClipboard>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QMimeData>
#include <QtTest>

#include "core/codepage.h"
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

  // The text around the caret handed to the input method: whole characters,
  // a bounded stretch on each side, the caret's place in it.
  void surroundingSliceKeepsWholeCharactersAndIsBounded() {
    struct Case {
      const char* name;
      std::string row;
      std::size_t caret, around;
      std::size_t from, to;
    };
    const std::string kanji = "\x8a\xbf";        // a lead byte then a trail
    const std::string leadTrail = "\x82\x81";  // the trail byte could lead too
    std::string kanjis;
    for (int i = 0; i < 10; ++i) kanjis += kanji;
    std::string leadRun;
    for (int i = 0; i < 10; ++i) leadRun += leadTrail;
    const Case cases[] = {
        {"short row whole", "abcdef", 3, 10, 0, 6},
        {"caret at the start", "abcdef", 0, 2, 0, 2},
        {"caret at the end", "abcdef", 6, 2, 4, 6},
        {"cut on both sides", "abcdefghij", 5, 2, 3, 7},
        {"exactly around", "abcdefghij", 5, 5, 0, 10},
        {"left edge inside a kanji moves right", kanjis, 10, 3, 8, 14},
        {"right edge takes the whole kanji", kanjis, 10, 5, 6, 16},
        {"trails that look like leads", "x" + leadRun, 11, 4, 7, 15},
        {"caret past the end is the end", "abc", 9, 1, 2, 3},
        {"empty row", "", 0, 5, 0, 0},
    };
    for (const Case& c : cases) {
      const auto [from, to] = SurroundingSlice(c.row, c.caret, c.around);
      QVERIFY2(from == c.from && to == c.to,
               qPrintable(QString("%1: %2..%3").arg(c.name).arg(from).arg(to)));
    }
    // UTF-8: whole characters, found from any byte; a combining mark stays
    // with its letter.
    std::string utf8s;
    for (int i = 0; i < 10; ++i) utf8s += "\xE6\x97\xA5";  // 日, three bytes
    const Case utf8Cases[] = {
        {"utf8 cut on both sides", utf8s, 15, 4, 12, 21},
        {"utf8 edges on character starts", utf8s, 15, 3, 12, 18},
        {"utf8 combining mark with its letter", "abe\xCC\x81xyz", 2, 1, 1, 5},
        {"utf8 ascii as before", "abcdefghij", 5, 2, 3, 7},
    };
    for (const Case& c : utf8Cases) {
      const auto [from, to] = SurroundingSlice(TextEncoding::Utf8, c.row, c.caret, c.around);
      QVERIFY2(from == c.from && to == c.to,
               qPrintable(QString("%1: %2..%3").arg(c.name).arg(from).arg(to)));
    }
    // Through the widget on a long row: the text is bounded and the caret
    // points at its own character in it.
    const std::string row(100000, 'a');
    w->Editor().Lines().SetTextStr("first\r\n" + row + "\r\n");
    w->Editor().SetRowCol(1, 0);
    QCOMPARE(w->inputMethodQuery(Qt::ImSurroundingText).toString().size(),
             static_cast<qsizetype>(TEditorWidget::kSurroundingBytes));
    QCOMPARE(w->inputMethodQuery(Qt::ImCursorPosition).toInt(), 0);
    w->Editor().SetRowCol(1, 500);
    const QString around = w->inputMethodQuery(Qt::ImSurroundingText).toString();
    const int pos = w->inputMethodQuery(Qt::ImCursorPosition).toInt();
    QVERIFY(around.size() <= static_cast<qsizetype>(2 * TEditorWidget::kSurroundingBytes));
    QCOMPARE(pos, 500);
    w->Editor().SetRowCol(0, 3);
    QCOMPARE(w->inputMethodQuery(Qt::ImSurroundingText).toString(), QStringLiteral("first"));
    QCOMPARE(w->inputMethodQuery(Qt::ImCursorPosition).toInt(), 3);
  }

  // What a screen reader is given: the text with LF line ends in UTF-16
  // offsets, the caret, the selection both ways, and events when they change.
  void accessibleTextInterface() {
    static std::vector<std::pair<QAccessible::Event, int>>* seen = nullptr;
    std::vector<std::pair<QAccessible::Event, int>> events;
    seen = &events;
    SetAccessibleObserver([](QAccessibleEvent* ev) {
      int value = -1;
      if (ev->type() == QAccessible::TextCaretMoved) value = static_cast<QAccessibleTextCursorEvent*>(ev)->cursorPosition();
      if (ev->type() == QAccessible::TextSelectionChanged) value = static_cast<QAccessibleTextSelectionEvent*>(ev)->selectionEnd();
      if (seen) seen->emplace_back(ev->type(), value);
    });
    struct Restore {
      ~Restore() {
        SetAccessibleObserver(nullptr);
        seen = nullptr;
      }
    } restore;

    w->setAccessibleName(QStringLiteral("a.awk"));
    TEditor& c = w->Editor();
    // A kanji is one UTF-16 unit for two bytes; a tab is one unit.
    c.Lines().SetTextStr("ab\x8a\xbf" "c\r\n\tx\r\n\r\nend");
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w.get());
    QVERIFY(a);
    QCOMPARE(a->role(), QAccessible::EditableText);
    QCOMPARE(a->text(QAccessible::Name), QStringLiteral("a.awk"));
    QVERIFY(a->state().editable);
    QVERIFY(a->state().multiLine);
    QAccessibleTextInterface* t = a->textInterface();
    QVERIFY(t);
    const QString whole = QStringLiteral("ab漢c\n\tx\n\nend");
    QCOMPARE(t->characterCount(), whole.size());
    QCOMPARE(t->text(0, t->characterCount()), whole);
    QCOMPARE(t->text(3, 7), QStringLiteral("c\n\tx"));
    QCOMPARE(t->text(8, 11), QStringLiteral("\nen"));
    // Caret: row and column to offset, past the kanji and after the tab.
    struct Caret {
      int row, col, offset;
    };
    for (const Caret& k : {Caret{0, 0, 0}, Caret{0, 4, 3}, Caret{0, 5, 4}, Caret{1, 8, 6}, Caret{3, 3, 12}}) {
      c.SetRowCol(k.row, k.col);
      QCOMPARE(t->cursorPosition(), k.offset);
    }
    events.clear();
    t->setCursorPosition(7);  // after "x"
    QCOMPARE(c.Row(), 1);
    QCOMPARE(c.Col(), 9);
    QVERIFY(std::find(events.begin(), events.end(), std::make_pair(QAccessible::TextCaretMoved, 7)) != events.end());
    // Selection: set from the reader, read back, seen by the control.
    QCOMPARE(t->selectionCount(), 0);
    events.clear();
    t->setSelection(0, 2, 6);
    QVERIFY(c.Selected());
    QCOMPARE(QString::fromStdString(cp932::ToUtf8(c.GetSelText())), QStringLiteral("漢c\r\n\t"));
    int s0 = -1, s1 = -1;
    QCOMPARE(t->selectionCount(), 1);
    t->selection(0, &s0, &s1);
    QCOMPARE(s0, 2);
    QCOMPARE(s1, 6);
    QVERIFY(std::any_of(events.begin(), events.end(),
                        [](auto e) { return e.first == QAccessible::TextSelectionChanged && e.second == 6; }));
    t->removeSelection(0);
    QCOMPARE(t->selectionCount(), 0);
    // Typing: a text change, and the offsets follow it.
    events.clear();
    c.SetRowCol(0, 0);
    QTest::keyClicks(w.get(), "Z");
    QVERIFY(std::any_of(events.begin(), events.end(), [](auto e) { return e.first == QAccessible::TextUpdated; }));
    QCOMPARE(t->text(0, 3), QStringLiteral("Zab"));
    QCOMPARE(t->characterCount(), whole.size() + 1);
    // The character under a point and the rectangle of a character agree.
    const QRect r = t->characterRect(6);
    QCOMPARE(t->offsetAtPoint(r.center()), 6);
    QCOMPARE(r.width(), c.ColWidth());
    // Read-only text is not editable.
    c.SetReadOnly(true);
    QVERIFY(a->state().readOnly);
    QVERIFY(!a->state().editable);
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
    QCOMPARE(data->text(), QStringLiteral("bc\nfg\n"));
    e.CleanSelection();
    e.SetSelectionMode(smLine);
    e.SetRowCol(0, 4);
    QTest::keyClick(w.get(), Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(Text(*w), std::string("abcdbc\r\nefghfg\r\n"));
  }

  // A UTF-8 document copies Unicode text and its own bytes; a paste into a
  // CP932 document takes the text, a paste back into UTF-8 the bytes.
  void copyAndPasteFollowTheDocumentsEncoding() {
    TEditor& e = w->Editor();
    e.Lines().SetEncoding(TextEncoding::Utf8);
    e.Lines().SetTextStr("日本\xCC\x81");
    e.SetSelStart(0);
    e.SetSelLength(8);
    QTest::keyClick(w.get(), Qt::Key_C, Qt::ControlModifier);
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    QCOMPARE(data->text(), QString::fromUtf8("日本\xCC\x81"));
    QCOMPARE(data->data(kUtf8Mime), QByteArray("日本\xCC\x81"));
    QVERIFY(!data->hasFormat(kCp932Mime));
    e.Lines().SetTextStr("");
    QTest::keyClick(w.get(), Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(Text(*w), std::string("日本\xCC\x81"));

    TEditorWidget sj;
    sj.Editor().Lines().SetTextStr("ab");
    QGuiApplication::clipboard()->setText(QString::fromUtf8("表"));
    sj.Editor().SetRowCol(0, 1);
    QTest::keyClick(&sj, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(Text(sj), std::string("a\x95\x5C" "b"));
    // CP932 bytes on the clipboard paste into UTF-8 as their text.
    sj.Editor().SetSelStart(1);
    sj.Editor().SetSelLength(2);
    QTest::keyClick(&sj, Qt::Key_C, Qt::ControlModifier);
    e.Lines().SetTextStr("");
    QTest::keyClick(w.get(), Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(Text(*w), std::string("表"));
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

  // Other programs get LF line ends; a paste inside the program gets the
  // copy's exact bytes with CR LF back.
  void copyOffersLfTextAndKeepsCrLfBytes() {
    const std::string text = "a\r\n\xed\x40" "b\r\n\r\nc";
    w->Editor().Lines().SetTextStr(text);
    w->Editor().SelectAll();
    QTest::keyClick(w.get(), Qt::Key_C, Qt::ControlModifier);
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    QVERIFY(data);
    QVERIFY(!data->text().contains(QChar('\r')));
    QCOMPARE(data->text().count(QChar('\n')), 3);
    QCOMPARE(data->data(kCp932Mime), QByteArray(text.data(), static_cast<qsizetype>(text.size())));
    TEditorWidget other;
    other.Editor().PasteFromClipboard();
    QCOMPARE(Text(other), text);
    // A text that says something else than the bytes is taken as it shows.
    auto* changed = new QMimeData;
    changed->setText(QStringLiteral("x\ny"));
    changed->setData(kCp932Mime, QByteArray("a\r\nb"));
    QGuiApplication::clipboard()->setMimeData(changed);
    TEditorWidget third;
    third.Editor().PasteFromClipboard();
    QVERIFY(Text(third).find('x') != std::string::npos);
    QVERIFY(Text(third).find('a') == std::string::npos);
  }

  // The primary selection: set when a selection ends (mouse or keys), not
  // touched by a selection that goes away, pasted at the pointer by a
  // middle click, with the same bytes and line ends as the clipboard.
  void selectionIsPrimaryAndMiddleClickPastesIt() {
    struct Primary : TPrimarySelection {
      std::unique_ptr<QMimeData> data;
      int sets = 0;
      bool Supported() override { return true; }
      void Set(QMimeData* d) override { data.reset(d); ++sets; }
      const QMimeData* Get() override { return data.get(); }
    } primary;
    SetPrimarySelection(&primary);
    struct Restore {
      ~Restore() { SetPrimarySelection(nullptr); }
    } restore;
    TEditor& c = w->Editor();
    c.Lines().SetTextStr("hello world\r\nsecond\r\n");
    QGuiApplication::clipboard()->setText(QStringLiteral("CLIP"));
    // Select "world" by dragging.
    const int cw = c.ColWidth(), y = c.TopMargin() + c.FontHeight() / 2;
    const QPoint from(c.LeftMargin() + 6 * cw + 1, y), to(c.LeftMargin() + 11 * cw + 1, y);
    QTest::mousePress(w->viewport(), Qt::LeftButton, {}, from);
    QTest::mouseMove(w->viewport(), to);
    QTest::mouseRelease(w->viewport(), Qt::LeftButton, {}, to);
    QCoreApplication::processEvents();
    QVERIFY(primary.data);
    QCOMPARE(primary.data->text(), QStringLiteral("world"));
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("CLIP"));  // the clipboard is not touched
    // Selecting with the keys: Shift+Down over a line end.
    QTest::keyClick(w.get(), Qt::Key_Home);
    QTest::keyClick(w.get(), Qt::Key_Down, Qt::ShiftModifier);
    QCoreApplication::processEvents();
    QCOMPARE(primary.data->text(), QStringLiteral("hello world\n"));
    QCOMPARE(primary.data->data(kCp932Mime), QByteArray("hello world\r\n"));
    // Clearing the selection keeps what was offered.
    const int sets = primary.sets;
    QTest::keyClick(w.get(), Qt::Key_Right);
    QCoreApplication::processEvents();
    QCOMPARE(primary.sets, sets);
    // A middle click on "second" after "sec" pastes it there,
    // line end and all, and leaves the clipboard alone.
    const QPoint mid(c.LeftMargin() + 3 * cw + 1, c.TopMargin() + c.GetRowHeight() + c.FontHeight() / 2);
    QTest::mouseClick(w->viewport(), Qt::MiddleButton, {}, mid);
    QCOMPARE(Text(*w), std::string("hello world\r\nsechello world\r\nond\r\n"));
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("CLIP"));
    // Read-only: nothing is pasted.
    c.SetReadOnly(true);
    QTest::mouseClick(w->viewport(), Qt::MiddleButton, {}, mid);
    QCOMPARE(Text(*w), std::string("hello world\r\nsechello world\r\nond\r\n"));
  }

  void inputMethodCommitsGoInWholeOrAreRefusedWithABox() {
    // As ibus does: a commit is sent while the input method still holds it,
    // and what it holds is committed again when a box takes the focus.
    struct Ibus : test::RecordingMessages {
      QWidget* target = nullptr;
      QString held;
      int depth = 0;
      void Commit(const QString& text) {
        QInputMethodEvent e;
        e.setCommitString(text);
        if (++depth < 3) QApplication::sendEvent(target, &e);
        --depth;
      }
      void Show(QWidget* p, Icon i, const QString& c, const QString& t) override {
        RecordingMessages::Show(p, i, c, t);
        if (!held.isEmpty()) Commit(held);
      }
    } ibus;
    ibus.target = w.get();
    ibus.Commit(QStringLiteral("１〜１０"));  // mozc's "1~10"
    const std::string typed = "\x82\x50\x81\x60\x82\x50\x82\x4f";
    QCOMPARE(Text(*w), typed);
    ibus.held = QStringLiteral("漢😀字");
    ibus.Commit(ibus.held);
    ibus.held.clear();
    QTRY_COMPARE(ibus.Texts(), QStringList{QStringLiteral("「😀」はShift-JISで表せない文字なので、貼り付けできません")});
    QCOMPARE(Text(*w), typed);
  }

  void redoKeysOfLinuxEditors() {
    for (const QKeyCombination k : {Qt::CTRL | Qt::SHIFT | Qt::Key_Z, Qt::CTRL | Qt::Key_Y}) {
      w->Editor().Lines().SetTextStr("");
      QTest::keyClicks(w.get(), "a");
      QTest::keyClick(w.get(), Qt::Key_Z, Qt::ControlModifier);
      QKeyEvent override(QEvent::ShortcutOverride, k.key(), k.keyboardModifiers());  // before a menu takes it
      QApplication::sendEvent(w.get(), &override);
      QVERIFY(override.isAccepted());
      QTest::keyClick(w.get(), k.key(), k.keyboardModifiers());
      QCOMPARE(Text(*w), std::string("a"));
    }
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
    // With Shift the layout gives a symbol ('#' for 3 on US, '=' for 0 on
    // German, the digit on AZERTY); the key's own code names the digit.
    const struct { Qt::Key key; quint32 code; TRowMark mark; } shifted[] = {
        {Qt::Key_NumberSign, 12, rm3}, {Qt::Key_Exclam, 10, rm1},
        {Qt::Key_Equal, 19, rm0}, {Qt::Key_ParenLeft, 18, rm9}};
    for (const auto& k : shifted) {
      for (bool on : {true, false}) {
        QKeyEvent override(QEvent::ShortcutOverride, k.key, Qt::ControlModifier | Qt::ShiftModifier,
                           k.code, 0, 0);
        QApplication::sendEvent(w.get(), &override);
        QVERIFY(override.isAccepted());
        QKeyEvent press(QEvent::KeyPress, k.key, Qt::ControlModifier | Qt::ShiftModifier, k.code, 0, 0);
        QApplication::sendEvent(w.get(), &press);
        QCOMPARE(bool(w->Editor().List().RowMarks(0) & RowMarkBit(k.mark)), on);
      }
    }
    // Ctrl+Shift with a letter key is no mark key.
    QKeyEvent letter(QEvent::KeyPress, Qt::Key_Q, Qt::ControlModifier | Qt::ShiftModifier, 24, 0, 0);
    QApplication::sendEvent(w.get(), &letter);
    QVERIFY(w->Editor().List().RowMarks(0) == 0);
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
