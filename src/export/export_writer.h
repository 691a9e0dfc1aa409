#pragma once
// Hands a run's pictures and blocks to a media writer, keeping the picture
// in step with the sound. Both clocks are counted exactly: the sound clock in
// whole sound frames at 44100 Hz, the video clock in whole video frames at
// the writer's rate (a fraction, so 30000/1001 loses nothing either). Each
// block's picture is written as many times as it takes the video clock to
// cover the sound written so far, this block included: at 25 frames per
// second 2, 2, 1, 2, 1, ... frames, 25 per 16 blocks, never a frame more or
// less than the sound needs at any length. A writer made for a picture per
// frame (the web videos) takes each frame's own picture instead, drawn by
// the run before the block goes over.

#include <cstdint>

#include "playback/run.h"
#include "video/media_writer.h"

namespace sonavix {

// Video frames that cover `soundFrames` frames of 44100 Hz sound at `rate`:
// the smallest count whose playing time is not shorter than the sound's.
std::int64_t VideoFramesFor(std::int64_t soundFrames, VideoRate rate);

class ExportWriter final : public RunWriter {
 public:
  explicit ExportWriter(MediaWriter& writer, bool picturePerFrame = false);

  void Write(FrameRenderer& renderer, const std::int16_t* block, int frames) override;
  // True once the writer has refused something; the run then ends.
  bool Failed() const override { return failed_; }

  bool PicturePerFrame() const override { return perFrame_; }
  std::int64_t PicturesDue(int frames) const override;
  Span NextPicture() const override;
  void WritePicture(FrameRenderer& renderer) override;

  std::int64_t SoundFramesWritten() const { return soundFrames_; }
  std::int64_t FramesWritten() const { return frames_; }
  // Seconds of sound and of video handed over so far.
  double AudioTime() const;
  double VideoTime() const;

 private:
  bool WritePictures(FrameRenderer& renderer, std::int64_t due);

  MediaWriter& writer_;
  VideoRate rate_;
  std::int64_t soundFrames_ = 0;
  std::int64_t frames_ = 0;
  bool failed_ = false;
  bool perFrame_ = false;
};

}  // namespace sonavix
