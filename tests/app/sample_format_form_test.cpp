// The sample format dialog: presetting it from a sound, the rate buttons and
// the limits of the rate field.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QPushButton>
#include <utility>

#include "app/sample_format_form.h"

namespace sonavix {
namespace {

TEST(SampleFormatDialog, PresetShowsTheSoundAndChosenReadsTheControlsBack) {
  TSampleFormat dialog;
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Sampleformat ändern"));
  EXPECT_EQ(dialog.Chosen().SampleRate, 44100);
  dialog.Preset({22050, true, false});
  auto* stereo = dialog.findChild<QCheckBox*>(QStringLiteral("stereocheck"));
  auto* bit16 = dialog.findChild<QCheckBox*>(QStringLiteral("bit16check"));
  EXPECT_TRUE(stereo->isChecked());
  EXPECT_FALSE(bit16->isChecked());
  EXPECT_EQ(dialog.Chosen(), (SoundFormat{22050, true, false}));
  stereo->click();
  bit16->click();
  EXPECT_EQ(dialog.Chosen(), (SoundFormat{22050, false, true}));
}

TEST(SampleFormatDialog, RateButtonsOnlyFillInTheFieldAndOkOrAbbrechenClose) {
  TSampleFormat dialog;
  dialog.Preset({96000, false, true});
  dialog.show();
  const std::pair<const char*, int> buttons[] = {
      {"BitBtnXP3", 8000}, {"BitBtnXP4", 11025}, {"BitBtnXP5", 22050}, {"BitBtnXP6", 44100}};
  for (const auto& [name, rate] : buttons) {
    dialog.findChild<QPushButton*>(QString::fromLatin1(name))->click();
    EXPECT_EQ(dialog.Chosen(), (SoundFormat{rate, false, true})) << name;
  }
  EXPECT_TRUE(dialog.isVisible());
  for (const auto& [name, closing] :
       {std::pair{"BitBtnXP2", QDialog::Rejected}, std::pair{"BitBtnXP1", QDialog::Accepted}}) {
    dialog.show();
    dialog.findChild<QPushButton*>(QString::fromLatin1(name))->click();
    EXPECT_EQ(dialog.result(), closing);
    EXPECT_FALSE(dialog.isVisible());
  }
}

TEST(SampleFormatDialog, RateFieldKeepsToOneUpToTwoHundredThousand) {
  TSampleFormat dialog;
  dialog.Preset({400000, true, true});  // a sound sped up past the field's top
  EXPECT_EQ(dialog.Chosen().SampleRate, 200000);
  dialog.Preset({0, true, true});
  EXPECT_EQ(dialog.Chosen().SampleRate, 1);
}

}  // namespace
}  // namespace sonavix
