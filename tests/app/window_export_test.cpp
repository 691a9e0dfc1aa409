// "Speichern als MPEG..." through the window, with a media writer that keeps
// what it is given; the end-to-end test writes a real DVD file.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QRadioButton>
#include <QScrollArea>
#include <QTimer>
#include <cstdio>

#include "app/messages.h"
#include "document/wave_file.h"
#include "document/work_progress.h"
#include "video/media_writer.h"
#include "video/recording_media_writer.h"
#include "window_test_support.h"

namespace sonavix::testing {
namespace {

class WindowExport : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    form->Export().SetMediaWriterFactory([this] {
      recorded = RecordingMediaWriter();
      recorded.failAt = failAt;
      media = &recorded;
      return std::make_unique<BorrowedMediaWriter>(recorded);
    });
  }

  void Export(const QString& path) {
    prompts.fileNames.push_back(path);
    Trigger(A().exportVideo);
  }

  RecordingMediaWriter recorded;          // what the last export handed over
  RecordingMediaWriter* media = nullptr;  // set once an export has begun
  std::string failAt;
};

TEST_F(WindowExport, TheSelectionGoesOverAsWholeBlocksInTheChosenFormat) {
  OpenThroughCommand(WriteRamp("a.wav", 22050));  // 16-bit mono at 22050 Hz
  form->Document().SelStart = 3000;
  form->Document().SelEnd = 1000;  // 2000 frames: one block at half speed
  form->Format().superVideoCd->setChecked(true);
  bool exporting = false;
  QTimer peek;
  QObject::connect(&peek, &QTimer::timeout, [&] {
    if (!form->Busy()) return;
    exporting = form->Export().Running() && !A().open->isEnabled() &&
                !A().play->isEnabled() && !form->Playback().Start();
  });
  peek.start(0);
  Export(Path("out.mpg"));
  EXPECT_TRUE(prompts.errors.isEmpty());
  EXPECT_TRUE(exporting);
  EXPECT_EQ(recorded.preset, DiscPreset::SuperVideoCd);
  EXPECT_TRUE(recorded.closed);
  EXPECT_EQ(form->Preview().PictureSize(), QSize(480, 576));  // drawn at the frame's size
  EXPECT_EQ(form->Preview().Picture().size(), QSize(480, 576));
  // and shown whole, scaled into the box
  EXPECT_EQ((&form->Preview())->size(), Find<QScrollArea>("previewBox")->viewport()->size());
  EXPECT_FALSE(form->Export().Running());
  EXPECT_TRUE(A().open->isEnabled());
  EXPECT_TRUE(A().exportVideo->isEnabled());
  EXPECT_TRUE(A().play->isEnabled());
  EXPECT_EQ(prompts.fileDialogs.back().filterDescription, QStringLiteral("MPEG Dateien"));
}

TEST_F(WindowExport, WriterReceivesBlocksAndPicturesAndTheLoopIsIgnored) {
  OpenThroughCommand(WriteRamp("a.wav", 11025));  // half a second
  ASSERT_TRUE(form->Picture().loopBox->isChecked());
  Export(Path("out.mpg"));
  // 11025 frames at 22050 Hz fill 8 blocks; each block's sound follows its pictures.
  EXPECT_EQ(recorded.samples.size() % (2 * 2756), 0u);
  EXPECT_GE(recorded.samples.size(), 7u * 2 * 2756);
  EXPECT_GE(recorded.images, 11);
  EXPECT_EQ(sound->Waits(), 0);  // nothing waited for the sound card
}

TEST_F(WindowExport, AFileThatCannotBeMadeSaysSoAndRunsNothing) {
  OpenThroughCommand(WriteRamp("a.wav", 1000));
  failAt = "file";
  Export(Path("out.mpg"));
  EXPECT_EQ(prompts.errors, QStringList{"Konnte MPEG-Datei nicht schreiben"});
  EXPECT_TRUE(sound->Played().empty());
  EXPECT_TRUE(A().exportVideo->isEnabled());
}

TEST_F(WindowExport, AWriterFailingMidwayEndsTheRunWithAMessage) {
  OpenThroughCommand(WriteRamp("a.wav", 22050));
  failAt = "image";
  Export(Path("out.mpg"));
  EXPECT_EQ(prompts.errors.size(), 1);
  EXPECT_FALSE(form->Busy());
  EXPECT_FALSE(form->Export().Running());
  EXPECT_TRUE(A().open->isEnabled());
}

