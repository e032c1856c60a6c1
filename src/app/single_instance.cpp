#include "app/single_instance.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QWidget>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace tolvan {
namespace {

// A bare raise is one line. Names come as "open", one percent-encoded UTF-8
// name a line, and an empty line; the answer follows once they are in.
constexpr char kRaiseRequest[] = "raise\n";
constexpr char kOpenRequest[] = "open\n";
constexpr char kRaiseAnswer[] = "ok\n";
// A line longer than any path could make is a client gone wrong.
constexpr qint64 kMaxLine = 3 * 4096 + 2;
// Names on the command line of the same user: a bound only against a
// client that never stops.
constexpr qsizetype kMaxNamesBytes = 256 * 1024 * 1024;

QString StateText(Qt::WindowStates s) {
  if (s & Qt::WindowMinimized) return QStringLiteral("minimized");
  if (s & Qt::WindowMaximized) return QStringLiteral("maximized");
  if (s & Qt::WindowFullScreen) return QStringLiteral("fullscreen");
  return QStringLiteral("normal");
}

}  // namespace

bool TraceEnabled() { return std::getenv("TOLVAN_TEST_TRACE") != nullptr; }

void Trace(const QString& line) {
  if (!TraceEnabled()) return;
  std::fprintf(stderr, "tolvan[%d]: %s\n", static_cast<int>(::getpid()), line.toUtf8().constData());
  std::fflush(stderr);
}

QString SingleInstance::DefaultName() {
  return QStringLiteral("hTolvanInst-%1").arg(static_cast<qulonglong>(::getuid()));
}

static bool IsPrivateFolder(const QString& folder) {
  const QByteArray path = QFile::encodeName(folder);
  // Opened without following a link, then asked about what was opened.
  const int fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  const bool ok = ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() && (st.st_mode & 077) == 0;
  ::close(fd);
  return ok;
}

QString SingleInstance::Folder() {
  const QString runtime = QFile::decodeName(qgetenv("XDG_RUNTIME_DIR"));
  if (!runtime.isEmpty() && IsPrivateFolder(runtime)) return runtime;
  // Names in the shared temporary folder can be taken by anyone first: the
  // lock and the socket go into a folder of this user's own, made 0700. One
  // that someone else made, or that is a link, is not used.
  const QString own = QDir::tempPath() + QStringLiteral("/tolvan-%1").arg(static_cast<qulonglong>(::getuid()));
  if (::mkdir(QFile::encodeName(own).constData(), 0700) != 0 && errno != EEXIST) return QString();
  return IsPrivateFolder(own) ? own : QString();
}

QString SingleInstance::LockFilePath(const QString& name) {
  const QString folder = Folder();
  return folder.isEmpty() ? QString() : folder + '/' + name + ".lock";
}
QString SingleInstance::SocketPath(const QString& name) {
  const QString folder = Folder();
  return folder.isEmpty() ? QString() : folder + '/' + name + ".sock";
}

SingleInstance::SingleInstance(QString name, QObject* parent) : QObject(parent), name_(std::move(name)) {}

SingleInstance::~SingleInstance() { Release(); }

bool SingleInstance::TryLock() {
  if (lockFd_ >= 0) return true;
  // Close-on-exec: a gawk child or a browser started from here must not
  // inherit the lock and keep it after this copy has ended.
  const QString lockPath = LockFilePath(name_);
  if (lockPath.isEmpty()) {
    Trace(QStringLiteral("no private folder for the lock; going on"));
    return true;
  }
  const QByteArray path = QFile::encodeName(lockPath);
  int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) {
    Trace(QStringLiteral("lock file cannot be created; going on"));
    return true;
  }
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return false;
  }
  lockFd_ = fd;
  return true;
}

