#pragma once
// Reading and writing uncompressed PCM WAV files (one or two channels, 8 or
// 16 bits). The header written is always the plain 44-byte one.

#include <cstdint>
#include <optional>
#include <string>

#include "document/audio_document.h"
#include "document/byte_io.h"

namespace sonavix {

struct WaveData {
  SampleBlock block;
  SoundFormat format;
};

// The first 16 bytes of a "fmt " chunk.
struct WaveFormatHeader {
  std::uint16_t wFormatTag = 0;
  std::uint16_t nChannels = 0;
  std::uint32_t nSamplesPerSec = 0;
  std::uint32_t nAvgBytesPerSec = 0;
  std::uint16_t nBlockAlign = 0;
  std::uint16_t wBitsPerSample = 0;
};

WaveFormatHeader MakeFormatHeader(SoundFormat format);

// Reads a RIFF/WAVE stream. Empty on any fault: no RIFF/WAVE, no or short
// "fmt ", a format other than 8/16-bit mono/stereo PCM, no or empty "data", a
// "data" chunk larger than the document can hold, or fewer bytes than it
// declares. Throws std::bad_alloc if the block cannot be allocated.
std::optional<WaveData> ReadWave(ByteSource& source);
std::optional<WaveData> ReadWaveFile(const std::string& path);

// Writes the 44-byte header and the samples.
bool WriteWave(ByteSink& sink, const std::uint8_t* data, std::int32_t size, SoundFormat format);

// Writes a WAV file so that an existing file of that name is replaced only
// once the new one is complete: on any failure the old file stays as it was
// and no partial file is left behind.
bool WriteWaveFile(const std::string& path, const std::uint8_t* data, std::int32_t size,
                   std::int32_t sampleRate, bool isStereo, bool is16Bit);

}  // namespace sonavix
