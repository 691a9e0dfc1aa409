// Playback: the run with its play cursor and live picture, STOP, and the
// font of the picture's text.

#include <QCheckBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <algorithm>

#include "app/font_in_use.h"
#include "app/main_form.h"
#include "app/paint_box.h"
#include "app/preview_window.h"
#include "app/user_prompts.h"
#include "playback/run.h"
#include "playback/sound_device.h"
#include "video/frame_renderer.h"

namespace sonavix {

namespace {
constexpr int kPreviewSize = 400;
}

// The window as the run sees it.
class MainFormRunHost final : public RunHost {
 public:
  explicit MainFormRunHost(TMainForm& form) : form_(form) {}

  void ProcessMessages() override { QCoreApplication::processEvents(); }
  const AudioDocument& Document() const override { return form_.doc_; }
  bool StopRequested() const override { return form_.stopRequested_; }
  bool LoopChecked() const override { return form_.SchleifeCheck->isChecked(); }
  void MoveCursor(std::int64_t lastFrame) override { form_.MoveCursor(lastFrame); }
  QString PictureText() const override { return form_.Edit1->text(); }
  QFont PictureFont() const override { return form_.pictureFont_; }
  void ShowPicture(const QImage& picture) override { form_.ShowPicture(picture); }

 private:
  TMainForm& form_;
};

bool TMainForm::StartRun(RunWriter* writer) {
  if (running_ || !sound_) return false;
  running_ = true;
  if (!writer) pictureSize_ = {kPreviewSize, kPreviewSize};
  FrameRenderer renderer(pictureSize_.width(), pictureSize_.height());
  PlayBtn->setEnabled(false);
  EnableExportButton(false);
  StopBTN->setEnabled(true);
  stopRequested_ = false;
  cursorX_ = -1;
  // Whatever way the run ends, the window goes back to rest.
  struct Rest {
    TMainForm& form;
    ~Rest() {
      form.running_ = false;
      form.PlayBtn->setEnabled(true);
      // The export enables its commands itself once its file is finished.
      if (!form.exportMode_) form.EnableExportButton(true);
      form.StopBTN->setEnabled(false);
      form.cursorX_ = -1;
      form.PaintBox1Paint();
    }
  } rest{*this};
  MainFormRunHost host(*this);
  RunBlocks(host, *sound_, renderer, writer);
  return true;
}

void TMainForm::PlayBtnClick() { StartRun(nullptr); }

void TMainForm::StopBTNClick() {
  stopRequested_ = true;
  StopJob();
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

void TMainForm::ShowPictureFont() { BitBtnXP1->setToolTip(FontInUseText(pictureFont_)); }

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
