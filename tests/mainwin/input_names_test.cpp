// Names that reach the file system through the main window: the prefix of
// "1 Files(new)" and file names that are not UTF-8.
#include <QRadioButton>

#include "core/filename_check.h"
#include "mainwin_fixture.h"

using namespace tolvan;
using namespace tolvan::test;

namespace {
QString U(const char* s) { return QString::fromUtf8(s); }
}  // namespace

class InputNamesTest : public QObject {
  Q_OBJECT
 private slots:
  void prefixIsAFileNamePrefix() {
    MainWindowEnv env;
    env.WriteSettings();
    WriteFileAtomically(env.dir.path() / "a.txt", "precious");
    std::filesystem::create_directories(env.dir.path() / "in" / "sub");
    auto w = env.Open();
    w->AddInputFiles({env.WriteInput("a.txt", "1\n")});
    Child<QRadioButton>(w.get(), "radioOneLiner")->setChecked(true);
    Child<QComboBox>(w.get(), "cmbOneLiner")->setEditText("{print $1*2}");
    auto* prefix = Child<QLineEdit>(w.get(), "memPreFix");
    for (const char* bad : {"../", "sub/", "/", "x/../"}) {
      env.messages.Clear();
      prefix->setText(bad);
      w->RunScript();
      QVERIFY(!w->JobRunning());
      QCOMPARE(env.messages.Texts(), QStringList{U(kBadFileNameMessage)});
      QCOMPARE(env.messages.Beeps(), 1);
    }
    QCOMPARE(Slurp(env.Folder() + "/a.txt"), std::string("precious"));
    QVERIFY(!QFile::exists(env.Folder() + "/in/sub/a.txt"));

    // What the settings file cannot hold is refused before anything runs.
    env.messages.Clear();
    prefix->setText(U("\xF0\x9F\x98\x80_"));
    w->RunScript();
    QVERIFY(!w->JobRunning());
    QCOMPARE(env.messages.Texts(), QStringList{U("「\xF0\x9F\x98\x80」はShift-JISで表せない文字なので、PreFixに使えません")});
    QVERIFY(!QFile::exists(env.Folder() + U("/in/\xF0\x9F\x98\x80_a.txt")));

    // Other characters, Japanese ones and a backslash among them, are a file name's own.
    env.messages.Clear();
    prefix->setText(U("表\\_"));
    w->RunScript();
    w->WaitForJob();
    QCOMPARE(env.messages.Texts(), QStringList{});
    QCOMPARE(Slurp(env.Folder() + U("/in/表\\_a.txt")), std::string("2\n"));
  }
};

QTEST_MAIN(InputNamesTest)
#include "input_names_test.moc"
