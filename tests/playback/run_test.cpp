// The run: what goes into each block for every source format and rate, which
// frames a selection plays, what the sound card hears, and how the run ends.

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <cstring>
#include <functional>
#include <tuple>
#include <vector>

#include "playback/run.h"
#include "playback/virtual_sound_device.h"
#include "video/frame_renderer.h"

namespace sonavix {
namespace {

using Samples = std::vector<std::int16_t>;

// A QGuiApplication for the picture's text, made once for all tests here.
class GuiEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "playback_tests";
    static char* argv[] = {name, nullptr};
    if (!QGuiApplication::instance()) app_ = new QGuiApplication(argc, argv);
  }
  void TearDown() override { delete app_; }

 private:
  QGuiApplication* app_ = nullptr;
};
const auto* const kGui = ::testing::AddGlobalTestEnvironment(new GuiEnvironment);

AudioDocument MakeDocument(std::vector<std::uint8_t> bytes, int rate, bool stereo, bool sixteen) {
  AudioDocument doc;
  auto block = SampleBlock::Allocate(static_cast<std::int32_t>(bytes.size()));
  if (!bytes.empty()) std::memcpy(block.bytes.get(), bytes.data(), bytes.size());
  ReplaceBlock(doc, std::move(block), {rate, stereo, sixteen});
  return doc;
}

// 16-bit stereo whose frame f holds (f, -f), so every frame is recognisable.
AudioDocument NumberedStereo(int frames, int rate = 44100) {
  std::vector<std::uint8_t> bytes;
  for (int f = 0; f < frames; ++f)
    for (const int v : {f, -f}) {
      bytes.push_back(static_cast<std::uint8_t>(v));
      bytes.push_back(static_cast<std::uint8_t>(v >> 8));
    }
  return MakeDocument(std::move(bytes), rate, true, true);
}

Samples Block(const AudioDocument& doc, double& pos, FrameRange range) {
  Samples block(kBlockSamples);
  FillBlock(doc, range, pos, block.data());
  return block;
}

TEST(RunBlock, ConvertsEverySourceFormatToSixteenBitStereo) {
  double pos = 0;
  const AudioDocument stereo16 = MakeDocument({0x34, 0x12, 0xFE, 0xFF}, 44100, true, true);
  Samples b = Block(stereo16, pos, {0, 1});
  EXPECT_EQ(b[0], 0x1234);
  EXPECT_EQ(b[1], -2);
  EXPECT_EQ(b[2], 0);  // past the range: silence
  EXPECT_EQ(b[3], 0);

  pos = 0;
  b = Block(MakeDocument({0x00, 0x80}, 44100, false, true), pos, {0, 1});
  EXPECT_EQ(b[0], -32768);
  EXPECT_EQ(b[1], -32768);  // mono plays on both channels

  pos = 0;
  b = Block(MakeDocument({128, 255}, 44100, true, false), pos, {0, 1});
  EXPECT_EQ(b[0], 0);
  EXPECT_EQ(b[1], 32512);

  pos = 0;
  b = Block(MakeDocument({0, 255, 128}, 44100, false, false), pos, {0, 3});
  EXPECT_EQ((Samples{b[0], b[1], b[2], b[3], b[4], b[5]}),
            (Samples{-32768, -32768, 32512, 32512, 0, 0}));
  EXPECT_EQ(pos, double(kBlockFrames));
}

