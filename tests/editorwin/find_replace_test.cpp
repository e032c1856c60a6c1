#include "editorwin/find_replace.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "core/qt/qtext.h"
#include "editor/view/editor_widget.h"
#include "support/recording_messages.h"

using namespace tolvan;
using tolvan::test::RecordingMessages;

namespace {

QString U(const char* s) { return QString::fromUtf8(s); }

// An editor holding a text, its histories and the commands, with the
// dialogs driven by a function instead of a person.
struct Session {
  explicit Session(const std::string& text) {
    editor.resize(400, 200);
    editor.Editor().Lines().SetTextStr(text);
    editor.Editor().SetRowCol(0, 0);
  }
  std::string Text() { return editor.Editor().Lines().GetTextStr(); }
  // Each dialog gets these texts typed (a null leaves a box as it opened)
  // and then the named button clicked.
  void Drive(const char* find, const char* replace, const char* button) {
    fr.ExecDialog = [=, this](QDialog& d) {
      d.show();
      seenFind = d.findChild<QComboBox*>("ComboBox1")->currentText();
      if (find) d.findChild<QComboBox*>("ComboBox1")->setEditText(U(find));
      if (replace) d.findChild<QComboBox*>("ComboBox2")->setEditText(U(replace));
      if (auto* b = d.findChild<QPushButton*>("btnFind")) seenFindEnabled = b->isEnabled();
      d.findChild<QPushButton*>(button)->click();
      return d.result();
    };
  }
  TEditorWidget editor;
  QStringList findHistory, replaceHistory;
  TFindReplace fr{editor, findHistory, replaceHistory, nullptr};
  QString seenFind;
  bool seenFindEnabled = false;
};

const auto Yes = QMessageBox::Yes;
const auto No = QMessageBox::No;
const auto Cancel = QMessageBox::Cancel;
const auto All = QMessageBox::YesToAll;

QString ReplaceAllQuestion(const char* find, const char* replace) {
  return " " + U(find) + " " + U("  を\r\n") + " " + U(replace) + " " + U("  に 置き換えますか？");
}

}  // namespace

class FindReplaceTest : public QObject {
  Q_OBJECT
 private slots:
  // Each replacement is skipped over, so a replacement holding the search
  // text ends; every question offers All and is placed next to the match.
  void replaceAllAnsweredAllAtTheFirstQuestion() {
    RecordingMessages m;
    Session s("aaa");
    s.Drive("a", "aa", "btnReplaceAll");
    m.answers = {All};
    s.fr.Replace();
    QCOMPARE(s.Text(), std::string("aaaaaa"));
    QCOMPARE(m.entries.size(), size_t(1));
    QCOMPARE(m.entries[0].text, ReplaceAllQuestion("a", "aa"));
    QVERIFY(m.entries[0].placed);
    QCOMPARE(m.entries[0].buttons,
             QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel | QMessageBox::YesToAll);
    QCOMPARE(s.fr.FindText, std::string("a"));
    QCOMPARE(s.fr.ReplaceText, std::string("aa"));
  }

  void replaceAllAnsweredNoOrCancel() {
    {
      RecordingMessages m;
      Session s("a-a-a\r\na");
      s.Drive("a", "b", "btnReplaceAll");
      m.answers = {No, No, No, No};
      s.fr.Replace();
      QCOMPARE(s.Text(), std::string("a-a-a\r\na"));
      QCOMPARE(m.Texts().size(), 4);  // and no fifth question: it ends after the last match
    }
    {
      RecordingMessages m;
      Session s("a a a a");
      s.Drive("A", "b", "btnReplaceAll");  // case is never matched exactly
      m.answers = {Yes, No, Cancel, Yes};
      s.fr.Replace();
      QCOMPARE(s.Text(), std::string("b a a a"));
      QCOMPARE(m.Texts().size(), 3);
      QCOMPARE(m.answers.size(), size_t(1));  // Cancel stopped at once
    }
    {
      RecordingMessages m;
      Session s("a a a a");
      s.Drive("a", "b", "btnReplaceAll");
      m.answers = {Yes, Yes, Cancel};
      s.fr.Replace();
      QCOMPARE(s.Text(), std::string("b b a a"));
    }
  }

