// The commands of the main window driven as a user would: open, select with
// the mouse, zoom, save, and what the user sees when something goes wrong.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFocusEvent>
#include <QFile>
#include <QLineEdit>
#include <QScrollBar>
#include <new>

#include "app/zoom_spin_edit.h"
#include "document/sound_files.h"
#include "view/waveform.h"
#include "window_test_support.h"

namespace sonavix::testing {
namespace {

using WindowCommands = WindowTest;

TEST_F(WindowCommands, OpenSelectAndSaveRoundTrip) {
  const QString source = WriteRamp("ramp.wav", 50'000);
  OpenThroughCommand(source);
  ASSERT_TRUE(prompts.errors.isEmpty());
  const AudioDocument& doc = form->Document();
  EXPECT_EQ(doc.SampleCount(), 50'000);
  EXPECT_EQ(doc.SampleRate, 22050);
  const int width = (&form->View())->width();
  EXPECT_EQ(form->View().ZoomField()->text(), QString::number(50'000 / width));
  EXPECT_EQ(prompts.fileDialogs.back().filterDescription, QStringLiteral("Alle Audiodateien"));

  // Drag from column 10 to column 40 with the left button.
  const std::int64_t z = form->View().Zoom();
  QTest::mousePress((&form->View()), Qt::LeftButton, {}, QPoint(10, 50));
  QTest::mouseMove((&form->View()), QPoint(25, 50));
  EXPECT_EQ(form->Document().SelStart, 25 * z);
  QTest::mouseRelease((&form->View()), Qt::LeftButton, {}, QPoint(40, 50));
  EXPECT_EQ(doc.SelEnd, 10 * z);
  EXPECT_EQ(doc.SelStart, 40 * z);
  EXPECT_EQ(form->View().Bitmap().pixelColor(25, 5), kWaveSelection);
  EXPECT_EQ(form->View().Bitmap().pixelColor(10, 5), kWaveMarker);

  // Saving asks for a name and writes the sound back unchanged.
  const QString copy = Path("copy.wav");
  prompts.fileNames.push_back(copy);
  Trigger(A().saveWav);
  EXPECT_TRUE(prompts.errors.isEmpty());
  EXPECT_EQ(prompts.fileDialogs.back().filterDescription, QStringLiteral("WAV-Datei"));
  EXPECT_EQ(ReadBytes(copy), ReadBytes(source));
}

TEST_F(WindowCommands, FailedOpenKeepsTheSoundButClearsTheSelection) {
  OpenThroughCommand(WriteRamp("good.wav", 1000));
  AudioDocument& doc = form->Document();
  const std::uint8_t* block = doc.SampleData.get();
  doc.SelStart = 100;
  doc.SelEnd = 300;

  QFile bad(Path("bad.wav"));
  ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
  bad.write("RIFF\x04\0\0\0WAVE", 12);
  bad.close();
  OpenThroughCommand(bad.fileName());
  EXPECT_EQ(prompts.errors, QStringList{"Konnte Datei nicht öffnen"});
  EXPECT_EQ(doc.SampleData.get(), block);
  EXPECT_EQ(doc.DataSize, 2000);
  EXPECT_EQ(doc.SelStart, 0);
  EXPECT_EQ(doc.SelEnd, 0);

  // An .mp3 file that holds no MPEG audio cannot be opened either.
  QFile::copy(bad.fileName(), Path("song.Mp3"));
  OpenThroughCommand(Path("song.Mp3"));
  EXPECT_EQ(prompts.errors.size(), 2);
  EXPECT_EQ(doc.DataSize, 2000);
}

TEST_F(WindowCommands, CancelledDialogsChangeNothing) {
  OpenThroughCommand(WriteRamp("a.wav", 1000));
  form->Document().SelStart = 7;
  prompts.fileNames.push_back(std::nullopt);
  Trigger(A().open);
  prompts.fileNames.push_back(std::nullopt);
  Trigger(A().saveWav);
  EXPECT_EQ(form->Document().SelStart, 7);
  EXPECT_TRUE(prompts.errors.isEmpty());
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"a.wav"});
}

TEST_F(WindowCommands, FailedSaveSaysSoAndKeepsTheOldFile) {
  OpenThroughCommand(WriteRamp("a.wav", 1000));
  const QString target = Path("missing-folder/out.wav");
  prompts.fileNames.push_back(target);
  Trigger(A().saveWav);
  EXPECT_EQ(prompts.errors, QStringList{"Konnte Datei nicht speichern"});

  // A folder cannot be replaced by a file: the save fails and the folder stays.
  QDir(dir.path()).mkdir("taken");
  prompts.fileNames.push_back(Path("taken"));
  Trigger(A().saveWav);
  EXPECT_EQ(prompts.errors.size(), 2);
  EXPECT_TRUE(QFileInfo(Path("taken")).isDir());
}

class ThrowingDecoder final : public Mp3Decoder {
 public:
  void ConvertToWave(const std::string&, const std::string& wave) override {
    temp = wave;
    throw std::bad_alloc();
  }
  std::string temp;
};

TEST_F(WindowCommands, AnErrorInsideACommandIsShownAndTheProgramGoesOn) {
  OpenThroughCommand(WriteRamp("a.wav", 1000));
  ThrowingDecoder decoder;
  form->Import().SetMp3Decoder(&decoder);
  QFile mp3(Path("b.mp3"));  // an ID3 tag: the decoder's
  ASSERT_TRUE(mp3.open(QIODevice::WriteOnly));
  mp3.write(QByteArray("ID3\x03\0\0\0\0\0\0", 10) + QByteArray(100, '\x11'));
  mp3.close();
  OpenThroughCommand(Path("b.mp3"));
  EXPECT_EQ(prompts.errors, QStringList{"Zu wenig Arbeitsspeicher"});
  EXPECT_EQ(form->Document().DataSize, 2000);
  EXPECT_FALSE(QFile::exists(QString::fromStdString(decoder.temp)));
  // The window still answers.
  Trigger(A().zoomFull);
  EXPECT_EQ(form->View().ZoomField()->text(), QStringLiteral("1"));
  form->Import().SetMp3Decoder(nullptr);
}

TEST_F(WindowCommands, ZoomCommandsStepTheFieldAndRescaleTheScrollBar) {
  OpenThroughCommand(WriteRamp("a.wav", 1000));
  const int width = (&form->View())->width();
  Trigger(A().zoomFull);
  EXPECT_EQ(form->View().ZoomField()->text(), QStringLiteral("1"));
  EXPECT_EQ(form->View().ScrollBar()->maximum(), std::max(1, 1000 - width));

  const int paints = form->View().DrawCount();
  Trigger(A().zoomLarger);  // already at 1: the text stays and nothing is redrawn
  EXPECT_EQ(form->View().DrawCount(), paints);

  Trigger(A().zoomSmaller);
  EXPECT_EQ(form->View().ZoomField()->text(), QStringLiteral("2"));
  Trigger(A().zoomSmaller);
  EXPECT_EQ(form->View().ZoomField()->text(), QStringLiteral("3"));
  Trigger(A().zoomSmaller);
  EXPECT_EQ(form->View().ZoomField()->text(), QStringLiteral("4"));  // 4.5 goes to the even 4

  form->View().ZoomField()->SetValue(100);
  form->View().ScrollBar()->setMaximum(100);
  form->View().ScrollBar()->setValue(50);
  Trigger(A().zoomSmaller);  // 150: the scroll bar keeps its relative place
  EXPECT_EQ(form->View().ZoomField()->text(), QStringLiteral("150"));
  EXPECT_EQ(form->View().ScrollBar()->maximum(), 1);
  EXPECT_EQ(form->View().ScrollBar()->value(), 0);
}

TEST_F(WindowCommands, TypedZoomBelowOneIsReadAsOne) {
  OpenThroughCommand(WriteRamp("a.wav", 5000));
  form->View().ScrollBar()->setValue(0);
  auto* edit = form->View().ZoomField()->findChild<QLineEdit*>();
  edit->setText("0");
  EXPECT_EQ(form->View().Zoom(), 1);
  QTest::mouseClick((&form->View()), Qt::LeftButton, {}, QPoint(30, 50));
  EXPECT_EQ(form->Document().SelStart, 30);
  edit->setText("-");
  EXPECT_EQ(form->View().Zoom(), 1);
  // Leaving the field writes a usable value back.
  QFocusEvent leave(QEvent::FocusOut);
  QApplication::sendEvent(form->View().ZoomField(), &leave);
  EXPECT_EQ(form->View().ZoomField()->text(), QStringLiteral("1"));
}

TEST_F(WindowCommands, TypedZoomAboveTheRangeIsUsedAsTypedUntilTheFieldIsLeft) {
  OpenThroughCommand(WriteRamp("a.wav", 10'000'000));
  form->View().ScrollBar()->setValue(0);
  auto* edit = form->View().ZoomField()->findChild<QLineEdit*>();
  edit->setText("2000000");
  EXPECT_EQ(form->View().Zoom(), 2'000'000);
  QTest::mouseClick((&form->View()), Qt::LeftButton, {}, QPoint(3, 50));
  EXPECT_EQ(form->Document().SelStart, 6'000'000);
  QFocusEvent leave(QEvent::FocusOut);
  QApplication::sendEvent(form->View().ZoomField(), &leave);
  EXPECT_EQ(form->View().ZoomField()->text(), QStringLiteral("1000000"));
  EXPECT_EQ(form->View().Zoom(), 1'000'000);
}

TEST_F(WindowCommands, MouseSelectsInTheWaveformOnlyAndZoomFitsTheSelection) {
  OpenThroughCommand(WriteRamp("a.wav", 100'000));
  form->View().ZoomField()->SetValue(100);
  form->View().ScrollBar()->setValue(3);
  // A click into the preview leaves the selection alone.
  QTest::mouseClick((&form->Preview()), Qt::LeftButton, {}, QPoint(10, 10));
  EXPECT_EQ(form->Document().SelEnd, 0);
  EXPECT_EQ(form->Document().SelStart, 0);

  // Moving with only the right button held changes nothing.
  QCoreApplication::processEvents();
  const int paints = form->View().DrawCount();
  QTest::mouseMove((&form->View()), QPoint(200, 50));
  EXPECT_EQ(form->View().DrawCount(), paints);

  // A right click clears the selection at the pointer.
  QTest::mouseClick((&form->View()), Qt::RightButton, {}, QPoint(20, 50));
  EXPECT_EQ(form->Document().SelStart, form->Document().SelEnd);

  AudioDocument& doc = form->Document();
  doc.SelEnd = 30'000;
  doc.SelStart = 10'000;
  Trigger(A().zoomToSelection);
  const int width = (&form->View())->width();
  EXPECT_EQ(form->View().Zoom(), 20'000 / width);
  EXPECT_EQ(form->View().ScrollBar()->value(), 10'000 / (20'000 / width));

  Trigger(A().selectNothing);
  EXPECT_EQ(doc.SelStart, 0);
  EXPECT_EQ(doc.SelEnd, 0);
}

}  // namespace
}  // namespace sonavix::testing
