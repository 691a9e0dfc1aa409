#pragma once
// Every sound file FFmpeg reads, straight into the editor's formats: the
// first audio stream of the file (the picture of a video is left alone),
// decoded and converted as sample_conversion.h says, into one block that
// is made as large as the container announces, so that no second copy of
// the sound is ever held. A file that ends early gives what it holds and a
// warning; a sound too long for the document is refused, before decoding
// when the container says how long it is. One decoder per thread.

#include <functional>
#include <optional>
#include <string>

#include "document/sound_files.h"

namespace sonavix {

class FfmpegAudioDecoder final : public AudioDecoder {
 public:
  // `progress` hears the share decoded (0 ... 1) after every packet;
  // `stop`, when it says so, ends the decoding (nothing is read then).
  explicit FfmpegAudioDecoder(std::function<void(double)> progress = {}, std::function<bool()> stop = {});

  std::optional<WaveData> Decode(const std::string& path, ImportReport& report) override;
  SoundTags ReadTags(const std::string& path) override;

 private:
  std::function<void(double)> progress_;
  std::function<bool()> stop_;
};

// Keeps FFmpeg's own words about damaged input off standard error (the
// decoder says in German what went wrong); its encoders' stay.
void QuietReadingLogs();

}  // namespace sonavix
