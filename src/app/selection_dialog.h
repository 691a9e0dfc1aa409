#pragma once
// "Auswahl...": the selection's start and end typed as times (m:ss,mmm).
// OK stays off while either field holds no time or the end lies before
// the start.

#include <QDialog>
#include <optional>

class QLineEdit;
class QPushButton;

namespace sonavix {

class SelectionDialog final : public QDialog {
  Q_OBJECT
 public:
  explicit SelectionDialog(QWidget* parent = nullptr);

  // The fields as the selection stands, in seconds; `length` limits them.
  void SetTimes(double start, double end, double length);
  // The times typed, when they are times.
  std::optional<double> Start() const;
  std::optional<double> End() const;

  QLineEdit* startField = nullptr;
  QLineEdit* endField = nullptr;

 private:
  void Check();

  QPushButton* okButton_ = nullptr;
  double length_ = 0;
};

}  // namespace sonavix
