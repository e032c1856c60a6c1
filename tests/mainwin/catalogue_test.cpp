// The script catalogue and the input list, through the main window.
#include <algorithm>

#include <QApplication>
#include <QCheckBox>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QUrl>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

#include "run/input_files.h"
#include "mainwin/script_catalogue.h"
#include "mainwin_fixture.h"
#include "settings/line_file.h"

using namespace tolvan;
using namespace tolvan::test;

class CatalogueTest : public QObject {
  Q_OBJECT
 private slots:
  void startCreatesTheScriptsTreeAndListsOnlyPlainEntries() {
    MainWindowEnv env;
    env.WriteSettings();
    env.WriteScript("b.awk", "{print}\n");
    env.WriteScript("A.awk", "{print}\n");
    env.WriteScript(".hidden.awk", "{print}\n");
    std::filesystem::create_directories(env.dir.path() / "scripts" / "sub");
    std::filesystem::create_directories(env.dir.path() / "scripts" / ".secret");
    std::filesystem::create_symlink(env.dir.path() / "nowhere", env.dir.path() / "scripts" / "dangling.awk");
    WriteFileAtomically(env.dir.path() / "scripts" / "sub" / "s.awk", "");
    auto w = env.Open();
    QVERIFY(QFile::exists(env.Folder() + "/scripts/One-Liner/One-Liner.txt"));
    auto* folders = Child<QComboBox>(w.get(), "cmbFldr");
    auto* files = Child<QComboBox>(w.get(), "cmbFile");
    QCOMPARE(folders->count(), 2);
    QCOMPARE(folders->itemText(0), QString("scripts"));
    QCOMPARE(folders->itemText(1), QString("sub"));
    QCOMPARE(files->count(), 2);
    QCOMPARE(files->itemText(0), QString("A.awk"));  // sorted without regard to case
    QCOMPARE(files->itemText(1), QString("b.awk"));
    QVERIFY(Child<QToolButton>(w.get(), "btnEdit")->isEnabled());

    folders->setCurrentIndex(1);
    QCOMPARE(files->count(), 1);
    QCOMPARE(files->itemText(0), QString("s.awk"));
    w->RefreshScriptLists();
    QCOMPARE(folders->currentText(), QString("scripts"));
    QCOMPARE(files->count(), 2);
  }

  void newScriptWritesTheTemplateAndNeverReplacesAFile() {
    MainWindowEnv env;
    env.WriteSettings("[Editor]\r\nExEditor=1\r\n");
    env.WriteScript(".keep.awk", "precious");
    auto w = env.Open();
    env.nextScriptName = "first";
    QTest::mouseClick(Child<QToolButton>(w.get(), "btnNew"), Qt::LeftButton);
    QString path = env.Folder() + "/scripts/first.awk";
    QCOMPARE(Slurp(path), std::string("BEGIN{\r\n\r\n}\r\n{\r\n\r\n}\r\nEND{\r\n\r\n}\r\n"));
    QCOMPARE(Child<QComboBox>(w.get(), "cmbFile")->currentText(), QString("first.awk"));
    QCOMPARE(env.desktop.opened, QStringList{path});
    // A hidden file the list does not show is still never replaced.
    env.nextScriptName = ".keep";
    QTest::mouseClick(Child<QToolButton>(w.get(), "btnNew"), Qt::LeftButton);
    QCOMPARE(Slurp(env.Folder() + "/scripts/.keep.awk"), std::string("precious"));
    QCOMPARE(env.messages.Texts().last(), QString::fromUtf8("そのスクリプト名は既に存在します"));
  }

