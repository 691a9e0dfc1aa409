// PLAY, STOP and the live picture, driven through the window with a virtual
// sound card, so that many blocks pass in no time.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QTimer>

#include "app/messages.h"
#include "window_test_support.h"

namespace sonavix::testing {
namespace {

using WindowPlayback = WindowTest;

// Runs `step` every time the run lets messages through, with its count.
class EveryBlock {
 public:
  explicit EveryBlock(std::function<void(int)> step) : step_(std::move(step)) {
    QObject::connect(&timer_, &QTimer::timeout, [this] { step_(++count_); });
    timer_.start(0);
  }

 private:
  std::function<void(int)> step_;
  QTimer timer_;
  int count_ = 0;
};

TEST_F(WindowPlayback, PlayRunsToTheEndAndLeavesTheWindowAtRest) {
  OpenThroughCommand(WriteRamp("a.wav", 22050));  // one second at 22050 Hz
  Find<QCheckBox>("SchleifeCheck")->setChecked(false);
  bool playDisabledDuringRun = false;
  std::vector<int> cursor;
  EveryBlock watch([&](int) {
    playDisabledDuringRun = !Find<QPushButton>("PlayBtn")->isEnabled() &&
                            Find<QPushButton>("StopBTN")->isEnabled() && form->Running();
    cursor.push_back(form->CursorX());
  });
  Click("PlayBtn");
  EXPECT_TRUE(playDisabledDuringRun);
  EXPECT_FALSE(form->Running());
  EXPECT_TRUE(Find<QPushButton>("PlayBtn")->isEnabled());
  EXPECT_FALSE(Find<QPushButton>("StopBTN")->isEnabled());
  EXPECT_EQ(form->CursorX(), -1);
  // 22050 frames at half speed fill 17 blocks (the last one barely); the
  // card hears a lap of silence, then every block, none cut off.
  EXPECT_EQ(sound->Played().size(), 18u * 11024);
  EXPECT_EQ(form->PreviewImage().size(), QSize(400, 400));
  EXPECT_EQ(form->PreviewBox()->size(), QSize(400, 400));
  // The cursor moves right, block by block.
  ASSERT_GE(cursor.size(), 3u);
  EXPECT_LT(cursor[1], cursor[2]);
  EXPECT_TRUE(prompts.errors.isEmpty());
}

TEST_F(WindowPlayback, StopEndsALoopWithinOneBlock) {
  OpenThroughCommand(WriteRamp("a.wav", 1000));
  ASSERT_TRUE(Find<QCheckBox>("SchleifeCheck")->isChecked());
  EveryBlock stopper([&](int n) {
    if (n == 20) Click("StopBTN");
  });
  Click("PlayBtn");
  EXPECT_FALSE(form->Running());
  EXPECT_LE(sound->Played().size(), 21u * 11024);
}

TEST_F(WindowPlayback, ASecondStartDuringARunIsRefused) {
  OpenThroughCommand(WriteRamp("a.wav", 1000));
  bool refused = false;
  EveryBlock again([&](int n) {
    if (n == 2) refused = !form->StartRun(nullptr);
    if (n == 3) Click("StopBTN");
  });
  Click("PlayBtn");
  EXPECT_TRUE(refused);
  EXPECT_FALSE(form->Running());
}

TEST_F(WindowPlayback, ClosingTheWindowEndsTheRun) {
  OpenThroughCommand(WriteRamp("a.wav", 1000));
  EveryBlock closer([&](int n) {
    if (n == 2) Trigger("Beenden1");
  });
  Click("PlayBtn");
  EXPECT_TRUE(form->StopRequested());
  EXPECT_FALSE(form->Running());
}

TEST_F(WindowPlayback, TheFontDialogSetsThePictureFontOnlyOnOk) {
  EXPECT_EQ(form->PictureFont().family(), QStringLiteral("MS Sans Serif"));
  EXPECT_EQ(form->PictureFont().pixelSize(), 11);
  prompts.fonts.push_back(std::nullopt);
  Click("BitBtnXP1");
  EXPECT_EQ(form->PictureFont().pixelSize(), 11);
  QFont big(QStringLiteral("DejaVu Sans"));
  big.setPixelSize(40);
  prompts.fonts.push_back(big);
  Click("BitBtnXP1");
  EXPECT_EQ(form->PictureFont().pixelSize(), 40);
  ASSERT_EQ(prompts.fontDialogs.size(), 2u);
  EXPECT_EQ(prompts.fontDialogs[1].pixelSize(), 11);  // the dialog starts at the font in force
}

TEST(WindowStartUp, WithoutSoundOutputTheProgramSaysSoAndEnds) {
  ScriptedPrompts prompts;
  TMainForm form(prompts, std::make_unique<VirtualSoundDevice>(1));
  EXPECT_EQ(prompts.messages, QStringList{kCannotInitSound});
  EXPECT_TRUE(form.TerminateRequested());
}

}  // namespace
}  // namespace sonavix::testing
