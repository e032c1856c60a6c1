#include "app/env_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QtTest>

#include <fstream>

#include "core/filename_check.h"
#include "support/recording_messages.h"
#include "support/temp_dir.h"

using namespace tolvan;
using tolvan::test::RecordingMessages;
using tolvan::test::TempDir;

namespace {

MainSettings Sample() {
  MainSettings s;
  s.Path = "/usr/bin/gawk";
  s.Ext = ".awk";
  s.SClickOpen = false;
  s.ExEditor = false;
  return s;
}

bool SameEnvFields(const MainSettings& a, const MainSettings& b) {
  return a.Path == b.Path && a.Ext == b.Ext && a.SClickOpen == b.SClickOpen && a.ExEditor == b.ExEditor;
}

void Touch(const std::filesystem::path& p) {
  std::filesystem::create_directories(p.parent_path());
  std::ofstream(p) << "x";
}

}  // namespace

class EnvDialogTest : public QObject {
  Q_OBJECT

  template <typename T>
  static T* Child(QWidget& d, const char* name) {
    T* w = d.findChild<T*>(QString::fromLatin1(name));
    if (!w) qFatal("no child %s", name);
    return w;
  }

 private slots:
  void showsTheFoldersInUseOnlyWhenGiven() {
    MainSettings s = Sample();
    TfrmEnv d(s, {});
    auto* folders = Child<QLabel>(d, "lblFolders");
    QVERIFY(folders->isHidden());
    d.ShowFolders(QString::fromUtf8("設定ファイル：/home/u/.config/tolvan/tolvan.INI"));
    QVERIFY(!folders->isHidden());
    QCOMPARE(folders->text(), QString::fromUtf8("設定ファイル：/home/u/.config/tolvan/tolvan.INI"));
    // Showing them changes no setting and leaves Set as it was.
    QVERIFY(!Child<QPushButton>(d, "btnSet")->isEnabled());
  }

  void showsTheValuesWithSetDisabled() {
    MainSettings s = Sample();
    s.Ext = ".awkx";  // four letters after the dot: shown cut to three
    s.SClickOpen = true;
    TfrmEnv d(s, "/nonexistent/tolvan");
    QCOMPARE(d.windowTitle(), QString("環境設定"));
    QCOMPARE(Child<QLineEdit>(d, "edtAwkPath")->text(), QString("/usr/bin/gawk"));
    QVERIFY(Child<QLineEdit>(d, "edtAwkPath")->isReadOnly());
    QCOMPARE(Child<QLineEdit>(d, "edtExtention")->text(), QString("awk"));
    QVERIFY(Child<QCheckBox>(d, "chkSptOpen")->isChecked());
    QVERIFY(!Child<QCheckBox>(d, "chkExtEditor")->isChecked());
    QVERIFY(!Child<QPushButton>(d, "btnSet")->isEnabled());

    // Set after a change stores the three-letter form.
    RecordingMessages rec;
    Child<QCheckBox>(d, "chkSptOpen")->click();
    Child<QCheckBox>(d, "chkSptOpen")->click();
    QVERIFY(Child<QPushButton>(d, "btnSet")->isEnabled());
    QTest::mouseClick(Child<QPushButton>(d, "btnSet"), Qt::LeftButton);
    QVERIFY(d.WasSet());
    QCOMPARE(s.Ext, std::string(".awk"));
    QVERIFY(rec.entries.empty());
  }

  void doubleByteExtensionIsCutByWholeCharacters() {
    MainSettings s = Sample();
    s.Ext = "\x2e\x83\x5c\x83\x5c\x83\x5c\x83\x5c";  // ".ソソソソ"
    TfrmEnv d(s, {});
    QCOMPARE(Child<QLineEdit>(d, "edtExtention")->text(), QString::fromUtf8("ソソソ"));
    // The trail byte 0x5C is not taken for a backslash.
    RecordingMessages rec;
    d.btnSetClick();
    QVERIFY(d.WasSet());
    QCOMPARE(s.Ext, std::string("\x2e\x83\x5c\x83\x5c\x83\x5c"));
  }

  void valuesLeftAloneKeepTheirBytes() {
    MainSettings s = Sample();
    // An invalid byte and an NEC duplicate in the path, an NEC-selected IBM
    // code in the extension: decoding and encoding again would change them.
    s.Path = "/opt/\x80\x87\x90/gawk";
    s.Ext = ".\xED\x40";
    TfrmEnv d(s, {});
    Child<QCheckBox>(d, "chkSptOpen")->click();
    RecordingMessages rec;
    d.btnSetClick();
    QVERIFY(d.WasSet());
    QVERIFY(rec.entries.empty());
    QCOMPARE(s.Path, std::string("/opt/\x80\x87\x90/gawk"));
    QCOMPARE(s.Ext, std::string(".\xED\x40"));
    QVERIFY(s.SClickOpen);
  }

