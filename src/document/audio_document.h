#pragma once
// The one sound the program holds in memory: a block of interleaved PCM bytes,
// its format and the two selection marks. Commands read and write the fields
// directly; the few rules every writer must keep live here as free functions.

#include <cstdint>
#include <memory>

namespace sonavix {

// An owned block of PCM bytes together with its length.
struct SampleBlock {
  std::unique_ptr<std::uint8_t[]> bytes;
  std::int32_t size = 0;

  // Allocates `size` bytes without clearing them. Throws std::bad_alloc.
  static SampleBlock Allocate(std::int32_t size);
};

struct SoundFormat {
  std::int32_t SampleRate = 0;
  bool IsStereo = false;
  bool Is16Bit = false;

  int BytesPerSample() const { return Is16Bit ? 2 : 1; }
  int Channels() const { return IsStereo ? 2 : 1; }
  int FrameSize() const { return Channels() * BytesPerSample(); }
  friend bool operator==(const SoundFormat&, const SoundFormat&) = default;
};

struct AudioDocument {
  std::unique_ptr<std::uint8_t[]> SampleData;  // null until a sound is loaded
  std::int32_t DataSize = 0;                    // bytes in SampleData, >= 0
  std::int32_t SelStart = 0;                    // mark that follows the pointer
  std::int32_t SelEnd = 0;                      // mark where the button went down
  std::int32_t SampleRate = 0;                  // frames per second
  bool IsStereo = false;
  bool Is16Bit = false;

  int BytesPerSample() const { return Is16Bit ? 2 : 1; }
  int Channels() const { return IsStereo ? 2 : 1; }
  int FrameSize() const { return Channels() * BytesPerSample(); }
  // Single-channel samples, both channels of a stereo frame counted.
  std::int32_t SampleCount() const { return DataSize / BytesPerSample(); }
  std::int32_t FrameCount() const { return DataSize / FrameSize(); }

  SoundFormat Format() const { return {SampleRate, IsStereo, Is16Bit}; }

  // Signed 16-bit sample number i (mark units); i must be < SampleCount().
  std::int16_t Sample16(std::int64_t i) const;
};

// Mark (single-channel sample index) to frame index; an odd stereo mark falls
// to the start of its frame.
std::int32_t FrameIndex(const AudioDocument& doc, std::int32_t mark);
// Mark to byte offset of the frame that holds it.
std::int64_t ByteOffset(const AudioDocument& doc, std::int32_t mark);

// The selected stretch in mark units, smaller mark first. Empty when the
// marks are equal.
struct MarkRange {
  std::int32_t first = 0;
  std::int32_t last = 0;
  bool empty() const { return first == last; }
};
MarkRange Selection(const AudioDocument& doc);

// Makes `block` the document's sound in `format`. The caller builds the new
// block completely before calling, so a failed allocation never reaches here
// and the document stays as it was; the old block is released after the new
// one is in place (or handed to `replaced` when one is given, for an undo to
// keep), and both marks go to 0.
void ReplaceBlock(AudioDocument& doc, SampleBlock block, SoundFormat format,
                  SampleBlock* replaced = nullptr);

}  // namespace sonavix
