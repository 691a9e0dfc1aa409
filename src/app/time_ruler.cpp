#include "app/time_ruler.h"

#include <QPainter>
#include <QScrollBar>
#include <algorithm>

#include "app/waveform_view.h"
#include "document/audio_document.h"
#include "view/time_scale.h"

namespace sonavix {

namespace {
constexpr int kHeight = 16;
constexpr int kLongTick = 6;
constexpr int kShortTick = 3;
}  // namespace

TimeRuler::TimeRuler(const AudioDocument& doc, const WaveformView& view, QWidget* parent)
    : QWidget(parent), doc_(doc), view_(view) {
  setObjectName(QStringLiteral("timeRuler"));
  setFixedHeight(kHeight);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  setAutoFillBackground(true);
  connect(&view, &WaveformView::Drawn, this, qOverload<>(&QWidget::update));
}

QSize TimeRuler::sizeHint() const { return {200, kHeight}; }

int TimeRuler::Origin() const { return view_.mapTo(window(), QPoint()).x() - mapTo(window(), QPoint()).x(); }

void TimeRuler::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setPen(palette().color(QPalette::WindowText));
  QFont small = font();
  // The program's font is set in pixels, others in points.
  if (small.pixelSize() > 0)
    small.setPixelSize(std::max(8, small.pixelSize() * 85 / 100));
  else if (small.pointSizeF() > 0)
    small.setPointSizeF(small.pointSizeF() * 0.85);
  painter.setFont(small);
  const int origin = Origin();
  const int bottom = height() - 1;
  painter.drawLine(origin, bottom, origin + view_.width() - 1, bottom);
  const std::vector<RulerTick> ticks = RulerTicks(doc_.SampleRate, doc_.IsStereo ? 2 : 1, view_.Zoom(),
                                                  view_.ScrollBar()->value(), view_.width());
  // Nothing past the sound's end.
  const std::int64_t end = std::int64_t{doc_.SampleCount()} / view_.Zoom() - view_.ScrollBar()->value();
  for (const RulerTick& tick : ticks) {
    if (tick.column > end) break;
    const int x = origin + tick.column;
    painter.drawLine(x, bottom - (tick.labelled ? kLongTick : kShortTick), x, bottom);
    if (tick.labelled)
      painter.drawText(QRect(x + 2, 0, 120, bottom - 1), Qt::AlignLeft | Qt::AlignTop,
                       QString::fromStdString(tick.label));
  }
}

}  // namespace sonavix
