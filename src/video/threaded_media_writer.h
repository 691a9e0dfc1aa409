#pragma once
// A media writer that encodes on a thread of its own: while one picture is
// encoded, the run already draws the next. It wraps another writer and hands
// it every call in the order made, one at a time, from its worker thread.
//
// Pictures and sound are copied into a short queue, so the caller's memory
// is free again when a call returns; a picture the wrapped writer can
// convert ahead goes in converted, on the caller's thread (1.5 bytes a
// pixel instead of 4, the conversion off the encoder's thread, and in the
// encoder's own frame, so it is not copied again). A call whose input the
// writer is sure to refuse (no file, no pixels, sound of another format
// than before) is answered at once, as the wrapped writer would; a failure
// while encoding (a full disk) is answered by the next call, or by
// WriteClose.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "video/media_writer.h"

namespace sonavix {

class ThreadedMediaWriter final : public MediaWriter {
 public:
  explicit ThreadedMediaWriter(std::unique_ptr<MediaWriter> inner);
  ~ThreadedMediaWriter() override;  // the worker stops before the wrapped writer goes

  void SetFormatPreset(DiscPreset preset, TvSystem tv = TvSystem::Pal) override {
    inner_->SetFormatPreset(preset, tv);
  }
  int FrameWidth() const override { return inner_->FrameWidth(); }
  int FrameHeight() const override { return inner_->FrameHeight(); }
  VideoRate FrameRate() const override { return inner_->FrameRate(); }
  void SetQuality(double quality) override { inner_->SetQuality(quality); }
  void SetExactEnd(bool exact) override { inner_->SetExactEnd(exact); }
  void SetWebFrameRate(int rate) override { inner_->SetWebFrameRate(rate); }
  void SetChapters(std::vector<MediaChapter> chapters) override { inner_->SetChapters(std::move(chapters)); }
  bool SetFileName(const std::string& path) override;
  bool WriteImage(const MediaImage& image) override;
  bool RepeatImage() override;
  bool WriteSound(const MediaSound& sound) override;
  bool WriteClose() override;
  // Read it after a call has answered false: the worker is idle then.
  WriteFailure Failure() const override { return inner_->Failure(); }

 private:
  struct Job {
    enum class Kind { Image, Converted, Repeat, Sound } kind = Kind::Sound;
    MediaImage picture;
    MediaSound sound;
    std::vector<std::uint8_t> bytes;  // the copied pixels or samples
    std::unique_ptr<ConvertedImage> converted;
  };

  void Work();
  // Waits until every queued call has been made; false if one failed.
  bool Drain();
  bool Queue(Job job);
  std::vector<std::uint8_t> SpareBuffer(std::size_t size);

  std::unique_ptr<MediaWriter> inner_;
  bool open_ = false;
  bool pictured_ = false;  // a picture has been queued since the file was named
  int soundRate_ = 0;
  int soundChannels_ = 0;

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Job> jobs_;
  std::vector<std::vector<std::uint8_t>> spare_;  // buffers of finished jobs, to reuse
  bool busy_ = false;
  bool failed_ = false;
  bool stopping_ = false;
  std::thread worker_;
};

}  // namespace sonavix
