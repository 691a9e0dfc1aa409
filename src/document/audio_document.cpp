#include "document/audio_document.h"

#include <new>
#include <utility>

namespace sonavix {

SampleBlock SampleBlock::Allocate(std::int32_t size) {
  if (size < 0) throw std::bad_alloc();
  SampleBlock block;
  // new[] of a trivial type leaves the bytes uninitialised: no time spent
  // clearing memory that is about to be overwritten.
  block.bytes.reset(new std::uint8_t[size > 0 ? size : 1]);
  block.size = size;
  return block;
}

std::int16_t AudioDocument::Sample16(std::int64_t i) const {
  const std::uint8_t* p = SampleData.get() + 2 * i;
  return static_cast<std::int16_t>(p[0] | (p[1] << 8));
}

std::int32_t FrameIndex(const AudioDocument& doc, std::int32_t mark) {
  return mark / doc.Channels();
}

std::int64_t ByteOffset(const AudioDocument& doc, std::int32_t mark) {
  return std::int64_t{FrameIndex(doc, mark)} * doc.FrameSize();
}

MarkRange Selection(const AudioDocument& doc) {
  if (doc.SelStart <= doc.SelEnd) return {doc.SelStart, doc.SelEnd};
  return {doc.SelEnd, doc.SelStart};
}

void ReplaceBlock(AudioDocument& doc, SampleBlock block, SoundFormat format) {
  std::unique_ptr<std::uint8_t[]> old = std::exchange(doc.SampleData, std::move(block.bytes));
  old.reset();
  doc.DataSize = block.size;
  doc.SampleRate = format.SampleRate;
  doc.IsStereo = format.IsStereo;
  doc.Is16Bit = format.Is16Bit;
  doc.SelStart = 0;
  doc.SelEnd = 0;
}

}  // namespace sonavix
