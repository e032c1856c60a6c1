// Editor windows opened from the main window: a whole edit session, the
// table of 32, bringing an open file forward, and the main window's close
// refusal with real windows.
#include <QAction>
#include <QComboBox>
#include <QListWidget>
#include <QPointer>
#include <QToolButton>
#include <QtTest>

#include "editorwin/editor_window.h"
#include "editorwin/editor_window_fixture.h"
#include "mainwin/mainwin_fixture.h"

using namespace tolvan;
using namespace tolvan::test;

namespace {

TfrmEditor* EditorAt(TForm1& f, int slot) { return dynamic_cast<TfrmEditor*>(f.EditorWindows().At(slot)); }

}  // namespace

class EditSessionTest : public QObject {
  Q_OBJECT
 private slots:
  void previewRunsWithTheMainWindowsChoices() {
    MainWindowEnv env;
    FakeChoosers choosers;
    env.WriteSettings();
    env.WriteScript("p.awk", "{ print v $0 }\r\n");
    const QString a = env.WriteInput("a.txt", "A\n"), b = env.WriteInput("b.txt", "B\n"), c = env.WriteInput("c.txt", "C\n");
    auto w = env.Open({a, b, c});
    w->show();
    auto* opt = Child<QComboBox>(w.get(), "cmbOpt");
    opt->setEditText("-v v=x");
    auto* list = Child<QListWidget>(w.get(), "lstInputFiles");
    // Selected third, then second: the first selected in list order is b.
    list->item(2)->setSelected(true);
    list->item(1)->setSelected(true);
    QTest::mouseClick(Child<QToolButton>(w.get(), "btnEdit"), Qt::LeftButton);
    QPointer<TfrmEditor> ed = EditorAt(*w, 0);
    QVERIFY(ed);
    const std::string settings = Slurp(QString::fromStdString(env.Paths().SettingsFile().string()));
    const int historyBefore = opt->count();
    ed->TogglePreview();
    QSignalSpy shown(ed->Preview(), &TPreviewPane::RunShown);
    QVERIFY2(shown.wait(8000), qPrintable(ed->Preview()->Status()));
    QCOMPARE(ed->Preview()->OutputBytes(), std::string("xB\r\n"));
    // A Shift-JIS-less option is refused as Run refuses it.
    opt->setEditText(QString::fromUtf8("-v v=\u00e9\u4e02"));
    ed->Editor1().Editor().CharBytes(" ");
    QVERIFY(shown.wait(8000));
    QVERIFY(ed->Preview()->Status().contains(QString::fromUtf8("Shift-JIS")));
    // Nothing of the main window changed: no job, no history entry, no settings written.
    QVERIFY(!w->JobRunning());
    QCOMPARE(opt->count(), historyBefore);
    QVERIFY(!w->OutputWindow()->isVisible());
    QCOMPARE(Slurp(QString::fromStdString(env.Paths().SettingsFile().string())), settings);
    ed->Editor1().Editor().SetModified(false);
    ed->close();
    QTRY_VERIFY(ed.isNull());
  }

  void wholeEditSession() {
    MainWindowEnv env;
    FakeChoosers choosers;
    env.WriteSettings();
    env.WriteScript("s.awk", "BEGIN{\r\n}\r\n");
    auto w = env.Open();
    w->show();
    QTest::mouseClick(Child<QToolButton>(w.get(), "btnEdit"), Qt::LeftButton);
    QCOMPARE(w->EditorWindows().OccupiedCount(), 1);
    QPointer<TfrmEditor> ed = EditorAt(*w, 0);
    QVERIFY(ed);
    const QString path = env.Folder() + "/scripts/s.awk";
    QCOMPARE(ed->FilePath(), path);
    QCOMPARE(ed->windowTitle(), path);
    QVERIFY(ed->isVisible());
    QVERIFY(QTest::qWaitForWindowActive(ed));
    ed->Editor1().setFocus();
    QTest::keyClicks(&ed->Editor1(), "x = 1");
    QTest::keyClick(&ed->Editor1(), Qt::Key_Return);
    QVERIFY(ed->Modified());
    QTest::keyClick(ed, Qt::Key_S, Qt::ControlModifier);
    QVERIFY(!ed->Modified());
    QCOMPARE(Slurp(path), std::string("x = 1\r\nBEGIN{\r\n}\r\n"));
    // While it is open the main window does not close.
    QVERIFY(!w->close());
    QCOMPARE(env.messages.Texts(), QStringList{QString::fromUtf8("先にエディタウィンドウを閉じてください")});
    // Edit again finds the window by its caption instead of opening another.
    QTest::mouseClick(Child<QToolButton>(w.get(), "btnEdit"), Qt::LeftButton);
    QCOMPARE(w->EditorWindows().OccupiedCount(), 1);
    ed->mnuFileClose->trigger();
    QCOMPARE(w->EditorWindows().OccupiedCount(), 0);
    QTRY_VERIFY(ed.isNull());  // a closed window is gone, never reused
    QCOMPARE(Slurp(path), std::string("x = 1\r\nBEGIN{\r\n}\r\n"));
    QVERIFY(w->close());
  }

