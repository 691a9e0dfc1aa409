#include "effects/echo.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

#include "effects/effect_region.h"
#include "document/sample_code.h"
#include "effects/sample_map.h"

namespace sonavix {

namespace {

// out[k] := mean of out[k] and earlier[k], rounded down. The two ranges never
// overlap.
void Mean8(std::uint8_t* out, const std::uint8_t* earlier, std::int64_t n) {
  for (std::int64_t k = 0; k < n; ++k) out[k] = static_cast<std::uint8_t>((out[k] + earlier[k]) >> 1);
}

// The same on little-endian 16-bit samples (n of them), halved toward zero.
// The sum is kept in 16-bit lanes: (a & b) + ((a ^ b) >> 1) is the mean
// rounded down without overflow, and one is added back where the sum is odd
// and negative (checked on all 2^32 pairs). The samples ahead are asked for
// while a chunk is worked on; the earlier ones were written a moment ago.
void Mean16(std::uint8_t* out, const std::uint8_t* earlier, std::int64_t n) {
  samples::InChunks16<true>(out, static_cast<std::size_t>(n), [=](std::size_t begin, std::size_t end)
                                __attribute__((always_inline)) {
    for (std::size_t k = begin; k < end; ++k) {
      std::int16_t a;
      std::int16_t b;
      std::memcpy(&a, out + 2 * k, 2);
      std::memcpy(&b, earlier + 2 * k, 2);
      const auto floor = static_cast<std::int16_t>((a & b) + ((a ^ b) >> 1));
      const auto mean = static_cast<std::int16_t>(floor + ((a ^ b) & (static_cast<std::uint16_t>(floor) >> 15)));
      std::memcpy(out + 2 * k, &mean, 2);
    }
  });
}

}  // namespace

ByteSpan EchoSpan(const AudioDocument& doc, double delaySeconds) {
  const EffectRegion region = EffectRegionOf(doc);
  const std::int64_t delay = FramesIn(delaySeconds, doc.SampleRate);
  if (delay == 0) return {};
  const std::int64_t stop = std::min<std::int64_t>(region.end + 1, doc.FrameCount());
  return FrameSpan(doc, region.start + delay, stop);
}

void AddEcho(AudioDocument& doc, double delaySeconds) {
  static_assert(std::endian::native == std::endian::little, "samples are little-endian in memory");
  const EffectRegion region = EffectRegionOf(doc);
  const std::int64_t delay = FramesIn(delaySeconds, doc.SampleRate);
  if (delay == 0) return;
  // Frames start + delay ... end (the frame at end too, while it lies in the
  // sound) take the mean with the frame `delay` earlier, in increasing order:
  // an earlier frame that was already echoed feeds back its echo.
  const std::int64_t stop = std::min<std::int64_t>(region.end + 1, doc.FrameCount());
  const std::int64_t channels = doc.Channels();
  // In interleaved frames a sample meets the same channel `lag` samples back.
  EchoSamples(doc, (region.start + delay) * channels, stop * channels, delay * channels);
}

void EchoSamples(AudioDocument& doc, std::int64_t first, std::int64_t last, std::int64_t lag) noexcept {
  const int width = doc.BytesPerSample();
  std::uint8_t* data = doc.SampleData.get();
  // Blocks of at most `lag` samples read only values finished before them.
  RunInActiveCode([&] {
    for (std::int64_t k = first; k < last;) {
      const std::int64_t n = std::min(lag, last - k);
      std::uint8_t* out = data + k * width;
      if (width == 2) Mean16(out, out - lag * 2, n);
      else Mean8(out, out - lag, n);
      k += n;
    }
  });
}

}  // namespace sonavix
