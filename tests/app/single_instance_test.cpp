// One copy per user, with real processes: the program under test is a copy
// of the executable in a temporary folder, and every process gets the same
// private runtime folder so that no real copy of the user is involved.
#include "app/single_instance.h"

#include <QProcess>
#include <QtTest>

#include <memory>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <vector>

#include "support/temp_dir.h"

using tolvan::SingleInstance;
using tolvan::test::TempDir;

namespace {

#ifdef TOLVAN_EXE
const char* const kProgram = TOLVAN_EXE;
#else
const char* const kProgram = TOLVAN_PROBE_EXE;
#endif

// One started copy and what it wrote on standard error.
class Copy {
 public:
  Copy(const QString& exe, const QString& runtime, const QStringList& args, const QString& trace = "1",
       const QString& probe = {}, const QString& folder = {}) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_RUNTIME_DIR", runtime);
    env.insert("TOLVAN_TEST_TRACE", trace);
    env.insert("QT_QPA_PLATFORM", "offscreen");
    if (!probe.isEmpty()) env.insert("TOLVAN_PROBE", probe);
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(folder);
    p.start(exe, args);
  }
  ~Copy() {
    if (p.state() != QProcess::NotRunning) {
      p.kill();
      p.waitForFinished(5000);
    }
  }
  QString Err() {
    err += QString::fromUtf8(p.readAllStandardError());
    return err;
  }
  bool WaitFor(const QString& text, int ms = 20000) {
    QDeadlineTimer deadline(ms);
    while (!Err().contains(text)) {
      if (deadline.hasExpired() || p.state() == QProcess::NotRunning) return Err().contains(text);
      p.waitForReadyRead(100);
    }
    return true;
  }
  // Ended by itself, normally, with code 0.
  bool EndsWithZero(int ms = 15000) {
    if (p.state() != QProcess::NotRunning && !p.waitForFinished(ms)) return false;
    Err();
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
  }
  QProcess p;
  QString err;
};

}  // namespace

class SingleInstanceTest : public QObject {
  Q_OBJECT

  std::unique_ptr<TempDir> dir_;
  QString runtime_, exe_;

 private slots:
  void init() {
    dir_ = std::make_unique<TempDir>();
    runtime_ = QString::fromStdString((*dir_ / "run").string());
    QDir().mkpath(runtime_);
    ::chmod(runtime_.toLocal8Bit().constData(), 0700);
    qputenv("XDG_RUNTIME_DIR", runtime_.toLocal8Bit());
    // A copy of the program, so that its settings file and scripts land here.
    exe_ = QString::fromStdString((*dir_ / "tolvan").string());
    QVERIFY(QFile::copy(kProgram, exe_));
    QFile::setPermissions(exe_, QFile::permissions(exe_) | QFile::ExeOwner);
  }
  void cleanup() {
    qunsetenv("TMPDIR");
    dir_.reset();
  }

  void withoutARuntimeFolderTheLockIsInAPrivateFolder() {
    qunsetenv("XDG_RUNTIME_DIR");
    const QString tmp = QString::fromStdString((*dir_ / "tmp").string());
    QDir().mkpath(tmp);
    qputenv("TMPDIR", tmp.toLocal8Bit());
    const QString own = tmp + QStringLiteral("/tolvan-%1").arg(::getuid());
    QCOMPARE(SingleInstance::Folder(), own);
    struct stat st {};
    QVERIFY(::lstat(own.toLocal8Bit().constData(), &st) == 0);
    QVERIFY(S_ISDIR(st.st_mode));
    QCOMPARE(st.st_mode & 07777, 0700u);
    QCOMPARE(st.st_uid, ::geteuid());
    SingleInstance first(QStringLiteral("t")), second(QStringLiteral("t"));
    QVERIFY(first.TryLock());
    QVERIFY(first.HoldsLock());
    QVERIFY(QFileInfo::exists(own + "/t.lock"));
    QVERIFY(!second.TryLock());
    QVERIFY(first.Listen([](const QStringList&) {}));
    QVERIFY(QFileInfo::exists(own + "/t.sock"));
    first.Release();
    // A runtime folder that others or the user's group can open is not
    // used either.
    qputenv("XDG_RUNTIME_DIR", runtime_.toLocal8Bit());
    for (mode_t mode : {0755, 0750, 0770}) {
      ::chmod(runtime_.toLocal8Bit().constData(), mode);
      QVERIFY2(SingleInstance::Folder() == own, qPrintable(QString::number(mode, 8)));
      QVERIFY2(SingleInstance::LockFilePath("t") == own + "/t.lock", qPrintable(QString::number(mode, 8)));
    }
  }

