#include "video/yuv_conversion.h"

#include <algorithm>
#include <vector>

#include "document/sample_code.h"

namespace sonavix {

namespace {

// Luma of one pixel word (blue in the low byte), in 8.8 fixed point.
[[gnu::always_inline]] inline std::uint8_t Luma(std::uint32_t p) {
  const int b = p & 0xFF, g = (p >> 8) & 0xFF, r = (p >> 16) & 0xFF;
  return static_cast<std::uint8_t>((66 * r + 129 * g + 25 * b + 128 + (16 << 8)) >> 8);
}

// Two rows of pixels (the second may be the first again, for an odd last
// row) into a row of luma each and one row of chroma.
[[gnu::always_inline]] inline void ConvertRows(const std::uint32_t* top, const std::uint32_t* bottom, int width, std::uint8_t* yTop,
                        std::uint8_t* yBottom, std::uint8_t* u, std::uint8_t* v) {
  for (int x = 0; x < width; ++x) {
    yTop[x] = Luma(top[x]);
    yBottom[x] = Luma(bottom[x]);
  }
  const int pairs = width / 2;
  for (int i = 0; i < pairs; ++i) {
    const std::uint32_t a = top[2 * i], b = top[2 * i + 1], c = bottom[2 * i], d = bottom[2 * i + 1];
    const int blue = int(a & 0xFF) + int(b & 0xFF) + int(c & 0xFF) + int(d & 0xFF);
    const int green = int((a >> 8) & 0xFF) + int((b >> 8) & 0xFF) + int((c >> 8) & 0xFF) + int((d >> 8) & 0xFF);
    const int red = int((a >> 16) & 0xFF) + int((b >> 16) & 0xFF) + int((c >> 16) & 0xFF) + int((d >> 16) & 0xFF);
    u[i] = static_cast<std::uint8_t>(((-38 * red - 74 * green + 112 * blue + 512) >> 10) + 128);
    v[i] = static_cast<std::uint8_t>(((112 * red - 94 * green - 18 * blue + 512) >> 10) + 128);
  }
  if (width % 2 != 0) {  // the last column alone
    const std::uint32_t a = top[width - 1], c = bottom[width - 1];
    const int blue = 2 * (int(a & 0xFF) + int(c & 0xFF));
    const int green = 2 * (int((a >> 8) & 0xFF) + int((c >> 8) & 0xFF));
    const int red = 2 * (int((a >> 16) & 0xFF) + int((c >> 16) & 0xFF));
    u[pairs] = static_cast<std::uint8_t>(((-38 * red - 74 * green + 112 * blue + 512) >> 10) + 128);
    v[pairs] = static_cast<std::uint8_t>(((112 * red - 94 * green - 18 * blue + 512) >> 10) + 128);
  }
}

// The discs' conversion, in the scaler's own fixed point: each pixel's
// luma and chroma at 14 bits, chroma summed in pairs across (15 bits), then
// rows paired the way its vector code does it (each row's share cut to 11
// bits before rounding), except for the last row of chroma, which it rounds
// exactly.
constexpr int kRY = 8414, kGY = 16519, kBY = 3208;
constexpr int kRU = -4865, kGU = -9528, kBU = 14392;
constexpr int kRV = 14392, kGV = -12061, kBV = -2332;

[[gnu::always_inline]] inline int Part(std::uint32_t p, int r, int g, int b, int offset) {
  return (r * int((p >> 16) & 0xFF) + g * int((p >> 8) & 0xFF) + b * int(p & 0xFF) + (offset << 15) + 256) >> 9;
}

// One row's luma, and its chroma summed in pairs across.
[[gnu::always_inline]] inline void DiscRow(const std::uint32_t* pixels, int width, std::uint8_t* y, std::int16_t* u,
                                           std::int16_t* v) {
  for (int x = 0; x < width; ++x) y[x] = static_cast<std::uint8_t>((Part(pixels[x], kRY, kGY, kBY, 16) + 32) >> 6);
  for (int i = 0; i < width / 2; ++i) {
    const std::uint32_t a = pixels[2 * i], b = pixels[2 * i + 1];
    u[i] = static_cast<std::int16_t>(Part(a, kRU, kGU, kBU, 128) + Part(b, kRU, kGU, kBU, 128));
    v[i] = static_cast<std::int16_t>(Part(a, kRV, kGV, kBV, 128) + Part(b, kRV, kGV, kBV, 128));
  }
}

// Two rows' chroma sums into one row of chroma.
[[gnu::always_inline]] inline void JoinRows(const std::int16_t* above, const std::int16_t* below, int count, bool exact,
                                            std::uint8_t* out) {
  if (exact) {
    for (int i = 0; i < count; ++i) out[i] = static_cast<std::uint8_t>((above[i] + below[i] + 128) >> 8);
  } else {
    for (int i = 0; i < count; ++i) out[i] = static_cast<std::uint8_t>(((above[i] >> 5) + (below[i] >> 5) + 4) >> 3);
  }
}

}  // namespace

void ConvertToDiscYuv420(const MediaImage& image, std::uint8_t* const planes[4], const int strides[4]) {
  const int width = image.width, height = image.height, half = width / 2;
  const auto row = [&](int y) { return reinterpret_cast<const std::uint32_t*>(image.pixels + std::size_t(y) * image.bytesPerLine); };
  std::vector<std::int16_t> sums(4 * std::size_t(half));
  std::int16_t* const u0 = sums.data();
  std::int16_t* const v0 = u0 + half;
  std::int16_t* const u1 = v0 + half;
  std::int16_t* const v1 = u1 + half;
  RunInActiveCode([=]() __attribute__((always_inline)) {
    for (int y = 0; y + 1 < height; y += 2) {
      DiscRow(row(y), width, planes[0] + std::size_t(y) * strides[0], u0, v0);
      DiscRow(row(y + 1), width, planes[0] + std::size_t(y + 1) * strides[0], u1, v1);
      const bool last = y + 2 >= height;
      JoinRows(u0, u1, half, last, planes[1] + std::size_t(y / 2) * strides[1]);
      JoinRows(v0, v1, half, last, planes[2] + std::size_t(y / 2) * strides[2]);
    }
  });
}

void ConvertToYuv420(const MediaImage& image, std::uint8_t* const planes[4], const int strides[4], bool alpha) {
  const int width = image.width, height = image.height;
  const auto row = [&](int y) { return reinterpret_cast<const std::uint32_t*>(image.pixels + std::size_t(y) * image.bytesPerLine); };
  // Inlined into the wide builds' copies, so that they vectorise.
  RunInActiveCode([=]() __attribute__((always_inline)) {
    for (int y = 0; y < height; y += 2) {
      const int below = std::min(y + 1, height - 1);
      std::uint8_t* yTop = planes[0] + std::size_t(y) * strides[0];
      std::uint8_t* yBottom = planes[0] + std::size_t(below) * strides[0];
      ConvertRows(row(y), row(below), width, yTop, yBottom, planes[1] + std::size_t(y / 2) * strides[1],
                  planes[2] + std::size_t(y / 2) * strides[2]);
    }
    if (!alpha) return;
    for (int y = 0; y < height; ++y) {
      const std::uint32_t* pixels = row(y);
      std::uint8_t* out = planes[3] + std::size_t(y) * strides[3];
      for (int x = 0; x < width; ++x) out[x] = static_cast<std::uint8_t>(pixels[x] >> 24);
    }
  });
}

}  // namespace sonavix
