#pragma once
// Louder, quieter and maximum volume, in place on the effect region.

#include <algorithm>
#include <cstdint>

#include "document/audio_document.h"
#include "effects/effect_region.h"

namespace sonavix {

void MakeLouder(AudioDocument& doc);   // every sample value x 110 / 100
void MakeQuieter(AudioDocument& doc);  // every sample value x 100 / 110
void MaximumVolume(AudioDocument& doc);
// The bytes the three rewrite: the effect region and the frame at its end.
ByteSpan VolumeSpan(const AudioDocument& doc);

// The same on a part of that span (whole samples), for undo to work piece
// by piece: louder, quieter, the peak maximum volume divides by (at least 1), and
// maximum volume with a peak found before.
void MakeLouder(AudioDocument& doc, ByteSpan span);
void MakeQuieter(AudioDocument& doc, ByteSpan span);
std::int32_t VolumePeak(AudioDocument& doc, ByteSpan span);
void MaximumVolume(AudioDocument& doc, ByteSpan span, std::int32_t peak);
// What louder makes of a 16-bit value: v x 110 / 100 truncated is v + v / 10
// truncated, as both parts have the sign of v. The sum leaves the range
// exactly when |v| > 29789; 29789 itself gives 32767, -29789 gives -32767,
// so the value is held to +-29789 and the one step below -32767 added back.
// Min, max and a compare in 16-bit lanes cost less than two selects.
inline std::int16_t LouderValue(std::int16_t v) {
  const std::int16_t c = std::min(std::max(v, std::int16_t{-29789}), std::int16_t{29789});
  return static_cast<std::int16_t>(c + c / 10 - (v < -29789));
}
// What maximum volume makes of a 16-bit value with that peak.
std::int16_t MaximumVolumeOf(std::int32_t value, std::int32_t peak);

}  // namespace sonavix
