#include "app/waveform_view.h"

#include <QMouseEvent>
#include <QWheelEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSignalBlocker>
#include <algorithm>
#include <cmath>
#include <cstdlib>

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
  emit Drawn();
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
  emit PlayPositionChanged(lastFrame);
}

void WaveformView::HideCursor() {
  cursorX_ = -1;
  Redraw();
  emit PlayPositionChanged(-1);
}

std::int32_t WaveformView::MarkUnder(const QMouseEvent& event) const {
  const int x = static_cast<int>(std::floor(event.position().x()));
  return MarkAtColumn(doc_.SampleCount(), Zoom(), scrollBar_->value(), x);
}

// Dragging with the left button and letting go move the start mark.
void WaveformView::SetMarkUnder(const QMouseEvent& event, bool both) {
  doc_.SelStart = MarkUnder(event);
  if (both) doc_.SelEnd = doc_.SelStart;
  Redraw();
  emit MarksChanged();
}

// A press sets both marks, with Shift only the moving one: the selection
// then reaches from where it began to the pointer.
void WaveformView::mousePressEvent(QMouseEvent* event) {
  SetMarkUnder(*event, !(event->modifiers() & Qt::ShiftModifier));
}

void WaveformView::mouseMoveEvent(QMouseEvent* event) {
  if (event->buttons() & Qt::LeftButton) SetMarkUnder(*event, false);
}

void WaveformView::mouseReleaseEvent(QMouseEvent* event) { SetMarkUnder(*event, false); }

void WaveformView::wheelEvent(QWheelEvent* event) {
  const QPoint delta = event->angleDelta();
  const int notches = (std::abs(delta.y()) >= std::abs(delta.x()) ? delta.y() : delta.x()) / 120;
  if (notches == 0) return event->ignore();
  event->accept();
  if (event->modifiers() & Qt::ControlModifier) {
    // The sample under the pointer stays under it.
    const int x = static_cast<int>(std::floor(event->position().x()));
    const std::int64_t sample = Zoom() * (x + std::int64_t{scrollBar_->value()});
    for (int i = 0; i < std::abs(notches); ++i) notches > 0 ? ZoomLarger() : ZoomSmaller();
    const std::int64_t scroll = std::max<std::int64_t>(0, sample / Zoom() - x);
    scrollBar_->setValue(static_cast<int>(std::min<std::int64_t>(scroll, scrollBar_->maximum())));
    return;
  }
  // An eighth of the view a notch; a wheel turned down goes on in the sound.
  const int step = std::max(1, width() / 8);
  scrollBar_->setValue(scrollBar_->value() - notches * step);
}

void WaveformView::SelectAll() { Select(0, doc_.SampleCount()); }

void WaveformView::Select(std::int32_t first, std::int32_t last) {
  const std::int32_t count = std::max(doc_.SampleCount(), 0);
  const std::int32_t channels = doc_.IsStereo ? 2 : 1;
  // Marks stand on a frame's first sample.
  const auto onFrame = [&](std::int32_t mark) { return std::clamp(mark, 0, count) / channels * channels; };
  doc_.SelEnd = onFrame(std::min(first, last));
  doc_.SelStart = onFrame(std::max(first, last));
  ShowSample(doc_.SelEnd);
  Redraw();
  emit MarksChanged();
}

void WaveformView::GoToStart() {
  Select(0, 0);
  scrollBar_->setValue(0);
}

void WaveformView::GoToEnd() {
  const std::int32_t end = std::max(doc_.SampleCount(), 0);
  Select(end, end);
  scrollBar_->setValue(scrollBar_->maximum());
}

void WaveformView::ShowSample(std::int64_t sample) {
  const std::int64_t column = sample / Zoom();
  const int first = scrollBar_->value();
  if (column >= first && column < first + width()) return;
  scrollBar_->setValue(static_cast<int>(std::clamp<std::int64_t>(column - width() / 8, 0, scrollBar_->maximum())));
}

}  // namespace sonavix
