// PLAY, STOP and the live picture, driven through the window with a virtual
// sound card, so that many blocks pass in no time.

#include <gtest/gtest.h>

#include <QFontInfo>
#include <algorithm>

#include <QCheckBox>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include "app/messages.h"
#include "app/preview_window.h"
#include "video/frame_renderer.h"
#include "window_test_support.h"

namespace sonavix::testing {
namespace {

using WindowPlayback = WindowTest;

// Runs `step` on the window's thread once every block of a run, with its
// count, the run waiting meanwhile.
class EveryBlock {
 public:
  EveryBlock(LockstepSoundDevice& device, std::function<void(int)> step) : device_(device) {
    device_.onBlock = std::move(step);
  }
  ~EveryBlock() { device_.onBlock = nullptr; }

 private:
  LockstepSoundDevice& device_;
};

TEST_F(WindowPlayback, PlayRunsToTheEndAndLeavesTheWindowAtRest) {
  OpenThroughCommand(WriteRamp("a.wav", 22050));  // one second at 22050 Hz
  form->Picture().loopBox->setChecked(false);
  bool playDisabledDuringRun = false;
  std::vector<int> cursor;
  EveryBlock watch(*lockstep, [&](int) {
    playDisabledDuringRun = !A().play->isEnabled() &&
                            A().stop->isEnabled() && form->Busy();
    cursor.push_back(form->View().CursorX());
  });
  Trigger(A().play);
  EXPECT_TRUE(playDisabledDuringRun);
  EXPECT_FALSE(form->Busy());
  EXPECT_TRUE(A().play->isEnabled());
  EXPECT_FALSE(A().stop->isEnabled());
  EXPECT_EQ(form->View().CursorX(), -1);
  // 22050 frames at half speed fill 17 blocks (the last one barely); the
  // card hears a lap of silence, then every block, none cut off.
  EXPECT_EQ(sound->Played().size(), 18u * 11024);
  // The picture is the frame of the format chosen: DVD, PAL.
  EXPECT_EQ(form->Preview().Picture().size(), QSize(720, 576));
  EXPECT_EQ(form->Preview().PictureSize(), QSize(720, 576));
  // The cursor moves right, block by block.
  ASSERT_GE(cursor.size(), 3u);
  EXPECT_LT(cursor[1], cursor[2]);
  EXPECT_TRUE(prompts.errors.isEmpty());
}

TEST_F(WindowPlayback, StopEndsALoopWithinOneBlock) {
  OpenThroughCommand(WriteRamp("a.wav", 1000));
  ASSERT_TRUE(form->Picture().loopBox->isChecked());
  EveryBlock stopper(*lockstep, [&](int n) {
    if (n == 20) Trigger(A().stop);
  });
  Trigger(A().play);
  EXPECT_FALSE(form->Busy());
  EXPECT_LE(sound->Played().size(), 21u * 11024);
}

// An edit while the sound plays comes in between two blocks: what was heard
// is the old sound up to a block's end and the new one from there on.
TEST_F(WindowPlayback, AnEditDuringPlaybackTakesEffectAtABlockBoundary) {
  OpenThroughCommand(WriteRamp("a.wav", 22050));
  form->Picture().loopBox->setChecked(false);
  const auto play = [&](int editAt) {
    const std::size_t from = sound->Played().size();
    int blocks = 0;
    EveryBlock edit(*lockstep, [&](int) {
      if (++blocks == editAt) Trigger(A().louder);
    });
    Trigger(A().play);
    return std::vector<std::uint8_t>(sound->Played().begin() + long(from), sound->Played().end());
  };
  const std::vector<std::uint8_t> before = play(0), edited = play(3), after = play(0);
  ASSERT_EQ(before.size(), edited.size());
  ASSERT_EQ(after.size(), edited.size());
  const auto differs = std::mismatch(before.begin(), before.end(), edited.begin()).first;
  ASSERT_NE(differs, before.end());
  const long boundary = (differs - before.begin()) / 11024 * 11024;
  EXPECT_GT(boundary, 0);
  EXPECT_TRUE(std::equal(edited.begin() + boundary, edited.end(), after.begin() + boundary));
}

TEST_F(WindowPlayback, ASecondStartDuringARunIsRefused) {
  OpenThroughCommand(WriteRamp("a.wav", 1000));
  bool refused = false;
  EveryBlock again(*lockstep, [&](int n) {
    if (n == 2) refused = !form->Playback().Start();
    if (n == 3) Trigger(A().stop);
  });
  Trigger(A().play);
  EXPECT_TRUE(refused);
  EXPECT_FALSE(form->Busy());
}

TEST_F(WindowPlayback, ClosingTheWindowEndsTheRun) {
  OpenThroughCommand(WriteRamp("a.wav", 1000));
  EveryBlock closer(*lockstep, [&](int n) {
    if (n == 2) Trigger(A().quit);
  });
  Trigger(A().play);
  EXPECT_TRUE(form->StopRequested());
  EXPECT_FALSE(form->Busy());
}

TEST_F(WindowPlayback, TheFontDialogSetsThePictureFontOnlyOnOk) {
  EXPECT_EQ(form->Picture().Font().family(), QStringLiteral("MS Sans Serif"));
  EXPECT_TRUE(A().chooseFont->toolTip().endsWith(QStringLiteral("(statt „MS Sans Serif“)")))
      << A().chooseFont->toolTip().toStdString();
  EXPECT_EQ(form->Picture().Font().pixelSize(), 11);
  prompts.fonts.push_back(std::nullopt);
  Trigger(A().chooseFont);
  EXPECT_EQ(form->Picture().Font().pixelSize(), 11);
  QFont big(QStringLiteral("DejaVu Sans"));
  big.setPixelSize(40);
  prompts.fonts.push_back(big);
  Trigger(A().chooseFont);
  EXPECT_EQ(form->Picture().Font().pixelSize(), 40);
  ASSERT_EQ(prompts.fontDialogs.size(), 2u);
  EXPECT_EQ(QFontInfo(prompts.fontDialogs[1]).pixelSize(), 11);  // the font in force
  // The button says which font the text is drawn in.
  EXPECT_TRUE(A().chooseFont->toolTip().startsWith(QStringLiteral("Schrift des Bildes: DejaVu Sans, ")));
}

// "MS Sans Serif" is not on the machine: the dialog must start on the font
// that stands in for it, not on whatever its list shows first, and OK
// without a change must leave the picture exactly as it was.
TEST_F(WindowPlayback, TheFontDialogStartsOnTheFontInUseAndOkUnchangedChangesNothing) {
  const QFont before = form->Picture().Font();
  const QFontInfo used(before);
  ASSERT_NE(used.family(), QStringLiteral("MS Sans Serif"));
  Trigger(A().chooseFont);  // cancelled: shows where the dialog starts
  ASSERT_EQ(prompts.fontDialogs.size(), 1u);
  const QFont shown = prompts.fontDialogs[0];
  EXPECT_EQ(shown.family(), used.family());
  EXPECT_EQ(shown.styleName(), used.styleName());
  EXPECT_EQ(shown.bold(), used.bold());
  EXPECT_EQ(shown.italic(), used.italic());
  EXPECT_GT(shown.pointSizeF(), 0);
  EXPECT_EQ(QFontInfo(shown).pixelSize(), 11);

  // What a font dialog gives back for OK untouched: its family, style and
  // size in whole points.
  QFont answer(shown.family());
  answer.setStyleName(shown.styleName());
  answer.setPointSize(QFontInfo(shown).pointSize());
  prompts.fonts.push_back(answer);
  Trigger(A().chooseFont);
  EXPECT_EQ(form->Picture().Font(), before);

  FrameRenderer a(200, 60), b(200, 60);
  RandomGenerator ra, rb;
  a.Draw(QStringLiteral("Sonavix"), before, ra);
  b.Draw(QStringLiteral("Sonavix"), form->Picture().Font(), rb);
  EXPECT_EQ(a.Picture(), b.Picture());
}

TEST(WindowStartUp, WithoutSoundOutputTheProgramSaysSoAndEnds) {
  ScriptedPrompts prompts;
  MainWindow form(prompts, std::make_unique<VirtualSoundDevice>(1));
  EXPECT_EQ(prompts.messages, QStringList{kCannotInitSound});
  EXPECT_TRUE(form.TerminateRequested());
}

}  // namespace
}  // namespace sonavix::testing

