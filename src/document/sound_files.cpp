#include "document/sound_files.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>

#include "document/wave_file.h"

namespace sonavix {

bool IsMp3FileName(const std::string& path) {
  const std::string ext = ".mp3";
  if (path.size() < ext.size()) return false;
  return std::equal(ext.begin(), ext.end(), path.end() - static_cast<std::ptrdiff_t>(ext.size()),
                    [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); });
}

namespace {

// Removes the temporary WAV file of an MP3 import however the open ends.
class TempFile {
 public:
  TempFile() = default;
  explicit TempFile(std::string path) : path_(std::move(path)) {}
  ~TempFile() {
    if (!path_.empty()) ::unlink(path_.c_str());
  }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace

bool OpenSoundFile(AudioDocument& doc, const std::string& path, Mp3Decoder* mp3) {
  const bool viaMp3 = mp3 && IsMp3FileName(path);
  const TempFile temp(viaMp3 ? UniqueTempFileName("tempwav", ".wav") : std::string());
  if (viaMp3) mp3->ConvertToWave(path, temp.path());
  std::optional<WaveData> wave = ReadWaveFile(viaMp3 ? temp.path() : path);
  if (wave) ReplaceBlock(doc, std::move(wave->block), wave->format);
  doc.SelStart = 0;
  doc.SelEnd = 0;
  return wave.has_value();
}

bool SaveSoundFile(const AudioDocument& doc, const std::string& path) {
  return WriteWaveFile(path, doc.SampleData.get(), doc.DataSize, doc.SampleRate, doc.IsStereo,
                       doc.Is16Bit);
}

}  // namespace sonavix
