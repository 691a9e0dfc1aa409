#pragma once
// The lyrics over the picture: the line sung now in the lower third, in
// the picture's font with a dark outline, the part already sung
// highlighted where the lyrics have word times, and the next line smaller
// and dimmed below it. A line too wide is wrapped, never cut. A line
// appears on the first picture at or after its time. The drawing is kept
// while neither the line nor the sung words change.

#include <QFont>
#include <QImage>
#include <QPoint>

#include "lyrics/lyrics.h"

namespace sonavix {

class LyricsLayer {
 public:
  // The lyrics to show (none: nothing), kept by the caller.
  void SetLyrics(const Lyrics* lyrics) { lyrics_ = lyrics; drawn_ = QImage(); }
  bool Empty() const { return !lyrics_ || lyrics_->lines.empty(); }

  // The share of the picture's height at its bottom the lyrics stay above.
  void SetBottomSafe(double share) { bottomSafe_ = share; drawn_ = QImage(); }

  // Draws what is sung at `seconds` from the song's start.
  void Draw(QImage& picture, const QFont& font, double seconds);

 private:
  const Lyrics* lyrics_ = nullptr;
  double bottomSafe_ = 1.0 / 12;
  QImage drawn_;
  QPoint at_;
  const LyricLine* line_ = nullptr;
  std::size_t sung_ = 0;
  QSize size_;
};

}  // namespace sonavix
