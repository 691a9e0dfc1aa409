#include "app/playback_controller.h"

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
constexpr int kPreviewSize = 400;
}

PlaybackController::PlaybackController(const WindowContext& context, SoundDevice* sound,
                                       PictureSettings& picture, WaveformView& view, PreviewBox& preview)
    : QObject(context.window),
      context_(context),
      sound_(sound),
      picture_(picture),
      view_(view),
      preview_(preview),
      job_(std::make_unique<BackgroundJob>(nullptr)) {}

PlaybackController::~PlaybackController() {
  job_->StopAndWait();  // the run reads the sound: it ends before the sound goes
}

bool PlaybackController::Start() {
  if (running_ || !sound_ || job_->Running() || (exporting_ && exporting_())) return false;
  running_ = true;
  preview_.SetPictureSize({kPreviewSize, kPreviewSize});
  host_ = WorkerRunHost::Live(*job_, context_.session.doc, context_.session.lock,
                              picture_.ForRun([this](const QImage& p) { preview_.Show(p); },
                                              [this](std::int64_t frame) { view_.MoveCursor(frame); }));
  job_->Start([this] {
    FrameRenderer renderer(kPreviewSize, kPreviewSize);
    RunBlocks(*host_, *sound_, renderer);
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
  if (host_) picture_.TellRun(*host_);
}

}  // namespace sonavix
