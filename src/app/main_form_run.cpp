// Playback: the run with its play cursor and live picture, STOP, and the
// font of the picture's text.

#include <QCheckBox>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <algorithm>

#include "app/background_job.h"
#include "app/font_in_use.h"
#include "app/main_form.h"
#include "app/paint_box.h"
#include "app/preview_window.h"
#include "app/user_prompts.h"
#include "app/worker_run_host.h"
#include "playback/run.h"
#include "playback/sound_device.h"
#include "video/frame_renderer.h"

namespace sonavix {

namespace {
constexpr int kPreviewSize = 400;
}

// Playback runs on its own worker: the run's blocks, the sound card's
// pacing and the pictures there, the cursor and the pictures shown here, and
// the window's edits taken in between blocks under the sound's lock.
bool TMainForm::StartRun() {
  if (running_ || !sound_ || playJob_->Running()) return false;
  running_ = true;
  pictureSize_ = {kPreviewSize, kPreviewSize};
  actions_.play->setEnabled(false);
  EnableExportButton(false);
  actions_.stop->setEnabled(true);
  stopRequested_ = false;
  cursorX_ = -1;
  WorkerRunHost::Window window{Edit1->text(), pictureFont_, SchleifeCheck->isChecked(),
                               [this](const QImage& picture) { ShowPicture(picture); },
                               [this](std::int64_t frame) { MoveCursor(frame); }};
  playHost_ = WorkerRunHost::Live(*playJob_, doc_, soundLock_, std::move(window));
  playJob_->Start([this, size = pictureSize_] {
    FrameRenderer renderer(size.width(), size.height());
    RunBlocks(*playHost_, *sound_, renderer);
    playJob_->Finish([this] {
      // Whatever way the run ended, the window goes back to rest.
      playHost_.reset();
      running_ = false;
      actions_.play->setEnabled(true);
      if (!soundLocked_) EnableExportButton(true);
      actions_.stop->setEnabled(false);
      cursorX_ = -1;
      PaintBox1Paint();
    });
  });
  return true;
}

void TMainForm::PlayBtnClick() { StartRun(); }

void TMainForm::StopBTNClick() {
  stopRequested_ = true;
  StopJob();
  playJob_->RequestStop();
}

void TMainForm::BitBtnXP1Click() {
  // The dialog starts on the font the picture really uses, the one the
  // system found for the requested family; a font it hands back unchanged
  // leaves the picture's font exactly as it was.
  const QFont shown = FontInUse(pictureFont_);
  const std::optional<QFont> font = prompts_.AskFont(this, shown);
  if (font && !SameDialogChoice(*font, shown)) pictureFont_ = *font;
  ShowPictureFont();
  TellJobAboutPicture();
}

void TMainForm::ShowPictureFont() { actions_.chooseFont->setToolTip(FontInUseText(pictureFont_)); }

void TMainForm::MoveCursor(std::int64_t lastFrame) {
  const std::int64_t x = CursorColumn(doc_, lastFrame, Zoom(), RxSlider1->value());
  cursorX_ = static_cast<int>(std::clamp<std::int64_t>(x, -1, PaintBox1->width()));
  PaintBox1->repaint();
}

void TMainForm::ShowPicture(const QImage& picture) {
  previewImage_ = picture;
  PaintBox2->repaint();
  if (previewWindow_) previewWindow_->Show(picture);
}

PreviewWindow* TMainForm::OpenPreviewWindow() {
  if (!previewWindow_) previewWindow_ = new PreviewWindow(this);
  previewWindow_->Show(previewImage_);
  previewWindow_->show();
  previewWindow_->raise();
  return previewWindow_;
}

// The waveform, and over it the play cursor: a white line drawn in XOR, so
// that it shows on any colour.
void TMainForm::PaintBox1Draw(QPainter& painter) {
  inPaintEvent_ = true;
  PaintBox1Paint();
  inPaintEvent_ = false;
  if (waveBitmap_.isNull()) return;
  painter.drawImage(0, 0, waveBitmap_);
  if (cursorX_ < 0 || cursorX_ >= waveBitmap_.width()) return;
  painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
  painter.setPen(Qt::white);
  painter.drawLine(cursorX_, 0, cursorX_, waveBitmap_.height() - 1);
}

void TMainForm::PaintBox2Draw(QPainter& painter) {
  const QRect area = PaintBox2->rect();
  painter.fillRect(area, PaintBox2->palette().color(QPalette::Dark));
  // The whole picture, scaled to fit the box with its shape kept (a
  // picture of the box's size is drawn as it is).
  if (previewImage_.isNull()) return;
  if (previewImage_.size() == area.size()) {
    painter.drawImage(0, 0, previewImage_);
    return;
  }
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawImage(FitPicture(previewImage_.size(), area), previewImage_);
}

}  // namespace sonavix
