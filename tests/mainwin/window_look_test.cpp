// What the main window looks like to a user: the layout while a job runs
// with a long input name, the disabled Run button, and the names a screen
// reader announces.
#include <QAccessible>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolButton>

#include "mainwin/elided_label.h"
#include "mainwin_fixture.h"

using namespace tolvan;
using namespace tolvan::test;

namespace {
QString U(const char* s) { return QString::fromUtf8(s); }

// True when the whole widget can be seen inside the window's scroll area.
bool FullyShown(QWidget* window, QWidget* w) {
  auto* area = window->findChild<QScrollArea*>();
  if (!area || !w->isVisible()) return false;
  QWidget* port = area->viewport();
  QRect r(w->mapTo(port, QPoint(0, 0)), w->size());
  return port->rect().contains(r);
}

int RedPixels(QWidget* w) {
  QImage img = w->grab().toImage();
  int n = 0;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) {
      QColor c = img.pixelColor(x, y);
      if (c.red() > 150 && c.green() < 90 && c.blue() < 90) ++n;
    }
  return n;
}
}  // namespace

class WindowLookTest : public QObject {
  Q_OBJECT
 private slots:
  void longInputNamesKeepRunAndCancelInTheWindow_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("60 letters") << QString(56, QChar('n')) + ".txt";
    QTest::newRow("32 Japanese") << QString(32, QChar(0x8868)) + ".txt";  // 表
  }
  void longInputNamesKeepRunAndCancelInTheWindow() {
    QFETCH(QString, name);
    MainWindowEnv env;
    env.WriteSettings();
    auto w = env.Open();
    QString input = env.WriteInput(name.toStdString(), "x\n");
    w->AddInputFiles({input});
    Child<QComboBox>(w.get(), "cmbOutput")->setCurrentIndex(5);
    Child<QRadioButton>(w.get(), "radioOneLiner")->setChecked(true);
    Child<QComboBox>(w.get(), "cmbOneLiner")->setEditText("{while(1){}}");
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    QSize before = w->size();
    w->RunScript();
    auto* label = Child<QLabel>(w.get(), "lblProc_fname");
    QTRY_VERIFY_WITH_TIMEOUT(label->isVisible() && label->text() == name, 5000);
    QApplication::processEvents();
    auto* cancel = Child<QToolButton>(w.get(), "btnTerminate");
    QCOMPARE(w->size(), before);
    QVERIFY(FullyShown(w.get(), cancel));
    QVERIFY(FullyShown(w.get(), Child<QPushButton>(w.get(), "btnRun")));
    QVERIFY(!w->findChild<QScrollArea*>()->horizontalScrollBar()->isVisible());
    // The name is shortened in the middle, its end still readable.
    QVERIFY(label->width() < label->fontMetrics().horizontalAdvance(name));
    QCOMPARE(label->toolTip(), name);
    auto* elided = qobject_cast<TElidedLabel*>(label);
    QVERIFY(elided);
    QVERIFY(elided->ShownText().contains(QChar(0x2026)));
    QVERIFY(elided->ShownText().endsWith(".txt"));
    env.messages.answers = {QMessageBox::Ok};
    QTest::mouseClick(cancel, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!w->JobRunning(), 5000);
    QCOMPARE(env.messages.Texts(), QStringList{U("強制終了しますか？")});
  }

  void disabledRunLooksDisabled() {
    MainWindowEnv env;
    env.WriteSettings();
    auto w = env.Open();
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    auto* run = Child<QPushButton>(w.get(), "btnRun");
    QVERIFY(run->isEnabled());
    QVERIFY(RedPixels(run) > 20);  // red bold "Run" while it can be pressed
    run->setEnabled(false);
    QCOMPARE(RedPixels(run), 0);
    run->setEnabled(true);
    QVERIFY(RedPixels(run) > 20);
  }

  void pictureButtonsAreNamedByTheirHints() {
    MainWindowEnv env;
    env.WriteSettings();
    auto w = env.Open();
    const std::pair<const char*, const char*> buttons[] = {
        {"btnNew", "新規スクリプト"}, {"btnEdit", "スクリプト編集"},  {"btnSave", "スクリプト保存"},
        {"btnDelete", "スクリプト削除"}, {"btnTerminate", "強制終了"}, {"btnUp", "ファイルを上へ"},
        {"btnDown", "ファイルを下へ"}, {"btnFldr", "フォルダ選択"},  {"btnFiles", "処理ファイルを選択"},
        {"btnFCancel", "リストから削除"}};
    for (const auto& [name, hint] : buttons) {
      auto* b = Child<QToolButton>(w.get(), name);
      QCOMPARE(b->toolTip(), U(hint));
      QAccessibleInterface* a = QAccessible::queryAccessibleInterface(b);
      QVERIFY(a);
      QCOMPARE(a->text(QAccessible::Name), U(hint));
    }
    auto* list = Child<QListWidget>(w.get(), "lstInputFiles");
    QCOMPARE(list->toolTip(), U("入力ファイルリスト"));
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(list);
    QVERIFY(a);
    QCOMPARE(a->text(QAccessible::Description), U("入力ファイルリスト"));
  }
};

QTEST_MAIN(WindowLookTest)
#include "window_look_test.moc"
