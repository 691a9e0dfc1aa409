#pragma once
// The window as an export on a worker thread sees it: the sound as it was
// when the export started (its bytes borrowed, not copied: the commands
// that change them are off meanwhile, and its format and marks are taken
// then), the text and font as the user sets them now, and the pictures and
// the play cursor handed over to the window's thread, the newest only.

#include <QFont>
#include <QImage>
#include <QString>
#include <atomic>
#include <functional>
#include <mutex>

#include "document/audio_document.h"
#include "playback/run.h"

namespace sonavix {

class BackgroundJob;

class ExportHost final : public RunHost {
 public:
  // `showPicture` and `moveCursor` run on the window's thread.
  ExportHost(BackgroundJob& job, const AudioDocument& sound, QString text, QFont font,
             std::function<void(const QImage&)> showPicture, std::function<void(std::int64_t)> moveCursor);
  ~ExportHost() override;
  ExportHost(const ExportHost&) = delete;
  ExportHost& operator=(const ExportHost&) = delete;

  // From the window's thread, for the pictures still to come.
  void SetText(const QString& text);
  void SetFont(const QFont& font);

  void ProcessMessages() override {}
  const AudioDocument& Document() const override { return sound_; }
  bool StopRequested() const override;
  bool LoopChecked() const override { return false; }
  void MoveCursor(std::int64_t lastFrame) override;
  QString PictureText() const override;
  QFont PictureFont() const override;
  void ShowPicture(const QImage& picture) override;

 private:
  BackgroundJob& job_;
  AudioDocument sound_;  // the sample bytes are the window's: never freed here
  mutable std::mutex mutex_;
  QString text_;
  QFont font_;
  std::function<void(const QImage&)> showPicture_;
  std::function<void(std::int64_t)> moveCursor_;
  std::atomic<bool> pictureOnItsWay_{false};
  std::atomic<bool> cursorOnItsWay_{false};
};

}  // namespace sonavix
