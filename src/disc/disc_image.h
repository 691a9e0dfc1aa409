#pragma once
// A burnable image from finished MPEG files, one per song: a CUE sheet and
// its BIN file with one track per song for Video-CD and Super Video CD, an
// ISO image of a DVD-Video file system with one title and a chapter per
// song for DVD. Made by the field's tools (see disc_tools.h) in a temporary
// folder beside the image, which goes again on every way out; the image
// is put in place only once it is complete, so a failure or a stop leaves
// nothing, and an image of that name stays as it was until then.
//
// Sizes are known before anything is made: from the playing times and the
// preset's rates before rendering, exactly from the MPEG files after.

#include <cstdint>
#include <string>
#include <vector>

#include "disc/disc_problem.h"
#include "disc/disc_tools.h"
#include "video/media_writer.h"

namespace sonavix {

// What a disc holds: 80 minutes of CD (360 000 sectors of 2352 bytes, as
// the BIN file has them) or a single-layer DVD.
std::int64_t DiscCapacityBytes(DiscPreset preset);

// The image's size as the tools lay it out, from the MPEG files' sizes.
std::int64_t ImageBytesFromTracks(DiscPreset preset, const std::vector<std::int64_t>& mpegBytes);

// The image's size expected from the songs' playing times, before anything
// is rendered: each song in whole blocks, at the preset's average rates.
std::int64_t ImageBytesFromSeconds(DiscPreset preset, double quality, const std::vector<double>& seconds);

// None when the songs fit the disc; else TooLongForDisc with the playing
// time and the most that fits.
DiscProblem DiscTooSmall(DiscPreset preset, double quality, const std::vector<double>& seconds);

// "Video-CD", "Super Video CD", "DVD".
const char* DiscName(DiscPreset preset);

// The MPEG files of songs of these playing times, as the export writes them
// at the preset's average rates.
std::int64_t MpegBytesFromSeconds(DiscPreset preset, double quality, const std::vector<double>& seconds);

struct DiscImageRequest {
  DiscPreset preset = DiscPreset::Dvd;
  TvSystem tv = TvSystem::Pal;
  std::vector<std::string> tracks;  // the songs' MPEG files, in order
  std::string target;               // the .cue (its .bin goes beside it) or the .iso
  std::string label = "SONAVIX";    // the volume name of a DVD
};

struct DiscImageResult {
  bool ok = false;
  bool stopped = false;
  DiscProblem problem;     // why not, when not ok
  std::int64_t bytes = 0;  // of the image (the BIN file for a CD)
};

class DiscImageObserver {
 public:
  virtual ~DiscImageObserver() = default;
  virtual void Progress(double) {}  // the share done, 0 ... 1
  virtual bool StopRequested() const { return false; }
};

// The BIN file beside a CUE sheet: "album.cue" -> "album.bin".
std::string BinFileFor(const std::string& cue);

DiscImageResult BuildDiscImage(const DiscImageRequest& request, DiscTools& tools,
                               DiscImageObserver& observer);

}  // namespace sonavix
