#pragma once
// Where an MP3 file's audio starts and what format its first frame announces.
// The conversion to WAV needs exactly this before it hands the stream to a
// decoder: the offset to read from and the channels, rate and bitrate of the
// stream. Nothing here decodes audio.

#include <cstdint>
#include <optional>

#include "document/byte_io.h"

namespace sonavix {

struct Mp3Source {
  bool riffWrapped = false;   // an MP3 stream inside a RIFF/WAVE file
  std::int64_t dataStart = 0; // where reading for the conversion starts
  int version = 0;            // header version field: 3 MPEG-1, 2 MPEG-2, 0 MPEG-2.5
  int layer = 0;              // header layer field: 1 Layer III, 2 Layer II, 3 Layer I
  int channels = 0;           // 1 or 2
  int sampleRate = 0;         // Hz
  int bitrateKbps = 0;
};

// True when the four bytes can start an audio frame: sync bits set, a known
// version (not the reserved value 1), a layer, a sampling index below 3 and
// a bitrate index below 15.
bool IsValidFrameHeader(const std::uint8_t h[4]);

// Bitrate in kbit/s for the header fields; index 0 and 15 count as 1, and a
// layer field of 0 gives 8. MPEG-1 uses its own table, every other version
// the table for the lower sampling frequencies.
int FrameBitrateKbps(int version, int layer, int bitrateIndex);

// Sample rate in Hz for the version field and sampling index; 0 when the
// pair names no rate (reserved version or index 3).
int FrameSampleRate(int version, int samplingIndex);

// Analyses the start of an MP3 file. Skips leading zero bytes and an ID3v2
// tag with its zero padding, then looks for the first valid frame header; a
// RIFF-wrapped file instead takes its format from the fmt chunk and is read
// from byte 66. Empty when no format can be found: the file is shorter than
// a header, it holds nothing but zero bytes, the ID3v2 tag runs past the end
// (or only zero bytes follow it), or no valid frame header lies before the
// end of the file.
std::optional<Mp3Source> AnalyseMp3Source(ByteSource& source);

}  // namespace sonavix
