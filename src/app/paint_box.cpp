#include "app/paint_box.h"

#include <QMouseEvent>
#include <QPainter>
#include <cmath>

namespace sonavix {

PaintBox::PaintBox(QWidget* parent) : QWidget(parent) {}

void PaintBox::paintEvent(QPaintEvent*) {
  if (!paint_) return;  // the background shows until a handler draws here
  QPainter painter(this);
  paint_(painter);
}

void PaintBox::Forward(const MouseHandler& handler, QMouseEvent* event) {
  if (handler) handler(event->button(), event->buttons(), static_cast<int>(std::floor(event->position().x())));
}

void PaintBox::mousePressEvent(QMouseEvent* event) { Forward(down_, event); }
void PaintBox::mouseMoveEvent(QMouseEvent* event) { Forward(move_, event); }
void PaintBox::mouseReleaseEvent(QMouseEvent* event) { Forward(up_, event); }

void PaintBox::mouseDoubleClickEvent(QMouseEvent* event) {
  if (doubleClick_) {
    doubleClick_();
    return;
  }
  QWidget::mouseDoubleClickEvent(event);
}

}  // namespace sonavix
