// The stamped circles against the painter's own ellipses.

#include "video/circle_stamp.h"

#include <gtest/gtest.h>

#include <QPainter>
#include <random>

namespace sonavix {
namespace {

// Every size the pictures use (400 wide gives 20, 1920 gives 96), at places
// inside, across every edge and far outside, over a background the circles
// must leave alone.
TEST(videoCircleStamp, SamePixelsAsThePainter) {
  std::mt19937 random(96);
  const auto below = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  for (int size = 1; size <= 100; ++size) {
    const CircleStamp stamp(size);
    ASSERT_EQ(stamp.Size(), size);
    QImage stamped(3 * size + 7, 2 * size + 5, QImage::Format_RGB32);
    for (int y = 0; y < stamped.height(); ++y)
      for (int x = 0; x < stamped.width(); ++x) stamped.setPixel(x, y, qRgb(x & 0xFF, y & 0xFF, 7));
    QImage painted = stamped.copy();
    QPainter painter(&painted);
    painter.setRenderHint(QPainter::Antialiasing, false);
    for (int i = 0; i < 12; ++i) {
      const int left = below(stamped.width() + 2 * size) - size - 1 + (i == 11 ? 1'000'000 : 0);
      const int top = below(stamped.height() + 2 * size) - size - 1;
      const QRgb outline = qRgb(below(196), below(127), 255);
      const QRgb fill = qRgb(below(196), below(127), 255);
      stamp.Draw(stamped, left, top, outline, fill);
      if (size == 1) {
        painter.fillRect(left, top, 1, 1, QColor::fromRgb(outline));
        continue;
      }
      painter.setPen(QPen(QColor::fromRgb(outline), 1));
      painter.setBrush(QColor::fromRgb(fill));
      painter.drawEllipse(QRect(left, top, size - 1, size - 1));
    }
    painter.end();
    ASSERT_EQ(stamped, painted) << "size " << size;
  }
}

}  // namespace
}  // namespace sonavix
