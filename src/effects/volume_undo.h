#pragma once
// Taking back louder and maximum volume from their results, without a copy
// of the sound: both map different values to different values, except
// where louder has to clip at full scale.

#include <cstdint>
#include <vector>

#include "document/audio_document.h"
#include "effects/effect_region.h"

namespace sonavix {

// True when louder clips the value (16 bits, or 8 bits centred as byte - 128),
// so that its result does not tell what the value was.
bool LouderClips(std::int32_t value, bool sixteen);
// Louder on a piece of at most undo_flags::kPiece 16-bit samples, copying
// each old value to `old` on the way; true when any of them clipped.
bool MakeLouderKeeping(AudioDocument& doc, ByteSpan piece, std::int16_t* old) noexcept;
// Every sample of the span that louder did not clip goes back to its value
// before louder.
void UnmakeLouder(AudioDocument& doc, ByteSpan span);

// Quieter on a piece of at most undo_flags::kPiece 16-bit samples, setting
// the two flags its undo needs in `flags` (undo_flags::kPieceFlagBytes);
// and the piece back from its result and those flags.
void MakeQuieterKeeping(AudioDocument& doc, ByteSpan piece, std::uint8_t* flags) noexcept;
void UnmakeQuieter(AudioDocument& doc, ByteSpan piece, const std::uint8_t* flags) noexcept;

// What maximum volume with one peak (as VolumePeak found it) makes of each
// 16-bit value, and back, worked out once so that neither way allocates.
struct MaximumVolumeTables {
  std::int32_t peak = 1;
  std::vector<std::int16_t> forward;  // -peak ... peak
  std::vector<std::int16_t> back;     // every 16-bit value
};
MaximumVolumeTables MakeMaximumVolumeTables(std::int32_t peak);  // may throw std::bad_alloc
// Maximum volume on the span (again), or every sample back to its value
// before it.
void RemakeMaximumVolume(AudioDocument& doc, ByteSpan span, const MaximumVolumeTables& tables) noexcept;
void UnmakeMaximumVolume(AudioDocument& doc, ByteSpan span, const MaximumVolumeTables& tables) noexcept;

}  // namespace sonavix