  void aFolderSomeoneElseCouldReachIsNeverUsed() {
    qunsetenv("XDG_RUNTIME_DIR");
    const QString tmp = QString::fromStdString((*dir_ / "tmp").string());
    const QByteArray own = (tmp + QStringLiteral("/tolvan-%1").arg(::getuid())).toLocal8Bit();
    const QByteArray elsewhere = (tmp + "/elsewhere").toLocal8Bit();
    qputenv("TMPDIR", tmp.toLocal8Bit());
    struct Case {
      const char* what;
      std::function<void()> make;
    };
    const std::vector<Case> cases = {
        {"a link to a private folder", [&] {
           ::mkdir(elsewhere.constData(), 0700);
           ::symlink(elsewhere.constData(), own.constData());
         }},
        {"open to others", [&] {
           ::mkdir(own.constData(), 0700);
           ::chmod(own.constData(), 0777);
         }},
        {"another user's", [&] {
           ::mkdir(own.constData(), 0700);
           QVERIFY(::chown(own.constData(), 65534, 65534) == 0);
         }},
        {"not a folder", [&] { QFile(QString::fromLocal8Bit(own)).open(QIODevice::WriteOnly); }},
    };
    for (const Case& c : cases) {
      QDir(tmp).removeRecursively();
      QDir().mkpath(tmp);
      c.make();
      QVERIFY2(SingleInstance::Folder().isEmpty(), c.what);
      SingleInstance instance(QStringLiteral("t"));
      QVERIFY2(instance.TryLock(), c.what);  // the program still starts
      QVERIFY2(!instance.HoldsLock(), c.what);
      QVERIFY2(!instance.Listen([](const QStringList&) {}), c.what);
      QVERIFY2(!QFileInfo::exists(QString::fromLocal8Bit(elsewhere) + "/t.lock"), c.what);
      QVERIFY2(!QFileInfo::exists(QString::fromLocal8Bit(own) + "/t.lock"), c.what);
    }
  }

  void secondStartHandsItsNamesToTheFirstAndRaisesIt() {
    Copy first(exe_, runtime_, {}, "minimized");
    QVERIFY2(first.WaitFor("ready"), qPrintable(first.Err()));
    // From a folder of its own, which the first copy knows nothing of.
    const QString here = QString::fromStdString((*dir_ / "here").string());
    QDir().mkpath(here);
    const QStringList names = {"/etc/hostname", "a file.txt", "../line\nbreak%41", QString::fromUtf8("漢〜")};
    Copy second(exe_, runtime_, names, "1", {}, here);
    QVERIFY2(second.EndsWithZero(), qPrintable(second.Err()));
    QVERIFY(!second.err.contains("ready"));  // it never became a copy of its own
    QVERIFY2(first.WaitFor("raised minimized -> normal"), qPrintable(first.Err()));
    QStringList got;
    for (const QString& l : first.Err().split('\n'))
      if (l.contains(": name ")) got << l.section(": name ", 1);
    QStringList expected;
    for (const QString& n : names) expected << QDir(here).absoluteFilePath(n).toUtf8().toPercentEncoding("/");
    QCOMPARE(got, expected);
    // With no names it is only raised, again while it is in front.
    Copy third(exe_, runtime_, {});
    QVERIFY(third.EndsWithZero());
    QVERIFY2(first.WaitFor("raised normal -> normal"), qPrintable(first.Err()));
    QVERIFY(first.Err().contains("request raise%0A"));
  }

