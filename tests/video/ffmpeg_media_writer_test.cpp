// The FFmpeg media writer: what the disc files hold (codecs, sizes, rates,
// picture types, colours, sound, the program stream's packs), whether the
// authoring tools take them, and how the writer treats the file system when
// things go wrong.

#include <cerrno>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <numbers>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "export/export_writer.h"
#include "video/media_writer.h"
#include "video/recording_media_writer.h"
#include "texts/failure_texts.h"

namespace sonavix {
namespace {

namespace fs = std::filesystem;

constexpr int kBlockFrames = 2756;
constexpr int kRate = 44100;
constexpr double kLeftPitch = 440.0;
constexpr double kRightPitch = 660.0;
constexpr double kLeftLevel = 8000.0;
constexpr double kRightLevel = 12000.0;

// ---------------------------------------------------------------- helpers

// A fresh folder, removed with everything in it.
class ScratchFolder {
 public:
  ScratchFolder() {
    std::string name = (fs::temp_directory_path() / "sonavix-writer-XXXXXX").string();
    if (::mkdtemp(name.data())) path_ = name;
  }
  ~ScratchFolder() {
    std::error_code ignored;
    if (!path_.empty()) fs::remove_all(path_, ignored);
  }
  const fs::path& Path() const { return path_; }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(path_))
      names.push_back(entry.path().filename());
    return names;
  }

 private:
  fs::path path_;
};

struct Output {
  int status = -1;
  std::string text;
};

// Runs a shell command and collects what it prints on standard output.
Output Run(const std::string& command) {
  Output out;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return out;
  char buffer[1 << 16];
  std::size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.text.append(buffer, got);
  const int status = ::pclose(pipe);
  out.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return out;
}

bool HaveTool(const char* tool) {
  return Run(std::string("command -v ") + tool + " >/dev/null 2>&1").status == 0;
}

std::string Quote(const fs::path& path) { return "'" + path.string() + "'"; }

// key=value lines of ffprobe about one stream ("v:0", "a:0").
std::map<std::string, std::string> Probe(const fs::path& file, const char* stream) {
  const Output out = Run("ffprobe -v error -select_streams " + std::string(stream) +
                         " -show_entries stream=codec_name,width,height,r_frame_rate,"
                         "display_aspect_ratio,sample_rate,channels -of default=nw=1 " +
                         Quote(file));
  std::map<std::string, std::string> fields;
  std::istringstream lines(out.text);
  for (std::string line; std::getline(lines, line);) {
    const auto equals = line.find('=');
    if (equals != std::string::npos) fields[line.substr(0, equals)] = line.substr(equals + 1);
  }
  return fields;
}

// The picture type of every video frame in decoding order, one letter each.
std::string PictureTypes(const fs::path& file) {
  const Output out =
      Run("ffprobe -v error -select_streams v:0 -show_entries frame=pict_type "
          "-of csv=p=0 " +
          Quote(file));
  std::string types;
  for (char c : out.text)
    if (c >= 'A' && c <= 'Z') types += c;
  return types;
}

// The longest stretch from one I picture to the next (or to the end).
std::size_t LongestGroup(const std::string& types) {
  std::size_t longest = 0, start = 0;
  for (std::size_t i = 1; i <= types.size(); ++i)
    if (i == types.size() || types[i] == 'I') {
      longest = std::max(longest, i - start);
      start = i;
    }
  return longest;
}

double ProbeNumber(const fs::path& file, const std::string& entries, const char* stream = nullptr) {
  const std::string select = stream ? std::string(" -select_streams ") + stream : "";
  const Output out = Run("ffprobe -v error" + select + " -show_entries " + entries +
                         " -of csv=p=0 " + Quote(file));
  return out.status == 0 && !out.text.empty() ? std::atof(out.text.c_str()) : -1;
}

