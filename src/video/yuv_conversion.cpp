#include "video/yuv_conversion.h"

#include <algorithm>

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

[[gnu::always_inline]] inline void ConvertDiscRows(const std::uint32_t* top, const std::uint32_t* bottom, int width,
                                                   bool exact, std::uint8_t* yTop, std::uint8_t* yBottom,
                                                   std::uint8_t* u, std::uint8_t* v) {
  for (int x = 0; x < width; ++x) {
    yTop[x] = static_cast<std::uint8_t>((Part(top[x], kRY, kGY, kBY, 16) + 32) >> 6);
    yBottom[x] = static_cast<std::uint8_t>((Part(bottom[x], kRY, kGY, kBY, 16) + 32) >> 6);
  }
  const auto join = [exact](int above, int below) {
    return static_cast<std::uint8_t>(exact ? (above + below + 128) >> 8 : ((above >> 5) + (below >> 5) + 4) >> 3);
  };
  for (int i = 0; i < width / 2; ++i) {
    const std::uint32_t a = top[2 * i], b = top[2 * i + 1], c = bottom[2 * i], d = bottom[2 * i + 1];
    u[i] = join(Part(a, kRU, kGU, kBU, 128) + Part(b, kRU, kGU, kBU, 128),
                Part(c, kRU, kGU, kBU, 128) + Part(d, kRU, kGU, kBU, 128));
    v[i] = join(Part(a, kRV, kGV, kBV, 128) + Part(b, kRV, kGV, kBV, 128),
                Part(c, kRV, kGV, kBV, 128) + Part(d, kRV, kGV, kBV, 128));
  }
}

}  // namespace

void ConvertToDiscYuv420(const MediaImage& image, std::uint8_t* const planes[4], const int strides[4]) {
  const int width = image.width, height = image.height;
  const auto row = [&](int y) { return reinterpret_cast<const std::uint32_t*>(image.pixels + std::size_t(y) * image.bytesPerLine); };
  RunInActiveCode([=]() __attribute__((always_inline)) {
    for (int y = 0; y + 1 < height; y += 2)
      ConvertDiscRows(row(y), row(y + 1), width, y + 2 >= height, planes[0] + std::size_t(y) * strides[0],
                      planes[0] + std::size_t(y + 1) * strides[0], planes[1] + std::size_t(y / 2) * strides[1],
                      planes[2] + std::size_t(y / 2) * strides[2]);
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
