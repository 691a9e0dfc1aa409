#include "effects/sample_format.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>
#include <utility>

#include "document/little_endian.h"
#include "document/two_halves.h"

namespace sonavix {

namespace {

// One frame on its way from the old format to the new one: both channels as
// signed 16-bit values, mono carried as L = R.
struct Frame {
  std::int16_t l;
  std::int16_t r;
};

// Reading and writing one frame of a fixed format. Chosen once per
// conversion, so the frame loop holds no format tests.
template <bool Sixteen, bool Stereo>
struct Layout {
  static constexpr std::int64_t kBytes = (Sixteen ? 2 : 1) * (Stereo ? 2 : 1);

  static Frame Read(const std::uint8_t* p) {
    if constexpr (Sixteen) {
      const auto l = static_cast<std::int16_t>(LoadLe16(p));
      if constexpr (Stereo) return {l, static_cast<std::int16_t>(LoadLe16(p + 2))};
      return {l, l};
    } else {
      // Centred on 128 and widened to the 16-bit range: 0 -> -32768, 255 -> 32512.
      const auto l = static_cast<std::int16_t>((p[0] - 128) * 256);
      if constexpr (Stereo) return {l, static_cast<std::int16_t>((p[1] - 128) * 256)};
      return {l, l};
    }
  }

  // Mono keeps the left channel; 8 bits keep the high byte (arithmetic shift,
  // so -1 becomes 127, not 128).
  static void Write(std::uint8_t* p, Frame f) {
    if constexpr (Sixteen) {
      StoreLe16(p, static_cast<std::uint16_t>(f.l));
      if constexpr (Stereo) StoreLe16(p + 2, static_cast<std::uint16_t>(f.r));
    } else {
      p[0] = static_cast<std::uint8_t>((f.l >> 8) + 128);
      if constexpr (Stereo) p[1] = static_cast<std::uint8_t>((f.r >> 8) + 128);
    }
  }
};

struct Plan {
  std::int64_t readable;  // target frames whose source frame lies whole inside the block
  std::int64_t count;     // whole target frames
  std::int64_t oldRate;
  std::int64_t newRate;
};

using Converter = void (*)(const std::uint8_t* src, std::uint8_t* dst, const Plan& plan);

// Target frame i takes source frame j = i * oldRate div newRate. j is carried
// along as quotient and remainder, so the loop needs no division.
template <class From, class To>
void ConvertFrames(const std::uint8_t* src, std::uint8_t* dst, const Plan& plan) {
  std::int64_t i = 0;
  if (plan.oldRate == plan.newRate) {
    for (; i < plan.readable; ++i)
      To::Write(dst + i * To::kBytes, From::Read(src + i * From::kBytes));
  } else {
    const std::int64_t step = plan.oldRate / plan.newRate;
    const std::int64_t carry = plan.oldRate % plan.newRate;
    std::int64_t j = 0;
    std::int64_t rest = 0;  // i * oldRate mod newRate
    for (; i < plan.readable; ++i) {
      To::Write(dst + i * To::kBytes, From::Read(src + j * From::kBytes));
      j += step;
      rest += carry;
      if (rest >= plan.newRate) {
        rest -= plan.newRate;
        ++j;
      }
    }
  }
  // Target frames whose source frame would reach past the end of the block
  // (a trailing partial frame) are silence.
  for (; i < plan.count; ++i) To::Write(dst + i * To::kBytes, Frame{0, 0});
}

template <class From>
Converter PickWriter(SoundFormat to) {
  if (to.Is16Bit) {
    return to.IsStereo ? &ConvertFrames<From, Layout<true, true>>
                       : &ConvertFrames<From, Layout<true, false>>;
  }
  return to.IsStereo ? &ConvertFrames<From, Layout<false, true>>
                     : &ConvertFrames<From, Layout<false, false>>;
}

Converter PickConverter(SoundFormat from, SoundFormat to) {
  if (from.Is16Bit) {
    return from.IsStereo ? PickWriter<Layout<true, true>>(to) : PickWriter<Layout<true, false>>(to);
  }
  return from.IsStereo ? PickWriter<Layout<false, true>>(to) : PickWriter<Layout<false, false>>(to);
}

// Bytes of the converted sound: the old size scaled by the width, then by the
// channel count (each halving truncates), then by the rate ratio.
std::int64_t TargetSize(const AudioDocument& doc, SoundFormat target) {
  std::int64_t n = doc.DataSize;
  if (target.Is16Bit && !doc.Is16Bit) n *= 2;
  if (!target.Is16Bit && doc.Is16Bit) n /= 2;
  if (target.IsStereo && !doc.IsStereo) n *= 2;
  if (!target.IsStereo && doc.IsStereo) n /= 2;
  // n < 2^34, so a product past 2^63 means a result far beyond any block.
  if (n > std::numeric_limits<std::int64_t>::max() / target.SampleRate) throw std::bad_alloc();
  return n * target.SampleRate / doc.SampleRate;
}

}  // namespace

bool ConvertSampleFormat(AudioDocument& doc, SoundFormat target, SampleBlock* replaced) {
  if (doc.DataSize <= 0 || !doc.SampleData) return false;
  if (doc.SampleRate < 1 || target.SampleRate < 1) return false;

  const SoundFormat source = doc.Format();
  const std::int64_t newSize = TargetSize(doc, target);
  // DataSize is a 32-bit count: a longer result cannot be held, which counts
  // as running out of memory, before anything in the document has changed.
  if (newSize > std::numeric_limits<std::int32_t>::max()) throw std::bad_alloc();
  SampleBlock block = SampleBlock::Allocate(static_cast<std::int32_t>(newSize));

  const std::int64_t newBpf = target.FrameSize();
  const std::int64_t oldBpf = source.FrameSize();
  const std::int64_t sourceFrames = doc.DataSize / oldBpf;
  Plan plan;
  plan.count = newSize / newBpf;
  plan.oldRate = source.SampleRate;
  plan.newRate = target.SampleRate;
  // j < sourceFrames  <=>  i * oldRate < sourceFrames * newRate.
  plan.readable =
      std::min(plan.count, (sourceFrames * plan.newRate + plan.oldRate - 1) / plan.oldRate);

  std::uint8_t* dst = block.bytes.get();
  if (target == source) {
    // Reading and writing the same format gives back every byte of each frame
    // (8 bits: ((b - 128) * 256 >> 8) + 128 == b), and j == i: a copy of the
    // whole frames is the same result.
    const std::uint8_t* src = doc.SampleData.get();
    InTwoHalves(static_cast<std::size_t>(plan.count * newBpf),
                [=](std::size_t begin, std::size_t end) { std::memcpy(dst + begin, src + begin, end - begin); });
  } else {
    PickConverter(source, target)(doc.SampleData.get(), dst, plan);
  }
  // The bytes after the last whole frame are never read as samples; they are
  // cleared so the block holds nothing left over from the allocation.
  std::memset(dst + plan.count * newBpf, 0,
              static_cast<std::size_t>(newSize - plan.count * newBpf));

  ReplaceBlock(doc, std::move(block), target, replaced);
  return true;
}

}  // namespace sonavix
