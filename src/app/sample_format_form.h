#pragma once
// The dialog that asks for a new sample rate, channel count and sample width.

#include <QDialog>

#include "document/audio_document.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QSpinBox;

namespace sonavix {

class TSampleFormat final : public QDialog {
  Q_OBJECT
 public:
  explicit TSampleFormat(QWidget* parent = nullptr);

  // Ticks the boxes and fills the rate field from the document's format; a
  // rate outside the field's range is limited to it.
  void Preset(const SoundFormat& format);
  // The format the controls show now.
  SoundFormat Chosen() const;

  static constexpr int kMinRate = 1;
  static constexpr int kMaxRate = 200000;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QCheckBox* stereocheck;
  QCheckBox* bit16check;
  QLabel* Label1;
  QSpinBox* SamplesEd;
  QPushButton* BitBtnXP3;
  QPushButton* BitBtnXP4;
  QPushButton* BitBtnXP5;
  QPushButton* BitBtnXP6;
  QPushButton* BitBtnXP1;
  QPushButton* BitBtnXP2;
};

}  // namespace sonavix
