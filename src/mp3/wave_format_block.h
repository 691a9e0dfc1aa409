#pragma once
// A wave format as codec drivers exchange it: the 18-byte WAVEFORMATEX
// header (little-endian) followed by format-specific bytes, in a fixed
// 129-byte area. Drivers read only as much of it as the format tag needs.

#include <array>
#include <cstddef>
#include <cstdint>

#include "document/little_endian.h"

namespace sonavix {

inline constexpr std::size_t kFormatBlockSize = 129;
inline constexpr std::size_t kWaveFormatHeaderSize = 18;
inline constexpr std::uint16_t kWaveFormatPcm = 0x0001;
inline constexpr std::uint16_t kWaveFormatMpegLayer3 = 0x0055;

struct WaveFormatBlock {
  std::array<std::uint8_t, kFormatBlockSize> bytes{};

  std::uint16_t FormatTag() const { return LoadLe16(&bytes[0]); }
  std::uint16_t Channels() const { return LoadLe16(&bytes[2]); }
  std::uint32_t SamplesPerSec() const { return LoadLe32(&bytes[4]); }
  std::uint32_t AvgBytesPerSec() const { return LoadLe32(&bytes[8]); }
  std::uint16_t BlockAlign() const { return LoadLe16(&bytes[12]); }
  std::uint16_t BitsPerSample() const { return LoadLe16(&bytes[14]); }
  std::uint16_t CbSize() const { return LoadLe16(&bytes[16]); }

  void SetFormatTag(std::uint16_t v) { StoreLe16(&bytes[0], v); }
  void SetChannels(std::uint16_t v) { StoreLe16(&bytes[2], v); }
  void SetSamplesPerSec(std::uint32_t v) { StoreLe32(&bytes[4], v); }
  void SetAvgBytesPerSec(std::uint32_t v) { StoreLe32(&bytes[8], v); }
  void SetBlockAlign(std::uint16_t v) { StoreLe16(&bytes[12], v); }
  void SetBitsPerSample(std::uint16_t v) { StoreLe16(&bytes[14], v); }
  void SetCbSize(std::uint16_t v) { StoreLe16(&bytes[16], v); }

  // The MPEG layer-3 fields that follow the header (MPEGLAYER3WAVEFORMAT).
  std::uint16_t Mp3Id() const { return LoadLe16(&bytes[18]); }
  std::uint32_t Mp3Flags() const { return LoadLe32(&bytes[20]); }
  std::uint16_t Mp3BlockSize() const { return LoadLe16(&bytes[24]); }
  std::uint16_t Mp3FramesPerBlock() const { return LoadLe16(&bytes[26]); }
  std::uint16_t Mp3CodecDelay() const { return LoadLe16(&bytes[28]); }
  void SetMp3Fields(std::uint16_t id, std::uint32_t flags, std::uint16_t blockSize,
                    std::uint16_t framesPerBlock, std::uint16_t codecDelay) {
    StoreLe16(&bytes[18], id);
    StoreLe32(&bytes[20], flags);
    StoreLe16(&bytes[24], blockSize);
    StoreLe16(&bytes[26], framesPerBlock);
    StoreLe16(&bytes[28], codecDelay);
  }

  bool operator==(const WaveFormatBlock&) const = default;
};

// Size of an MPEGLAYER3WAVEFORMAT: the header and its 12 bytes of extra fields.
inline constexpr std::size_t kMpegLayer3FormatSize = kWaveFormatHeaderSize + 12;

}  // namespace sonavix
