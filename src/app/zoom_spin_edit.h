#pragma once
// The zoom field: a whole-number spin field whose arrows step by 10. A value
// set by a command or the arrows is limited to 1 ... 1 000 000 and rounded
// (a tie to the even number); a typed value stands as typed until the field
// loses the focus. `Changed` fires only when the text really changes.

#include <QAbstractSpinBox>
#include <cstdint>

namespace sonavix {

class ZoomSpinEdit final : public QAbstractSpinBox {
  Q_OBJECT
 public:
  explicit ZoomSpinEdit(QWidget* parent = nullptr);

  // The value as it stands in the text (1 when the text is not a number).
  std::int64_t Value() const;
  void SetValue(double value);

  void stepBy(int steps) override;

 signals:
  void Changed();

 protected:
  StepEnabled stepEnabled() const override;
  QValidator::State validate(QString& input, int& pos) const override;
  void fixup(QString& input) const override;
  void focusOutEvent(QFocusEvent* event) override;
};

}  // namespace sonavix
