#include "app/playback_controller.h"

#include <QTimer>

#include "app/background_job.h"
#include "app/picture_settings.h"
#include "app/preview_box.h"
#include "app/sound_session.h"
#include "app/waveform_view.h"
#include "app/worker_run_host.h"
#include "playback/run.h"
#include "playback/sound_device.h"
#include "video/frame_renderer.h"

namespace sonavix {

namespace {
// A still waits this long for more changes (typing) before it is drawn.
constexpr int kStillDelayMs = 120;
}  // namespace

PlaybackController::PlaybackController(const WindowContext& context, SoundDevice* sound,
                                       PictureSettings& picture, WaveformView& view, PreviewBox& preview)
    : QObject(context.window),
      context_(context),
      sound_(sound),
      picture_(picture),
      view_(view),
      preview_(preview),
      job_(std::make_unique<BackgroundJob>(nullptr)),
      mailbox_(std::make_shared<LookMailbox>()),
      stillTimer_(new QTimer(this)) {
  stillTimer_->setSingleShot(true);
  stillTimer_->setInterval(kStillDelayMs);
  connect(stillTimer_, &QTimer::timeout, this, &PlaybackController::DrawStillNow);
}

PlaybackController::~PlaybackController() {
  job_->StopAndWait();  // the run reads the sound: it ends before the sound goes
}

bool PlaybackController::Start() {
  if (running_ || !sound_ || job_->Running() || (exporting_ && exporting_())) return false;
  running_ = true;
  stillTimer_->stop();
  PreviewLook look = looks_.Make(picture_);
  fontScale_ = look.scale;
  preview_.SetPictureSize(look.size);
  WorkerRunHost::Window window = picture_.ForRun([this](const QImage& p) { preview_.Show(p); },
                                                 [this](std::int64_t frame) { view_.MoveCursor(frame); });
  window.font = PreviewFont(window.font, fontScale_);
  host_ = WorkerRunHost::Live(*job_, context_.session.doc, context_.session.lock, std::move(window));
  mailbox_->Take();  // a look left from an earlier run is old
  auto drawing = std::make_shared<PreviewRenderer>();
  drawing->Apply(look);
  host_->SetBeforeBlock([drawing, mailbox = mailbox_] {
    if (std::optional<PreviewLook> next = mailbox->Take()) drawing->Apply(*next);
  });
  job_->Start([this, drawing] {
    RunBlocks(*host_, *sound_, drawing->renderer);
    job_->Finish([this] {
      // Whatever way the run ended, the window goes back to rest.
      host_.reset();
      running_ = false;
      view_.HideCursor();
      emit StateChanged();
    });
  });
  emit StateChanged();
  return true;
}

void PlaybackController::Stop() { job_->RequestStop(); }

void PlaybackController::TellAboutPicture() {
  if (!host_) return ShowStill();
  picture_.TellRun(*host_);
  PreviewLook look = looks_.Make(picture_);
  fontScale_ = look.scale;
  host_->SetFont(PreviewFont(picture_.Font(), fontScale_));
  mailbox_->Post(std::move(look));
}

void PlaybackController::ShowStill() {
  if (!running_) stillTimer_->start();
}

void PlaybackController::DrawStillNow() {
  if (running_ || (exporting_ && exporting_())) return;
  const PreviewLook look = looks_.Make(picture_);
  preview_.SetPictureSize(look.size);
  const AudioDocument& doc = context_.session.doc;
  const std::int64_t frame = PlayRangeFromMarks(doc).start;
  preview_.Show(DrawStill(doc, frame, look, picture_.Text(), picture_.Font()));
}

}  // namespace sonavix
