#include "effects/crop_cut.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>

#include "document/two_halves.h"
#include "effects/effect_region.h"

namespace sonavix {

namespace {

// The selected frames as bytes: smaller mark to larger mark (compared
// unsigned), each limited to the end of the sound and halved in stereo. The
// frame under the larger mark is not part of it. The effect region has
// exactly these bounds whenever the marks differ.
struct Bounds {
  std::int64_t lo = 0;
  std::int64_t hi = 0;
};

Bounds SelectedBytes(const AudioDocument& doc) {
  const EffectRegion region = EffectRegionOf(doc);
  const std::int64_t frameSize = doc.FrameSize();
  return {region.start * frameSize, region.end * frameSize};
}

// Into a block just allocated: a large copy goes in two halves at once.
void CopyBytes(std::uint8_t* to, const std::uint8_t* from, std::int64_t size) {
  if (size <= 0) return;
  InTwoHalves(static_cast<std::size_t>(size),
              [=](std::size_t begin, std::size_t end) { std::memcpy(to + begin, from + begin, end - begin); });
}

}  // namespace

bool CropToSelection(AudioDocument& doc, SampleBlock* replaced) {
  if (doc.SelStart == doc.SelEnd) return false;
  const Bounds span = SelectedBytes(doc);
  SampleBlock block = SampleBlock::Allocate(static_cast<std::int32_t>(span.hi - span.lo));
  CopyBytes(block.bytes.get(), doc.SampleData.get() + span.lo, span.hi - span.lo);
  ReplaceBlock(doc, std::move(block), doc.Format(), replaced);
  return true;
}

bool CutSelection(AudioDocument& doc, SampleBlock* replaced) {
  if (doc.SelStart == doc.SelEnd) return false;
  const Bounds span = SelectedBytes(doc);
  // Whatever follows the selection is kept, a trailing partial frame as well.
  const std::int64_t tail = doc.DataSize - span.hi;
  SampleBlock block = SampleBlock::Allocate(static_cast<std::int32_t>(span.lo + tail));
  CopyBytes(block.bytes.get(), doc.SampleData.get(), span.lo);
  CopyBytes(block.bytes.get() + span.lo, doc.SampleData.get() + span.hi, tail);
  ReplaceBlock(doc, std::move(block), doc.Format(), replaced);
  return true;
}

}  // namespace sonavix
