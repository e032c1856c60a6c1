// Names that reach the file system through the main window: the prefix of
// "1 Files(new)" and file names that are not UTF-8.
#include <QMimeData>
#include <QRadioButton>
#include <QToolButton>
#include <QUrl>

#include "core/filename_check.h"
#include "mainwin_fixture.h"

using namespace tolvan;
using namespace tolvan::test;

namespace {
QString U(const char* s) { return QString::fromUtf8(s); }

const char kInputsLeftOut[] =
    "次のファイルは名前がUTF-8でないので、入力ファイルリストに加えられません。名前をUTF-8に変えてください：";
const char kScriptsLeftOut[] = "次のスクリプトは名前がUTF-8でないので、一覧に出せません。名前をUTF-8に変えてください：";

QStringList ListTexts(QListWidget* list) {
  QStringList t;
  for (int i = 0; i < list->count(); ++i) t << list->item(i)->text();
  return t;
}

QStringList ComboTexts(QComboBox* c) {
  QStringList t;
  for (int i = 0; i < c->count(); ++i) t << c->itemText(i);
  return t;
}

// A folder of inputs: one plain UTF-8 name, a Shift-JIS one ("ソ.txt", whose
// second byte is a backslash), a hidden Shift-JIS one and a Shift-JIS folder.
QString MakeInputs(const MainWindowEnv& env) {
  std::filesystem::path in = env.dir.path() / "in";
  std::filesystem::create_directories(in / "\x95\x5C");
  WriteFileAtomically(in / "ok.txt", "ok\n");
  WriteFileAtomically(in / "\x83\x5C.txt", "sjis\n");
  WriteFileAtomically(in / ".\x95\x5C", "hidden\n");
  return QString::fromStdString(in.string());
}
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

  void inputNamesThatAreNotUtf8AreToldNotDropped() {
    MainWindowEnv env;
    env.WriteSettings();
    QString in = MakeInputs(env);
    auto w = env.Open();
    auto* list = Child<QListWidget>(w.get(), "lstInputFiles");
    // The folder button.
    env.desktop.chosenFolder = in;
    QTest::mouseClick(Child<QToolButton>(w.get(), "btnFldr"), Qt::LeftButton);
    QCOMPARE(ListTexts(list), QStringList{in + "/ok.txt"});
    QCOMPARE(env.messages.Texts(), QStringList{U(kInputsLeftOut) + "\n" + in + U("/ソ.txt")});

    // A dropped folder and a dropped Shift-JIS file.
    env.messages.Clear();
    list->clear();
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(in), QUrl::fromEncoded("file://" + QFile::encodeName(in) + "/%83%5C.txt")});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w.get(), &enter);
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w.get(), &drop);
    QCOMPARE(ListTexts(list), QStringList{in + "/ok.txt"});
    QTRY_COMPARE(env.messages.Texts(), QStringList{U(kInputsLeftOut) + "\n" + in + U("/ソ.txt\n") + in + U("/ソ.txt")});
    w.reset();

    // Command-line parameters: a folder as the folder button takes it (no
    // hidden files); a Shift-JIS path reaches the program with U+FFFD in
    // place of its bytes.
    env.messages.Clear();
    QString mangled = QFile::decodeName(QFile::encodeName(in) + "/\x83\x5C.txt");
    QString gone = QFile::decodeName(QFile::encodeName(in) + "/\x83\x5Cgone.txt");
    w = env.Open({in, mangled, gone, in + "/missing.txt"});
    list = Child<QListWidget>(w.get(), "lstInputFiles");
    QCOMPARE(ListTexts(list), QStringList{in + "/ok.txt"});
    QCOMPARE(env.messages.Texts(), QStringList{});  // told once the window is up
    QTRY_COMPARE(env.messages.Texts().size(), 1);
    // The file on disk is shown by its name; one that is not there as it came.
    QCOMPARE(env.messages.Texts()[0], U(kInputsLeftOut) + "\n" + in + U("/ソ.txt\n") + in + U("/ソ.txt\n") + gone);
  }

  void scriptNamesThatAreNotUtf8AreToldOncePerListing() {
    MainWindowEnv env;
    env.WriteSettings();
    QString top = env.Folder() + "/scripts";
    env.WriteScript("ok.awk", "");
    env.WriteScript("\x83\x5C.awk", "");
    env.WriteScript(".\x83\x5C.awk", "");  // hidden: not listed anyway
    std::filesystem::create_directories(env.dir.path() / "scripts" / "\x95\x5C");
    std::filesystem::create_directories(env.dir.path() / "scripts" / "sub");
    WriteFileAtomically(env.dir.path() / "scripts" / "sub" / "\x83\x5C" "2.awk", "");
    auto w = env.Open();
    auto* folder = Child<QComboBox>(w.get(), "cmbFldr");
    auto* files = Child<QComboBox>(w.get(), "cmbFile");
    QCOMPARE(ComboTexts(folder), (QStringList{"scripts", "sub"}));
    QCOMPARE(ComboTexts(files), QStringList{"ok.awk"});
    QTRY_COMPARE(env.messages.Texts().size(), 1);
    QCOMPARE(env.messages.Texts()[0], U(kScriptsLeftOut) + "\n" + top + U("/ソ.awk\n") + top + U("/表/"));
    env.messages.Clear();
    folder->setCurrentIndex(1);
    QCOMPARE(ComboTexts(files), QStringList{});
    QCOMPARE(env.messages.Texts(), QStringList{U(kScriptsLeftOut) + "\n" + top + U("/sub/ソ2.awk")});
    // Going back and forth does not repeat it; asking for a fresh listing does.
    folder->setCurrentIndex(0);
    folder->setCurrentIndex(1);
    QCOMPARE(env.messages.Texts().size(), 1);
    env.messages.Clear();
    w->RefreshScriptLists();
    QCOMPARE(env.messages.Texts(), QStringList{U(kScriptsLeftOut) + "\n" + top + U("/ソ.awk\n") + top + U("/表/")});
  }
};

QTEST_MAIN(InputNamesTest)
#include "input_names_test.moc"
