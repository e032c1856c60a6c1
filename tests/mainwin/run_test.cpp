// Run through the main window: the checks in order, one job per output mode,
// cancel, and closing while a job runs.
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

#include "editor/view/editor_widget.h"
#include "mainwin/output_window.h"
#include "settings/settings.h"
#include "mainwin_fixture.h"

using namespace tolvan;
using namespace tolvan::test;

namespace {
QString U(const char* s) { return QString::fromUtf8(s); }

// How many of this process's mappings come from the job's memory files.
int MemoryFileMappings() {
  QFile maps("/proc/self/maps");
  if (!maps.open(QIODevice::ReadOnly)) return -1;
  return static_cast<int>(maps.readAll().count("/memfd:tolvan-output"));
}
}  // namespace

class RunTest : public QObject {
  Q_OBJECT
 private slots:
  void emptyAwkPathIsTheOnlyMessage() {
    MainWindowEnv env;
    WriteFileAtomically(env.Paths().SettingsFile(), "[AWKEXE]\r\nPath=\r\n");
    auto w = env.Open();
    w->RunScript();
    QCOMPARE(env.messages.Texts(), QStringList{U("awk.exeが指定されていません")});
    QCOMPARE(env.messages.Beeps(), 1);
  }

  void refusalsComeInTheirOrder() {
    MainWindowEnv env;
    env.WriteSettings();
    // An existing scripts folder without scripts: nothing is chosen.
    std::filesystem::create_directories(env.dir.path() / "scripts");
    auto w = env.Open();
    auto* out = Child<QComboBox>(w.get(), "cmbOutput");
    auto* input = Child<QComboBox>(w.get(), "cmbInput");
    auto expect = [&](const char* text) {
      env.messages.Clear();
      w->RunScript();
      QCOMPARE(env.messages.Texts(), QStringList{U(text)});
      QVERIFY(!w->JobRunning());
    };
    expect("スクリプトファイルが指定されていません");
    UseOneLiner(w.get(), "");
    expect("スクリプトが指定されていません");
    UseOneLiner(w.get(), "{print}");
    expect("入力ファイルが指定されていません！");
    QString a = env.WriteInput("a.txt", "x\n");
    w->AddInputFiles({a});
    Child<QLineEdit>(w.get(), "memPreFix")->setText("");
    expect("出力ファイルに付加するPreFixが空白です");
    out->setCurrentIndex(1);
    expect("出力ファイル名が指定されていません！");
    Child<QLineEdit>(w.get(), "edtOutFName")->setText(a.toUpper());
    expect("出力ファイルと入力ファイルを同じにすることはできません");
    Child<QLineEdit>(w.get(), "memPreFix")->setText("new_");
    out->setCurrentIndex(0);
    Child<QCheckBox>(w.get(), "chkSCmdLn")->setChecked(true);
    expect("単一コマンドラインを選択しているとき、出力にFiles(new)は選べません");
    input->setCurrentIndex(2);
    expect("入力がNull または Clipboard の時は出力に「1 Files(new)」は選べません");
    out->setCurrentIndex(2);
    Child<QLineEdit>(w.get(), "edtOutFName")->setText("");
    expect("出力ファイル名が指定されていません！");
    input->setCurrentIndex(1);
    QApplication::clipboard()->clear();
    expect("クリップボードにテキストがありません！");
    // Clipboard text is written to TEMPCLIP.txt before the output check refuses.
    QApplication::clipboard()->setText(U("表ソ\nline"));
    out->setCurrentIndex(0);
    expect("入力がNull または Clipboard の時は出力に「1 Files(new)」は選べません");
    QCOMPARE(Slurp(env.Folder() + "/TEMPCLIP.txt"), std::string("\x95\x5C\x83\x5C\nline"));
    // The clipboard may hold private text: for the user alone.
    QCOMPARE(QFile::permissions(env.Folder() + "/TEMPCLIP.txt") &
                 (QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther),
             QFile::Permissions());
  }

