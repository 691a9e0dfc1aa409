#pragma once
// The span of frames an effect works on: the selection, or the whole sound
// when nothing is selected.

#include <cstdint>

#include "document/audio_document.h"

namespace sonavix {

struct EffectRegion {
  std::int32_t start = 0;  // first frame
  std::int32_t end = 0;    // one past the last frame; never past FrameCount
  std::int32_t Frames() const { return end - start; }
};

// Without a selection: 0 ... FrameCount. With one: the smaller and larger
// mark (compared as unsigned numbers, so a mark of -1 counts as the largest),
// halved in stereo, each limited to FrameCount.
EffectRegion EffectRegionOf(const AudioDocument& doc);

// A time span in whole frames: seconds x rate in extended precision,
// truncated toward zero. Anything below one frame (a sound without a rate
// included) comes to 0; absurdly long times are capped far beyond any sound.
std::int64_t FramesIn(double seconds, std::int32_t sampleRate);

// The bytes an in-place command rewrites, or a selection's bytes.
struct ByteSpan {
  std::int64_t offset = 0;
  std::int64_t size = 0;
  bool empty() const { return size <= 0; }
};

// Frames first ... stop - 1 as bytes; empty when stop <= first.
ByteSpan FrameSpan(const AudioDocument& doc, std::int64_t first, std::int64_t stop);

}  // namespace sonavix
