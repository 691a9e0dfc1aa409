#pragma once
// Reversing the effect region in place, and playing faster or slower by
// changing the sample rate alone.

#include "document/audio_document.h"
#include "effects/effect_region.h"

namespace sonavix {

// Highest rate the speed commands go to: as high as the format dialog reaches.
inline constexpr std::int32_t kMaxSampleRate = 200000;

void Reverse(AudioDocument& doc);
// The frames Reverse turns round, and the turning of any whole frames: done
// twice on the same span, it gives back what was there.
ByteSpan ReverseSpan(const AudioDocument& doc);
void ReverseFrames(AudioDocument& doc, ByteSpan span);
void Faster(AudioDocument& doc);  // "Schneller 10%"
void Slower(AudioDocument& doc);  // "Langsamer 10%"

}  // namespace sonavix
