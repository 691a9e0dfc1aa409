#pragma once
// Long work, told to the user: how much time is left, how often to say so,
// and the plain forms of times and sizes that go into such texts.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace sonavix {

// Seconds on a monotonic clock.
using SecondsClock = std::function<double()>;
double SteadySeconds();

// A time as a clock shows it: "0:07", "3:21", "1:02:03". Parts of a second
// are dropped; negative times read as 0:00.
std::string FormatClock(double seconds);

// " – noch 0:12" (rounded up, so that it never says 0:00 while work
// remains), or nothing while no estimate is to be had.
std::string TimeLeftPhrase(std::optional<double> secondsLeft);

// A file size in decimal units with a German decimal comma: "812 Bytes",
// "14 kB", "4,2 MB", "48 MB", "1,3 GB".
std::string FormatFileSize(std::int64_t bytes);

// Seconds to a tenth, with the German decimal comma: "0,5 s".
std::string TenthsOfSeconds(double seconds);

// A whole number with its thousands apart, as German text sets them:
// "96 000", "2 147 483 647".
std::string GroupedNumber(std::int64_t value);

// Estimates the time left from the time spent so far and the share done.
class TimeLeft {
 public:
  explicit TimeLeft(SecondsClock clock = SteadySeconds);
  // Seconds left once `fraction` (0 ... 1) of the work is done; empty while
  // too little has been seen to say (less than half a second of work).
  std::optional<double> Estimate(double fraction) const;
  double Elapsed() const;

 private:
  SecondsClock clock_;
  double start_;
};

// Lets a report through at most once per interval, so that telling the
// user about the work never costs the work anything noticeable.
class ReportGate {
 public:
  explicit ReportGate(double intervalSeconds = 0.25, SecondsClock clock = SteadySeconds);
  // True for the first call and then once the interval has passed.
  bool Due();

 private:
  SecondsClock clock_;
  double interval_;
  std::optional<double> last_;
};

}  // namespace sonavix
