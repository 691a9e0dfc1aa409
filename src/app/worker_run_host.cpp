#include "app/worker_run_host.h"

#include "app/background_job.h"

namespace sonavix {

WorkerRunHost::WorkerRunHost(BackgroundJob& job, Window window)
    : job_(job),
      text_(std::move(window.text)),
      font_(std::move(window.font)),
      loop_(window.loop),
      showPicture_(std::move(window.showPicture)),
      moveCursor_(std::move(window.moveCursor)) {}

std::unique_ptr<WorkerRunHost> WorkerRunHost::Snapshot(BackgroundJob& job, const AudioDocument& sound, Window window) {
  std::unique_ptr<WorkerRunHost> host(new WorkerRunHost(job, std::move(window)));
  AudioDocument& copy = host->snapshot_;
  copy.SampleData.reset(sound.SampleData.get());
  copy.DataSize = sound.DataSize;
  copy.SelStart = sound.SelStart;
  copy.SelEnd = sound.SelEnd;
  copy.SampleRate = sound.SampleRate;
  copy.IsStereo = sound.IsStereo;
  copy.Is16Bit = sound.Is16Bit;
  host->range_ = RangeFromMarks(copy);
  return host;
}

std::unique_ptr<WorkerRunHost> WorkerRunHost::Live(BackgroundJob& job, const AudioDocument& sound, std::mutex& lock,
                                                   Window window) {
  std::unique_ptr<WorkerRunHost> host(new WorkerRunHost(job, std::move(window)));
  host->live_ = &sound;
  host->lock_ = &lock;
  host->range_ = PlayRangeFromMarks(sound);
  return host;
}

WorkerRunHost::~WorkerRunHost() { static_cast<void>(snapshot_.SampleData.release()); }

void WorkerRunHost::SetText(const QString& text) {
  const std::lock_guard lock(mutex_);
  text_ = text;
}

void WorkerRunHost::SetFont(const QFont& font) {
  const std::lock_guard lock(mutex_);
  font_ = font;
}

bool WorkerRunHost::StopRequested() const { return job_.StopRequested(); }

QString WorkerRunHost::PictureText() const {
  const std::lock_guard lock(mutex_);
  return text_;
}

QFont WorkerRunHost::PictureFont() const {
  const std::lock_guard lock(mutex_);
  return font_;
}

// A picture goes over only when the last one has been shown: the window
// never falls behind the run, it skips pictures instead.
void WorkerRunHost::ShowPicture(const QImage& picture) {
  if (pictureOnItsWay_.exchange(true)) return;
  job_.Post([this, copy = picture.copy()] {
    pictureOnItsWay_.store(false);
    showPicture_(copy);
  });
}

void WorkerRunHost::MoveCursor(std::int64_t lastFrame) {
  if (cursorOnItsWay_.exchange(true)) return;
  job_.Post([this, lastFrame] {
    cursorOnItsWay_.store(false);
    moveCursor_(lastFrame);
  });
}

}  // namespace sonavix
