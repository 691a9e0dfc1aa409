// Telling the user about long work: clock times, file sizes, the time left
// and how often a report may go out.

#include "document/work_progress.h"

#include <gtest/gtest.h>

namespace sonavix {
namespace {

TEST(WorkProgress, ClockTimesAndSizesReadAsPeopleWriteThem) {
  EXPECT_EQ(FormatClock(0), "0:00");
  EXPECT_EQ(FormatClock(7.9), "0:07");
  EXPECT_EQ(FormatClock(201), "3:21");
  EXPECT_EQ(FormatClock(3723), "1:02:03");
  EXPECT_EQ(FormatClock(-5), "0:00");
  EXPECT_EQ(FormatFileSize(812), "812 Bytes");
  EXPECT_EQ(FormatFileSize(14'200), "14 kB");
  EXPECT_EQ(FormatFileSize(4'240'000), "4,2 MB");
  EXPECT_EQ(FormatFileSize(48'400'000), "48 MB");
  EXPECT_EQ(FormatFileSize(999'600), "1,0 MB");  // not "1000 kB"
  EXPECT_EQ(FormatFileSize(1'300'000'000), "1,3 GB");
  EXPECT_EQ(TimeLeftPhrase(std::nullopt), "");
  EXPECT_EQ(TimeLeftPhrase(11.2), " \u2013 noch 0:12");  // rounded up: never 0:00 too early
}

TEST(WorkProgress, TimeLeftWaitsForHalfASecondThenScalesTheTimeSpent) {
  double now = 100;
  const TimeLeft left([&] { return now; });
  now += 0.2;
  EXPECT_FALSE(left.Estimate(0.5));
  now += 0.8;  // one second, a quarter done: three more seconds
  ASSERT_TRUE(left.Estimate(0.25));
  EXPECT_DOUBLE_EQ(*left.Estimate(0.25), 3.0);
  EXPECT_FALSE(left.Estimate(0.0));
  EXPECT_DOUBLE_EQ(*left.Estimate(1.0), 0.0);
}

TEST(WorkProgress, AReportGoesOutAtMostOncePerInterval) {
  double now = 0;
  ReportGate gate(0.25, [&] { return now; });
  EXPECT_TRUE(gate.Due());
  now = 0.1;
  EXPECT_FALSE(gate.Due());
  now = 0.26;
  EXPECT_TRUE(gate.Due());
  now = 0.5;
  EXPECT_FALSE(gate.Due());
  now = 0.52;
  EXPECT_TRUE(gate.Due());
}

}  // namespace
}  // namespace sonavix
