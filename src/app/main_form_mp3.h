#pragma once
// The main window as the MP3 import sees it, from the worker the open runs
// on: progress handed to the status bar, STOP through the job, and the
// errors kept until the open has ended; and the decoder the open command
// hands MP3 files to.

#include <optional>
#include <string>
#include <vector>

#include "document/sound_files.h"
#include "document/work_progress.h"
#include "mp3/mp3_conversion.h"

namespace sonavix {

class TMainForm;

class MainFormMp3Host final : public Mp3ConversionHost, public Mp3Decoder {
 public:
  explicit MainFormMp3Host(TMainForm& form) : form_(form) {}

  void ConvertToWave(const std::string& mp3Path, const std::string& wavePath) override;

  void SetProStatus(int percent) override;
  void ProcessMessages() override;
  bool StopRequested() const override;
  void ClearStopRequest() override;
  void ShowError(const std::string& text) override;
  void ReportTooLong(const std::string& text) override;

  // What the conversion had to say, in order; taken once the open has ended.
  std::vector<std::string> TakeErrors();
  // True once after a conversion whose failure the user is told of in words
  // of its own (a file too long), so that no second box follows.
  bool TakeReportedFailure();

 private:
  TMainForm& form_;
  std::vector<std::string> errors_;
  bool reportedFailure_ = false;
  int shownPercent_ = 0;
  std::optional<TimeLeft> timeLeft_;
  std::optional<ReportGate> gate_;
};

}  // namespace sonavix
