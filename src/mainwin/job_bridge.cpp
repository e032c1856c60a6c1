#include "mainwin/job_bridge.h"

#include <QMetaObject>
#include <QThread>

#include <memory>

namespace tolvan {

void TJobBridge::Close() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
  }
  cv_.notify_all();
}

void TJobBridge::Open() {
  std::lock_guard<std::mutex> lock(mutex_);
  closed_ = false;
}

void TJobBridge::RunInMainThread(std::function<void()> f, bool wait) {
  if (QThread::currentThread() == thread()) {
    f();
    return;
  }
  auto done = std::make_shared<bool>(false);
  std::unique_lock<std::mutex> lock(mutex_);
  if (closed_) return;
  // The bridge is the call's context: if it is gone, the call is dropped.
  QMetaObject::invokeMethod(
      this,
      [this, f = std::move(f), done] {
        {
          std::lock_guard<std::mutex> guard(mutex_);
          if (closed_) {
            *done = true;
            cv_.notify_all();
            return;
          }
        }
        f();
        {
          std::lock_guard<std::mutex> guard(mutex_);
          *done = true;
        }
        cv_.notify_all();
      },
      Qt::QueuedConnection);
  if (wait) cv_.wait(lock, [&] { return *done || closed_; });
}

void TJobBridge::JobProgress(const std::string& label, const std::string& count) {
  QString l = QString::fromStdString(label), c = QString::fromStdString(count);
  RunInMainThread([this, l, c] { if (onProgress) onProgress(l, c); }, true);
}

void TJobBridge::JobRunsDone(std::size_t done, std::size_t planned) {
  RunInMainThread([this, done, planned] { if (onRunsDone) onRunsDone(done, planned); }, false);
}

void TJobBridge::JobBusyCursor(bool busy) {
  RunInMainThread([this, busy] { if (onBusyCursor) onBusyCursor(busy); }, false);
}

void TJobBridge::JobPutClipboard(const std::string& cp932Text) {
  RunInMainThread([this, cp932Text] { if (onClipboard) onClipboard(cp932Text); }, true);
}

void TJobBridge::JobException(const std::string& utf8Message) {
  QString m = QString::fromStdString(utf8Message);
  RunInMainThread([this, m] { if (onException) onException(m); }, true);
}

void TJobBridge::JobEnded() {
  RunInMainThread([this] { if (onEnded) onEnded(); }, false);
}

}  // namespace tolvan
