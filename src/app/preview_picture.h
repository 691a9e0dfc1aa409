#pragma once
// What the preview draws: the frame of the format chosen, with its shape
// and its look (text, second line, colour and place, the picture behind the
// circles, the lyrics), during playback and as a still of the marks' place
// when nothing plays. Frames wider or taller than 1920 pixels are drawn
// smaller, the user's font with them, so that the preview costs no more
// than 1080p.

#include <QFont>
#include <QImage>
#include <QSize>
#include <memory>
#include <mutex>
#include <optional>

#include "document/audio_document.h"
#include "lyrics/lyrics.h"
#include "video/frame_renderer.h"
#include "video/text_layer.h"

namespace sonavix {

class PictureSettings;

struct PreviewLook {
  QSize size;
  double scale = 1;  // of the preview against the real frame
  bool transparent = false;
  TextLook look;
  std::shared_ptr<const Lyrics> lyrics;
  QImage backdrop;  // made for `size` already; null: none
};

// The look of the settings now. Making the picture behind the circles
// takes time: the last one made is kept for the next call.
class PreviewLooks {
 public:
  PreviewLook Make(const PictureSettings& picture);

 private:
  qint64 imageKey_ = 0;
  QSize backdropSize_;
  int fit_ = -1;
  QImage backdrop_;
};

// The font the preview draws in: the user's, scaled with the frame.
QFont PreviewFont(const QFont& font, double scale);

// A renderer with its look, on the thread that draws; Apply takes a new
// look between pictures (a new size starts a new picture).
struct PreviewRenderer {
  FrameRenderer renderer{0, 0};
  std::shared_ptr<const Lyrics> lyrics;  // the renderer points into them
  void Apply(const PreviewLook& look);
};

// A look handed from the window's thread to the drawing one.
class LookMailbox {
 public:
  void Post(PreviewLook look);
  std::optional<PreviewLook> Take();

 private:
  std::mutex mutex_;
  std::optional<PreviewLook> next_;
};

// A still of the sound at source frame `frame`: a second of the song
// before it drawn first, so that the circles stand as they would there.
QImage DrawStill(const AudioDocument& doc, std::int64_t frame, const PreviewLook& look, const QString& text,
                 const QFont& font);

}  // namespace sonavix
