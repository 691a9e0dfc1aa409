#include "video/threaded_media_writer.h"

#include <cstring>
#include <utility>

namespace sonavix {

namespace {
constexpr std::size_t kMaxQueued = 3;  // enough to overlap drawing and encoding, little memory
}

ThreadedMediaWriter::ThreadedMediaWriter(std::unique_ptr<MediaWriter> inner)
    : inner_(std::move(inner)), worker_([this] { Work(); }) {}

ThreadedMediaWriter::~ThreadedMediaWriter() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  worker_.join();
}

void ThreadedMediaWriter::Work() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
    if (jobs_.empty()) return;  // stopping, nothing left
    Job job = std::move(jobs_.front());
    jobs_.pop_front();
    busy_ = true;
    const bool skip = failed_ || stopping_;
    lock.unlock();
    bool ok = true;
    if (!skip) {
      switch (job.kind) {
        case Job::Kind::Image:
          ok = inner_->WriteImage(job.picture);
          break;
        case Job::Kind::Converted:
          ok = inner_->WriteConverted(std::move(job.converted));
          break;
        case Job::Kind::Repeat:
          ok = inner_->RepeatImage();
          break;
        case Job::Kind::Sound:
          ok = inner_->WriteSound(job.sound);
          break;
      }
    }
    lock.lock();
    if (!ok) failed_ = true;
    busy_ = false;
    spare_.push_back(std::move(job.bytes));
    changed_.notify_all();
  }
}

bool ThreadedMediaWriter::Drain() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return jobs_.empty() && !busy_; });
  return !failed_;
}

std::vector<std::uint8_t> ThreadedMediaWriter::SpareBuffer(std::size_t size) {
  std::vector<std::uint8_t> buffer;
  {
    // The smallest spare that holds it: sound keeps to the small buffers and
    // pictures to the large ones, so neither grows (and clears) memory anew.
    const std::lock_guard lock(mutex_);
    auto best = spare_.end();
    for (auto it = spare_.begin(); it != spare_.end(); ++it)
      if (it->capacity() >= size && (best == spare_.end() || it->capacity() < best->capacity())) best = it;
    if (best != spare_.end()) {
      buffer = std::move(*best);
      spare_.erase(best);
    }
  }
  buffer.resize(size);
  return buffer;
}

bool ThreadedMediaWriter::Queue(Job job) {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return jobs_.size() < kMaxQueued || failed_; });
  if (failed_) {
    lock.unlock();
    Drain();  // the worker leaves the writer alone from here on
    return false;
  }
  jobs_.push_back(std::move(job));
  changed_.notify_all();
  return true;
}

bool ThreadedMediaWriter::SetFileName(const std::string& path) {
  Drain();
  {
    const std::lock_guard lock(mutex_);
    failed_ = false;
  }
  soundRate_ = soundChannels_ = 0;
  pictured_ = false;
  open_ = inner_->SetFileName(path);
  return open_;
}

bool ThreadedMediaWriter::WriteImage(const MediaImage& image) {
  const bool wellFormed = image.pixels && image.width > 0 && image.height > 0 &&
                          image.bytesPerLine >= 4 * image.width;
  if (!open_ || !wellFormed) {
    // Refused for certain: answered as the writer answers, at once.
    Drain();
    const bool ok = inner_->WriteImage(image);
    open_ = open_ && ok;
    return ok;
  }
  Job job;
  pictured_ = true;
  if ((job.converted = inner_->ConvertAhead(image))) {
    job.kind = Job::Kind::Converted;
    return Queue(std::move(job));
  }  // else the writer converts it itself, and says why it cannot
  job.kind = Job::Kind::Image;
  const auto size = static_cast<std::size_t>(image.bytesPerLine) * static_cast<std::size_t>(image.height);
  job.bytes = SpareBuffer(size);
  std::memcpy(job.bytes.data(), image.pixels, size);
  job.picture = image;
  job.picture.pixels = job.bytes.data();
  return Queue(std::move(job));
}

bool ThreadedMediaWriter::RepeatImage() {
  if (!open_ || !pictured_) {
    Drain();
    const bool ok = inner_->RepeatImage();
    open_ = open_ && ok;
    return ok;
  }
  Job job;
  job.kind = Job::Kind::Repeat;
  return Queue(std::move(job));
}

bool ThreadedMediaWriter::WriteSound(const MediaSound& sound) {
  if (sound.frames == 0 && open_) return true;
  const bool sameFormat = soundRate_ == 0 || (sound.rate == soundRate_ && sound.channels == soundChannels_);
  if (!open_ || !sameFormat || sound.frames < 0 || !sound.samples) {
    Drain();
    const bool ok = inner_->WriteSound(sound);
    open_ = open_ && ok;
    return ok;
  }
  soundRate_ = sound.rate;
  soundChannels_ = sound.channels;
  Job job;
  const auto size = static_cast<std::size_t>(sound.frames) * static_cast<std::size_t>(sound.channels) *
                    sizeof(std::int16_t);
  job.bytes = SpareBuffer(size);
  std::memcpy(job.bytes.data(), sound.samples, size);
  job.sound = sound;
  job.sound.samples = reinterpret_cast<const std::int16_t*>(job.bytes.data());
  return Queue(std::move(job));
}

bool ThreadedMediaWriter::WriteClose() {
  if (!Drain()) {
    open_ = false;
    return false;
  }
  open_ = false;
  return inner_->WriteClose();
}

}  // namespace sonavix
