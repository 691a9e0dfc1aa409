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

}  // namespace sonavix
