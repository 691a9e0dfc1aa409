#include "document/sound_files.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>

#include "document/temp_files.h"
#include "document/wave_file.h"

namespace sonavix {

bool IsMp3FileName(const std::string& path) {
  const std::string ext = ".mp3";
  if (path.size() < ext.size()) return false;
  return std::equal(ext.begin(), ext.end(), path.end() - static_cast<std::ptrdiff_t>(ext.size()),
                    [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); });
}

namespace {

std::optional<WaveData> ReadSound(const std::string& path, Mp3Decoder* mp3) {
  // Only regular files: a FIFO or a device would hold the program up until
  // something writes into it.
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  if (!mp3 || !IsMp3FileName(path)) return ReadWaveFile(path);
  const TempFile temp(kTempWavePrefix, ".wav");
  if (!temp.ok()) return std::nullopt;
  mp3->ConvertToWave(path, temp.path());
  return ReadWaveFile(temp.path());
}

}  // namespace

bool OpenSoundFile(AudioDocument& doc, const std::string& path, Mp3Decoder* mp3) {
  std::optional<WaveData> wave = ReadSound(path, mp3);
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
