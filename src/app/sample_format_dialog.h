#pragma once
// The dialog that asks for a new sample rate, channel count and sample width.

#include <QDialog>

#include "document/audio_document.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QSpinBox;

namespace sonavix {

class SampleFormatDialog final : public QDialog {
  Q_OBJECT
 public:
  explicit SampleFormatDialog(QWidget* parent = nullptr);

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
  QCheckBox* stereoBox_;
  QCheckBox* sixteenBitBox_;
  QLabel* rateLabel_;
  QSpinBox* rateField_;
  QPushButton* rate8000Button_;
  QPushButton* rate11025Button_;
  QPushButton* rate22050Button_;
  QPushButton* rate44100Button_;
  QPushButton* okButton_;
  QPushButton* cancelButton_;
};

}  // namespace sonavix
