// The sample format dialog: presetting it from a sound, the rate buttons and
// the limits of the rate field.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QPushButton>
#include <utility>

#include "app/sample_format_dialog.h"

namespace sonavix {
namespace {

TEST(SampleFormatDialog, PresetShowsTheSoundAndChosenReadsTheControlsBack) {
  SampleFormatDialog dialog;
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Sampleformat ändern"));
  EXPECT_EQ(dialog.Chosen().SampleRate, 44100);
  dialog.Preset({22050, true, false});
  auto* stereo = dialog.findChild<QCheckBox*>(QStringLiteral("stereoBox"));
  auto* bit16 = dialog.findChild<QCheckBox*>(QStringLiteral("sixteenBitBox"));
  EXPECT_TRUE(stereo->isChecked());
  EXPECT_FALSE(bit16->isChecked());
  EXPECT_EQ(dialog.Chosen(), (SoundFormat{22050, true, false}));
  stereo->click();
  bit16->click();
  EXPECT_EQ(dialog.Chosen(), (SoundFormat{22050, false, true}));
}

TEST(SampleFormatDialog, RateButtonsOnlyFillInTheFieldAndOkOrAbbrechenClose) {
  SampleFormatDialog dialog;
  dialog.Preset({96000, false, true});
  dialog.show();
  const std::pair<const char*, int> buttons[] = {
      {"rate8000Button", 8000}, {"rate11025Button", 11025}, {"rate22050Button", 22050}, {"rate44100Button", 44100}};
  for (const auto& [name, rate] : buttons) {
    dialog.findChild<QPushButton*>(QString::fromLatin1(name))->click();
    EXPECT_EQ(dialog.Chosen(), (SoundFormat{rate, false, true})) << name;
  }
  EXPECT_TRUE(dialog.isVisible());
  for (const auto& [name, closing] :
       {std::pair{"cancelButton", QDialog::Rejected}, std::pair{"okButton", QDialog::Accepted}}) {
    dialog.show();
    dialog.findChild<QPushButton*>(QString::fromLatin1(name))->click();
    EXPECT_EQ(dialog.result(), closing);
    EXPECT_FALSE(dialog.isVisible());
  }
}

TEST(SampleFormatDialog, RateFieldKeepsToOneUpToTwoHundredThousand) {
  SampleFormatDialog dialog;
  dialog.Preset({400000, true, true});  // a sound sped up past the field's top
  EXPECT_EQ(dialog.Chosen().SampleRate, 200000);
  dialog.Preset({0, true, true});
  EXPECT_EQ(dialog.Chosen().SampleRate, 1);
}

}  // namespace
}  // namespace sonavix
