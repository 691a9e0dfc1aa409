#pragma once
// Drawing of the waveform strip: dark red background, the selection as a
// band, one green polyline through the first sample of each pixel column and
// a cyan marker line at SelEnd. The picture is built in an off-screen image
// that the window copies to the screen in one operation.

#include <QColor>
#include <QImage>
#include <QPoint>
#include <cstdint>
#include <vector>

#include "document/audio_document.h"

namespace sonavix {

inline const QColor kWaveBackground{96, 0, 0};
inline const QColor kWaveSelection{128, 128, 255};
inline const QColor kWaveLine{0, 255, 0};
inline const QColor kWaveMarker{0, 255, 255};

// The polyline's points: the fixed start (0, 128), then one point per column
// that still has a sample.
std::vector<QPoint> WaveformPoints(const AudioDocument& doc, std::int64_t zoom, std::int64_t scroll,
                                   int width, int height);

// Column of a mark in the current view (may lie outside 0 ... width - 1).
std::int64_t ColumnOfMark(std::int32_t mark, std::int64_t zoom, std::int64_t scroll);

// Draws the whole strip into `image` (which keeps its size).
void PaintWaveform(QImage& image, const AudioDocument& doc, std::int64_t zoom, std::int64_t scroll);

}  // namespace sonavix
