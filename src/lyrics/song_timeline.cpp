#include "lyrics/song_timeline.h"

#include <algorithm>

namespace sonavix {

void SongTimeline::Keep(double from, double to) {
  std::vector<Piece> kept;
  for (const Piece& piece : pieces_) {
    const double start = std::max(piece.soundFrom, from), end = std::min(piece.SoundTo(), to);
    if (end <= start) continue;
    kept.push_back({piece.SongAt(start), piece.SongAt(end), start - from, piece.scale});
  }
  pieces_ = std::move(kept);
}

void SongTimeline::Remove(double from, double to) {
  std::vector<Piece> kept;
  for (const Piece& piece : pieces_) {
    if (piece.soundFrom < from)
      kept.push_back({piece.songFrom, piece.SongAt(std::min(piece.SoundTo(), from)), piece.soundFrom, piece.scale});
    if (piece.SoundTo() > to) {
      const double start = std::max(piece.soundFrom, to);
      kept.push_back({piece.SongAt(start), piece.songTo, start - (to - from), piece.scale});
    }
  }
  pieces_ = std::move(kept);
}

void SongTimeline::Stretch(double factor) {
  if (!(factor > 0)) return;
  for (Piece& piece : pieces_) {
    piece.soundFrom *= factor;
    piece.scale *= factor;
  }
}

std::optional<double> SongTimeline::SoundTime(double songSeconds) const {
  for (const Piece& piece : pieces_)
    if (songSeconds >= piece.songFrom && songSeconds < piece.songTo)
      return piece.soundFrom + (songSeconds - piece.songFrom) * piece.scale;
  return std::nullopt;
}

bool SongTimeline::Unchanged() const {
  return pieces_.size() == 1 && pieces_[0].songFrom == 0 && pieces_[0].soundFrom == 0 && pieces_[0].scale == 1 &&
         pieces_[0].songTo == std::numeric_limits<double>::infinity();
}

Lyrics MoveLyrics(const Lyrics& lyrics, const SongTimeline& timeline) {
  if (timeline.Unchanged()) return lyrics;
  Lyrics moved;
  moved.skipped = lyrics.skipped;
  for (const LyricLine& line : lyrics.lines) {
    const std::optional<double> start = timeline.SoundTime(line.start);
    if (!start) continue;
    LyricLine at = line;
    at.start = *start;
    // An end that was cut away ends the line where the cut is: at the next
    // line, as an LRC line does.
    at.end = line.end < 0 ? -1 : timeline.SoundTime(line.end).value_or(-1);
    for (LyricWord& word : at.words) word.start = timeline.SoundTime(word.start).value_or(*start);
    moved.lines.push_back(std::move(at));
  }
  // A speed change keeps the order; a cut keeps what stays in order too.
  std::stable_sort(moved.lines.begin(), moved.lines.end(),
                   [](const LyricLine& a, const LyricLine& b) { return a.start < b.start; });
  return moved;
}

}  // namespace sonavix
