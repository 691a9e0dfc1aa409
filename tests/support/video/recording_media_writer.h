#pragma once
// A media writer that encodes nothing: it keeps what it is given, so tests
// can check what an export handed over, and can be told to fail.

#include <cstdint>
#include <string>
#include <vector>

#include "video/media_writer.h"

namespace sonavix {

class RecordingMediaWriter : public MediaWriter {
 public:
  void SetFormatPreset(DiscPreset preset, TvSystem tv = TvSystem::Pal) override;
  int FrameWidth() const override { return width_; }
  int FrameHeight() const override { return height_; }
  VideoRate FrameRate() const override { return frameRate; }
  void SetQuality(double quality) override { this->quality = quality; }
  bool SetFileName(const std::string& path) override;
  bool WriteImage(const MediaImage& image) override;
  bool RepeatImage() override;
  bool WriteSound(const MediaSound& sound) override;
  bool WriteClose() override;
  WriteFailure Failure() const override { return failure_; }

  // What was handed over.
  DiscPreset preset = DiscPreset::VideoCd;
  TvSystem tvSystem = TvSystem::Pal;
  double quality = 0;
  std::string fileName;
  int images = 0;
  std::vector<std::uint32_t> firstPixels;  // top-left pixel of every image
  std::vector<std::uint64_t> pictureSums;  // a checksum of every image's pixels
  std::vector<std::int16_t> samples;
  bool closed = false;

  // Test knobs: the frame rate it reports, and the call that fails
  // ("file", "image", "sound", "close"; empty for none).
  VideoRate frameRate{25};
  std::string failAt;

 private:
  bool Fail(const char* what);

  int width_ = 352;
  int height_ = 288;
  WriteFailure failure_;
};

// Hands every call to a recording writer that lives elsewhere (in a test's
// fixture), so that what was handed over can be read once an export has
// ended and let go of its writer.
class BorrowedMediaWriter final : public MediaWriter {
 public:
  explicit BorrowedMediaWriter(RecordingMediaWriter& inner) : inner_(inner) {}
  void SetFormatPreset(DiscPreset preset, TvSystem tv = TvSystem::Pal) override { inner_.SetFormatPreset(preset, tv); }
  int FrameWidth() const override { return inner_.FrameWidth(); }
  int FrameHeight() const override { return inner_.FrameHeight(); }
  VideoRate FrameRate() const override { return inner_.FrameRate(); }
  void SetExactEnd(bool exact) override { inner_.SetExactEnd(exact); }
  void SetWebFrameRate(int rate) override { inner_.SetWebFrameRate(rate); }
  void SetChapters(std::vector<MediaChapter> chapters) override { inner_.SetChapters(std::move(chapters)); }
  void SetQuality(double quality) override { inner_.SetQuality(quality); }
  bool SetFileName(const std::string& path) override { return inner_.SetFileName(path); }
  bool WriteImage(const MediaImage& image) override { return inner_.WriteImage(image); }
  bool RepeatImage() override { return inner_.RepeatImage(); }
  bool WriteSound(const MediaSound& sound) override { return inner_.WriteSound(sound); }
  bool WriteClose() override { return inner_.WriteClose(); }
  WriteFailure Failure() const override { return inner_.Failure(); }

 private:
  RecordingMediaWriter& inner_;
};

}  // namespace sonavix
