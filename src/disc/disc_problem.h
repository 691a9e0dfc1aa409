#pragma once
// Why a disc image cannot be made, or was not: the kind, and what the words
// that say it need. The window and the command line say it (src/texts).

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

#include "video/media_writer.h"

namespace sonavix {

struct DiscProblem {
  enum class Kind {
    None,
    TooLongForDisc,   // `seconds` of songs make `needed` bytes; `limit` seconds fit `free` bytes
    ImageTooLarge,    // the finished songs make an image of `needed` bytes, the disc holds `free`
    ToolMissing,      // `tool` is not installed
    SongTooShort,     // song `name` (or number `track`) lasts `seconds`, a track needs `limit`
    TrackTooShort,    // the MPEG file of song `track` has `sectors` sectors
    NotEnoughRoom,    // `needed` bytes, `free` free
    NoTracks,
    SameNameAsBin,    // the CUE sheet `path` would be its own BIN file
    CannotUseFolder,  // nothing can be made in the folder `path`
    ToolFailed,       // `tool` did not make the image; `complaint` is what it said
    DiskFull,
    CannotWriteCue,
    CannotPlace,      // the finished image could not be renamed to `path`
    Stopped,
  };
  Kind kind = Kind::None;
  DiscPreset preset = DiscPreset::Dvd;
  std::string tool;
  std::string name;
  std::string path;
  std::string complaint;
  std::size_t track = 0;
  double seconds = 0;
  double limit = 0;
  std::int64_t needed = 0;
  std::int64_t free = 0;
  std::int64_t sectors = 0;

  explicit operator bool() const { return kind != Kind::None; }

  static DiscProblem Of(Kind kind, DiscPreset preset = DiscPreset::Dvd) {
    DiscProblem problem;
    problem.kind = kind;
    problem.preset = preset;
    return problem;
  }
  static DiscProblem Sizes(Kind kind, DiscPreset preset, std::int64_t needed, std::int64_t free) {
    DiscProblem problem = Of(kind, preset);
    problem.needed = needed;
    problem.free = free;
    return problem;
  }
  static DiscProblem AtPath(Kind kind, std::string path) {
    DiscProblem problem = Of(kind);
    problem.path = std::move(path);
    return problem;
  }
  static DiscProblem Tool(Kind kind, std::string tool, std::string complaint = {}) {
    DiscProblem problem = Of(kind);
    problem.tool = std::move(tool);
    problem.complaint = std::move(complaint);
    return problem;
  }
};

}  // namespace sonavix
