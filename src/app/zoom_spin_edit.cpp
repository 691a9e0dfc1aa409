#include "app/zoom_spin_edit.h"

#include <QLineEdit>

#include "view/zoom.h"

namespace sonavix {

ZoomSpinEdit::ZoomSpinEdit(QWidget* parent) : QAbstractSpinBox(parent) {
  lineEdit()->setText(QString::number(kInitialZoom));
  connect(lineEdit(), &QLineEdit::textChanged, this, &ZoomSpinEdit::Changed);
}

std::int64_t ZoomSpinEdit::Value() const { return ParseZoomText(text().toStdString()); }

void ZoomSpinEdit::SetValue(double value) {
  const QString text = QString::number(LimitZoom(value));
  if (text != lineEdit()->text()) lineEdit()->setText(text);
}

void ZoomSpinEdit::stepBy(int steps) { SetValue(double(Value()) + 10.0 * steps); }

QAbstractSpinBox::StepEnabled ZoomSpinEdit::stepEnabled() const {
  const std::int64_t v = Value();
  StepEnabled enabled = StepNone;
  if (v < kMaxZoom) enabled |= StepUpEnabled;
  if (v > kMinZoom) enabled |= StepDownEnabled;
  return enabled;
}

QValidator::State ZoomSpinEdit::validate(QString& input, int&) const {
  // Digits, with at most one leading minus sign while typing; at most ten
  // characters, which keeps the value within reach of a 64-bit number.
  if (input.size() > 10) return QValidator::Invalid;
  for (qsizetype i = 0; i < input.size(); ++i) {
    const QChar c = input.at(i);
    if (!c.isDigit() && !(i == 0 && c == '-')) return QValidator::Invalid;
  }
  return QValidator::Acceptable;
}

void ZoomSpinEdit::fixup(QString& input) const {
  input = QString::number(LimitZoom(double(ParseZoomText(input.toStdString()))));
}

void ZoomSpinEdit::focusOutEvent(QFocusEvent* event) {
  // Out of range, or not a number at all: write back the value in force.
  SetValue(double(Value()));
  QAbstractSpinBox::focusOutEvent(event);
}

}  // namespace sonavix
