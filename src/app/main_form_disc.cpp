// "Speichern als Disc-Abbild...": the sound (or the selection) as a disc
// that burns and plays, for the format and TV system of the radio buttons.
// The video is made as "Speichern als MPEG..." makes it, into a folder
// beside the image that goes again afterwards; the disc tools then make
// the image from it. The status bar shows the size expected, both stages
// with the time left, and what came of it; STOP ends either stage and
// leaves nothing behind.

#include <QAction>
#include <QFileInfo>
#include <QPushButton>

#include "app/background_job.h"
#include "app/main_form.h"
#include "app/messages.h"
#include "app/paint_box.h"
#include "app/status_texts.h"
#include "app/user_prompts.h"
#include "disc/disc_image.h"
#include "disc/image_plan.h"
#include "document/local_names.h"
#include "document/safe_file.h"
#include "document/scratch_files.h"
#include "document/work_progress.h"
#include "export/export_job.h"
#include "playback/run.h"
#include "playback/sound_device.h"

namespace sonavix {

namespace {

FileDialogSpec DiscDialog(const QString& folder, DiscPreset preset) {
  if (preset == DiscPreset::Dvd)
    return {folder, QStringLiteral("DVD-Abbilder"), {QStringLiteral("*.iso")}, QStringLiteral(".iso")};
  return {folder, QStringLiteral("CD-Abbilder (CUE/BIN)"), {QStringLiteral("*.cue")}, QStringLiteral(".cue")};
}

// The image's progress, told to the window's thread; STOP reaches the
// tools through the job.
class JobImageProgress final : public DiscImageObserver {
 public:
  JobImageProgress(BackgroundJob& job, std::function<void(double)> show) : job_(job), show_(std::move(show)) {}
  void Progress(double done) override {
    job_.Post([show = show_, done] { show(done); });
  }
  bool StopRequested() const override { return job_.StopRequested(); }

 private:
  BackgroundJob& job_;
  std::function<void(double)> show_;
};

}  // namespace

void TMainForm::DiscImageClick() {
  if (running_) return;  // one run at a time
  const DiscPreset preset = ChosenPreset();
  const TvSystem tv = ChosenTvSystem();
  if (!IsDiscFormat(preset)) {  // the command is off then; a shortcut may still get here
    prompts_.ShowError(this, QStringLiteral("MP4 ist kein Disc-Format: bitte Video-CD, Super Video CD oder DVD wählen."));
    return;
  }
  if (RefuseUnplayableSound()) return;
  const QString disc = QStringLiteral("%1, %2").arg(QString::fromLatin1(DiscName(preset)),
                                                   tv == TvSystem::Ntsc ? QStringLiteral("NTSC") : QStringLiteral("PAL"));
  // The run's length in whole blocks, as the video will have it; a disc
  // too small, a missing tool or a song too short for a CD track are said
  // before anything else, and too little room once the folder is known.
  const double seconds = double(BlocksInRun(doc_) * kBlockFrames) / kStreamRate;
  DiscImagePlan plan;
  plan.preset = preset;
  plan.seconds = {double(SoundFramesInRun(doc_)) / kStreamRate};
  plan.names = {soundName_.toStdString()};
  std::unique_ptr<DiscTools> tools = discToolsFactory_();
  const auto refused = [&] {
    const std::string problem = DiscImageProblem(plan, *tools);
    if (!problem.empty()) prompts_.ShowError(this, QString::fromStdString(problem) + QLatin1Char('.'));
    return !problem.empty();
  };
  if (refused()) return;
  // The size to expect, seen before the name is asked for.
  ShowStatusText(DiscEstimateText(disc, ImageBytesFromSeconds(preset, 1.0, {seconds})));
  const std::optional<QString> asked = prompts_.AskSaveFileName(this, DiscDialog(recentFolder_.Start(), preset));
  if (!asked) return;
  // "album.bin" names the pair: the CUE sheet becomes "album.cue".
  const std::string target = DiscImagePath(LocalPath(*asked), preset);
  const QString name = NameFromLocalPath(target);
  if (CheckSaveTarget(target) != SaveTarget::Ok ||
      (preset != DiscPreset::Dvd && CheckSaveTarget(BinFileFor(target)) != SaveTarget::Ok)) {
    prompts_.ShowError(this, kCannotWriteImage);
    return;
  }
  plan.imageFolder = plan.songsFolder = FolderOfPath(target);
  if (refused()) return;
  // The video's own folder, beside the image; gone again on every way out.
  RemoveAbandonedScratch(plan.imageFolder);
  auto work = std::make_shared<ScratchFolder>(plan.imageFolder);
  if (!work->ok()) {
    prompts_.ShowError(this, kCannotWriteImage);
    return;
  }

  // Stage one, the video as "Speichern als MPEG..." makes it, then stage
  // two, the image, both on the worker with STOP at hand.
  ExportRequest request;
  request.output = work->path() + "/001.mpg";
  request.preset = preset;
  request.tv = tv;
  request.exactEnd = true;  // the chapter lasts as long as the song
  DiscImageRequest image;
  image.preset = preset;
  image.tv = tv;
  image.tracks = {request.output};
  image.target = target;
  image.label = VolumeLabel(QFileInfo(name).completeBaseName().toStdString());
  auto result = std::make_shared<DiscImageResult>();
  auto building = std::make_shared<std::optional<TimeLeft>>();
  std::shared_ptr<DiscTools> shared = std::move(tools);
  const auto encoded = [this](double done) {
    const int percent = static_cast<int>(done * 100);
    SetProStatus(percent);
    ShowStatusText(DiscProgressText(true, percent, jobTime_ ? jobTime_->Estimate(done) : std::nullopt));
  };
  const auto imaged = [this, building](double done) {
    if (!*building) building->emplace();
    const int percent = static_cast<int>(done * 100);
    SetProStatus(percent);
    ShowStatusText(DiscProgressText(false, percent, (*building)->Estimate(done)));
  };
  const auto buildImage = [this, work, image, result, shared, imaged](const ExportOutcome& video) {
    if (!video.done()) return;
    JobImageProgress progress(*job_, imaged);
    *result = BuildDiscImage(image, *shared, progress);
  };
  StartExportJob(request, /*keepStopped=*/false, encoded, buildImage,
                 [this, name, result, work](const ExportOutcome& video) {
                   if (video.result == ExportOutcome::Result::Stopped || result->stopped) {
                     ShowStatusText(QStringLiteral("Abgebrochen: kein Disc-Abbild gespeichert"));
                     return;
                   }
                   const std::string why = video.done() ? result->error : video.error;
                   if (!video.done() || !result->ok) {
                     ShowStatusText(QString());
                     prompts_.ShowError(this, why.empty() ? kCannotWriteImage : QString::fromStdString(why));
                     return;
                   }
                   recentFolder_.Remember(name);
                   ShowStatusText(ExportDoneText(DisplayName(QFileInfo(name).fileName()), video.seconds, result->bytes, false));
                 });
  ShowStatusText(DiscProgressText(true, 0, std::nullopt));
}

}  // namespace sonavix
