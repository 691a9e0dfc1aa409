#include "video/circle_stamp.h"

#include <QPainter>
#include <algorithm>
#include <cstdint>

namespace sonavix {

namespace {

constexpr QRgb kEmpty = 0xFF000000u;
constexpr QRgb kOutline = 0xFFFF0000u;
constexpr QRgb kFill = 0xFF0000FFu;
constexpr int kMargin = 2;  // room round the circle for any pixel the painter sets outside its size

}  // namespace

CircleStamp::CircleStamp(int size) : size_(std::max(size, 1)) {
  if (size_ == 1) {
    runs_.push_back({0, 0, 1, true});
    return;
  }
  const int side = size_ + 2 * kMargin;
  QImage sheet(side, side, QImage::Format_RGB32);
  sheet.fill(kEmpty);
  {
    QPainter painter(&sheet);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(QColor::fromRgb(kOutline), 1));
    painter.setBrush(QColor::fromRgb(kFill));
    // An aliased ellipse with a one-pixel pen covers one pixel more than its
    // rectangle's width and height: size pixels across.
    painter.drawEllipse(QRect(kMargin, kMargin, size_ - 1, size_ - 1));
  }
  for (int y = 0; y < side; ++y) {
    const auto* row = reinterpret_cast<const QRgb*>(sheet.constScanLine(y));
    for (int x = 0; x < side;) {
      const QRgb colour = row[x];
      int end = x + 1;
      while (end < side && row[end] == colour) ++end;
      if (colour != kEmpty) runs_.push_back({y - kMargin, x - kMargin, end - kMargin, colour == kOutline});
      x = end;
    }
  }
}

void CircleStamp::Draw(QImage& picture, long long left, long long top, QRgb outline, QRgb fill) const {
  const long long w = picture.width();
  const long long h = picture.height();
  if (left >= w + kMargin || top >= h + kMargin || left + size_ + kMargin <= 0 || top + size_ + kMargin <= 0) return;
  for (const Run& run : runs_) {
    const long long y = top + run.row;
    if (y < 0 || y >= h) continue;
    const long long from = std::clamp(left + run.from, 0LL, w);
    const long long to = std::clamp(left + run.to, 0LL, w);
    if (from >= to) continue;
    auto* row = reinterpret_cast<QRgb*>(picture.scanLine(static_cast<int>(y)));
    std::fill(row + from, row + to, run.outline ? outline : fill);
  }
}

}  // namespace sonavix
