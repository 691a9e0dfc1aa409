#pragma once
// Louder, quieter and maximum volume, in place on the effect region.

#include "document/audio_document.h"
#include "effects/effect_region.h"

namespace sonavix {

void MakeLouder(AudioDocument& doc);   // every sample value x 110 / 100
void MakeQuieter(AudioDocument& doc);  // every sample value x 100 / 110
void MaximumVolume(AudioDocument& doc);
// The bytes the three rewrite: the effect region and the frame at its end.
ByteSpan VolumeSpan(const AudioDocument& doc);

}  // namespace sonavix
