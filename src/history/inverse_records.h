#pragma once
// Commands that keep no copy of the sound for undo: they are worked
// backwards from their result. Each carries its command out itself, so that
// what little it keeps is gathered in the same pass.

#include <cstdint>
#include <memory>

#include "document/audio_document.h"
#include "effects/effect_region.h"
#include "history/undo_record.h"

namespace sonavix {

// Louder on `span`, keeping only the samples it clips. Null when those
// would pass `limit` or find no memory; louder is done all the same.
std::unique_ptr<UndoRecord> LouderKeeping(AudioDocument& doc, ByteSpan span, std::int64_t limit) noexcept;
// Quieter on `span` and the echo, keeping the flags of their halvings and
// divisions (an eighth of the bytes). On 8-bit sounds, or an echo shorter
// than a piece of flags, the bytes are kept as they were. Null when that
// would pass `limit` or finds no memory; the command is done all the same.
std::unique_ptr<UndoRecord> QuieterKeeping(AudioDocument& doc, ByteSpan span, std::int64_t limit);
std::unique_ptr<UndoRecord> EchoKeeping(AudioDocument& doc, double delaySeconds, std::int64_t limit);
// Maximum volume on `span`, keeping only the tables of what it made of each
// value and back. Null when they find no memory: maximum volume is then
// done without them, or throws std::bad_alloc before it changes anything.
std::unique_ptr<UndoRecord> MaximumVolumeKeeping(AudioDocument& doc, ByteSpan span);

}  // namespace sonavix
