#include "effects/volume_undo.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "document/sample_code.h"
#include "effects/full_scale.h"
#include "effects/sample_map.h"
#include "effects/undo_flags.h"
#include "effects/volume.h"

namespace sonavix {

namespace {

using namespace samples;

// The inverse of a one-to-one map of 8-bit values, given as the values it
// is one-to-one on (first ... last, centred) and the map itself.
template <class Fn>
Table8 InverseTable8(std::int32_t first, std::int32_t last, Fn forward) {
  Table8 table{};
  for (int b = 0; b < 256; ++b) table[static_cast<std::size_t>(b)] = static_cast<std::uint8_t>(b);
  for (std::int32_t x = first; x <= last; ++x)
    table[static_cast<std::size_t>(forward(x) + 128)] = static_cast<std::uint8_t>(x + 128);
  return table;
}

std::int32_t Louder8(std::int32_t x) { return x * 110 / 100; }

}  // namespace

bool LouderClips(std::int32_t value, bool sixteen) {
  if (sixteen) return value > 29789 || value < -29789;
  const std::int32_t louder = Louder8(value);
  return louder > 127 || louder < -128;
}

bool MakeLouderKeeping(AudioDocument& doc, ByteSpan piece, std::int16_t* __restrict old) noexcept {
  // One pass: the old values go to `old` (in the cache) and the range of
  // values is followed alongside, so the memory is read once, as by louder.
  std::uint8_t* __restrict p = doc.SampleData.get() + piece.offset;
  const auto count = static_cast<std::size_t>(piece.size / 2);
  std::int16_t lowest = 0;
  std::int16_t highest = 0;
  RunInActiveCode([=, &lowest, &highest] {
    InChunks16<true>(p, count, [&](std::size_t begin, std::size_t end) __attribute__((always_inline)) {
      std::int16_t lo = lowest;  // locals, so the loop keeps them in registers
      std::int16_t hi = highest;
      for (std::size_t i = begin; i < end; ++i) {
        std::int16_t v;
        std::memcpy(&v, p + 2 * i, 2);
        old[i] = v;
        lo = std::min(lo, v);
        hi = std::max(hi, v);
        const std::int16_t w = LouderValue(v);
        std::memcpy(p + 2 * i, &w, 2);
      }
      lowest = lo;
      highest = hi;
    });
  });
  return LouderClips(lowest, true) || LouderClips(highest, true);
}

void UnmakeLouder(AudioDocument& doc, ByteSpan span) {
  const Samples s = SamplesIn(doc, span);
  if (doc.Is16Bit) {
    // Louder made v = 10 k + r (k, r truncated) into w = 11 k + r with
    // |r| <= 9, so w / 11 truncated is k, and v = w - k.
    RunInActiveCode([&] { Map16(s, [](std::int16_t w) { return static_cast<std::int16_t>(w - w / 11); }); });
  } else {
    // Louder grows every step by more than one, so no two unclipped values
    // meet; the clipped ones are the caller's to put back.
    Map8(s, InverseTable8(-117, 116, Louder8));
  }
}

// Quieter makes v = 11 q + r (q, r truncated, |r| <= 10) into
// w = 10 q + r - sign r. With w = 10 q + t, a t other than 0 gives r back as
// t + sign t; t = 0 comes from r = -1, 0 or 1 alike, and the flags say
// which: the first that |r| = 1, the second that r = -1.
//
// Both loops work on magnitudes in unsigned 16-bit lanes (|v| <= 32768),
// where the divisions by 11 and 10 are a multiply and a shift, and put the
// sign back at the end, as the plain quieter does.
void MakeQuieterKeeping(AudioDocument& doc, ByteSpan piece, std::uint8_t* flags) noexcept {
  std::uint8_t* __restrict p = doc.SampleData.get() + piece.offset;
  std::uint8_t* __restrict one = flags;
  std::uint8_t* __restrict minusOne = flags + undo_flags::kPlane;
  std::memset(flags, 0, undo_flags::kPieceFlagBytes);
  undo_flags::ForEachSample(p, static_cast<std::size_t>(piece.size / 2), [=](std::size_t i, std::size_t j, std::uint8_t bit) {
    std::int16_t v;
    std::memcpy(&v, p + 2 * i, 2);
    const std::uint16_t mask = SignMask(v);
    const std::uint16_t a = Magnitude(v, mask);
    const auto q = static_cast<std::uint16_t>(a / std::uint16_t{11});
    const auto r = static_cast<std::uint16_t>(a - 11 * q);  // |r|
    one[j] = static_cast<std::uint8_t>(one[j] | undo_flags::Bit(bit, r == 1));
    minusOne[j] = static_cast<std::uint8_t>(minusOne[j] | undo_flags::Bit(bit, r == 1 && mask != 0));
    const auto m = static_cast<std::uint16_t>(a - q - (r != 0));
    const std::int16_t w = WithSign(m, mask);
    std::memcpy(p + 2 * i, &w, 2);
  });
}

void UnmakeQuieter(AudioDocument& doc, ByteSpan piece, const std::uint8_t* flags) noexcept {
  std::uint8_t* __restrict p = doc.SampleData.get() + piece.offset;
  const std::uint8_t* __restrict one = flags;
  const std::uint8_t* __restrict minusOne = flags + undo_flags::kPlane;
  undo_flags::ForEachSample(p, static_cast<std::size_t>(piece.size / 2), [=](std::size_t i, std::size_t j, std::uint8_t bit) {
    std::int16_t w;
    std::memcpy(&w, p + 2 * i, 2);
    const std::uint16_t wMask = SignMask(w);
    const std::uint16_t b = Magnitude(w, wMask);
    const auto q = static_cast<std::uint16_t>(b / std::uint16_t{10});
    const auto t = static_cast<std::uint16_t>(b - 10 * q);  // |t|
    // |r| is |t| + 1 where t is not 0; there the flags give it. A flagged
    // r = -1 comes from a negative v, whose w is 0 or below.
    const auto r = static_cast<std::uint16_t>(t != 0 ? t + 1 : (one[j] & bit) != 0);
    const auto mask = static_cast<std::uint16_t>(wMask | (0u - static_cast<unsigned>((minusOne[j] & bit) != 0)));
    const auto m = static_cast<std::uint16_t>(11 * q + r);
    const std::int16_t v = WithSign(m, mask);
    std::memcpy(p + 2 * i, &v, 2);
  });
}

MaximumVolumeTables MakeMaximumVolumeTables(std::int32_t peak) {
  MaximumVolumeTables tables{peak, std::vector<std::int16_t>(2 * static_cast<std::size_t>(peak) + 1),
                             std::vector<std::int16_t>(65536)};
  // Maximum volume multiplies by full scale / peak >= 1 and truncates, so
  // every value in -peak ... peak has a result of its own. Only values the
  // format has go back: a peak of 32768 comes from -32768, and no sample
  // is +32768.
  const std::int32_t last = std::min(peak, 32767);
  for (std::int32_t v = -peak; v <= peak; ++v) {
    const std::int16_t w = MaximumVolumeOf(v, peak);
    tables.forward[static_cast<std::size_t>(v + peak)] = w;
    if (v <= last) tables.back[static_cast<std::size_t>(w + 32768)] = static_cast<std::int16_t>(v);
  }
  return tables;
}

namespace {

Table8 MaximumVolume8(std::int32_t peak) {
  return MakeTable8([peak](std::int32_t x) { return x * 128 / peak; });
}

}  // namespace

void RemakeMaximumVolume(AudioDocument& doc, ByteSpan span, const MaximumVolumeTables& tables) noexcept {
  const Samples s = SamplesIn(doc, span);
  if (doc.Is16Bit) {
    if (ScaleToFullScaleInLanes(s.bytes, s.count, tables.peak)) return;
    const std::int16_t* quotient = tables.forward.data() + tables.peak;
    Map16(s, [quotient](std::int32_t v) { return quotient[v]; });
  } else {
    Map8(s, MaximumVolume8(tables.peak));
  }
}

void UnmakeMaximumVolume(AudioDocument& doc, ByteSpan span, const MaximumVolumeTables& tables) noexcept {
  const Samples s = SamplesIn(doc, span);
  if (doc.Is16Bit) {
    if (UnscaleFromFullScaleInLanes(s.bytes, s.count, tables.peak)) return;
    const std::int16_t* back = tables.back.data() + 32768;
    Map16(s, [back](std::int32_t w) { return back[w]; });
  } else {
    const std::int32_t peak = tables.peak;
    Map8(s, InverseTable8(-peak, std::min(peak, 127), [peak](std::int32_t x) {
           return std::clamp<std::int32_t>(x * 128 / peak, -128, 127);
         }));
  }
}

}  // namespace sonavix