  // "2 File" and "3 File" both refuse an output that is one of the inputs,
  // under any name (another case, a hard link); a copy is another file.
  void outputThatIsAnInputIsRefusedForOverwriteAndAppend() {
    MainWindowEnv env;
    env.WriteSettings();
    auto w = env.Open();
    QString a = env.WriteInput("a.txt", "x\n"), b = env.WriteInput("b.txt", "y\n");
    std::filesystem::create_hard_link(env.dir.path() / "in" / "a.txt", env.dir.path() / "hard.txt");
    const QString hard = env.Folder() + "/hard.txt";
    const QString copy = env.Folder() + "/copy.txt";
    w->AddInputFiles({a, b});
    UseOneLiner(w.get(), "{print}");
    auto* out = Child<QComboBox>(w.get(), "cmbOutput");
    auto* name = Child<QLineEdit>(w.get(), "edtOutFName");
    for (int mode : {1, 2}) {
      out->setCurrentIndex(mode);
      for (const QString& target : {a, b.toUpper(), hard}) {
        env.messages.Clear();
        name->setText(target);
        w->RunScript();
        QCOMPARE(env.messages.Texts(), QStringList{U("出力ファイルと入力ファイルを同じにすることはできません")});
        QVERIFY(!w->JobRunning());
      }
      QCOMPARE(Slurp(a), std::string("x\n"));
      QCOMPARE(Slurp(b), std::string("y\n"));
      WriteFileAtomically(copy.toStdString(), "x\n");
      env.messages.Clear();
      name->setText(copy);
      RunAndWait(w.get());
      QCOMPARE(env.messages.Texts(), QStringList{});
      QCOMPARE(Slurp(copy), std::string(mode == 1 ? "y\n" : "x\nx\ny\n"));
    }
  }

  void unbalancedOptionQuoteIsRefused() {
    MainWindowEnv env;
    env.WriteSettings();
    auto w = env.Open();
    UseOneLiner(w.get(), "BEGIN{print 1}");
    Child<QComboBox>(w.get(), "cmbInput")->setCurrentIndex(2);
    Child<QComboBox>(w.get(), "cmbOutput")->setCurrentIndex(3);
    Child<QComboBox>(w.get(), "cmbOpt")->setEditText("-v 'x=1");
    w->RunScript();
    QCOMPARE(env.messages.Texts().size(), 1);
    QVERIFY(!w->JobRunning());
    // The option history was still updated, as for every run past the script check.
    QCOMPARE(Child<QComboBox>(w.get(), "cmbOpt")->itemText(0), QString("-v 'x=1"));
  }

  void optionHistoryKeepsTheMostRecentFirst() {
    MainWindowEnv env;
    env.WriteSettings();
    auto w = env.Open();
    UseOneLiner(w.get(), "BEGIN{}");
    Child<QComboBox>(w.get(), "cmbInput")->setCurrentIndex(2);
    Child<QComboBox>(w.get(), "cmbOutput")->setCurrentIndex(5);
    auto* opt = Child<QComboBox>(w.get(), "cmbOpt");
    for (const char* o : {"-v A=1", "-v B=1", "-v A=1", "-v a=1"}) {
      opt->setEditText(o);
      RunAndWait(w.get());
    }
    QCOMPARE(opt->count(), 2);
    QCOMPARE(opt->itemText(0), QString("-v A=1"));  // the top entry keeps its case
    QCOMPARE(opt->itemText(1), QString("-v B=1"));
    w->close();
    QCOMPARE(Slurp(env.Folder() + "/cmdopt.dat"), std::string("-v A=1\r\n-v B=1\r\n"));
  }

  // The end of a job follows the output choice the job ran with, not the
  // one the window shows when it ends.
  void endOfJobFollowsTheJobsOwnOutputChoice() {
    MainWindowEnv env;
    env.WriteSettings();
    auto w = env.Open();
    UseOneLiner(w.get(), "BEGIN{}");
    auto* out = Child<QComboBox>(w.get(), "cmbOutput");
    Child<QComboBox>(w.get(), "cmbInput")->setCurrentIndex(2);
    out->setCurrentIndex(3);
    w->RunScript();
    QVERIFY(w->JobRunning());
    out->setCurrentIndex(5);  // the end of the job needs this thread, so it cannot have run yet
    w->WaitForJob();
    QVERIFY(w->OutputWindow()->isVisible());  // "4 Screen" shows even an empty output
    QCOMPARE(w->OutputWindow()->Heading(), QString("STANDARD OUTPUT"));
    QVERIFY(w->DoneWindow() == nullptr);

    w->OutputWindow()->hide();
    w->RunScript();  // now "6 Null", switched to "4 Screen" while it runs
    QVERIFY(w->JobRunning());
    out->setCurrentIndex(3);
    w->WaitForJob();
    QVERIFY(!w->OutputWindow()->isVisible());
    QVERIFY(w->DoneWindow() != nullptr);
  }

