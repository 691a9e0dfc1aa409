#include "export/export_session.h"

#include <algorithm>
#include <utility>

#include "document/work_progress.h"

namespace sonavix {

// Passes the run's blocks on to the export writer and tells the share done.
class ExportSession::Reporter final : public RunWriter {
 public:
  Reporter(ExportWriter& sink, std::int64_t expected, Progress progress, std::int64_t limit)
      : sink_(sink), expected_(std::max<std::int64_t>(expected, 1)), progress_(std::move(progress)), limit_(limit) {}

  void Write(FrameRenderer& renderer, const std::int16_t* block, int frames) override {
    frames = Limited(frames);
    if (frames == 0) return;
    sink_.Write(renderer, block, frames);
    if (!progress_ || !gate_.Due()) return;
    progress_(std::clamp(double(sink_.SoundFramesWritten()) / double(expected_), 0.0, 1.0));
  }
  bool Failed() const override { return sink_.Failed(); }
  bool PicturePerFrame() const override { return sink_.PicturePerFrame(); }
  std::int64_t PicturesDue(int frames) const override {
    frames = Limited(frames);
    return frames == 0 ? 0 : sink_.PicturesDue(frames);
  }
  Span NextPicture() const override { return sink_.NextPicture(); }
  void SetLimit(std::int64_t limit) { limit_ = limit; }
  void WritePicture(FrameRenderer& renderer) override { sink_.WritePicture(renderer); }

 private:
  // The frames of a block that go over. With a limit, the last block's sound
  // only; a run that is all silence keeps one frame, so that its one picture
  // goes out with something.
  int Limited(int frames) const {
    if (limit_ < 0) return frames;
    const std::int64_t left = std::max<std::int64_t>(limit_ - sink_.SoundFramesWritten(), 0);
    frames = static_cast<int>(std::min<std::int64_t>(frames, left));
    if (frames == 0 && sink_.SoundFramesWritten() > 0) return 0;
    return std::max(frames, 1);
  }

  ExportWriter& sink_;
  std::int64_t expected_;
  Progress progress_;
  std::int64_t limit_;
  ReportGate gate_;
};

ExportSession::ExportSession(MediaWriter& writer, DiscPreset preset, TvSystem tv, double quality)
    : writer_(writer), picturePerFrame_(!IsDiscFormat(preset)) {
  writer_.SetFormatPreset(preset, tv);
  writer_.SetQuality(quality);
}

ExportSession::~ExportSession() = default;

bool ExportSession::Open(const std::string& path, std::int64_t expectedSoundFrames,
                         Progress progress) {
  writer_.SetExactEnd(exactFrames_ >= 0);
  if (!writer_.SetFileName(path)) return false;
  sink_ = std::make_unique<ExportWriter>(writer_, picturePerFrame_);
  reporter_ = std::make_unique<Reporter>(*sink_, exactFrames_ >= 0 ? exactFrames_ : expectedSoundFrames,
                                         std::move(progress), exactFrames_);
  return true;
}

void ExportSession::EndExactlyAfter(std::int64_t soundFrames) { exactFrames_ = std::max<std::int64_t>(soundFrames, 0); }

void ExportSession::LimitSoundTo(std::int64_t soundFrames) {
  if (reporter_) reporter_->SetLimit(std::max<std::int64_t>(soundFrames, 0));
}

RunWriter& ExportSession::Sink() { return *reporter_; }

bool ExportSession::Finish() {
  if (!sink_ || sink_->Failed()) return false;
  return writer_.WriteClose();
}

double ExportSession::AudioTime() const { return sink_ ? sink_->AudioTime() : 0.0; }

}  // namespace sonavix
