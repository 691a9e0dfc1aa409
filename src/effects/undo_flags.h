#pragma once
// Two flags per sample that a command cannot be worked backwards without,
// kept eight to a byte. The samples go in pieces of kPiece; a piece's flags
// take kPieceFlagBytes: for each flag a plane whose byte j holds, in bit k,
// the flag of sample k * kPlane + j. That order lets both directions run as
// plain vector loops over whole bytes.

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace sonavix::undo_flags {

inline constexpr std::size_t kPiece = 8192;  // samples
inline constexpr std::size_t kPlane = kPiece / 8;
inline constexpr std::size_t kPieceFlagBytes = 2 * kPlane;

// The flags of one piece as bytes of 0 or 1, past its end 0.
struct PieceFlags {
  std::uint8_t first[kPiece];
  std::uint8_t second[kPiece];
};

inline void PackPlane(const std::uint8_t* __restrict flags, std::uint8_t* __restrict out) {
  // A flag of 1 negated is all ones, masked to its bit: no shift of bytes,
  // which vector units do not have.
  const auto bit = [flags](std::size_t k, std::size_t j) {
    return static_cast<std::uint8_t>(static_cast<std::uint8_t>(0u - flags[k * kPlane + j]) & (1u << k));
  };
  for (std::size_t j = 0; j < kPlane; ++j)
    out[j] = static_cast<std::uint8_t>(bit(0, j) | bit(1, j) | bit(2, j) | bit(3, j) | bit(4, j) | bit(5, j) |
                                       bit(6, j) | bit(7, j));
}

inline void Pack(const PieceFlags& flags, std::uint8_t* out) {
  PackPlane(flags.first, out);
  PackPlane(flags.second, out + kPlane);
}

inline void Unpack(const std::uint8_t* __restrict in, PieceFlags& flags) {
  std::uint8_t* __restrict first = flags.first;
  std::uint8_t* __restrict second = flags.second;
  for (std::size_t k = 0; k < 8; ++k)
    for (std::size_t j = 0; j < kPlane; ++j) {
      first[k * kPlane + j] = (in[j] >> k) & 1;
      second[k * kPlane + j] = (in[kPlane + j] >> k) & 1;
    }
}

// Bytes of flags for `samples` samples.
inline std::int64_t FlagBytes(std::int64_t samples) {
  return (samples + static_cast<std::int64_t>(kPiece) - 1) / static_cast<std::int64_t>(kPiece) *
         static_cast<std::int64_t>(kPieceFlagBytes);
}

}  // namespace sonavix::undo_flags
