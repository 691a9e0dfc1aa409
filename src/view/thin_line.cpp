#include "view/thin_line.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <utility>

namespace sonavix {

namespace {

// Coordinates are in 26.6 fixed point (64 to a pixel) at the ends of a stroke
// and 16.16 along it, as in the painter, so every rounding lands the same way.
constexpr int kLimit = 1 << 15;  // larger images go to QPainter

enum Direction { kNone = 0, kDown = 1, kUp = 2, kRight = 4, kLeft = 8, kVertical = 3, kHorizontal = 12 };
enum Caps { kNoCaps = 0, kCapBegin = 1, kCapEnd = 2 };

struct Pixel {
  int x, y;
};

int SwapCaps(int caps) { return ((caps & kCapBegin) << 1) | ((caps & kCapEnd) >> 1); }

// Step per pixel along the long axis, 16.16.
int Step(int along, int across) { return static_cast<int>((std::int64_t{along} * 65536) / across); }

class ThinLine {
 public:
  ThinLine(QImage& image, QRgb colour)
      : bits_(image.bits()), stride_(image.bytesPerLine()), width_(image.width()), height_(image.height()),
        colour_(colour) {}

  // One stroke; false when it set no pixel, so that the polyline keeps its
  // start point for the next stroke.
  bool Stroke(double x1, double y1, double x2, double y2, int caps);

 private:
  void Set(int x, int y) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    reinterpret_cast<std::uint32_t*>(bits_ + static_cast<std::ptrdiff_t>(y) * stride_)[x] = colour_;
  }
  bool ClipRows(double& y1, double& y2) const;
  // The stroke along its long axis `a` (y for steep strokes, x for flat
  // ones), with `b` the other axis.
  template <bool kSteep>
  bool Walk(int a1, int b1, int a2, int b2, int caps);

