#include "cdda/track_checksums.h"

#include <array>
#include <cstdio>

#include "cdda/scsi_commands.h"
#include "document/little_endian.h"

namespace sonavix::cdda {

namespace {

// The reflected CRC-32 of IEEE 802.3 (polynomial EDB88320), as zip and
// the rippers compute it.
constexpr std::array<std::uint32_t, 256> MakeCrcTable() {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t i = 0; i < 256; ++i) {
    std::uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[i] = c;
  }
  return table;
}
constexpr std::array<std::uint32_t, 256> kCrcTable = MakeCrcTable();

constexpr std::size_t kSkippedFrames = 5 * kFramesPerSector;

}  // namespace

std::uint32_t Crc32(const std::uint8_t* data, std::size_t size, std::uint32_t crc) {
  crc = ~crc;
  for (std::size_t i = 0; i < size; ++i) crc = kCrcTable[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

AccurateRipSums AccurateRip(const std::uint8_t* frames, std::size_t frameCount, bool firstTrack, bool lastTrack) {
  // The weights run from 1; the first track counts from weight 5 * 588 - 1,
  // the last up to the frame count less 5 * 588.
  const std::uint64_t from = firstTrack ? kSkippedFrames - 1 : 0;
  const std::uint64_t to = lastTrack ? (frameCount > kSkippedFrames ? frameCount - kSkippedFrames : 0) : frameCount;
  std::uint32_t low = 0, high = 0;
  for (std::uint64_t weight = 1; weight <= frameCount; ++weight) {
    if (weight < from || weight > to) continue;
    const std::uint64_t product = std::uint64_t{LoadLe32(frames + 4 * (weight - 1))} * weight;
    low += static_cast<std::uint32_t>(product);
    high += static_cast<std::uint32_t>(product >> 32);
  }
  return {low, low + high};
}

std::string ChecksumLine(const std::uint8_t* data, std::size_t size, bool firstTrack, bool lastTrack) {
  const AccurateRipSums sums = AccurateRip(data, size / 4, firstTrack, lastTrack);
  char text[96];
  std::snprintf(text, sizeof text, "CRC32 %08X, AccurateRip v1 %08X, v2 %08X...", Crc32(data, size), sums.v1, sums.v2);
  return text;
}

}  // namespace sonavix::cdda
