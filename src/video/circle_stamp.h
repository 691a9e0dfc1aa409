#pragma once
// One circle of the picture, outline and fill, as QPainter draws it aliased
// with a one-pixel pen: drawn by the painter once for a size, kept as runs of
// pixels, then copied to each place with the circle's colours. All circles of
// a picture share one size, and an aliased ellipse looks the same wherever it
// lands, so the copies are the painter's own pixels without its per-shape
// cost.

#include <QImage>
#include <QRgb>
#include <vector>

namespace sonavix {

class CircleStamp {
 public:
  CircleStamp() = default;
  // A circle `size` pixels across (at least 1; a one-pixel circle is all
  // outline).
  explicit CircleStamp(int size);

  int Size() const { return size_; }

  // Draws the circle with its top left corner at (left, top) into a
  // Format_RGB32 picture, clipped to it; the colours must be opaque.
  void Draw(QImage& picture, long long left, long long top, QRgb outline, QRgb fill) const;

 private:
  struct Run {
    int row;       // from the top of the circle
    int from, to;  // columns from its left edge, to excluded
    bool outline;
  };
  int size_ = 0;
  std::vector<Run> runs_;
};

}  // namespace sonavix
