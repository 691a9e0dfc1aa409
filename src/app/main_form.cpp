#include "app/main_form.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPainter>
#include <QScrollBar>

#include "app/background_job.h"
#include "app/worker_run_host.h"
#include "app/main_form_mp3.h"
#include "app/messages.h"
#include "app/paint_box.h"
#include "app/progress_panel.h"
#include "app/user_prompts.h"
#include "app/zoom_spin_edit.h"
#include "document/local_names.h"
#include "document/sound_files.h"
#include "mp3/acm.h"
#include "mp3/acm_convertor.h"
#include "playback/sound_device.h"
#include "disc/disc_tools.h"
#include "video/media_writer.h"
#include "video/picture_font.h"
#include "view/waveform.h"
#include "view/zoom.h"

namespace sonavix {

namespace {

FileDialogSpec SaveDialog1(const QString& folder) {
  return {folder, QStringLiteral("WAV-Datei"), {QStringLiteral("*.WAV")}, QStringLiteral("WAV")};
}

}  // namespace

TMainForm::TMainForm(UserPrompts& prompts, std::unique_ptr<SoundDevice> sound,
                     std::unique_ptr<acm::AcmManager> codecs, QWidget* parent)
    : QMainWindow(parent),
      prompts_(prompts),
      codecs_(codecs ? std::move(codecs) : acm::CreateSystemAcm()),
      sound_(std::move(sound)),
      writerFactory_([] { return CreateMediaWriter(); }),
      discToolsFactory_([] { return CreateDiscTools(); }) {
  actions_ = CreateWindowActions(this);
  CreateMp3Import();
  BuildWindow();
  CreateAudioImport();
  job_ = std::make_unique<BackgroundJob>(nullptr);
  playJob_ = std::make_unique<BackgroundJob>(nullptr);
  BindCommands();
  FormCreate();
  ShowHistoryState();
}

TMainForm::~TMainForm() { FormDestroy(); }

void TMainForm::FormCreate() {
  waveBitmap_ = QImage();  // sized on every paint
  pictureFont_ = DefaultPictureFont();
  ShowPictureFont();
  // Without sound output the program cannot play or show its pictures: it
  // says so once and ends as soon as its message loop runs.
  if (!sound_ || !sound_->Open()) {
    prompts_.ShowMessage(this, kCannotInitSound);
    terminateRequested_ = true;
    QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit,
                              Qt::QueuedConnection);
  }
  DiscoverMp3Formats();
}

void TMainForm::FormClose() {
  stopRequested_ = true;
  StopJob();
  playJob_->RequestStop();
}

void TMainForm::FormDestroy() {
  stopRequested_ = true;
  // A job still at work reads the sound: it ends before the sound goes.
  if (playJob_) playJob_->RequestStop();
  job_.reset();
  playJob_.reset();
  runHost_.reset();
  playHost_.reset();
  if (sound_) sound_->Stop();
  sound_.reset();
  doc_.SampleData.reset();
  doc_.DataSize = 0;
  waveBitmap_ = QImage();
}

void TMainForm::closeEvent(QCloseEvent* event) {
  if (!MayLetSoundGo()) return event->ignore();
  FormClose();
  event->accept();
}

std::int64_t TMainForm::Zoom() const { return UsableZoom(ZoomOutEd->Value()); }

int TMainForm::ViewWidth() const { return PaintBox1->width(); }

std::int32_t TMainForm::MarkUnderPointer(int x) const {
  return MarkAtColumn(doc_.SampleCount(), Zoom(), RxSlider1->value(), x);
}

void TMainForm::SetProStatus(int percent) { progress_->SetProStatus(percent); }

void TMainForm::ShowStatusText(const QString& text) {
  if (statusText_ == text) return;
  statusText_ = text;
  // A long file name is shortened in the middle; the whole text is in the
  // tooltip.
  const QString shown = StatusText_->fontMetrics().elidedText(text, Qt::ElideMiddle, StatusText_->width() - 4);
  StatusText_->setText(shown);
  StatusText_->setToolTip(shown == text ? QString() : text);
  StatusText_->repaint();
}

