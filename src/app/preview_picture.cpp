#include "app/preview_picture.h"

#include <algorithm>
#include <vector>

#include "app/picture_settings.h"
#include "export/export_job.h"
#include "playback/run.h"
#include "playback/sound_device.h"
#include "video/backdrop.h"
#include "video/picture_font.h"
#include "video/random.h"

namespace sonavix {

namespace {

constexpr int kLongestSide = 1920;

}  // namespace

PreviewLook PreviewLooks::Make(const PictureSettings& picture) {
  PreviewLook look;
  const std::unique_ptr<MediaWriter> writer = CreateMediaWriter("ffmpeg-direct");
  const FrameSize frame = ExportFrameSize(*writer, picture.Preset(), picture.Tv());
  look.scale = std::min(1.0, double(kLongestSide) / std::max({frame.width, frame.height, 1}));
  look.size = QSize(std::max(1, int(std::lround(frame.width * look.scale))),
                    std::max(1, int(std::lround(frame.height * look.scale))));
  look.transparent = HasAlpha(picture.Preset());
  look.look = picture.Look();
  look.lyrics = picture.SongLyrics();
  const QImage& image = picture.Image();
  if (!image.isNull() && !look.transparent) {
    const int fit = static_cast<int>(picture.Fit());
    if (image.cacheKey() != imageKey_ || backdropSize_ != look.size || fit_ != fit) {
      backdrop_ = MakeBackdrop(image, look.size, picture.Fit());
      imageKey_ = image.cacheKey();
      backdropSize_ = look.size;
      fit_ = fit;
    }
    look.backdrop = backdrop_;
  }
  return look;
}

QFont PreviewFont(const QFont& font, double scale) {
  if (scale >= 1 || font == DefaultPictureFont()) return font;  // the default font follows the frame anyway
  QFont scaled = font;
  if (font.pixelSize() > 0)
    scaled.setPixelSize(std::max(1, int(std::lround(font.pixelSize() * scale))));
  else
    scaled.setPointSizeF(std::max(1.0, font.pointSizeF() * scale));
  return scaled;
}

void PreviewRenderer::Apply(const PreviewLook& look) {
  if (QSize(renderer.Width(), renderer.Height()) != look.size)
    renderer = FrameRenderer(look.size.width(), look.size.height(), look.transparent);
  lyrics = look.lyrics;
  renderer.SetTextLook(look.look);
  renderer.SetLyrics(lyrics.get());
  renderer.SetBackdrop(look.backdrop);
}

void LookMailbox::Post(PreviewLook look) {
  const std::lock_guard lock(mutex_);
  next_ = std::move(look);
}

std::optional<PreviewLook> LookMailbox::Take() {
  const std::lock_guard lock(mutex_);
  std::optional<PreviewLook> look = std::move(next_);
  next_.reset();
  return look;
}

QImage DrawStill(const AudioDocument& doc, std::int64_t frame, const PreviewLook& look, const QString& text,
                 const QFont& font) {
  PreviewRenderer still;
  still.Apply(look);
  FrameRenderer& renderer = still.renderer;
  const double rate = doc.SampleRate >= kLowestPlayableRate ? doc.SampleRate : double(kStreamRate);
  const double step = rate / kStreamRate;
  const int warmUp = kStreamRate / kBlockFrames;  // a second of pictures
  // Near the start there is no second before: the web videos warm their
  // first picture up over the song's first seconds, and so does the still.
  double position = std::max(double(frame) - warmUp * kBlockFrames * step, 0.0);
  const FrameRange range{0, doc.FrameCount()};
  std::vector<std::int16_t> block(kBlockSamples + 1);
  RandomGenerator colours;  // the same colours for every still
  const QFont drawn = PreviewFont(font, look.scale);
  for (int i = 0; i < warmUp; ++i) {
    renderer.SetSongTime(i + 1 == warmUp ? double(frame) / rate : position / rate);
    FillBlock(doc, range, position, block.data());
    renderer.Analyse(block.data());
    renderer.Draw(text, drawn, colours);
  }
  return renderer.Picture().copy();
}

}  // namespace sonavix
