#include "video/export_writer.h"

#include <QImage>

#include "playback/sound_device.h"
#include "video/frame_renderer.h"

namespace sonavix {

ExportWriter::ExportWriter(MediaWriter& writer)
    : writer_(writer), frameDuration_(writer.FrameRate() > 0 ? 1.0 / writer.FrameRate() : 1.0) {}

void ExportWriter::WritePicture(FrameRenderer& renderer) {
  if (failed_) return;
  // The picture goes over as it is, top row first; the working picture is
  // left alone, so its fading trails stay where the preview shows them.
  const QImage& picture = renderer.Picture();
  const MediaImage image{picture.width(), picture.height(),
                         static_cast<int>(picture.bytesPerLine()), picture.constBits()};
  audioTime_ += kBlockSeconds;
  do {
    if (videoTime_ <= audioTime_) {
      if (!writer_.WriteImage(image)) {
        failed_ = true;
        return;
      }
      ++frames_;
      videoTime_ += frameDuration_;
    }
  } while (videoTime_ < audioTime_);
}

void ExportWriter::WriteBlock(const std::int16_t* block, int frames) {
  if (failed_) return;
  if (!writer_.WriteSound({frames, kStreamRate, kStreamChannels, block})) failed_ = true;
}

}  // namespace sonavix
