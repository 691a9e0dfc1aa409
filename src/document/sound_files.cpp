#include "document/sound_files.h"

#include <sys/stat.h>

#include "document/sound_kind.h"
#include "document/temp_files.h"
#include "document/wave_file.h"

namespace sonavix {

namespace {

std::optional<WaveData> ReadSound(const std::string& path, Mp3Decoder* mp3, AudioDecoder* decoder,
                                  ImportReport& report) {
  // Only regular files: a FIFO or a device would hold the program up until
  // something writes into it.
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  const SoundFileKind kind = DetectSoundFileKind(path);
  if (kind == SoundFileKind::Other && decoder) return decoder->Decode(path, report);
  if (decoder) report.tags = decoder->ReadTags(path);
  if (kind != SoundFileKind::Mp3 || !mp3) return ReadWaveFile(path);
  const TempFile temp(kTempWavePrefix, ".wav");
  if (!temp.ok()) return std::nullopt;
  mp3->ConvertToWave(path, temp.path());
  return ReadWaveFile(temp.path());
}

}  // namespace

bool OpenSoundFile(AudioDocument& doc, const std::string& path, Mp3Decoder* mp3, AudioDecoder* decoder,
                   ImportReport* report) {
  ImportReport ignored;
  ImportReport& told = report ? *report : ignored;
  told = {};
  std::optional<WaveData> wave = ReadSound(path, mp3, decoder, told);
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