  void editOpensWithTheDesktopWithExEditor() {
    MainWindowEnv env;
    env.WriteSettings("[Editor]\r\nExEditor=1\r\n");
    env.WriteScript("x.awk", "");
    auto w = env.Open();
    QTest::mouseClick(Child<QToolButton>(w.get(), "btnEdit"), Qt::LeftButton);
    QCOMPARE(env.desktop.opened, QStringList{env.Folder() + "/scripts/x.awk"});
    env.desktop.openCode = 2;
    QTest::mouseClick(Child<QToolButton>(w.get(), "btnEdit"), Qt::LeftButton);
    QCOMPARE(env.messages.Texts().last(), QString::fromUtf8("ファイルが開けません！エラー番号：2"));
    QFile::remove(env.Folder() + "/scripts/x.awk");
    QTest::mouseClick(Child<QToolButton>(w.get(), "btnEdit"), Qt::LeftButton);
    QCOMPARE(env.messages.Texts().last(), env.Folder() + QString::fromUtf8("/scripts/x.awk は存在しません"));
  }

  void pickingAScriptOpensItOnlyWithClickToOpen() {
    MainWindowEnv env;
    env.WriteSettings("SClickOpen=1\r\n[Editor]\r\nExEditor=1\r\n");
    env.WriteScript("p.awk", "");
    auto w = env.Open();
    auto* files = Child<QComboBox>(w.get(), "cmbFile");
    emit files->activated(0);
    QCOMPARE(env.desktop.opened, QStringList{env.Folder() + "/scripts/p.awk"});
    w->Settings().SClickOpen = false;
    emit files->activated(0);
    QCOMPARE(env.desktop.opened.size(), 1);
  }

  void doubleClickOpensAnInputEntry() {
    MainWindowEnv env;
    env.WriteSettings();
    auto w = env.Open();
    QString a = env.WriteInput("a.txt", "");
    w->AddInputFiles({a});
    auto* list = Child<QListWidget>(w.get(), "lstInputFiles");
    list->setCurrentRow(0);
    emit list->itemDoubleClicked(list->item(0));
    QCOMPARE(env.desktop.opened, QStringList{a});
    env.desktop.openCode = 0;
    emit list->itemDoubleClicked(list->item(0));
    QCOMPARE(env.messages.Texts(), QStringList{QString::fromUtf8("ファイルが開けません！エラー番号：0")});
  }

  void deleteAsksThenMovesToTheTrash() {
    MainWindowEnv env;
    env.WriteSettings();
    env.WriteScript("gone.awk", "");
    auto w = env.Open();
    env.messages.answers = {QMessageBox::Cancel, QMessageBox::Ok};
    auto* del = Child<QToolButton>(w.get(), "btnDelete");
    QTest::mouseClick(del, Qt::LeftButton);
    QVERIFY(env.desktop.trashed.isEmpty());
    QTest::mouseClick(del, Qt::LeftButton);
    QCOMPARE(env.messages.Texts(), (QStringList{QString::fromUtf8("gone.awk をごみ箱に移動します"),
                                               QString::fromUtf8("gone.awk をごみ箱に移動します")}));
    QCOMPARE(env.desktop.trashed.size(), 1);
    QCOMPARE(Child<QComboBox>(w.get(), "cmbFile")->count(), 0);
    QVERIFY(!del->isEnabled());
  }

  void oneLinersAreSavedOnceAndDeleted() {
    MainWindowEnv env;
    env.WriteSettings();
    auto w = env.Open();
    Child<QRadioButton>(w.get(), "radioOneLiner")->setChecked(true);
    auto* box = Child<QComboBox>(w.get(), "cmbOneLiner");
    QVERIFY(box->isVisible() || !w->isVisible());
    box->setEditText("{print $1}");
    QTest::mouseClick(Child<QToolButton>(w.get(), "btnSave"), Qt::LeftButton);
    box->setEditText("{PRINT $1}");
    QTest::mouseClick(Child<QToolButton>(w.get(), "btnSave"), Qt::LeftButton);
    QCOMPARE(env.messages.Texts(), QStringList{QString::fromUtf8("このスクリプトは既に保存されています")});
    QCOMPARE(Slurp(env.Folder() + "/scripts/One-Liner/One-Liner.txt"), std::string("{print $1}\r\n"));
    auto* del = Child<QToolButton>(w.get(), "btnDelete");
    QVERIFY(del->isEnabled());
    box->setEditText("{print $1}");
    QTest::mouseClick(del, Qt::LeftButton);
    QCOMPARE(Slurp(env.Folder() + "/scripts/One-Liner/One-Liner.txt"), std::string());
    QVERIFY(!del->isEnabled());  // the last one went
    QCOMPARE(box->currentText(), QString());
  }

