// Jobs in UTF-8 through the main window: the job's encoding from the
// setting or the script, the output window and the clipboard in it, and
// what the CP932 files (One-Liner.txt, cmdopt.dat) can take.
#include <QApplication>
#include <QClipboard>
#include <QRadioButton>
#include <QToolButton>

#include "editor/view/editor_widget.h"
#include "mainwin/output_window.h"
#include "mainwin_fixture.h"

using namespace tolvan;
using namespace tolvan::test;

namespace {
QString U(const char* s) { return QString::fromUtf8(s); }

const char* const kUtf8Setting = "Encoding=UTF-8\r\n";
}  // namespace

class Utf8RunTest : public QObject {
  Q_OBJECT
 private slots:
  void oneLinerOverUtf8DataToTheScreen() {
    MainWindowEnv env;
    env.WriteSettings(kUtf8Setting);
    auto w = env.Open();
    w->AddInputFiles({env.WriteInput("data.txt", "日本語の行\nenglish\n東日本\n")});
    Child<QComboBox>(w.get(), "cmbOutput")->setCurrentIndex(3);
    UseOneLiner(w.get(), U("/日本/ { print length($0) \":\" $0 }"));
    RunAndWait(w.get());
    QCOMPARE(w->ErrorText(), std::string());
    QCOMPARE(std::string(w->OutputText()), std::string("5:日本語の行\n3:東日本\n"));
    TfrmError* out = w->OutputWindow();
    QVERIFY(out->isVisible());
    QCOMPARE(out->Encoding(), TextEncoding::Utf8);
    QCOMPARE(out->TextArea()->Editor().Lines().Encoding(), TextEncoding::Utf8);
    QCOMPARE(out->Text(), U("5:日本語の行\r\n3:東日本\r\n"));
    QVERIFY(env.messages.entries.empty());
  }

  // The same one-liner with the default setting is CP932, and counts
  // characters as gawk in the CP932 locale does.
  void defaultSettingKeepsCp932() {
    MainWindowEnv env;
    env.WriteSettings();
    auto w = env.Open();
    Child<QComboBox>(w.get(), "cmbInput")->setCurrentIndex(2);
    Child<QComboBox>(w.get(), "cmbOutput")->setCurrentIndex(3);
    UseOneLiner(w.get(), U("BEGIN { print length(\"日本語\") \"表\" }"));
    RunAndWait(w.get());
    QCOMPARE(std::string(w->OutputText()), std::string("3\x95\x5C\n"));  // 表 comes back whole despite its 0x5C
    QCOMPARE(w->OutputWindow()->Encoding(), TextEncoding::Cp932);
    QCOMPARE(w->OutputWindow()->TextArea()->Editor().Lines().Encoding(), TextEncoding::Cp932);
    QCOMPARE(w->OutputWindow()->Text(), U("3表\r\n"));
  }

  // A script file runs in its own encoding whatever the setting says;
  // pure ASCII takes the setting's.
  void scriptFileRunsInItsDetectedEncoding() {
    MainWindowEnv env;
    env.WriteSettings();
    env.WriteScript("len.awk", "# 文字数\nBEGIN { print length(\"日本語\") }\n");
    auto w = env.Open();
    Child<QComboBox>(w.get(), "cmbInput")->setCurrentIndex(2);
    Child<QComboBox>(w.get(), "cmbOutput")->setCurrentIndex(3);
    auto* file = Child<QComboBox>(w.get(), "cmbFile");
    file->setCurrentIndex(file->findText("len.awk"));
    RunAndWait(w.get());
    QCOMPARE(w->ErrorText(), std::string());
    QCOMPARE(std::string(w->OutputText()), std::string("3\n"));
    QCOMPARE(w->OutputWindow()->Encoding(), TextEncoding::Utf8);
  }

  void clipboardInAndOutInTheJobsEncoding() {
    MainWindowEnv env;
    env.WriteSettings(kUtf8Setting);
    auto w = env.Open();
    QApplication::clipboard()->setText(U("x 日本\ny \xF0\x9F\x98\x80\n"));  // CP932 could not hold the emoji
    Child<QComboBox>(w.get(), "cmbInput")->setCurrentIndex(1);
    Child<QComboBox>(w.get(), "cmbOutput")->setCurrentIndex(4);
    UseOneLiner(w.get(), "{ print $2, length($2) }");
    RunAndWait(w.get());
    QCOMPARE(w->ErrorText(), std::string());
    QCOMPARE(Slurp(env.Folder() + "/TEMPCLIP.txt"), std::string("x 日本\ny \xF0\x9F\x98\x80\n"));
    QCOMPARE(QApplication::clipboard()->text(), U("日本 2\n\xF0\x9F\x98\x80 1\n"));
  }

  // One-Liner.txt and cmdopt.dat stay CP932: what they cannot hold runs but
  // is not stored, and the user is told why.
  void whatCp932CannotHoldRunsButIsNotStored() {
    MainWindowEnv env;
    env.WriteSettings(kUtf8Setting);
    auto w = env.Open();
    Child<QComboBox>(w.get(), "cmbInput")->setCurrentIndex(2);
    Child<QComboBox>(w.get(), "cmbOutput")->setCurrentIndex(3);
    auto* opt = Child<QComboBox>(w.get(), "cmbOpt");
    opt->setEditText(U("-v s=\xF0\x9F\x98\x80"));
    UseOneLiner(w.get(), U("BEGIN { print s \"😀\" }"));
    RunAndWait(w.get());
    QCOMPARE(w->ErrorText(), std::string());
    QCOMPARE(std::string(w->OutputText()), std::string("\xF0\x9F\x98\x80\xF0\x9F\x98\x80\n"));
    QCOMPARE(opt->count(), 0);  // not kept in the history
    opt->setEditText(U("-v s=表"));
    RunAndWait(w.get());
    QCOMPARE(std::string(w->OutputText()), std::string("表\xF0\x9F\x98\x80\n"));
    QCOMPARE(opt->count(), 1);

    const QString oneLinerFile = env.Folder() + "/scripts/One-Liner/One-Liner.txt";
    const std::string before = Slurp(oneLinerFile);
    QTest::mouseClick(Child<QToolButton>(w.get(), "btnSave"), Qt::LeftButton);
    QCOMPARE(env.messages.Texts(),
             QStringList{U("「😀」はOne-Liner.txtの文字コード(Shift-JIS)で表せない文字なので保存できません。"
                           "このスクリプトはUTF-8でそのまま実行できます")});
    QCOMPARE(Slurp(oneLinerFile), before);
    w->close();
    QCOMPARE(Slurp(env.Folder() + "/cmdopt.dat"), std::string("-v s=\x95\x5C\r\n"));
  }
};

QTEST_MAIN(Utf8RunTest)
#include "utf8_run_test.moc"
