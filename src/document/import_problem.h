#pragma once
// Why a sound file could not be read, or was read only in part: the kind,
// and what the words that say it need. The window and the command line
// say it (src/texts).

#include <string>

namespace sonavix {

struct ImportProblem {
  enum class Kind {
    None,
    NotASoundFile,  // no container the decoder knows, or a damaged one
    NoSoundTrack,
    Encrypted,      // copy protection
    UnknownCodec,   // `codec` names the sound's format
    CannotDecode,
    TooLong,        // `seconds` at `rate` Hz and `channels`; a sound holds at most `most`
    NoSound,        // not one readable sample
    // A sound that was read all the same:
    EndsEarly,      // `seconds` read of the `declared` the container announced
    Damaged,        // the reading stopped at damage after `seconds`
  };
  Kind kind = Kind::None;
  std::string codec;
  double seconds = 0;
  double declared = 0;
  int rate = 0;
  int channels = 0;
  double most = 0;

  explicit operator bool() const { return kind != Kind::None; }

  static ImportProblem Of(Kind kind, double seconds = 0) {
    ImportProblem problem;
    problem.kind = kind;
    problem.seconds = seconds;
    return problem;
  }
};

}  // namespace sonavix
