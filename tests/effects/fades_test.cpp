// Fade in, fade out and the crossfade of the end into the beginning: the
// factors at both ends, which frames of the region they reach, and how the
// crossfade shortens and rotates the sound or leaves it alone.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include "document/little_endian.h"
#include "test_sounds.h"
#include "effects/fades.h"

namespace {

using sonavix::AudioDocument;

using sonavix::testing::Bytes;
using sonavix::testing::Sound;
using sonavix::testing::Sound16;

TEST(FadeInTest, RisesFromSilenceToFullOverTheLength) {
  std::vector<std::int16_t> samples(100000, 1000);
  samples[44100] = -3;
  AudioDocument doc = Sound16(false, 44100, samples);
  sonavix::FadeIn(doc, 2);  // 88200 frames
  EXPECT_EQ(doc.Sample16(0), 0);
  EXPECT_EQ(doc.Sample16(22050), 250);
  EXPECT_EQ(doc.Sample16(44100), -1);  // -1.5 truncated toward zero
  EXPECT_EQ(doc.Sample16(88199), 999);
  EXPECT_EQ(doc.Sample16(88200), 1000);
  EXPECT_EQ(doc.Sample16(99999), 1000);

  // 8-bit stereo, 2 frames: the factor 0.5 on both channels of frame 1.
  AudioDocument eight = Sound(true, false, 2, {0, 255, 0, 255, 0, 255, 0, 255});
  sonavix::FadeIn(eight, 1);
  EXPECT_EQ(Bytes(eight), (std::vector<std::uint8_t>{128, 128, 64, 191, 0, 255, 0, 255}));
}

TEST(FadeInTest, LengthIsTheExtendedProductTruncated) {
  // 0.3 s x 10 Hz is just below 3 in extended precision: 2 frames, not 3.
  AudioDocument doc = Sound16(false, 10, {900, 900, 900, 900});
  sonavix::FadeIn(doc, 0.3);
  EXPECT_EQ(doc.Sample16(1), 450);
  EXPECT_EQ(doc.Sample16(2), 900);
}

TEST(FadeInTest, RegionShorterThanLengthStopsBeforeItsEnd) {
  // 16-bit stereo, marks dragged right to left: frames 10 ... 60.
  std::vector<std::int16_t> samples;
  for (int f = 0; f < 80; ++f) samples.insert(samples.end(), {1001, -2001});
  AudioDocument doc = Sound16(true, 100, samples);
  doc.SelStart = 2 * 60 + 1;
  doc.SelEnd = 2 * 10;
  sonavix::FadeIn(doc, 1);  // 100 frames, longer than the region
  EXPECT_EQ(doc.Sample16(2 * 9), 1001);
  EXPECT_EQ(doc.Sample16(2 * 10), 0);
  EXPECT_EQ(doc.Sample16(2 * 10 + 1), 0);
  EXPECT_EQ(doc.Sample16(2 * 59), 490);
  EXPECT_EQ(doc.Sample16(2 * 59 + 1), -980);
  EXPECT_EQ(doc.Sample16(2 * 60), 1001);  // the frame at the region's end
  EXPECT_EQ(doc.Sample16(2 * 60 + 1), -2001);
  EXPECT_EQ(doc.SelStart, 121);
  EXPECT_EQ(doc.SelEnd, 20);
}

TEST(FadeOutTest, WholeSoundEndsOneStepAboveSilence) {
  AudioDocument doc = Sound16(false, 1000, std::vector<std::int16_t>(100000, 10001));
  sonavix::FadeOut(doc, 1);  // 1000 frames
  EXPECT_EQ(doc.Sample16(98999), 10001);
  EXPECT_EQ(doc.Sample16(99000), 10001);
  EXPECT_EQ(doc.Sample16(99001), 9990);
  EXPECT_EQ(doc.Sample16(99500), 5000);
  EXPECT_EQ(doc.Sample16(99999), 10);

  // 2 s on a 1-second sound: the fall starts at half volume.
  AudioDocument shortSound = Sound(false, false, 4, {228, 228, 228, 228});
  sonavix::FadeOut(shortSound, 2);
  EXPECT_EQ(Bytes(shortSound), (std::vector<std::uint8_t>{178, 165, 153, 140}));
}

TEST(FadeOutTest, FrameAtSelectionEndBecomesSilence) {
  AudioDocument doc = Sound(false, false, 100, std::vector<std::uint8_t>(600, 228));
  doc.SelStart = 500;
  doc.SelEnd = 450;  // region 450 ... 500, shorter than the 100 frames
  sonavix::FadeOut(doc, 1);
  EXPECT_EQ(doc.SampleData[449], 228);  // before the region: not touched
  EXPECT_EQ(doc.SampleData[450], 178);  // the fall starts below full volume
  EXPECT_EQ(doc.SampleData[499], 129);
  EXPECT_EQ(doc.SampleData[500], 128);
  EXPECT_EQ(doc.SampleData[501], 228);

  AudioDocument wide = Sound(false, false, 100, std::vector<std::uint8_t>(600, 28));
  wide.SelEnd = 500;
  sonavix::FadeOut(wide, 1);
  EXPECT_EQ(wide.SampleData[400], 28);
  EXPECT_EQ(wide.SampleData[401], 29);  // -100 x 0.99 + 128 = 29
  EXPECT_EQ(wide.SampleData[500], 128);
}

TEST(FadeTest, LengthOfNoFramesOrNoSoundChangesNothing) {
  const std::vector<std::uint8_t> bytes = {0, 50, 100, 150, 200, 250};
  for (const auto& [rate, seconds] : {std::pair{44100, 1e-6}, std::pair{0, 2.0}}) {
    AudioDocument doc = Sound(false, false, rate, bytes);
    sonavix::FadeIn(doc, seconds);
    sonavix::FadeOut(doc, seconds);
    EXPECT_FALSE(sonavix::CrossfadeEndIntoBeginning(doc, seconds));
    EXPECT_EQ(Bytes(doc), bytes);
  }
  AudioDocument empty;
  sonavix::FadeIn(empty, 2);
  sonavix::FadeOut(empty, 2);
  EXPECT_FALSE(sonavix::CrossfadeEndIntoBeginning(empty, 2));
  EXPECT_EQ(empty.DataSize, 0);
}

TEST(CrossfadeTest, ShortensAndStartsHalfwayIntoTheBlend) {
  // 10 s of 8-bit mono at 8000 Hz, 1 s crossfade: 8000 frames.
  std::vector<std::uint8_t> bytes(80000, 128);
  bytes[0] = 10, bytes[72000] = 77;          // blended frame 0 takes its partner
  bytes[4000] = 200, bytes[76000] = 100;     // halfway: 164 + 114 - 128
  bytes[8000] = 33;                          // factor 1: unchanged
  bytes[71999] = 44;                         // last frame kept, never blended
  bytes[3999] = 228, bytes[75999] = 228;     // 177 + 178 - 128: truncation loses one
  AudioDocument doc = Sound(false, false, 8000, bytes);
  doc.SelStart = 5, doc.SelEnd = 9000;  // ignored
  ASSERT_TRUE(sonavix::CrossfadeEndIntoBeginning(doc, 1));
  ASSERT_EQ(doc.DataSize, 72000);
  EXPECT_EQ(doc.SampleData[0], 150);        // old frame 4000
  EXPECT_EQ(doc.SampleData[4000], 33);      // old frame 8000
  EXPECT_EQ(doc.SampleData[67999], 44);     // old frame 71999
  EXPECT_EQ(doc.SampleData[68000], 77);     // old frame 0
  EXPECT_EQ(doc.SampleData[71999], 227);    // old frame 3999
  EXPECT_EQ(doc.SelStart, 0);
  EXPECT_EQ(doc.SelEnd, 0);

  // Bytes 0 blended at the factor 0.3 give 89 + 38 - 128, which wraps to 255;
  // old frame 3 lands at new frame 8.
  AudioDocument wrap = Sound(false, false, 10, std::vector<std::uint8_t>(20, 0));
  ASSERT_TRUE(sonavix::CrossfadeEndIntoBeginning(wrap, 1));
  EXPECT_EQ(wrap.SampleData[8], 255);
  EXPECT_EQ(wrap.SampleData[5], 0);  // old frame 0: its partner
}

TEST(CrossfadeTest, OddLengthRotatesWholeStereoFrames) {
  std::vector<std::int16_t> samples;
  for (int f = 0; f < 20; ++f) samples.insert(samples.end(), {std::int16_t(1000 + f), std::int16_t(-1000 - f)});
  AudioDocument doc = Sound16(true, 10, samples);
  ASSERT_TRUE(sonavix::CrossfadeEndIntoBeginning(doc, 0.5));  // 5 frames
  ASSERT_EQ(doc.FrameCount(), 15);
  // New frame 0 is old frame 2 (factor 0.4, partner 17), in channel order.
  EXPECT_EQ(doc.Sample16(0), 400 + 610);
  EXPECT_EQ(doc.Sample16(1), -400 - 610);
  EXPECT_EQ(doc.Sample16(2 * 3), 1005);
  EXPECT_EQ(doc.Sample16(2 * 12 + 1), -1014);
  EXPECT_EQ(doc.Sample16(2 * 13), 1015);  // old frame 0: its partner
  EXPECT_EQ(doc.Sample16(2 * 14), 200 + 812);
  EXPECT_EQ(doc.Sample16(2 * 14 + 1), -200 - 812);
}

TEST(CrossfadeTest, LengthsTheShortenedSoundCannotHoldLeaveItAlone) {
  // 30 frames: a length of 20 leaves exactly the rotation point; 21 lies past it.
  std::vector<std::int16_t> samples(30);
  for (int f = 0; f < 30; ++f) samples[f] = std::int16_t(100 * f + 1);
  for (double seconds : {2.1, 3.0, 100.0}) {
    AudioDocument doc = Sound16(false, 10, samples);
    doc.SelStart = 3, doc.SelEnd = 7;
    const std::uint8_t* block = doc.SampleData.get();
    const std::vector<std::uint8_t> before = Bytes(doc);
    EXPECT_FALSE(sonavix::CrossfadeEndIntoBeginning(doc, seconds)) << seconds;
    EXPECT_EQ(doc.SampleData.get(), block);
    EXPECT_EQ(doc.DataSize, 60);
    EXPECT_EQ(Bytes(doc), before);
    EXPECT_EQ(doc.SelStart, 3);
    EXPECT_EQ(doc.SelEnd, 7);
  }
  AudioDocument single = Sound16(false, 10, {500});  // one frame, one frame long
  EXPECT_FALSE(sonavix::CrossfadeEndIntoBeginning(single, 0.1));
  EXPECT_EQ(single.DataSize, 2);
  EXPECT_EQ(single.Sample16(0), 500);

  AudioDocument doc = Sound16(false, 10, samples);
  ASSERT_TRUE(sonavix::CrossfadeEndIntoBeginning(doc, 2));
  ASSERT_EQ(doc.FrameCount(), 10);
  EXPECT_EQ(doc.Sample16(0), 1001);       // old frame 0 takes partner frame 10
  EXPECT_EQ(doc.Sample16(9), 405 + 1045);  // 901 x 0.45 + 1901 x 0.55, truncated
}

TEST(CrossfadeTest, PartialLastFrameKeepsTheBytesItReaches) {
  // 8-bit stereo, 4 frames and a stray byte; 3 frames leave 3 bytes: the left
  // byte of blended frame 1, then blended frame 0 (its partner, frame 1).
  AudioDocument doc = Sound(true, false, 3, {1, 2, 159, 3, 159, 4, 5, 6, 7});
  ASSERT_TRUE(sonavix::CrossfadeEndIntoBeginning(doc, 1));
  EXPECT_EQ(Bytes(doc), (std::vector<std::uint8_t>{138 + 148 - 128, 159, 3}));
}

}  // namespace
