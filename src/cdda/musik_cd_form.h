#pragma once
// The dialog that reads one track of an audio CD into the document.

#include <QDialog>

namespace sonavix {

class TMusikCDForm final : public QDialog {
  Q_OBJECT
 public:
  explicit TMusikCDForm(QWidget* parent = nullptr);
};

}  // namespace sonavix
