#include "video/recording_media_writer.h"

#include <cstddef>
#include <cstring>

namespace sonavix {

void RecordingMediaWriter::SetFormatPreset(DiscPreset p, TvSystem tv) {
  preset = p;
  tvSystem = tv;
  const bool ntsc = tv == TvSystem::Ntsc;
  switch (p) {
    case DiscPreset::VideoCd: width_ = 352; height_ = ntsc ? 240 : 288; break;
    case DiscPreset::SuperVideoCd: width_ = 480; height_ = ntsc ? 480 : 576; break;
    case DiscPreset::Dvd: width_ = 720; height_ = ntsc ? 480 : 576; break;
    case DiscPreset::Mp4Hd720: width_ = 1280; height_ = 720; break;
    case DiscPreset::Mp4Hd1080: width_ = 1920; height_ = 1080; break;
    case DiscPreset::Mp4Square: width_ = 1080; height_ = 1080; break;
    case DiscPreset::Mp4Vertical: width_ = 1080; height_ = 1920; break;
    case DiscPreset::Mp4Hd1440: width_ = 2560; height_ = 1440; break;
    case DiscPreset::Mp4Uhd2160: width_ = 3840; height_ = 2160; break;
    case DiscPreset::WebmAlpha: width_ = 1920; height_ = 1080; break;
  }
  frameRate = !IsDiscFormat(p) ? VideoRate(30) : ntsc ? VideoRate(30000, 1001) : VideoRate(25);
}

bool RecordingMediaWriter::Fail(const char* what) {
  if (failAt != what) return false;
  failure_.stage = WriteFailure::Stage::Write;
  return true;
}

bool RecordingMediaWriter::SetFileName(const std::string& path) {
  fileName = path;
  return !Fail("file");
}

bool RecordingMediaWriter::WriteImage(const MediaImage& image) {
  if (Fail("image")) return false;
  ++images;
  std::uint32_t pixel = 0;
  if (image.pixels) std::memcpy(&pixel, image.pixels, sizeof pixel);
  firstPixels.push_back(pixel);
  std::uint64_t sum = 1469598103934665603ull;  // FNV-1a over the rows' pixels
  for (int y = 0; image.pixels && y < image.height; ++y) {
    const std::uint8_t* row = image.pixels + static_cast<std::ptrdiff_t>(y) * image.bytesPerLine;
    for (int x = 0; x < 4 * image.width; ++x) sum = (sum ^ row[x]) * 1099511628211ull;
  }
  pictureSums.push_back(sum);
  return true;
}

// Recorded as the same picture once more.
bool RecordingMediaWriter::RepeatImage() {
  if (Fail("image")) return false;
  if (images == 0) {
    failure_.stage = WriteFailure::Stage::Write;
    return false;
  }
  ++images;
  firstPixels.push_back(firstPixels.back());
  pictureSums.push_back(pictureSums.back());
  return true;
}

bool RecordingMediaWriter::WriteSound(const MediaSound& sound) {
  if (Fail("sound")) return false;
  samples.insert(samples.end(), sound.samples, sound.samples + sound.frames * sound.channels);
  return true;
}

bool RecordingMediaWriter::WriteClose() {
  if (Fail("close")) return false;
  closed = true;
  return true;
}

}  // namespace sonavix