TEST(RunBlock, OtherRatesTakeTheNearestFrameWithTiesToEven) {
  const AudioDocument doc = NumberedStereo(10'000, 22050);
  double pos = 0;
  const Samples b = Block(doc, pos, {0, 10'000});
  // Positions 0, 0.5, 1, 1.5, 2, 2.5 read frames 0, 0, 1, 2, 2, 2.
  const Samples lefts{b[0], b[2], b[4], b[6], b[8], b[10]};
  EXPECT_EQ(lefts, (Samples{0, 0, 1, 2, 2, 2}));
  EXPECT_DOUBLE_EQ(pos, kBlockFrames / 2.0);

  // A document edited past the position: frames that are gone play silence.
  const AudioDocument shorter = NumberedStereo(3, 22050);
  pos = 0;
  const Samples c = Block(shorter, pos, {0, 10'000});
  EXPECT_EQ(c[2 * 6], 0);
  EXPECT_EQ(c[2 * 5], 2);
}

TEST(RunRange, MarksBecomeFramesInEitherOrder) {
  AudioDocument doc = NumberedStereo(1000);
  EXPECT_EQ(RangeFromMarks(doc), (FrameRange{0, 1000}));
  doc.SelStart = 200;
  doc.SelEnd = 101;
  EXPECT_EQ(RangeFromMarks(doc), (FrameRange{50, 100}));  // frames 50 to 99
  std::swap(doc.SelStart, doc.SelEnd);
  EXPECT_EQ(RangeFromMarks(doc), (FrameRange{50, 100}));

  AudioDocument mono = MakeDocument(std::vector<std::uint8_t>(100, 128), 8000, false, false);
  mono.SelStart = 70;
  mono.SelEnd = 30;
  EXPECT_EQ(RangeFromMarks(mono), (FrameRange{30, 70}));
}

TEST(RunCursor, ColumnCountsBothChannelsAndNeverDividesByLessThanOne) {
  const AudioDocument stereo = NumberedStereo(10);
  EXPECT_EQ(CursorColumn(stereo, 500, 10, 3), (1000 - 30) / 10);
  const AudioDocument mono = MakeDocument({1, 2}, 8000, false, false);
  EXPECT_EQ(CursorColumn(mono, 500, 10, 3), (500 - 30) / 10);
  EXPECT_EQ(CursorColumn(mono, 500, 0, 3), 497);
  EXPECT_EQ(CursorColumn(mono, 500, -5, 0), 500);
}

// A window stand-in: scripted answers to the run's questions.
class FakeHost final : public RunHost {
 public:
  explicit FakeHost(AudioDocument doc) : doc(std::move(doc)) {}

  void BeforeBlock() override {
    ++messages;
    if (onMessages) onMessages(messages);
  }
  const AudioDocument& Document() const override { return doc; }
  bool StopRequested() const override { return stop; }
  bool LoopChecked() const override { return loop; }
  void MoveCursor(std::int64_t lastFrame) override { cursor.push_back(lastFrame); }
  QString PictureText() const override { return QStringLiteral("Text"); }
  QFont PictureFont() const override { return QFont(); }
  void ShowPicture(const QImage&) override { ++pictures; }

  AudioDocument doc;
  bool stop = false;
  bool loop = false;
  int messages = 0;
  int pictures = 0;
  std::vector<std::int64_t> cursor;
  std::function<void(int)> onMessages;
};

// Left samples of what the card played, one per frame.
Samples HeardLeft(const VirtualSoundDevice& device) {
  const auto& bytes = device.Played();
  Samples left;
  for (std::size_t i = 0; i + 3 < bytes.size(); i += 4)
    left.push_back(static_cast<std::int16_t>(bytes[i] | bytes[i + 1] << 8));
  return left;
}

struct RunResult {
  std::int64_t blocks;
  Samples heard;
};

RunResult Play(FakeHost& host, VirtualSoundDevice& device) {
  FrameRenderer renderer(400, 400);
  const std::int64_t blocks = RunBlocks(host, device, renderer);
  return {blocks, HeardLeft(device)};
}

TEST(RunPlay, TheCardHearsTheWholeRangeAfterOneLapOfSilence) {
  FakeHost host(NumberedStereo(2 * kBlockFrames - 100));
  VirtualSoundDevice device;
  ASSERT_TRUE(device.Open());
  const RunResult r = Play(host, device);
  EXPECT_EQ(r.blocks, 2);
  EXPECT_EQ(host.pictures, 2);
  ASSERT_EQ(r.heard.size(), 3u * kBlockFrames);
  for (int f = 0; f < kBlockFrames; ++f) ASSERT_EQ(r.heard[f], 0) << f;
  for (int f = 0; f < 2 * kBlockFrames - 100; ++f) ASSERT_EQ(r.heard[kBlockFrames + f], f) << f;
  EXPECT_EQ(r.heard.back(), 0);
  EXPECT_FALSE(device.Playing());
  EXPECT_EQ(host.cursor, (std::vector<std::int64_t>{kBlockFrames - 1, 2 * kBlockFrames - 1}));
}

TEST(RunPlay, LoopRestartsAfterTheBlockThatReachesTheEnd) {
  FakeHost host(NumberedStereo(kBlockFrames + 50));
  host.doc.SelEnd = 2 * 40;  // frames 10 ... 39
  host.doc.SelStart = 2 * 10;
  host.loop = true;
  host.onMessages = [&](int n) { host.stop = n == 3; };
  VirtualSoundDevice device;
  ASSERT_TRUE(device.Open());
  const RunResult r = Play(host, device);
  EXPECT_EQ(r.blocks, 3);
  // Block 1 holds frames 10..39 then silence; block 2 starts again at 10.
  const Samples heard(r.heard.begin() + kBlockFrames, r.heard.end());
  EXPECT_EQ(heard[0], 10);
  EXPECT_EQ(heard[29], 39);
  EXPECT_EQ(heard[30], 0);
  EXPECT_EQ(heard[kBlockFrames - 1], 0);
  EXPECT_EQ(heard[kBlockFrames], 10);
}

TEST(RunPlay, StopEndsTheRunAfterTheBlockInProgress) {
  FakeHost host(NumberedStereo(100 * kBlockFrames));
  host.onMessages = [&](int n) { host.stop = n == 4; };
  VirtualSoundDevice device;
  ASSERT_TRUE(device.Open());
  const RunResult r = Play(host, device);
  EXPECT_EQ(r.blocks, 4);
  EXPECT_EQ(host.pictures, 4);
  // Stopped at once: the last queued block is not played out.
  EXPECT_EQ(r.heard.size(), 4u * kBlockFrames);
}

TEST(RunPlay, AnEmptyOrUntimedSoundPlaysOneBlockOfSilence) {
  for (const bool loop : {false, true}) {
    FakeHost host{AudioDocument{}};
    host.loop = loop;
    VirtualSoundDevice device;
    ASSERT_TRUE(device.Open());
    const RunResult r = Play(host, device);
    EXPECT_EQ(r.blocks, 1);
    EXPECT_EQ(host.pictures, 1);
  }
  FakeHost untimed(NumberedStereo(100, 0));
  VirtualSoundDevice device;
  ASSERT_TRUE(device.Open());
  EXPECT_EQ(Play(untimed, device).blocks, 1);
}

TEST(RunPlay, AnEditDuringTheRunIsHeardFromTheNextBlock) {
  FakeHost host(NumberedStereo(3 * kBlockFrames));
  host.onMessages = [&](int n) {
    if (n != 2) return;
    std::vector<std::uint8_t> loud(4 * 3 * kBlockFrames);
    for (std::size_t i = 0; i < loud.size(); i += 2) loud[i + 1] = 0x10;  // 4096
    auto block = SampleBlock::Allocate(static_cast<std::int32_t>(loud.size()));
    std::memcpy(block.bytes.get(), loud.data(), loud.size());
    ReplaceBlock(host.doc, std::move(block), {44100, true, true});
  };
  VirtualSoundDevice device;
  ASSERT_TRUE(device.Open());
  const RunResult r = Play(host, device);
  EXPECT_EQ(r.heard[kBlockFrames + 5], 5);
  EXPECT_EQ(r.heard[2 * kBlockFrames + 5], 4096);
}

class RecordingWriter final : public RunWriter {
 public:
  void Write(FrameRenderer& renderer, const std::int16_t* block, int frames) override {
    ++pictures;
    bool moved = false;
    for (const double v : renderer.SmoothRe()) moved = moved || v != 0;
    reacting.push_back(moved);
    blocks.insert(blocks.end(), block, block + 2 * frames);
  }
  int pictures = 0;
  std::vector<bool> reacting;  // per block: the picture shows sound
  Samples blocks;
};

TEST(RunExport, EachPictureReactsToTheBlockItGoesOutWith) {
  // Silence for three blocks, then a burst of noise from the fourth on.
  std::vector<std::uint8_t> bytes(4 * 6 * kBlockFrames);
  std::uint32_t noise = 1;
  for (std::size_t i = 4 * 3 * kBlockFrames; i < bytes.size(); ++i) {
    noise = noise * 1664525u + 1013904223u;
    bytes[i] = static_cast<std::uint8_t>(noise >> 24);
  }
  FakeHost host(MakeDocument(std::move(bytes), 44100, true, true));
  VirtualSoundDevice device;
  ASSERT_TRUE(device.Open());
  FrameRenderer renderer(64, 48);
  RecordingWriter writer;
  EXPECT_EQ(BlocksInRun(host.doc), 6);
  EXPECT_EQ(RunBlocks(host, device, renderer, &writer), 6);
  EXPECT_EQ(writer.reacting, (std::vector<bool>{false, false, false, true, true, true}));
}

TEST(RunExport, WritesEveryBlockWithoutWaitingAndIgnoresTheLoop) {
  FakeHost host(NumberedStereo(2 * kBlockFrames));
  host.loop = true;
  VirtualSoundDevice device;
  ASSERT_TRUE(device.Open());
  FrameRenderer renderer(64, 48);
  RecordingWriter writer;
  EXPECT_EQ(RunBlocks(host, device, renderer, &writer), 2);
  EXPECT_EQ(writer.pictures, 2);
  ASSERT_EQ(writer.blocks.size(), 4u * kBlockFrames);
  EXPECT_EQ(writer.blocks[2 * 1000], 1000);
  EXPECT_EQ(writer.blocks[2 * 1000 + 1], -1000);
  EXPECT_EQ(device.Waits(), 0);
  EXPECT_TRUE(device.Played().empty());
  // What a run will make, known beforehand, for other rates and selections.
  for (const auto& [frames, rate, selStart, selEnd, blocks] :
       std::vector<std::tuple<int, int, int, int, int>>{{2 * kBlockFrames, 44100, 0, 0, 2},
                                                        {2 * kBlockFrames + 1, 44100, 0, 0, 3},
                                                        {10'000, 22050, 0, 0, 8},
                                                        {10'000, 22050, 2000, 6000, 2},
                                                        {0, 44100, 0, 0, 1}}) {
    FakeHost sized(NumberedStereo(frames, rate));
    sized.doc.SelStart = selStart;
    sized.doc.SelEnd = selEnd;
    EXPECT_EQ(BlocksInRun(sized.doc), blocks) << frames << " at " << rate;
    EXPECT_EQ(RunBlocks(sized, device, renderer, &writer), blocks) << frames << " at " << rate;
  }
}

}  // namespace
}  // namespace sonavix
