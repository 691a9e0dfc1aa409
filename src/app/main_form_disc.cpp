// "Speichern als Disc-Abbild...": the sound (or the selection) as a disc
// that burns and plays, for the format and TV system of the radio buttons.
// The video is made as "Speichern als MPEG..." makes it, into a folder
// beside the image that goes again afterwards; the disc tools then make
// the image from it. The status bar shows the size expected, both stages
// with the time left, and what came of it; STOP ends either stage and
// leaves nothing behind.

#include <QAction>
#include <QCoreApplication>
#include <QFileInfo>
#include <QPushButton>

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
#include "export/export_session.h"
#include "playback/run.h"
#include "playback/sound_device.h"

namespace sonavix {

namespace {

FileDialogSpec DiscDialog(const QString& folder, DiscPreset preset) {
  if (preset == DiscPreset::Dvd)
    return {folder, QStringLiteral("DVD-Abbilder"), {QStringLiteral("*.iso")}, QStringLiteral(".iso")};
  return {folder, QStringLiteral("CD-Abbilder (CUE/BIN)"), {QStringLiteral("*.cue")}, QStringLiteral(".cue")};
}

// The image's progress in the status bar; STOP and every other command
// get through while the tools work.
class WindowImageProgress final : public DiscImageObserver {
 public:
  WindowImageProgress(std::function<void(double)> show, std::function<bool()> stop)
      : show_(std::move(show)), stop_(std::move(stop)) {}
  void Progress(double done) override {
    show_(done);
    QCoreApplication::processEvents();
  }
  bool StopRequested() const override { return stop_(); }

 private:
  std::function<void(double)> show_;
  std::function<bool()> stop_;
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
  const std::unique_ptr<DiscTools> tools = discToolsFactory_();
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
  const ScratchFolder work(plan.imageFolder);
  if (!work.ok()) {
    prompts_.ShowError(this, kCannotWriteImage);
    return;
  }

  const ExportRest rest(*this);
  const auto fail = [this](const std::string& why) {
    ShowStatusText(QString());
    prompts_.ShowError(this, why.empty() ? kCannotWriteImage : QString::fromStdString(why));
  };

  // Stage one: the video, as "Speichern als MPEG..." makes it.
  const std::string video = work.path() + "/001.mpg";
  std::unique_ptr<MediaWriter> writer = writerFactory_();
  ExportSession session(*writer, preset, tv, 1.0);
  pictureSize_ = {session.FrameWidth(), session.FrameHeight()};
  session.EndExactlyAfter(SoundFramesInRun(doc_));  // the chapter lasts as long as the song
  const TimeLeft encoding;
  const auto encoded = [this, &encoding](double done) {
    const int percent = static_cast<int>(done * 100);
    SetProStatus(percent);
    ShowStatusText(DiscProgressText(true, percent, encoding.Estimate(done)));
  };
  if (!session.Open(video, BlocksInRun(doc_) * kBlockFrames, encoded)) return fail(session.WriterError());
  ShowStatusText(DiscProgressText(true, 0, std::nullopt));
  exportMode_ = true;
  StartRun(&session.Sink());
  exportMode_ = false;
  if (stopRequested_) {
    ShowStatusText(QStringLiteral("Abgebrochen: kein Disc-Abbild gespeichert"));
    return;
  }
  if (!session.Finish()) return fail(session.WriterError());

  // Stage two: the image, with STOP still at hand.
  stopRequested_ = false;
  StopBTN->setEnabled(true);
  const TimeLeft building;
  WindowImageProgress progress(
      [this, &building](double done) {
        const int percent = static_cast<int>(done * 100);
        SetProStatus(percent);
        ShowStatusText(DiscProgressText(false, percent, building.Estimate(done)));
      },
      [this] { return stopRequested_; });
  DiscImageRequest request;
  request.preset = preset;
  request.tv = tv;
  request.tracks = {video};
  request.target = target;
  request.label = VolumeLabel(QFileInfo(name).completeBaseName().toStdString());
  const DiscImageResult result = BuildDiscImage(request, *tools, progress);
  if (result.stopped) {
    ShowStatusText(QStringLiteral("Abgebrochen: kein Disc-Abbild gespeichert"));
    return;
  }
  if (!result.ok) return fail(result.error);
  recentFolder_.Remember(name);
  ShowStatusText(ExportDoneText(DisplayName(QFileInfo(name).fileName()), session.AudioTime(), result.bytes, false));
}

}  // namespace sonavix
