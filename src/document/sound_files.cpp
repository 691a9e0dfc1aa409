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

bool OpenSoundFile(AudioDocument& doc, const std::string& path, Mp3Decoder* mp3) {
  std::string source = path;
  std::string temp;
  if (mp3 && IsMp3FileName(path)) {
    temp = UniqueTempFileName("tempwav", ".wav");
    mp3->ConvertToWave(path, temp);
    source = temp;
  }
  std::optional<WaveData> wave;
  try {
    wave = ReadWaveFile(source);
  } catch (...) {
    if (!temp.empty()) ::unlink(temp.c_str());
    throw;
  }
  if (!temp.empty()) ::unlink(temp.c_str());
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
