#pragma once
// The window as a run on a worker thread sees it. An export reads the sound
// as it was when it started: its bytes borrowed, not copied (the commands
// that change them are off meanwhile), its format and marks taken then.
// Playback reads the window's own sound under its lock, so that an edit
// comes in between blocks, as the run has always taken them. Either way
// the range is fixed at the start, the text, font and loop box are read as
// the user sets them now, and the pictures and the play cursor go over to
// the window's thread, the newest only.

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

class WorkerRunHost final : public RunHost {
 public:
  struct Window {
    QString text;
    QFont font;
    bool loop = false;
    std::function<void(const QImage&)> showPicture;  // run on the window's thread
    std::function<void(std::int64_t)> moveCursor;    // likewise
  };
  // An export of the sound as it is now.
  static std::unique_ptr<WorkerRunHost> Snapshot(BackgroundJob& job, const AudioDocument& sound, Window window);
  // Playback of the window's sound, changed under `lock` meanwhile.
  static std::unique_ptr<WorkerRunHost> Live(BackgroundJob& job, const AudioDocument& sound, std::mutex& lock,
                                             Window window);
  ~WorkerRunHost() override;
  WorkerRunHost(const WorkerRunHost&) = delete;
  WorkerRunHost& operator=(const WorkerRunHost&) = delete;

  // From the window's thread, for the blocks and pictures still to come.
  void SetText(const QString& text);
  void SetFont(const QFont& font);
  void SetLoop(bool loop) { loop_.store(loop); }
  // Run on the worker before each block: the place to take a new look of
  // the picture in between pictures. Set before the run starts.
  void SetBeforeBlock(std::function<void()> beforeBlock) { beforeBlock_ = std::move(beforeBlock); }

  void BeforeBlock() override {
    if (beforeBlock_) beforeBlock_();
  }
  const AudioDocument& Document() const override { return live_ ? *live_ : snapshot_; }
  std::mutex* DocumentLock() override { return lock_; }
  FrameRange RunRange() const override { return range_; }
  bool StopRequested() const override;
  bool LoopChecked() const override { return loop_.load(); }
  void MoveCursor(std::int64_t lastFrame) override;
  QString PictureText() const override;
  QFont PictureFont() const override;
  void ShowPicture(const QImage& picture) override;

 private:
  WorkerRunHost(BackgroundJob& job, Window window);

  BackgroundJob& job_;
  AudioDocument snapshot_;  // its sample bytes are the window's: never freed here
  const AudioDocument* live_ = nullptr;
  std::mutex* lock_ = nullptr;
  FrameRange range_;
  mutable std::mutex mutex_;
  QString text_;
  QFont font_;
  std::atomic<bool> loop_;
  std::function<void(const QImage&)> showPicture_;
  std::function<void(std::int64_t)> moveCursor_;
  std::function<void()> beforeBlock_;
  std::atomic<bool> pictureOnItsWay_{false};
  std::atomic<bool> cursorOnItsWay_{false};
};

}  // namespace sonavix
