#pragma once
// The picture of each block of a run: a background that fades from block to
// block, one hundred circles pushed away from the centre by the smoothed
// spectrum of the previous block, and the line of text (text_layer.h).
// Works on a picture of any size: 400 x 400 for the preview, the video
// frame's size for an export.

#include <QFont>
#include <QImage>
#include <QString>
#include <array>
#include <cstdint>

#include "video/circle_stamp.h"
#include "video/lyrics_layer.h"
#include "video/picture_pace.h"
#include "video/random.h"
#include "video/text_layer.h"

namespace sonavix {

inline constexpr int kSpectrumPower = 11;
inline constexpr int kSpectrumSize = 1 << kSpectrumPower;  // 2048 frames analysed per block
inline constexpr int kSpectrumGroups = 342;                 // groups of three bins
inline constexpr int kCircleRows = 10;                      // 10 x 10 circles

class FrameRenderer {
 public:
  // A mid-grey picture with a one-pixel red frame; all spectra zero. A
  // transparent one (Format_ARGB32) starts clear, and its trails fade to
  // clear instead of to the dark blue.
  FrameRenderer(int width, int height, bool transparent = false);

  // One picture: group sums, smoothing, fade, circles, text. Colours come
  // from `random`, four numbers per circle.
  void Draw(const QString& text, const QFont& font, RandomGenerator& random);

  // Takes the first 2048 frames of a block of interleaved stereo 16-bit
  // samples (left, right) through the forward transform, for the next Draw.
  void Analyse(const std::int16_t* block);

  // How the text is drawn: the cell unless told otherwise.
  void SetTextLook(const TextLook& look) {
    text_.SetLook(look);
    lyrics_.SetBottomSafe(look.bottomSafe);
  }
  // Lyrics to show (kept by the caller; none: null), and where in the song
  // the next picture stands, in seconds.
  void SetLyrics(const Lyrics* lyrics) { lyrics_.SetLyrics(lyrics); }
  void SetSongTime(double seconds) { songTime_ = seconds; }
  // A picture of the frame's size (Format_RGB32) the trails fade toward
  // instead of the dark blue; a null image: the dark blue again.
  void SetBackdrop(QImage backdrop);

  // Draws at this many pictures a second (picture_pace.h); the block's pace
  // until told otherwise.
  void SetPicturePace(double picturesPerSecond) { pace_ = PicturePace::At(picturesPerSecond); }

  // Swaps the picture's rows top to bottom in place.
  void MirrorRows();

  // The working picture (QImage::Format_RGB32).
  const QImage& Picture() const { return picture_; }
  int Width() const { return picture_.width(); }
  int Height() const { return picture_.height(); }

  // Diameter of the circles and the divisor D of their offsets for a width.
  static int CircleSize(int width);
  static double OffsetDivisor(int width);

  const std::array<double, kSpectrumSize>& SpecRe() const { return specRe_; }
  const std::array<double, kSpectrumSize>& SpecIm() const { return specIm_; }
  const std::array<double, kSpectrumGroups>& SmoothRe() const { return smoothRe_; }
  const std::array<double, kSpectrumGroups>& SmoothIm() const { return smoothIm_; }

 private:
  void Smooth();
  void Fade();
  void DrawCircles(RandomGenerator& random, QColor& lastFill);

  QImage picture_;
  QImage backdrop_;
  bool transparent_ = false;
  CircleStamp stamp_;  // the circles' shape at the current size
  TextLayer text_;
  LyricsLayer lyrics_;
  double songTime_ = 0;
  PicturePace pace_;
  std::array<double, kSpectrumSize> specRe_{};
  std::array<double, kSpectrumSize> specIm_{};
  std::array<double, kSpectrumGroups> smoothRe_{};
  std::array<double, kSpectrumGroups> smoothIm_{};
};

}  // namespace sonavix
