#include "app/progress_panel.h"

#include <QPainter>

namespace sonavix {

int ProgressFillRight(int left, int right, int percent) {
  return left + (right - left) * percent / 100;
}

void DrawProgressPanel(QPainter& painter, const QRect& panel, int percent, const QColor& buttonFace) {
  const int fill = ProgressFillRight(panel.left(), panel.left() + panel.width(), percent);
  painter.fillRect(QRect(panel.left(), panel.top(), fill - panel.left(), panel.height()),
                   kProgressFill);
  painter.fillRect(QRect(fill, panel.top(), panel.left() + panel.width() - fill, panel.height()),
                   buttonFace);
}

ProgressPanel::ProgressPanel(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("ProgressPanel"));
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void ProgressPanel::SetPercent(int value) {
  if (value < 0 || value > 100) return;
  const bool grows = value >= percent_;
  percent_ = value;
  if (grows) {
    PaintMore();
  } else {
    repaint();
  }
}

void ProgressPanel::PaintMore() {
  const int fill = ProgressFillRight(rect_.left(), rect_.left() + rect_.width(), percent_);
  if (fill <= rect_.left()) return;
  ++fillDraws_;
  fillOnly_ = true;
  repaint(QRect(rect_.left(), rect_.top(), fill - rect_.left(), rect_.height()));
  fillOnly_ = false;
}

void ProgressPanel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (fillOnly_) {
    const int fill = ProgressFillRight(rect_.left(), rect_.left() + rect_.width(), percent_);
    painter.fillRect(QRect(rect_.left(), rect_.top(), fill - rect_.left(), rect_.height()),
                     kProgressFill);
    return;
  }
  DrawPanel(painter, rect());
}

void ProgressPanel::DrawPanel(QPainter& painter, const QRect& panel) {
  ++fullDraws_;
  DrawProgressPanel(painter, panel, percent_, palette().color(QPalette::Button));
  rect_ = panel;
}

}  // namespace sonavix
