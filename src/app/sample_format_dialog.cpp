#include "app/sample_format_dialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QVBoxLayout>
#include <utility>

namespace sonavix {

namespace {

QPushButton* NamedButton(const char* name, const QString& caption) {
  auto* button = new QPushButton(caption);
  button->setObjectName(QString::fromLatin1(name));
  button->setAutoDefault(false);
  return button;
}

}  // namespace

SampleFormatDialog::SampleFormatDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("SampleFormat"));
  setWindowTitle(QStringLiteral("Sampleformat ändern"));

  stereoBox_ = new QCheckBox(QStringLiteral("Stereo (ansonsten Mono)"));
  stereoBox_->setObjectName(QStringLiteral("stereoBox"));
  sixteenBitBox_ = new QCheckBox(QStringLiteral("16 Bit Samples (ansonsten 8 Bit)"));
  sixteenBitBox_->setObjectName(QStringLiteral("sixteenBitBox"));

  rateLabel_ = new QLabel(QStringLiteral("Samples pro Sekunde:"));
  rateLabel_->setObjectName(QStringLiteral("rateLabel"));
  rateField_ = new QSpinBox;
  rateField_->setObjectName(QStringLiteral("rateField"));
  rateField_->setRange(kMinRate, kMaxRate);
  rateField_->setValue(44100);
  rateLabel_->setBuddy(rateField_);

  // The rate buttons only fill in the field; nothing is converted before OK.
  rate8000Button_ = NamedButton("rate8000Button", QStringLiteral("->8000 Hz"));
  rate11025Button_ = NamedButton("rate11025Button", QStringLiteral("->11025 Hz"));
  rate22050Button_ = NamedButton("rate22050Button", QStringLiteral("->22050 Hz"));
  rate44100Button_ = NamedButton("rate44100Button", QStringLiteral("->44100 Hz"));
  const std::pair<QPushButton*, int> presets[] = {
      {rate8000Button_, 8000}, {rate11025Button_, 11025}, {rate22050Button_, 22050}, {rate44100Button_, 44100}};
  for (const auto& [button, rate] : presets) {
    connect(button, &QPushButton::clicked, this,
            [this, rate = rate] { rateField_->setValue(rate); });
  }

  okButton_ = NamedButton("okButton", QStringLiteral("OK"));
  okButton_->setDefault(true);
  cancelButton_ = NamedButton("cancelButton", QStringLiteral("Abbrechen"));
  connect(okButton_, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);

  auto* rateRow = new QHBoxLayout;
  rateRow->addWidget(rateLabel_);
  rateRow->addWidget(rateField_, 1);
  auto* presetGrid = new QGridLayout;
  presetGrid->addWidget(rate8000Button_, 0, 0);
  presetGrid->addWidget(rate11025Button_, 0, 1);
  presetGrid->addWidget(rate22050Button_, 1, 0);
  presetGrid->addWidget(rate44100Button_, 1, 1);
  auto* closeRow = new QHBoxLayout;
  closeRow->addStretch(1);
  closeRow->addWidget(okButton_);
  closeRow->addWidget(cancelButton_);

  auto* column = new QVBoxLayout(this);
  column->addWidget(stereoBox_);
  column->addWidget(sixteenBitBox_);
  column->addLayout(rateRow);
  column->addLayout(presetGrid);
  column->addStretch(1);
  column->addLayout(closeRow);
  setFixedSize(300, 220);
}

void SampleFormatDialog::Preset(const SoundFormat& format) {
  stereoBox_->setChecked(format.IsStereo);
  sixteenBitBox_->setChecked(format.Is16Bit);
  rateField_->setValue(format.SampleRate);  // the spin box limits it to its range
}

SoundFormat SampleFormatDialog::Chosen() const {
  return {rateField_->value(), stereoBox_->isChecked(), sixteenBitBox_->isChecked()};
}

void SampleFormatDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // Centred on the screen, not on the main window.
  if (const QScreen* shown = screen()) move(shown->availableGeometry().center() - rect().center());
}

}  // namespace sonavix
