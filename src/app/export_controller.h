#pragma once
// "Speichern als MPEG..." and "Disc-Abbild...": the sound (or the
// selection) as a video for the chosen format, and as a disc image that
// burns and plays. The work runs on a worker while the window goes on: the
// sound is held as it was at the start, the pictures and the play cursor
// come back to the preview and the waveform, the status bar tells how far
// it is, and STOP ends it.

#include <QObject>
#include <functional>
#include <memory>
#include <optional>

#include "app/window_context.h"
#include "document/work_progress.h"
#include "export/export_job.h"

namespace sonavix {

class BackgroundJob;
class DiscTools;
class FormatChoice;
class MediaWriter;
class PictureSettings;
class PlaybackController;
class PreviewBox;
class WaveformView;
class WorkerRunHost;

class ExportController final : public QObject {
  Q_OBJECT
 public:
  struct Parts {
    FormatChoice& format;
    PictureSettings& picture;
    WaveformView& view;
    PreviewBox& preview;
    const PlaybackController& playback;
  };
  ExportController(const WindowContext& context, const Parts& parts);
  ~ExportController() override;

  // Where the videos' writers and the images' tools come from.
  using MediaWriterFactory = std::function<std::unique_ptr<MediaWriter>()>;
  using DiscToolsFactory = std::function<std::unique_ptr<DiscTools>()>;
  void SetMediaWriterFactory(MediaWriterFactory factory) { writerFactory_ = std::move(factory); }
  void SetDiscToolsFactory(DiscToolsFactory factory) { discToolsFactory_ = std::move(factory); }

  void ExportVideo();
  void SaveDiscImage();
  void Stop();
  bool Running() const { return running_; }
  // The settings of the picture changed: the pictures still to come take them.
  void TellAboutPicture();

 signals:
  void StateChanged();

 private:
  // Says why the sound cannot be exported (none loaded, no frame, a rate
  // the run cannot play) and returns true; false when it can.
  bool RefuseUnplayableSound();
  // Runs the export on the worker; `afterOnWorker` runs there once the
  // video is written (the image's second stage), `done` here at the end.
  void Start(const ExportRequest& request, bool keepStopped, std::function<void(double)> progress,
             std::function<void(const ExportOutcome&)> afterOnWorker,
             std::function<void(const ExportOutcome&)> done);
  void Begin();
  void End();
  std::optional<double> TimeLeft(double done) const;

  WindowContext context_;
  Parts parts_;
  MediaWriterFactory writerFactory_;
  DiscToolsFactory discToolsFactory_;
  std::unique_ptr<BackgroundJob> job_;
  std::unique_ptr<WorkerRunHost> host_;
  std::optional<sonavix::TimeLeft> time_;
  bool running_ = false;
};

}  // namespace sonavix
