#pragma once
// Where an MP3 file's audio starts and what format its first frame announces.
// The conversion to WAV needs exactly this before it hands the stream to a
// decoder: the offset to read from and the channels, rate and bitrate of the
// stream. Nothing here decodes audio.

#include <cstdint>
#include <optional>

#include "document/byte_io.h"
#include "document/mpeg_audio_header.h"

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

// Analyses the start of an MP3 file. Skips leading zero bytes and an ID3v2
// tag with its zero padding, then looks for the first valid frame header; a
// RIFF-wrapped file instead takes its format from the fmt chunk and is read
// from byte 66. Empty when no format can be found: the file is shorter than
// a header, it holds nothing but zero bytes, the ID3v2 tag runs past the end
// (or only zero bytes follow it), or no valid frame header lies before the
// end of the file.
std::optional<Mp3Source> AnalyseMp3Source(ByteSource& source);

}  // namespace sonavix
