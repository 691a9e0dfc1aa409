#pragma once
// An image planned before anything is rendered: what would stand in its way
// (a disc too small, a tool missing, a song too short for a CD track, too
// little room), and the names its files take.

#include <cstdint>
#include <string>
#include <vector>

#include "disc/disc_problem.h"
#include "disc/disc_tools.h"
#include "video/media_writer.h"

namespace sonavix {

// A track of a (Super) Video CD holds at least 75 sectors of MPEG;
// vcdimager warns of anything shorter. Empty when the MPEG file of song
// number `track` (from 1) is long enough (always, for a DVD); else
// TrackTooShort.
DiscProblem CdTrackTooShort(DiscPreset preset, std::int64_t mpegBytes, std::size_t track);

// An image as planned before anything is rendered.
struct DiscImagePlan {
  DiscPreset preset = DiscPreset::Dvd;
  double quality = 1.0;
  std::vector<double> seconds;     // each song's playing time
  std::vector<std::string> names;  // each song's name, for the messages
  std::string imageFolder;         // where the image goes
  std::string songsFolder;         // where the songs' MPEG files go
};

// What stands in the way of the image, found before a song is rendered: a
// disc too small for the songs, a tool that is not installed, a song too
// short for a CD track, too little room on the disk. None when nothing
// does.
DiscProblem DiscImageProblem(const DiscImagePlan& plan, const DiscTools& tools);

// The image's path as the preset wants it: ".cue" for a CD, ".iso" for a
// DVD, added when the name has no extension. A CD image named after its
// BIN file ("album.bin") is written as "album.cue" beside "album.bin", so
// that the two never share a name.
std::string DiscImagePath(const std::string& path, DiscPreset preset);

// A DVD's volume name from the image's name: upper case, at most 32 of the
// characters ISO 9660 allows (A-Z, 0-9, _), umlauts spelt out ("Mädchen"
// -> "MAEDCHEN"), anything else as "_"; "SONAVIX" when nothing is left.
std::string VolumeLabel(const std::string& utf8Name);

// Free bytes for this user in the folder's file system; -1 if unknown.
std::int64_t FreeBytesIn(const std::string& folder);

}  // namespace sonavix
