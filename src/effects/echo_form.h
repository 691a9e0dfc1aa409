#pragma once
// The time-span dialog that asks how many seconds an effect should span.

#include <QDialog>

namespace sonavix {

class TEchoForm final : public QDialog {
  Q_OBJECT
 public:
  explicit TEchoForm(QWidget* parent = nullptr);
};

}  // namespace sonavix
