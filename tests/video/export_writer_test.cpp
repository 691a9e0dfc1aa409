// The export's clocks: how many video frames each block's picture becomes,
// that the two clocks never drift apart, and what reaches the writer when it
// refuses something.

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "video/export_writer.h"
#include "video/frame_renderer.h"
#include "video/recording_media_writer.h"

namespace sonavix {
namespace {

constexpr int kBlock = 2756;

std::vector<int> FramesPerBlock(RecordingMediaWriter& media, int blocks) {
  ExportWriter writer(media);
  FrameRenderer renderer(8, 8);
  const std::vector<std::int16_t> block(2 * kBlock);
  std::vector<int> frames;
  for (int b = 0; b < blocks; ++b) {
    const int before = media.images;
    writer.Write(renderer, block.data(), kBlock);
    frames.push_back(media.images - before);
  }
  return frames;
}

TEST(ExportClock, PicturesFollowTheSoundClock) {
  RecordingMediaWriter pal;
  EXPECT_EQ(FramesPerBlock(pal, 16),
            (std::vector<int>{2, 2, 1, 2, 1, 2, 1, 2, 2, 1, 2, 1, 2, 1, 2, 1}));
  EXPECT_EQ(pal.images, 25);
  EXPECT_EQ(pal.samples.size(), 16u * 2 * kBlock);

  // A block is a little shorter than a sixteenth of a second: at 16 frames
  // per second one block in 11025 needs no picture of its own.
  EXPECT_EQ(VideoFramesFor(11024 * kBlock, {16}), 11024);
  EXPECT_EQ(VideoFramesFor(11025 * kBlock, {16}), 11024);
  EXPECT_EQ(VideoFramesFor(0, {25}), 0);
  EXPECT_EQ(VideoFramesFor(1, {25}), 1);
  EXPECT_EQ(VideoFramesFor(44100, {25}), 25);  // one second: exactly 25, not 26
  EXPECT_EQ(VideoFramesFor(44100, {30000, 1001}), 30);
  EXPECT_EQ(VideoFramesFor(10 * 44100, {30000, 1001}), 300);
}

// Frames written against sound written, after every block, for as long as
// an export of `minutes` runs: the video never lags the sound and never runs
// a whole frame ahead of it.
void ExpectInStep(VideoRate rate, int minutes) {
  RecordingMediaWriter media;
  media.frameRate = rate;
  ExportWriter writer(media);
  FrameRenderer renderer(4, 4);
  const std::vector<std::int16_t> block(2 * kBlock);
  const std::int64_t blocks = std::int64_t{minutes} * 60 * 44100 / kBlock + 1;
  const double frame = double(rate.den) / double(rate.num);
  double worst = 0;
  for (std::int64_t b = 0; b < blocks; ++b) {
    writer.Write(renderer, block.data(), kBlock);
    media.samples.clear();  // an hour of samples is not what this test looks at
    const double ahead = writer.VideoTime() - writer.AudioTime();
    ASSERT_GE(ahead, 0) << "block " << b;
    ASSERT_LT(ahead, frame) << "block " << b;
    worst = std::max(worst, ahead);
  }
  EXPECT_EQ(writer.SoundFramesWritten(), blocks * kBlock);
  EXPECT_EQ(media.images, writer.FramesWritten());
  EXPECT_GT(worst, 0.5 * frame);  // the bound above is met, not dodged
}

TEST(ExportClock, TenMinutesAndAnHourStayWithinOneFrame) {
  ExpectInStep({25}, 10);
  ExpectInStep({25}, 60);
  ExpectInStep({30000, 1001}, 10);
  ExpectInStep({30000, 1001}, 60);
}

TEST(ExportClock, AWriterThatRefusesEndsTheHandOver) {
  RecordingMediaWriter media;
  ExportWriter writer(media);
  FrameRenderer renderer(4, 4);
  std::vector<std::int16_t> block(2 * kBlock, 7);
  writer.Write(renderer, block.data(), kBlock);
  EXPECT_FALSE(writer.Failed());
  EXPECT_EQ(media.samples.size(), block.size());

  media.failAt = "sound";
  writer.Write(renderer, block.data(), kBlock);
  EXPECT_TRUE(writer.Failed());
  EXPECT_FALSE(media.Error().empty());
  EXPECT_EQ(writer.SoundFramesWritten(), kBlock);
  media.failAt.clear();
  const int images = media.images;
  writer.Write(renderer, block.data(), kBlock);
  EXPECT_EQ(media.images, images);
  EXPECT_EQ(media.samples.size(), block.size());

  RecordingMediaWriter refusesPictures;
  refusesPictures.failAt = "image";
  ExportWriter second(refusesPictures);
  second.Write(renderer, block.data(), kBlock);
  EXPECT_TRUE(second.Failed());
  EXPECT_TRUE(refusesPictures.samples.empty());  // no sound without its picture
}

}  // namespace
}  // namespace sonavix