  std::uint8_t* bits_;
  qsizetype stride_;
  int width_, height_;
  std::uint32_t colour_;
  Pixel last_{INT_MIN, INT_MIN};  // the previous stroke's final pixel
  int lastDirection_ = kNone;
  bool lastAxisAligned_ = false;
};

// The painter clips to one pixel beyond the image at the top and two below.
// Only vertical strokes leave the rows (see DrawThinPolyline), so clipping
// moves an end along its own column.
bool ThinLine::ClipRows(double& y1, double& y2) const {
  const double top = -1;
  const double bottom = height_ + 1;
  if (y1 < top) {
    if (y2 <= top) return true;
    y1 = top;
  } else if (y1 > bottom) {
    if (y2 >= bottom) return true;
    y1 = bottom;
  }
  y2 = std::clamp(y2, top, bottom);
  return false;
}

bool ThinLine::Stroke(double x1, double y1, double x2, double y2, int caps) {
  if (ClipRows(y1, y2)) {
    last_.x = INT_MIN;
    return true;
  }
  const int fx1 = static_cast<int>(x1 * 64), fy1 = static_cast<int>(y1 * 64);
  const int fx2 = static_cast<int>(x2 * 64), fy2 = static_cast<int>(y2 * 64);
  if (std::abs(fx2 - fx1) < std::abs(fy2 - fy1)) return Walk<true>(fy1, fx1, fy2, fx2, caps);
  if (fx1 == fx2) return false;  // a single point draws nothing
  return Walk<false>(fx1, fy1, fx2, fy2, caps);
}

template <bool kSteep>
bool ThinLine::Walk(int a1, int b1, int a2, int b2, int caps) {
  const auto toXY = [](int a, int b) { return kSteep ? Pixel{b, a} : Pixel{a, b}; };
  int direction = kSteep ? kDown : kRight;
  bool swapped = false;
  if (a1 > a2) {
    swapped = true;
    std::swap(a1, a2);
    std::swap(b1, b2);
    caps = SwapCaps(caps);
    direction = kSteep ? kUp : kLeft;
  }
  const int step = Step(b2 - b1, a2 - a1);
  int b = b1 * (1 << 10);

  // Turning straight back along the same axis: a half-pixel cap, so the
  // turning point is not lost.
  if ((lastDirection_ ^ (kSteep ? kVertical : kHorizontal)) == direction) caps |= swapped ? kCapEnd : kCapBegin;
  if (caps & kCapBegin) {
    a1 -= 32;
    b -= step >> 1;
  }
  if (caps & kCapEnd) a2 += 32;

  int a = (a1 + 32) >> 6;
  int end = (a2 + 32) >> 6;
  const int round = step > 0 ? 32 : 0;
  const Pixel lastOnAxis = kSteep ? Pixel{last_.y, last_.x} : last_;
  if ((caps & kCapBegin) && lastOnAxis.x == a + 1) ++a;
  if (a == end) return false;

  b += ((a * (1 << 6)) + round - a1) * step >> 6;
  Pixel first = toXY(a, b >> 16);
  Pixel final = toXY(end - 1, (b + (end - a - 1) * step) >> 16);
  if (swapped) std::swap(first, final);

  // Joins with the previous stroke: no pixel twice, no gap at a corner.
  const bool axisAligned = std::abs(step) < (1 << 14);
  if (last_.x > INT_MIN) {
    const int gapX = std::abs(last_.x - first.x);
    const int gapY = std::abs(last_.y - first.y);
    if (gapX == 0 && gapY == 0) {
      if (swapped) {
        --end;
      } else {
        ++a;
        b += step;
      }
    } else if (lastDirection_ != direction &&
               ((axisAligned && lastAxisAligned_ && gapX != 0 && gapY != 0) || gapX > 1 || gapY > 1)) {
      if (swapped) {
        ++end;
      } else {
        --a;
        b -= step;
      }
    } else if (lastDirection_ == direction && gapX <= 1 && gapY > 1) {  // the painter's test, both ways
      b += step >> 1;
      if (swapped) (kSteep ? final.x : final.y) = b >> 16;
    }
  }
  lastDirection_ = direction;
  lastAxisAligned_ = axisAligned;

  do {
    const Pixel p = toXY(a, b >> 16);
    Set(p.x, p.y);
    b += step;
  } while (++a < end);
  last_ = final;
  return true;
}

}  // namespace

bool DrawsDirectly(const QImage& image) {
  const QImage::Format format = image.format();
  return format == QImage::Format_RGB32 || format == QImage::Format_ARGB32 ||
         format == QImage::Format_ARGB32_Premultiplied;
}

bool DrawThinPolyline(QImage& image, const QPoint* points, int count, QRgb colour) {
  if (!DrawsDirectly(image) || image.width() >= kLimit || image.height() >= kLimit) return false;
  const auto inRows = [&](const QPoint& p) { return p.y() >= 0 && p.y() < image.height(); };
  for (int i = 0; i < count; ++i) {
    const QPoint& p = points[i];
    if (p.x() < 0 || p.x() >= image.width()) return false;
    // A slanting stroke that leaves the rows would be clipped differently.
    if (i > 0 && !(inRows(p) && inRows(points[i - 1])) && p.x() != points[i - 1].x()) return false;
  }
  if (count < 2) return true;

  ThinLine line(image, qRgba(qRed(colour), qGreen(colour), qBlue(colour), 255));
  int caps = kCapBegin;
  QPoint from = points[0];
  for (int i = 1; i < count; ++i) {
    if (i == count - 1) caps |= kCapEnd;
    const QPoint to = points[i];
    const bool drew = line.Stroke(from.x(), from.y(), to.x(), to.y(), caps);
    // A stroke that set no pixel keeps its start for the next, except at the
    // polyline's ends.
    if (drew || i == 1 || i == count - 1) from = to;
    caps = kNoCaps;
  }
  return true;
}

}  // namespace sonavix
