// MP4 for the web through the FFmpeg writer: what ffprobe finds in the
// file, the index in front, the two tracks ending together, and the same
// bytes every time.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "export/export_writer.h"
#include "video/media_writer.h"

namespace sonavix {
namespace {

namespace fs = std::filesystem;

std::string Shell(const std::string& command) {
  std::string out;
  if (FILE* pipe = ::popen(command.c_str(), "r")) {
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe)) out += buffer;
    ::pclose(pipe);
  }
  return out;
}

std::string Bytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// Two seconds: a moving gradient over a tone, block by block as the export
// hands them over.
bool WriteClip(DiscPreset preset, const fs::path& file, const std::string& writerName = "ffmpeg") {
  auto writer = CreateMediaWriter(writerName);
  writer->SetFormatPreset(preset);
  writer->SetQuality(1.0);
  if (!writer->SetFileName(file.string())) return false;
  const int w = writer->FrameWidth(), h = writer->FrameHeight();
  std::vector<std::uint32_t> pixels(std::size_t(w) * h);
  std::vector<std::int16_t> block(2 * kBlockFrames);
  std::int64_t images = 0;
  for (int b = 0; b < 32; ++b) {
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) pixels[std::size_t(y) * w + x] = 0xff000000u | ((x + 8 * b) & 0xff) << 16 | (y & 0xff);
    for (int i = 0; i < kBlockFrames; ++i)
      block[2 * i] = block[2 * i + 1] = static_cast<std::int16_t>(6000 * ((i / 50) % 2 ? 1 : -1));
    // A block's picture once, then repeated for its further frames.
    for (bool first = true; images < VideoFramesFor(std::int64_t{b + 1} * kBlockFrames, writer->FrameRate()); ++images) {
      const MediaImage image{w, h, 4 * w, reinterpret_cast<const std::uint8_t*>(pixels.data())};
      if (!(std::exchange(first, false) ? writer->WriteImage(image) : writer->RepeatImage())) return false;
    }
    if (!writer->WriteSound({kBlockFrames, 44100, 2, block.data()})) return false;
  }
  return writer->WriteClose();
}

TEST(Mp4Writer, WebFilesHoldH264HighAndAacWithTheIndexInFrontAndEndTogether) {
  if (Shell("command -v ffprobe").empty()) GTEST_SKIP() << "ffprobe missing";
  const fs::path folder = fs::temp_directory_path() / ("sonavix-mp4-" + std::to_string(::getpid()));
  fs::create_directories(folder);
  const struct {
    DiscPreset preset;
    const char* size;
  } cases[] = {{DiscPreset::Mp4Hd720, "1280,720"}, {DiscPreset::Mp4Hd1080, "1920,1080"}};
  for (const auto& c : cases) {
    const fs::path file = folder / "clip.mp4";
    ASSERT_TRUE(WriteClip(c.preset, file));
    const std::string probe = Shell(
        "ffprobe -v error -show_entries stream=codec_name,profile,pix_fmt,width,height,r_frame_rate,"
        "sample_aspect_ratio,sample_rate,channels,duration -of csv=p=0 '" + file.string() + "'");
    EXPECT_NE(probe.find(std::string("h264,High,") + c.size + ",1:1,yuv420p,30/1,"), std::string::npos) << probe;
    EXPECT_NE(probe.find("aac,LC,48000,2,"), std::string::npos) << probe;
    // What browsers and phones decode: level 4.1 at most, no B-pyramid.
    const std::string level = Shell("ffprobe -v error -select_streams v:0 -show_entries stream=level,has_b_frames "
                                    "-of csv=p=0 '" + file.string() + "'");
    // ffprobe writes has_b_frames before level.
    EXPECT_LE(std::stoi(level), 1) << level;
    EXPECT_LE(std::stoi(level.substr(level.find(',') + 1)), 41) << level;
    // Fast start: the index comes before the media data.
    const std::string bytes = Bytes(file);
    ASSERT_NE(bytes.find("moov"), std::string::npos);
    EXPECT_LT(bytes.find("moov"), bytes.find("mdat"));
    // Both tracks last the two seconds written, within a picture.
    std::istringstream lines(probe);
    std::vector<double> durations;
    for (std::string line; std::getline(lines, line);) durations.push_back(std::stod(line.substr(line.rfind(',') + 1)));
    ASSERT_EQ(durations.size(), 2u) << probe;
    // The sound ends with the pictures: its last packet is cut there.
    EXPECT_NEAR(durations[0], durations[1], 0.005) << probe;
    EXPECT_NEAR(durations[0], 32 * 0.0625, 1.0 / 30) << probe;
    // Nothing of the clock or the library's version in the file; and the
    // pictures converted ahead of the encoder's thread are the ones it
    // converts itself.
    const fs::path again = folder / "again.mp4";
    ASSERT_TRUE(WriteClip(c.preset, again, "ffmpeg-direct"));
    EXPECT_TRUE(Bytes(again) == bytes);
  }
  fs::remove_all(folder);
}

}  // namespace
}  // namespace sonavix
