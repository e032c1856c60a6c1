// The Edit menu's actions on line edits, combo boxes and text boxes, through
// the real registry, as the main window uses them.
#include "app/edit_target.h"
#include "app/select_all_action.h"

#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <QtTest>

using namespace tolvan;

class EditTargetTest : public QObject {
  Q_OBJECT

  QWidget* win_ = nullptr;
  QLineEdit* edit_ = nullptr;
  QComboBox* editable_ = nullptr;
  QComboBox* dropList_ = nullptr;
  QPlainTextEdit* memo_ = nullptr;
  QListWidget* list_ = nullptr;
  QPushButton* button_ = nullptr;

  TMeEditCopy* copy_ = nullptr;
  TMeEditCut* cut_ = nullptr;
  TMeEditDelete* delete_ = nullptr;
  TMeEditPaste* paste_ = nullptr;
  TMeEditUndo* undo_ = nullptr;
  TMeEditRedo* redo_ = nullptr;
  TMeEditSelAll* selAll_ = nullptr;

  void Focus(QWidget* w) {
    w->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), w);
  }
  static QClipboard* Clip() { return QGuiApplication::clipboard(); }
  // Enabled state of copy, cut, delete, paste, undo, select all after an update.
  QString States() {
    QString s;
    for (TMeAction* a : {static_cast<TMeAction*>(copy_), static_cast<TMeAction*>(cut_),
                         static_cast<TMeAction*>(delete_), static_cast<TMeAction*>(paste_),
                         static_cast<TMeAction*>(undo_), static_cast<TMeAction*>(selAll_)}) {
      a->Update();
      s += a->isEnabled() ? '1' : '0';
    }
    return s;
  }

 private slots:
  void initTestCase() { RegisterStandardEditTarget(); }
  void cleanupTestCase() { UnregisterStandardEditTarget(); }

  void init() {
    win_ = new QWidget;
    auto* l = new QVBoxLayout(win_);
    edit_ = new QLineEdit(win_);
    editable_ = new QComboBox(win_);
    editable_->setEditable(true);
    dropList_ = new QComboBox(win_);
    dropList_->addItems({"File", "Clipboard", "Null"});
    memo_ = new QPlainTextEdit(win_);
    list_ = new QListWidget(win_);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    button_ = new QPushButton("x", win_);
    for (QWidget* w : {static_cast<QWidget*>(edit_), static_cast<QWidget*>(editable_),
                       static_cast<QWidget*>(dropList_), static_cast<QWidget*>(memo_),
                       static_cast<QWidget*>(list_), static_cast<QWidget*>(button_)})
      l->addWidget(w);
    copy_ = new TMeEditCopy(win_);
    cut_ = new TMeEditCut(win_);
    delete_ = new TMeEditDelete(win_);
    paste_ = new TMeEditPaste(win_);
    undo_ = new TMeEditUndo(win_);
    redo_ = new TMeEditRedo(win_);
    selAll_ = new TMeEditSelAll(win_);
    win_->show();
    win_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(win_));
    Clip()->clear();
  }
  void cleanup() { delete win_; }

  void emptyLineEditOffersOnlyPasteWhenTheClipboardHasText() {
    Focus(edit_);
    QCOMPARE(States(), QString("000000"));
    Clip()->setText("abc");
    QCOMPARE(States(), QString("000100"));
    QVERIFY(paste_->Execute());
    QCOMPARE(edit_->text(), QString("abc"));
  }

  void lineEditCommandsActOnTheSelection() {
    Focus(edit_);
    QTest::keyClicks(edit_, "hello world");
    QCOMPARE(States(), QString("000011"));  // typed: undo and select all
    edit_->setSelection(0, 5);
    QCOMPARE(States(), QString("111011"));

    QVERIFY(copy_->Execute());
    QCOMPARE(Clip()->text(), QString("hello"));
    QCOMPARE(edit_->text(), QString("hello world"));

    QVERIFY(cut_->Execute());
    QCOMPARE(edit_->text(), QString(" world"));
    QCOMPARE(Clip()->text(), QString("hello"));

    // Delete takes the selection only and leaves the clipboard alone.
    edit_->setSelection(1, 2);
    QVERIFY(delete_->Execute());
    QCOMPARE(edit_->text(), QString(" rld"));
    QCOMPARE(Clip()->text(), QString("hello"));
    // With nothing selected it is disabled and does nothing.
    edit_->setCursorPosition(0);
    QVERIFY(!delete_->Execute());
    QCOMPARE(edit_->text(), QString(" rld"));

    QVERIFY(undo_->Execute());
    QCOMPARE(edit_->text(), QString(" world"));

    QVERIFY(selAll_->Execute());
    QCOMPARE(edit_->selectedText(), edit_->text());
    QVERIFY(paste_->Execute());
    QCOMPARE(edit_->text(), QString("hello"));
  }

  void redoKeepsWhateverStateItHad() {
    Focus(edit_);
    QTest::keyClicks(edit_, "ab");
    redo_->setEnabled(true);
    QVERIFY(redo_->Update());
    QVERIFY(redo_->isEnabled());
    redo_->setEnabled(false);
    redo_->Update();
    QVERIFY(!redo_->isEnabled());
    redo_->setEnabled(true);
    QVERIFY(redo_->Execute());  // taken, but nothing happens
    QCOMPARE(edit_->text(), QString("ab"));
  }

  void editableComboBoxWorksThroughItsLineEdit() {
    Focus(editable_);
    QTest::keyClicks(editable_, "-F,");
    QCOMPARE(editable_->currentText(), QString("-F,"));
    QCOMPARE(States(), QString("000011"));
    QVERIFY(selAll_->Execute());
    QCOMPARE(editable_->lineEdit()->selectedText(), QString("-F,"));
    QCOMPARE(States(), QString("111011"));
    QVERIFY(cut_->Execute());
    QCOMPARE(editable_->currentText(), QString());
    QCOMPARE(Clip()->text(), QString("-F,"));
    QVERIFY(paste_->Execute());
    QVERIFY(paste_->Execute());
    QCOMPARE(editable_->currentText(), QString("-F,-F,"));
    QVERIFY(undo_->Execute());
    QCOMPARE(editable_->currentText(), QString("-F,"));
  }

  void dropDownListOffersNothing() {
    Focus(dropList_);
    Clip()->setText("text");
    for (TMeAction* a : {static_cast<TMeAction*>(copy_), static_cast<TMeAction*>(paste_),
                         static_cast<TMeAction*>(selAll_), static_cast<TMeAction*>(redo_)}) {
      a->setEnabled(true);
      QVERIFY(a->Update());  // served, and disabled
      QVERIFY(!a->isEnabled());
    }
    QVERIFY(!paste_->Execute());
    QCOMPARE(dropList_->currentText(), QString("File"));
  }

  void controlsNobodyServesDisableTheActions() {
    Focus(button_);
    Clip()->setText("text");
    QCOMPARE(States(), QString("000000"));
  }

  void readOnlyBoxOffersCopyButNothingThatChangesIt() {
    edit_->setText("/tmp/out.txt");
    edit_->setReadOnly(true);
    Focus(edit_);
    edit_->setSelection(0, 4);
    Clip()->setText("x");
    QCOMPARE(States(), QString("100001"));
    QVERIFY(copy_->Execute());
    QCOMPARE(Clip()->text(), QString("/tmp"));
    QVERIFY(!cut_->Execute());
    QCOMPARE(edit_->text(), QString("/tmp/out.txt"));
  }

  void passwordBoxNeverGivesItsTextAway() {
    edit_->setEchoMode(QLineEdit::Password);
    edit_->setText("secret");
    Focus(edit_);
    edit_->selectAll();
    QCOMPARE(States().left(3), QString("001"));
  }

  void multiLineTextBox() {
    Focus(memo_);
    QTest::keyClicks(memo_, "one two");
    QTextCursor c = memo_->textCursor();
    c.setPosition(0);
    c.setPosition(3, QTextCursor::KeepAnchor);
    memo_->setTextCursor(c);
    QCOMPARE(States(), QString("111011"));
    QVERIFY(delete_->Execute());
    QCOMPARE(memo_->toPlainText(), QString(" two"));
    QVERIFY(undo_->Execute());
    QCOMPARE(memo_->toPlainText(), QString("one two"));
    QVERIFY(selAll_->Execute());
    QVERIFY(copy_->Execute());
    QCOMPARE(Clip()->text(), QString("one two"));
  }

  // The main window's own select-all command.
  void selectAllServesTheListAndTheNamedBoxes() {
    TSelectAllAction all(win_);
    all.SetList(list_);
    all.SetTextBoxes({edit_, editable_});

    Focus(list_);
    QVERIFY(all.Update());  // an empty list: served, and disabled
    QVERIFY(!all.isEnabled());
    list_->addItems({"/a", "/b", "/c"});
    all.Update();
    QVERIFY(all.isEnabled());
    QVERIFY(all.Execute());
    QCOMPARE(list_->selectedItems().size(), 3);

    // A text box: its first 255 characters, not the whole text.
    edit_->setText(QString(300, QChar('x')));
    Focus(edit_);
    QVERIFY(all.Execute());
    QCOMPARE(edit_->selectionStart(), 0);
    QCOMPARE(edit_->selectedText().size(), 255);
    edit_->setText("short");
    QVERIFY(all.Execute());
    QCOMPARE(edit_->selectedText(), QString("short"));
    edit_->clear();
    all.Update();
    QVERIFY(!all.isEnabled());

    Focus(editable_);
    editable_->setEditText("-v n=1");
    QVERIFY(all.Execute());
    QCOMPARE(editable_->lineEdit()->selectedText(), QString("-v n=1"));

    // A box it was not given is not served.
    memo_->setPlainText("text");
    Focus(memo_);
    all.Update();
    QVERIFY(!all.isEnabled());
  }
};

QTEST_MAIN(EditTargetTest)
#include "edit_target_test.moc"
