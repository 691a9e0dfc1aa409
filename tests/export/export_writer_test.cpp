// The export's clocks: how many video frames each block's picture becomes,
// that the two clocks never drift apart, and what reaches the writer when it
// refuses something.

#include <gtest/gtest.h>

#include <QFont>
#include <QGuiApplication>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "playback/virtual_sound_device.h"

#include "export/export_writer.h"
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

// A window that shows nothing: the run over a sound of six blocks.
class SilentHost final : public RunHost {
 public:
  explicit SilentHost(const AudioDocument& doc) : doc_(doc) {}
  const AudioDocument& Document() const override { return doc_; }
  bool StopRequested() const override { return false; }
  bool LoopChecked() const override { return false; }
  void MoveCursor(std::int64_t) override {}
  QString PictureText() const override { return {}; }
  QFont PictureFont() const override { return {}; }
  void ShowPicture(const QImage&) override {}

 private:
  const AudioDocument& doc_;
};

// The pictures an export of six blocks hands over, with the noise starting
// at block `burstBlock` (none if past the end), or at a sound frame of its
// own; `perFrame`: a web video's picture for every frame, at 30 a second.
std::vector<std::uint64_t> ExportedPictures(int burstBlock, bool perFrame = false, int burstFrame = -1) {
  std::vector<std::uint8_t> bytes(4 * 6 * kBlock);
  std::uint32_t noise = 5;
  for (std::size_t i = 4 * std::size_t(burstFrame >= 0 ? burstFrame : burstBlock * kBlock); i < bytes.size(); ++i) {
    noise = noise * 1664525u + 1013904223u;
    bytes[i] = static_cast<std::uint8_t>(noise >> 24);
  }
  AudioDocument doc;
  auto block = SampleBlock::Allocate(static_cast<std::int32_t>(bytes.size()));
  std::memcpy(block.bytes.get(), bytes.data(), bytes.size());
  ReplaceBlock(doc, std::move(block), {44100, true, true});
  SilentHost host(doc);
  VirtualSoundDevice device;
  EXPECT_TRUE(device.Open());
  RecordingMediaWriter media;
  if (perFrame) media.frameRate = {30};
  ExportWriter writer(media, perFrame);
  FrameRenderer renderer(64, 48);
  if (perFrame) renderer.SetPicturePace(30);
  RandomGenerator colours;  // the same colours for both exports
  RunBlocks(host, device, renderer, &writer, &colours);
  return media.pictureSums;
}

TEST(ExportPicture, ANoiseBurstShowsOnTheFirstFrameOfItsOwnBlock) {
  std::unique_ptr<QGuiApplication> app;  // the pictures' text needs fonts
  if (!QGuiApplication::instance()) {
    static int argc = 1;
    static char name[] = "video_tests";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    app = std::make_unique<QGuiApplication>(argc, argv);
  }
  const std::uint32_t programSeed = ProgramRandom().seed;
  const std::vector<std::uint64_t> silent = ExportedPictures(6);
  const std::vector<std::uint64_t> burst = ExportedPictures(3);
  // A run with a generator of its own leaves the program's alone, and the
  // same sound gives the same pictures.
  EXPECT_EQ(ProgramRandom().seed, programSeed);
  EXPECT_EQ(ExportedPictures(3), burst);
  ASSERT_EQ(silent.size(), burst.size());
  ASSERT_EQ(silent.size(), std::size_t(VideoFramesFor(6 * kBlock, {25})));
  std::size_t first = 0;
  while (first < silent.size() && silent[first] == burst[first]) ++first;
  // Blocks 0, 1 and 2 take frames 0 ... 4; block 3, heard from 0.1875 s on,
  // starts at frame 5 (0.2 s), and that frame already shows it.
  EXPECT_EQ(first, std::size_t(VideoFramesFor(3 * kBlock, {25})));
  EXPECT_EQ(first, 5u);

  // A picture for every frame of a 30 fps video: a burst at 0.2102 s shows
  // in frame 6 (0.2 ... 0.233 s), the one it falls in; one a block would
  // have shown it in frame 5, its block's first.
  const std::vector<std::uint64_t> quiet = ExportedPictures(6, true);
  const std::vector<std::uint64_t> beat = ExportedPictures(6, true, 9268);
  ASSERT_EQ(quiet.size(), std::size_t(VideoFramesFor(6 * kBlock, {30})));
  for (std::size_t f = 1; f < beat.size(); ++f) EXPECT_NE(beat[f], beat[f - 1]) << "frame " << f << " repeats";
  first = 0;
  while (first < quiet.size() && quiet[first] == beat[first]) ++first;
  EXPECT_EQ(first, 6u);
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
  EXPECT_TRUE(media.Failure().failed());
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
