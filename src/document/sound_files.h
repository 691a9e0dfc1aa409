#pragma once
// The work behind the open and save commands, apart from any window: which
// file is read (an MP3 goes through a temporary WAV file first), and how the
// document takes the result.

#include <string>

#include "document/audio_document.h"

namespace sonavix {

// Decodes an MP3 file into a WAV file at a given name. It reports its own
// failures; whatever it leaves at the WAV name is then read as usual.
class Mp3Decoder {
 public:
  virtual ~Mp3Decoder() = default;
  virtual void ConvertToWave(const std::string& mp3Path, const std::string& wavePath) = 0;
};

// The temporary WAV file of an MP3 import is "<temp folder>/tempwav<N>.wav".
inline constexpr char kTempWavePrefix[] = "tempwav";

// Loads `path` into the document, replacing its sound. With a decoder, a
// file that holds MP3 (judged by its content, see sound_kind.h, not by its
// name) is converted into a temporary WAV file first, which is removed
// again afterwards; anything else is read as a WAV file. Anything but a regular
// file (or a link to one) is refused at once. On failure the sound and
// format stay as they were. The marks go to 0 either way.
// Returns false when the file could not be read.
bool OpenSoundFile(AudioDocument& doc, const std::string& path, Mp3Decoder* mp3);

// Writes the document's sound as a WAV file; false on failure, in which case
// an existing file of that name is left untouched.
bool SaveSoundFile(const AudioDocument& doc, const std::string& path);

}  // namespace sonavix
