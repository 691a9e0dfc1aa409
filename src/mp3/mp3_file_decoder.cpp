#include "mp3/mp3_file_decoder.h"

#include <utility>

namespace sonavix {

Mp3FileDecoder::Mp3FileDecoder(std::function<void(int)> progress, std::function<bool()> stop)
    : progress_(std::move(progress)),
      stop_(std::move(stop)),
      codecs_(acm::CreateSystemAcm()) {
  convertor_ = std::make_unique<AcmConverter>(*codecs_);
  convertor_->UseMp3ToPcmFormats();
  formats_ = Mp3FormatDiscovery(*codecs_).Run();
}

Mp3FileDecoder::~Mp3FileDecoder() = default;

void Mp3FileDecoder::ConvertToWave(const std::string& mp3Path, const std::string& wavePath) {
  error_.clear();
  try {
    ConvertMp3ToWave(mp3Path, wavePath, *convertor_, formats_, *this);
  } catch (const AcmError& failure) {
    // The converter's own words are English: what the user reads is that
    // the file could not be decoded, and why in the converter's terms.
    error_ = std::string("MP3-Datei konnte nicht umgewandelt werden (") + failure.what() + ")";
  }
}

void Mp3FileDecoder::ShowProgress(int percent) {
  if (progress_) progress_(percent);
}

bool Mp3FileDecoder::StopRequested() const { return stop_ && stop_(); }

}  // namespace sonavix