  // What goes wrong during replace all is shown as the class name and the
  // message; what was replaced stays.
  void anExceptionEndsReplaceAll() {
    RecordingMessages m;
    Session s("x x x");
    s.Drive("x", "y", "btnReplaceAll");
    m.answers = {Yes};  // the recorder throws at the second question
    s.fr.Replace();
    QCOMPARE(s.Text(), std::string("y x x"));
    QCOMPARE(m.Texts().size(), 3);
    QVERIFY(m.Texts()[2].startsWith("logic_errorunexpected question"));
  }

  void questionStandsNextToTheMatch() {
    const QRect screen(0, 0, 1000, 800);
    // Above the row when there is room.
    QCOMPARE(ReplaceQuestionPosition(QPoint(100, 300), QSize(200, 100), 16, screen), QPoint(102, 184));
    // Below it when the top would be negative; 0 still fits above.
    QCOMPARE(ReplaceQuestionPosition(QPoint(100, 115), QSize(200, 100), 16, screen), QPoint(102, 131));
    QCOMPARE(ReplaceQuestionPosition(QPoint(100, 116), QSize(200, 100), 16, screen), QPoint(102, 0));
    // Pulled in from the right edge; a box that just fits stays.
    QCOMPARE(ReplaceQuestionPosition(QPoint(900, 300), QSize(200, 100), 16, screen), QPoint(796, 184));
    QCOMPARE(ReplaceQuestionPosition(QPoint(798, 300), QSize(200, 100), 16, screen), QPoint(800, 184));
    QCOMPARE(ReplaceQuestionPosition(QPoint(799, 300), QSize(200, 100), 16, screen), QPoint(796, 184));
  }

  // What is typed is what is searched, with one Enter: a history entry that
  // begins with the typed text is never filled in.
  void typedTextIsNotCompletedFromHistory() {
    RecordingMessages m;
    Session s("co count");
    s.findHistory = {"count"};
    s.replaceHistory = {"apple"};
    QString typedReplace;
    s.fr.ExecDialog = [&](QDialog& d) {
      d.show();
      auto* find = d.findChild<QComboBox*>("ComboBox1");
      find->clearEditText();
      QTest::keyClicks(find->lineEdit(), "co");
      if (auto* rep = d.findChild<QComboBox*>("ComboBox2")) {
        rep->setFocus();
        QTest::keyClicks(rep->lineEdit(), "a");
        QTest::keyClick(rep->lineEdit(), Qt::Key_Tab);
        typedReplace = rep->currentText();
        d.findChild<QPushButton*>("btnCancel")->click();
        return d.result();
      }
      QTest::keyClick(find->lineEdit(), Qt::Key_Return);
      return d.result();
    };
    s.fr.Find();
    QCOMPARE(s.fr.FindText, std::string("co"));
    QCOMPARE(s.editor.Editor().SelLength(), 2);
    QCOMPARE(s.editor.Editor().SelStart(), 0);
    s.editor.Editor().SetRowCol(0, 0);
    s.fr.Replace();
    QCOMPARE(typedReplace, U("a"));
  }

  void historiesIgnoreLetterCase() {
    RecordingMessages m;
    Session s("BEGIN Begin");
    s.findHistory = {"BEGIN"};
    s.Drive("Begin", nullptr, "btnFind");
    s.fr.Find();
    QCOMPARE(s.findHistory, QStringList{"BEGIN"});
    QCOMPARE(s.fr.FindText, std::string("Begin"));
    QVERIFY(s.editor.Editor().Selected());
    QCOMPARE(s.editor.Editor().GetSelText(), std::string("BEGIN"));
    s.Drive("end", nullptr, "btnFind");
    s.fr.Find();
    QCOMPARE(s.findHistory, (QStringList{"BEGIN", "end"}));
    // The replace dialog keeps both histories the same way.
    s.replaceHistory = {"X"};
    s.Drive("begin", "x", "btnReplace");
    m.answers = {Cancel};
    s.fr.Replace();
    QCOMPARE(s.findHistory, (QStringList{"BEGIN", "end"}));
    QCOMPARE(s.replaceHistory, QStringList{"X"});
    s.Drive("begin", "y", "btnReplace");
    m.answers = {Cancel};
    s.fr.Replace();
    QCOMPARE(s.replaceHistory, (QStringList{"X", "y"}));
  }