  // Set stores the path shown, a stand-in for a stored one that cannot run.
  void setStoresAStandInPath() {
    MainSettings s = Sample();
    s.PathInFile = std::string("C:\\gawk.exe");
    TfrmEnv d(s, {});
    d.btnSetClick();
    QVERIFY(!s.PathInFile);
  }

  void setIsEnabledOnlyByTheRules() {
    MainSettings s = Sample();
    s.Path.clear();
    TfrmEnv d(s, {});
    auto* set = Child<QPushButton>(d, "btnSet");
    auto* ext = Child<QLineEdit>(d, "edtExtention");
    ext->setText("txt");  // no path: stays disabled
    QVERIFY(!set->isEnabled());
    Child<QCheckBox>(d, "chkSptOpen")->click();
    QVERIFY(!set->isEnabled());
    Child<QCheckBox>(d, "chkExtEditor")->click();  // enables unconditionally
    QVERIFY(set->isEnabled());

    MainSettings s2 = Sample();
    TfrmEnv d2(s2, {});
    auto* set2 = Child<QPushButton>(d2, "btnSet");
    Child<QCheckBox>(d2, "chkSptOpen")->click();  // both filled: enables
    QVERIFY(set2->isEnabled());
    Child<QLineEdit>(d2, "edtExtention")->clear();  // never disables
    QVERIFY(set2->isEnabled());
  }

  void choosingTheInterpreter() {
    TempDir dir;
    const auto self = dir / "bin/tolvan";
    Touch(self);
    std::filesystem::create_symlink(self, dir / "bin/awk-link");
    Touch(dir / "tools/gawk/bin/interp");
    Touch(dir / "bin/mawk");
    Touch(dir / "bin/perl");

    MainSettings s = Sample();
    const MainSettings before = s;
    TfrmEnv d(s, self);
    QString answer;
    d.ChooseFile = [&](QWidget*, const QString&) { return answer; };
    auto* path = Child<QLineEdit>(d, "edtAwkPath");
    RecordingMessages rec;
    auto q = [](const std::filesystem::path& p) { return QString::fromStdString(p.string()); };

    // The program itself, under another name, even though it says "awk".
    answer = q(dir / "bin/awk-link");
    d.btnDirClick();
    QCOMPARE(rec.Texts(), QStringList{TfrmEnv::kOwnExecutableMessage});
    QCOMPARE(rec.Beeps(), 1);
    QCOMPARE(path->text(), QString("/usr/bin/gawk"));

    rec.Clear();
    answer = q(dir / "bin/perl");
    d.btnDirClick();
    QCOMPARE(rec.Texts(), QStringList{TfrmEnv::kNotAwkMessage});
    QCOMPARE(rec.Beeps(), 0);
    QCOMPARE(path->text(), QString("/usr/bin/gawk"));

    // Cancelled chooser: nothing happens.
    rec.Clear();
    answer.clear();
    d.btnDirClick();
    QVERIFY(rec.entries.empty());

    // "awk" in a folder name or in another letter case is enough.
    answer = q(dir / "tools/gawk/bin/interp");
    d.btnDirClick();
    QCOMPARE(path->text(), answer);
    answer = q(dir / "bin/mawk");
    d.btnDirClick();
    QCOMPARE(path->text(), answer);
    answer = "/opt/AWK/bin/x";
    d.btnDirClick();
    QCOMPARE(path->text(), answer);
    QVERIFY(rec.entries.empty());
    QVERIFY(Child<QPushButton>(d, "btnSet")->isEnabled());

    // A path the CP932 settings file cannot hold is refused, not damaged.
    answer = QString::fromUtf8("/opt/awk\xF0\x9F\x98\x80/gawk");
    d.btnDirClick();
    QCOMPARE(path->text(), QString("/opt/AWK/bin/x"));
    QCOMPARE(rec.Texts().size(), 1);
    QVERIFY(rec.Texts()[0].contains(QString::fromUtf8("\xF0\x9F\x98\x80")));

    // Nothing reached the settings before Set.
    QVERIFY(SameEnvFields(s, before));
    d.btnSetClick();
    QCOMPARE(s.Path, std::string("/opt/AWK/bin/x"));
  }

  void setAddsTheDotAndStoresEverything() {
    for (const char* typed : {"awk", ".awk"}) {
      MainSettings s = Sample();
      s.Ext = ".txt";
      TfrmEnv d(s, {});
      Child<QLineEdit>(d, "edtExtention")->setText(typed);
      Child<QCheckBox>(d, "chkSptOpen")->click();
      Child<QCheckBox>(d, "chkExtEditor")->click();
      RecordingMessages rec;
      d.btnSetClick();
      QVERIFY(d.WasSet());
      QCOMPARE(d.result(), int(QDialog::Accepted));
      QCOMPARE(s.Ext, std::string(".awk"));
      QVERIFY(s.SClickOpen);
      QVERIFY(s.ExEditor);
      QCOMPARE(s.Path, std::string("/usr/bin/gawk"));
    }
  }

