#include "document/work_progress.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <utility>

namespace sonavix {

double SteadySeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

std::string FormatClock(double seconds) {
  const auto whole = seconds > 0 && std::isfinite(seconds) ? static_cast<long long>(seconds) : 0LL;
  char text[32];
  if (whole >= 3600)
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", whole / 3600, whole / 60 % 60, whole % 60);
  else
    std::snprintf(text, sizeof text, "%lld:%02lld", whole / 60, whole % 60);
  return text;
}

std::string TimeLeftPhrase(std::optional<double> secondsLeft) {
  if (!secondsLeft) return {};
  return " \u2013 noch " + FormatClock(std::ceil(*secondsLeft));
}

std::string FormatFileSize(std::int64_t bytes) {
  if (bytes < 1000) return std::to_string(bytes < 0 ? 0 : bytes) + " Bytes";
  static constexpr const char* kUnits[] = {"kB", "MB", "GB", "TB"};
  double value = double(bytes) / 1000;
  int unit = 0;
  while (value >= 999.5 && unit + 1 < 4) {
    value /= 1000;
    ++unit;
  }
  char text[32];
  // One decimal below ten, where it still tells something.
  if (value < 9.95) {
    const long tenths = std::lround(value * 10);
    std::snprintf(text, sizeof text, "%ld,%ld %s", tenths / 10, tenths % 10, kUnits[unit]);
  } else {
    std::snprintf(text, sizeof text, "%ld %s", std::lround(value), kUnits[unit]);
  }
  return text;
}

TimeLeft::TimeLeft(SecondsClock clock) : clock_(std::move(clock)), start_(clock_()) {}

double TimeLeft::Elapsed() const { return clock_() - start_; }

std::optional<double> TimeLeft::Estimate(double fraction) const {
  const double elapsed = Elapsed();
  if (elapsed < 0.5 || !(fraction > 0)) return std::nullopt;
  if (fraction >= 1) return 0.0;
  return elapsed * (1 - fraction) / fraction;
}

ReportGate::ReportGate(double intervalSeconds, SecondsClock clock)
    : clock_(std::move(clock)), interval_(intervalSeconds) {}

bool ReportGate::Due() {
  const double now = clock_();
  if (last_ && now - *last_ < interval_) return false;
  last_ = now;
  return true;
}

std::string TenthsOfSeconds(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f s", seconds);
  std::string result = text;
  for (char& c : result)
    if (c == '.') c = ',';
  return result;
}

std::string GroupedNumber(std::int64_t value) {
  const std::string digits = std::to_string(value < 0 ? -value : value);
  std::string grouped = value < 0 ? "-" : "";
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) grouped += ' ';
    grouped += digits[i];
  }
  return grouped;
}

}  // namespace sonavix
