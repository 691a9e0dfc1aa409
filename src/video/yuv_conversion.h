#pragma once
// The picture into the encoder's planes for the web formats: 32-bit pixels
// (blue, green, red, alpha bytes) into planar YUV 4:2:0 of the same size,
// with ITU-R BT.601 coefficients at limited range (luma 16 ... 235), the
// matrix the scaler used before for these formats; chroma is the mean of
// each 2 x 2 square. The alpha bytes go into a fourth plane when there is
// one. Runs in the widest build of the processor (sample_code.h).

#include <cstdint>

#include "video/media_writer.h"

namespace sonavix {

// `planes` and `strides`: Y, U, V and (with `alpha`) A, each as large as
// the picture (U and V half of it each way, rounded up).
void ConvertToYuv420(const MediaImage& image, std::uint8_t* const planes[4], const int strides[4], bool alpha);

// The discs' pictures (even width and height; the alpha bytes are not
// read), byte for byte as the scaler converts them with an area filter and
// full chroma input on a processor with SSE3 or later, which is what the
// discs were always made with: the same matrix, 4:2:0 chroma as the mean
// of each 2 x 2 square, in its fixed point and rounding.
void ConvertToDiscYuv420(const MediaImage& image, std::uint8_t* const planes[4], const int strides[4]);

}  // namespace sonavix
