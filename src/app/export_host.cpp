#include "app/export_host.h"

#include "app/background_job.h"

namespace sonavix {

ExportHost::ExportHost(BackgroundJob& job, const AudioDocument& sound, QString text, QFont font,
                       std::function<void(const QImage&)> showPicture, std::function<void(std::int64_t)> moveCursor)
    : job_(job),
      text_(std::move(text)),
      font_(std::move(font)),
      showPicture_(std::move(showPicture)),
      moveCursor_(std::move(moveCursor)) {
  sound_.SampleData.reset(sound.SampleData.get());
  sound_.DataSize = sound.DataSize;
  sound_.SelStart = sound.SelStart;
  sound_.SelEnd = sound.SelEnd;
  sound_.SampleRate = sound.SampleRate;
  sound_.IsStereo = sound.IsStereo;
  sound_.Is16Bit = sound.Is16Bit;
}

ExportHost::~ExportHost() { static_cast<void>(sound_.SampleData.release()); }

void ExportHost::SetText(const QString& text) {
  const std::lock_guard lock(mutex_);
  text_ = text;
}

void ExportHost::SetFont(const QFont& font) {
  const std::lock_guard lock(mutex_);
  font_ = font;
}

bool ExportHost::StopRequested() const { return job_.StopRequested(); }

QString ExportHost::PictureText() const {
  const std::lock_guard lock(mutex_);
  return text_;
}

QFont ExportHost::PictureFont() const {
  const std::lock_guard lock(mutex_);
  return font_;
}

// A picture goes over only when the last one has been shown: the window
// never falls behind the export, it skips pictures instead.
void ExportHost::ShowPicture(const QImage& picture) {
  if (pictureOnItsWay_.exchange(true)) return;
  job_.Post([this, copy = picture.copy()] {
    pictureOnItsWay_.store(false);
    showPicture_(copy);
  });
}

void ExportHost::MoveCursor(std::int64_t lastFrame) {
  if (cursorOnItsWay_.exchange(true)) return;
  job_.Post([this, lastFrame] {
    cursorOnItsWay_.store(false);
    moveCursor_(lastFrame);
  });
}

}  // namespace sonavix