  void screenShowsTheOutputWindow() {
    MainWindowEnv env;
    env.WriteSettings();
    env.WriteScript("up.awk", "{ print toupper($0) \"\xC3\x97\" }\n");  // bytes pass through untouched
    auto w = env.Open();
    QString a = env.WriteInput("a.txt", "ab\n"), b = env.WriteInput("b.txt", "cd\n");
    w->AddInputFiles({a, b});
    Child<QComboBox>(w.get(), "cmbOutput")->setCurrentIndex(3);
    RunAndWait(w.get());
    QCOMPARE(std::string(w->OutputText()), std::string("AB\xC3\x97\nCD\xC3\x97\n"));
    QVERIFY(w->OutputWindow()->isVisible());
    QCOMPARE(w->OutputWindow()->Heading(), QString("STANDARD OUTPUT"));
    QVERIFY(Child<QPushButton>(w.get(), "btnRun")->isEnabled());
    QVERIFY(Child<QToolButton>(w.get(), "btnTerminate")->isHidden());
  }

  // What the output window showed is freed when it closes, not kept until
  // the next Run: "4 Screen" output (the memory file gawk wrote, mapped),
  // other collected output and the error text alike.
  void closingTheOutputWindowFreesItsText() {
    MainWindowEnv env;
    env.WriteSettings();
    auto w = env.Open();
    Child<QComboBox>(w.get(), "cmbInput")->setCurrentIndex(2);
    auto* output = Child<QComboBox>(w.get(), "cmbOutput");
    auto* close = w->OutputWindow()->findChild<QPushButton*>("btnClose");
    QVERIFY(close);
    struct Case {
      int output;
      const char* program;
      bool mapped;
    };
    const Case cases[] = {
        {3, "BEGIN { for (i = 0; i < 20000; i++) print i }", true},
        {5, "BEGIN { for (i = 0; i < 20000; i++) print i }", false},
        {3, "BEGIN { print \"bad\" > \"/dev/stderr\" }", false},
    };
    for (const Case& c : cases) {
      output->setCurrentIndex(c.output);
      UseOneLiner(w.get(), c.program);
      RunAndWait(w.get());
      QVERIFY(w->OutputWindow()->isVisible());
      QCOMPARE(MemoryFileMappings() > 0, c.mapped);
      QCOMPARE(w->OutputText().size() + w->ErrorText().size() > 100, c.mapped || c.output == 5);
      QVERIFY(w->OutputWindow()->TextArea()->Editor().Lines().GetCount() > 0);
      if (c.output == 5) {
        // Closed with the title bar's box this time.
        w->OutputWindow()->close();
      } else {
        close->click();
      }
      QVERIFY(!w->OutputWindow()->isVisible());
      QVERIFY(w->OutputText().empty());
      QVERIFY(w->ErrorText().empty());
      QCOMPARE(MemoryFileMappings(), 0);
    }
  }

  void filesNewWritesBesideEachInput() {
    MainWindowEnv env;
    env.WriteSettings();
    auto w = env.Open();
    QString a = env.WriteInput("a b.txt", "1\n"), c = env.WriteInput("c'$.txt", "2\n");
    w->AddInputFiles({a, c});
    UseOneLiner(w.get(), "{print $1*10}");
    RunAndWait(w.get());
    QCOMPARE(Slurp(env.Folder() + "/in/new_a b.txt"), std::string("10\n"));
    QCOMPARE(Slurp(env.Folder() + "/in/new_c'$.txt"), std::string("20\n"));
    // The last progress shown, hidden again at the end.
    auto* count = Child<QLabel>(w.get(), "lblNN");
    auto* label = Child<QLabel>(w.get(), "lblProc_fname");
    QCOMPARE(count->text(), QString("2/2"));
    QCOMPARE(label->text(), QString("c'$.txt"));
    QVERIFY(count->isHidden() && label->isHidden());
    QVERIFY(w->DoneWindow() != nullptr);
    QVERIFY(w->DoneWindow()->isVisible());
    // The done window goes away by itself shortly after 500 ms.
    QElapsedTimer t;
    t.start();
    QTRY_VERIFY_WITH_TIMEOUT(w->DoneWindow() == nullptr, 3000);
    QVERIFY(t.elapsed() >= 450);
  }

