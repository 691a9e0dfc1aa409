#pragma once
// What the FFmpeg media writer's tests share: a scratch folder, the tools
// that judge a file (ffprobe, ffmpeg, the authoring tools), the test
// material (pictures, tones) and the writing of it.

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

namespace sonavix::writer_test {

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
inline Output Run(const std::string& command) {
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

inline bool HaveTool(const char* tool) {
  return Run(std::string("command -v ") + tool + " >/dev/null 2>&1").status == 0;
}

inline std::string Quote(const fs::path& path) { return "'" + path.string() + "'"; }

// key=value lines of ffprobe about one stream ("v:0", "a:0").
inline std::map<std::string, std::string> Probe(const fs::path& file, const char* stream) {
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
inline std::string PictureTypes(const fs::path& file) {
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
inline std::size_t LongestGroup(const std::string& types) {
  std::size_t longest = 0, start = 0;
  for (std::size_t i = 1; i <= types.size(); ++i)
    if (i == types.size() || types[i] == 'I') {
      longest = std::max(longest, i - start);
      start = i;
    }
  return longest;
}

inline double ProbeNumber(const fs::path& file, const std::string& entries, const char* stream = nullptr) {
  const std::string select = stream ? std::string(" -select_streams ") + stream : "";
  const Output out = Run("ffprobe -v error" + select + " -show_entries " + entries +
                         " -of csv=p=0 " + Quote(file));
  return out.status == 0 && !out.text.empty() ? std::atof(out.text.c_str()) : -1;
}

inline std::string Contents(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// What the MPEG program stream's pack and system headers say.
struct PackLayout {
  bool everySectorIsAPack = true;
  std::set<long> muxRates;      // bit/s
  std::set<long> videoBuffers;  // bytes, from the system headers
};

inline PackLayout ReadPacks(const std::string& bytes, std::size_t sector) {
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
inline std::vector<std::int16_t> DecodeSound(const fs::path& file) {
  const Output out =
      Run("ffmpeg -v error -i " + Quote(file) + " -map 0:a -f s16le -ac 2 -ar 44100 -");
  std::vector<std::int16_t> samples(out.text.size() / 2);
  std::memcpy(samples.data(), out.text.data(), samples.size() * 2);
  return samples;
}

// The authoring tool of the format, run in its own folder; its exit status
// and everything it said.
inline Output Author(DiscPreset preset, const fs::path& file, TvSystem tv = TvSystem::Pal) {
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

inline const char* AuthoringTool(DiscPreset preset) {
  return preset == DiscPreset::Dvd ? "dvdauthor" : "vcdimager";
}

// Lines of the tool's report that speak of a problem, but for one that is
// allowed.
inline std::string Complaints(const std::string& report, const std::string& allowed = "") {
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
inline double ToneLevel(const std::vector<std::int16_t>& samples, int channel, double pitch, int first,
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
inline std::vector<std::int16_t> ToneBlock(int index) {
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

inline std::vector<std::int16_t> ToneBlocks(int blocks) {
  std::vector<std::int16_t> all;
  for (int b = 0; b < blocks; ++b) {
    const std::vector<std::int16_t> block = ToneBlock(b);
    all.insert(all.end(), block.begin(), block.end());
  }
  return all;
}

// Frames from the first to the last left sample louder than `level`.
inline int LoudSpan(const std::vector<std::int16_t>& samples, double level) {
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
inline Written WriteMaterial(MediaWriter& writer, int blocks, Picture picture) {
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

inline Written WriteFile(MediaWriter& writer, const fs::path& file, int blocks, Picture picture) {
  if (!writer.SetFileName(file.string())) return {};
  Written written = WriteMaterial(writer, blocks, std::move(picture));
  written.ok = written.ok && writer.WriteClose();
  return written;
}

inline std::unique_ptr<MediaWriter> WriterFor(DiscPreset preset, TvSystem tv = TvSystem::Pal) {
  std::unique_ptr<MediaWriter> writer = CreateMediaWriter("ffmpeg");
  writer->SetFormatPreset(preset, tv);
  writer->SetQuality(1.0);
  return writer;
}

// Mean red, green, blue of a rectangle of an RGB24 frame.
struct Colour {
  double r, g, b;
};
inline Colour MeanColour(const std::string& rgb, int width, int x0, int y0, int x1, int y1) {
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
inline void ExpectRedAndBlueHalves(const fs::path& file, int width, int height, int index) {
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


}  // namespace sonavix::writer_test
