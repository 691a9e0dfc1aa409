#pragma once
// The media writer: encodes pictures and sound into one MPEG file for a disc
// format. The export creates one, chooses a preset, asks for the frame size
// and rate, names the file, then appends pictures and sound blocks in the
// order they should play, and closes it.
//
// The back end is ffmpeg_media_writer.cpp (libavcodec and libavformat);
// CreateMediaWriter makes it, with its encoding on a thread of its own or
// not. Tests bring stand-ins of their own.
//
// Every call that can fail returns false and leaves a German sentence in
// Error(). The file is written beside its final name and put in place by
// WriteClose; a writer destroyed before that, or one that failed, removes
// what it had written, and a file that existed under the name stays.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace sonavix {

// The formats a file is written for: the three disc formats, and MP4 for
// the web in two sizes.
enum class DiscPreset {
  VideoCd = 0,
  SuperVideoCd = 1,
  Dvd = 2,
  Mp4Hd720 = 3,
  Mp4Hd1080 = 4,
  Mp4Square = 5,    // 1080 x 1080, for social video
  Mp4Vertical = 6,  // 1080 x 1920, phones held upright
  Mp4Hd1440 = 7,
  Mp4Uhd2160 = 8,   // 4K
  WebmAlpha = 9,    // VP9 with alpha: the picture over a transparent ground
};
// Whether the preset's pictures carry alpha (Format_ARGB32, not premultiplied).
inline bool HasAlpha(DiscPreset preset) { return preset == DiscPreset::WebmAlpha; }
inline bool IsDiscFormat(DiscPreset preset) { return preset <= DiscPreset::Dvd; }
// The television system a disc plays on: PAL at 25 frames per second,
// NTSC at 30000/1001 with fewer lines.
enum class TvSystem { Pal = 0, Ntsc = 1 };

// Why a writer gave its file up: it could not be made, or not written to
// the end; with what the system said, where it said something (an errno,
// 0 when the encoder failed). The window and the command line say it in
// words.
struct WriteFailure {
  enum class Stage { None, Create, Write };
  Stage stage = Stage::None;
  int systemError = 0;
  bool failed() const { return stage != Stage::None; }
  bool operator==(const WriteFailure&) const = default;
};

// A picture to append: top row first, 32 bits per pixel, bytes blue, green,
// red, unused (QImage::Format_RGB32 on a little-endian machine).
struct MediaImage {
  int width = 0;
  int height = 0;
  int bytesPerLine = 0;
  const std::uint8_t* pixels = nullptr;
};

// A picture a writer has converted ahead into its encoder's own form.
class ConvertedImage {
 public:
  virtual ~ConvertedImage() = default;
};

// Frames per second as a fraction: 25/1 for PAL, 30000/1001 for NTSC, 30/1
// for MP4.
struct VideoRate {
  std::int64_t num = 25;
  std::int64_t den = 1;
  VideoRate() = default;
  VideoRate(std::int64_t n, std::int64_t d = 1) : num(n), den(d) {}  // NOLINT: 16 reads as 16/1
  double Value() const { return den > 0 ? double(num) / double(den) : 0.0; }
};

// Sound to append: interleaved 16-bit little-endian samples.
struct MediaSound {
  int frames = 0;
  int rate = 44100;
  int channels = 2;
  const std::int16_t* samples = nullptr;
};

// A chapter of a web video, in 44100 Hz frames of its sound: [start, end).
struct MediaChapter {
  static constexpr int kRate = 44100;
  std::string title;
  std::int64_t start = 0;
  std::int64_t end = 0;
};

class MediaWriter {
 public:
  virtual ~MediaWriter() = default;

  // Takes on the video and audio parameters of a disc format.
  virtual void SetFormatPreset(DiscPreset preset, TvSystem tv = TvSystem::Pal) = 0;
  virtual int FrameWidth() const = 0;
  virtual int FrameHeight() const = 0;
  virtual VideoRate FrameRate() const = 0;
  // For a disc's chapter, which should last as long as its song: the
  // pictures end with the sound's last frame and none is held longer to
  // meet the sound codec's frame grid; the sound ends in its next whole
  // frame instead. Off by default. Call before SetFileName.
  virtual void SetExactEnd(bool) {}
  // Pictures a second of the web formats: 30 (the default) or 60; the
  // discs keep their TV system's.
  virtual void SetWebFrameRate(int) {}
  // The chapters of a web video (an album's songs); the discs have none.
  // Call before SetFileName.
  virtual void SetChapters(std::vector<MediaChapter>) {}
  // 1.0 is the best picture the format's limits allow.
  virtual void SetQuality(double quality) = 0;
  // The one file that takes both the video and the sound. Sets up the
  // encoders and starts the file; false if that fails. Call after the preset
  // and the quality are set.
  virtual bool SetFileName(const std::string& path) = 0;

  // Appends one video frame showing the picture (scaled if its size differs).
  virtual bool WriteImage(const MediaImage& image) = 0;
  // Pictures converted ahead into the encoder's own form, on another
  // thread than the one that encodes: ConvertAhead may be called while the
  // writer encodes, from one thread at a time, and gives nothing when the
  // writer takes pictures only as they are or cannot convert this one;
  // WriteConverted appends the frame it made.
  virtual std::unique_ptr<ConvertedImage> ConvertAhead(const MediaImage&) const { return nullptr; }
  virtual bool WriteConverted(std::unique_ptr<ConvertedImage>) { return false; }
  // Appends one more video frame showing the picture appended last, without
  // converting it again; false if no picture has been appended yet.
  virtual bool RepeatImage() = 0;
  // Appends sound to the sound track.
  virtual bool WriteSound(const MediaSound& sound) = 0;
  // Completes the file and puts it in place; false if that fails.
  virtual bool WriteClose() = 0;

  // Why the last call that returned false failed.
  virtual WriteFailure Failure() const = 0;
};

// "ffmpeg-direct" for files encoded on the caller's thread; any other name
// (or none) for the same files encoded on a thread of their own. Nothing
// the program is started with can make it write no file.
std::unique_ptr<MediaWriter> CreateMediaWriter(const std::string& name = {});

}  // namespace sonavix