// The file gets the sound as it was when the export started: the commands
// that change it are off while it runs and come back with its end; with
// no sound there is nothing to export.
TEST_F(WindowExport, TheSoundStaysAsItWasWhileItIsExported) {
  Trigger(A().stop);
  Trigger(A().exportVideo);
  EXPECT_EQ(prompts.errors, QStringList{"Es ist kein Klang geladen: bitte erst eine Datei öffnen oder von einer "
                                        "Musik-CD einlesen."});
  EXPECT_TRUE(prompts.fileDialogs.empty()) << "refused before a name is asked for";

  OpenThroughCommand(WriteRamp("a.wav", 22050));
  Trigger(A().louder);
  const std::vector<std::uint8_t> before = DocumentBytes(form->Document());
  QAction* changers[] = {A().reverse, A().cutSelection, A().undo, A().readCd};
  int offWhileRunning = -1;
  QTimer peek;
  QObject::connect(&peek, &QTimer::timeout, [&] {
    if (!form->Export().Running() || offWhileRunning >= 0) return;
    offWhileRunning = !A().cutSelection->isEnabled();
    for (QAction* command : changers) offWhileRunning &= !command->isEnabled();
    form->Editing().Reverse();  // a handler reached some other way does nothing either
    form->Editing().Undo();
  });
  peek.start(0);
  Export(Path("out.mpg"));
  EXPECT_EQ(offWhileRunning, 1);
  EXPECT_EQ(DocumentBytes(form->Document()), before);
  for (QAction* command : changers) EXPECT_TRUE(command->isEnabled()) << command->text().toStdString();
  EXPECT_TRUE(prompts.errors.size() == 1) << prompts.errors.join(' ').toStdString();
}

TEST_F(WindowExport, NoExportDuringPlayback) {
  OpenThroughCommand(WriteRamp("a.wav", 1000));
  int dialogsDuringRun = -1;
  QTimer during;
  QObject::connect(&during, &QTimer::timeout, [&] {
    if (!form->Busy() || dialogsDuringRun >= 0) return;
    const auto before = prompts.fileDialogs.size();
    form->Export().ExportVideo();
    dialogsDuringRun = static_cast<int>(prompts.fileDialogs.size() - before);
    Trigger(A().stop);
  });
  during.start(0);
  Trigger(A().play);
  EXPECT_EQ(dialogsDuringRun, 0);
  EXPECT_EQ(media, nullptr);
}

// The road of an export with the real writer: open, select, text, DVD, export.
TEST(WindowExportEndToEnd, ADvdFileComesOutThatTheToolsRead) {
  if (std::system("command -v ffprobe >/dev/null 2>&1") != 0) GTEST_SKIP() << "no ffprobe";
  ScriptedPrompts prompts;
  MainWindow form(prompts, std::make_unique<VirtualSoundDevice>());
  form.show();
  QTemporaryDir dir;
  const QString wave = dir.filePath("song.wav");
  {
    std::vector<std::uint8_t> bytes(4 * 44100);  // one second of 16-bit stereo
    for (std::size_t i = 0; i < bytes.size(); i += 2) {
      const auto v = static_cast<std::int16_t>(8000 * ((i / 200) % 2 ? 1 : -1));
      bytes[i] = static_cast<std::uint8_t>(v);
      bytes[i + 1] = static_cast<std::uint8_t>(v >> 8);
    }
    ASSERT_TRUE(WriteWaveFile(QFile::encodeName(wave).toStdString(), bytes.data(),
                              static_cast<std::int32_t>(bytes.size()), 44100, true, true));
  }
  prompts.fileNames.push_back(wave);
  form.Actions().open->trigger();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !form.Busy(); }));
  form.Document().SelStart = 0;
  form.Document().SelEnd = 2 * 44100;  // the first second, all of it
  form.Picture().textField->setText(QStringLiteral("Sonavix"));
  form.Format().dvd->setChecked(true);
  const QString video = dir.filePath("song.mpg");
  prompts.fileNames.push_back(video);
  form.Actions().exportVideo->trigger();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !form.Busy(); }, 120'000));
  ASSERT_TRUE(prompts.errors.isEmpty()) << prompts.errors.join(' ').toStdString();
  // The status bar names the file, its playing time and its size on disk.
  const QString size = QString::fromStdString(FormatFileSize(QFileInfo(video).size()));
  EXPECT_EQ(form.Status().Text(), QStringLiteral("Gespeichert: song.mpg, 0:01, ") + size);

  const QString probe = dir.filePath("probe.txt");
  const QString command =
      QStringLiteral("ffprobe -v error -show_entries stream=codec_name,width,height,sample_rate "
                     "-of csv=p=0 '%1' > '%2'")
          .arg(video, probe);
  ASSERT_EQ(std::system(command.toLocal8Bit().constData()), 0);
  const QString streams = QString::fromLocal8Bit(ReadFileText(probe));
  EXPECT_TRUE(streams.contains(QStringLiteral("mpeg2video,720,576"))) << streams.toStdString();
  EXPECT_TRUE(streams.contains(QStringLiteral("ac3,48000"))) << streams.toStdString();
}

}  // namespace
}  // namespace sonavix::testing
