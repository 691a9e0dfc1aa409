#pragma once
// How fast the picture forgets. Each picture keeps part of the one before:
// the smoothed spectrum nine tenths of its sums, the trails seven tenths of
// their light (red 0.7, green 0.6, blue 0.8 toward a dark blue). Those
// shares are made for one picture a block, sixteen a second. A video that
// draws a picture for each of its 30 or 60 frames takes every share to the
// power (block time / frame time), so the trails and the swing of the
// circles last as long in seconds as they do at a block's pace.

#include <QtGlobal>
#include <cstdint>

namespace sonavix {

// Pictures a second when the run draws one per block (2756 frames of
// 44100 Hz sound).
inline constexpr double kBlockPicturesPerSecond = 44100.0 / 2756.0;

// The blue the trails settle at, as at the block's pace ((8b + 254) / 10).
inline constexpr std::uint32_t kRestingBlue = 127;

struct PicturePace {
  // The block's own pace: the described arithmetic, bit for bit.
  bool atBlockPace = true;
  double smoothDecay = 0.9;
  // What a block's sums count for, so the smoothed sums settle at the same
  // size whatever the pace.
  double smoothGain = 1.0;
  // Shares kept, out of 256, for the pixel fades at another pace.
  std::uint32_t red = 0, green = 0, blue = 0, ground = 0;

  // The pace for this many pictures a second; 0 or less: the block's.
  static PicturePace At(double picturesPerSecond);
};

// The fades of one run of pixels at a pace other than the block's: toward
// the dark blue, toward a picture (`ground`), and toward clear. Inline, so
// that they vectorise inside the caller's wide build (sample_code.h).
inline void FadePixelsAtPace(std::uint32_t* px, qsizetype count, const PicturePace& pace) {
  const std::uint32_t keepRed = pace.red, keepGreen = pace.green, keepBlue = pace.blue;
  const std::uint32_t blueRest = (256 - keepBlue) * kRestingBlue;
  for (qsizetype x = 0; x < count; ++x) {
    const std::uint32_t p = px[x];
    const std::uint32_t blue = (keepBlue * (p & 0xFFu) + blueRest) >> 8;
    const std::uint32_t green = (keepGreen * ((p >> 8) & 0xFFu)) >> 8;
    const std::uint32_t red = (keepRed * ((p >> 16) & 0xFFu)) >> 8;
    px[x] = 0xFF000000u | (red << 16) | (green << 8) | blue;
  }
}

inline void FadePixelsTowardAtPace(std::uint32_t* px, const std::uint32_t* ground, qsizetype count,
                                   const PicturePace& pace) {
  const std::uint32_t keep = pace.ground, take = 256 - pace.ground;
  for (qsizetype x = 0; x < count; ++x) {
    const std::uint32_t p = px[x], g = ground[x];
    const std::uint32_t blue = (keep * (p & 0xFFu) + take * (g & 0xFFu)) >> 8;
    const std::uint32_t green = (keep * ((p >> 8) & 0xFFu) + take * ((g >> 8) & 0xFFu)) >> 8;
    const std::uint32_t red = (keep * ((p >> 16) & 0xFFu) + take * ((g >> 16) & 0xFFu)) >> 8;
    px[x] = 0xFF000000u | (red << 16) | (green << 8) | blue;
  }
}

inline void FadeAlphaAtPace(std::uint32_t* px, qsizetype count, const PicturePace& pace) {
  const std::uint32_t keep = pace.ground;
  for (qsizetype x = 0; x < count; ++x) {
    const std::uint32_t alpha = (keep * (px[x] >> 24)) >> 8;
    px[x] = alpha == 0 ? 0u : (alpha << 24) | (px[x] & 0xFFFFFFu);
  }
}

}  // namespace sonavix
