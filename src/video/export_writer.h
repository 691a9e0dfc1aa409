#pragma once
// Hands a run's pictures and blocks to a media writer, keeping the picture
// in step with the sound: each block counts a sixteenth of a second on the
// sound clock, and the current picture is written as many times as the video
// clock needs to catch up (at 25 frames per second: 2, 2, 1, 2, 1, ... frames,
// 25 per 16 blocks).

#include <cstdint>

#include "playback/run.h"
#include "video/media_writer.h"

namespace sonavix {

inline constexpr double kBlockSeconds = 0.0625;

class ExportWriter final : public RunWriter {
 public:
  explicit ExportWriter(MediaWriter& writer);

  void WritePicture(FrameRenderer& renderer) override;
  void WriteBlock(const std::int16_t* block, int frames) override;
  // True once the writer has refused something; the run then ends.
  bool Failed() const override { return failed_; }

  double AudioTime() const { return audioTime_; }
  double VideoTime() const { return videoTime_; }
  std::int64_t FramesWritten() const { return frames_; }

 private:
  MediaWriter& writer_;
  double frameDuration_;
  double audioTime_ = 0;
  double videoTime_ = 0;
  std::int64_t frames_ = 0;
  bool failed_ = false;
};

}  // namespace sonavix
