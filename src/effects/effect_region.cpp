#include "effects/effect_region.h"

#include <algorithm>

namespace sonavix {

EffectRegion EffectRegionOf(const AudioDocument& doc) {
  const auto frames = static_cast<std::uint32_t>(doc.FrameCount());
  if (doc.SelStart == doc.SelEnd) return {0, static_cast<std::int32_t>(frames)};
  const auto a = static_cast<std::uint32_t>(doc.SelStart);
  const auto b = static_cast<std::uint32_t>(doc.SelEnd);
  std::uint32_t start = std::min(a, b);
  std::uint32_t end = std::max(a, b);
  if (doc.IsStereo) {
    start /= 2;
    end /= 2;
  }
  return {static_cast<std::int32_t>(std::min(start, frames)),
          static_cast<std::int32_t>(std::min(end, frames))};
}

std::int64_t FramesIn(double seconds, std::int32_t sampleRate) {
  const long double frames = static_cast<long double>(seconds) * sampleRate;
  if (!(frames >= 1)) return 0;
  if (frames >= 1e15L) return std::int64_t{1} << 50;
  return static_cast<std::int64_t>(frames);
}

ByteSpan FrameSpan(const AudioDocument& doc, std::int64_t first, std::int64_t stop) {
  if (stop <= first) return {};
  return {first * doc.FrameSize(), (stop - first) * doc.FrameSize()};
}

}  // namespace sonavix
