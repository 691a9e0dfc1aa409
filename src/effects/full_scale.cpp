#include "effects/full_scale.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "document/sample_code.h"
#include "effects/sample_map.h"
#include "effects/volume.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define SONAVIX_FULL_SCALE_LANES 1
#endif

namespace sonavix {

namespace {

#ifdef SONAVIX_FULL_SCALE_LANES

// With a = |v| <= peak, the wanted magnitude is k = floor(a x 32768 / peak).
//
// A peak of 2^e gives k = a x 2^(15 - e) exactly: `up` = 2^(15 - e), no check.
//
// Otherwise 2^(s - 1) < peak < 2^s with s <= 15. b = a x 2^(16 - s) stays
// below 2^16 (a <= peak < 2^s), and `reciprocal` = ceil(2^(15 + s) / peak)
// lies below 2^16 too. The high half of b x reciprocal exceeds the exact
// a x 32768 / peak by less than b / 2^16 < 1, so the guess is k or k + 1;
// it is k + 1 exactly when guess x peak > a x 32768, compared as two 16-bit
// halves. Checked against the plain formula for every peak and every value.
struct FullScale {
  bool powerOfTwo;
  std::uint16_t up;          // 2^(15 - e), or 2^(16 - s)
  std::uint16_t reciprocal;  // ceil(2^(15 + s) / peak); unused for 2^e
  std::uint16_t peak;
};

FullScale FullScaleFor(std::int32_t peak) {
  const int s = std::bit_width(static_cast<std::uint32_t>(peak - 1));  // 2^(s-1) < peak <= 2^s
  if (std::has_single_bit(static_cast<std::uint32_t>(peak)))
    return {true, static_cast<std::uint16_t>(1u << (15 - s)), 0, 0};
  const std::uint64_t reciprocal = ((std::uint64_t{1} << (15 + s)) + static_cast<std::uint64_t>(peak) - 1) /
                                   static_cast<std::uint64_t>(peak);
  return {false, static_cast<std::uint16_t>(1u << (16 - s)), static_cast<std::uint16_t>(reciprocal),
          static_cast<std::uint16_t>(peak)};
}

// Sixteen samples; unsigned 16-bit compares through a flipped top bit.
__attribute__((target("avx2"), always_inline)) inline __m256i Scale16(__m256i v, const FullScale& f) {
  const __m256i top = _mm256_set1_epi16(static_cast<short>(0x8000));
  const __m256i mask = _mm256_srai_epi16(v, 15);
  const __m256i a = _mm256_abs_epi16(v);  // -32768 gives 0x8000, read unsigned
  __m256i k = _mm256_mullo_epi16(a, _mm256_set1_epi16(static_cast<short>(f.up)));
  if (!f.powerOfTwo) {
    const __m256i guess = _mm256_mulhi_epu16(k, _mm256_set1_epi16(static_cast<short>(f.reciprocal)));
    const __m256i peak = _mm256_set1_epi16(static_cast<short>(f.peak));
    const __m256i high = _mm256_xor_si256(_mm256_mulhi_epu16(guess, peak), top);
    const __m256i low = _mm256_xor_si256(_mm256_mullo_epi16(guess, peak), top);
    const __m256i wantHigh = _mm256_xor_si256(_mm256_srli_epi16(a, 1), top);
    const __m256i wantLow = _mm256_xor_si256(_mm256_slli_epi16(a, 15), top);
    const __m256i over = _mm256_or_si256(
        _mm256_cmpgt_epi16(high, wantHigh),
        _mm256_and_si256(_mm256_cmpeq_epi16(high, wantHigh), _mm256_cmpgt_epi16(low, wantLow)));
    k = _mm256_add_epi16(guess, over);  // over is -1 where the guess is one too many
  }
  // Up to 32767 for a positive value, 32768 for a negative one; then the sign.
  k = _mm256_min_epu16(k, _mm256_sub_epi16(_mm256_set1_epi16(0x7FFF), mask));
  return _mm256_sub_epi16(_mm256_xor_si256(k, mask), mask);
}

// Sixteen samples back: ceil(|w| x peak / 32768) = (|w| x peak + 32767) >> 15,
// the product in two 16-bit halves with the carry of the low half's sum.
__attribute__((target("avx2"), always_inline)) inline __m256i Unscale16(__m256i w, __m256i peak) {
  const __m256i top = _mm256_set1_epi16(static_cast<short>(0x8000));
  const __m256i mask = _mm256_srai_epi16(w, 15);
  const __m256i a = _mm256_abs_epi16(w);
  const __m256i high = _mm256_mulhi_epu16(a, peak);
  const __m256i low = _mm256_mullo_epi16(a, peak);
  const __m256i sum = _mm256_add_epi16(low, _mm256_set1_epi16(0x7FFF));
  // Carry where the sum wrapped: sum < low, unsigned.
  const __m256i carry = _mm256_cmpgt_epi16(_mm256_xor_si256(low, top), _mm256_xor_si256(sum, top));
  const __m256i up = _mm256_sub_epi16(high, carry);  // carry is -1 where set
  const __m256i v = _mm256_or_si256(_mm256_slli_epi16(up, 1), _mm256_srli_epi16(sum, 15));
  return _mm256_sub_epi16(_mm256_xor_si256(v, mask), mask);
}

// Each 16 samples through `lanes`, in chunks, asking for the next chunk
// ahead as the other sample loops do (InChunks16 cannot take the lanes: its
// lambda would be compiled for the plain build); the rest one by one
// through `one`.
template <class Lanes, class One>
__attribute__((target("avx2"), always_inline)) inline void Avx2Pass(std::uint8_t* bytes, std::size_t count,
                                                                     Lanes lanes, One one) {
  const std::size_t whole = count / 16 * 16;
  for (std::size_t begin = 0; begin < whole; begin += samples::kChunkSamples) {
    const std::size_t end = std::min(whole, begin + samples::kChunkSamples);
    const std::size_t ahead = std::min(whole, end + samples::kChunkSamples);
    for (std::size_t k = end; k < ahead; k += 32) __builtin_prefetch(bytes + 2 * k, 1);
    for (std::size_t i = begin; i < end; i += 16) {
      auto* at = reinterpret_cast<__m256i*>(bytes + 2 * i);
      _mm256_storeu_si256(at, lanes(_mm256_loadu_si256(at)));
    }
  }
  for (std::size_t i = whole; i < count; ++i) {
    std::int16_t v;
    std::memcpy(&v, bytes + 2 * i, 2);
    v = one(v);
    std::memcpy(bytes + 2 * i, &v, 2);
  }
}

__attribute__((target("avx2"))) void ScaleWithAvx2(std::uint8_t* bytes, std::size_t count, std::int32_t peak) {
  const FullScale f = FullScaleFor(peak);
  Avx2Pass(
      bytes, count, [&](__m256i v) __attribute__((target("avx2"), always_inline)) { return Scale16(v, f); },
      [peak](std::int16_t v) { return MaximumVolumeOf(v, peak); });
}

__attribute__((target("avx2"))) void UnscaleWithAvx2(std::uint8_t* bytes, std::size_t count, std::int32_t peak) {
  const __m256i lanesPeak = _mm256_set1_epi16(static_cast<short>(static_cast<std::uint16_t>(peak)));
  Avx2Pass(
      bytes, count,
      [lanesPeak](__m256i w) __attribute__((target("avx2"), always_inline)) { return Unscale16(w, lanesPeak); },
      [peak](std::int16_t w) {
        const std::int32_t a = w < 0 ? -std::int32_t{w} : w;
        const std::int32_t v = (a * peak + 32767) >> 15;
        return static_cast<std::int16_t>(w < 0 ? -v : v);
      });
}

// Whether the build in use has the lanes.
bool HasLanes() {
  static_assert(std::endian::native == std::endian::little);
  return ActiveSampleCode() != SampleCode::Plain;
}

#else

bool HasLanes() { return false; }
void ScaleWithAvx2(std::uint8_t*, std::size_t, std::int32_t) {}
void UnscaleWithAvx2(std::uint8_t*, std::size_t, std::int32_t) {}

#endif

}  // namespace

bool ScaleToFullScaleInLanes(std::uint8_t* bytes, std::size_t count, std::int32_t peak) {
  if (!HasLanes()) return false;
  ScaleWithAvx2(bytes, count, peak);
  return true;
}

bool UnscaleFromFullScaleInLanes(std::uint8_t* bytes, std::size_t count, std::int32_t peak) {
  if (!HasLanes()) return false;
  UnscaleWithAvx2(bytes, count, peak);
  return true;
}

}  // namespace sonavix
