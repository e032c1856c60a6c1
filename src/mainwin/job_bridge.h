// Carries a job thread's calls into the main thread. Progress and the
// clipboard hand-over are synchronous: the job thread waits until the main
// thread has handled them, unless the bridge is closed, after which every
// call returns at once so a closing window never deadlocks against its job.
#pragma once

#include <QObject>
#include <QString>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>

#include "job/job_host.h"

namespace tolvan {

class TJobBridge : public QObject, public TJobHost {
  Q_OBJECT
 public:
  explicit TJobBridge(QObject* parent = nullptr) : QObject(parent) {}

  // Handlers, run in the main thread.
  std::function<void(const QString& label, const QString& count)> onProgress;
  std::function<void(std::size_t done, std::size_t planned)> onRunsDone;
  std::function<void(bool busy)> onBusyCursor;
  std::function<void(const std::string& cp932Text)> onClipboard;
  std::function<void(const QString& message)> onException;
  std::function<void()> onEnded;

  // From now on nothing waits for the main thread and nothing reaches it.
  void Close();
  // Lets calls through again (a new job after a closed one).
  void Open();

  void JobProgress(const std::string& label, const std::string& count) override;
  void JobRunsDone(std::size_t done, std::size_t planned) override;
  void JobBusyCursor(bool busy) override;
  void JobPutClipboard(const std::string& cp932Text) override;
  void JobException(const std::string& utf8Message) override;
  void JobEnded() override;

 private:
  void RunInMainThread(std::function<void()> f, bool wait);

  std::mutex mutex_;
  std::condition_variable cv_;
  bool closed_ = false;
};

}  // namespace tolvan
