#pragma once
// Where the song's own times stand in the sound after it was edited: the
// lyrics are timed to the song as it came, and crops, cuts and speed
// changes move, remove and stretch stretches of it. The timeline is a list
// of pieces of the song's time, each put at a place in the sound's time
// and stretched by a factor; lyrics are moved through it (MoveLyrics), and
// a line whose start was cut away goes with it.

#include <limits>
#include <optional>
#include <vector>

#include "lyrics/lyrics.h"

namespace sonavix {

class SongTimeline {
 public:
  // Only the sound's seconds [from, to) stay, and start at 0 (a crop).
  void Keep(double from, double to);
  // The sound's seconds [from, to) go, and what follows moves up (a cut).
  void Remove(double from, double to);
  // Every time of the sound is `factor` times what it was (a speed change).
  void Stretch(double factor);

  // The sound's time of the song's `songSeconds`; empty if it was cut away.
  std::optional<double> SoundTime(double songSeconds) const;
  bool Unchanged() const;

 private:
  struct Piece {
    double songFrom = 0;
    double songTo = std::numeric_limits<double>::infinity();
    double soundFrom = 0;
    double scale = 1;  // sound seconds per song second
    double SoundTo() const { return soundFrom + (songTo - songFrom) * scale; }
    double SongAt(double sound) const { return songFrom + (sound - soundFrom) / scale; }
  };
  std::vector<Piece> pieces_{Piece{}};
};

// The lyrics as they fall in the edited sound.
Lyrics MoveLyrics(const Lyrics& lyrics, const SongTimeline& timeline);

}  // namespace sonavix
