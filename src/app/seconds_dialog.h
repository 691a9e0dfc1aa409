#pragma once
// The time-span dialog that asks how many seconds an effect should span.

#include <QDialog>

class QDoubleSpinBox;

namespace sonavix {

class SecondsDialog final : public QDialog {
  Q_OBJECT
 public:
  explicit SecondsDialog(QWidget* parent = nullptr);

  // Each command presets its own length before showing the dialog.
  void SetSeconds(double seconds);
  double Seconds() const;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QDoubleSpinBox* secondsField_ = nullptr;
};

}  // namespace sonavix
