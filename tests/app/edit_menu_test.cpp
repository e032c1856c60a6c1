// The Edit menu as the main window builds it, driven by real key presses and
// by opening the menu, the way a user tries it.
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QVBoxLayout>
#include <QtTest>

#include "app/edit_target.h"
#include "app/select_all_action.h"

using namespace tolvan;

class EditMenuTest : public QObject {
  Q_OBJECT

  QMainWindow* win_ = nullptr;
  QMenu* menu_ = nullptr;
  QLineEdit* prefix_ = nullptr;
  QComboBox* options_ = nullptr;
  QComboBox* input_ = nullptr;
  QListWidget* list_ = nullptr;
  QList<QAction*> actions_;  // undo, cut, copy, paste, delete, select all

  void Focus(QWidget* w) {
    w->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), w);
  }
  // Enabled states as the opened menu shows them.
  QString MenuStates() {
    emit menu_->aboutToShow();
    QString s;
    for (QAction* a : actions_) s += a->isEnabled() ? '1' : '0';
    return s;
  }

 private slots:
  void initTestCase() { RegisterStandardEditTarget(); }
  void cleanupTestCase() { UnregisterStandardEditTarget(); }

  void init() {
    win_ = new QMainWindow;
    SetDefMainForm(win_);
    auto* central = new QWidget(win_);
    auto* l = new QVBoxLayout(central);
    prefix_ = new QLineEdit("new_", central);
    options_ = new QComboBox(central);
    options_->setEditable(true);
    input_ = new QComboBox(central);
    input_->addItems({"File", "Clipboard", "Null"});
    list_ = new QListWidget(central);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->addItems({"/data/a.txt", "/data/b.txt"});
    for (QWidget* w : {static_cast<QWidget*>(prefix_), static_cast<QWidget*>(options_),
                       static_cast<QWidget*>(input_), static_cast<QWidget*>(list_)})
      l->addWidget(w);
    win_->setCentralWidget(central);

    // As the main window builds its Edit menu.
    menu_ = win_->menuBar()->addMenu("編集(&E)");
    auto add = [&](QAction* a, const char* text, const char* shortcut) {
      a->setText(QString::fromUtf8(text));
      a->setShortcut(QKeySequence(shortcut));
      menu_->addAction(a);
      actions_ << a;
    };
    actions_.clear();
    add(new TMeEditUndo(win_), "元に戻す(&U)", "Ctrl+Z");
    add(new TMeEditCut(win_), "切り取り(&T)", "Ctrl+X");
    add(new TMeEditCopy(win_), "コピー(&C)", "Ctrl+C");
    add(new TMeEditPaste(win_), "貼り付け(&P)", "Ctrl+V");
    add(new TMeEditDelete(win_), "削除(&D)", "Ctrl+Del");
    auto* all = new TSelectAllAction(win_);
    all->SetList(list_);
    all->SetTextBoxes({prefix_, options_});
    add(all, "全てを選択", "Ctrl+Shift+A");

    win_->show();
    win_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(win_));
    QGuiApplication::clipboard()->clear();
  }
  void cleanup() {
    delete win_;
    SetDefMainForm(nullptr);
  }

  void menuFollowsTheFocusedControl() {
    Focus(input_);  // a drop-down list offers nothing
    QGuiApplication::clipboard()->setText("x");
    QCOMPARE(MenuStates(), QString("000000"));
    Focus(list_);  // only select all, the list has entries
    QCOMPARE(MenuStates(), QString("000001"));
    Focus(prefix_);
    prefix_->setSelection(0, 3);
    QCOMPARE(MenuStates(), QString("011111"));
    QGuiApplication::clipboard()->clear();
    QCOMPARE(MenuStates(), QString("011011"));
  }

  // Picked from the opened menu, the command still acts on the control that
  // had the focus before the menu opened.
  void commandPickedFromTheOpenMenu() {
    Focus(prefix_);
    prefix_->setSelection(0, 3);
    menu_->popup(win_->mapToGlobal(QPoint(0, 0)));
    QTRY_VERIFY(menu_->isVisible());
    QVERIFY(actions_[2]->isEnabled());  // copy
    menu_->setActiveAction(actions_[4]);  // delete
    QTest::keyClick(menu_, Qt::Key_Return);
    QTRY_VERIFY(!menu_->isVisible());
    QCOMPARE(prefix_->text(), QString("_"));
  }

  void shortcutsWorkInTheTextBoxes() {
    Focus(prefix_);
    prefix_->setSelection(0, 3);
    QTest::keyClick(prefix_, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), QString("new"));
    QTest::keyClick(prefix_, Qt::Key_Delete, Qt::ControlModifier);
    QCOMPARE(prefix_->text(), QString("_"));
    QTest::keyClick(prefix_, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(prefix_->text(), QString("new_"));

    Focus(options_);
    QTest::keyClicks(options_, QString(300, QChar('v')));
    QTest::keyClick(options_, Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(options_->lineEdit()->selectedText().size(), 255);
    QTest::keyClick(options_, Qt::Key_X, Qt::ControlModifier);
    QCOMPARE(options_->currentText().size(), 45);
    QTest::keyClick(options_, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(options_->currentText().size(), 300);
  }

  void selectAllSelectsEveryEntryOfTheList() {
    Focus(list_);
    QTest::keyClick(list_, Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(list_->selectedItems().size(), 2);
  }

  // Nothing announces entries added while the list has the focus; the key
  // press itself must bring the state up to date.
  void shortcutSeesEntriesAddedMeanwhile() {
    list_->clear();
    Focus(list_);
    QVERIFY(!actions_.last()->isEnabled());
    list_->addItems({"/data/c.txt", "/data/d.txt", "/data/e.txt"});
    QTest::keyClick(list_, Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(list_->selectedItems().size(), 3);
  }

  void pasteIntoADropDownListDoesNothing() {
    Focus(input_);
    QGuiApplication::clipboard()->setText("Null");
    QTest::keyClick(input_, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(input_->currentText(), QString("File"));
  }
};

QTEST_MAIN(EditMenuTest)
#include "edit_menu_test.moc"
