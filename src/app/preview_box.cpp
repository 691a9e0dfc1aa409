#include "app/preview_box.h"

#include <QPainter>

#include "app/preview_window.h"

namespace sonavix {

PreviewBox::PreviewBox(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("preview"));
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void PreviewBox::Show(const QImage& picture) {
  picture_ = picture;
  repaint();
  if (window_) window_->Show(picture);
}

PreviewWindow* PreviewBox::OpenWindow() {
  if (!window_) window_ = new PreviewWindow(window());
  window_->Show(picture_);
  window_->show();
  window_->raise();
  return window_;
}

void PreviewBox::mouseDoubleClickEvent(QMouseEvent*) { OpenWindow(); }

void PreviewBox::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QRect area = rect();
  painter.fillRect(area, palette().color(QPalette::Dark));
  // A picture of the box's size is drawn as it is.
  if (picture_.isNull()) return;
  if (picture_.size() == area.size()) {
    painter.drawImage(0, 0, picture_);
    return;
  }
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawImage(FitPicture(picture_.size(), area), picture_);
}

}  // namespace sonavix