std::string Contents(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// What the MPEG program stream's pack and system headers say.
struct PackLayout {
  bool everySectorIsAPack = true;
  std::set<long> muxRates;      // bit/s
  std::set<long> videoBuffers;  // bytes, from the system headers
};

PackLayout ReadPacks(const std::string& bytes, std::size_t sector) {
  PackLayout layout;
  const auto at = [&](std::size_t i) { return static_cast<unsigned>(std::uint8_t(bytes[i])); };
  for (std::size_t p = 0; p + 16 <= bytes.size(); p += sector) {
    if (bytes.compare(p, 4, std::string("\x00\x00\x01\xBA", 4)) != 0) {
      layout.everySectorIsAPack = false;
      continue;
    }
    std::size_t next = 0;              // where the system header would start
    if ((at(p + 4) & 0xC0) == 0x40) {  // MPEG-2 pack header
      layout.muxRates.insert(400L * ((at(p + 10) << 14) | (at(p + 11) << 6) | (at(p + 12) >> 2)));
      next = p + 14 + (at(p + 13) & 7);
    } else {  // MPEG-1
      layout.muxRates.insert(400L *
                             (((at(p + 9) & 0x7F) << 15) | (at(p + 10) << 7) | (at(p + 11) >> 1)));
      next = p + 12;
    }
    if (next + 12 > bytes.size() || bytes.compare(next, 4, std::string("\x00\x00\x01\xBB", 4)) != 0)
      continue;
    const std::size_t end = next + 6 + ((at(next + 4) << 8) | at(next + 5));
    for (std::size_t e = next + 12; e + 3 <= end && (at(e) & 0x80); e += 3) {
      const unsigned id = at(e);
      const long unit = (at(e + 1) & 0x20) ? 1024 : 128;
      if (id == 0xE0 || id == 0xB9)
        layout.videoBuffers.insert(unit * (((at(e + 1) & 0x1F) << 8) | at(e + 2)));
    }
  }
  return layout;
}

// The sound track decoded back to 44100 Hz 16-bit stereo.
std::vector<std::int16_t> DecodeSound(const fs::path& file) {
  const Output out =
      Run("ffmpeg -v error -i " + Quote(file) + " -map 0:a -f s16le -ac 2 -ar 44100 -");
  std::vector<std::int16_t> samples(out.text.size() / 2);
  std::memcpy(samples.data(), out.text.data(), samples.size() * 2);
  return samples;
}

// The authoring tool of the format, run in its own folder; its exit status
// and everything it said.
Output Author(DiscPreset preset, const fs::path& file, TvSystem tv = TvSystem::Pal) {
  ScratchFolder work;
  const std::string into = "cd " + Quote(work.Path()) + " && ";
  switch (preset) {
    case DiscPreset::VideoCd:
      return Run(into + "vcdimager -t vcd2 " + Quote(file) + " 2>&1");
    case DiscPreset::SuperVideoCd:
      return Run(into + "vcdimager -t svcd " + Quote(file) + " 2>&1");
    case DiscPreset::Dvd:
      return Run(into + "VIDEO_FORMAT=" + (tv == TvSystem::Ntsc ? "NTSC" : "PAL") +
                 " dvdauthor -o dvd -t " + Quote(file) + " 2>&1");
    default:
      break;
  }
  return {};
}

const char* AuthoringTool(DiscPreset preset) {
  return preset == DiscPreset::Dvd ? "dvdauthor" : "vcdimager";
}

// Lines of the tool's report that speak of a problem, but for one that is
// allowed.
std::string Complaints(const std::string& report, const std::string& allowed = "") {
  std::string complaints;
  std::istringstream lines(report);
  for (std::string line; std::getline(lines, line);) {
    if (!allowed.empty() && line.find(allowed) != std::string::npos) continue;
    if (line.find("ERR") != std::string::npos || line.find("WARN") != std::string::npos)
      complaints += line + "\n";
  }
  return complaints;
}

// Amplitude of the tone of `pitch` in one channel of interleaved stereo,
// measured over [first, last) frames.
double ToneLevel(const std::vector<std::int16_t>& samples, int channel, double pitch, int first,
                 int last) {
  double s = 0, c = 0;
  for (int i = first; i < last; ++i) {
    const double phase = 2 * std::numbers::pi * pitch * i / kRate;
    s += samples[2 * i + channel] * std::sin(phase);
    c += samples[2 * i + channel] * std::cos(phase);
  }
  return 2 * std::hypot(s, c) / (last - first);
}

// ------------------------------------------------------ the test material

// A picture: left half red, right half blue, a white square travelling
// along the top quarter.
struct Picture {
  int width, height, bytesPerLine;
  std::vector<std::uint8_t> bytes;

  Picture(int w, int h, int padding = 0) : width(w), height(h), bytesPerLine(4 * w + padding) {
    bytes.assign(static_cast<std::size_t>(bytesPerLine) * h, 0);
  }
  void Paint(int index) {
    const int side = height / 5;
    const int left = (index * 7) % (width - side);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        std::uint8_t* p = &bytes[static_cast<std::size_t>(y) * bytesPerLine + 4 * x];
        const bool square = y >= 4 && y < 4 + side && x >= left && x < left + side;
        const bool red = x < width / 2;
        p[0] = square || !red ? 255 : 0;  // blue
        p[1] = square ? 255 : 0;          // green
        p[2] = square || red ? 255 : 0;   // red
        p[3] = 0;
      }
  }
  MediaImage Image() const { return {width, height, bytesPerLine, bytes.data()}; }
};

