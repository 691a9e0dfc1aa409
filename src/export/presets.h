#pragma once
// The export's presets as users name them: "vcd", "svcd", "dvd" and their
// NTSC forms "vcd-ntsc", "svcd-ntsc", "dvd-ntsc", and "mp4-720p",
// "mp4-1080p" for the web, with the
// file extension of their output and what they hold, for the command line's
// --preset and --list-presets.

#include <span>
#include <string>
#include <string_view>

#include "video/media_writer.h"

namespace sonavix {

struct ExportPreset {
  const char* name;       // on the command line
  DiscPreset disc;        // for the media writer
  TvSystem tv;
  const char* label;      // as the window calls it
  const char* extension;  // of the output file, with its dot
  const char* codecs;     // video and sound, in words
};

std::span<const ExportPreset> ExportPresets();
// The preset of that name (exactly, in lower case), or null.
const ExportPreset* FindPreset(std::string_view name);

// One line for --list-presets: name, picture size, frame rate and codecs,
// as a writer set to the preset reports them.
std::string DescribePreset(const ExportPreset& preset, MediaWriter& writer);

}  // namespace sonavix
