#pragma once
// Playback: PLAY plays the selection (or the whole sound) with the live
// picture on a worker of its own; STOP ends it. The window's edits come in
// between blocks under the sound's lock; the cursor and the pictures come
// back to the waveform and the preview. The picture is the chosen format's
// frame with its look (preview_picture.h); when nothing plays, the preview
// shows a still of the marks' place, drawn again shortly after anything it
// shows changes.

#include <QObject>
#include <functional>
#include <memory>

#include "app/preview_picture.h"
#include "app/window_context.h"

class QTimer;

namespace sonavix {

class BackgroundJob;
class PictureSettings;
class PreviewBox;
class SoundDevice;
class WaveformView;
class WorkerRunHost;

class PlaybackController final : public QObject {
  Q_OBJECT
 public:
  PlaybackController(const WindowContext& context, SoundDevice* sound, PictureSettings& picture,
                     WaveformView& view, PreviewBox& preview);
  ~PlaybackController() override;

  // Whether an export runs now: no playback meanwhile.
  void SetExporting(std::function<bool()> exporting) { exporting_ = std::move(exporting); }
  // Only one run at a time: a start while one is active (or an export) is
  // refused (false), and so is one without a sound output.
  bool Start();
  void Stop();
  bool Running() const { return running_; }
  // The settings of the picture changed: the blocks still to come take them,
  // or the still is drawn again.
  void TellAboutPicture();
  // The sound or the marks changed: the still is drawn again.
  void ShowStill();

 signals:
  // Started or ended.
  void StateChanged();

 private:
  WindowContext context_;
  SoundDevice* sound_;
  PictureSettings& picture_;
  WaveformView& view_;
  PreviewBox& preview_;
  std::unique_ptr<BackgroundJob> job_;
  std::unique_ptr<WorkerRunHost> host_;
  std::function<bool()> exporting_;
  bool running_ = false;
  PreviewLooks looks_;
  std::shared_ptr<LookMailbox> mailbox_;
  QTimer* stillTimer_;
  double fontScale_ = 1;

  void DrawStillNow();
};

}  // namespace sonavix
