#pragma once
// Fade in, fade out (in place, on the effect region) and the crossfade of
// the end into the beginning (always the whole sound; replaces the block).

#include "document/audio_document.h"

namespace sonavix {

void FadeIn(AudioDocument& doc, double seconds);
void FadeOut(AudioDocument& doc, double seconds);
// Returns true when the document changed; a length it cannot take leaves the
// sound as it was.
bool CrossfadeEndIntoBeginning(AudioDocument& doc, double seconds);

}  // namespace sonavix