// One block of the tones: 440 Hz left, 660 Hz right.
std::vector<std::int16_t> ToneBlock(int index) {
  std::vector<std::int16_t> block(2 * kBlockFrames);
  for (int i = 0; i < kBlockFrames; ++i) {
    const double t = double(index * kBlockFrames + i) / kRate;
    block[2 * i] = static_cast<std::int16_t>(
        std::lround(kLeftLevel * std::sin(2 * std::numbers::pi * kLeftPitch * t)));
    block[2 * i + 1] = static_cast<std::int16_t>(
        std::lround(kRightLevel * std::sin(2 * std::numbers::pi * kRightPitch * t)));
  }
  return block;
}

std::vector<std::int16_t> ToneBlocks(int blocks) {
  std::vector<std::int16_t> all;
  for (int b = 0; b < blocks; ++b) {
    const std::vector<std::int16_t> block = ToneBlock(b);
    all.insert(all.end(), block.begin(), block.end());
  }
  return all;
}

// Frames from the first to the last left sample louder than `level`.
int LoudSpan(const std::vector<std::int16_t>& samples, double level) {
  int first = -1, last = -1;
  for (int i = 0; 2 * i < int(samples.size()); ++i)
    if (std::abs(samples[2 * i]) > level) {
      if (first < 0) first = i;
      last = i;
    }
  return first < 0 ? 0 : last - first;
}

struct Written {
  int blocks = 0;
  int images = 0;
  bool ok = false;
};

// Writes `blocks` blocks of the tones and the pictures that go with them by
// the export's clock, without closing.
Written WriteMaterial(MediaWriter& writer, int blocks, Picture picture) {
  Written written;
  for (int b = 0; b < blocks; ++b) {
    while (written.images < VideoFramesFor(std::int64_t{b + 1} * kBlockFrames, writer.FrameRate())) {
      picture.Paint(written.images);
      if (!writer.WriteImage(picture.Image())) return written;
      ++written.images;
    }
    const std::vector<std::int16_t> block = ToneBlock(b);
    if (!writer.WriteSound({kBlockFrames, kRate, 2, block.data()})) return written;
    ++written.blocks;
  }
  written.ok = true;
  return written;
}

Written WriteFile(MediaWriter& writer, const fs::path& file, int blocks, Picture picture) {
  if (!writer.SetFileName(file.string())) return {};
  Written written = WriteMaterial(writer, blocks, std::move(picture));
  written.ok = written.ok && writer.WriteClose();
  return written;
}

std::unique_ptr<MediaWriter> WriterFor(DiscPreset preset, TvSystem tv = TvSystem::Pal) {
  std::unique_ptr<MediaWriter> writer = CreateMediaWriter("ffmpeg");
  writer->SetFormatPreset(preset, tv);
  writer->SetQuality(1.0);
  return writer;
}

