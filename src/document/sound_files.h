#pragma once
// The work behind the open and save commands, apart from any window: which
// file is read (an MP3 goes through a temporary WAV file first), and how the
// document takes the result.

#include <optional>
#include <string>

#include "document/import_problem.h"
#include "document/audio_document.h"
#include "document/sound_tags.h"
#include "document/wave_file.h"

namespace sonavix {

// Decodes an MP3 file into a WAV file at a given name. It reports its own
// failures; whatever it leaves at the WAV name is then read as usual.
class Mp3Decoder {
 public:
  virtual ~Mp3Decoder() = default;
  virtual void ConvertToWave(const std::string& mp3Path, const std::string& wavePath) = 0;
};

// What an open found out besides the sound.
struct ImportReport {
  SoundTags tags;
  std::string conversion;  // what was done to fit the editor: "24 Bit → 16 Bit, ..."; empty if nothing
  ImportProblem shortfall;  // a sound that was read all the same, e.g. a file that ended early
  ImportProblem problem;    // why the file could not be read, when the decoder could say
  bool stopped = false;    // the user stopped the reading
};

// Reads every other kind of sound file (FLAC, Ogg, Opus, M4A, AIFF, deep or
// float WAV, the sound of a video, ...) straight into a block in the
// editor's formats, and the tags of any sound file.
class AudioDecoder {
 public:
  virtual ~AudioDecoder() = default;
  // Empty on failure, with report.problem set.
  virtual std::optional<WaveData> Decode(const std::string& path, ImportReport& report) = 0;
  virtual SoundTags ReadTags(const std::string& path) = 0;
};

// The temporary WAV file of an MP3 import is "<temp folder>/tempwav<N>.wav".
inline constexpr char kTempWavePrefix[] = "tempwav";

// Loads `path` into the document, replacing its sound. Which way it goes is
// judged by the file's content, not its name (see sound_kind.h): a plain
// 8/16-bit PCM WAV file is read as such; with an MP3 decoder, an MP3 file is
// converted into a temporary WAV file first, which is removed again
// afterwards; with an audio decoder, anything else is decoded by it (and
// without one read as a WAV file). With an audio decoder, the report gets
// the file's tags whichever way it went. Anything but a regular file (or a
// link to one) is refused at once. On failure the sound and format stay as
// they were. The marks go to 0 either way.
// Returns false when the file could not be read.
bool OpenSoundFile(AudioDocument& doc, const std::string& path, Mp3Decoder* mp3,
                   AudioDecoder* decoder = nullptr, ImportReport* report = nullptr);

// Writes the document's sound as a WAV file; false on failure, in which case
// an existing file of that name is left untouched.
bool SaveSoundFile(const AudioDocument& doc, const std::string& path);

}  // namespace sonavix
