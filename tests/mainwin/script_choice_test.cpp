// Choosing a script as a new user does: typing into the folder box, saving
// an empty one-liner, deleting a script on a fresh account.
#include <QDir>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

#include "mainwin_fixture.h"

using namespace tolvan;
using namespace tolvan::test;

namespace {
QString U(const char* s) { return QString::fromUtf8(s); }

// Sets an environment variable for one test and puts it back.
class EnvVar {
 public:
  EnvVar(const char* name, const QByteArray& value) : name_(name), had_(qEnvironmentVariableIsSet(name)) {
    old_ = qgetenv(name);
    if (value.isNull()) qunsetenv(name);
    else qputenv(name, value);
  }
  ~EnvVar() {
    if (had_) qputenv(name_, old_);
    else qunsetenv(name_);
  }

 private:
  const char* name_;
  bool had_;
  QByteArray old_;
};

// The fake desktop, but with the real trash.
struct RealTrashDesktop : FakeDesktop {
  int MoveToTrash(const QString& path) override {
    trashed << path;
    return TDesktop::MoveToTrash(path);
  }
};

QStringList Items(QComboBox* c) {
  QStringList t;
  for (int i = 0; i < c->count(); ++i) t << c->itemText(i);
  return t;
}
}  // namespace

class ScriptChoiceTest : public QObject {
  Q_OBJECT
 private slots:
  void onlyListedFoldersCanBeChosen() {
    MainWindowEnv env;
    env.WriteSettings("[Editor]\r\nExEditor=1\r\n");
    env.WriteScript("top.awk", "{print}\n");
    std::filesystem::create_directories(env.dir.path() / "scripts" / "sub");
    WriteFileAtomically(env.dir.path() / "scripts" / "sub" / "s.awk", "");
    WriteFileAtomically(env.dir.path() / "outside.awk", "");
    auto w = env.Open();
    auto* folder = Child<QComboBox>(w.get(), "cmbFldr");
    auto* files = Child<QComboBox>(w.get(), "cmbFile");
    auto* run = Child<QPushButton>(w.get(), "btnRun");
    auto* edit = Child<QToolButton>(w.get(), "btnEdit");
    auto* del = Child<QToolButton>(w.get(), "btnDelete");
    auto* add = Child<QToolButton>(w.get(), "btnNew");
    auto nothingToActOn = [&] {
      QVERIFY(Items(files).isEmpty());
      QVERIFY(!run->isEnabled());
      QVERIFY(!edit->isEnabled());
      QVERIFY(!del->isEnabled());
      QVERIFY(!add->isEnabled());
    };
    QVERIFY(run->isEnabled());
    for (const QString& typed : {QString(".."), QString("../scripts"), env.Folder(), env.Folder() + "/scripts",
                                 QString("su"), QString("sub/"), QString("."), QString("One-Liner"),
                                 QString("")}) {
      folder->setEditText(typed);
      nothingToActOn();
    }
    // The program's own files never become scripts, whatever Run and Delete are asked.
    folder->setEditText("..");
    env.messages.answers = {QMessageBox::Ok};
    QTest::mouseClick(del, Qt::LeftButton);
    w->RunScript();
    QVERIFY(!w->JobRunning());
    QVERIFY(QFile::exists(env.Folder() + "/outside.awk"));
    QVERIFY(env.desktop.trashed.isEmpty());

    folder->setEditText("sub");
    QCOMPARE(Items(files), QStringList{"s.awk"});
    QVERIFY(run->isEnabled() && edit->isEnabled() && del->isEnabled() && add->isEnabled());
    // Lookups in the lists ignore letter case; the listed folder is what is used.
    folder->setEditText("SUB");
    QCOMPARE(Items(files), QStringList{"s.awk"});
    QTest::mouseClick(edit, Qt::LeftButton);
    QCOMPARE(env.desktop.opened, QStringList{env.Folder() + "/scripts/sub/s.awk"});
    folder->setEditText("scripts");
    QCOMPARE(Items(files), QStringList{"top.awk"});
    QVERIFY(run->isEnabled());

    // A one-liner does not need a folder.
    folder->setEditText("..");
    QVERIFY(!run->isEnabled());
    Child<QRadioButton>(w.get(), "radioOneLiner")->setChecked(true);
    QVERIFY(run->isEnabled());
    Child<QRadioButton>(w.get(), "radioFile")->setChecked(true);
    QVERIFY(!run->isEnabled());
  }

