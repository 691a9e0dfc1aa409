#include "view/waveform.h"

#include <QPainter>
#include <algorithm>
#include <cstdlib>

#include "view/thin_line.h"
#include "view/zoom.h"

namespace sonavix {

namespace {

// Keeps a column far outside the picture from overflowing QPainter's ints.
int ClampColumn(std::int64_t x, int width) {
  return static_cast<int>(std::clamp<std::int64_t>(x, -1, std::int64_t{width} + 1));
}

int SampleY(const AudioDocument& doc, std::int64_t i, int height) {
  if (doc.Is16Bit) return doc.Sample16(i) * (height - 1) / 65536 + height / 2;
  return doc.SampleData[static_cast<std::size_t>(i)] * (height - 1) / 255;
}

// The selection band as QPainter::fillRect draws it in an opaque colour.
bool FillBand(QImage& image, const QRect& band, QRgb colour) {
  if (!DrawsDirectly(image)) return false;
  const QRect r = band & image.rect();
  for (int y = r.top(); y <= r.bottom(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
    std::fill(row + r.left(), row + r.right() + 1, colour);
  }
  return true;
}

}  // namespace

std::vector<QPoint> WaveformPoints(const AudioDocument& doc, std::int64_t zoom, std::int64_t scroll,
                                   int width, int height) {
  zoom = UsableZoom(zoom);
  const std::int64_t limit = doc.Is16Bit ? doc.SampleCount() : doc.DataSize;
  std::vector<QPoint> points;
  points.reserve(static_cast<std::size_t>(std::max(width, 0)) + 1);
  points.emplace_back(0, 128);
  for (int x = 0; x < width; ++x) {
    const std::int64_t i = zoom * x + zoom * scroll;
    if (i < 0) continue;
    if (i >= limit) break;  // i only grows with x: no later column has a sample
    points.emplace_back(x, SampleY(doc, i, height));
  }
  return points;
}

std::int64_t ColumnOfMark(std::int32_t mark, std::int64_t zoom, std::int64_t scroll) {
  zoom = UsableZoom(zoom);
  return (std::int64_t{mark} - zoom * scroll) / zoom;
}

void PaintWaveform(QImage& image, const AudioDocument& doc, std::int64_t zoom, std::int64_t scroll) {
  const int w = image.width();
  const int h = image.height();
  image.fill(kWaveBackground);
  // The painter is only for what the direct drawing does not take on (other
  // image formats, a marker outside the columns); its strokes are the same.
  const auto paint = [&image](const auto& draw) {
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, false);
    draw(painter);
  };

  const int x1 = ClampColumn(ColumnOfMark(doc.SelEnd, zoom, scroll), w);
  const int x2 = ClampColumn(ColumnOfMark(doc.SelStart, zoom, scroll), w);
  if (x1 != x2) {
    const QRect band(std::min(x1, x2), 0, std::abs(x1 - x2), h);
    if (!FillBand(image, band, kWaveSelection.rgb()))
      paint([&](QPainter& painter) { painter.fillRect(band, kWaveSelection); });
  }

  const std::vector<QPoint> points = WaveformPoints(doc, zoom, scroll, w, h);
  const int count = static_cast<int>(points.size());
  if (count > 1 && !DrawThinPolyline(image, points.data(), count, kWaveLine.rgb())) {
    paint([&](QPainter& painter) {
      painter.setPen(QPen(kWaveLine, 0));
      painter.drawPolyline(points.data(), count);
    });
  }

  const int marker = ClampColumn(ColumnOfMark(doc.SelEnd, zoom, scroll), w);
  const QPoint markerLine[] = {{marker, 0}, {marker, h - 1}};
  if (h < 2 || !DrawThinPolyline(image, markerLine, 2, kWaveMarker.rgb())) {
    paint([&](QPainter& painter) {
      painter.setPen(QPen(kWaveMarker, 0));
      painter.drawLine(markerLine[0], markerLine[1]);
    });
  }
}

}  // namespace sonavix
