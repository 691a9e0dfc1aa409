#pragma once
// Times in the sound as the editor shows them and takes them typed: the
// ruler over the waveform, the position and selection in the status bar,
// and the "Auswahl..." dialog. German style: a decimal comma.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sonavix {

// "0:12,345"; "1:02:03,456" from an hour on.
std::string ClockWithMilliseconds(double seconds);

// A length: "7,655 s" below a minute, else as ClockWithMilliseconds.
std::string LengthWithMilliseconds(double seconds);

// Seconds from "m:ss,mmm", "h:mm:ss,mmm" or plain seconds "12,5"; a point
// does as well as the comma, the fraction may be left out. Empty for
// anything else (and for more than 100 hours).
std::optional<double> ParseClock(std::string_view text);

// One mark of the ruler, at a pixel column of the waveform view.
struct RulerTick {
  int column = 0;
  bool labelled = false;  // a long tick with its time written beside it
  std::string label;      // "0:05", "0:05,5", "0:05,25", "0:05,125"
};

// The ticks a view `width` columns wide shows at `zoom` samples a column
// from scroll column `scroll`, for a sound of `rate` frames a second and
// `channels` interleaved samples a frame. A tick at time t stands in the
// column whose samples reach over t: the mark under that column lies at or
// before t, the next column's after it. Labels stand at least
// `labelSpacing` columns apart; none when the sound has no rate.
std::vector<RulerTick> RulerTicks(std::int32_t rate, int channels, std::int64_t zoom, std::int64_t scroll,
                                  int width, int labelSpacing = 80);

}  // namespace sonavix
