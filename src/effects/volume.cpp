#include "effects/volume.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "effects/effect_region.h"

namespace sonavix {

namespace {

// The bytes a volume command works on: the frames start ... end of the effect
// region, the frame at end included, but never a frame at or past FrameCount
// (and so never the bytes of a trailing partial frame).
struct Samples {
  std::uint8_t* bytes = nullptr;
  std::size_t count = 0;  // single-channel samples
};

Samples RegionSamples(AudioDocument& doc) {
  const ByteSpan span = VolumeSpan(doc);
  if (span.empty()) return {};
  return {doc.SampleData.get() + span.offset, static_cast<std::size_t>(span.size / doc.BytesPerSample())};
}

std::int32_t Clamp16(std::int32_t v) { return std::clamp<std::int32_t>(v, -32768, 32767); }

// Rewrites every 16-bit sample through `fn` (a lambda, inlined into the
// loop). On a little-endian machine the stored bytes are the machine's own
// layout, so the loop loads and stores whole words and vectorises.
template <class Fn>
void Map16(Samples s, Fn fn) {
  std::uint8_t* p = s.bytes;
  if constexpr (std::endian::native == std::endian::little) {
    for (std::size_t i = 0; i < s.count; ++i) {
      std::int16_t v;
      std::memcpy(&v, p + 2 * i, 2);
      v = static_cast<std::int16_t>(fn(v));
      std::memcpy(p + 2 * i, &v, 2);
    }
  } else {
    for (std::size_t i = 0; i < s.count; ++i) {
      const auto v = static_cast<std::int16_t>(p[2 * i] | p[2 * i + 1] << 8);
      const auto w = static_cast<std::uint16_t>(fn(v));
      p[2 * i] = static_cast<std::uint8_t>(w);
      p[2 * i + 1] = static_cast<std::uint8_t>(w >> 8);
    }
  }
}

// The largest magnitude among the 16-bit samples, at least 1.
std::int32_t Peak16(Samples s) {
  const std::uint8_t* p = s.bytes;
  std::int32_t peak = 1;
  for (std::size_t i = 0; i < s.count; ++i) {
    std::int32_t v;
    if constexpr (std::endian::native == std::endian::little) {
      std::int16_t w;
      std::memcpy(&w, p + 2 * i, 2);
      v = w;
    } else {
      v = static_cast<std::int16_t>(p[2 * i] | p[2 * i + 1] << 8);
    }
    peak = std::max(peak, v < 0 ? -v : v);
  }
  return peak;
}

// 8-bit samples go through a table of all 256 byte values.
using Table8 = std::array<std::uint8_t, 256>;

template <class Fn>
Table8 MakeTable8(Fn centred) {
  Table8 table{};
  for (int b = 0; b < 256; ++b) {
    const std::int32_t v = std::clamp<std::int32_t>(centred(b - 128), -128, 127);
    table[static_cast<std::size_t>(b)] = static_cast<std::uint8_t>(v + 128);
  }
  return table;
}

void Map8(Samples s, const Table8& table) {
  for (std::size_t i = 0; i < s.count; ++i) s.bytes[i] = table[s.bytes[i]];
}

// Every sample value x mul / div, truncated toward zero and limited to the
// sample range. The 16-bit loop gets the same numbers from `scale16`, a form
// that stays within 16-bit lanes: a 32-bit division by a constant in every
// lane costs the loop more than the memory traffic does.
template <std::int32_t kMul, std::int32_t kDiv, class Scale16>
void Scale(AudioDocument& doc, Scale16 scale16) {
  const Samples s = RegionSamples(doc);
  if (s.count == 0) return;
  if (doc.Is16Bit) {
    Map16(s, scale16);
  } else {
    Map8(s, MakeTable8([](std::int32_t x) { return x * kMul / kDiv; }));
  }
}

}  // namespace

ByteSpan VolumeSpan(const AudioDocument& doc) {
  const EffectRegion region = EffectRegionOf(doc);
  const std::int64_t stop = std::min<std::int64_t>(std::int64_t{region.end} + 1, doc.FrameCount());
  return FrameSpan(doc, region.start, stop);
}

void MakeLouder(AudioDocument& doc) {
  // s x 110 / 100 truncated is s + s / 10 truncated: both parts have the
  // sign of s. The sum leaves the range exactly when |s| > 29789.
  Scale<110, 100>(doc, [](std::int16_t v) {
    const auto sum = static_cast<std::int16_t>(v + v / 10);
    return v > 29789 ? std::int16_t{32767} : v < -29789 ? std::int16_t{-32768} : sum;
  });
}

void MakeQuieter(AudioDocument& doc) {
  // s x 100 / 110 truncated: with s = 11 q + r (q, r truncated, r of the
  // sign of s, |r| <= 10) it is 10 q + (r - sign r) = s - q - sign r.
  Scale<100, 110>(doc, [](std::int16_t v) {
    const auto q = static_cast<std::int16_t>(v / 11);
    const auto r = static_cast<std::int16_t>(v - 11 * q);
    return static_cast<std::int16_t>(v - q - ((r > 0) - (r < 0)));
  });
}

void MaximumVolume(AudioDocument& doc) {
  const Samples s = RegionSamples(doc);
  if (s.count == 0) return;

  // The peak starts at 1, so silence divides by 1 and stays silence, while
  // values of only -1 ... 1 are raised to full scale.
  if (doc.Is16Bit) {
    const std::int32_t peak = Peak16(s);
    // Every value lies in -peak ... peak, so the quotients of that range are
    // worked out once and the second pass only looks them up: a division per
    // sample would cost several times the whole pass.
    std::vector<std::int16_t> table(2 * static_cast<std::size_t>(peak) + 1);
    for (std::int32_t v = -peak; v <= peak; ++v)
      table[static_cast<std::size_t>(v + peak)] = static_cast<std::int16_t>(Clamp16(v * 32768 / peak));
    const std::int16_t* quotient = table.data() + peak;
    Map16(s, [quotient](std::int32_t v) { return quotient[v]; });
  } else {
    std::int32_t peak = 1;
    for (std::size_t i = 0; i < s.count; ++i) {
      const std::int32_t x = s.bytes[i] - 128;
      peak = std::max(peak, x < 0 ? -x : x);
    }
    Map8(s, MakeTable8([peak](std::int32_t x) { return x * 128 / peak; }));
  }
}

}  // namespace sonavix
