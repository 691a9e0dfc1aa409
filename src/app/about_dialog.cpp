#include "app/about_dialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>
#include <cmath>

namespace sonavix {

QPixmap ProgramPicture(int size) {
  QPixmap picture(size, size);
  picture.fill(QColor(96, 0, 0));
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);
  const double centre = size / 2.0;
  for (int i = 0; i < 12; ++i) {
    const double angle = i * 2 * M_PI / 12;
    const double reach = size * (0.18 + 0.05 * (i % 3));
    const double radius = size * (0.05 + 0.015 * (i % 4));
    painter.setPen(QPen(QColor(0, 255, 0), 1.5));
    painter.setBrush(QColor(128, 128, 255, 110));
    painter.drawEllipse(QPointF(centre + reach * std::cos(angle), centre + reach * std::sin(angle)),
                        radius, radius);
  }
  painter.setPen(QPen(QColor(0, 255, 255), 2));
  painter.setBrush(Qt::NoBrush);
  painter.drawEllipse(QPointF(centre, centre), size * 0.1, size * 0.1);
  return picture;
}

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("AboutBox"));
  setWindowTitle(QStringLiteral("Info"));
  auto* picture = new QLabel;
  picture->setObjectName(QStringLiteral("ProgramIcon"));
  picture->setPixmap(ProgramPicture(96));
  auto* text = new QLabel(QStringLiteral(
      "<b>Quorvin Sonavix</b><br>Version 1.0<br><br>"
      "Macht aus Musik ein Video: MPEG für Video-CD, Super Video CD und DVD (PAL und NTSC), "
      "Disc-Abbilder zum Brennen (CUE/BIN und ISO) und MP4 (720p und 1080p) fürs Web; "
      "dazu WAV-Dateien.<br><br>"
      "Copyright © 2026 Quorvin Software"));
  text->setObjectName(QStringLiteral("ProductName"));
  text->setWordWrap(true);
  auto* row = new QHBoxLayout;
  row->addWidget(picture, 0, Qt::AlignTop);
  row->addWidget(text, 1);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  auto* column = new QVBoxLayout(this);
  column->addLayout(row);
  column->addWidget(buttons);
  setFixedSize(380, 200);
}

}  // namespace sonavix
