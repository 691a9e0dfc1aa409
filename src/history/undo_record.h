#pragma once
// What an edit keeps so that it can be taken back and done again. Every
// record turns the document from the state after its command into the state
// before (Undo) and back (Redo), alternately, and never allocates while
// doing so: an undo cannot fail half-way.

#include <cstdint>
#include <functional>
#include <memory>

#include "document/audio_document.h"
#include "effects/effect_region.h"

namespace sonavix {

class UndoRecord {
 public:
  virtual ~UndoRecord() = default;
  virtual void Undo(AudioDocument& doc) noexcept = 0;
  virtual void Redo(AudioDocument& doc) noexcept = 0;
  // Bytes the record holds, for the history's memory limit.
  virtual std::int64_t Bytes() const noexcept = 0;
};

// The bytes of `span` as they are now, for a command that rewrites them in
// place; null when they are more than `limit`. Throws std::bad_alloc when
// there is no memory for them.
std::unique_ptr<UndoRecord> KeepBytes(const AudioDocument& doc, ByteSpan span, std::int64_t limit);
// The same, copied by the command itself as it rewrites them: `command`
// gets where the old bytes of `span` go, all of them, or null when they
// cannot be kept (more than `limit`, or no memory); the record is then null.
std::unique_ptr<UndoRecord> KeepBytesWhile(ByteSpan span, std::int64_t limit,
                                           const std::function<void(std::uint8_t* old)>& command);
// A command that turns the frames of `span` round: it is its own inverse,
// so nothing of the sound is kept.
std::unique_ptr<UndoRecord> KeepReversal(ByteSpan span);
// The rate as it is now, for a command that changes only the rate.
std::unique_ptr<UndoRecord> KeepRate(const AudioDocument& doc);
// The block a command replaced, with the format it had.
std::unique_ptr<UndoRecord> KeepBlock(SampleBlock replaced, SoundFormat format);

}  // namespace sonavix
