// "Speichern als MPEG...": the sound (or the selection) as an MPEG video for
// the disc format of the radio buttons, written by one run of the playback
// loop with a media writer taking pictures and blocks. The status bar shows
// how far it is and how long it will take, and what came of it.

#include <QAction>
#include <QFileInfo>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>

#include "app/main_form.h"
#include "app/messages.h"
#include "app/paint_box.h"
#include "app/status_texts.h"
#include "app/user_prompts.h"
#include "document/local_names.h"
#include "document/safe_file.h"
#include "document/work_progress.h"
#include "playback/sound_device.h"
#include "export/export_job.h"
#include "video/media_writer.h"

namespace sonavix {

namespace {

FileDialogSpec SaveDialog3(const QString& folder, DiscPreset preset) {
  if (!IsDiscFormat(preset))
    return {folder, QStringLiteral("MP4-Dateien"), {QStringLiteral("*.mp4")}, QStringLiteral(".mp4")};
  return {folder, QStringLiteral("MPEG Dateien"), {QStringLiteral("*.mpg"), QStringLiteral("*.mpeg")},
          QStringLiteral(".mpg")};
}

}  // namespace

// The commands that change the sound (or replace it): playback takes their
// edits from its next block on; an export writes the sound as it was when
// it started, so they wait until it has ended.
void TMainForm::EnableExportCommands(bool enabled) {
  soundLocked_ = !enabled;
  actions_.open->setEnabled(enabled);
  EnableExportButton(enabled);
  for (QAction* action : actions_.ChangingTheSound()) action->setEnabled(enabled);
  ShowHistoryState();  // undo and redo follow the lock
}

void TMainForm::EnableExportButton(bool enabled) {
  actions_.exportVideo->setEnabled(enabled);
  // MP4 is no disc format: no disc image of it.
  actions_.discImage->setEnabled(enabled && IsDiscFormat(ChosenPreset()));
}

DiscPreset TMainForm::ChosenPreset() const {
  if (Mp4Radio720->isChecked()) return DiscPreset::Mp4Hd720;
  if (Mp4Radio1080->isChecked()) return DiscPreset::Mp4Hd1080;
  return RadioButton3->isChecked()   ? DiscPreset::Dvd
         : RadioButton2->isChecked() ? DiscPreset::SuperVideoCd
                                     : DiscPreset::VideoCd;
}

TvSystem TMainForm::ChosenTvSystem() const {
  return NtscRadio->isChecked() ? TvSystem::Ntsc : TvSystem::Pal;
}

bool TMainForm::RefuseUnplayableSound() {
  const std::string why = UnplayableSound(doc_);
  if (why.empty()) return false;
  prompts_.ShowError(this, QString::fromStdString(why) + QLatin1Char('.'));
  return true;
}

void TMainForm::Button1Click() {
  if (running_) return;  // one run at a time: no export during playback
  if (RefuseUnplayableSound()) return;
  const std::optional<QString> name = prompts_.AskSaveFileName(this, SaveDialog3(recentFolder_.Start(), ChosenPreset()));
  if (!name) return;
  const std::string path = LocalPath(*name);
  // What can be known before the run is checked before it: a folder or a
  // device under that name, or a folder that takes no file, fails at once.
  if (CheckSaveTarget(path) != SaveTarget::Ok) {
    prompts_.ShowError(this, kCannotExport);
    return;
  }
  ExportRequest request;
  request.output = path;
  request.preset = ChosenPreset();
  request.tv = ChosenTvSystem();
  // The export runs on a worker; the window shows its progress and takes
  // its end here. After STOP the shortened file stays.
  const auto progress = [this](double done) {
    const int percent = static_cast<int>(done * 100);
    SetProStatus(percent);
    ShowStatusText(ExportProgressText(percent, jobTime_ ? jobTime_->Estimate(done) : std::nullopt));
  };
  StartExportJob(request, /*keepStopped=*/true, progress, {}, [this, name = *name](const ExportOutcome& outcome) {
    if (!outcome.done() && outcome.result != ExportOutcome::Result::Stopped) {
      ShowStatusText(QString());
      prompts_.ShowError(this, outcome.error.empty() ? kCannotExport : QString::fromStdString(outcome.error));
      return;
    }
    recentFolder_.Remember(name);
    ShowStatusText(ExportDoneText(DisplayName(QFileInfo(name).fileName()), outcome.seconds, outcome.bytes,
                                  outcome.result == ExportOutcome::Result::Stopped));
  });
  ShowStatusText(ExportProgressText(0, std::nullopt));
}

}  // namespace sonavix
