// Zoom field, scroll bar and pointer arithmetic of the waveform view.

#include "view/zoom.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "view/waveform.h"

namespace sonavix {
namespace {

// Test names carry "view" so that `ctest -R view` picks them out.

constexpr std::int32_t kMaxInt = std::numeric_limits<std::int32_t>::max();

TEST(viewZoomField, LimitClampsAndRoundsHalfToEven) {
  EXPECT_EQ(LimitZoom(0.0), 1);
  EXPECT_EQ(LimitZoom(-250.0), 1);
  EXPECT_EQ(LimitZoom(2'500'000.0), 1'000'000);
  EXPECT_EQ(LimitZoom(std::numeric_limits<double>::infinity()), 1'000'000);
  EXPECT_EQ(LimitZoom(std::nan("")), 1);
  EXPECT_EQ(LimitZoom(66.6), 67);
  EXPECT_EQ(LimitZoom(2.5), 2);
  EXPECT_EQ(LimitZoom(3.5), 4);
  EXPECT_EQ(LimitZoom(150.5), 150);
}

TEST(viewZoomField, SmallerAndLargerCommands) {
  EXPECT_EQ(LimitZoom(ZoomSmaller(1)), 2);  // 1.5 goes to the even 2
  EXPECT_EQ(LimitZoom(ZoomSmaller(3)), 4);  // 4.5 goes to the even 4
  EXPECT_EQ(LimitZoom(ZoomSmaller(100)), 150);
  EXPECT_EQ(LimitZoom(ZoomSmaller(900'000)), 1'000'000);
  EXPECT_EQ(LimitZoom(ZoomLarger(100)), 67);
  EXPECT_EQ(LimitZoom(ZoomLarger(2)), 1);
  EXPECT_EQ(LimitZoom(ZoomLarger(1)), 1);

  // Pressing "Kleiner" repeatedly from the closest view.
  std::int64_t z = 1;
  const std::int64_t expected[] = {2, 3, 4, 6, 9, 14, 21, 32};
  for (std::int64_t want : expected) {
    z = LimitZoom(ZoomSmaller(z));
    EXPECT_EQ(z, want);
  }
  // ... and "Größer" back down to 1.
  const std::int64_t down[] = {667, 445, 297, 198, 132, 88, 59, 39, 26, 17, 11, 7, 5, 3, 2, 1, 1};
  z = 1000;
  for (std::int64_t want : down) {
    z = LimitZoom(ZoomLarger(z));
    EXPECT_EQ(z, want);
  }
}

TEST(viewZoomField, WholeFileZoom) {
  EXPECT_EQ(LimitZoom(double(WholeFileZoom(0, 668))), 1);
  EXPECT_EQ(LimitZoom(double(WholeFileZoom(500, 668))), 1);
  EXPECT_EQ(LimitZoom(double(WholeFileZoom(668'000, 668))), 1000);
  EXPECT_EQ(LimitZoom(double(WholeFileZoom(668'667, 668))), 1000);  // truncated, not rounded
  // One hour of 44.1 kHz stereo.
  EXPECT_EQ(WholeFileZoom(44'100 * 3600 * 2, 668), 475'329);
  EXPECT_EQ(LimitZoom(double(WholeFileZoom(kMaxInt, 1))), 1'000'000);
}

TEST(viewZoomField, TypedText) {
  EXPECT_EQ(ParseZoomText("250"), 250);
  EXPECT_EQ(ParseZoomText("1"), 1);
  EXPECT_EQ(ParseZoomText("0"), 0);
  EXPECT_EQ(ParseZoomText("-7"), -7);
  for (const char* junk : {"", "abc", "12abc", "12.5", "1e3", "0x10", "-", "1 2"})
    EXPECT_EQ(ParseZoomText(junk), 1) << '"' << junk << '"';

  const std::int64_t huge = ParseZoomText("99999999999999999999999");
  EXPECT_GE(huge, 1'000'000);
  // Typed values above the field's range are used as typed; far past any
  // sound's length they all show the same and stop growing.
  EXPECT_EQ(UsableZoom(2'500'000), 2'500'000);
  EXPECT_EQ(UsableZoom(huge), std::numeric_limits<std::int32_t>::max());
  EXPECT_EQ(UsableZoom(9'999'999'999), std::numeric_limits<std::int32_t>::max());
  EXPECT_EQ(MarkAtColumn(100, UsableZoom(9'999'999'999), 1, 600), 99);
  EXPECT_EQ(ScrollMaximum(std::numeric_limits<std::int32_t>::max(), 2000, UsableZoom(9'999'999'999)), 1);
  EXPECT_EQ(UsableZoom(ParseZoomText("-99999999999999999999999")), 1);

  // While typing, the field may hold 0 or a negative number.
  EXPECT_EQ(UsableZoom(0), 1);
  EXPECT_EQ(UsableZoom(-40), 1);
  EXPECT_EQ(UsableZoom(std::numeric_limits<std::int32_t>::min()), 1);
  EXPECT_EQ(UsableZoom(1), 1);
  EXPECT_EQ(UsableZoom(777), 777);
}

TEST(viewScrollBar, Maximum) {
  EXPECT_EQ(ScrollMaximum(1000, 668, 1), 332);
  EXPECT_EQ(ScrollMaximum(500, 668, 1), 1);  // fits entirely
  EXPECT_EQ(ScrollMaximum(668, 668, 1), 1);  // exactly one view
  EXPECT_EQ(ScrollMaximum(0, 668, 100), 1);
  EXPECT_EQ(ScrollMaximum(1'000'000, 668, 100), 9332);
  EXPECT_EQ(ScrollMaximum(1001, 10, 3), 323);  // 971 / 3, truncated
  // A zoom field holding 0 must not divide by zero.
  EXPECT_EQ(ScrollMaximum(1000, 668, 0), 332);
  EXPECT_EQ(ScrollMaximum(1000, 668, -3), 332);
  // W * Z beyond 32 bits.
  EXPECT_EQ(ScrollMaximum(kMaxInt, 3000, 1'000'000), 1);
  EXPECT_EQ(ScrollMaximum(kMaxInt, 2100, 1'000'000), 47);
  EXPECT_EQ(ScrollMaximum(kMaxInt, 668, 1), kMaxInt - 668);
}

TEST(viewScrollBar, RescaledPosition) {
  EXPECT_EQ(RescaledScrollPosition(50, 100, 200), 100);
  EXPECT_EQ(RescaledScrollPosition(1, 3, 2), 0);
  EXPECT_EQ(RescaledScrollPosition(2, 3, 2), 1);
  // p * m does not fit in 32 bits.
  EXPECT_EQ(RescaledScrollPosition(1'500'000'000, 2'000'000'000, 1'000'000'000), 750'000'000);
  EXPECT_EQ(RescaledScrollPosition(kMaxInt, kMaxInt, kMaxInt), kMaxInt);
}

TEST(viewPointer, MarkAtColumn) {
  EXPECT_EQ(MarkAtColumn(2000, 100, 3, 10), 1300);
  EXPECT_EQ(MarkAtColumn(1301, 100, 3, 10), 1300);
  EXPECT_EQ(MarkAtColumn(1300, 100, 3, 10), 1299);  // past the end: last sample
  EXPECT_EQ(MarkAtColumn(2000, 1, 0, 0), 0);
  EXPECT_EQ(MarkAtColumn(2000, 100, 3, -4), 0);   // dragged left of the box
  EXPECT_EQ(MarkAtColumn(2000, 100, 0, -1), 0);
  EXPECT_EQ(MarkAtColumn(0, 100, 3, 10), -1);     // empty sound
  EXPECT_EQ(MarkAtColumn(2000, 0, 3, 10), 13);    // zoom field holding 0
  // Large zoom, column and scroll position: no overflow, no wrap.
  EXPECT_EQ(MarkAtColumn(kMaxInt, 1'000'000, kMaxInt, kMaxInt), kMaxInt - 1);
  EXPECT_EQ(MarkAtColumn(kMaxInt, 1'000'000, 2000, 147), 2'147'000'000);
  EXPECT_EQ(MarkAtColumn(kMaxInt, 1'000'000, 0, -kMaxInt), 0);
}

AudioDocument Marked(std::int32_t start, std::int32_t end) {
  AudioDocument doc;
  doc.SelStart = start;
  doc.SelEnd = end;
  return doc;
}

TEST(viewSelection, ZoomAndScrollToSelection) {
  EXPECT_EQ(SelectionZoom(Marked(0, 1000), 668), 1);
  EXPECT_EQ(SelectionZoom(Marked(66'840, 40), 668), 100);  // marks in either order
  EXPECT_EQ(SelectionZoom(Marked(5000, 5000), 668), 0);
  EXPECT_EQ(LimitZoom(double(SelectionZoom(Marked(5000, 5000), 668))), 1);
  EXPECT_EQ(SelectionZoom(Marked(0, kMaxInt), 668), kMaxInt / 668);
  EXPECT_EQ(SelectionScroll(Marked(5000, 3000), 100), 30);
  EXPECT_EQ(SelectionScroll(Marked(3000, 5000), 7), 428);
  EXPECT_EQ(SelectionScroll(Marked(5000, 3000), 0), 3000);

  // After zooming to a selection its first mark lies in the first column.
  const std::int32_t selections[][2] = {
      {0, 1000}, {123'456, 7}, {99'999, 1'000'001}, {kMaxInt, kMaxInt - 5000}, {300, 300}};
  for (const auto& [a, b] : selections) {
    const AudioDocument doc = Marked(a, b);
    const std::int64_t z = LimitZoom(double(SelectionZoom(doc, 668)));
    const std::int64_t p = SelectionScroll(doc, z);
    EXPECT_EQ(ColumnOfMark(std::min(a, b), z, p), 0) << a << ' ' << b;
    EXPECT_LE(MarkAtColumn(kMaxInt, z, p, 0), std::min(a, b));
  }
}

}  // namespace
}  // namespace sonavix
