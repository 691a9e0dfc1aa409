#pragma once
// The MP3 import as the open's worker runs it: the conversion through the
// audio compression layer into a temporary WAV file, its progress handed to
// the status bar, STOP through the job, and its errors kept until the open
// has ended. It is the decoder the open hands MP3 files to.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "document/sound_files.h"
#include "document/work_progress.h"
#include "mp3/acm.h"
#include "mp3/mp3_conversion.h"
#include "mp3/wave_format_block.h"

namespace sonavix {

class BackgroundJob;
class WindowStatus;

class Mp3ImportHost final : public Mp3ConversionHost, public Mp3Decoder {
 public:
  // Finds the layer-3 formats the codecs offer, once.
  Mp3ImportHost(acm::AcmManager& codecs, BackgroundJob& job, WindowStatus& status);
  ~Mp3ImportHost() override;

  void ConvertToWave(const std::string& mp3Path, const std::string& wavePath) override;

  void ShowProgress(int percent) override;
  bool StopRequested() const override;
  void ClearStopRequest() override {}
  void ShowError(const std::string& text) override { errors_.push_back(text); }
  void ReportTooLong(const std::string& text) override;

  // What the conversion had to say, in order; taken once the open has ended.
  std::vector<std::string> TakeErrors();
  // True once after a conversion whose failure the user is told of in words
  // of its own (a file too long), so that no second box follows.
  bool TakeReportedFailure();

  AcmConverter& Converter() { return *converter_; }
  const std::vector<WaveFormatBlock>& Formats() const { return formats_; }

 private:
  BackgroundJob& job_;
  WindowStatus& status_;
  std::unique_ptr<AcmConverter> converter_;
  std::vector<WaveFormatBlock> formats_;
  std::vector<std::string> errors_;
  bool reportedFailure_ = false;
  int shownPercent_ = 0;
  std::optional<TimeLeft> timeLeft_;
  std::optional<ReportGate> gate_;
};

}  // namespace sonavix
