#include "video/frame_renderer.h"

#include <QColor>
#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

#include "document/sample_code.h"
#include "video/circle_stamp.h"
#include "video/fft.h"

namespace sonavix {

namespace {

constexpr QRgb kStartGrey = 0xFF808080u;  // (128, 128, 128)
constexpr QRgb kStartFrame = 0xFFFF0000u;  // (255, 0, 0)

// x div 10 as a multiply and a shift, which the compiler can vectorise.
// Exact for every value the fades produce (at most 10 * 255).
constexpr std::uint32_t Tenth(std::uint32_t x) { return (x * 6554u) >> 16; }

constexpr bool TenthIsExact() {
  for (std::uint32_t x = 0; x <= 10 * 255; ++x)
    if (Tenth(x) != x / 10) return false;
  return true;
}
static_assert(TenthIsExact());

// The fade of one run of pixels.
void FadePixels(std::uint32_t* px, qsizetype count) {
  for (qsizetype x = 0; x < count; ++x) {
    const std::uint32_t p = px[x];
    const std::uint32_t blue = Tenth(8 * (p & 0xFFu) + 254);
    const std::uint32_t green = Tenth(6 * ((p >> 8) & 0xFFu));
    const std::uint32_t red = Tenth(7 * ((p >> 16) & 0xFFu));
    px[x] = 0xFF000000u | (red << 16) | (green << 8) | blue;
  }
}

// The fade to clear: the colour stays, seven tenths of its cover.
void FadeAlpha(std::uint32_t* px, qsizetype count) {
  for (qsizetype x = 0; x < count; ++x) {
    const std::uint32_t alpha = Tenth(7 * (px[x] >> 24));
    px[x] = alpha == 0 ? 0u : (alpha << 24) | (px[x] & 0xFFFFFFu);
  }
}

// The fade toward a picture: each channel seven tenths of its own and three
// tenths of the picture's, so the trails settle into it.
void FadePixelsToward(std::uint32_t* px, const std::uint32_t* ground, qsizetype count) {
  for (qsizetype x = 0; x < count; ++x) {
    const std::uint32_t p = px[x], g = ground[x];
    const std::uint32_t blue = Tenth(7 * (p & 0xFFu) + 3 * (g & 0xFFu));
    const std::uint32_t green = Tenth(7 * ((p >> 8) & 0xFFu) + 3 * ((g >> 8) & 0xFFu));
    const std::uint32_t red = Tenth(7 * ((p >> 16) & 0xFFu) + 3 * ((g >> 16) & 0xFFu));
    px[x] = 0xFF000000u | (red << 16) | (green << 8) | blue;
  }
}

}  // namespace

void FrameRenderer::SetBackdrop(QImage backdrop) {
  if (!backdrop.isNull() && (backdrop.size() != picture_.size() || backdrop.format() != QImage::Format_RGB32))
    backdrop = backdrop.convertToFormat(QImage::Format_RGB32).scaled(picture_.size());
  backdrop_ = std::move(backdrop);
}

FrameRenderer::FrameRenderer(int width, int height, bool transparent)
    : picture_(std::max(width, 0), std::max(height, 0), transparent ? QImage::Format_ARGB32 : QImage::Format_RGB32),
      transparent_(transparent) {
  if (picture_.isNull()) return;
  if (transparent) {
    picture_.fill(Qt::transparent);
    return;
  }
  // Grey with a red outline of the whole picture: the outline takes the
  // first and last column and row.
  picture_.fill(kStartGrey);
  const int w = picture_.width();
  const int h = picture_.height();
  for (int y = 0; y < h; ++y) {
    auto* row = reinterpret_cast<QRgb*>(picture_.scanLine(y));
    if (y == 0 || y == h - 1) {
      std::fill(row, row + w, kStartFrame);
    } else {
      row[0] = kStartFrame;
      row[w - 1] = kStartFrame;
    }
  }
}

int FrameRenderer::CircleSize(int width) { return (10 * width) / 200; }

double FrameRenderer::OffsetDivisor(int width) {
  return (300.0 / static_cast<double>(width)) * 200.0;
}

void FrameRenderer::Draw(const QString& text, const QFont& font, RandomGenerator& random) {
  Smooth();
  if (picture_.isNull()) {
    // Nothing to draw on, but the colour sequence moves on as if the
    // circles had been drawn.
    for (int i = 0; i < 2 * kCircleRows * kCircleRows; ++i) {
      random.Below(127);
      random.Below(196);
    }
    return;
  }
  Fade();
  QColor lastFill;
  DrawCircles(random, lastFill);
  text_.Draw(picture_, text, font, lastFill);
  lyrics_.Draw(picture_, font, songTime_);
}

void FrameRenderer::Analyse(const std::int16_t* block) {
  for (int i = 0; i < kSpectrumSize; ++i) {
    specRe_[i] = block[2 * i];
    specIm_[i] = block[2 * i + 1];
  }
  FFT(1, kSpectrumPower, specRe_.data(), specIm_.data());
}

void FrameRenderer::MirrorRows() {
  const int h = picture_.height();
  if (h < 2) return;
  const auto rowBytes = static_cast<std::size_t>(picture_.width()) * sizeof(QRgb);
  for (int top = 0, bottom = h - 1; top < bottom; ++top, --bottom) {
    auto* a = picture_.scanLine(top);
    auto* b = picture_.scanLine(bottom);
    std::swap_ranges(a, a + rowBytes, b);
  }
}

// Sums the bins of each group as complex values and lets the sums build up
// from block to block, decaying by 0.9 per picture (at the block's pace).
void FrameRenderer::Smooth() {
  for (int g = 0; g < kSpectrumGroups; ++g) {
    const double re = specRe_[3 * g] + specRe_[3 * g + 1] + specRe_[3 * g + 2];
    const double im = specIm_[3 * g] + specIm_[3 * g + 1] + specIm_[3 * g + 2];
    smoothRe_[g] = pace_.smoothDecay * smoothRe_[g] + pace_.smoothGain * re;
    smoothIm_[g] = pace_.smoothDecay * smoothIm_[g] + pace_.smoothGain * im;
  }
}

// Darkens every pixel towards a dark blue: red and green go to zero, blue
// settles between 123 and 127. One pass over the pixel words.
void FrameRenderer::Fade() {
  const int w = picture_.width();
  const int h = picture_.height();
  const qsizetype stride = picture_.bytesPerLine();
  uchar* bits = picture_.bits();
  // Format_RGB32 rows are whole words; when they follow each other with no
  // gap the picture is one run of pixels.
  const bool packed = stride == static_cast<qsizetype>(w) * 4;
  const int rows = packed ? 1 : h;
  const qsizetype count = packed ? static_cast<qsizetype>(w) * h : w;
  const PicturePace pace = pace_;
  if (transparent_) {
    RunInActiveCode([=] {
      for (int y = 0; y < rows; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(bits + y * stride);
        pace.atBlockPace ? FadeAlpha(row, count) : FadeAlphaAtPace(row, count, pace);
      }
    });
    return;
  }
  if (!backdrop_.isNull()) {
    const uchar* ground = backdrop_.constBits();
    const qsizetype groundStride = backdrop_.bytesPerLine();
    const bool groundPacked = packed && groundStride == stride;
    RunInActiveCode([=] {
      for (int y = 0; y < (groundPacked ? 1 : h); ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(bits + y * stride);
        const auto* groundRow = reinterpret_cast<const std::uint32_t*>(ground + y * groundStride);
        const qsizetype n = groundPacked ? count : w;
        pace.atBlockPace ? FadePixelsToward(row, groundRow, n) : FadePixelsTowardAtPace(row, groundRow, n, pace);
      }
    });
    return;
  }
  RunInActiveCode([=] {
    for (int y = 0; y < rows; ++y) {
      auto* row = reinterpret_cast<std::uint32_t*>(bits + y * stride);
      pace.atBlockPace ? FadePixels(row, count) : FadePixelsAtPace(row, count, pace);
    }
  });
}

// One hundred circles, each with a random fill and outline, pushed from the
// centre by pairs of smoothed groups: circle k by groups 2k and 2k + 1, the
// push growing with k. Both offsets scale with the width only.
void FrameRenderer::DrawCircles(RandomGenerator& random, QColor& lastFill) {
  const int w = picture_.width();
  const int h = picture_.height();
  const int size = CircleSize(w);
  const double divisor = OffsetDivisor(w);

  if (size > 0 && stamp_.Size() != size) stamp_ = CircleStamp(size);
  for (int l = 0; l < kCircleRows; ++l) {
    for (int m = 0; m < kCircleRows; ++m) {
      const int k = kCircleRows * l + m;
      // Green first, then red, for the fill and then for the outline.
      const int fillGreen = static_cast<int>(random.Below(127));
      const int fillRed = static_cast<int>(random.Below(196));
      const int lineGreen = static_cast<int>(random.Below(127));
      const int lineRed = static_cast<int>(random.Below(196));
      lastFill.setRgb(fillRed, fillGreen, 255);

      // Truncated towards zero; wide enough for the pushes a loud sound
      // gives a 1080p picture.
      const auto dx = static_cast<long long>((smoothRe_[2 * k] - smoothRe_[2 * k + 1]) * (k + 1) / divisor);
      const auto dy = static_cast<long long>((smoothIm_[2 * k] + smoothIm_[2 * k + 1]) * (k + 1) / divisor);
      if (size <= 0) continue;
      stamp_.Draw(picture_, w / 2 + dx, h / 2 + dy, qRgb(lineRed, lineGreen, 255), lastFill.rgb());
    }
  }
}

}  // namespace sonavix
