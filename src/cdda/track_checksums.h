#pragma once
// The checksums people compare a read track with: its CRC32 (over the
// audio bytes, as rippers show it) and its AccurateRip checksums v1 and v2
// (over the stereo frames as 32-bit words, each weighted by its place; on
// the disc's first track the first five sectors but one frame, on its last
// audio track the last five sectors are left out, as the database does).
// No drive offset is applied: the sums are of the bytes as read.

#include <cstddef>
#include <cstdint>
#include <string>

namespace sonavix::cdda {

std::uint32_t Crc32(const std::uint8_t* data, std::size_t size, std::uint32_t crc = 0);

struct AccurateRipSums {
  std::uint32_t v1 = 0;
  std::uint32_t v2 = 0;
};
// `frames` stereo frames of 16-bit little-endian samples.
AccurateRipSums AccurateRip(const std::uint8_t* frames, std::size_t frameCount, bool firstTrack, bool lastTrack);

// "CRC32 1A2B3C4D, AccurateRip v1 0123ABCD, v2 89EF4567..." for the memo.
std::string ChecksumLine(const std::uint8_t* data, std::size_t size, bool firstTrack, bool lastTrack);

}  // namespace sonavix::cdda
