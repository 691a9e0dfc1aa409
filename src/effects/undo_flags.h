#pragma once
// One or two flags per sample that a command cannot be worked backwards
// without, kept eight to a byte. The samples go in pieces of kPiece; a
// piece's flags take a plane of kPlane bytes per flag (kPieceFlagBytes for
// two), whose byte j holds, in bit k, the flag of sample k * kPlane + j. In that order the command and its undo
// set and read the flags in the same vector loop as the samples, one bit
// position at a time.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "document/sample_code.h"

namespace sonavix::undo_flags {

inline constexpr std::size_t kPiece = 8192;  // samples
inline constexpr std::size_t kPlane = kPiece / 8;
inline constexpr std::size_t kPieceFlagBytes = 2 * kPlane;

// Calls fn(i, j, bit) for the samples i < count of a piece: sample i has its
// flags in byte j of each plane, under `bit`. `samples` are the piece's
// 16-bit samples, which fn rewrites: each run of kPlane asks for the next
// one ahead, as the commands' own loops do.
// The loop runs in the build of the sample code in use; `fn` should
// capture by copy (see RunInActiveCode).
template <class Fn>
inline void ForEachSample(const std::uint8_t* samples, std::size_t count, Fn fn) {
  RunInActiveCode([=] {
    for (std::size_t k = 0; k < 8 && k * kPlane < count; ++k) {
      const std::size_t first = k * kPlane;
      const std::size_t n = std::min(kPlane, count - first);
      const std::size_t ahead = std::min(count, first + n + kPlane);
      for (std::size_t i = first + n; i < ahead; i += 32) __builtin_prefetch(samples + 2 * i, 1);
      const auto bit = static_cast<std::uint8_t>(1u << k);
      for (std::size_t j = 0; j < n; ++j) fn(first + j, j, bit);
    }
  });
}

// The bit for a flag of 0 or 1: a flag of 1 negated is all ones, masked to
// the bit (vector units have no shifts of bytes).
inline std::uint8_t Bit(std::uint8_t bit, bool flag) {
  return static_cast<std::uint8_t>(static_cast<std::uint8_t>(0u - static_cast<unsigned>(flag)) & bit);
}

// Bytes of flags for `samples` samples in `planes` planes.
inline std::int64_t FlagBytes(std::int64_t samples, int planes) {
  return (samples + static_cast<std::int64_t>(kPiece) - 1) / static_cast<std::int64_t>(kPiece) *
         static_cast<std::int64_t>(kPlane) * planes;
}

}  // namespace sonavix::undo_flags