// Mean red, green, blue of a rectangle of an RGB24 frame.
struct Colour {
  double r, g, b;
};
Colour MeanColour(const std::string& rgb, int width, int x0, int y0, int x1, int y1) {
  Colour sum{0, 0, 0};
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) {
      const auto* p = reinterpret_cast<const std::uint8_t*>(&rgb[3 * (std::size_t(y) * width + x)]);
      sum.r += p[0];
      sum.g += p[1];
      sum.b += p[2];
    }
  const double n = double(x1 - x0) * (y1 - y0);
  return {sum.r / n, sum.g / n, sum.b / n};
}

// Frame `index` of the file, decoded to RGB24; the two halves of the lower
// part must be red and blue.
void ExpectRedAndBlueHalves(const fs::path& file, int width, int height, int index) {
  const Output out = Run("ffmpeg -v error -i " + Quote(file) + " -map 0:v -vf 'select=eq(n\\," +
                         std::to_string(index) + ")' -frames:v 1 -f rawvideo -pix_fmt rgb24 -");
  ASSERT_EQ(out.text.size(), std::size_t(3) * width * height);
  const Colour left =
      MeanColour(out.text, width, width / 8, height / 2, 3 * width / 8, 7 * height / 8);
  const Colour right =
      MeanColour(out.text, width, 5 * width / 8, height / 2, 7 * width / 8, 7 * height / 8);
  EXPECT_GT(left.r, 200);
  EXPECT_LT(left.g, 50);
  EXPECT_LT(left.b, 50);
  EXPECT_LT(right.r, 50);
  EXPECT_LT(right.g, 50);
  EXPECT_GT(right.b, 200);
}

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

// ------------------------------------------------------- other pictures

TEST(FfmpegMediaWriterPictures, DefaultWriterMakesVideoCdAndScalesOtherSizes) {
  if (!HaveTool("ffprobe") || !HaveTool("ffmpeg")) GTEST_SKIP() << "ffmpeg or ffprobe missing";
  ScratchFolder folder;
  const fs::path file = folder.Path() / "preview.mpg";
  auto writer = CreateMediaWriter("ffmpeg");  // no preset chosen
  // The preview's size, rows padded beyond the pixels.
  const Written written = WriteFile(*writer, file, 8, Picture(400, 400, 16));
  ASSERT_TRUE(written.ok);
  auto video = Probe(file, "v:0");
  EXPECT_EQ(video["codec_name"], "mpeg1video");
  EXPECT_EQ(video["width"], "352");
  EXPECT_EQ(video["height"], "288");
  EXPECT_EQ(Probe(file, "a:0")["codec_name"], "mp2");
  EXPECT_EQ(PictureTypes(file).size(), std::size_t(written.images));
  ExpectRedAndBlueHalves(file, 352, 288, written.images - 1);
}

// Quality sets the average rate of Super Video CD and DVD; a grainy picture
// takes all the rate it is given.
TEST(FfmpegMediaWriterPictures, LowerQualitySpendsFewerBitsOnAGrainyPicture) {
  ScratchFolder folder;
  const auto sizeAt = [&](double quality) {
    const fs::path file = folder.Path() / ("grain-" + std::to_string(quality) + ".mpg");
    auto writer = WriterFor(DiscPreset::SuperVideoCd);
    writer->SetQuality(quality);
    EXPECT_TRUE(writer->SetFileName(file.string()));
    Picture grain(480, 576);
    std::uint32_t seed = 1;
    for (int i = 0; i < 25; ++i) {
      for (std::uint8_t& byte : grain.bytes)  // grey with a fine grain
        byte = 120 + ((seed = seed * 1664525u + 1013904223u) >> 28);
      EXPECT_TRUE(writer->WriteImage(grain.Image()));
    }
    EXPECT_TRUE(writer->WriteClose());
    return fs::file_size(file);
  };
  const auto best = sizeAt(1.0), least = sizeAt(0.0);
  EXPECT_LT(least, best * 4 / 5);
}

// ------------------------------------------------------------ the files

