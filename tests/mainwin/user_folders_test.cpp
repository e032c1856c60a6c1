// Where the window keeps its files, what a first start makes, and the bar of
// runs done.
#include <QCheckBox>
#include <QLabel>
#include <QProgressBar>
#include <QRadioButton>

#include "app/about_dialog.h"
#include "mainwin_fixture.h"
#include "settings/ini_file.h"
#include "settings/program_files.h"

using namespace tolvan;
using namespace tolvan::test;

namespace {

QStringList Items(QComboBox* c) {
  QStringList l;
  for (int i = 0; i < c->count(); ++i) l << c->itemText(i);
  return l;
}

ProgramPaths Installed(const TempDir& dir) {
  return ProgramPaths(dir.path() / "usr/bin/tolvan", dir.path() / "home/.config/tolvan",
                      dir.path() / "home/.local/share/tolvan");
}

}  // namespace

class UserFoldersTest : public QObject {
  Q_OBJECT
 private slots:
  void aNewScriptsFolderListsTheSamples() {
    MainWindowEnv env;
    auto w = env.Open();
    QStringList expected;
    for (const SampleScript& s : SampleScripts()) expected << QString::fromStdString(s.name);
    expected.sort(Qt::CaseInsensitive);
    QCOMPARE(Items(Child<QComboBox>(w.get(), "cmbFile")), expected);
  }

  void anExistingScriptsFolderKeepsWhatItHas() {
    MainWindowEnv env;
    env.WriteScript("mine.awk", "{print}\r\n");
    auto w = env.Open();
    QCOMPARE(Items(Child<QComboBox>(w.get(), "cmbFile")), QStringList{"mine.awk"});
  }

  void anInstalledCopyKeepsItsFilesInTheUsersFolders() {
    TempDir dir;
    RecordingMessages messages;
    FakeDesktop desktop;
    ProgramPaths paths = Installed(dir);
    std::filesystem::create_directories(dir.path() / "usr/bin");
    {
      TForm1 w(paths, {});
      Child<QComboBox>(&w, "cmbOpt")->setEditText("-v x=1");
      w.close();
    }
    QVERIFY(messages.Texts().isEmpty());
    IniFile ini(dir.path() / "home/.config/tolvan/tolvan.INI");
    QVERIFY(ini.KeyExists("property", "GawkFountain_c"));
    QCOMPARE(ini.ReadString("AWKEXE", "Path", ""), std::string("/usr/bin/gawk"));
    QVERIFY(std::filesystem::exists(dir.path() / "home/.local/share/tolvan/cmdopt.dat"));
    QVERIFY(std::filesystem::exists(dir.path() / "home/.local/share/tolvan/scripts/One-Liner/One-Liner.txt"));
    QVERIFY(std::filesystem::is_empty(dir.path() / "usr/bin"));
  }

  void aFolderThatCannotBeMadeIsToldAndTheWindowStillRuns() {
    TempDir dir;
    RecordingMessages messages;
    FakeDesktop desktop;
    ProgramPaths paths = Installed(dir);
    std::filesystem::create_directories(dir.path() / "home");
    WriteFileAtomically(dir.path() / "home/.config", "not a folder");
    TForm1 w(paths, {});
    QTRY_COMPARE(messages.Texts().size(), 1);
    const QString text = messages.Texts().front();
    QVERIFY2(text.contains(QString::fromStdString(paths.ConfigFolder().string())), qPrintable(text));
    QVERIFY(text.contains(QString::fromUtf8("同じ名前のファイルがあります")));
    QVERIFY(!text.contains(QString::fromStdString(paths.DataFolder().string())));
    // The scripts are there, and a job runs.
    QVERIFY(Child<QComboBox>(&w, "cmbFile")->count() > 0);
    Child<QRadioButton>(&w, "radioOneLiner")->setChecked(true);
    Child<QComboBox>(&w, "cmbOneLiner")->setEditText("BEGIN{print 1}");
    Child<QComboBox>(&w, "cmbInput")->setCurrentIndex(2);
    Child<QComboBox>(&w, "cmbOutput")->setCurrentIndex(3);
    w.RunScript();
    w.WaitForJob();
    QCOMPARE(w.OutputWindow()->isVisible(), true);
  }

  void theFoldersInUseAreShown() {
    TempDir dir;
    RecordingMessages messages;
    FakeDesktop desktop;
    ProgramPaths paths = Installed(dir);
    paths.SetOtherSettingsFile(dir.path() / "usr/bin/tolvan.INI");
    std::filesystem::create_directories(dir.path() / "usr/bin");
    WriteFileAtomically(dir.path() / "usr/bin/tolvan.INI", "[AWKEXE]\r\nPref=beside_\r\n");
    TForm1 w(paths, {});
    // The file beside the executable is not the one read.
    QCOMPARE(Child<QLineEdit>(&w, "memPreFix")->text(), QString("new_"));
    const QString text = w.FolderText();
    QVERIFY(text.contains(QString::fromStdString(paths.SettingsFile().string())));
    QVERIFY(text.contains(QString::fromStdString(paths.ScriptsFolder().string())));
    QVERIFY(text.contains(QString::fromUtf8("読んでいません")));
    TfrmAbout about(&w, text);
    auto* label = Child<QLabel>(&about, "lblFolders");
    QCOMPARE(label->text(), text);
    QVERIFY(!label->isHidden());
    TfrmAbout plain;
    QVERIFY(Child<QLabel>(&plain, "lblFolders")->isHidden());
  }

  void theBarCountsRunsDone_data() {
    QTest::addColumn<int>("parallel");
    QTest::newRow("one after another") << 1;
    QTest::newRow("two at once") << 2;
  }
  void theBarCountsRunsDone() {
    QFETCH(int, parallel);
    MainWindowEnv env;
    env.WriteSettings("Parallel=" + std::to_string(parallel) + "\r\n");
    auto w = env.Open();
    const QString go = env.Folder() + "/go";
    w->AddInputFiles({env.WriteInput("a.txt", "1\n"), env.WriteInput("b.txt", "2\n"), env.WriteInput("c.txt", "3\n")});
    Child<QRadioButton>(w.get(), "radioOneLiner")->setChecked(true);
    // The last run waits until the test has seen the bar at two of three.
    Child<QComboBox>(w.get(), "cmbOneLiner")
        ->setEditText("FILENAME ~ /c.txt/ { system(\"i=0; while [ ! -e " + go + " ] && [ $i -lt 1000 ]; do sleep 0.01; i=$((i+1)); done\") } {print}");
    Child<QComboBox>(w.get(), "cmbOutput")->setCurrentIndex(3);
    auto* bar = Child<QProgressBar>(w.get(), "pbRuns");
    QVERIFY(bar->isHidden());
    w->RunScript();
    QTRY_VERIFY(!bar->isHidden() && bar->value() == 2);
    QCOMPARE(bar->maximum(), 3);
    QCOMPARE(bar->minimum(), 0);
    WriteFileAtomically(go.toStdString(), "");
    w->WaitForJob();
    QVERIFY(bar->isHidden());

    // One input, or one run for all: no bar.
    w->AddInputFiles({});
    Child<QComboBox>(w.get(), "cmbOneLiner")->setEditText("{print}");
    Child<QCheckBox>(w.get(), "chkSCmdLn")->setChecked(true);
    bool shown = false;
    QTimer poll;
    connect(&poll, &QTimer::timeout, [&] { shown = shown || !bar->isHidden(); });
    poll.start(1);
    w->RunScript();
    w->WaitForJob();
    QVERIFY(!shown);
  }
};

QTEST_MAIN(UserFoldersTest)
#include "user_folders_test.moc"