bool SingleInstance::ActivateRunningCopy(const QStringList& names, int timeoutMs) {
  if (SocketPath(name_).isEmpty()) return false;
  QLocalSocket socket;
  socket.connectToServer(SocketPath(name_));
  if (!socket.waitForConnected(timeoutMs)) {
    Trace(QStringLiteral("another copy holds the lock but does not answer"));
    return false;
  }
  if (names.isEmpty()) {
    socket.write(kRaiseRequest);
  } else {
    // Relative names mean this copy's folder, not the running copy's.
    QByteArray request(kOpenRequest);
    for (const QString& n : names) {
      if (n.isEmpty()) continue;
      request += QDir::current().absoluteFilePath(n).toUtf8().toPercentEncoding("/");
      request += '\n';
    }
    request += '\n';
    socket.write(request);
  }
  while (socket.bytesToWrite() > 0 && socket.waitForBytesWritten(timeoutMs)) {
  }
  // Wait for the answer, so that the first copy has acted before this one ends.
  QByteArray answer;
  while (!answer.contains('\n') && socket.waitForReadyRead(timeoutMs)) answer += socket.readAll();
  socket.disconnectFromServer();
  const bool ok = answer == kRaiseAnswer;
  if (!ok)
    Trace(QStringLiteral("the running copy did not confirm"));
  else if (names.isEmpty())
    Trace(QStringLiteral("activated the running copy"));
  else
    Trace(QStringLiteral("activated the running copy with %1 names").arg(names.size()));
  return ok;
}

bool SingleInstance::Listen(std::function<void(const QStringList& names)> onRequest) {
  StopListening();
  onRequest_ = std::move(onRequest);
  const QString path = SocketPath(name_);
  if (path.isEmpty()) return false;
  // Only the lock holder gets here, so a socket file found now was left by a
  // copy that died.
  QLocalServer::removeServer(path);
  server_ = new QLocalServer(this);
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  connect(server_, &QLocalServer::newConnection, this, &SingleInstance::OnNewConnection);
  if (!server_->listen(path)) {
    Trace(QStringLiteral("cannot listen: %1").arg(server_->errorString()));
    delete server_;
    server_ = nullptr;
    return false;
  }
  Trace(QStringLiteral("ready"));
  return true;
}

void SingleInstance::OnNewConnection() {
  struct Request {
    bool open = false;  // an "open" line came: names follow
    QStringList names;
    qsizetype bytes = 0;
  };
  while (QLocalSocket* socket = server_ ? server_->nextPendingConnection() : nullptr) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    auto request = std::make_shared<Request>();
    connect(socket, &QLocalSocket::readyRead, this, [this, socket, request] {
      while (socket->canReadLine()) {
        const QByteArray line = socket->readLine(kMaxLine + 2);
        if (!line.endsWith('\n')) break;  // too long: cut off below
        if (!request->open) {
          Trace(QStringLiteral("request %1").arg(QString::fromLatin1(line.toPercentEncoding())));
          if (line == kOpenRequest) {
            request->open = true;
            continue;
          }
          if (line != kRaiseRequest) {
            socket->disconnectFromServer();
            return;
          }
        } else if (line != "\n") {
          request->bytes += line.size();
          if (request->bytes > kMaxNamesBytes || line.size() > kMaxLine) break;
          request->names << QString::fromUtf8(QByteArray::fromPercentEncoding(line.chopped(1)));
          continue;
        }
        if (request->open && TraceEnabled()) {
          Trace(QStringLiteral("received %1 names").arg(request->names.size()));
          for (const QString& n : request->names) Trace("name " + QString::fromLatin1(n.toUtf8().toPercentEncoding("/")));
        }
        if (onRequest_) onRequest_(request->names);
        socket->write(kRaiseAnswer);
        socket->flush();
        socket->disconnectFromServer();
        return;
      }
      // A client that sends endless bytes without a line end is cut off.
      if (socket->bytesAvailable() > kMaxLine || request->bytes > kMaxNamesBytes || socket->canReadLine())
        socket->abort();
    });
  }
}

void SingleInstance::StopListening() {
  if (!server_) return;
  server_->close();
  delete server_;
  server_ = nullptr;
}

void SingleInstance::Release() {
  StopListening();
  if (lockFd_ >= 0) {
    ::close(lockFd_);  // drops the flock
    lockFd_ = -1;
  }
}

void RaiseAndRestore(QWidget* window) {
  if (!window) return;
  const Qt::WindowStates before = window->windowState();
  if (before & Qt::WindowMinimized) window->setWindowState((before & ~Qt::WindowMinimized) | Qt::WindowActive);
  window->show();
  window->raise();
  window->activateWindow();
  Trace(QStringLiteral("raised %1 -> %2").arg(StateText(before), StateText(window->windowState())));
}

}  // namespace tolvan