  // Bytes that CP932 decoding cannot give back (0xFF, the NEC-selected IBM
  // code 0xED40, the NEC row 13 code 0x8790) stay as read in every entry the
  // user did not touch, and an entry picked from a list runs with them.
  void storedEntriesKeepTheirBytes() {
    MainWindowEnv env;
    env.WriteSettings();
    const std::string oneLinerFile = "BEGIN{printf \"\xED\x40\"}\r\n{print \"\xFF\"}\r\n{print \"\x87\x90\"}\r\n";
    std::filesystem::create_directories(env.dir.path() / "scripts" / "One-Liner");
    WriteFileAtomically(env.dir.path() / "scripts" / "One-Liner" / "One-Liner.txt", oneLinerFile);
    WriteFileAtomically(env.dir.path() / "cmdopt.dat", "-v x=\xED\x40\r\n-v y=\xFF\r\n");
    auto w = env.Open();
    Child<QRadioButton>(w.get(), "radioOneLiner")->setChecked(true);
    auto* box = Child<QComboBox>(w.get(), "cmbOneLiner");
    QCOMPARE(box->count(), 3);
    box->setEditText("{print 1}");
    QTest::mouseClick(Child<QToolButton>(w.get(), "btnSave"), Qt::LeftButton);
    std::vector<std::string> lines = SplitLines(Slurp(env.Folder() + "/scripts/One-Liner/One-Liner.txt"));
    std::sort(lines.begin(), lines.end());
    std::vector<std::string> expected = SplitLines(oneLinerFile + "{print 1}\r\n");
    std::sort(expected.begin(), expected.end());
    QCOMPARE(lines, expected);

    // Picked from the lists, they run with their own bytes.
    auto* opt = Child<QComboBox>(w.get(), "cmbOpt");
    opt->setCurrentIndex(1);
    for (int i = 0; i < box->count(); ++i)
      if (box->itemText(i).startsWith("BEGIN")) box->setCurrentIndex(i);
    Child<QComboBox>(w.get(), "cmbInput")->setCurrentIndex(2);
    Child<QComboBox>(w.get(), "cmbOutput")->setCurrentIndex(3);
    w->RunScript();
    w->WaitForJob();
    QCOMPARE(env.messages.Texts(), QStringList());
    QCOMPARE(w->ErrorText(), std::string());
    QCOMPARE(std::string(w->OutputText()), std::string("\xED\x40"));
    w->close();
    QCOMPARE(Slurp(env.Folder() + "/cmdopt.dat"), std::string("-v y=\xFF\r\n-v x=\xED\x40\r\n"));
  }

  void commandLineParametersFillTheInputList() {
    MainWindowEnv env;
    env.WriteSettings();
    QString a = env.WriteInput("a.txt", "1\n");
    env.WriteInput(".h.txt", "2\n");
    std::filesystem::create_directories(env.dir.path() / "in" / "sub");
    auto w = env.Open({env.Folder() + "/in", env.Folder() + "/missing.txt", a, env.Folder() + "/in/.h.txt"});
    auto* list = Child<QListWidget>(w.get(), "lstInputFiles");
    QStringList items;
    for (int i = 0; i < list->count(); ++i) items << list->item(i)->text();
    // A folder parameter gives its plain files as the folder button does
    // (no hidden files, no folders); a hidden file named on its own is taken.
    QCOMPARE(items, (QStringList{env.Folder() + "/in/.h.txt", a, a}));
  }

