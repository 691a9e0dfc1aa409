#include "video/lyrics_layer.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <QStringList>
#include <algorithm>
#include <cmath>

namespace sonavix {

namespace {

constexpr double kLineShare = 0.055;   // the line's height against the picture's
constexpr double kNextShare = 0.75;    // the next line's height against the line's
constexpr double kWidestShare = 0.9;   // of the picture's width
constexpr double kOutlineShare = 0.08;
const QColor kSung(255, 214, 64);
const QColor kNext(255, 255, 255, 150);

// Words laid into rows no wider than `widest`; a word wider than that
// stands alone in its row (it is the only way not to cut it).
QStringList Wrapped(const QString& text, const QFontMetrics& metrics, int widest) {
  QStringList rows;
  QString row;
  for (const QString& word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
    const QString longer = row.isEmpty() ? word : row + QLatin1Char(' ') + word;
    if (!row.isEmpty() && metrics.horizontalAdvance(longer) > widest) {
      rows << row;
      row = word;
    } else {
      row = longer;
    }
  }
  if (!row.isEmpty()) rows << row;
  return rows;
}

// The rows of `text`, centred, from `top`, into `path`; returns the height.
int AddRows(QPainterPath& path, const QString& text, const QFont& font, const QFontMetrics& metrics, int width,
            int top) {
  const QStringList rows = Wrapped(text, metrics, static_cast<int>(kWidestShare * width));
  for (int i = 0; i < rows.size(); ++i)
    path.addText((width - metrics.horizontalAdvance(rows[i])) / 2.0, top + i * metrics.height() + metrics.ascent(),
                 font, rows[i]);
  return static_cast<int>(rows.size()) * metrics.height();
}

std::size_t SungWords(const LyricLine& line, double seconds) {
  return static_cast<std::size_t>(std::count_if(line.words.begin(), line.words.end(),
                                                [&](const LyricWord& w) { return w.start <= seconds; }));
}

}  // namespace

void LyricsLayer::Draw(QImage& picture, const QFont& font, double seconds) {
  if (Empty()) return;
  const LyricLine* line = LineAt(*lyrics_, seconds);
  const std::size_t sung = line ? SungWords(*line, seconds) : 0;
  if (line != line_ || sung != sung_ || picture.size() != size_ || drawn_.isNull()) {
    line_ = line;
    sung_ = sung;
    size_ = picture.size();
    const LyricLine* next = nullptr;
    for (const LyricLine& l : lyrics_->lines)
      if (l.start > seconds && (!line || l.start >= line->start) && &l != line) {
        next = &l;
        break;
      }
    QFont lineFont = font;
    const int shortSide = std::min(picture.height(), picture.width());
    lineFont.setPixelSize(std::max(8, static_cast<int>(std::lround(kLineShare * shortSide))));
    QFont nextFont = lineFont;
    nextFont.setPixelSize(std::max(6, static_cast<int>(std::lround(lineFont.pixelSize() * kNextShare))));
    const QFontMetrics lineMetrics(lineFont, &picture), nextMetrics(nextFont, &picture);
    const int width = picture.width();
    const int outline = std::max(1, static_cast<int>(std::lround(kOutlineShare * lineMetrics.height())));
    // The line in two parts where words are sung: what is sung, the rest.
    QPainterPath all, sungPath, nextPath;
    int height = outline;
    if (line) {
      height += AddRows(all, QString::fromStdString(line->text), lineFont, lineMetrics, width, height);
      if (sung > 0) {
        QString sungText;
        for (std::size_t i = 0; i < sung; ++i) sungText += QString::fromStdString(line->words[i].text);
        // The sung words keep their places: the whole line's rows, clipped
        // to where the sung text ends.
        sungPath = all;
        const QStringList rows = Wrapped(QString::fromStdString(line->text), lineMetrics,
                                         static_cast<int>(kWidestShare * width));
        int left = sungText.trimmed().size();
        QPainterPath clip;
        for (int r = 0; r < rows.size() && left > 0; ++r) {
          const int take = std::min<int>(left, rows[r].size());
          const double x = (width - lineMetrics.horizontalAdvance(rows[r])) / 2.0;
          clip.addRect(0, outline + r * lineMetrics.height(), x + lineMetrics.horizontalAdvance(rows[r].left(take)),
                       lineMetrics.height());
          left -= take + 1;
        }
        sungPath = all.intersected(clip);
      }
    }
    const int nextTop = height + outline;
    if (next) height = nextTop + AddRows(nextPath, QString::fromStdString(next->text), nextFont, nextMetrics, width, nextTop);
    height += outline;
    drawn_ = QImage(width, height, QImage::Format_ARGB32_Premultiplied);
    drawn_.fill(Qt::transparent);
    QPainter painter(&drawn_);
    painter.setRenderHint(QPainter::Antialiasing, true);
    const QPen edge(QColor(0, 0, 0, 200), 2.0 * outline, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    painter.strokePath(all, edge);
    painter.fillPath(all, Qt::white);
    if (!sungPath.isEmpty()) painter.fillPath(sungPath, kSung);
    painter.strokePath(nextPath, QPen(QColor(0, 0, 0, 120), outline, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.fillPath(nextPath, kNext);
    // The line's top at two thirds of the picture, clear of the bottom.
    const int lowest = picture.height() - static_cast<int>(bottomSafe_ * picture.height()) - height;
    at_ = {0, std::max(0, std::min(picture.height() * 2 / 3, lowest))};
  }
  QPainter painter(&picture);
  painter.drawImage(at_, drawn_);
}

}  // namespace sonavix
