// Times the effects on a ten-minute 44.1 kHz 16-bit stereo sound (106 MB) held
// in memory, against a memcpy of the same buffer: the floor for touching
// every byte once. Each command should take at most three times the copy
// (maximum volume three times per pass over the sound; echo four times).
// Every figure is the best of five runs; the sound is restored or made anew
// between runs, outside the timed part. Reports only, always exits 0.

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <limits>
#include <utility>

#include "document/audio_document.h"
#include "document/little_endian.h"
#include "effects/crop_cut.h"
#include "effects/echo.h"
#include "effects/fades.h"
#include "effects/reverse_speed.h"
#include "effects/sample_format.h"
#include "effects/volume.h"

namespace {

using namespace sonavix;
using Clock = std::chrono::steady_clock;

constexpr std::int32_t kRate = 44100;
constexpr std::int32_t kSeconds = 10 * 60;
constexpr std::int32_t kFrames = kRate * kSeconds;
constexpr std::int32_t kDataSize = kFrames * 4;
constexpr int kRuns = 5;

// Two triangle waves of different pitch and loudness with a little noise, so
// nothing saturates at once and the peak lies below full scale.
SampleBlock MakeSound() {
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

void Restore(AudioDocument& doc, const SampleBlock& original) {
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

// Best of kRuns in milliseconds; `prepare` runs untimed before each run.
double BestMs(const std::function<void()>& prepare, const std::function<void()>& run) {
  double best = std::numeric_limits<double>::infinity();
  for (int i = 0; i < kRuns; ++i) {
    prepare();
    const auto t0 = Clock::now();
    run();
    const auto t1 = Clock::now();
    best = std::min(best, std::chrono::duration<double, std::milli>(t1 - t0).count());
  }
  return best;
}

}  // namespace

int main() {
  const SampleBlock original = MakeSound();
  std::printf("%d MB of 44.1 kHz 16-bit stereo (%d min) in memory; best of %d runs\n",
              kDataSize / 1000000, kSeconds / 60, kRuns);

  // The reference: one copy into a block whose pages are already in place.
  SampleBlock target = SampleBlock::Allocate(kDataSize);
  std::memset(target.bytes.get(), 0, static_cast<std::size_t>(kDataSize));
  const double copyMs = BestMs([] {}, [&] {
    std::memcpy(target.bytes.get(), original.bytes.get(), static_cast<std::size_t>(kDataSize));
  });
  target = {};
  std::printf("%-26s %8.1f ms\n", "memcpy", copyMs);

  AudioDocument doc;
  Restore(doc, original);
  const auto selectMiddleHalf = [&] {
    Restore(doc, original);
    doc.SelStart = doc.SampleCount() / 4;
    doc.SelEnd = doc.SampleCount() / 4 * 3;
  };
  const auto whole = [&] { Restore(doc, original); };

  struct Command {
    const char* name;
    double goal;    // times the copy
    double passes;  // passes over the sound the goal allows for
    std::function<void()> prepare;
    std::function<void()> run;
  };
  const Command commands[] = {
      {"MakeLouder", 3, 1, whole, [&] { MakeLouder(doc); }},
      {"MakeQuieter", 3, 1, whole, [&] { MakeQuieter(doc); }},
      {"MaximumVolume (2 passes)", 3, 2, whole, [&] { MaximumVolume(doc); }},
      {"Reverse", 3, 1, whole, [&] { Reverse(doc); }},
      {"CropToSelection (half)", 3, 1, selectMiddleHalf, [&] { CropToSelection(doc); }},
      {"CutSelection (half)", 3, 1, selectMiddleHalf, [&] { CutSelection(doc); }},
      {"FadeIn 2 s", 3, 1, whole, [&] { FadeIn(doc, 2.0); }},
      {"FadeOut 2 s", 3, 1, whole, [&] { FadeOut(doc, 2.0); }},
      {"AddEcho 0.5 s", 4, 1, whole, [&] { AddEcho(doc, 0.5); }},
      {"ConvertSampleFormat same", 3, 1, whole, [&] { ConvertSampleFormat(doc, doc.Format()); }},
  };
  for (const Command& c : commands) {
    const double ms = BestMs(c.prepare, c.run);
    const double ratio = ms / copyMs;
    const double perPass = ratio / c.passes;
    std::printf("%-26s %8.1f ms  %5.2fx memcpy", c.name, ms, ratio);
    if (c.passes > 1) std::printf(" (%.2fx per pass)", perPass);
    std::printf("  goal %.0fx: %s\n", c.goal, perPass <= c.goal ? "met" : "NOT met");
  }
  return 0;
}
