#pragma once
// MP3 files decoded as the open command decodes them, without a window: a
// codec manager, converter and format list of its own, progress handed to a
// callback, a stop flag to watch, and the failure kept as a sentence instead
// of shown in a box. One per thread; several may work at once.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "document/sound_files.h"
#include "mp3/acm.h"
#include "mp3/acm_converter.h"
#include "mp3/mp3_conversion.h"

namespace sonavix {

class Mp3FileDecoder final : public Mp3Decoder, private Mp3ConversionHost {
 public:
  // `progress` hears the percent converted; `stop`, when set, ends the
  // conversion early (the file then counts as unreadable).
  explicit Mp3FileDecoder(std::function<void(int percent)> progress = {},
                          std::function<bool()> stop = {});
  ~Mp3FileDecoder() override;

  void ConvertToWave(const std::string& mp3Path, const std::string& wavePath) override;
  // Why the last conversion failed, when it said so; empty otherwise.
  const std::string& Error() const { return error_; }

 private:
  void ShowProgress(int percent) override;
  bool StopRequested() const override;
  void ClearStopRequest() override {}
  void ShowError(const std::string& text) override { error_ = text; }

  std::function<void(int)> progress_;
  std::function<bool()> stop_;
  std::unique_ptr<acm::AcmManager> codecs_;
  std::unique_ptr<AcmConverter> convertor_;
  std::vector<WaveFormatBlock> formats_;
  std::string error_;
};

}  // namespace sonavix
