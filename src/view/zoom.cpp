#include "view/zoom.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace sonavix {

std::int64_t LimitZoom(double value) {
  if (std::isnan(value)) return kMinZoom;
  const double limited = std::clamp(value, double(kMinZoom), double(kMaxZoom));
  return static_cast<std::int64_t>(std::nearbyint(limited));  // ties to even
}

std::int64_t ParseZoomText(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  std::int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || end != text.data() + text.size()) return 1;
  if (error == std::errc::result_out_of_range)
    return text.front() == '-' ? std::numeric_limits<std::int32_t>::min()
                               : std::numeric_limits<std::int32_t>::max();
  return value;
}

std::int64_t UsableZoom(std::int64_t fieldValue) {
  return std::clamp<std::int64_t>(fieldValue, kMinZoom, std::numeric_limits<std::int32_t>::max());
}

double ZoomSmaller(std::int64_t fieldValue) { return double(fieldValue) * 1.5; }
double ZoomLarger(std::int64_t fieldValue) { return double(fieldValue) / 1.5; }

std::int64_t WholeFileZoom(std::int32_t sampleCount, int viewWidth) {
  return viewWidth > 0 ? sampleCount / viewWidth : sampleCount;
}

int ScrollMaximum(std::int32_t sampleCount, int viewWidth, std::int64_t zoom) {
  zoom = UsableZoom(zoom);
  const std::int64_t m = (std::int64_t{sampleCount} - std::int64_t{viewWidth} * zoom) / zoom;
  return m <= 0 ? 1 : static_cast<int>(m);
}

int RescaledScrollPosition(int position, int oldMaximum, int newMaximum) {
  if (oldMaximum <= 0) return std::min(position, newMaximum);
  return static_cast<int>(std::int64_t{position} * newMaximum / oldMaximum);
}

std::int32_t MarkAtColumn(std::int32_t sampleCount, std::int64_t zoom, std::int64_t scroll, int x) {
  zoom = UsableZoom(zoom);
  std::int64_t m = zoom * x + zoom * scroll;
  if (m < 0) m = 0;
  if (m >= sampleCount) m = std::int64_t{sampleCount} - 1;
  return static_cast<std::int32_t>(m);
}

std::int64_t SelectionZoom(const AudioDocument& doc, int viewWidth) {
  const std::int64_t d = std::llabs(std::int64_t{doc.SelEnd} - doc.SelStart);
  return viewWidth > 0 ? d / viewWidth : d;
}

std::int64_t SelectionScroll(const AudioDocument& doc, std::int64_t zoom) {
  return std::min(doc.SelStart, doc.SelEnd) / UsableZoom(zoom);
}

}  // namespace sonavix
