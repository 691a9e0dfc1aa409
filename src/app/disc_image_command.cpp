// "Disc-Abbild...": the video is made as "Speichern als MPEG..." makes it,
// into a folder beside the image that goes again afterwards; the disc tools
// then make the image from it. The status bar shows the size expected, both
// stages with the time left, and what came of it; STOP ends either stage
// and leaves nothing behind.

#include <QFileInfo>

#include "app/picture_settings.h"
#include "app/background_job.h"
#include "app/export_controller.h"
#include "app/format_choice.h"
#include "app/messages.h"
#include "app/playback_controller.h"
#include "app/recent_places.h"
#include "app/sound_session.h"
#include "app/status_texts.h"
#include "app/user_prompts.h"
#include "app/window_status.h"
#include "disc/disc_image.h"
#include "disc/image_plan.h"
#include "document/local_names.h"
#include "document/safe_file.h"
#include "document/scratch_files.h"
#include "playback/run.h"
#include "playback/sound_device.h"
#include "texts/disc_texts.h"
#include "texts/failure_texts.h"

namespace sonavix {

namespace {

FileDialogSpec ImageDialog(const QString& folder, DiscPreset preset, const QString& soundName) {
  FileDialogSpec spec =
      preset == DiscPreset::Dvd
          ? FileDialogSpec{folder, QStringLiteral("DVD-Abbilder"), {QStringLiteral("*.iso")}, QStringLiteral(".iso")}
          : FileDialogSpec{folder, QStringLiteral("CD-Abbilder (CUE/BIN)"), {QStringLiteral("*.cue")},
                           QStringLiteral(".cue")};
  spec.name = SuggestedFileName(soundName, spec.defaultSuffix);
  return spec;
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

void ExportController::SaveDiscImage() {
  if (running_ || parts_.playback.Running() || context_.session.held) return;  // one run at a time
  const DiscPreset preset = parts_.format.Preset();
  const TvSystem tv = parts_.format.Tv();
  QWidget* window = context_.window;
  UserPrompts& prompts = context_.prompts;
  if (!IsDiscFormat(preset)) {  // the command is off then; a shortcut may still get here
    prompts.ShowError(window, QStringLiteral("MP4 ist kein Disc-Format: bitte Video-CD, Super Video CD oder DVD wählen."));
    return;
  }
  if (RefuseUnplayableSound()) return;
  const AudioDocument& doc = context_.session.doc;
  const QString disc = QStringLiteral("%1, %2").arg(QString::fromLatin1(DiscName(preset)),
                                                   tv == TvSystem::Ntsc ? QStringLiteral("NTSC") : QStringLiteral("PAL"));
  // The run's length in whole blocks, as the video will have it; a disc
  // too small, a missing tool or a song too short for a CD track are said
  // before anything else, and too little room once the folder is known.
  const double seconds = double(BlocksInRun(doc) * kBlockFrames) / kStreamRate;
  DiscImagePlan plan;
  plan.preset = preset;
  plan.seconds = {double(SoundFramesInRun(doc)) / kStreamRate};
  plan.names = {context_.session.name.toStdString()};
  std::unique_ptr<DiscTools> tools = discToolsFactory_();
  const auto refused = [&] {
    const DiscProblem problem = DiscImageProblem(plan, *tools);
    if (problem) prompts.ShowError(window, QString::fromStdString(DiscProblemText(problem)) + QLatin1Char('.'));
    return bool(problem);
  };
  if (refused()) return;
  // The size to expect, seen before the name is asked for.
  context_.status.ShowText(DiscEstimateText(disc, ImageBytesFromSeconds(preset, 1.0, {seconds})));
  const std::optional<QString> asked = prompts.AskSaveFileName(window, ImageDialog(context_.recent.Start(), preset, context_.session.name));
  if (!asked) return;
  // "album.bin" names the pair: the CUE sheet becomes "album.cue".
  const std::string target = DiscImagePath(LocalPath(*asked), preset);
  const QString name = NameFromLocalPath(target);
  if (CheckSaveTarget(target) != SaveTarget::Ok ||
      (preset != DiscPreset::Dvd && CheckSaveTarget(BinFileFor(target)) != SaveTarget::Ok)) {
    prompts.ShowError(window, kCannotWriteImage);
    return;
  }
  plan.imageFolder = plan.songsFolder = FolderOfPath(target);
  if (refused()) return;
  // The video's own folder, beside the image; gone again on every way out.
  RemoveAbandonedScratch(plan.imageFolder);
  auto work = std::make_shared<ScratchFolder>(plan.imageFolder);
  if (!work->ok()) {
    prompts.ShowError(window, kCannotWriteImage);
    return;
  }

  // Stage one, the video as "Speichern als MPEG..." makes it, then stage
  // two, the image, both on the worker with STOP at hand.
  ExportRequest request;
  request.output = work->path() + "/001.mpg";
  request.preset = preset;
  request.tv = tv;
  request.exactEnd = true;  // the chapter lasts as long as the song
  parts_.picture.FillExport(request);
  DiscImageRequest image;
  image.preset = preset;
  image.tv = tv;
  image.tracks = {request.output};
  image.target = target;
  image.label = VolumeLabel(QFileInfo(name).completeBaseName().toStdString());
  auto result = std::make_shared<DiscImageResult>();
  auto building = std::make_shared<std::optional<sonavix::TimeLeft>>();
  std::shared_ptr<DiscTools> shared = std::move(tools);
  const auto encoded = [this](double done) {
    const int percent = static_cast<int>(done * 100);
    context_.status.ShowProgress(percent);
    context_.status.ShowText(DiscProgressText(true, percent, TimeLeft(done)));
  };
  const auto imaged = [this, building](double done) {
    if (!*building) building->emplace();
    const int percent = static_cast<int>(done * 100);
    context_.status.ShowProgress(percent);
    context_.status.ShowText(DiscProgressText(false, percent, (*building)->Estimate(done)));
  };
  const auto buildImage = [this, work, image, result, shared, imaged](const ExportOutcome& video) {
    if (!video.done()) return;
    JobImageProgress progress(*job_, imaged);
    *result = BuildDiscImage(image, *shared, progress);
  };
  Start(request, /*keepStopped=*/false, encoded, buildImage, [this, name, result, work, preset](const ExportOutcome& video) {
    if (video.result == ExportOutcome::Result::Stopped || result->stopped) {
      context_.status.ShowText(QStringLiteral("Abgebrochen: kein Disc-Abbild gespeichert"));
      return;
    }
    const std::string why = video.done() ? DiscProblemText(result->problem) : WriteFailureText(video.failure, preset);
    if (!video.done() || !result->ok) {
      context_.status.ShowText(QString());
      context_.prompts.ShowError(context_.window, why.empty() ? kCannotWriteImage : QString::fromStdString(why));
      return;
    }
    context_.recent.Remember(name);
    context_.status.ShowText(ExportDoneText(DisplayName(QFileInfo(name).fileName()), video.seconds, result->bytes, false));
  });
  context_.status.ShowText(DiscProgressText(true, 0, std::nullopt));
}

}  // namespace sonavix