TEST(FfmpegMediaWriterFiles, MissingFolderFailsAtSetFileNameAndLeavesNothing) {
  ScratchFolder folder;
  auto writer = CreateMediaWriter("ffmpeg");
  EXPECT_FALSE(writer->SetFileName((folder.Path() / "gone" / "clip.mpg").string()));
  // The reason says why, and the words say it in German.
  const WriteFailure noFolder{WriteFailure::Stage::Create, ENOENT};
  EXPECT_EQ(writer->Failure(), noFolder);
  EXPECT_EQ(WriteFailureText(noFolder, DiscPreset::Dvd), "Konnte MPEG-Datei nicht anlegen: Den Ordner gibt es nicht");
  EXPECT_EQ(WriteFailureText({WriteFailure::Stage::Write, 0}, DiscPreset::Mp4Hd720), "Konnte MP4-Datei nicht schreiben");
  // Nothing to write into: every further call is refused, the error stays.
  Picture picture(352, 288);
  EXPECT_FALSE(writer->WriteImage(picture.Image()));
  const std::vector<std::int16_t> block = ToneBlock(0);
  EXPECT_FALSE(writer->WriteSound({kBlockFrames, kRate, 2, block.data()}));
  EXPECT_FALSE(writer->WriteClose());
  EXPECT_EQ(writer->Failure(), noFolder);
  EXPECT_TRUE(folder.Names().empty());
}

TEST(FfmpegMediaWriterFiles, CallsBeforeAFileIsNamedAreRefused) {
  auto writer = CreateMediaWriter("ffmpeg");
  Picture picture(352, 288);
  EXPECT_FALSE(writer->WriteImage(picture.Image()));
  EXPECT_EQ(writer->Failure().stage, WriteFailure::Stage::Write);
  EXPECT_FALSE(writer->WriteClose());
}

TEST(FfmpegMediaWriterFiles, ExistingFileIsReplacedOnlyByACompleteOne) {
  ScratchFolder folder;
  const fs::path file = folder.Path() / "clip.mpg";
  std::ofstream(file) << "the old file";

  {  // given up before the close
    auto writer = WriterFor(DiscPreset::VideoCd);
    ASSERT_TRUE(writer->SetFileName(file.string()));
    ASSERT_TRUE(WriteMaterial(*writer, 4, Picture(352, 288)).ok);
  }
  EXPECT_EQ(Contents(file), "the old file");
  EXPECT_EQ(folder.Names(), std::vector<std::string>{"clip.mpg"});

  {  // failed half-way: a picture without pixels
    auto writer = WriterFor(DiscPreset::VideoCd);
    ASSERT_TRUE(writer->SetFileName(file.string()));
    ASSERT_TRUE(WriteMaterial(*writer, 4, Picture(352, 288)).ok);
    EXPECT_FALSE(writer->WriteImage({352, 288, 352 * 4, nullptr}));
    EXPECT_EQ(writer->Failure().stage, WriteFailure::Stage::Write);
    EXPECT_FALSE(writer->WriteClose());
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"clip.mpg"});
  }
  EXPECT_EQ(Contents(file), "the old file");

  {  // closed
    auto writer = WriterFor(DiscPreset::VideoCd);
    ASSERT_TRUE(WriteFile(*writer, file, 4, Picture(352, 288)).ok);
    EXPECT_FALSE(writer->Failure().failed());
  }
  const std::string mpeg = Contents(file);
  ASSERT_GE(mpeg.size(), 4u);
  EXPECT_EQ(mpeg.substr(0, 4), std::string("\x00\x00\x01\xBA", 4));  // a pack header
  EXPECT_EQ(folder.Names(), std::vector<std::string>{"clip.mpg"});
}

TEST(FfmpegMediaWriterFiles, SoundThatChangesItsFormatIsRefused) {
  ScratchFolder folder;
  auto writer = WriterFor(DiscPreset::Dvd);
  ASSERT_TRUE(writer->SetFileName((folder.Path() / "clip.mpg").string()));
  const std::vector<std::int16_t> block = ToneBlock(0);
  EXPECT_TRUE(writer->WriteSound({kBlockFrames, kRate, 2, block.data()}));
  EXPECT_FALSE(writer->WriteSound({kBlockFrames, 22050, 2, block.data()}));
  EXPECT_EQ(writer->Failure().stage, WriteFailure::Stage::Write);
  EXPECT_TRUE(folder.Names().empty());
}

}  // namespace
}  // namespace sonavix
