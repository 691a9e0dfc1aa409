#include "app/export_controller.h"

#include <QWidget>
#include <QFileInfo>

#include "app/background_job.h"
#include "app/format_choice.h"
#include "app/messages.h"
#include "app/picture_settings.h"
#include "app/playback_controller.h"
#include "app/preview_box.h"
#include "app/recent_places.h"
#include "app/sound_session.h"
#include "app/status_texts.h"
#include "app/user_prompts.h"
#include "app/waveform_view.h"
#include "app/window_status.h"
#include "app/worker_run_host.h"
#include "disc/disc_tools.h"
#include "document/local_names.h"
#include "document/safe_file.h"
#include "playback/run.h"
#include "texts/failure_texts.h"
#include "texts/import_texts.h"
#include "video/random.h"

namespace sonavix {

namespace {

FileDialogSpec VideoDialog(const QString& folder, DiscPreset preset, const QString& soundName) {
  FileDialogSpec spec =
      IsDiscFormat(preset)
          ? FileDialogSpec{folder, QStringLiteral("MPEG Dateien"), {QStringLiteral("*.mpg"), QStringLiteral("*.mpeg")},
                           QStringLiteral(".mpg")}
      : HasAlpha(preset)
          ? FileDialogSpec{folder, QStringLiteral("WebM-Dateien"), {QStringLiteral("*.webm")}, QStringLiteral(".webm")}
          : FileDialogSpec{folder, QStringLiteral("MP4-Dateien"), {QStringLiteral("*.mp4")}, QStringLiteral(".mp4")};
  spec.name = SuggestedFileName(soundName, spec.defaultSuffix);
  return spec;
}

}  // namespace

ExportController::ExportController(const WindowContext& context, const Parts& parts)
    : QObject(context.window),
      context_(context),
      parts_(parts),
      writerFactory_([] { return CreateMediaWriter(); }),
      discToolsFactory_([] { return CreateDiscTools(); }),
      job_(std::make_unique<BackgroundJob>(nullptr)) {}

ExportController::~ExportController() {
  job_->StopAndWait();  // the worker reads the sound: it ends before the sound goes
}

bool ExportController::RefuseUnplayableSound() {
  const AudioDocument& doc = context_.session.doc;
  const Unplayable why = UnplayableSound(doc);
  if (why == Unplayable::No) return false;
  context_.prompts.ShowError(context_.window, QString::fromStdString(UnplayableText(why, doc.SampleRate)) + QLatin1Char('.'));
  return true;
}

std::optional<double> ExportController::TimeLeft(double done) const {
  return time_ ? time_->Estimate(done) : std::nullopt;
}

void ExportController::ExportVideo() {
  // One run at a time, and none while the sound is being replaced.
  if (running_ || parts_.playback.Running() || context_.session.held) return;
  if (RefuseUnplayableSound()) return;
  const DiscPreset preset = parts_.format.Preset();
  const std::optional<QString> name =
      context_.prompts.AskSaveFileName(context_.window, VideoDialog(context_.recent.Start(), preset, context_.session.name));
  if (!name) return;
  const std::string path = LocalPath(*name);
  // What can be known before the run is checked before it: a folder or a
  // device under that name, or a folder that takes no file, fails at once.
  if (CheckSaveTarget(path) != SaveTarget::Ok) {
    context_.prompts.ShowError(context_.window, CannotExportText(preset));
    return;
  }
  ExportRequest request;
  request.output = path;
  request.preset = preset;
  request.tv = parts_.format.Tv();
  parts_.picture.FillExport(request);
  const QString format = IsDiscFormat(preset) ? QStringLiteral("MPEG")
                         : HasAlpha(preset)   ? QStringLiteral("WebM")
                                              : QStringLiteral("MP4");
  const auto progress = [this, format](double done) {
    const int percent = static_cast<int>(done * 100);
    context_.status.ShowProgress(percent);
    context_.status.ShowText(ExportProgressText(format, percent, TimeLeft(done)));
  };
  // After STOP the shortened file stays.
  Start(request, /*keepStopped=*/true, progress, {}, [this, name = *name, preset](const ExportOutcome& outcome) {
    if (!outcome.done() && outcome.result != ExportOutcome::Result::Stopped) {
      context_.status.ShowText(QString());
      context_.prompts.ShowError(context_.window, QString::fromStdString(WriteFailureText(outcome.failure, preset)));
      return;
    }
    context_.recent.Remember(name);
    context_.status.ShowText(ExportDoneText(DisplayName(QFileInfo(name).fileName()), outcome.seconds, outcome.bytes,
                                            outcome.result == ExportOutcome::Result::Stopped));
  });
  context_.status.ShowText(ExportProgressText(format, 0, std::nullopt));
}

void ExportController::Begin() {
  running_ = true;
  context_.session.held = true;
  time_.emplace();
  host_ = WorkerRunHost::Snapshot(*job_, context_.session.doc,
                                  parts_.picture.ForRun([this](const QImage& p) { parts_.preview.Show(p); },
                                                        [this](std::int64_t f) { parts_.view.MoveCursor(f); }));
  host_->SetLoop(false);
  emit StateChanged();
}

void ExportController::End() {
  host_.reset();
  running_ = false;
  context_.session.held = false;
  time_.reset();
  context_.status.ShowProgress(0);
  parts_.view.HideCursor();
  emit StateChanged();
}

void ExportController::Start(const ExportRequest& request, bool keepStopped, std::function<void(double)> progress,
                             std::function<void(const ExportOutcome&)> afterOnWorker,
                             std::function<void(const ExportOutcome&)> done) {
  std::shared_ptr<MediaWriter> writer = writerFactory_();
  const FrameSize frame = ExportFrameSize(*writer, request.preset, request.tv);
  parts_.preview.SetPictureSize({frame.width, frame.height});
  Begin();
  // The request points at the lyrics: they stay while the run needs them.
  job_->Start([this, writer, request, keepStopped, progress = std::move(progress), after = std::move(afterOnWorker),
               done = std::move(done), lyrics = parts_.picture.SongLyrics()]() mutable {
    const ExportOutcome outcome = RunExport(
        request, *writer, *host_, ProgramRandom(),
        [this, &progress](double share) { job_->Post([progress, share] { progress(share); }); }, keepStopped);
    writer.reset();
    if (after) after(outcome);
    job_->Finish([this, outcome, done = std::move(done)] {
      End();
      ShowingErrors(context_, [&] { done(outcome); });
    });
  });
}

void ExportController::Stop() { job_->RequestStop(); }

void ExportController::TellAboutPicture() {
  if (host_) parts_.picture.TellRun(*host_);
}

}  // namespace sonavix
