#pragma once
// A one-pixel polyline drawn straight into a 32-bit image, pixel for pixel as
// QPainter draws it with a cosmetic pen (width 0, square caps, no
// antialiasing), but without the painter's span machinery: the waveform's
// 668 steep strokes take a few dozen microseconds instead of several hundred.

#include <QImage>
#include <QPoint>
#include <QRgb>

namespace sonavix {

// Whether the image's pixels are 32-bit words that an opaque colour is
// written to as is: the formats the direct drawing here takes on.
bool DrawsDirectly(const QImage& image);

// Draws the polyline through `points` in the opaque colour `colour`. Every
// point's x must lie within the image's columns, and a stroke may leave the
// rows only if it is vertical (it is clipped as the painter clips it). Returns
// false, having drawn nothing, for other polylines and for images that
// DrawsDirectly refuses; the caller then draws with QPainter.
bool DrawThinPolyline(QImage& image, const QPoint* points, int count, QRgb colour);

}  // namespace sonavix
