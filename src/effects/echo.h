#pragma once
// A feedback echo of the given delay, in place on the effect region.

#include "document/audio_document.h"
#include "effects/effect_region.h"

namespace sonavix {

void AddEcho(AudioDocument& doc, double delaySeconds);
// The bytes it rewrites: from `delay` into the region to the frame at its end.
ByteSpan EchoSpan(const AudioDocument& doc, double delaySeconds);

}  // namespace sonavix
