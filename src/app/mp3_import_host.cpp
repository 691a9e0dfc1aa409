#include "app/mp3_import_host.h"

#include <utility>

#include "app/background_job.h"
#include "app/status_texts.h"
#include "app/window_status.h"
#include "mp3/acm_converter.h"

namespace sonavix {

Mp3ImportHost::Mp3ImportHost(acm::AcmManager& codecs, BackgroundJob& job, WindowStatus& status)
    : job_(job), status_(status), converter_(std::make_unique<AcmConverter>(codecs)) {
  converter_->UseMp3ToPcmFormats();
  formats_ = Mp3FormatDiscovery(codecs).Run();
}

Mp3ImportHost::~Mp3ImportHost() = default;

// On the open's worker.
void Mp3ImportHost::ConvertToWave(const std::string& mp3Path, const std::string& wavePath) {
  reportedFailure_ = false;
  errors_.clear();
  timeLeft_.emplace();
  gate_.emplace();
  ConvertMp3ToWave(mp3Path, wavePath, *converter_, formats_, *this);
}

std::vector<std::string> Mp3ImportHost::TakeErrors() { return std::exchange(errors_, {}); }

bool Mp3ImportHost::TakeReportedFailure() { return std::exchange(reportedFailure_, false); }

// The conversion reports after every chunk; the bar and the text follow a
// few times a second, and at once when the bar empties or fills.
void Mp3ImportHost::ShowProgress(int percent) {
  const bool edge = percent <= 0 || percent >= 100 || percent < shownPercent_;
  if (!edge && gate_ && !gate_->Due()) return;
  shownPercent_ = percent;
  const std::optional<double> left =
      timeLeft_ && percent > 0 ? timeLeft_->Estimate(percent / 100.0) : std::optional<double>();
  job_.Post([status = &status_, percent, left] {
    status->ShowProgress(percent);
    if (percent > 0) status->ShowText(Mp3ProgressText(percent, left));
  });
}

void Mp3ImportHost::ReportTooLong(const std::string& text) {
  reportedFailure_ = true;
  ShowError(text);
}

bool Mp3ImportHost::StopRequested() const { return job_.StopRequested(); }

}  // namespace sonavix
