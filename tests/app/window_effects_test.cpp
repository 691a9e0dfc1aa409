// The editing and effect commands through the window: which dialog they ask,
// what "Abbrechen" leaves alone, and how the view follows.

#include <gtest/gtest.h>

#include <QFile>
#include <QSpinBox>
#include <cmath>

#include "app/picture_settings.h"
#include "app/zoom_spin_edit.h"
#include "app/seconds_dialog.h"
#include "app/sample_format_dialog.h"
#include "window_test_support.h"

namespace sonavix::testing {
namespace {

using WindowEffects = WindowTest;

TEST_F(WindowEffects, CropKeepsASelectionMadeRightToLeftAndShowsTheWholeRest) {
  OpenThroughCommand(WriteRamp("a.wav", 50'000));
  AudioDocument& doc = form->Document();
  doc.SelStart = 1000;
  doc.SelEnd = 31'000;
  Trigger(A().cropToSelection);
  EXPECT_EQ(doc.SampleCount(), 30'000);
  EXPECT_EQ(doc.Sample16(0), 1000);
  EXPECT_EQ(doc.SelStart, 0);
  EXPECT_EQ(doc.SelEnd, 0);
  EXPECT_EQ(form->View().ZoomField()->text(), QString::number(30'000 / (&form->View())->width()));

  // Without a selection nothing happens, not even a redraw.
  const int paints = form->View().DrawCount();
  Trigger(A().cutSelection);
  EXPECT_EQ(doc.SampleCount(), 30'000);
  EXPECT_EQ(form->View().DrawCount(), paints);
}

// Lyrics are timed to the song: a cut and a speed change move them, undo
// and redo move them back and forth.
TEST_F(WindowEffects, LyricsFollowCutsAndSpeedChangesAndTheirUndo) {
  OpenThroughCommand(WriteRamp("a.wav", 4 * 22050));
  QFile lrc(Path("a.lrc"));
  ASSERT_TRUE(lrc.open(QIODevice::WriteOnly));
  lrc.write("[00:00.50]weg\n[00:01.00]eins\n[00:02.00]zwei\n[00:03.00]drei\n");
  lrc.close();
  prompts.fileNames.push_back(Path("a.lrc"));
  Trigger(A().chooseLyrics);
  const auto starts = [&] {
    std::vector<double> times;
    for (const LyricLine& line : form->Picture().SongLyrics()->lines) times.push_back(std::round(line.start * 1000) / 1000);
    return times;
  };
  ASSERT_EQ(starts(), (std::vector<double>{0.5, 1, 2, 3}));
  AudioDocument& doc = form->Document();
  doc.SelStart = 0;
  doc.SelEnd = 22050;
  Trigger(A().cutSelection);
  EXPECT_EQ(starts(), (std::vector<double>{0, 1, 2}));
  Trigger(A().faster);
  EXPECT_EQ(starts(), (std::vector<double>{0, 0.909, 1.818}));
  Trigger(A().undo);
  EXPECT_EQ(starts(), (std::vector<double>{0, 1, 2}));
  Trigger(A().undo);
  EXPECT_EQ(starts(), (std::vector<double>{0.5, 1, 2, 3}));
  Trigger(A().redo);
  EXPECT_EQ(starts(), (std::vector<double>{0, 1, 2}));
  // A crop keeps what lies in the selection, from its start.
  doc.SelStart = 22050;
  doc.SelEnd = 2 * 22050 + 100;
  Trigger(A().cropToSelection);
  EXPECT_EQ(starts(), (std::vector<double>{0, 1}));
}

TEST_F(WindowEffects, VolumeWorksOnTheSelectionAndKeepsIt) {
  OpenThroughCommand(WriteRamp("a.wav", 1000));
  AudioDocument& doc = form->Document();
  doc.SelStart = 600;
  doc.SelEnd = 500;
  Trigger(A().louder);
  EXPECT_EQ(doc.Sample16(499), 499);
  EXPECT_EQ(doc.Sample16(500), 550);
  EXPECT_EQ(doc.Sample16(600), 660);  // the frame under the larger mark belongs to it
  EXPECT_EQ(doc.Sample16(601), 601);
  EXPECT_EQ(doc.SelStart, 600);
  EXPECT_EQ(doc.SelEnd, 500);
}

TEST_F(WindowEffects, TheTimeSpanDialogAsksAndCancelChangesNothing) {
  OpenThroughCommand(WriteRamp("a.wav", 22050));
  AudioDocument& doc = form->Document();
  const std::vector<std::uint8_t> before = DocumentBytes(doc);
  double presetSeen = 0;
  prompts.dialogs.push_back([&](QDialog& dialog) {
    presetSeen = qobject_cast<SecondsDialog*>(&dialog)->Seconds();
    return int(QDialog::Rejected);
  });
  Trigger(A().fadeIn);
  EXPECT_EQ(presetSeen, 2.0);
  EXPECT_EQ(DocumentBytes(doc), before);
  EXPECT_EQ(prompts.dialogTitles, QStringList{"Effekt"});

  prompts.dialogs.push_back([&](QDialog& dialog) {
    presetSeen = qobject_cast<SecondsDialog*>(&dialog)->Seconds();
    qobject_cast<SecondsDialog*>(&dialog)->SetSeconds(0.1);
    return int(QDialog::Accepted);
  });
  Trigger(A().echo);
  EXPECT_EQ(presetSeen, 0.5);
  EXPECT_NE(DocumentBytes(doc), before);
  EXPECT_EQ(doc.DataSize, static_cast<std::int32_t>(before.size()));
}

TEST_F(WindowEffects, SampleFormatDialogIsPresetAndSkippedForAnEmptySound) {
  Trigger(A().changeSampleFormat);  // no sound: no dialog
  EXPECT_TRUE(prompts.dialogTitles.isEmpty());

  OpenThroughCommand(WriteRamp("a.wav", 22050));
  int rateSeen = 0;
  prompts.dialogs.push_back([&](QDialog& dialog) {
    rateSeen = dialog.findChild<QSpinBox*>("rateField")->value();
    dialog.findChild<QSpinBox*>("rateField")->setValue(11025);
    return int(QDialog::Accepted);
  });
  Trigger(A().changeSampleFormat);
  EXPECT_EQ(rateSeen, 22050);
  const AudioDocument& doc = form->Document();
  EXPECT_EQ(doc.SampleRate, 11025);
  EXPECT_EQ(doc.SampleCount(), 11025);
  EXPECT_EQ(prompts.dialogTitles.back(), QStringLiteral("Sampleformat ändern"));
}

TEST_F(WindowEffects, SpeedChangesTheRateWithoutARedraw) {
  OpenThroughCommand(WriteRamp("a.wav", 1000));
  const int paints = form->View().DrawCount();
  Trigger(A().faster);
  EXPECT_EQ(form->Document().SampleRate, 24255);
  EXPECT_EQ(form->Status().Text(), QStringLiteral("Abtastrate: 24255 Hz"));
  Trigger(A().slower);
  EXPECT_EQ(form->Status().Text(), QStringLiteral("Abtastrate: %1 Hz").arg(form->Document().SampleRate));
  EXPECT_EQ(form->View().DrawCount(), paints);
}

TEST_F(WindowEffects, EveryCommandLeavesAnEmptySoundAlone) {
  for (QAction* command : A().ChangingTheSound()) {
    if (command == A().readCd) continue;
    QTest::mouseClick((&form->View()), Qt::LeftButton, {}, QPoint(5, 5));  // marks -1
    Trigger(command);
    EXPECT_EQ(form->Document().DataSize, 0) << command->text().toStdString();
  }
  EXPECT_TRUE(prompts.errors.isEmpty());
}

}  // namespace
}  // namespace sonavix::testing
