#include "app/waveform_view.h"

#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSignalBlocker>
#include <algorithm>
#include <cmath>

#include "app/zoom_spin_edit.h"
#include "document/audio_document.h"
#include "playback/run.h"
#include "view/waveform.h"
#include "view/zoom.h"

namespace sonavix {

WaveformView::WaveformView(AudioDocument& doc, QWidget* parent)
    : QWidget(parent), doc_(doc), zoomField_(new ZoomSpinEdit), scrollBar_(new QScrollBar(Qt::Horizontal)) {
  setObjectName(QStringLiteral("waveform"));
  setAttribute(Qt::WA_OpaquePaintEvent);
  zoomField_->setObjectName(QStringLiteral("zoomField"));
  scrollBar_->setObjectName(QStringLiteral("waveformScrollBar"));
  scrollBar_->setRange(0, kInitialScrollMaximum);
  scrollBar_->setSingleStep(10);
  scrollBar_->setPageStep(100);
  connect(zoomField_, &ZoomSpinEdit::Changed, this, &WaveformView::ZoomChanged);
  connect(scrollBar_, &QScrollBar::valueChanged, this, &WaveformView::Redraw);
}

std::int64_t WaveformView::Zoom() const { return UsableZoom(zoomField_->Value()); }

void WaveformView::Render() {
  ++drawCount_;
  if (size().isEmpty()) return;
  if (bitmap_.size() != size()) bitmap_ = QImage(size(), QImage::Format_RGB32);
  PaintWaveform(bitmap_, doc_, Zoom(), scrollBar_->value());
}

void WaveformView::Redraw() {
  Render();
  repaint();
}

// The waveform, and over it the play cursor: a white line drawn in XOR, so
// that it shows on any colour.
void WaveformView::paintEvent(QPaintEvent*) {
  Render();
  if (bitmap_.isNull()) return;
  QPainter painter(this);
  painter.drawImage(0, 0, bitmap_);
  if (cursorX_ < 0 || cursorX_ >= bitmap_.width()) return;
  painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
  painter.setPen(Qt::white);
  painter.drawLine(cursorX_, 0, cursorX_, bitmap_.height() - 1);
}

void WaveformView::ShowWholeSound() {
  ZoomWholeFile();
  Redraw();
}

void WaveformView::ZoomWholeFile() { zoomField_->SetValue(double(WholeFileZoom(doc_.SampleCount(), width()))); }

void WaveformView::ZoomFull() { zoomField_->SetValue(1); }

void WaveformView::ZoomSmaller() { zoomField_->SetValue(sonavix::ZoomSmaller(zoomField_->Value())); }

void WaveformView::ZoomLarger() { zoomField_->SetValue(sonavix::ZoomLarger(zoomField_->Value())); }

void WaveformView::ZoomToSelection() {
  zoomField_->SetValue(double(SelectionZoom(doc_, width())));
  const std::int64_t scroll = SelectionScroll(doc_, Zoom());
  scrollBar_->setValue(static_cast<int>(std::min<std::int64_t>(scroll, scrollBar_->maximum())));
}

// A new zoom keeps the bar where it was, in proportion to its new length.
void WaveformView::ZoomChanged() {
  const int newMaximum = ScrollMaximum(doc_.SampleCount(), width(), Zoom());
  const int position = scrollBar_->value();
  const int oldMaximum = scrollBar_->maximum();
  {
    const QSignalBlocker quiet(scrollBar_);  // one redraw below is enough
    scrollBar_->setMaximum(newMaximum);
    scrollBar_->setValue(RescaledScrollPosition(position, oldMaximum, newMaximum));
  }
  Redraw();
}

void WaveformView::SelectNothing() {
  doc_.SelStart = 0;
  doc_.SelEnd = 0;
  Redraw();
  emit MarksChanged();
}

ViewState WaveformView::CurrentView() const { return {double(zoomField_->Value()), scrollBar_->value()}; }

void WaveformView::ShowView(const ViewState& view) {
  zoomField_->SetValue(view.zoom);
  {
    // The sound's length may have changed with the zoom staying put.
    const QSignalBlocker quiet(scrollBar_);
    scrollBar_->setMaximum(ScrollMaximum(doc_.SampleCount(), width(), Zoom()));
    scrollBar_->setValue(view.scroll);
  }
  Redraw();
}

void WaveformView::MoveCursor(std::int64_t lastFrame) {
  const std::int64_t x = CursorColumn(doc_, lastFrame, Zoom(), scrollBar_->value());
  cursorX_ = static_cast<int>(std::clamp<std::int64_t>(x, -1, width()));
  repaint();
}

void WaveformView::HideCursor() {
  cursorX_ = -1;
  Redraw();
}

std::int32_t WaveformView::MarkUnder(const QMouseEvent& event) const {
  const int x = static_cast<int>(std::floor(event.position().x()));
  return MarkAtColumn(doc_.SampleCount(), Zoom(), scrollBar_->value(), x);
}

// A press sets both marks; dragging with the left button and letting go
// move the start mark.
void WaveformView::SetMarkUnder(const QMouseEvent& event, bool both) {
  doc_.SelStart = MarkUnder(event);
  if (both) doc_.SelEnd = doc_.SelStart;
  Redraw();
  emit MarksChanged();
}

void WaveformView::mousePressEvent(QMouseEvent* event) { SetMarkUnder(*event, true); }

void WaveformView::mouseMoveEvent(QMouseEvent* event) {
  if (event->buttons() & Qt::LeftButton) SetMarkUnder(*event, false);
}

void WaveformView::mouseReleaseEvent(QMouseEvent* event) { SetMarkUnder(*event, false); }

bool WaveformView::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::MouseButtonPress: mousePressEvent(static_cast<QMouseEvent*>(event)); break;
    case QEvent::MouseMove: mouseMoveEvent(static_cast<QMouseEvent*>(event)); break;
    case QEvent::MouseButtonRelease: mouseReleaseEvent(static_cast<QMouseEvent*>(event)); break;
    default: break;
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace sonavix