  void overwriteAndAppendModes() {
    MainWindowEnv env;
    env.WriteSettings();
    auto w = env.Open();
    QString a = env.WriteInput("1.txt", "a\n"), b = env.WriteInput("2.txt", "b\n"), c = env.WriteInput("3.txt", "c\n");
    w->AddInputFiles({a, b, c});
    UseOneLiner(w.get(), "{print}");
    QString out = env.Folder() + "/out.txt";
    WriteFileAtomically(out.toStdString(), "old\n");
    Child<QLineEdit>(w.get(), "edtOutFName")->setText(out);
    Child<QComboBox>(w.get(), "cmbOutput")->setCurrentIndex(1);
    RunAndWait(w.get());
    QCOMPARE(Slurp(out), std::string("c\n"));
    Child<QComboBox>(w.get(), "cmbOutput")->setCurrentIndex(2);
    RunAndWait(w.get());
    QCOMPARE(Slurp(out), std::string("c\na\nb\nc\n"));
  }

  void clipboardInAndOut() {
    MainWindowEnv env;
    env.WriteSettings();
    auto w = env.Open();
    QApplication::clipboard()->setText(U("x 表\ny ソ\n"));
    Child<QComboBox>(w.get(), "cmbInput")->setCurrentIndex(1);
    Child<QComboBox>(w.get(), "cmbOutput")->setCurrentIndex(4);
    UseOneLiner(w.get(), "{print $2}");
    RunAndWait(w.get());
    QCOMPARE(QApplication::clipboard()->text(), U("表\nソ\n"));
    QVERIFY(w->OutputText().empty());
    QVERIFY(w->ErrorText().empty());
  }

  // The Parallel key reaches the job: the first input's run waits for a
  // file that only the second input's run makes, which one run after
  // another could never see.
  void parallelKeyRunsInputsAtOnce() {
    if (ClampParallel(2) < 2) QSKIP("one core: nothing runs at once");
    MainWindowEnv env;
    env.WriteSettings("Parallel=2\r\n");
    auto w = env.Open();
    const std::string go = (env.dir.path() / "go").string();
    QString a = env.WriteInput("a.txt", "a\n"), b = env.WriteInput("b.txt", "b\n");
    w->AddInputFiles({a, b});
    Child<QComboBox>(w.get(), "cmbOutput")->setCurrentIndex(3);
    UseOneLiner(w.get(), QString::fromStdString(
                             "FILENAME ~ /a.txt/ { if (system(\"i=0; while [ ! -e '" + go +
                             "' ] && [ $i -lt 300 ]; do sleep 0.01; i=$((i+1)); done; [ -e '" + go +
                             "' ]\")) print \"alone\" > \"/dev/stderr\" } "
                             "FILENAME ~ /b.txt/ { printf \"\" > \"" + go + "\" } { print }"));
    RunAndWait(w.get());
    QCOMPARE(w->OutputWindow()->Heading(), QString("STANDARD OUTPUT"));
    QCOMPARE(std::string(w->OutputText()), std::string("a\nb\n"));
  }

  void errorsShowTheErrorForm() {
    MainWindowEnv env;
    env.WriteSettings();
    auto w = env.Open();
    Child<QComboBox>(w.get(), "cmbInput")->setCurrentIndex(2);
    Child<QComboBox>(w.get(), "cmbOutput")->setCurrentIndex(5);
    UseOneLiner(w.get(), "BEGIN{print \"bad\" > \"/dev/stderr\"}");
    RunAndWait(w.get());
    QCOMPARE(w->OutputWindow()->Heading(), QString("ERROR"));
    QCOMPARE(w->OutputWindow()->TextBytes(), std::string("bad\r\n"));  // the text area's rows, CR LF ended
    // Null output with nothing printed: the done window.
    UseOneLiner(w.get(), "BEGIN{}");
    w->OutputWindow()->hide();
    RunAndWait(w.get());
    QVERIFY(!w->OutputWindow()->isVisible());
    QVERIFY(w->DoneWindow() != nullptr);
  }

