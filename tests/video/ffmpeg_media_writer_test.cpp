// The FFmpeg media writer: what the disc files hold (codecs, sizes, rates,
// picture types, colours, sound, the program stream's packs) and whether
// the authoring tools take them.

#include <gtest/gtest.h>

#include "ffmpeg_writer_test_support.h"

namespace sonavix::writer_test {
namespace {

// ------------------------------------------------- one file per disc format

struct DiscCase {
  DiscPreset preset;
  TvSystem tv;
  const char* name;
  const char* videoCodec;
  int width, height;
  const char* audioCodec;
  int audioRate;
  int audioFrame;  // samples per audio frame at audioRate
  std::size_t sector;
  long muxRate;      // bit/s; 0: the multiplexer's choice
  long videoBuffer;  // bytes
  double preload;    // seconds
  const char* rate;  // pictures per second, as ffprobe writes it
  double fps;
  std::size_t gop;
};

void PrintTo(const DiscCase& c, std::ostream* out) { *out << c.name; }

constexpr double kNtscRate = 30000.0 / 1001;
constexpr DiscCase kDiscCases[] = {
    {DiscPreset::VideoCd, TvSystem::Pal, "VideoCd", "mpeg1video", 352, 288, "mp2", 44100, 1152,  //
     2324, 1411200, 46 * 1024, 0.44, "25/1", 25, 15},
    {DiscPreset::SuperVideoCd, TvSystem::Pal, "SuperVideoCd", "mpeg2video", 480, 576, "mp2", 44100,
     1152, 2324, 0, 230 * 1024, 0.5, "25/1", 25, 15},
    {DiscPreset::Dvd, TvSystem::Pal, "Dvd", "mpeg2video", 720, 576, "ac3", 48000, 1536,  //
     2048, 10080000, 230 * 1024, 0.5, "25/1", 25, 15},
    {DiscPreset::VideoCd, TvSystem::Ntsc, "VideoCdNtsc", "mpeg1video", 352, 240, "mp2", 44100, 1152,
     2324, 1411200, 46 * 1024, 0.44, "30000/1001", kNtscRate, 18},
    {DiscPreset::SuperVideoCd, TvSystem::Ntsc, "SuperVideoCdNtsc", "mpeg2video", 480, 480, "mp2",
     44100, 1152, 2324, 0, 230 * 1024, 0.5, "30000/1001", kNtscRate, 18},
    {DiscPreset::Dvd, TvSystem::Ntsc, "DvdNtsc", "mpeg2video", 720, 480, "ac3", 48000, 1536,  //
     2048, 10080000, 230 * 1024, 0.5, "30000/1001", kNtscRate, 18},
};

// 66 blocks leave a part-filled last audio frame for every format: 1032 of
// 1152 samples for MP2, 1374 of 1536 for AC-3 at 48 kHz.
constexpr int kClipBlocks = 66;

struct Clip {
  fs::path file;
  Written written;
};

class DiscFile : public testing::TestWithParam<DiscCase> {
 protected:
  static void SetUpTestSuite() { folder_ = std::make_unique<ScratchFolder>(); }
  static void TearDownTestSuite() {
    clips_.clear();
    folder_.reset();
  }

  void SetUp() override {
    if (!HaveTool("ffprobe") || !HaveTool("ffmpeg")) GTEST_SKIP() << "ffmpeg or ffprobe missing";
  }

  // The clip of this format, written on first use.
  const Clip& TheClip() {
    const DiscCase& c = GetParam();
    auto found = clips_.find(c.name);
    if (found != clips_.end()) return found->second;
    Clip clip;
    clip.file = folder_->Path() / (std::string(c.name) + ".mpg");
    auto writer = WriterFor(c.preset, c.tv);
    clip.written = WriteFile(*writer, clip.file, kClipBlocks, Picture(c.width, c.height));
    EXPECT_TRUE(clip.written.ok);
    return clips_.emplace(c.name, clip).first->second;
  }

