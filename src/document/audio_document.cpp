#include "document/audio_document.h"

#include "document/little_endian.h"

#include <sys/mman.h>

#include <cstdint>
#include <new>
#include <utility>

namespace sonavix {

namespace {

// A long sound is written once, page by page, as it is read; asking for huge
// pages cuts the number of page faults of a one-hour sound from 150 000 to
// a few hundred. Only a hint: where the kernel does not offer them, nothing
// changes.
void AdviseHugePages(void* block, std::size_t size) {
  constexpr std::uintptr_t kHugePage = std::uintptr_t{2} << 20;
  if (size < 4 * kHugePage) return;
  const auto start = reinterpret_cast<std::uintptr_t>(block);
  const std::uintptr_t first = (start + kHugePage - 1) & ~(kHugePage - 1);
  const std::uintptr_t last = (start + size) & ~(kHugePage - 1);
  if (last > first) ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
}

}  // namespace

SampleBlock SampleBlock::Allocate(std::int32_t size) {
  if (size < 0) throw std::bad_alloc();
  SampleBlock block;
  // new[] of a trivial type leaves the bytes uninitialised: no time spent
  // clearing memory that is about to be overwritten.
  block.bytes.reset(new std::uint8_t[size > 0 ? size : 1]);
  block.size = size;
  AdviseHugePages(block.bytes.get(), static_cast<std::size_t>(size));
  return block;
}

std::int16_t AudioDocument::Sample16(std::int64_t i) const {
  return static_cast<std::int16_t>(LoadLe16(SampleData.get() + 2 * i));
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

void ReplaceBlock(AudioDocument& doc, SampleBlock block, SoundFormat format, SampleBlock* replaced) {
  std::unique_ptr<std::uint8_t[]> old = std::exchange(doc.SampleData, std::move(block.bytes));
  if (replaced) {
    replaced->bytes = std::move(old);
    replaced->size = doc.DataSize;
  }
  old.reset();
  doc.DataSize = block.size;
  doc.SampleRate = format.SampleRate;
  doc.IsStereo = format.IsStereo;
  doc.Is16Bit = format.Is16Bit;
  doc.SelStart = 0;
  doc.SelEnd = 0;
}

}  // namespace sonavix
