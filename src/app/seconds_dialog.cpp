#include "app/seconds_dialog.h"

#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/dialog_placement.h"

namespace sonavix {

SecondsDialog::SecondsDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("EchoForm"));
  setWindowTitle(QStringLiteral("Effekt"));

  auto* label1 = new QLabel(QStringLiteral("Zeitspanne:"));
  label1->setObjectName(QStringLiteral("secondsLabel"));
  secondsField_ = new QDoubleSpinBox;
  secondsField_->setObjectName(QStringLiteral("secondsField"));
  secondsField_->setDecimals(6);  // enough for the smallest span, one microsecond
  secondsField_->setRange(1e-06, 100);
  secondsField_->setSingleStep(0.1);
  secondsField_->setValue(0.5);
  label1->setBuddy(secondsField_);
  auto* label2 = new QLabel(QStringLiteral("Sekunden"));
  label2->setObjectName(QStringLiteral("unitLabel"));

  auto* ok = new QPushButton(QStringLiteral("OK"));
  ok->setObjectName(QStringLiteral("okButton"));
  ok->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("Abbrechen"));
  cancel->setObjectName(QStringLiteral("cancelButton"));
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

  auto* field = new QHBoxLayout;
  field->addWidget(label1);
  field->addWidget(secondsField_, 1);
  field->addWidget(label2);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  auto* column = new QVBoxLayout(this);
  column->addLayout(field);
  column->addLayout(buttons);
  // A fixed dialog border: the size follows the controls, the user cannot drag it.
  column->setSizeConstraint(QLayout::SetFixedSize);
}

void SecondsDialog::SetSeconds(double seconds) { secondsField_->setValue(seconds); }

double SecondsDialog::Seconds() const { return secondsField_->value(); }

void SecondsDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  CenterOnScreen(*this);
}

}  // namespace sonavix
