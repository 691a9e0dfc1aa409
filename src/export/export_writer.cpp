#include "export/export_writer.h"

#include <QImage>
#include <algorithm>

#include "playback/sound_device.h"
#include "video/frame_renderer.h"

namespace sonavix {

namespace {

MediaImage ImageOf(const QImage& picture) {
  return {picture.width(), picture.height(), static_cast<int>(picture.bytesPerLine()), picture.constBits()};
}

}  // namespace

std::int64_t VideoFramesFor(std::int64_t soundFrames, VideoRate rate) {
  if (soundFrames <= 0 || rate.num <= 0 || rate.den <= 0) return 0;
  // frames / rate >= sound / 44100  <=>  frames >= sound * num / (44100 * den)
  const std::int64_t numerator = soundFrames * rate.num;
  const std::int64_t denominator = std::int64_t{kStreamRate} * rate.den;
  return (numerator + denominator - 1) / denominator;
}

ExportWriter::ExportWriter(MediaWriter& writer, bool picturePerFrame)
    : writer_(writer), rate_(writer.FrameRate()), perFrame_(picturePerFrame) {
  // A writer without a sensible rate still gets a picture a second.
  if (rate_.num <= 0 || rate_.den <= 0) rate_ = {1, 1};
}

double ExportWriter::AudioTime() const { return double(soundFrames_) / kStreamRate; }

double ExportWriter::VideoTime() const { return double(frames_) * rate_.den / rate_.num; }

void ExportWriter::Write(FrameRenderer& renderer, const std::int16_t* block, int frames) {
  if (failed_) return;
  if (!WritePictures(renderer, VideoFramesFor(soundFrames_ + frames, rate_))) return;
  if (!writer_.WriteSound({frames, kStreamRate, kStreamChannels, block})) {
    failed_ = true;
    return;
  }
  soundFrames_ += frames;
}

std::int64_t ExportWriter::PicturesDue(int frames) const {
  return std::max<std::int64_t>(VideoFramesFor(soundFrames_ + frames, rate_) - frames_, 0);
}

// Video frame k covers [k, k + 1) / rate seconds, in sound frames rounded up.
RunWriter::Span ExportWriter::NextPicture() const {
  const std::int64_t perSecond = std::int64_t{kStreamRate} * rate_.den;
  return {(frames_ * perSecond + rate_.num - 1) / rate_.num, ((frames_ + 1) * perSecond + rate_.num - 1) / rate_.num};
}

void ExportWriter::WritePicture(FrameRenderer& renderer) {
  if (failed_) return;
  if (!writer_.WriteImage(ImageOf(renderer.Picture()))) {
    failed_ = true;
    return;
  }
  ++frames_;
}

// The picture goes over as it is, top row first; the working picture is
// left alone, so its fading trails stay where the preview shows them.
bool ExportWriter::WritePictures(FrameRenderer& renderer, std::int64_t due) {
  const MediaImage image = ImageOf(renderer.Picture());
  // The picture is converted once; further frames of it only repeat it.
  for (std::int64_t first = frames_; frames_ < due; ++frames_) {
    if (!(frames_ == first ? writer_.WriteImage(image) : writer_.RepeatImage())) {
      failed_ = true;
      return false;
    }
  }
  return true;
}

}  // namespace sonavix
