#include "app/sample_format_form.h"

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

TSampleFormat::TSampleFormat(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("SampleFormat"));
  setWindowTitle(QStringLiteral("Sampleformat ändern"));

  stereocheck = new QCheckBox(QStringLiteral("Stereo (ansonsten Mono)"));
  stereocheck->setObjectName(QStringLiteral("stereocheck"));
  bit16check = new QCheckBox(QStringLiteral("16 Bit Samples (ansonsten 8 Bit)"));
  bit16check->setObjectName(QStringLiteral("bit16check"));

  Label1 = new QLabel(QStringLiteral("Samples pro Sekunde:"));
  Label1->setObjectName(QStringLiteral("Label1"));
  SamplesEd = new QSpinBox;
  SamplesEd->setObjectName(QStringLiteral("SamplesEd"));
  SamplesEd->setRange(kMinRate, kMaxRate);
  SamplesEd->setValue(44100);
  Label1->setBuddy(SamplesEd);

  // The rate buttons only fill in the field; nothing is converted before OK.
  BitBtnXP3 = NamedButton("BitBtnXP3", QStringLiteral("->8000 Hz"));
  BitBtnXP4 = NamedButton("BitBtnXP4", QStringLiteral("->11025 Hz"));
  BitBtnXP5 = NamedButton("BitBtnXP5", QStringLiteral("->22050 Hz"));
  BitBtnXP6 = NamedButton("BitBtnXP6", QStringLiteral("->44100 Hz"));
  const std::pair<QPushButton*, int> presets[] = {
      {BitBtnXP3, 8000}, {BitBtnXP4, 11025}, {BitBtnXP5, 22050}, {BitBtnXP6, 44100}};
  for (const auto& [button, rate] : presets) {
    connect(button, &QPushButton::clicked, this,
            [this, rate = rate] { SamplesEd->setValue(rate); });
  }

  BitBtnXP1 = NamedButton("BitBtnXP1", QStringLiteral("OK"));
  BitBtnXP1->setDefault(true);
  BitBtnXP2 = NamedButton("BitBtnXP2", QStringLiteral("Abbrechen"));
  connect(BitBtnXP1, &QPushButton::clicked, this, &QDialog::accept);
  connect(BitBtnXP2, &QPushButton::clicked, this, &QDialog::reject);

  auto* rateRow = new QHBoxLayout;
  rateRow->addWidget(Label1);
  rateRow->addWidget(SamplesEd, 1);
  auto* presetGrid = new QGridLayout;
  presetGrid->addWidget(BitBtnXP3, 0, 0);
  presetGrid->addWidget(BitBtnXP4, 0, 1);
  presetGrid->addWidget(BitBtnXP5, 1, 0);
  presetGrid->addWidget(BitBtnXP6, 1, 1);
  auto* closeRow = new QHBoxLayout;
  closeRow->addStretch(1);
  closeRow->addWidget(BitBtnXP1);
  closeRow->addWidget(BitBtnXP2);

  auto* column = new QVBoxLayout(this);
  column->addWidget(stereocheck);
  column->addWidget(bit16check);
  column->addLayout(rateRow);
  column->addLayout(presetGrid);
  column->addStretch(1);
  column->addLayout(closeRow);
  setFixedSize(300, 220);
}

void TSampleFormat::Preset(const SoundFormat& format) {
  stereocheck->setChecked(format.IsStereo);
  bit16check->setChecked(format.Is16Bit);
  SamplesEd->setValue(format.SampleRate);  // the spin box limits it to its range
}

SoundFormat TSampleFormat::Chosen() const {
  return {SamplesEd->value(), stereocheck->isChecked(), bit16check->isChecked()};
}

void TSampleFormat::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // Centred on the screen, not on the main window.
  if (const QScreen* shown = screen()) move(shown->availableGeometry().center() - rect().center());
}

}  // namespace sonavix
