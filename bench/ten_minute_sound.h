#pragma once
// The sound the effect benchmarks work on: ten minutes of 44.1 kHz 16-bit
// stereo (106 MB) in memory, and the best-of-five timing they share.

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <utility>

#include "document/audio_document.h"
#include "document/little_endian.h"

namespace sonavix::bench {

inline constexpr std::int32_t kRate = 44100;
inline constexpr std::int32_t kSeconds = 10 * 60;
inline constexpr std::int32_t kFrames = kRate * kSeconds;
inline constexpr std::int32_t kDataSize = kFrames * 4;
inline constexpr int kRuns = 5;

// Two triangle waves of different pitch and loudness with a little noise, so
// nothing saturates at once and the peak lies below full scale.
inline SampleBlock MakeSound() {
  SampleBlock block = SampleBlock::Allocate(kDataSize);
  std::uint32_t noise = 12345;
  for (std::int32_t f = 0; f < kFrames; ++f) {
    noise = noise * 1664525u + 1013904223u;
    const std::int32_t jitter = static_cast<std::int32_t>(noise >> 24) - 128;
    const std::int32_t left = (f % 200 < 100 ? f % 100 : 100 - f % 100) * 200 - 10000 + jitter;
    const std::int32_t right = (f % 74 < 37 ? f % 37 : 37 - f % 37) * 400 - 7400 + jitter;
    StoreLe16(block.bytes.get() + 4 * std::int64_t{f}, static_cast<std::uint16_t>(left));
    StoreLe16(block.bytes.get() + 4 * std::int64_t{f} + 2, static_cast<std::uint16_t>(right));
  }
  return block;
}

// The document back to `original`, no selection.
inline void Restore(AudioDocument& doc, const SampleBlock& original) {
  if (doc.DataSize != original.size || doc.Format() != SoundFormat{kRate, true, true}) {
    SampleBlock copy = SampleBlock::Allocate(original.size);
    std::memcpy(copy.bytes.get(), original.bytes.get(), static_cast<std::size_t>(original.size));
    ReplaceBlock(doc, std::move(copy), {kRate, true, true});
  } else {
    std::memcpy(doc.SampleData.get(), original.bytes.get(), static_cast<std::size_t>(original.size));
  }
  doc.SelStart = 0;
  doc.SelEnd = 0;
}

// Best of `runs` (kRuns unless given) in milliseconds; `prepare` runs
// untimed before each run.
inline double BestMs(const std::function<void()>& prepare, const std::function<void()>& run, int runs = kRuns) {
  using Clock = std::chrono::steady_clock;
  double best = std::numeric_limits<double>::infinity();
  for (int i = 0; i < runs; ++i) {
    prepare();
    const auto t0 = Clock::now();
    run();
    const auto t1 = Clock::now();
    best = std::min(best, std::chrono::duration<double, std::milli>(t1 - t0).count());
  }
  return best;
}

}  // namespace sonavix::bench
