#include "app/preview_window.h"

#include <QPainter>

namespace sonavix {

QRect FitPicture(QSize picture, const QRect& area) {
  if (picture.isEmpty() || area.isEmpty()) return {};
  const QSize fitted = picture.scaled(area.size(), Qt::KeepAspectRatio);
  return {area.x() + (area.width() - fitted.width()) / 2, area.y() + (area.height() - fitted.height()) / 2,
          fitted.width(), fitted.height()};
}

PreviewWindow::PreviewWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("PreviewWindow"));
  setWindowTitle(QStringLiteral("Vorschau"));
  setAttribute(Qt::WA_OpaquePaintEvent);
  resize(480, 360);
}

void PreviewWindow::Show(const QImage& picture) {
  if (picture.size() != picture_.size() && !picture.isNull()) {
    setMaximumSize(picture.size());
    if (width() > picture.width() || height() > picture.height()) resize(size().boundedTo(picture.size()));
  }
  picture_ = picture;
  if (isVisible()) update();
}

void PreviewWindow::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().color(QPalette::Dark));
  if (picture_.isNull()) return;
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawImage(FitPicture(picture_.size(), rect()), picture_);
}

}  // namespace sonavix
