#include "effects/reverse_speed.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "effects/effect_region.h"

namespace sonavix {

namespace {

// Reverses `count` frames of N bytes each, swapping the first with the last
// and working inward; the middle frame of an odd count stays where it is.
template <std::size_t N>
void ReverseFrames(std::uint8_t* first, std::size_t count) {
  std::uint8_t* lo = first;
  std::uint8_t* hi = first + (count - 1) * N;
  while (lo < hi) {
    std::uint8_t a[N];
    std::uint8_t b[N];
    std::memcpy(a, lo, N);
    std::memcpy(b, hi, N);
    std::memcpy(lo, b, N);
    std::memcpy(hi, a, N);
    lo += N;
    hi -= N;
  }
}

// rate x mul / div, truncated toward zero, then limited to 1 ...
// kMaxSampleRate; the product is taken in 64 bits, so no rate overflows it.
// A rate that already lies above the limit (read from a file) is never
// pushed down by speeding up. Inside the limits the truncation gives the
// familiar steps: 44100 slower is 40090, and that faster is 44099.
std::int32_t ScaleRate(std::int32_t rate, std::int64_t mul, std::int64_t div) {
  const std::int64_t scaled = std::int64_t{rate} * mul / div;
  const std::int64_t highest = std::max<std::int64_t>(kMaxSampleRate, rate);
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(scaled, 1, highest));
}

}  // namespace

ByteSpan ReverseSpan(const AudioDocument& doc) {
  const EffectRegion region = EffectRegionOf(doc);
  // With a selection the frame under the larger mark is included; without
  // one the region ends one past the last frame.
  const std::int32_t last = std::min(region.end, doc.FrameCount() - 1);
  if (region.start >= last) return {};  // nothing, or a single frame
  return FrameSpan(doc, region.start, std::int64_t{last} + 1);
}

void Reverse(AudioDocument& doc) { ReverseFrames(doc, ReverseSpan(doc)); }

void ReverseFrames(AudioDocument& doc, ByteSpan span) {
  if (span.empty()) return;
  std::uint8_t* first = doc.SampleData.get() + span.offset;
  const auto count = static_cast<std::size_t>(span.size / doc.FrameSize());
  switch (doc.FrameSize()) {
    case 1: ReverseFrames<1>(first, count); break;
    case 2: ReverseFrames<2>(first, count); break;
    default: ReverseFrames<4>(first, count); break;
  }
}

void Faster(AudioDocument& doc) { doc.SampleRate = ScaleRate(doc.SampleRate, 110, 100); }

void Slower(AudioDocument& doc) { doc.SampleRate = ScaleRate(doc.SampleRate, 100, 110); }

}  // namespace sonavix
