#include "view/time_scale.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>

namespace sonavix {

namespace {

constexpr std::int64_t kMostMilliseconds = std::int64_t{100} * 3600 * 1000;

// "1:02:03" or "2:03" from whole seconds.
std::string WholeClock(std::int64_t seconds) {
  char text[48];
  if (seconds >= 3600)
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
                  static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
  else
    std::snprintf(text, sizeof text, "%lld:%02lld", static_cast<long long>(seconds / 60),
                  static_cast<long long>(seconds % 60));
  return text;
}

// The clock of `ms` milliseconds with `digits` (0 ... 3) of the fraction.
std::string ClockOf(std::int64_t ms, int digits) {
  std::string text = WholeClock(ms / 1000);
  if (digits == 0) return text;
  char fraction[8];
  std::snprintf(fraction, sizeof fraction, ",%03lld", static_cast<long long>(ms % 1000));
  return text + std::string(fraction, 1 + digits);
}

std::int64_t Milliseconds(double seconds) {
  if (!(seconds > 0)) return 0;
  return std::min<std::int64_t>(std::llround(seconds * 1000), kMostMilliseconds);
}

// Steps between labels, in milliseconds, each with the finer step of its
// short ticks.
struct Step {
  std::int64_t label, tick;
};
constexpr Step kSteps[] = {
    {1, 1},           {2, 1},           {5, 1},           {10, 2},          {20, 5},
    {50, 10},         {100, 20},        {200, 50},        {500, 100},       {1000, 200},
    {2000, 500},      {5000, 1000},     {10000, 2000},    {15000, 5000},    {30000, 5000},
    {60000, 10000},   {120000, 30000},  {300000, 60000},  {600000, 120000}, {900000, 300000},
    {1800000, 300000}, {3600000, 600000}, {7200000, 1800000}, {18000000, 3600000}, {36000000, 7200000},
};

}  // namespace

std::string ClockWithMilliseconds(double seconds) { return ClockOf(Milliseconds(seconds), 3); }

std::string LengthWithMilliseconds(double seconds) {
  const std::int64_t ms = Milliseconds(seconds);
  if (ms >= 60000) return ClockOf(ms, 3);
  char text[32];
  std::snprintf(text, sizeof text, "%lld,%03lld s", static_cast<long long>(ms / 1000),
                static_cast<long long>(ms % 1000));
  return text;
}

std::optional<double> ParseClock(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  if (text.empty()) return std::nullopt;
  // Up to three fields of digits split by ':', the last with a fraction.
  std::int64_t fields[3] = {0, 0, 0};
  int count = 0;
  std::size_t i = 0;
  double fraction = 0;
  for (;;) {
    if (i >= text.size() || !std::isdigit(static_cast<unsigned char>(text[i])) || count == 3) return std::nullopt;
    std::int64_t value = 0;
    for (int digits = 0; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i, ++digits) {
      if (digits == 9) return std::nullopt;
      value = value * 10 + (text[i] - '0');
    }
    fields[count++] = value;
    if (i == text.size()) break;
    if (text[i] == ':') {
      ++i;
      continue;
    }
    if (text[i] != ',' && text[i] != '.') return std::nullopt;
    double scale = 0.1;
    for (++i; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])) && scale > 1e-10; ++i, scale /= 10)
      fraction += (text[i] - '0') * scale;
    if (i != text.size()) return std::nullopt;
    break;
  }
  // Minutes and seconds under a larger field stay below 60.
  for (int f = 1; f < count; ++f)
    if (fields[f] >= 60) return std::nullopt;
  std::int64_t seconds = 0;
  for (int f = 0; f < count; ++f) seconds = seconds * 60 + fields[f];
  const double result = double(seconds) + fraction;
  if (result * 1000 > double(kMostMilliseconds)) return std::nullopt;
  return result;
}

std::vector<RulerTick> RulerTicks(std::int32_t rate, int channels, std::int64_t zoom, std::int64_t scroll,
                                  int width, int labelSpacing) {
  std::vector<RulerTick> ticks;
  if (rate <= 0 || channels <= 0 || zoom <= 0 || width <= 0 || scroll < 0) return ticks;
  // Samples a millisecond, as a fraction: rate * channels / 1000.
  const double columnsPerMs = double(rate) * channels / 1000.0 / double(zoom);
  const Step* step = &kSteps[std::size(kSteps) - 1];
  for (const Step& s : kSteps)
    if (double(s.label) * columnsPerMs >= labelSpacing) {
      step = &s;
      break;
    }
  const int digits = step->label % 10 != 0 ? 3 : step->label % 100 != 0 ? 2 : step->label % 1000 != 0 ? 1 : 0;
  // The first and last millisecond in view.
  const std::int64_t perSecond = std::int64_t{rate} * channels;
  const std::int64_t firstMs = (zoom * scroll * 1000) / perSecond;
  const std::int64_t lastMs = std::min<std::int64_t>((zoom * (scroll + width) * 1000) / perSecond + 1, kMostMilliseconds);
  for (std::int64_t ms = firstMs / step->tick * step->tick; ms <= lastMs; ms += step->tick) {
    // The column whose samples [zoom * c, zoom * (c + 1)) hold ms * perSecond / 1000.
    const std::int64_t column = ms * perSecond / (1000 * zoom) - scroll;
    if (column < 0) continue;
    if (column >= width) break;
    RulerTick tick;
    tick.column = static_cast<int>(column);
    tick.labelled = ms % step->label == 0;
    if (tick.labelled) tick.label = ClockOf(ms, digits);
    ticks.push_back(std::move(tick));
  }
  return ticks;
}

}  // namespace sonavix
