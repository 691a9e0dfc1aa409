#pragma once
// Zoom and scroll arithmetic of the waveform view. Zoom Z counts
// single-channel samples per pixel column; scroll position P is the first
// column shown, so the first sample shown is Z * P.

#include <cstdint>
#include <string_view>

#include "document/audio_document.h"

namespace sonavix {

inline constexpr std::int64_t kMinZoom = 1;
inline constexpr std::int64_t kMaxZoom = 1'000'000;
inline constexpr std::int64_t kInitialZoom = 100;
inline constexpr int kInitialScrollMaximum = 100;

// A value set on the zoom field by a command or its arrows: limited to
// 1 ... 1 000 000, then rounded to the nearest integer, a tie to the even one.
std::int64_t LimitZoom(double value);

// The value of the zoom field's text as typed: a whole number (saturated far
// outside the field's range), or 1 when the text is not a number.
std::int64_t ParseZoomText(std::string_view text);

// The zoom the view and the mouse work with: the field's value as typed,
// above the field's range too (the field limits it only when it loses the
// focus). While the user types, the field may briefly hold 0 or a negative
// number; the view then uses 1, so that nothing is ever divided by less than
// 1. Values past the largest sound's sample count all show the same (the
// first sample in the first column), so the arithmetic stops there.
std::int64_t UsableZoom(std::int64_t fieldValue);

// New field values of the zoom commands, before limiting.
double ZoomSmaller(std::int64_t fieldValue);  // "Kleiner": more samples per column
double ZoomLarger(std::int64_t fieldValue);   // "Größer": fewer samples per column
std::int64_t WholeFileZoom(std::int32_t sampleCount, int viewWidth);

// Maximum of the scroll bar for a sound of n samples in a view W columns wide
// at zoom Z: the columns left once the first view is full, and never below 1.
int ScrollMaximum(std::int32_t sampleCount, int viewWidth, std::int64_t zoom);

// Keeps the view at the same relative place when the scroll range changes
// from oldMaximum to newMaximum.
int RescaledScrollPosition(int position, int oldMaximum, int newMaximum);

// Mark under a pointer at column x: Z * x + Z * P, kept inside
// 0 ... sampleCount - 1 (which is -1 for an empty sound).
std::int32_t MarkAtColumn(std::int32_t sampleCount, std::int64_t zoom, std::int64_t scroll, int x);

// "Zoom auf Auswahl": the zoom that fits the selection into the view width
// (before limiting), and the scroll position that puts the selection's first
// mark at the left edge once the zoom is known.
std::int64_t SelectionZoom(const AudioDocument& doc, int viewWidth);
std::int64_t SelectionScroll(const AudioDocument& doc, std::int64_t zoom);

}  // namespace sonavix