  void findWithNothingSelectedStartsDisabled() {
    RecordingMessages m;
    Session s("abc");
    s.Drive(nullptr, nullptr, "btnCancel");
    s.fr.Find();
    QCOMPARE(s.seenFind, QString());
    QVERIFY(!s.seenFindEnabled);
    QVERIFY(!s.editor.Editor().Selected());
    // A selection becomes the search text, and Find is enabled.
    s.editor.Editor().SetSelStart(1);
    s.editor.Editor().SetSelLength(2);
    s.fr.Find();
    QCOMPARE(s.seenFind, QString("bc"));
    QVERIFY(s.seenFindEnabled);
    QCOMPARE(s.fr.FindText, std::string("bc"));  // even though cancelled
    // Typing into the box and emptying it again turns the button on and off.
    std::string text;
    QStringList history;
    TfrmFind dlg(text, history, nullptr);
    QVERIFY(!dlg.btnFind->isEnabled());
    dlg.ComboBox1->setEditText("q");
    QVERIFY(dlg.btnFind->isEnabled());
    dlg.ComboBox1->setEditText("");
    QVERIFY(!dlg.btnFind->isEnabled());
  }

  // The buttons start enabled, so an empty replacement deletes when they
  // are pressed before any edit; a change turns them off while a box is empty.
  void emptyReplacementDeletes() {
    RecordingMessages m;
    Session s("x1x2x3");
    s.editor.Editor().SetSelStart(0);
    s.editor.Editor().SetSelLength(1);
    bool enabled = false, afterEdit = true;
    s.fr.ExecDialog = [&](QDialog& d) {
      auto& r = static_cast<TfrmReplace&>(d);
      enabled = r.btnReplace->isEnabled() && r.btnReplaceAll->isEnabled();
      r.btnReplaceAll->click();
      return d.result();
    };
    m.answers = {All};
    s.fr.Replace();
    QVERIFY(enabled);
    QCOMPARE(s.Text(), std::string("x123"));  // the selected one is passed over
    s.fr.ExecDialog = [&](QDialog& d) {
      auto& r = static_cast<TfrmReplace&>(d);
      r.ComboBox1->setEditText("1");
      afterEdit = r.btnReplace->isEnabled() || r.btnReplaceAll->isEnabled();
      r.ComboBox2->setEditText("one");
      enabled = r.btnReplace->isEnabled() && r.btnReplaceAll->isEnabled();
      return 0;
    };
    s.fr.Replace();
    QVERIFY(!afterEdit);
    QVERIFY(enabled);
  }

  void replaceAllFromASelectedWordReplacesLaterOnesOnly() {
    RecordingMessages m;
    Session s("ab ab ab ab");
    s.editor.Editor().SetSelStart(3);
    s.editor.Editor().SetSelLength(2);
    s.Drive(nullptr, "X", "btnReplaceAll");
    m.answers = {All};
    s.fr.Replace();
    QCOMPARE(s.seenFind, QString("ab"));
    QCOMPARE(s.Text(), std::string("ab ab X X"));
  }

  void replaceAndReplaceNext() {
    RecordingMessages m;
    Session s("one two one");
    s.Drive("one", "1", "btnReplace");
    m.answers = {Yes};
    s.fr.Replace();
    QCOMPARE(s.Text(), std::string("1 two one"));
    QCOMPARE(m.Texts(), QStringList{U("この文字列を 1 に置換しますか？")});
    QCOMPARE(m.entries[0].buttons, QMessageBox::Yes | QMessageBox::Cancel);
    m.answers = {Cancel};
    s.fr.ReplaceNext();
    QCOMPARE(s.Text(), std::string("1 two one"));
    QCOMPARE(s.editor.Editor().GetSelText(), std::string("one"));
    m.Clear();
    s.fr.ReplaceNext();  // behind the selection: nothing more, no wrap-around
    QCOMPARE(m.Texts(), QStringList{U("oneは見つかりませんでした")});
    QCOMPARE(s.editor.Editor().GetSelText(), std::string("one"));
    // An empty search text is reported with nothing before the message.
    m.Clear();
    s.fr.FindText.clear();
    s.fr.ReplaceNext();
    QCOMPARE(m.Texts(), QStringList{U("は見つかりませんでした")});
  }

