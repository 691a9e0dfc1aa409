// The export and the disc image run on a worker (BackgroundJob) while the
// window goes on: the commands that change the sound are off, STOP asks
// the worker to end, the pictures and the play cursor come back to the
// preview and the waveform, and the end is taken on the window's thread.

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

#include "app/background_job.h"
#include "app/worker_run_host.h"
#include "app/main_form.h"
#include "app/paint_box.h"
#include "video/random.h"

namespace sonavix {

bool TMainForm::Busy() const { return (job_ && job_->Running()) || (playJob_ && playJob_->Running()); }

void TMainForm::BeginJob() {
  running_ = true;
  exportMode_ = true;
  stopRequested_ = false;
  cursorX_ = -1;
  jobTime_.emplace();
  EnableExportCommands(false);
  actions_.play->setEnabled(false);
  actions_.stop->setEnabled(true);
  runHost_ = WorkerRunHost::Snapshot(*job_, doc_,
                                     {Edit1->text(), pictureFont_, false,
                                      [this](const QImage& picture) { ShowPicture(picture); },
                                      [this](std::int64_t frame) { MoveCursor(frame); }});
}

void TMainForm::EndJob() {
  runHost_.reset();
  running_ = false;
  exportMode_ = false;
  jobTime_.reset();
  EnableExportCommands(true);
  actions_.play->setEnabled(true);
  actions_.stop->setEnabled(false);
  SetProStatus(0);
  cursorX_ = -1;
  PaintBox1Paint();
}

void TMainForm::StartExportJob(const ExportRequest& request, bool keepStopped,
                               std::function<void(double)> progress,
                               std::function<void(const ExportOutcome&)> afterOnWorker,
                               std::function<void(const ExportOutcome&)> done) {
  std::shared_ptr<MediaWriter> writer = writerFactory_();
  const FrameSize frame = ExportFrameSize(*writer, request.preset, request.tv);
  pictureSize_ = {frame.width, frame.height};
  BeginJob();
  job_->Start([this, writer, request, keepStopped, progress = std::move(progress),
               after = std::move(afterOnWorker), done = std::move(done)]() mutable {
    const ExportOutcome outcome = RunExport(
        request, *writer, *runHost_, ProgramRandom(),
        [this, &progress](double share) { job_->Post([progress, share] { progress(share); }); }, keepStopped);
    writer.reset();
    if (after) after(outcome);
    job_->Finish([this, outcome, done = std::move(done)] {
      EndJob();
      done(outcome);
    });
  });
}

void TMainForm::StopJob() {
  if (job_) job_->RequestStop();
}

void TMainForm::TellJobAboutPicture() {
  for (WorkerRunHost* host : {runHost_.get(), playHost_.get()}) {
    if (!host) continue;
    host->SetText(Edit1->text());
    host->SetFont(pictureFont_);
    host->SetLoop(SchleifeCheck->isChecked());
  }
}

}  // namespace sonavix
