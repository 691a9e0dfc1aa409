#pragma once
// Which reader a sound file goes to, judged by what it holds and not by
// its name: WAV data named ".mp3" is read as WAV, an MP3 named ".wav" is
// decoded as MP3.

#include <string>

#include "document/byte_io.h"

namespace sonavix {

enum class SoundFileKind { Wave, Mp3, Other };

// Wave for a RIFF/WAVE file (found as the WAV reader finds it) of plain
// PCM, one or two channels of 8 or 16 bits: the WAV reader's own.
// Mp3 for
// - a RIFF/WAVE file (found as the WAV reader finds it) whose format is
//   MPEG audio: an MP3 in a WAV wrapper;
// - an ID3v2 tag at the start (after any zero bytes);
// - within the first 64 KB after the zero bytes, a frame header whose next
//   frame starts with a header of the same version, layer and rate (or
//   where the file ends).
// Other for everything else (FLAC, Ogg, AIFF, a WAV of 24 bits or floats,
// or no sound at all): a decoder of every format judges it.
SoundFileKind DetectSoundFileKind(ByteSource& source);

// The same for a file on disk; Other when it cannot be read.
SoundFileKind DetectSoundFileKind(const std::string& path);

}  // namespace sonavix