  void secondStartWhileTheFirstIsNotAnsweringEndsQuietly() {
    // This process holds the lock without answering, like a copy that is
    // still starting or already closing.
    SingleInstance holder;
    QVERIFY(holder.TryLock());
    Copy second(exe_, runtime_, {});
    QVERIFY2(second.EndsWithZero(), qPrintable(second.Err()));
    QVERIFY(second.err.contains("does not answer"));
    QVERIFY(!second.err.contains("ready"));

    holder.Release();
    Copy next(exe_, runtime_, {});
    QVERIFY2(next.WaitFor("ready"), qPrintable(next.Err()));
  }

  void aCrashedCopyNeverBlocksTheNextStart() {
    {
      Copy first(exe_, runtime_, {});
      QVERIFY2(first.WaitFor("ready"), qPrintable(first.Err()));
      first.p.kill();  // SIGKILL: nothing is cleaned up
      QVERIFY(first.p.waitForFinished(5000));
    }
    QVERIFY(QFile::exists(SingleInstance::LockFilePath(SingleInstance::DefaultName())));
    QVERIFY(QFile::exists(SingleInstance::SocketPath(SingleInstance::DefaultName())));

    Copy again(exe_, runtime_, {});
    QVERIFY2(again.WaitFor("ready"), qPrintable(again.Err()));
    Copy second(exe_, runtime_, {});
    QVERIFY(second.EndsWithZero());
    QVERIFY2(again.WaitFor("raised"), qPrintable(again.Err()));
  }

  void twoCopiesStartedAtOnceNeverBothRun() {
    for (int round = 0; round < 3; ++round) {
      Copy a(exe_, runtime_, {});
      Copy b(exe_, runtime_, {});
      // One of them ends with 0; the other is the running copy.
      QDeadlineTimer deadline(20000);
      while (a.p.state() != QProcess::NotRunning && b.p.state() != QProcess::NotRunning &&
             !deadline.hasExpired())
        QTest::qWait(20);
      Copy& ended = a.p.state() == QProcess::NotRunning ? a : b;
      Copy& running = &ended == &a ? b : a;
      QVERIFY2(ended.EndsWithZero(), qPrintable(QString("%1 %2 %3").arg(ended.p.exitStatus()).arg(ended.p.exitCode()).arg(ended.err)));
      QVERIFY2(running.WaitFor("ready"), qPrintable(running.Err()));
      QVERIFY(!ended.err.contains("ready"));
      QTest::qWait(300);
      QCOMPARE(running.p.state(), QProcess::Running);
    }
  }

  void exceptionAtStartIsShownAndTheLockGoesWithIt() {
    Copy failing(TOLVAN_PROBE_EXE, runtime_, {}, "1", "throw-at-start");
    QVERIFY2(failing.EndsWithZero(), qPrintable(failing.Err()));
    QVERIFY2(failing.err.contains("probe box: start failed"), qPrintable(failing.err));
    Copy next(TOLVAN_PROBE_EXE, runtime_, {});
    QVERIFY2(next.WaitFor("ready"), qPrintable(next.Err()));
  }

  void exceptionInTheLoopIsShownAndTheProgramGoesOn() {
    Copy p(TOLVAN_PROBE_EXE, runtime_, {}, "1", "throw-in-loop");
    QVERIFY2(p.EndsWithZero(), qPrintable(p.Err()));
    QVERIFY(p.err.contains("probe box: handler failed"));
    QVERIFY(p.err.indexOf("handler failed") < p.err.indexOf("probe: still running"));
  }
};

QTEST_GUILESS_MAIN(SingleInstanceTest)
#include "single_instance_test.moc"
