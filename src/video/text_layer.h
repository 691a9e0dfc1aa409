#pragma once
// The picture's line of text, and an optional smaller second line, drawn
// over the circles. Two looks:
//  - the cell (the discs'): black, not smoothed, on a cell of the last
//    circle's fill colour, in the middle of the picture, in the font as
//    given;
//  - the overlay (the web's): the user's colour with a dark outline that
//    reads on any ground, smoothed, at the top, middle or bottom, its
//    height a share of the frame's unless the user chose a font.
// Either way a line too wide for the picture is made smaller until it
// fits: it is never cut. A steady line costs no shaping per picture.

#include <QColor>
#include <QFont>
#include <QImage>
#include <QString>
#include <optional>

#include "video/media_writer.h"

namespace sonavix {

struct TextLook {
  enum class Place { Top, Middle, Bottom };
  bool cell = true;
  QColor colour = Qt::black;
  Place place = Place::Middle;
  // With the picture's default font: the main line's height as a share of
  // the picture's height; 0 keeps the font's own size.
  double heightShare = 0;
  QString subtext;  // the second line, filled in already; empty: none
  // What the platforms cover at the top and the bottom of the picture, as
  // shares of its height: text and lyrics stay clear of it.
  double topSafe = 1.0 / 12;
  double bottomSafe = 1.0 / 12;
};

// The look a preset starts with: the cell for the discs, a white overlay
// at the bottom, a twentieth of the height (of the width where the picture
// stands upright), for the web; the upright one keeps 10 % at the top and
// 20 % at the bottom free.
TextLook DefaultTextLook(DiscPreset preset);

// What the user chose for the text beyond the preset's look; unset: the
// preset's.
struct TextChoice {
  std::optional<QColor> colour;
  std::optional<TextLook::Place> place;
  bool lyrics = false;  // lyrics take the lower third: the title goes to the top
  QString subtext;      // filled in already
};

// The preset's look with the user's choices. A colour, a place other than
// the middle, or a second line turns the discs' cell into the overlay.
TextLook ChosenTextLook(DiscPreset preset, const TextChoice& choice);

// "oben", "mitte", "unten" (and "top", "middle", "bottom"); empty when the
// word is none of them.
std::optional<TextLook::Place> ParseTextPlace(const QString& word);

class TextLayer {
 public:
  void SetLook(const TextLook& look);
  const TextLook& Look() const { return look_; }

  // Draws `text` in `font` on `picture`; `cellColour` is the cell's.
  void Draw(QImage& picture, const QString& text, const QFont& font, const QColor& cellColour);

 private:
  void DrawCell(QImage& picture, const QString& text, const QFont& font, const QColor& background);
  void DrawOverlay(QImage& picture, const QString& text, const QFont& font);
  // The font `font` at the size the line needs in `picture`: the look's
  // share of the height, then no wider than the picture.
  QFont FittedFont(const QImage& picture, const QString& text, QFont font, double share) const;

  TextLook look_;
  // The cell's measurements, taken again only when text or font change.
  QString measuredText_;
  QFont measuredFont_;
  QSize measuredPicture_;
  QFont cellFont_;
  int textWidth_ = 0;
  int textHeight_ = 0;
  int textAscent_ = 0;
  bool measured_ = false;
  // The overlay, drawn once into an image with alpha, for a text, font and
  // picture size.
  QImage overlay_;
  QPoint overlayAt_;
  QString overlayText_;
  QFont overlayFont_;
  QSize overlayPicture_;
};

}  // namespace sonavix