namespace sonavix::testing {
namespace {

// A picture larger than the preview is shown whole, scaled with its shape
// kept; a double click opens it in a window of its own that grows no larger
// than the picture and may be closed at any time.
TEST_F(WindowPlayback, TheWholePictureShowsScaledAndInAWindowOfItsOwn) {
  EXPECT_EQ(FitPicture({720, 576}, {0, 0, 400, 400}), QRect(0, 40, 400, 320));
  EXPECT_EQ(FitPicture({1920, 1080}, {0, 0, 400, 400}), QRect(0, 87, 400, 225));
  EXPECT_EQ(FitPicture({400, 400}, {0, 0, 400, 400}), QRect(0, 0, 400, 400));

  QImage picture(1920, 1080, QImage::Format_RGB32);
  picture.fill(Qt::red);
  form->Preview().Show(picture);
  const QImage shown = (&form->Preview())->grab().toImage();
  const QRect fitted = FitPicture(picture.size(), shown.rect());
  ASSERT_FALSE(fitted.isEmpty());
  // All of it is in the box: its corners are red, and beside it the box's own colour.
  EXPECT_EQ(shown.pixelColor(fitted.center()), QColor(Qt::red));
  EXPECT_EQ(shown.pixelColor(fitted.topLeft() + QPoint(1, 1)), QColor(Qt::red));
  EXPECT_EQ(shown.pixelColor(fitted.bottomRight() - QPoint(1, 1)), QColor(Qt::red));
  if (fitted.left() > 2) {
    EXPECT_NE(shown.pixelColor(1, fitted.center().y()), QColor(Qt::red));
  }
  if (fitted.top() > 2) {
    EXPECT_NE(shown.pixelColor(fitted.center().x(), 1), QColor(Qt::red));
  }

  QTest::mouseDClick((&form->Preview()), Qt::LeftButton, {}, QPoint(10, 10));
  auto* window = form->findChild<PreviewWindow*>(QStringLiteral("PreviewWindow"));
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(window->maximumSize(), QSize(1920, 1080));
  window->resize(4000, 4000);
  EXPECT_LE(window->width(), 1920);
  window->close();
  form->Preview().Show(picture);  // pictures go on arriving; nothing breaks
  EXPECT_FALSE(window->isVisible());
}

// The preview is the chosen format's frame: a still of the marks' place
// when nothing plays, drawn again as the picture's settings change, and the
// same frame during playback.
TEST_F(WindowPlayback, ThePreviewShowsTheChosenFormatAndFollowsThePictureSettings) {
  OpenThroughCommand(WriteRamp("a.wav", 22050));
  form->Format().SetPreset(DiscPreset::Mp4Square);
  ASSERT_TRUE(QTest::qWaitFor([&] { return form->Preview().Picture().size() == QSize(1080, 1080); }));
  const QImage plain = form->Preview().Picture();
  // A red picture behind the circles: the corners turn dark red.
  QImage red(64, 64, QImage::Format_RGB32);
  red.fill(qRgb(220, 20, 20));
  ASSERT_TRUE(red.save(Path("rot.png")));
  prompts.fileNames.push_back(Path("rot.png"));
  Trigger(A().chooseImage);
  ASSERT_TRUE(QTest::qWaitFor([&] { return QColor(form->Preview().Picture().pixel(3, 3)).red() > 80; }));
  // A picture that cannot be read is said, and the one chosen stays.
  prompts.fileNames.push_back(Path("fehlt.png"));
  Trigger(A().chooseImage);
  ASSERT_EQ(prompts.errors.size(), 1);
  EXPECT_EQ(prompts.errors.first(), QStringLiteral("Das Bild „fehlt.png“ gibt es nicht."));
  EXPECT_EQ(form->Picture().ImageName(), QStringLiteral("rot.png"));
  prompts.errors.clear();
  // The second line shows as it is typed.
  const QImage before = form->Preview().Picture();
  form->Picture().subtextField->setText(QStringLiteral("Zweite Zeile"));
  ASSERT_TRUE(QTest::qWaitFor([&] { return form->Preview().Picture() != before; }));
  EXPECT_NE(form->Preview().Picture(), plain);

  form->Picture().loopBox->setChecked(false);
  Trigger(A().play);
  EXPECT_EQ(form->Preview().Picture().size(), QSize(1080, 1080));
  EXPECT_TRUE(prompts.errors.isEmpty());
}

}  // namespace
}  // namespace sonavix::testing