  // A run that exits non-zero is named by whichever window ends the job.
  void runsThatExitNonZeroAreNamedAtTheEnd() {
    MainWindowEnv env;
    env.WriteSettings();
    auto w = env.Open();
    Child<QComboBox>(w.get(), "cmbInput")->setCurrentIndex(2);
    auto* out = Child<QComboBox>(w.get(), "cmbOutput");
    out->setCurrentIndex(5);
    UseOneLiner(w.get(), "BEGIN{exit 3}");
    RunAndWait(w.get());
    QVERIFY(w->DoneWindow() != nullptr);
    QCOMPARE(w->DoneWindow()->ExitNote(), U("gawk の終了コード 3"));
    out->setCurrentIndex(3);
    UseOneLiner(w.get(), "BEGIN{print \"x\"; exit 4}");
    RunAndWait(w.get());
    QCOMPARE(w->OutputWindow()->Heading(), QString("STANDARD OUTPUT"));
    QCOMPARE(w->OutputWindow()->ExitNote(), U("gawk の終了コード 4"));
  }

  void cancelStopsTheJobWithTheMessageOnce() {
    MainWindowEnv env;
    env.WriteSettings();
    auto w = env.Open();
    Child<QComboBox>(w.get(), "cmbInput")->setCurrentIndex(2);
    Child<QComboBox>(w.get(), "cmbOutput")->setCurrentIndex(3);
    UseOneLiner(w.get(), "BEGIN{while(1){}}");
    w->RunScript();
    QVERIFY(w->JobRunning());
    QVERIFY(!Child<QPushButton>(w.get(), "btnRun")->isEnabled());
    env.messages.answers = {QMessageBox::Cancel, QMessageBox::Ok};
    w->TerminateJob();
    QTest::qWait(150);
    QVERIFY(w->JobRunning());  // Cancel in the question keeps it going
    w->show();
    QApplication::setActiveWindow(w.get());
    QVERIFY(QTest::qWaitForWindowActive(w.get()));
    QTest::keyClick(w.get(), Qt::Key_Escape);  // Escape presses the cancel button
    QTRY_VERIFY_WITH_TIMEOUT(!w->JobRunning(), 5000);
    QCOMPARE(env.messages.Texts(), (QStringList{U("強制終了しますか？"), U("強制終了しますか？")}));
    QCOMPARE(w->OutputWindow()->Heading(), QString("ERROR"));
    QCOMPARE(w->OutputWindow()->Text(), U("\r\nユーザーによって処理は中断されました"));
  }

  void closingDuringAJobStopsItWithoutAHang() {
    MainWindowEnv env;
    env.WriteSettings();
    auto w = env.Open();
    QStringList inputs;
    for (int i = 0; i < 5; ++i) inputs << env.WriteInput("f" + std::to_string(i), "x\n");
    w->AddInputFiles(inputs);
    Child<QComboBox>(w.get(), "cmbOutput")->setCurrentIndex(3);
    UseOneLiner(w.get(), "{while(1){}}");
    w->show();
    w->RunScript();
    QTest::qWait(100);
    QElapsedTimer t;
    t.start();
    QVERIFY(w->close());
    QVERIFY(t.elapsed() < 3000);
    QVERIFY(!w->JobRunning());
    w.reset();
  }

  void closeIsRefusedWhileEditorWindowsAreOpen() {
    struct Fake : TEditorWindowRef {
      QString FilePath() const override { return "/x"; }
      QString Caption() const override { return "/x"; }
      void ShowAndRaise() override {}
      void ActivateAndRestore() override {}
      void RefreshCommands() override {}
      QWidget* Window() override { return nullptr; }
    } one, two;
    MainWindowEnv env;
    env.WriteSettings();
    auto w = env.Open();
    w->EditorWindows().RegisterEditor(&one);
    w->EditorWindows().RegisterEditor(&two);
    QVERIFY(!w->close());
    QCOMPARE(env.messages.Texts(), (QStringList{U("先にエディタウィンドウを閉じてください"),
                                               U("先にエディタウィンドウを閉じてください")}));
    w->EditorWindows().UnregisterEditor(&one);
    w->EditorWindows().UnregisterEditor(&two);
    QVERIFY(w->close());
  }

  void awkOptionsShowsGawksUsage() {
    MainWindowEnv env;
    env.WriteSettings();
    auto w = env.Open();
    w->ShowAwkOptions();
    QVERIFY(w->OutputWindow()->isVisible());
    QVERIFY(w->OutputWindow()->Text().contains("Usage"));
  }
};

QTEST_MAIN(RunTest)
#include "run_test.moc"