  void namesHandedOverByALaterStartJoinTheListAsTheCommandLineWould() {
    MainWindowEnv env;
    env.WriteSettings();
    const QString a = env.WriteInput("a.txt", ""), b = env.WriteInput("b.txt", "");
    auto w = env.Open({b});
    static_cast<TCommandLineTarget&>(*w).AddCommandLineNames({env.Folder() + "/in", env.Folder() + "/missing.txt"});
    auto* list = Child<QListWidget>(w.get(), "lstInputFiles");
    QCOMPARE(list->count(), 3);
    QCOMPARE(list->item(0)->text() + list->item(1)->text() + list->item(2)->text(), a + b + b);
  }

  void droppedFoldersGivePlainFilesOnly() {
    MainWindowEnv env;
    QString a = env.WriteInput("a.txt", "");
    env.WriteInput(".hidden", "");
    std::filesystem::create_directories(env.dir.path() / "in" / "sub");
    QCOMPARE(ScanFolder(env.Folder() + "/in"), QStringList{a});
    // In the list's order, whatever order the folder keeps.
    QString b = env.WriteInput("B.txt", ""), c = env.WriteInput("c.txt", ""), z = env.WriteInput("_.txt", "");
    QCOMPARE(ScanFolder(env.Folder() + "/in"), (QStringList{z, a, b, c}));
    QCOMPARE(ScanFolder(env.Folder() + "/in"), ExpandCommandLineParameter(env.Folder() + "/in"));
    QCOMPARE(ExpandDroppedPath(a), QStringList{a});
    std::filesystem::create_directories(env.dir.path() / ".hid");
    WriteFileAtomically(env.dir.path() / ".hid" / "f.txt", "");
    QCOMPARE(ExpandDroppedPath(env.Folder() + "/.hid/f.txt"), QStringList{env.Folder() + "/.hid/f.txt"});
  }

