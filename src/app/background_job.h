#pragma once
// Long work of the window on a thread of its own: the window's event loop
// goes on while it runs, STOP reaches it through a flag it polls, and what
// it has to tell (progress, pictures, its end) is handed to the window's
// thread, where it is shown. One job at a time; the job is waited for when
// the object goes.

#include <QObject>
#include <atomic>
#include <functional>
#include <thread>

namespace sonavix {

class BackgroundJob final : public QObject {
 public:
  explicit BackgroundJob(QObject* parent) : QObject(parent) {}
  ~BackgroundJob() override;

  // Runs `work` on a new thread; false while another job runs.
  bool Start(std::function<void()> work);
  // Asks the job to stop; it ends at its next look at StopRequested().
  void RequestStop() { stop_.store(true); }
  bool StopRequested() const { return stop_.load(); }
  // Asks the job to stop and waits for its thread to end; what it posted
  // is never shown. For the owner about to go.
  void StopAndWait();
  bool Running() const { return running_; }
  // From the job's thread: runs `show` on the window's thread, in order.
  void Post(std::function<void()> show);
  // From the job's thread, as its last word: runs `done` on the window's
  // thread once the job's thread has ended.
  void Finish(std::function<void()> done);

 private:
  std::thread thread_;
  std::atomic<bool> stop_{false};
  bool running_ = false;
};

}  // namespace sonavix
