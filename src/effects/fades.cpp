#include "effects/fades.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>

#include "document/little_endian.h"
#include "effects/effect_region.h"

namespace sonavix {

namespace {

std::int16_t Load16(const std::uint8_t* p) { return static_cast<std::int16_t>(LoadLe16(p)); }
void Store16(std::uint8_t* p, std::int32_t v) { StoreLe16(p, static_cast<std::uint16_t>(v)); }

// Scales `count` frames from `frame` on. Frame n gets the factor
// (first + step * n) / length, divided per frame in double precision. With
// `old`, each frame's bytes are copied there before it changes.
template <bool kSixteen, int kChannels>
void ScaleFrames(std::uint8_t* frame, std::int64_t count, std::int64_t length, std::int64_t first,
                 std::int64_t step, std::uint8_t* old) {
  constexpr int kFrameSize = kChannels * (kSixteen ? 2 : 1);
  const auto len = static_cast<double>(length);
  for (std::int64_t n = 0; n < count; ++n, frame += kFrameSize) {
    if (old) std::memcpy(old + n * kFrameSize, frame, kFrameSize);
    const double g = static_cast<double>(first + step * n) / len;
    for (int c = 0; c < kChannels; ++c) {
      if constexpr (kSixteen) {
        std::uint8_t* p = frame + 2 * c;
        Store16(p, static_cast<std::int32_t>(Load16(p) * g));
      } else {
        frame[c] = static_cast<std::uint8_t>(static_cast<int>((frame[c] - 128) * g + 128));
      }
    }
  }
}

// Frames from `firstFrame` on, `count` of them, with the factors
// numerator / length, the numerator starting at `first` and moving by `step`.
void ScaleFrames(AudioDocument& doc, std::int64_t firstFrame, std::int64_t count, std::int64_t length,
                 std::int64_t first, std::int64_t step, std::uint8_t* old) {
  if (count <= 0) return;
  std::uint8_t* frame = doc.SampleData.get() + firstFrame * doc.FrameSize();
  if (doc.Is16Bit) {
    if (doc.IsStereo) ScaleFrames<true, 2>(frame, count, length, first, step, old);
    else ScaleFrames<true, 1>(frame, count, length, first, step, old);
  } else {
    if (doc.IsStereo) ScaleFrames<false, 2>(frame, count, length, first, step, old);
    else ScaleFrames<false, 1>(frame, count, length, first, step, old);
  }
}

// Frame i of the blend: frame i weighted i / length plus its partner (one of
// the last `length` frames) weighted by the rest.
template <bool kSixteen, int kChannels>
void BlendFrames(const std::uint8_t* frame, const std::uint8_t* partner, std::uint8_t* out,
                 std::int64_t first, std::int64_t count, double length) {
  constexpr int kFrameSize = kChannels * (kSixteen ? 2 : 1);
  for (std::int64_t i = first; i < first + count; ++i) {
    const double g = static_cast<double>(i) / length;
    const double h = 1 - g;
    for (int c = 0; c < kChannels; ++c) {
      if constexpr (kSixteen) {
        const auto a = static_cast<std::int32_t>(Load16(frame + 2 * c) * g);
        const auto b = static_cast<std::int32_t>(Load16(partner + 2 * c) * h);
        Store16(out + 2 * c, a + b);
      } else {
        const auto a = static_cast<int>((frame[c] - 128) * g + 128);
        const auto b = static_cast<int>((partner[c] - 128) * h + 128);
        out[c] = static_cast<std::uint8_t>(a + b - 128);  // wraps, as a byte does
      }
    }
    frame += kFrameSize;
    partner += kFrameSize;
    out += kFrameSize;
  }
}

void BlendFrames(const AudioDocument& doc, std::int64_t first, std::int64_t count,
                 std::int64_t length, std::uint8_t* out) {
  if (count <= 0) return;
  const std::int64_t frameSize = doc.FrameSize();
  const std::uint8_t* frame = doc.SampleData.get() + first * frameSize;
  const std::uint8_t* partner = frame + (doc.FrameCount() - length) * frameSize;
  const auto len = static_cast<double>(length);
  if (doc.Is16Bit) {
    if (doc.IsStereo) BlendFrames<true, 2>(frame, partner, out, first, count, len);
    else BlendFrames<true, 1>(frame, partner, out, first, count, len);
  } else {
    if (doc.IsStereo) BlendFrames<false, 2>(frame, partner, out, first, count, len);
    else BlendFrames<false, 1>(frame, partner, out, first, count, len);
  }
}

}  // namespace

namespace {

// The frames a fade rewrites, first ... stop - 1, and its length in frames
// (0: no fade at all).
struct FadeFrames {
  std::int64_t first = 0;
  std::int64_t stop = 0;
  std::int64_t length = 0;
};

FadeFrames FadeInFrames(const AudioDocument& doc, double seconds) {
  const EffectRegion region = EffectRegionOf(doc);
  const std::int64_t length = FramesIn(seconds, doc.SampleRate);
  if (length == 0) return {};
  // Frames start ... start + length get the factors 0 ... 1; the frame at the
  // region's end is never touched.
  return {region.start, std::min<std::int64_t>(region.start + length + 1, region.end), length};
}

FadeFrames FadeOutFrames(const AudioDocument& doc, double seconds) {
  const EffectRegion region = EffectRegionOf(doc);
  const std::int64_t length = FramesIn(seconds, doc.SampleRate);
  if (length == 0) return {};
  // Frames end - length ... end get the factors 1 ... 0, as far as they lie in
  // the region's start and the sound; the frame at end itself only when the
  // region stops short of the sound's end.
  const std::int64_t first = std::max<std::int64_t>({region.end - length, region.start, 0});
  const std::int64_t last = std::min<std::int64_t>(region.end, doc.FrameCount() - 1);
  return {first, last + 1, length};
}

}  // namespace

ByteSpan FadeInSpan(const AudioDocument& doc, double seconds) {
  const FadeFrames f = FadeInFrames(doc, seconds);
  return FrameSpan(doc, f.first, f.stop);
}

ByteSpan FadeOutSpan(const AudioDocument& doc, double seconds) {
  const FadeFrames f = FadeOutFrames(doc, seconds);
  return FrameSpan(doc, f.first, f.stop);
}

void FadeIn(AudioDocument& doc, double seconds, std::uint8_t* old) {
  const FadeFrames f = FadeInFrames(doc, seconds);
  if (f.length > 0) ScaleFrames(doc, f.first, f.stop - f.first, f.length, 0, 1, old);
}

void FadeOut(AudioDocument& doc, double seconds, std::uint8_t* old) {
  const FadeFrames f = FadeOutFrames(doc, seconds);
  const std::int64_t end = EffectRegionOf(doc).end;
  if (f.length > 0) ScaleFrames(doc, f.first, f.stop - f.first, f.length, end - f.first, -1, old);
}

bool CrossfadeEndIntoBeginning(AudioDocument& doc, double seconds, SampleBlock* replaced) {
  const std::int64_t length = FramesIn(seconds, doc.SampleRate);
  const std::int64_t frameSize = doc.FrameSize();
  const std::int64_t size = doc.DataSize;
  if (length == 0 || length * frameSize >= size) return false;
  // The last `length` frames go; the result starts halfway into the blend, so
  // its end runs seamlessly into its beginning when looped.
  const std::int64_t newSize = size - length * frameSize;
  const std::int64_t half = (length / 2) * frameSize;
  if (half > newSize) return false;

  SampleBlock block = SampleBlock::Allocate(static_cast<std::int32_t>(newSize));
  std::uint8_t* out = block.bytes.get();
  const std::uint8_t* in = doc.SampleData.get();
  std::memcpy(out, in + half, static_cast<std::size_t>(newSize - half));
  std::memcpy(out + (newSize - half), in, static_cast<std::size_t>(half));

  // The blended frames 0 ... length - 1 (frame `length` keeps its value) that
  // survive the cut, written where the rotation put them: the first half
  // behind the rest, the second half at the front.
  const std::int64_t whole = std::min(length, newSize / frameSize);
  const std::int64_t mid = std::min(length / 2, whole);
  BlendFrames(doc, 0, mid, length, out + (newSize - half));
  BlendFrames(doc, mid, whole - mid, length, out + (mid * frameSize - half));
  // A trailing partial frame of the old sound can leave the first bytes of one
  // more blended frame just inside the cut.
  if (whole < length && newSize % frameSize != 0) {
    std::uint8_t frame[4];
    BlendFrames(doc, whole, 1, length, frame);
    std::memcpy(out + (whole * frameSize - half), frame, static_cast<std::size_t>(newSize % frameSize));
  }
  ReplaceBlock(doc, std::move(block), doc.Format(), replaced);
  return true;
}

}  // namespace sonavix