  void openPathIsBroughtForwardByExactName() {
    MainWindowEnv env;
    env.WriteSettings();
    env.WriteScript("a.awk", "a\r\n");
    env.WriteScript("A.awk", "A\r\n");
    auto w = env.Open();
    TEditorWindows& table = w->EditorWindows();
    const QString lower = env.Folder() + "/scripts/a.awk";
    TEditorWindowRef* first = table.OpenEditor(lower);
    QVERIFY(first);
    QCOMPARE(table.OpenEditor(lower), first);
    QCOMPARE(table.OccupiedCount(), 1);
    // Another letter case is another file.
    TEditorWindowRef* upper = table.OpenEditor(env.Folder() + "/scripts/A.awk");
    QVERIFY(upper && upper != first);
    QCOMPARE(EditorAt(*w, 1)->Editor1().Editor().Lines().GetTextStr(), std::string("A\r\n"));
    // New from a window while an untitled one is open brings it forward.
    EditorAt(*w, 0)->FileNew();
    QCOMPARE(table.OccupiedCount(), 3);
    EditorAt(*w, 1)->mnuFileNew->trigger();
    QCOMPARE(table.OccupiedCount(), 3);
    // Two windows open: two refusals.
    env.messages.Clear();
    QVERIFY(!w->close());
    QCOMPARE(env.messages.Texts().size(), 3);
    for (int i = 2; i >= 0; --i) QVERIFY(EditorAt(*w, i)->close());
    QCOMPARE(table.OccupiedCount(), 0);
  }

  void thirtyTwoWindowsAtMost() {
    MainWindowEnv env;
    env.WriteSettings();
    for (int i = 0; i < 33; ++i) env.WriteScript(std::to_string(i) + ".awk", "");
    auto w = env.Open();
    TEditorWindows& table = w->EditorWindows();
    auto path = [&](int i) { return env.Folder() + QString("/scripts/%1.awk").arg(i); };
    for (int i = 0; i < 32; ++i) QVERIFY(table.OpenEditor(path(i)));
    QCOMPARE(table.OccupiedCount(), 32);
    QVERIFY(table.OpenEditor(path(32)) == nullptr);
    QCOMPARE(env.messages.Texts(), QStringList{QString::fromUtf8("エディタウィンドは３２個までしか開けません")});
    // The window in the last slot leaves it when it closes; the next request fills it.
    QPointer<TfrmEditor> last = EditorAt(*w, 31);
    QVERIFY(last->close());
    QVERIFY(table.At(31) == nullptr);
    QVERIFY(table.OpenEditor(path(32)));
    QCOMPARE(table.At(31)->FilePath(), path(32));
    // The main window goes with its windows open (destroyed, not closed).
    w.reset();
    QTRY_VERIFY(last.isNull());
  }

  void unreadableScriptOpensNoWindowFromTheMainWindow() {
    MainWindowEnv env;
    env.WriteSettings();
    std::filesystem::create_directories(env.dir.path() / "scripts" / "dir.awk");
    env.WriteScript("ok.awk", "");
    auto w = env.Open();
    QVERIFY(w->EditorWindows().OpenEditor(env.Folder() + "/scripts/dir.awk") == nullptr);
    QCOMPARE(w->EditorWindows().OccupiedCount(), 0);
    QCOMPARE(env.messages.Texts().size(), 1);
  }

  void exEditorOpensWithTheDesktop() {
    MainWindowEnv env;
    env.WriteSettings("[Editor]\r\nExEditor=1\r\n");
    env.WriteScript("x.awk", "");
    auto w = env.Open();
    QTest::mouseClick(Child<QToolButton>(w.get(), "btnEdit"), Qt::LeftButton);
    QCOMPARE(env.desktop.opened, QStringList{env.Folder() + "/scripts/x.awk"});
    QCOMPARE(w->EditorWindows().OccupiedCount(), 0);
  }
};

QTEST_MAIN(EditSessionTest)
#include "edit_session_test.moc"
