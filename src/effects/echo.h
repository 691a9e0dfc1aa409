#pragma once
// A feedback echo of the given delay, in place on the effect region.

#include <cstdint>

#include "document/audio_document.h"
#include "effects/effect_region.h"

namespace sonavix {

void AddEcho(AudioDocument& doc, double delaySeconds);
// The bytes it rewrites: from `delay` into the region to the frame at its end.
ByteSpan EchoSpan(const AudioDocument& doc, double delaySeconds);
// Its work counted in samples: first ... last - 1 each take the mean with the
// sample `lag` back, in increasing order (undo's redo does it this way).
void EchoSamples(AudioDocument& doc, std::int64_t first, std::int64_t last, std::int64_t lag) noexcept;

}  // namespace sonavix