  void filesDroppedOnTheWindowJoinTheList() {
    MainWindowEnv env;
    env.WriteSettings();
    QString a = env.WriteInput("a.txt", ""), b = env.WriteInput("b.txt", "");
    std::filesystem::create_directories(env.dir.path() / "in" / "sub");
    auto w = env.Open();
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(env.Folder() + "/in"), QUrl::fromLocalFile(a), QUrl("https://example.org/x")});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w.get(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w.get(), &drop);
    auto* list = Child<QListWidget>(w.get(), "lstInputFiles");
    QCOMPARE(list->count(), 3);
    QCOMPARE(list->item(0)->text(), a);
    QCOMPARE(list->item(1)->text(), a);
    QCOMPARE(list->item(2)->text(), b);
    // A drop on the remove button that does not come from a list removes nothing.
    list->selectAll();
    QDropEvent stray(QPointF(1, 1), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Child<QToolButton>(w.get(), "btnFCancel"), &stray);
    QCOMPARE(list->count(), 3);
  }

  void upDownAndRemoveKeepTheCurrentEntry() {
    MainWindowEnv env;
    env.WriteSettings();
    auto w = env.Open();
    w->AddInputFiles({"/d/e", "/d/a", "/d/C", "/d/b", "/d/a"});
    auto* list = Child<QListWidget>(w.get(), "lstInputFiles");
    auto texts = [&] {
      QStringList t;
      for (int i = 0; i < list->count(); ++i) t << list->item(i)->text();
      return t;
    };
    QCOMPARE(texts(), (QStringList{"/d/a", "/d/a", "/d/b", "/d/C", "/d/e"}));
    list->setCurrentRow(0);
    QTest::mouseClick(Child<QToolButton>(w.get(), "btnUp"), Qt::LeftButton);
    QCOMPARE(list->currentRow(), 0);
    list->setCurrentRow(2);
    QTest::mouseClick(Child<QToolButton>(w.get(), "btnUp"), Qt::LeftButton);
    QCOMPARE(texts(), (QStringList{"/d/a", "/d/b", "/d/a", "/d/C", "/d/e"}));
    QCOMPARE(list->currentRow(), 1);
    list->setCurrentRow(4);
    QTest::mouseClick(Child<QToolButton>(w.get(), "btnDown"), Qt::LeftButton);
    QCOMPARE(list->currentRow(), 4);
    // Remove the last three while the current entry is the last.
    list->clearSelection();
    for (int i = 2; i < 5; ++i) list->item(i)->setSelected(true);
    list->setCurrentRow(4, QItemSelectionModel::NoUpdate);
    QTest::mouseClick(Child<QToolButton>(w.get(), "btnFCancel"), Qt::LeftButton);
    QCOMPARE(texts(), (QStringList{"/d/a", "/d/b"}));
    QCOMPARE(list->currentRow(), 1);
    QVERIFY(list->item(1)->isSelected());
    // Null and back keeps the entries.
    auto* input = Child<QComboBox>(w.get(), "cmbInput");
    input->setCurrentIndex(2);
    QVERIFY(!list->isEnabled());
    QVERIFY(Child<QToolButton>(w.get(), "btnUp")->isHidden());
    input->setCurrentIndex(0);
    QCOMPARE(list->count(), 2);
    QVERIFY(list->isEnabled());
  }

  void outputChoiceShowsItsGroup() {
    MainWindowEnv env;
    env.WriteSettings();
    auto w = env.Open();
    auto* out = Child<QComboBox>(w.get(), "cmbOutput");
    auto* prefix = Child<QLineEdit>(w.get(), "memPreFix");
    auto* name = Child<QLineEdit>(w.get(), "edtOutFName");
    QVERIFY(!prefix->isHidden() || !prefix->parentWidget()->isHidden());
    out->setCurrentIndex(1);
    QVERIFY(prefix->parentWidget()->isHidden());
    QVERIFY(!name->parentWidget()->isHidden());
    out->setCurrentIndex(4);
    QVERIFY(prefix->parentWidget()->isHidden());
    QVERIFY(name->parentWidget()->isHidden());
    // "新規" starts in the first input's folder.
    out->setCurrentIndex(1);
    w->AddInputFiles({env.Folder() + "/in/a.txt"});
    env.desktop.chosenOutput = "/tmp/out.txt";
    QTest::mouseClick(Child<QPushButton>(w.get(), "btnNewFile"), Qt::LeftButton);
    QCOMPARE(env.desktop.newFileStart, env.Folder() + "/in");
    QCOMPARE(name->text(), QString("/tmp/out.txt"));
  }

  void sameOutputFileIsFoundUnderAnotherSpelling() {
    MainWindowEnv env;
    QString a = env.WriteInput("a.txt", "x");
    std::filesystem::create_symlink(env.dir.path() / "in" / "a.txt", env.dir.path() / "link.txt");
    QVERIFY(OutputIsAnInput(a.toUpper(), {a}));
    QVERIFY(OutputIsAnInput(env.Folder() + "/link.txt", {a}));
    QVERIFY(OutputIsAnInput(env.Folder() + "/in/../in/a.txt", {a}));
    QVERIFY(!OutputIsAnInput(env.Folder() + "/in/b.txt", {a}));
    // A hard link is the same file under a name of its own; a copy is not.
    std::filesystem::create_hard_link(env.dir.path() / "in" / "a.txt", env.dir.path() / "hard.txt");
    QVERIFY(OutputIsAnInput(env.Folder() + "/hard.txt", {a}));
    QVERIFY(OutputIsAnInput(a, {env.Folder() + "/hard.txt"}));
    QString copy = env.WriteInput("copy.txt", "x");
    QVERIFY(!OutputIsAnInput(copy, {a}));
    QVERIFY(!OutputIsAnInput(copy, {env.Folder() + "/hard.txt"}));
  }
};

QTEST_MAIN(CatalogueTest)
#include "catalogue_test.moc"
