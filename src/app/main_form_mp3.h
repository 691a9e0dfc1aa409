#pragma once
// The main window as the MP3 import sees it: progress in the status bar, the
// message pump, the shared stop flag and error boxes; and the decoder the
// open command hands ".mp3" files to.

#include <optional>

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

  // True while a conversion runs; the message pump lets commands in then.
  bool Converting() const { return converting_; }
  // True once after a conversion whose failure the user has been told of
  // in words of its own (a file too long), so that no second box follows.
  bool TakeReportedFailure();

 private:
  TMainForm& form_;
  bool converting_ = false;
  bool reportedFailure_ = false;
  int shownPercent_ = 0;
  std::optional<TimeLeft> timeLeft_;
  std::optional<ReportGate> gate_;
};

}  // namespace sonavix