  static inline std::unique_ptr<ScratchFolder> folder_;
  static inline std::map<std::string, Clip> clips_;
};

TEST_P(DiscFile, StreamsHaveTheCodecsSizesAndRatesOfTheFormat) {
  const DiscCase& c = GetParam();
  const Clip& clip = TheClip();
  auto writer = WriterFor(c.preset, c.tv);  // what the export sizes its pictures by
  ASSERT_EQ(writer->FrameWidth(), c.width);
  ASSERT_EQ(writer->FrameHeight(), c.height);
  ASSERT_EQ(writer->FrameRate().Value(), c.fps);

  auto video = Probe(clip.file, "v:0");
  EXPECT_EQ(video["codec_name"], c.videoCodec);
  EXPECT_EQ(video["width"], std::to_string(c.width));
  EXPECT_EQ(video["height"], std::to_string(c.height));
  EXPECT_EQ(video["r_frame_rate"], c.rate);
  if (c.preset != DiscPreset::VideoCd) {
    EXPECT_EQ(video["display_aspect_ratio"], "4:3");
  }
  auto audio = Probe(clip.file, "a:0");
  EXPECT_EQ(audio["codec_name"], c.audioCodec);
  EXPECT_EQ(audio["sample_rate"], std::to_string(c.audioRate));
  EXPECT_EQ(audio["channels"], "2");
}

TEST_P(DiscFile, EveryPictureIsOneIOrPFrameInItsColours) {
  const DiscCase& c = GetParam();
  const Clip& clip = TheClip();
  const std::string types = PictureTypes(clip.file);
  // Every picture written, the last perhaps a few times more (to end with
  // the sound).
  EXPECT_GE(types.size(), std::size_t(clip.written.images));
  EXPECT_LE(types.size(), std::size_t(clip.written.images) + (c.tv == TvSystem::Ntsc ? 7 : 4));
  EXPECT_EQ(types.find_first_not_of("IP"), std::string::npos) << types;
  EXPECT_EQ(types.substr(0, 1), "I");
  EXPECT_LE(LongestGroup(types), c.gop) << types;
  ExpectRedAndBlueHalves(clip.file, c.width, c.height, clip.written.images / 2);
}

TEST_P(DiscFile, TracksStartTogetherAfterThePreloadAndLastTheClip) {
  const DiscCase& c = GetParam();
  const Clip& clip = TheClip();
  const double start = ProbeNumber(clip.file, "format=start_time");
  EXPECT_GE(start, c.preload);
  EXPECT_LT(start, c.preload + 0.05);
  const double video = ProbeNumber(clip.file, "stream=start_time", "v:0");
  const double audio = ProbeNumber(clip.file, "stream=start_time", "a:0");
  EXPECT_NEAR(video, audio, 0.02);
  EXPECT_NEAR(ProbeNumber(clip.file, "format=duration"), clip.written.blocks * 0.0625, 0.1);
}

// Where a track really ends: its start plus its packets, each one picture
// or one frame of the sound codec.
double TrackEnd(const fs::path& file, const char* stream, double packetSeconds) {
  const double start = ProbeNumber(file, "stream=start_time", stream);
  const std::string counted = std::string(stream) + " -count_packets";
  return start + ProbeNumber(file, "stream=nb_read_packets", counted.c_str()) * packetSeconds;
}

// Where ffprobe's summary puts a track's end: start_time + duration.
double SummaryEnd(const fs::path& file, const char* stream) {
  return ProbeNumber(file, "stream=start_time", stream) + ProbeNumber(file, "stream=duration", stream);
}

TEST_P(DiscFile, TracksEndTogetherWithinAFrame) {
  const DiscCase& c = GetParam();
  const Clip& clip = TheClip();
  const double soundFrame = double(c.audioFrame) / c.audioRate;
  const double video = TrackEnd(clip.file, "v:0", 1.0 / c.fps);
  const double audio = TrackEnd(clip.file, "a:0", soundFrame);
  // AC-3 stops at or just before the pictures' end, by no more than a
  // picture less a sound frame; MP2, whose sectors hold more frames, a
  // little after it, by less than a sound frame.
  const bool mp2 = std::string(c.audioCodec) == "mp2";
  // At NTSC's rate AC-3's grid may not meet the pictures' within the few
  // pictures allowed: then the sound ends less than a frame after them.
  const bool loose = !mp2 && c.tv == TvSystem::Ntsc;
  const double earliest = mp2 || loose ? -soundFrame : 0;
  const double latest = mp2 ? 1.0 / c.fps - 2 * soundFrame : 1.0 / c.fps - soundFrame;
  EXPECT_GE(video - audio, earliest - 0.0005) << "video " << video << " audio " << audio;
  EXPECT_LE(video - audio, latest + 0.0005) << "video " << video << " audio " << audio;
  // A few pictures more at most, to let the two frame grids meet.
  const double pictures = ProbeNumber(clip.file, "stream=nb_read_packets", "v:0 -count_packets");
  EXPECT_GE(pictures, clip.written.images);
  EXPECT_LE(pictures, clip.written.images + (c.tv == TvSystem::Ntsc ? 7 : 4));
  // So ffprobe's summary, which may leave out the last frame of either
  // track, finds the ends within one picture whichever it leaves out.
  EXPECT_LE(std::abs(SummaryEnd(clip.file, "v:0") - SummaryEnd(clip.file, "a:0")), 1.0 / c.fps);
}

TEST_P(DiscFile, PacksHaveTheSectorSizeMuxRateAndBufferOfTheFormat) {
  const DiscCase& c = GetParam();
  const std::string bytes = Contents(TheClip().file);
  ASSERT_FALSE(bytes.empty());
  EXPECT_EQ(bytes.size() % c.sector, 0u);
  const PackLayout layout = ReadPacks(bytes, c.sector);
  EXPECT_TRUE(layout.everySectorIsAPack);
  ASSERT_EQ(layout.muxRates.size(), 1u);  // one constant rate
  if (c.muxRate > 0) {
    EXPECT_EQ(*layout.muxRates.begin(), c.muxRate);
  }
  EXPECT_EQ(layout.videoBuffers, std::set<long>{c.videoBuffer});
}

TEST_P(DiscFile, SoundLastsAsLongAsWrittenAndKeepsItsTones) {
  const DiscCase& c = GetParam();
  const Clip& clip = TheClip();
  const std::vector<std::int16_t> sound = DecodeSound(clip.file);
  const int frames = static_cast<int>(sound.size() / 2);
  // Whole codec frames: the silence to the end of the pictures (which may
  // show the last one a few times more), the codec's start-up delay and the
  // filled-up last frame; nothing may be lost.
  const int written = clip.written.blocks * kBlockFrames;
  const int pictures = static_cast<int>(clip.written.images * kRate / c.fps);
  const int codecFrame = c.audioFrame * kRate / c.audioRate;
  EXPECT_GE(frames, written);
  const int held = c.tv == TvSystem::Ntsc ? 7 : 4;  // pictures held at the end, at most
  EXPECT_LE(frames, pictures + static_cast<int>(held * kRate / c.fps) + 2 * codecFrame);

  // From the first to the last loud sample of the left tone: nothing lost at
  // the end, whatever delay the codec adds at the start.
  const std::vector<std::int16_t> input = ToneBlocks(clip.written.blocks);
  const int heard = LoudSpan(sound, kLeftLevel / 2), wrote = LoudSpan(input, kLeftLevel / 2);
  EXPECT_GE(heard, wrote - 4);
  EXPECT_LE(heard, wrote + 64);

  // Left 440 Hz, right 660 Hz, each at its level and not in the other
  // channel; half a second at both ends is left out for codec delay.
  ASSERT_GT(frames, 2 * kRate);
  const int first = kRate / 2, last = frames - kRate / 2;
  EXPECT_NEAR(ToneLevel(sound, 0, kLeftPitch, first, last), kLeftLevel, 0.1 * kLeftLevel);
  EXPECT_NEAR(ToneLevel(sound, 1, kRightPitch, first, last), kRightLevel, 0.1 * kRightLevel);
  EXPECT_LT(ToneLevel(sound, 0, kRightPitch, first, last), 0.1 * kLeftLevel);
  EXPECT_LT(ToneLevel(sound, 1, kLeftPitch, first, last), 0.1 * kRightLevel);
}

TEST_P(DiscFile, AuthoringToolTakesTheFile) {
  const DiscCase& c = GetParam();
  if (!HaveTool(AuthoringTool(c.preset))) GTEST_SKIP() << AuthoringTool(c.preset) << " missing";
  const Output report = Author(c.preset, TheClip().file, c.tv);
  EXPECT_EQ(report.status, 0) << report.text;
  EXPECT_EQ(Complaints(report.text), "") << report.text;
}

TEST_P(DiscFile, ShortClipStillMakesAFileTheToolTakes) {
  const DiscCase& c = GetParam();
  ScratchFolder folder;
  const fs::path file = folder.Path() / "short.mpg";
  auto writer = WriterFor(c.preset, c.tv);
  const Written written = WriteFile(*writer, file, 2, Picture(c.width, c.height));
  ASSERT_TRUE(written.ok);
  EXPECT_EQ(written.images, 4);
  const std::string types = PictureTypes(file);
  EXPECT_EQ(types.substr(0, 4), "IPPP");
  EXPECT_LE(types.size(), 8u);
  EXPECT_EQ(types.find_first_not_of("IP"), std::string::npos) << types;
  EXPECT_GE(DecodeSound(file).size() / 2, std::size_t(2 * kBlockFrames));
  if (!HaveTool(AuthoringTool(c.preset))) return;
  const Output report = Author(c.preset, file, c.tv);
  EXPECT_EQ(report.status, 0) << report.text;
  // A Video-CD track should last a second at least; the tool only warns.
  EXPECT_EQ(Complaints(report.text, "shorter than 75 sectors"), "") << report.text;
}

INSTANTIATE_TEST_SUITE_P(Formats, DiscFile, testing::ValuesIn(kDiscCases),
                         [](const testing::TestParamInfo<DiscCase>& info) {
                           return std::string(info.param.name);
                         });


}  // namespace
}  // namespace sonavix::writer_test