  void setRefusesBadAndEmptyExtensions() {
    struct Case {
      QString typed;
      QString message;
    };
    const QList<Case> cases = {
        {"a/k", QString::fromUtf8(kBadFileNameMessage)},
        {"a\"k", QString::fromUtf8(kBadFileNameMessage)},
        {"", TfrmEnv::kEmptyExtensionMessage},
        {".", TfrmEnv::kEmptyExtensionMessage},
    };
    for (const Case& c : cases) {
      MainSettings s = Sample();
      const MainSettings before = s;
      TfrmEnv d(s, {});
      Child<QCheckBox>(d, "chkExtEditor")->click();  // Set enabled even when empty
      Child<QLineEdit>(d, "edtExtention")->setText(c.typed);
      RecordingMessages rec;
      QTest::mouseClick(Child<QPushButton>(d, "btnSet"), Qt::LeftButton);
      QCOMPARE(rec.Texts(), QStringList{c.message});
      QCOMPARE(rec.Beeps(), 1);
      QVERIFY(!d.WasSet());
      QCOMPARE(d.result(), int(QDialog::Rejected));  // still open, nothing decided
      QVERIFY(SameEnvFields(s, before));
    }
  }

  // The number of runs at once: shown clamped to 1 .. cores, a change
  // enables Set, and only Set stores it.
  void parallelRunsAtOnce() {
    const int cores = ClampParallel(1 << 20);
    MainSettings s = Sample();
    s.Parallel = cores + 5;  // a file edited by hand
    TfrmEnv d(s, {});
    auto* spin = Child<QSpinBox>(d, "spnParallel");
    QCOMPARE(spin->minimum(), 1);
    QCOMPARE(spin->maximum(), cores);
    QCOMPARE(spin->value(), cores);
    QVERIFY(!Child<QPushButton>(d, "btnSet")->isEnabled());
    spin->setValue(1);
    QCOMPARE(s.Parallel, cores + 5);  // nothing stored before Set
    QCOMPARE(Child<QPushButton>(d, "btnSet")->isEnabled(), cores > 1);
    RecordingMessages rec;
    d.btnSetClick();
    QCOMPARE(s.Parallel, 1);
  }

  // The two encodings: shown as stored, a choice enables Set, only Set
  // stores, and each box stores its own setting.
  void encodingsAreChosenAndStoredBySet() {
    MainSettings s = Sample();
    s.Encoding = TextEncoding::Utf8;
    TfrmEnv d(s, {});
    auto* job = Child<QComboBox>(d, "cmbEncoding");
    auto* fresh = Child<QComboBox>(d, "cmbNewEncoding");
    QCOMPARE(job->currentText(), QString("UTF-8"));
    QCOMPARE(fresh->currentText(), QString("CP932 (Shift-JIS)"));
    QVERIFY(!Child<QPushButton>(d, "btnSet")->isEnabled());
    job->setCurrentIndex(0);
    emit job->activated(0);
    fresh->setCurrentIndex(1);
    emit fresh->activated(1);
    QVERIFY(Child<QPushButton>(d, "btnSet")->isEnabled());
    QCOMPARE(s.Encoding, TextEncoding::Utf8);  // nothing stored before Set
    RecordingMessages rec;
    d.btnSetClick();
    QCOMPARE(s.Encoding, TextEncoding::Cp932);
    QCOMPARE(s.NewScriptEncoding, TextEncoding::Utf8);
  }

  // CR LF as a line end: shown as stored, only Set stores the choice.
  void crLfChoiceStoredBySet() {
    MainSettings s = Sample();
    s.CrLf = CrLfInput::Never;
    TfrmEnv d(s, {});
    auto* box = Child<QComboBox>(d, "cmbCrLf");
    QCOMPARE(box->currentText(), QString("しない"));
    box->setCurrentIndex(1);
    emit box->activated(1);
    RecordingMessages rec;
    d.btnSetClick();
    QCOMPARE(s.CrLf, CrLfInput::Always);
  }

  void executeReportsSetAndCancel() {
    RecordingMessages rec;
    MainSettings s = Sample();
    const MainSettings before = s;
    // Drives the modal dialog from inside its own loop.
    auto press = [](const char* button, const char* ext) {
      QTimer::singleShot(0, [button, ext] {
        auto* d = qobject_cast<TfrmEnv*>(QApplication::activeModalWidget());
        if (!d) qFatal("no dialog");
        if (ext) d->findChild<QLineEdit*>("edtExtention")->setText(ext);
        d->findChild<QPushButton*>(button)->click();
      });
    };
    press("btnCancel", "sh");
    QVERIFY(!TfrmEnv::Execute(nullptr, s, {}));
    QVERIFY(SameEnvFields(s, before));

    press("btnSet", "sh");
    QVERIFY(TfrmEnv::Execute(nullptr, s, {}));
    QCOMPARE(s.Ext, std::string(".sh"));
    QVERIFY(rec.entries.empty());
  }
};

QTEST_MAIN(EnvDialogTest)
#include "env_dialog_test.moc"