  void newScriptNeedsAListedFolder() {
    MainWindowEnv env;
    env.WriteSettings("[Editor]\r\nExEditor=1\r\n");
    auto w = env.Open();
    Child<QComboBox>(w.get(), "cmbFldr")->setEditText("..");
    env.nextScriptName = "stray";
    w->findChild<QAction*>("mnuNewScript")->trigger();
    QVERIFY(!QFile::exists(env.Folder() + "/stray.awk"));
    QVERIFY(!QFile::exists(env.Folder() + "/scripts/stray.awk"));
  }

  void deletedScriptsGoToTheHomeTrashOfAFreshAccount() {
    MainWindowEnv env;
    env.WriteSettings();
    env.WriteScript("gone.awk", "BEGIN{}");
    env.WriteScript("kept.awk", "BEGIN{}");
    QString home = env.Folder() + "/home", work = env.Folder() + "/work";
    QDir().mkpath(home);
    QDir().mkpath(work);
    EnvVar homeVar("HOME", QFile::encodeName(home));
    EnvVar dataVar("XDG_DATA_HOME", QByteArray());
    QString before = QDir::currentPath();
    QDir::setCurrent(work);
    RealTrashDesktop desktop;
    auto w = env.Open();
    auto* files = Child<QComboBox>(w.get(), "cmbFile");
    QCOMPARE(files->currentText(), QString("gone.awk"));
    env.messages.answers = {QMessageBox::Ok};
    QTest::mouseClick(Child<QToolButton>(w.get(), "btnDelete"), Qt::LeftButton);
    QDir::setCurrent(before);
    QCOMPARE(env.messages.Texts(), QStringList{U("gone.awk をごみ箱に移動します")});
    QString trash = home + "/.local/share/Trash";
    QCOMPARE(Slurp(trash + "/files/gone.awk"), std::string("BEGIN{}"));
    QVERIFY(Slurp(trash + "/info/gone.awk.trashinfo").find("Path=" + env.Folder().toStdString() +
                                                              "/scripts/gone.awk\n") != std::string::npos);
    QCOMPARE(QFileInfo(trash + "/files").permissions() & 0x7777,
             QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadUser | QFile::WriteUser |
                 QFile::ExeUser);
    QVERIFY(!QFile::exists(env.Folder() + "/scripts/gone.awk"));
    QVERIFY(QDir(work).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
    QCOMPARE(Items(files), QStringList{"kept.awk"});

    // A trash that cannot be made: the failure message, and the script stays listed.
    EnvVar blocked("XDG_DATA_HOME", QFile::encodeName(env.Folder() + "/scripts/kept.awk"));
    w->RefreshScriptLists();
    env.messages.Clear();
    env.messages.answers = {QMessageBox::Ok};
    QTest::mouseClick(Child<QToolButton>(w.get(), "btnDelete"), Qt::LeftButton);
    QCOMPARE(env.messages.Texts(), (QStringList{U("kept.awk をごみ箱に移動します"), U("失敗しました。エラー：20")}));
    QCOMPARE(Items(files), QStringList{"kept.awk"});
    QVERIFY(QFile::exists(env.Folder() + "/scripts/kept.awk"));
    QVERIFY(Child<QToolButton>(w.get(), "btnDelete")->isEnabled());
  }

  void anEmptyOneLinerIsNotSaved() {
    MainWindowEnv env;
    env.WriteSettings();
    auto w = env.Open();
    Child<QRadioButton>(w.get(), "radioOneLiner")->setChecked(true);
    auto* box = Child<QComboBox>(w.get(), "cmbOneLiner");
    box->setEditText("");
    QTest::mouseClick(Child<QToolButton>(w.get(), "btnSave"), Qt::LeftButton);
    QCOMPARE(env.messages.Texts(), QStringList{U("スクリプトが指定されていません！")});
    QCOMPARE(env.messages.Beeps(), 1);
    QCOMPARE(box->count(), 0);
    QCOMPARE(Slurp(env.Folder() + "/scripts/One-Liner/One-Liner.txt"), std::string());
  }
};

QTEST_MAIN(ScriptChoiceTest)
#include "script_choice_test.moc"
