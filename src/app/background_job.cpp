#include "app/background_job.h"

#include <QMetaObject>

namespace sonavix {

BackgroundJob::~BackgroundJob() { StopAndWait(); }

void BackgroundJob::StopAndWait() {
  stop_.store(true);
  if (thread_.joinable()) thread_.join();
}

bool BackgroundJob::Start(std::function<void()> work) {
  if (running_) return false;
  if (thread_.joinable()) thread_.join();
  stop_.store(false);
  running_ = true;
  thread_ = std::thread(std::move(work));
  return true;
}

void BackgroundJob::Post(std::function<void()> show) {
  QMetaObject::invokeMethod(this, std::move(show), Qt::QueuedConnection);
}

void BackgroundJob::Finish(std::function<void()> done) {
  QMetaObject::invokeMethod(
      this,
      [this, done = std::move(done)] {
        if (thread_.joinable()) thread_.join();
        running_ = false;
        done();
      },
      Qt::QueuedConnection);
}

}  // namespace sonavix
