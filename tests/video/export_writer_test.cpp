// The export's clocks: how many video frames each block's picture becomes,
// and what reaches the writer when it refuses something.

#include <gtest/gtest.h>

#include <vector>

#include "video/export_writer.h"
#include "video/frame_renderer.h"
#include "video/recording_media_writer.h"

namespace sonavix {
namespace {

std::vector<int> FramesPerBlock(RecordingMediaWriter& media, int blocks) {
  ExportWriter writer(media);
  FrameRenderer renderer(8, 8);
  std::vector<int> frames;
  for (int b = 0; b < blocks; ++b) {
    const int before = media.images;
    writer.WritePicture(renderer);
    frames.push_back(media.images - before);
  }
  return frames;
}

TEST(ExportClock, PicturesFollowTheSoundClock) {
  RecordingMediaWriter pal;
  EXPECT_EQ(FramesPerBlock(pal, 16),
            (std::vector<int>{2, 2, 1, 2, 1, 2, 1, 2, 2, 1, 2, 1, 2, 1, 2, 1}));
  EXPECT_EQ(pal.images, 25);

  RecordingMediaWriter sixteen;
  sixteen.frameRate = 16;
  EXPECT_EQ(FramesPerBlock(sixteen, 5), (std::vector<int>(5, 1)));
}

TEST(ExportClock, OverAnHourThePicturesRunAThirdOfASecondAheadOfTheSound) {
  RecordingMediaWriter media;
  ExportWriter writer(media);
  FrameRenderer renderer(4, 4);
  const int blocks = 3600 * 16;  // an hour of blocks as the clock counts them
  for (int b = 0; b < blocks; ++b) writer.WritePicture(renderer);
  const double heard = blocks * 2756.0 / 44100.0;
  EXPECT_NEAR(writer.VideoTime() - heard, 0.33, 0.05);
}

TEST(ExportClock, AWriterThatRefusesEndsTheHandOver) {
  RecordingMediaWriter media;
  ExportWriter writer(media);
  FrameRenderer renderer(4, 4);
  std::vector<std::int16_t> block(2 * 2756, 7);
  writer.WritePicture(renderer);
  writer.WriteBlock(block.data(), 2756);
  EXPECT_FALSE(writer.Failed());
  EXPECT_EQ(media.samples.size(), block.size());

  media.failAt = "sound";
  writer.WriteBlock(block.data(), 2756);
  EXPECT_TRUE(writer.Failed());
  EXPECT_FALSE(media.Error().empty());
  media.failAt.clear();
  const int images = media.images;
  writer.WritePicture(renderer);
  writer.WriteBlock(block.data(), 2756);
  EXPECT_EQ(media.images, images);
  EXPECT_EQ(media.samples.size(), block.size());
}

}  // namespace
}  // namespace sonavix
