#pragma once
// The dialog that asks for a new sample rate, channel count and sample width.

#include <QDialog>

namespace sonavix {

class TSampleFormat final : public QDialog {
  Q_OBJECT
 public:
  explicit TSampleFormat(QWidget* parent = nullptr);
};

}  // namespace sonavix
