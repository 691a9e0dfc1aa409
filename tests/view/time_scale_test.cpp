// Times as the editor writes and reads them, and the ruler's ticks checked
// against the marks the mouse sets under each column.

#include "view/time_scale.h"

#include <gtest/gtest.h>

#include "view/zoom.h"

namespace sonavix {
namespace {

TEST(viewTimeScale, ClocksReadBackAndNonsenseIsRefused) {
  EXPECT_EQ(ClockWithMilliseconds(12.345), "0:12,345");
  EXPECT_EQ(ClockWithMilliseconds(3723.456), "1:02:03,456");
  EXPECT_EQ(LengthWithMilliseconds(7.655), "7,655 s");
  EXPECT_EQ(LengthWithMilliseconds(62.5), "1:02,500");
  const struct {
    const char* text;
    double seconds;  // below 0: refused
  } cases[] = {{"0:12,345", 12.345}, {"1:02:03,456", 3723.456}, {"12,5", 12.5}, {"12.5", 12.5}, {" 3:00 ", 180},
               {"0:60", -1},         {"1:2:3:4", -1},           {"", -1},       {"1:", -1},     {"-1", -1},
               {"1,2,3", -1},        {"9999999999", -1},        {"abc", -1},    {"101:00:00", -1}};
  for (const auto& c : cases) {
    const std::optional<double> parsed = ParseClock(c.text);
    if (c.seconds < 0) {
      EXPECT_FALSE(parsed) << c.text;
    } else {
      ASSERT_TRUE(parsed) << c.text;
      EXPECT_NEAR(*parsed, c.seconds, 1e-9) << c.text;
    }
  }
}

// Each labelled tick stands in the column whose mark lies at or before its
// time and whose next column's mark lies after it; labels never crowd.
TEST(viewTimeScale, RulerTicksStandOverTheirTimesAtEveryZoom) {
  const struct {
    std::int32_t rate;
    int channels;
    std::int64_t zoom, scroll;
  } views[] = {{44100, 2, 1, 5000}, {44100, 2, 40, 300}, {22050, 1, 2000, 7}, {48000, 2, 300000, 0}};
  const std::int32_t samples = 2'000'000'000;
  for (const auto& v : views) {
    const std::vector<RulerTick> ticks = RulerTicks(v.rate, v.channels, v.zoom, v.scroll, 680);
    int labels = 0, last = -1000;
    for (const RulerTick& tick : ticks) {
      if (!tick.labelled) continue;
      ++labels;
      EXPECT_GE(tick.column - last, 80) << tick.label;
      last = tick.column;
      const double seconds = *ParseClock(tick.label);
      const auto at = [&](int column) {
        return double(MarkAtColumn(samples, v.zoom, v.scroll, column)) / v.channels / v.rate;
      };
      EXPECT_LE(at(tick.column), seconds + 1e-9) << tick.label << " at zoom " << v.zoom;
      EXPECT_GT(at(tick.column + 1), seconds) << tick.label << " at zoom " << v.zoom;
    }
    EXPECT_GE(labels, 3) << "zoom " << v.zoom;
  }
  EXPECT_TRUE(RulerTicks(0, 2, 100, 0, 680).empty());
}

}  // namespace
}  // namespace sonavix
