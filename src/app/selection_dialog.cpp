#include "app/selection_dialog.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "view/time_scale.h"

namespace sonavix {

namespace {

std::optional<double> TimeIn(const QLineEdit* field) { return ParseClock(field->text().toStdString()); }

}  // namespace

SelectionDialog::SelectionDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("selectionDialog"));
  setWindowTitle(QStringLiteral("Auswahl"));
  startField = new QLineEdit;
  startField->setObjectName(QStringLiteral("startField"));
  endField = new QLineEdit;
  endField->setObjectName(QStringLiteral("endField"));
  for (QLineEdit* field : {startField, endField}) {
    field->setPlaceholderText(QStringLiteral("0:00,000"));
    connect(field, &QLineEdit::textChanged, this, &SelectionDialog::Check);
  }
  auto* fields = new QFormLayout;
  fields->addRow(QStringLiteral("&Anfang:"), startField);
  fields->addRow(QStringLiteral("&Ende:"), endField);
  auto* hint = new QLabel(QStringLiteral("Zeiten als Minuten:Sekunden,Millisekunden"));

  okButton_ = new QPushButton(QStringLiteral("OK"));
  okButton_->setObjectName(QStringLiteral("okButton"));
  okButton_->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("Abbrechen"));
  connect(okButton_, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(okButton_);
  buttons->addWidget(cancel);
  auto* column = new QVBoxLayout(this);
  column->addLayout(fields);
  column->addWidget(hint);
  column->addLayout(buttons);
  column->setSizeConstraint(QLayout::SetFixedSize);
}

void SelectionDialog::SetTimes(double start, double end, double length) {
  length_ = length;
  startField->setText(QString::fromStdString(ClockWithMilliseconds(start)));
  endField->setText(QString::fromStdString(ClockWithMilliseconds(end)));
  Check();
}

std::optional<double> SelectionDialog::Start() const { return TimeIn(startField); }

std::optional<double> SelectionDialog::End() const { return TimeIn(endField); }

void SelectionDialog::Check() {
  const std::optional<double> start = Start(), end = End();
  // A millisecond of slack: the end as shown may be rounded up.
  okButton_->setEnabled(start && end && *start <= *end && *end <= length_ + 0.0005);
}

}  // namespace sonavix