QString TMainForm::StatusText() const { return statusText_; }

void TMainForm::SaveBtnClick() { SaveSound(); }

bool TMainForm::SaveSound() {
  const std::optional<QString> name = prompts_.AskSaveFileName(this, SaveDialog1(recentFolder_.Start()));
  if (!name) return false;
  if (!SaveSoundFile(doc_, LocalPath(*name))) {
    prompts_.ShowError(this, kCannotSave);
    return false;
  }
  recentFolder_.Remember(*name);
  // The history stays: the saved state is the one without the mark.
  history_.MarkSaved();
  soundName_ = DisplayName(QFileInfo(*name).fileName());
  ShowHistoryState();
  return true;
}

void TMainForm::Beenden1Click() { close(); }

void TMainForm::berdasProgramm1Click() {
  if (forms_.AboutBox) prompts_.RunModal(*forms_.AboutBox);
}

void TMainForm::SelectNothingBtnClick() {
  doc_.SelStart = 0;
  doc_.SelEnd = 0;
  PaintBox1Paint();
}

void TMainForm::ZoomOutFullClick() {
  ZoomOutEd->SetValue(double(WholeFileZoom(doc_.SampleCount(), ViewWidth())));
}

void TMainForm::ZoomInFullClick() { ZoomOutEd->SetValue(1); }

void TMainForm::ZoomKleinerBtnClick() { ZoomOutEd->SetValue(ZoomSmaller(ZoomOutEd->Value())); }

void TMainForm::ZoomGroesserBtnClick() { ZoomOutEd->SetValue(ZoomLarger(ZoomOutEd->Value())); }

void TMainForm::ZoomSelClick() {
  ZoomOutEd->SetValue(double(SelectionZoom(doc_, ViewWidth())));
  const std::int64_t scroll = SelectionScroll(doc_, Zoom());
  RxSlider1->setValue(static_cast<int>(std::min<std::int64_t>(scroll, RxSlider1->maximum())));
}

void TMainForm::ZoomOutEdChange() {
  const int newMaximum = ScrollMaximum(doc_.SampleCount(), ViewWidth(), Zoom());
  const int position = RxSlider1->value();
  const int oldMaximum = RxSlider1->maximum();
  {
    const QSignalBlocker quiet(RxSlider1);  // one redraw below is enough
    RxSlider1->setMaximum(newMaximum);
    RxSlider1->setValue(RescaledScrollPosition(position, oldMaximum, newMaximum));
  }
  PaintBox1Paint();
}

void TMainForm::RxSlider1Change() { PaintBox1Paint(); }

void TMainForm::PaintBox1Paint() {
  ++paintCount_;
  const QSize size = PaintBox1->size();
  if (size.isEmpty()) return;
  if (waveBitmap_.size() != size) waveBitmap_ = QImage(size, QImage::Format_RGB32);
  PaintWaveform(waveBitmap_, doc_, Zoom(), RxSlider1->value());
  // Called as a command, the picture goes to the screen at once; called from
  // the box's own paint event, that event copies it.
  if (!inPaintEvent_) PaintBox1->repaint();
}

void TMainForm::PaintBox1MouseDown(Qt::MouseButton, Qt::MouseButtons, int x) {
  doc_.SelEnd = doc_.SelStart = MarkUnderPointer(x);
  PaintBox1Paint();
}

void TMainForm::PaintBox1MouseMove(Qt::MouseButton, Qt::MouseButtons held, int x) {
  if (!(held & Qt::LeftButton)) return;
  doc_.SelStart = MarkUnderPointer(x);
  PaintBox1Paint();
}

void TMainForm::PaintBox1MouseUp(Qt::MouseButton, Qt::MouseButtons, int x) {
  doc_.SelStart = MarkUnderPointer(x);
  PaintBox1Paint();
}

}  // namespace sonavix
