#pragma once
// Fade in, fade out (in place, on the effect region) and the crossfade of
// the end into the beginning (always the whole sound; replaces the block).

#include "document/audio_document.h"
#include "effects/effect_region.h"

namespace sonavix {

// With `old`, the bytes they rewrite are copied there on the way, for undo.
void FadeIn(AudioDocument& doc, double seconds, std::uint8_t* old = nullptr);
void FadeOut(AudioDocument& doc, double seconds, std::uint8_t* old = nullptr);
// The bytes the fades rewrite.
ByteSpan FadeInSpan(const AudioDocument& doc, double seconds);
ByteSpan FadeOutSpan(const AudioDocument& doc, double seconds);
// Returns true when the document changed (the old block then goes to
// `replaced` when one is given); a length it cannot take leaves the sound as
// it was.
bool CrossfadeEndIntoBeginning(AudioDocument& doc, double seconds, SampleBlock* replaced = nullptr);

}  // namespace sonavix
