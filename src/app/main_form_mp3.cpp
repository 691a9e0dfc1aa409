// The main window's part of the MP3 import: its converter and codec list,
// made at start-up, and the conversion the open command runs for ".mp3".

#include "app/main_form_mp3.h"

#include <utility>

#include "app/background_job.h"
#include "app/main_form.h"
#include "app/status_texts.h"
#include "app/user_prompts.h"
#include "mp3/acm.h"
#include "mp3/acm_convertor.h"

namespace sonavix {

// On the open's worker.
void MainFormMp3Host::ConvertToWave(const std::string& mp3Path, const std::string& wavePath) {
  reportedFailure_ = false;
  errors_.clear();
  timeLeft_.emplace();
  gate_.emplace();
  form_.ConvertMP3WAV(mp3Path, wavePath);
}

std::vector<std::string> MainFormMp3Host::TakeErrors() { return std::exchange(errors_, {}); }

bool MainFormMp3Host::TakeReportedFailure() { return std::exchange(reportedFailure_, false); }

// The conversion reports after every chunk; the bar and the text follow a
// few times a second, and at once when the bar empties or fills.
void MainFormMp3Host::SetProStatus(int percent) {
  const bool edge = percent <= 0 || percent >= 100 || percent < shownPercent_;
  if (!edge && gate_ && !gate_->Due()) return;
  shownPercent_ = percent;
  const std::optional<double> left =
      timeLeft_ && percent > 0 ? timeLeft_->Estimate(percent / 100.0) : std::optional<double>();
  form_.job_->Post([form = &form_, percent, left] {
    form->SetProStatus(percent);
    if (percent > 0) form->ShowStatusText(Mp3ProgressText(percent, left));
  });
}

void MainFormMp3Host::ReportTooLong(const std::string& text) {
  reportedFailure_ = true;
  ShowError(text);
}

// The worker needs no message pump: the window's own loop goes on.
void MainFormMp3Host::ProcessMessages() {}

bool MainFormMp3Host::StopRequested() const { return form_.job_->StopRequested(); }

void MainFormMp3Host::ClearStopRequest() {}

void MainFormMp3Host::ShowError(const std::string& text) { errors_.push_back(text); }

void TMainForm::CreateMp3Import() {
  mp3wav_ = std::make_unique<TACMConvertor>(*codecs_);
  mp3wav_->LoadMainWindowValues();
  mp3Host_ = std::make_unique<MainFormMp3Host>(*this);
  mp3Decoder_ = mp3Host_.get();
}

Mp3Decoder* TMainForm::DefaultMp3Decoder() const { return mp3Host_.get(); }

void TMainForm::DiscoverMp3Formats() {
  Mp3FormatDiscovery discovery(*codecs_, nullptr);
  mp3FormatList_ = discovery.Run();
}

void TMainForm::ConvertMP3WAV(const std::string& source, const std::string& destination) {
  sonavix::ConvertMP3WAV(source, destination, *mp3wav_, mp3FormatList_, *mp3Host_);
}

}  // namespace sonavix