  void findNextAndUpNeverWrap() {
    RecordingMessages m;
    Session s("k1 k2 k3");
    s.fr.FindText = "k";
    s.fr.FindNext();
    QCOMPARE(s.editor.Editor().SelStart(), 0);
    s.fr.FindNext();
    s.fr.FindNext();
    QCOMPARE(s.editor.Editor().SelStart(), 6);
    s.fr.FindNext();  // the last one: the selection stays
    QCOMPARE(s.editor.Editor().SelStart(), 6);
    QCOMPARE(s.editor.Editor().GetSelText(), std::string("k"));
    s.fr.FindUp();
    QCOMPARE(s.editor.Editor().SelStart(), 3);
    QCOMPARE(m.entries.size(), size_t(0));  // nothing is ever reported
  }

  // A text CP932 cannot hold is refused with a beep; the dialog stays with
  // the text and nothing is searched or remembered.
  void unencodableTextKeepsTheDialog() {
    RecordingMessages m;
    std::string find = "old";
    QStringList history;
    TfrmFind dlg(find, history, nullptr);
    dlg.ComboBox1->setEditText(U("\xF0\x9F\x98\x80"));
    dlg.btnFindClick();
    QCOMPARE(m.Beeps(), 1);
    QCOMPARE(dlg.result(), 0);
    QCOMPARE(find, std::string("old"));
    QVERIFY(history.isEmpty());
    QCOMPARE(dlg.ComboBox1->currentText(), U("\xF0\x9F\x98\x80"));
    // A double-byte text is searched as its CP932 bytes.
    Session s("abc \x95\x5C def");
    s.Drive("表", nullptr, "btnFind");
    s.fr.Find();
    QCOMPARE(s.fr.FindText, std::string("\x95\x5C"));
    QCOMPARE(s.editor.Editor().GetSelText(), std::string("\x95\x5C"));
    std::string r = "r";
    bool all = false;
    TfrmReplace rep(find, r, all, history, history, nullptr);
    rep.ComboBox2->setEditText(U("\xF0\x9F\x98\x80"));
    rep.btnReplaceAllClick();
    QCOMPARE(m.Beeps(), 2);
    QCOMPARE(rep.result(), 0);
    QCOMPARE(r, std::string("r"));
    QVERIFY(!all);
  }

  void dialogTexts() {
    std::string f = "x", r;
    bool all = false;
    QStringList h{"p", "q"};
    TfrmFind find(f, h, nullptr);
    QCOMPARE(find.windowTitle(), U("検索"));
    QCOMPARE(find.Label1->text(), U("検索する語を入力してください:"));
    QCOMPARE(find.ComboBox1->count(), 2);
    QCOMPARE(find.ComboBox1->currentText(), QString("x"));
    QVERIFY(find.btnFind->isDefault());
    TfrmReplace rep(f, r, all, h, h, nullptr);
    QCOMPARE(rep.windowTitle(), QString("frmReplace"));
    QCOMPARE(rep.Label1->text(), U("検索する語:"));
    QCOMPARE(rep.Label2->text(), U("置換する語:"));
    QCOMPARE(rep.btnReplace->text(), U("置換"));
    QCOMPARE(rep.btnReplaceAll->text(), U("全て置換"));
    QCOMPARE(rep.ComboBox2->currentText(), QString());
    QVERIFY(rep.btnReplace->isEnabled());
    QVERIFY(rep.btnReplaceAll->isEnabled());
    rep.btnReplaceAllClick();
    QVERIFY(all);
    QCOMPARE(rep.result(), int(QDialog::Accepted));
  }
};

QTEST_MAIN(FindReplaceTest)
#include "find_replace_test.moc"
