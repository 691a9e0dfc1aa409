#include "video/text_layer.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "video/picture_font.h"

namespace sonavix {

namespace {

// A line may take this much of the picture's width.
constexpr double kWidestShare = 0.94;
// The second line's height against the first's.
constexpr double kSubtextShare = 0.6;
// The outline's width against the line's height.
constexpr double kOutlineShare = 0.08;

// The size of `font` in pixels on `picture`.
double PixelSize(const QFont& font, const QImage& picture) {
  if (font.pixelSize() > 0) return font.pixelSize();
  return font.pointSizeF() * picture.logicalDpiY() / 72.0;
}

}  // namespace

TextLook DefaultTextLook(DiscPreset preset) {
  TextLook look;
  if (IsDiscFormat(preset)) return look;
  look.cell = false;
  look.colour = Qt::white;
  look.place = TextLook::Place::Bottom;
  look.heightShare = 0.05;
  if (preset == DiscPreset::Mp4Vertical) {
    look.heightShare = 0.05 * 1080 / 1920;
    look.topSafe = 0.10;
    look.bottomSafe = 0.20;
  }
  return look;
}

TextLook ChosenTextLook(DiscPreset preset, const TextChoice& choice) {
  TextLook look = DefaultTextLook(preset);
  if (choice.colour) {
    look.cell = false;
    look.colour = *choice.colour;
  }
  if (choice.place) {
    look.cell = look.cell && *choice.place == TextLook::Place::Middle;
    look.place = *choice.place;
  } else if (choice.lyrics && !look.cell) {
    look.place = TextLook::Place::Top;  // the lyrics take the lower third
  }
  look.subtext = choice.subtext;
  if (!look.subtext.isEmpty()) look.cell = false;
  return look;
}

std::optional<TextLook::Place> ParseTextPlace(const QString& word) {
  const QString w = word.trimmed().toLower();
  if (w == QLatin1String("oben") || w == QLatin1String("top")) return TextLook::Place::Top;
  if (w == QLatin1String("mitte") || w == QLatin1String("middle")) return TextLook::Place::Middle;
  if (w == QLatin1String("unten") || w == QLatin1String("bottom")) return TextLook::Place::Bottom;
  return std::nullopt;
}

void TextLayer::SetLook(const TextLook& look) {
  look_ = look;
  measured_ = false;
  overlay_ = QImage();
}

void TextLayer::Draw(QImage& picture, const QString& text, const QFont& font, const QColor& cellColour) {
  if (look_.cell)
    DrawCell(picture, text, font, cellColour);
  else
    DrawOverlay(picture, text, font);
}

QFont TextLayer::FittedFont(const QImage& picture, const QString& text, QFont font, double share) const {
  if (share > 0 && font == DefaultPictureFont())
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(share * picture.height()))));
  const int widest = static_cast<int>(kWidestShare * picture.width());
  for (int tries = 0; tries < 8; ++tries) {
    const int width = QFontMetrics(font, &picture).horizontalAdvance(text);
    if (width <= widest || width <= 0) break;
    const double pixels = PixelSize(font, picture) * widest / width;
    if (pixels < 1) break;
    font.setPixelSize(std::max(1, static_cast<int>(std::floor(pixels))));
  }
  return font;
}

// The text centred in black on a cell of the last circle's fill colour. A
// line that fits is drawn in the font as given.
void TextLayer::DrawCell(QImage& picture, const QString& text, const QFont& font, const QColor& background) {
  if (text.isEmpty()) return;
  if (!measured_ || text != measuredText_ || font != measuredFont_ || picture.size() != measuredPicture_) {
    measuredText_ = text;
    measuredFont_ = font;
    measuredPicture_ = picture.size();
    cellFont_ = FittedFont(picture, text, font, 0);
    cellFont_.setStyleStrategy(QFont::NoAntialias);
    const QFontMetrics metrics(cellFont_, &picture);
    textWidth_ = metrics.horizontalAdvance(text);
    textHeight_ = metrics.height();
    textAscent_ = metrics.ascent();
    measured_ = true;
  }
  const int x = (picture.width() - textWidth_) / 2;
  const int y = (picture.height() - textHeight_) / 2;

  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setRenderHint(QPainter::TextAntialiasing, false);
  painter.fillRect(x, y, textWidth_, textHeight_, background);
  painter.setFont(cellFont_);
  painter.setPen(Qt::black);
  painter.drawText(x, y + textAscent_, text);
}

// The line (and the second line below it) in the look's colour with a dark
// outline, made once into an image with alpha and laid over each picture.
void TextLayer::DrawOverlay(QImage& picture, const QString& text, const QFont& font) {
  if (text.isEmpty() && look_.subtext.isEmpty()) return;
  if (overlay_.isNull() || text != overlayText_ || font != overlayFont_ || picture.size() != overlayPicture_) {
    overlayText_ = text;
    overlayFont_ = font;
    overlayPicture_ = picture.size();
    const QFont main = FittedFont(picture, text, font, look_.heightShare);
    QFont second = font;
    second.setPixelSize(std::max(1, static_cast<int>(std::lround(PixelSize(main, picture) * kSubtextShare))));
    second = FittedFont(picture, look_.subtext, second, 0);
    const QFontMetrics mainMetrics(main, &picture), secondMetrics(second, &picture);
    const int mainHeight = text.isEmpty() ? 0 : mainMetrics.height();
    const int secondHeight = look_.subtext.isEmpty() ? 0 : secondMetrics.height();
    const int outline = std::max(1, static_cast<int>(std::lround(kOutlineShare * std::max(mainHeight, secondHeight))));
    const int height = mainHeight + secondHeight + 2 * outline;
    const int width = picture.width();
    overlay_ = QImage(width, height, QImage::Format_ARGB32_Premultiplied);
    overlay_.fill(Qt::transparent);
    QPainterPath path;
    if (!text.isEmpty())
      path.addText((width - mainMetrics.horizontalAdvance(text)) / 2.0, outline + mainMetrics.ascent(), main, text);
    if (!look_.subtext.isEmpty())
      path.addText((width - secondMetrics.horizontalAdvance(look_.subtext)) / 2.0,
                   outline + mainHeight + secondMetrics.ascent(), second, look_.subtext);
    QPainter painter(&overlay_);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.strokePath(path, QPen(QColor(0, 0, 0, 200), 2.0 * outline, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.fillPath(path, look_.colour);
    const int top = static_cast<int>(look_.topSafe * picture.height());
    const int bottom = static_cast<int>(look_.bottomSafe * picture.height());
    switch (look_.place) {
      case TextLook::Place::Top: overlayAt_ = {0, top}; break;
      case TextLook::Place::Middle: overlayAt_ = {0, (picture.height() - height) / 2}; break;
      case TextLook::Place::Bottom: overlayAt_ = {0, picture.height() - bottom - height}; break;
    }
  }
  QPainter painter(&picture);
  painter.drawImage(overlayAt_, overlay_);
}

}  // namespace sonavix
