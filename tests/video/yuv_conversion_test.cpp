// Our own colour conversions against the scaler they replaced: the web
// formats' has the same matrix, within rounding, for every channel and both
// plane sizes; the discs' gives the scaler's very bytes at every disc size.

#include "video/yuv_conversion.h"

#include "document/sample_code.h"

#include <gtest/gtest.h>

extern "C" {
#include <libswscale/swscale.h>
}

#include <cstdlib>
#include <vector>

namespace sonavix {
namespace {

// The picture through the scaler as the writer set it up before.
void ScaleAsBefore(const MediaImage& image, std::uint8_t* const planes[4], const int strides[4]) {
  SwsContext* scaler = sws_getContext(image.width, image.height, AV_PIX_FMT_BGR0, image.width, image.height,
                                      AV_PIX_FMT_YUV420P, SWS_AREA | SWS_FULL_CHR_H_INP, nullptr, nullptr, nullptr);
  const std::uint8_t* rows[1] = {image.pixels};
  const int rowStride[1] = {image.bytesPerLine};
  sws_scale(scaler, rows, rowStride, 0, image.height, planes, strides);
  sws_freeContext(scaler);
}

TEST(YuvConversion, MatchesTheScalersMatrixWithinRounding) {
  for (const auto& [width, height] : {std::pair{64, 48}, std::pair{33, 17}}) {
    std::vector<std::uint32_t> pixels(std::size_t(width) * height);
    std::uint32_t seed = 7;
    for (std::size_t i = 0; i < pixels.size(); ++i) {
      seed = seed * 1664525u + 1013904223u;
      // Smooth in 2 x 2 squares, so that chroma means compare fairly.
      const std::size_t x = i % width / 2, y = i / width / 2;
      pixels[i] = 0xFF000000u | ((x * 37 + y * 11) % 256) << 16 | ((x * 5 + y * 53) % 256) << 8 | (x * y * 3) % 256;
    }
    const MediaImage image{width, height, 4 * width, reinterpret_cast<const std::uint8_t*>(pixels.data())};
    const int chromaWidth = (width + 1) / 2, chromaHeight = (height + 1) / 2;
    std::vector<std::uint8_t> ours[3], theirs[3];
    for (int p = 0; p < 3; ++p) {
      const std::size_t size = p == 0 ? std::size_t(width) * height : std::size_t(chromaWidth) * chromaHeight;
      ours[p].resize(size);
      theirs[p].resize(size);
    }
    std::uint8_t* mine[4] = {ours[0].data(), ours[1].data(), ours[2].data(), nullptr};
    std::uint8_t* scaled[4] = {theirs[0].data(), theirs[1].data(), theirs[2].data(), nullptr};
    const int strides[4] = {width, chromaWidth, chromaWidth, 0};
    ConvertToYuv420(image, mine, strides, false);
    ScaleAsBefore(image, scaled, strides);
    // At an odd size the scaler resamples chroma (33 columns into 17), so
    // only luma compares there; the odd edge is written within its planes.
    for (int p = 0; p < (width % 2 == 0 ? 3 : 1); ++p)
      for (std::size_t i = 0; i < ours[p].size(); ++i)
        ASSERT_LE(std::abs(ours[p][i] - theirs[p][i]), p == 0 ? 1 : 2) << width << " plane " << p << " at " << i;
  }
}

TEST(YuvConversion, TheDiscsGetTheScalersBytes) {
  std::uint32_t seed = 11;
  for (const auto& [width, height] : {std::pair{352, 288}, {480, 576}, {720, 576}, {352, 240}, {480, 480}, {720, 480}}) {
    // Noise, with the alpha bytes in it, and flat white and black patches.
    std::vector<std::uint32_t> pixels(std::size_t(width) * height);
    for (std::uint32_t& pixel : pixels) {
      seed = seed * 1664525u + 1013904223u;
      pixel = seed % 7 == 0 ? 0xFFFFFFFFu : seed % 7 == 1 ? 0xFF000000u : seed ^ (seed >> 13);
    }
    const MediaImage image{width, height, 4 * width, reinterpret_cast<const std::uint8_t*>(pixels.data())};
    const std::size_t size = std::size_t(width) * height;
    std::vector<std::uint8_t> ours(size * 3 / 2), theirs(size * 3 / 2);
    std::uint8_t* mine[4] = {ours.data(), ours.data() + size, ours.data() + size * 5 / 4, nullptr};
    std::uint8_t* scaled[4] = {theirs.data(), theirs.data() + size, theirs.data() + size * 5 / 4, nullptr};
    const int strides[4] = {width, width / 2, width / 2, 0};
    ConvertToDiscYuv420(image, mine, strides);
    ScaleAsBefore(image, scaled, strides);
    EXPECT_TRUE(ours == theirs) << width << " x " << height;
  }
}

TEST(YuvConversion, EveryBuildGivesThePlainBytes) {
  const SampleCode before = ActiveSampleCode();
  std::uint32_t seed = 5;
  for (const auto& [width, height] : {std::pair{16, 2}, {47, 9}, {1080, 33}}) {
    // Noise with white and black, whose sums are the largest either way.
    std::vector<std::uint32_t> pixels(std::size_t(width) * height);
    for (std::uint32_t& pixel : pixels) {
      seed = seed * 1664525u + 1013904223u;
      pixel = seed % 5 == 0 ? 0xFFFFFFFFu : seed % 5 == 1 ? 0xFF000000u : seed ^ (seed >> 11);
    }
    const MediaImage image{width, height, 4 * width, reinterpret_cast<const std::uint8_t*>(pixels.data())};
    const std::size_t chroma = std::size_t((width + 1) / 2) * ((height + 1) / 2), size = std::size_t(width) * height;
    const int strides[4] = {width, (width + 1) / 2, (width + 1) / 2, width};
    std::vector<std::uint8_t> plain;
    for (SampleCode code : {SampleCode::Plain, SampleCode::Avx2, SampleCode::Avx512}) {
      if (UseSampleCode(code) != code) continue;
      std::vector<std::uint8_t> bytes(2 * size + 2 * chroma);
      std::uint8_t* planes[4] = {bytes.data(), bytes.data() + size, bytes.data() + size + chroma,
                                 bytes.data() + size + 2 * chroma};
      ConvertToYuv420(image, planes, strides, true);
      if (plain.empty()) plain = bytes;
      EXPECT_TRUE(bytes == plain) << SampleCodeName(code) << " at " << width << " x " << height;
    }
  }
  UseSampleCode(before);
}

}  // namespace
}  // namespace sonavix
