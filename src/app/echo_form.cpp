#include "app/echo_form.h"

#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/dialog_placement.h"

namespace sonavix {

TEchoForm::TEchoForm(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("EchoForm"));
  setWindowTitle(QStringLiteral("Effekt"));

  auto* label1 = new QLabel(QStringLiteral("Zeitspanne:"));
  label1->setObjectName(QStringLiteral("Label1"));
  ZeitEd = new QDoubleSpinBox;
  ZeitEd->setObjectName(QStringLiteral("ZeitEd"));
  ZeitEd->setDecimals(6);  // enough for the smallest span, one microsecond
  ZeitEd->setRange(1e-06, 100);
  ZeitEd->setSingleStep(0.1);
  ZeitEd->setValue(0.5);
  label1->setBuddy(ZeitEd);
  auto* label2 = new QLabel(QStringLiteral("Sekunden"));
  label2->setObjectName(QStringLiteral("Label2"));

  auto* ok = new QPushButton(QStringLiteral("OK"));
  ok->setObjectName(QStringLiteral("BitBtnXP1"));
  ok->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("Abbrechen"));
  cancel->setObjectName(QStringLiteral("BitBtnXP2"));
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

  auto* field = new QHBoxLayout;
  field->addWidget(label1);
  field->addWidget(ZeitEd, 1);
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

void TEchoForm::SetSeconds(double seconds) { ZeitEd->setValue(seconds); }

double TEchoForm::Seconds() const { return ZeitEd->value(); }

void TEchoForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  CenterOnScreen(*this);
}

}  // namespace sonavix
