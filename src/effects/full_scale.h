#pragma once
// Maximum volume's second pass, v x 32768 / peak truncated and limited to
// the 16-bit range, in 16-bit vector lanes for the wider builds: a
// multiply-high by a reciprocal gives the quotient or one more, and one
// exact check in 16-bit halves settles which. About twice as fast as the
// table lookup per sample the plain build does.

#include <cstddef>
#include <cstdint>

namespace sonavix {

// Rewrites `count` little-endian 16-bit samples at `bytes`, all within
// -peak ... peak (1 <= peak <= 32768). Returns false, having changed
// nothing, when the build in use has no such loop; the caller then looks the
// quotients up in a table.
bool ScaleToFullScaleInLanes(std::uint8_t* bytes, std::size_t count, std::int32_t peak);

// Its undo: every sample back to the value that scaled to it. The scaling
// only grows (32768 / peak >= 1), so from w = floor(v x 32768 / peak) the
// value is v = ceil(w x peak / 32768), each with its sign; the one result
// held at 32767 (from v = peak) gives peak back too. Returns false, having
// changed nothing, as above.
bool UnscaleFromFullScaleInLanes(std::uint8_t* bytes, std::size_t count, std::int32_t peak);

}  // namespace sonavix
