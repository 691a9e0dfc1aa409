#pragma once
// Playback: PLAY plays the selection (or the whole sound) with the live
// picture on a worker of its own; STOP ends it. The window's edits come in
// between blocks under the sound's lock; the cursor and the pictures come
// back to the waveform and the preview.

#include <QObject>
#include <functional>
#include <memory>

#include "app/window_context.h"

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
  // The settings of the picture changed: the blocks still to come take them.
  void TellAboutPicture();

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
};

}  // namespace sonavix
