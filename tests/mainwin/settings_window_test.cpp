// The main window's settings at start and close, and the editor window table.
#include <QCheckBox>
#include <QRadioButton>

#include "editorwin/editor_windows.h"
#include "mainwin_fixture.h"
#include "colouring/scheme_store.h"
#include "settings/ini_file.h"

using namespace tolvan;
using namespace tolvan::test;

namespace {
struct FakeEditor : TEditorWindowRef {
  explicit FakeEditor(QString p) : path(std::move(p)) {}
  QString FilePath() const override { return path; }
  QString Caption() const override { return path; }
  void ShowAndRaise() override { ++raised; }
  void ActivateAndRestore() override { ++activated; }
  void RefreshCommands() override {}
  QWidget* Window() override { return nullptr; }
  QString path;
  int raised = 0, activated = 0;
};
}  // namespace

class SettingsWindowTest : public QObject {
  Q_OBJECT
 private slots:
  void firstStartCreatesTheFileWithTheSchemeOnlyAndFindsGawk() {
    MainWindowEnv env;
    auto w = env.Open();
    IniFile ini(env.Paths().SettingsFile());
    QVERIFY(ini.Exists());
    QVERIFY(ini.KeyExists("property", "GawkFountain_c"));
    QVERIFY(!ini.KeyExists("AWKEXE", "Path"));
    // The stored scheme is the editor's default colouring, so a new user's
    // first script shows reserved words in blue and comments in red.
    auto stored = CreateMainWindowGawkScheme();
    LoadStoredGawkScheme(ini, *stored);
    QCOMPARE(stored->Reserve().Color(), clBlue);
    QCOMPARE(stored->Comment().Color(), clRed);
    QCOMPARE(QString::fromStdString(w->Settings().Path), QString("/usr/bin/gawk"));
    w->close();
    QCOMPARE(ini.ReadString("AWKEXE", "Path", ""), std::string("/usr/bin/gawk"));
    QCOMPARE(ini.ReadString("Editor", "ExEditor", ""), std::string("0"));
  }

  void aFileWithoutAPathKeyStillFindsGawk() {
    // A first session killed before it could close leaves the scheme only.
    MainWindowEnv env;
    env.Open().reset();
    WriteFileAtomically(env.Paths().SettingsFile(), "[property]\r\nX=1\r\n");
    auto w = env.Open();
    QCOMPARE(QString::fromStdString(w->Settings().Path), QString("/usr/bin/gawk"));
    QCOMPARE(QString::fromStdString(w->Settings().Ext), QString(".awk"));
  }

  void presentButEmptyPathStaysEmpty() {
    MainWindowEnv env;
    WriteFileAtomically(env.Paths().SettingsFile(), "[AWKEXE]\r\nPath=\r\n");
    auto w = env.Open();
    QVERIFY(w->Settings().Path.empty());
  }

  void storedValuesSetTheControls() {
    MainWindowEnv env;
    env.WriteSettings("Pref=out_\r\nSCmdLn=yes\r\nScriptQuote=5\r\nOption=-F,\r\n");
    auto w = env.Open();
    QCOMPARE(Child<QLineEdit>(w.get(), "memPreFix")->text(), QString("out_"));
    QVERIFY(!Child<QCheckBox>(w.get(), "chkSCmdLn")->isChecked());
    QCOMPARE(Child<QComboBox>(w.get(), "cmbSep")->currentIndex(), -1);
    QCOMPARE(Child<QComboBox>(w.get(), "cmbOpt")->currentText(), QString("-F,"));
    // With no quote choice, one-liners are quoted with single quotes.
    Child<QRadioButton>(w.get(), "radioOneLiner")->setChecked(true);
    Child<QComboBox>(w.get(), "cmbOneLiner")->setEditText("BEGIN{}");
    Child<QComboBox>(w.get(), "cmbInput")->setCurrentIndex(2);
    Child<QComboBox>(w.get(), "cmbOutput")->setCurrentIndex(5);
    w->RunScript();
    w->WaitForJob();
    QCOMPARE(QString::fromStdString(w->BaseCommandLineText()), QString("/usr/bin/gawk -F, 'BEGIN{}' "));
    // An empty prefix box at close keeps the stored prefix.
    Child<QLineEdit>(w.get(), "memPreFix")->setText("");
    w->close();
    QCOMPARE(IniFile(env.Paths().SettingsFile()).ReadString("AWKEXE", "Pref", ""), std::string("out_"));
  }

  void damagedStoredSchemeIsReportedOnceAndTheWindowStarts() {
    MainWindowEnv env;
    env.WriteSettings("[property]\r\nGawkFountain_c=1\r\nGawkFountain_d0=ZZZZ\r\n");
    auto w = env.Open();
    QCOMPARE(env.messages.Texts().size(), 1);
    QCOMPARE(IniFile(env.Paths().SettingsFile()).ReadString("property", "GawkFountain_d0", ""), std::string("ZZZZ"));
  }

  void editorWindowTableHoldsThirtyTwo() {
    MainWindowEnv env;
    QWidget owner;
    TEditorWindows table(&owner);
    std::vector<std::unique_ptr<FakeEditor>> made;
    table.SetFactory([&](const QString& p) {
      made.push_back(std::make_unique<FakeEditor>(p));
      return made.back().get();
    });
    for (int i = 0; i < 32; ++i) QVERIFY(table.OpenEditor(QString("/s/%1.awk").arg(i)) != nullptr);
    QCOMPARE(table.OccupiedCount(), 32);
    QVERIFY(table.OpenEditor("/s/extra.awk") == nullptr);
    QCOMPARE(env.messages.Texts(), QStringList{QString::fromUtf8("エディタウィンドは３２個までしか開けません")});
    // An open path is brought forward, not opened twice; another case is another file.
    QCOMPARE(table.OpenEditor("/s/3.awk"), made[3].get());
    QCOMPARE(made[3]->raised, 2);
    table.UnregisterEditor(made[31].get());
    QVERIFY(table.At(31) == nullptr);
    QVERIFY(table.OpenEditor("/S/3.AWK") != nullptr);
    QCOMPARE(table.At(31)->FilePath(), QString("/S/3.AWK"));
    table.UnregisterEditor(made[5].get());
    QCOMPARE(table.RegisterEditor(made[5].get()), 5);
    QVERIFY(table.ActivateEditorByCaption("/s/7.awk"));
    QCOMPARE(made[7]->activated, 1);
    QVERIFY(!table.ActivateEditorByCaption("/nope"));
    FakeEditor stranger("/z");
    table.UnregisterEditor(&stranger);  // not in the table: nothing changes
    QCOMPARE(table.OccupiedCount(), 32);
  }

  void untitledWindowIsBroughtForward() {
    QWidget owner;
    TEditorWindows table(&owner);
    std::vector<std::unique_ptr<FakeEditor>> made;
    table.SetFactory([&](const QString& p) {
      made.push_back(std::make_unique<FakeEditor>(p));
      return made.back().get();
    });
    table.OpenEditor("");
    table.OpenEditor("");
    QCOMPARE(made.size(), std::size_t(1));
    QCOMPARE(made[0]->raised, 2);
  }
};

QTEST_MAIN(SettingsWindowTest)
#include "settings_window_test.moc"
