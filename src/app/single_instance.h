// One running copy per user. The first copy holds an exclusive flock() on a
// lock file in the user's runtime folder for its whole life and answers on a
// local socket beside it; a second copy finds the lock taken, hands the first
// the file and folder names it was started with (a file manager's "Open
// with" starts a copy per choice), asks it to raise and restore its main
// window, and ends. The kernel drops the lock
// when a copy dies, so a crashed copy never blocks the next start, and two
// copies started at the same instant cannot both get it.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class QLocalServer;
class QWidget;

namespace tolvan {

class SingleInstance : public QObject {
  Q_OBJECT
 public:
  // "hTolvanInst" and the user id.
  static QString DefaultName();
  // $XDG_RUNTIME_DIR when it is a private folder of this user, else the
  // folder "tolvan-<uid>" in the temporary folder, made with mode 0700. A
  // folder that is a symbolic link, belongs to someone else or is open to
  // others is never used: empty, and the program runs without the lock.
  static QString Folder();
  static QString LockFilePath(const QString& name);
  static QString SocketPath(const QString& name);

  explicit SingleInstance(QString name = DefaultName(), QObject* parent = nullptr);
  ~SingleInstance() override;

  // True when this process is the first copy and now holds the lock. A lock
  // file that cannot be created at all does not stop the program: true.
  bool TryLock();
  bool HoldsLock() const { return lockFd_ >= 0; }

  // Second copy: hands the running copy these names (made absolute here,
  // where they were given) and asks it to raise its window; with no names
  // it only asks it to raise. False when no copy answered (still starting,
  // or closing).
  bool ActivateRunningCopy(const QStringList& names = {}, int timeoutMs = 3000);

  // First copy: answers requests by calling onRequest with the names handed
  // over (none for a bare raise). A socket left by a copy that crashed is
  // removed first (only the lock holder does this).
  bool Listen(std::function<void(const QStringList& names)> onRequest);
  void StopListening();
  // Stops listening and gives the lock up.
  void Release();

 private:
  void OnNewConnection();

  QString name_;
  int lockFd_ = -1;
  QLocalServer* server_ = nullptr;
  std::function<void(const QStringList&)> onRequest_;
};

// Brings a window to the front; a minimised window comes back to the state
// it had before (normal, or maximised).
void RaiseAndRestore(QWidget* window);

// A line on standard error when TOLVAN_TEST_TRACE is set, so that tests with
// real processes can see what a copy did.
bool TraceEnabled();
void Trace(const QString& line);

}  // namespace tolvan
