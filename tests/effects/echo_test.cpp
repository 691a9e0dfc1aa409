// The feedback echo: a click turns into a train of halves, the means round as
// each sample width demands, channels stay apart, and only the region's frames
// from its start plus the delay on are written or read.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <tuple>
#include <vector>

#include "document/little_endian.h"
#include "test_sounds.h"
#include "effects/echo.h"

namespace {

using sonavix::AudioDocument;

using sonavix::testing::Bytes;
using sonavix::testing::Sound;
using sonavix::testing::Sound16;

TEST(EchoTest, ClickDecaysByHalvesEveryDelay) {
  // 16-bit stereo at 200 Hz, 0.5 s: 100 frames; a click on each channel.
  std::vector<std::int16_t> samples(2 * 500, 0);
  samples[0] = 1000;
  samples[1] = -1000;
  AudioDocument doc = Sound16(true, 200, samples);
  sonavix::AddEcho(doc, 0.5);
  const std::int16_t train[] = {1000, 500, 250, 125, 62};
  for (int k = 0; k < 5; ++k) {
    EXPECT_EQ(doc.Sample16(2 * 100 * k), train[k]) << k;
    EXPECT_EQ(doc.Sample16(2 * 100 * k + 1), -train[k]) << k;  // toward zero
    EXPECT_EQ(doc.Sample16(2 * (100 * k + 1)), 0) << k;
  }

  // 8-bit mono: the same train around the zero line at 128.
  std::vector<std::uint8_t> bytes(80, 128);
  bytes[0] = 228;
  AudioDocument eight = Sound(false, false, 40, bytes);
  sonavix::AddEcho(eight, 0.5);
  EXPECT_EQ(eight.SampleData[20], 178);
  EXPECT_EQ(eight.SampleData[40], 153);
  EXPECT_EQ(eight.SampleData[60], 140);  // 140.5 rounded down
  EXPECT_EQ(eight.SampleData[59], 128);
}

TEST(EchoTest, MeansRoundPerSampleWidthAndKeepChannelsApart) {
  // Left 3 then 0, right -3 then 0: means 1 and -1 (toward zero).
  AudioDocument sixteen = Sound16(true, 1, {3, -3, 0, 0});
  sonavix::AddEcho(sixteen, 1);
  EXPECT_EQ(sixteen.Sample16(2), 1);
  EXPECT_EQ(sixteen.Sample16(3), -1);

  // 8-bit bytes 131 and 128 give 129; 125 and 128 give 126.
  AudioDocument eight = Sound(true, false, 1, {131, 125, 128, 128});
  sonavix::AddEcho(eight, 1);
  EXPECT_EQ(Bytes(eight), (std::vector<std::uint8_t>{131, 125, 129, 126}));

  // The sum of two large values does not overflow.
  AudioDocument loud = Sound16(true, 1, {32767, -32768, 32767, -32768});
  sonavix::AddEcho(loud, 1);
  EXPECT_EQ(loud.Sample16(2), 32767);
  EXPECT_EQ(loud.Sample16(3), -32768);
}

TEST(EchoTest, HalfSecondAtCdRateFeedsBackTheEchoedFrame) {
  std::vector<std::int16_t> samples(50000);
  for (std::size_t f = 0; f < samples.size(); ++f) samples[f] = std::int16_t(f % 2001 - 1000);
  AudioDocument doc = Sound16(false, 44100, samples);
  sonavix::AddEcho(doc, 0.5);  // 22050 frames
  EXPECT_EQ(doc.Sample16(0), samples[0]);
  EXPECT_EQ(doc.Sample16(22049), samples[22049]);
  const int echoed = (samples[22050] + samples[0]) / 2;
  EXPECT_EQ(doc.Sample16(22050), echoed);
  EXPECT_EQ(doc.Sample16(44100), (samples[44100] + echoed) / 2);
}

TEST(EchoTest, SelectionIsTheOnlyStretchWrittenOrRead) {
  // Stereo, marks right to left over frames 20 ... 30, 5 frames of delay. The
  // frames before the selection are loud and must not leak in.
  std::vector<std::int16_t> samples;
  for (int f = 0; f < 40; ++f) {
    const bool inside = f >= 20;
    samples.insert(samples.end(), {std::int16_t(inside ? 100 * f : 30000), std::int16_t(inside ? -f : -30000)});
  }
  AudioDocument doc = Sound16(true, 10, samples);
  doc.SelStart = 2 * 30 + 1;
  doc.SelEnd = 2 * 20;
  sonavix::AddEcho(doc, 0.5);
  for (int f = 0; f < 25; ++f) EXPECT_EQ(doc.Sample16(2 * f), samples[2 * f]) << f;
  EXPECT_EQ(doc.Sample16(2 * 25), (2500 + 2000) / 2);
  EXPECT_EQ(doc.Sample16(2 * 25 + 1), (-25 - 20) / 2);
  const int at30 = (3000 + (2500 + 2000) / 2) / 2;  // frame 25 fed back
  EXPECT_EQ(doc.Sample16(2 * 30), at30);            // the frame at the larger mark
  EXPECT_EQ(doc.Sample16(2 * 31), 3100);
  EXPECT_EQ(doc.SelStart, 61);
  EXPECT_EQ(doc.SelEnd, 40);
}

TEST(EchoTest, DelaysThatReachNothingChangeNothing) {
  const std::vector<std::uint8_t> bytes = {0, 60, 120, 180, 240, 30, 90};
  // Less than one frame, no sample rate, longer than the sound, or longer
  // than the selected stretch.
  for (const auto& [rate, seconds, selEnd] :
       {std::tuple{44100, 1e-6, 0}, std::tuple{0, 0.5, 0}, std::tuple{1, 8.0, 0}, std::tuple{1, 4.0, 3}}) {
    AudioDocument doc = Sound(false, false, rate, bytes);
    doc.SelEnd = selEnd;
    sonavix::AddEcho(doc, seconds);
    EXPECT_EQ(Bytes(doc), bytes) << rate << " " << seconds;
  }
  AudioDocument empty;
  sonavix::AddEcho(empty, 0.5);
  EXPECT_EQ(empty.DataSize, 0);

  // 0.3 s at 10 Hz is 2 frames, not 3 (the product just below 3, truncated);
  // an odd 16-bit byte count leaves the stray last byte alone.
  AudioDocument odd = Sound(false, true, 10, {8, 0, 6, 0, 0, 0, 0, 0, 0x77});
  sonavix::AddEcho(odd, 0.3);
  EXPECT_EQ(Bytes(odd), (std::vector<std::uint8_t>{8, 0, 6, 0, 4, 0, 3, 0, 0x77}));
}

}  // namespace
