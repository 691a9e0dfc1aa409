#include "video/yuv_conversion.h"

#include <algorithm>
#include <vector>

#include "document/sample_code.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define SONAVIX_YUV_LANES 1
#endif

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

#ifdef SONAVIX_YUV_LANES

// The same sums as Luma and ConvertRows, sixteen pixels of two rows at a
// time, in 16-bit lanes with exact results (every sum below stays within
// its lane; the bytes equal the plain loop's).
//
// Luma: green is copied over alpha, so that one multiply-add of bytes gives
// 25b + 85g and 66r + 44g (each at most 28050), summed in 32 bits.
__attribute__((target("avx2"), always_inline)) inline __m256i LumaSums(__m256i pixels) {
  const __m256i greenOverAlpha = _mm256_setr_epi8(0, 1, 2, 1, 4, 5, 6, 5, 8, 9, 10, 9, 12, 13, 14, 13, 0, 1, 2, 1, 4, 5,
                                                   6, 5, 8, 9, 10, 9, 12, 13, 14, 13);
  const __m256i weights = _mm256_set1_epi32(25 | 85 << 8 | 66 << 16 | 44 << 24);
  return _mm256_madd_epi16(_mm256_maddubs_epi16(_mm256_shuffle_epi8(pixels, greenOverAlpha), weights),
                           _mm256_set1_epi16(1));
}

// Sixteen pixels' luma in 16-bit lanes, in the order the packs leave them.
__attribute__((target("avx2"), always_inline)) inline __m256i Luma16(__m256i first, __m256i second) {
  const __m256i sums = _mm256_packus_epi32(LumaSums(first), LumaSums(second));  // at most 56100
  return _mm256_srli_epi16(_mm256_add_epi16(sums, _mm256_set1_epi16(128 + (16 << 8))), 8);
}

// Chroma's weights are all even, so half of them serve: u = ((X + 256) >> 9)
// + 128 with X = 56b - 37g - 19r over the four pixels, v alike with
// 56r - 47g - 9b. Per pixel the two halves of X stay within 14280 in
// magnitude, per column of two pixels within 28560; the columns are summed
// in 32 bits.
__attribute__((target("avx2"), always_inline)) inline __m256i ColumnSums(__m256i weights, __m256i top, __m256i bottom) {
  return _mm256_madd_epi16(_mm256_add_epi16(_mm256_maddubs_epi16(top, weights), _mm256_maddubs_epi16(bottom, weights)),
                           _mm256_set1_epi16(1));
}

__attribute__((target("avx2"), always_inline)) inline __m256i Chroma8(__m256i weights, __m256i top0, __m256i bottom0,
                                                                     __m256i top1, __m256i bottom1) {
  const __m256i pairs = _mm256_hadd_epi32(ColumnSums(weights, top0, bottom0), ColumnSums(weights, top1, bottom1));
  return _mm256_srai_epi32(_mm256_add_epi32(pairs, _mm256_set1_epi32(256 + (128 << 9))), 9);
}

__attribute__((target("avx2"), always_inline)) inline __m256i Load8(const std::uint32_t* pixels) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(pixels));
}

// Converts the first multiple of sixteen columns; returns how many.
__attribute__((target("avx2"))) int ConvertRowsInLanes(const std::uint32_t* top, const std::uint32_t* bottom, int width,
                                                       std::uint8_t* yTop, std::uint8_t* yBottom, std::uint8_t* u,
                                                       std::uint8_t* v) {
  const __m256i uWeights = _mm256_set1_epi32(56 | (-37 & 0xFF) << 8 | (-19 & 0xFF) << 16);
  const __m256i vWeights = _mm256_set1_epi32((-9 & 0xFF) | (-47 & 0xFF) << 8 | 56 << 16);
  int x = 0;
  for (; x + 16 <= width; x += 16) {
    const __m256i t0 = Load8(top + x), t1 = Load8(top + x + 8), b0 = Load8(bottom + x), b1 = Load8(bottom + x + 8);
    // The packs leave each row's bytes in 4-pixel groups 0, 2, 1, 3.
    const __m256i luma = _mm256_permutevar8x32_epi32(_mm256_packus_epi16(Luma16(t0, t1), Luma16(b0, b1)),
                                                     _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(yTop + x), _mm256_castsi256_si128(luma));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(yBottom + x), _mm256_extracti128_si256(luma, 1));
    // Low half: u 0 1 4 5, v 0 1 4 5; high half: u 2 3 6 7, v 2 3 6 7.
    const __m256i chroma = _mm256_packus_epi16(
        _mm256_packs_epi32(Chroma8(uWeights, t0, b0, t1, b1), Chroma8(vWeights, t0, b0, t1, b1)), _mm256_setzero_si256());
    const __m128i inOrder = _mm_unpacklo_epi16(_mm256_castsi256_si128(chroma), _mm256_extracti128_si256(chroma, 1));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(u + x / 2), inOrder);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(v + x / 2), _mm_unpackhi_epi64(inOrder, inOrder));
  }
  return x;
}

bool HasLanes() { return ActiveSampleCode() != SampleCode::Plain; }

#else

int ConvertRowsInLanes(const std::uint32_t*, const std::uint32_t*, int, std::uint8_t*, std::uint8_t*, std::uint8_t*,
                       std::uint8_t*) {
  return 0;
}
bool HasLanes() { return false; }

#endif

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
  const bool lanes = HasLanes();
  // Inlined into the wide builds' copies, so that they vectorise.
  RunInActiveCode([=]() __attribute__((always_inline)) {
    for (int y = 0; y < height; y += 2) {
      const int below = std::min(y + 1, height - 1);
      std::uint8_t* yTop = planes[0] + std::size_t(y) * strides[0];
      std::uint8_t* yBottom = planes[0] + std::size_t(below) * strides[0];
      std::uint8_t* u = planes[1] + std::size_t(y / 2) * strides[1];
      std::uint8_t* v = planes[2] + std::size_t(y / 2) * strides[2];
      const int done = lanes ? ConvertRowsInLanes(row(y), row(below), width, yTop, yBottom, u, v) : 0;
      ConvertRows(row(y) + done, row(below) + done, width - done, yTop + done, yBottom + done, u + done / 2,
                  v + done / 2);
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
