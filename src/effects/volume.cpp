#include "effects/volume.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "effects/effect_region.h"
#include "effects/full_scale.h"
#include "document/sample_code.h"
#include "effects/sample_map.h"

namespace sonavix {

namespace {

using namespace samples;

// Every sample value x mul / div, truncated toward zero and limited to the
// sample range. The 16-bit loop gets the same numbers from `scale16`, a form
// that stays within 16-bit lanes: a 32-bit division by a constant in every
// lane costs the loop more than the memory traffic does.
template <std::int32_t kMul, std::int32_t kDiv, class Scale16>
void Scale(AudioDocument& doc, ByteSpan span, Scale16 scale16) {
  const Samples s = SamplesIn(doc, span);
  if (s.count == 0) return;
  if (doc.Is16Bit) {
    RunInActiveCode([&] { Map16(s, scale16); });
  } else {
    Map8(s, MakeTable8([](std::int32_t x) { return x * kMul / kDiv; }));
  }
}

}  // namespace

ByteSpan VolumeSpan(const AudioDocument& doc) {
  const EffectRegion region = EffectRegionOf(doc);
  const std::int64_t stop = std::min<std::int64_t>(std::int64_t{region.end} + 1, doc.FrameCount());
  return FrameSpan(doc, region.start, stop);
}

void MakeLouder(AudioDocument& doc) { MakeLouder(doc, VolumeSpan(doc)); }

void MakeLouder(AudioDocument& doc, ByteSpan span) {
  Scale<110, 100>(doc, span, [](std::int16_t v) { return LouderValue(v); });
}

void MakeQuieter(AudioDocument& doc) { MakeQuieter(doc, VolumeSpan(doc)); }

void MakeQuieter(AudioDocument& doc, ByteSpan span) {
  // s x 100 / 110 truncated has the sign of s and the magnitude
  // floor(10 a / 11) = a - ceil(a / 11) = a - floor((a + 10) / 11) for a = |s|.
  // a + 10 stays within 16 unsigned bits (a <= 32768), so the division is a
  // 16-bit multiply and shift; the sign comes back at the end.
  Scale<100, 110>(doc, span, [](std::int16_t v) {
    const std::uint16_t mask = SignMask(v);
    const std::uint16_t a = Magnitude(v, mask);
    const auto up = static_cast<std::uint16_t>(a + 10);
    const auto m = static_cast<std::uint16_t>(a - static_cast<std::uint16_t>(up / std::uint16_t{11}));
    return WithSign(m, mask);
  });
}

std::int16_t MaximumVolumeOf(std::int32_t value, std::int32_t peak) {
  return static_cast<std::int16_t>(Clamp16(value * 32768 / peak));
}

void MaximumVolume(AudioDocument& doc) {
  const ByteSpan span = VolumeSpan(doc);
  MaximumVolume(doc, span, VolumePeak(doc, span));
}

std::int32_t VolumePeak(AudioDocument& doc, ByteSpan span) {
  const Samples s = SamplesIn(doc, span);
  if (doc.Is16Bit) {
    std::int32_t peak = 1;
    RunInActiveCode([s, &peak] { peak = Peak16(s); });
    return peak;
  }
  std::int32_t peak = 1;
  for (std::size_t i = 0; i < s.count; ++i) {
    const std::int32_t x = s.bytes[i] - 128;
    peak = std::max(peak, x < 0 ? -x : x);
  }
  return peak;
}

void MaximumVolume(AudioDocument& doc, ByteSpan span, std::int32_t peak) {
  const Samples s = SamplesIn(doc, span);
  if (s.count == 0) return;
  // The peak starts at 1, so silence divides by 1 and stays silence, while
  // values of only -1 ... 1 are raised to full scale.
  if (doc.Is16Bit) {
    if (ScaleToFullScaleInLanes(s.bytes, s.count, peak)) return;
    // Every value lies in -peak ... peak, so the quotients of that range are
    // worked out once and the pass only looks them up: a division per
    // sample would cost several times the whole pass.
    std::vector<std::int16_t> table(2 * static_cast<std::size_t>(peak) + 1);
    for (std::int32_t v = -peak; v <= peak; ++v) table[static_cast<std::size_t>(v + peak)] = MaximumVolumeOf(v, peak);
    const std::int16_t* quotient = table.data() + peak;
    Map16(s, [quotient](std::int32_t v) { return quotient[v]; });
  } else {
    Map8(s, MakeTable8([peak](std::int32_t x) { return x * 128 / peak; }));
  }
}

}  // namespace sonavix
