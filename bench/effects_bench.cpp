// Times the effects on a ten-minute 44.1 kHz 16-bit stereo sound (106 MB) held
// in memory, against a memcpy of the same buffer: the floor for touching
// every byte once. Each command should take at most 1.5 times the copy per
// pass over the sound (maximum volume makes two passes).
// Every figure is the best of five runs; the sound is restored or made anew
// between runs, outside the timed part. Reports only, always exits 0.

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>

#include "document/sample_code.h"
#include "ten_minute_sound.h"
#include "effects/crop_cut.h"
#include "effects/echo.h"
#include "effects/fades.h"
#include "effects/reverse_speed.h"
#include "effects/sample_format.h"
#include "effects/volume.h"

using namespace sonavix;
using namespace sonavix::bench;

int main() {
  const SampleBlock original = MakeSound();
  std::printf("%d MB of 44.1 kHz 16-bit stereo (%d min) in memory; best of %d runs\n",
              kDataSize / 1000000, kSeconds / 60, kRuns);
  std::printf("sample loops: %s build (SONAVIX_SAMPLE_CODE=plain or avx2 for another)\n",
              SampleCodeName(ActiveSampleCode()));

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
      {"MakeLouder", 1.5, 1, whole, [&] { MakeLouder(doc); }},
      {"MakeQuieter", 1.5, 1, whole, [&] { MakeQuieter(doc); }},
      {"MaximumVolume (2 passes)", 1.5, 2, whole, [&] { MaximumVolume(doc); }},
      {"Reverse", 1.5, 1, whole, [&] { Reverse(doc); }},
      {"CropToSelection (half)", 1.5, 1, selectMiddleHalf, [&] { CropToSelection(doc); }},
      {"CutSelection (half)", 1.5, 1, selectMiddleHalf, [&] { CutSelection(doc); }},
      {"FadeIn 2 s", 1.5, 1, whole, [&] { FadeIn(doc, 2.0); }},
      {"FadeOut 2 s", 1.5, 1, whole, [&] { FadeOut(doc, 2.0); }},
      {"AddEcho 0.5 s", 1.5, 1, whole, [&] { AddEcho(doc, 0.5); }},
      {"ConvertSampleFormat same", 1.5, 1, whole, [&] { ConvertSampleFormat(doc, doc.Format()); }},
  };
  for (const Command& c : commands) {
    const double ms = BestMs(c.prepare, c.run);
    const double ratio = ms / copyMs;
    const double perPass = ratio / c.passes;
    std::printf("%-26s %8.1f ms  %5.2fx memcpy", c.name, ms, ratio);
    if (c.passes > 1) std::printf(" (%.2fx per pass)", perPass);
    std::printf("  goal %.1fx: %s\n", c.goal, perPass <= c.goal ? "met" : "NOT met");
  }
  return 0;
}
