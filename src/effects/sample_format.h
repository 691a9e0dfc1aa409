#pragma once
// Converting the whole sound to another rate, channel count and sample
// width: nearest-earlier-frame resampling, the left channel for mono, the
// high byte for 8 bits. Builds the new block first and replaces the
// document's block through ReplaceBlock. Returns true when it did; the old
// block then goes to `replaced` when one is given.

#include "document/audio_document.h"

namespace sonavix {

bool ConvertSampleFormat(AudioDocument& doc, SoundFormat target, SampleBlock* replaced = nullptr);

}  // namespace sonavix
