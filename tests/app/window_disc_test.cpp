// "Speichern als Disc-Abbild..." through the window, with stand-ins for the
// media writer and the disc tools.

#include <gtest/gtest.h>

#include <QDir>
#include <QRadioButton>
#include <QTimer>
#include <fstream>

#include "disc/scripted_disc_tools.h"
#include "document/wave_file.h"
#include "video/recording_media_writer.h"
#include "window_test_support.h"

namespace sonavix::testing {
namespace {

// Hands the fixture's stand-in to the command, which owns what it is given.
struct Borrowed final : DiscTools {
  explicit Borrowed(ScriptedDiscTools& tools) : inner(tools) {}
  ToolOutcome Run(const ToolRun& run, const std::function<bool(const std::string&)>& watch) override {
    return inner.Run(run, watch);
  }
  bool Installed(const std::string& program) const override { return inner.Installed(program); }
  ScriptedDiscTools& inner;
};

// Keeps what it is given and leaves a file of a Video-CD track's size.
struct SizedRecording final : RecordingMediaWriter {
  bool WriteClose() override {
    std::ofstream(fileName, std::ios::binary) << std::string(100 * 2324, '\0');
    return RecordingMediaWriter::WriteClose();
  }
};

class WindowDisc : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    form->Export().SetMediaWriterFactory([] {
      return std::make_unique<SizedRecording>();
    });
    form->Export().SetDiscToolsFactory([this] { return std::make_unique<Borrowed>(tools); });
  }
  QStringList Folder() const {
    return QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
  }

  ScriptedDiscTools tools;
};

TEST_F(WindowDisc, AnNtscSuperVideoCdImageIsMadeAndTheVideoFolderGoes) {
  OpenThroughCommand(WriteRamp("lied.wav", 22050));
  form->Format().superVideoCd->setChecked(true);
  form->Format().ntsc->click();
  EXPECT_TRUE(form->Format().superVideoCd->isChecked()) << "the TV system is a choice of its own";
  prompts.fileNames.push_back(Path("album.cue"));
  Trigger(A().discImage);
  ASSERT_TRUE(prompts.errors.isEmpty()) << prompts.errors.join(' ').toStdString();
  EXPECT_EQ(prompts.fileDialogs.back().defaultSuffix, QStringLiteral(".cue"));
  ASSERT_EQ(tools.runs.size(), 1u);
  EXPECT_EQ(tools.runs[0].arguments[1], "svcd");
  EXPECT_EQ(form->Preview().PictureSize(), QSize(480, 480)) << "NTSC's Super Video CD picture";
  EXPECT_TRUE(form->Status().Text().startsWith(QStringLiteral("Gespeichert: album.cue, 0:01"))) << form->Status().Text().toStdString();
  EXPECT_EQ(Folder(), QStringList({"album.bin", "album.cue", "lied.wav"}));
  EXPECT_TRUE(A().discImage->isEnabled());
  EXPECT_FALSE(A().stop->isEnabled());
}

TEST_F(WindowDisc, TooLongForTheDiscOrAMissingToolSaysSoAndLeavesNothing) {
  // 81 minutes of 8-bit mono at 8000 Hz: too long for a Video-CD.
  const std::vector<std::uint8_t> quiet(81 * 60 * 8000, 128);
  ASSERT_TRUE(WriteWaveFile(Path("lang.wav").toStdString(), quiet.data(), static_cast<std::int32_t>(quiet.size()),
                            8000, false, false));
  OpenThroughCommand(Path("lang.wav"));
  form->Format().videoCd->setChecked(true);
  const int dialogs = static_cast<int>(prompts.fileDialogs.size());
  Trigger(A().discImage);
  ASSERT_EQ(prompts.errors.size(), 1);
  EXPECT_TRUE(prompts.errors[0].startsWith(QStringLiteral("Zu lang für eine Video-CD: 1:21:00 Spielzeit")))
      << prompts.errors[0].toStdString();
  EXPECT_EQ(int(prompts.fileDialogs.size()), dialogs) << "refused before the name is asked for";

  OpenThroughCommand(WriteRamp("kurz.wav", 8000));
  form->Format().dvd->setChecked(true);
  tools.missing = {"genisoimage"};
  prompts.fileNames.push_back(Path("album.iso"));
  Trigger(A().discImage);
  ASSERT_EQ(prompts.errors.size(), 2);
  EXPECT_TRUE(prompts.errors[1].contains(QStringLiteral("Debian-Paket „genisoimage“"))) << prompts.errors[1].toStdString();
  EXPECT_EQ(Folder(), QStringList({"kurz.wav", "lang.wav"}));
}

TEST_F(WindowDisc, AnImageNamedAfterItsBinIsACueBesideItAndTheSoundIsHeldMeanwhile) {
  OpenThroughCommand(WriteRamp("lied.wav", 44100));
  form->Format().videoCd->setChecked(true);
  bool held = false;
  QTimer peek;
  QObject::connect(&peek, &QTimer::timeout, [&] { held = held || !A().echo->isEnabled(); });
  peek.start(0);
  prompts.fileNames.push_back(Path("album.bin"));
  Trigger(A().discImage);
  ASSERT_TRUE(prompts.errors.isEmpty()) << prompts.errors.join(' ').toStdString();
  EXPECT_TRUE(held);
  EXPECT_TRUE(A().echo->isEnabled());
  EXPECT_EQ(Folder(), QStringList({"album.bin", "album.cue", "lied.wav"}));
  EXPECT_TRUE(ReadFileText(Path("album.cue")).contains("\"album.bin\""));
}

}  // namespace
}  // namespace sonavix::testing

namespace sonavix::testing {
namespace {

// The web formats sit beside the disc formats, unclipped; they are no
// disc: the image command goes off while one is chosen, and the export
// asks for an MP4 file.
TEST_F(WindowDisc, TheWebFormatsAreChoicesOfTheirOwnWithoutADiscImage) {
  const FormatChoice& format = form->Format();
  for (QRadioButton* choice : {format.mp4Hd720, format.mp4Hd1080, format.pal, format.ntsc})
    EXPECT_LE(choice->sizeHint().width(), choice->width()) << choice->text().toStdString() << " is clipped";
  OpenThroughCommand(WriteRamp("lied.wav", 11025));
  form->Format().mp4Hd720->setChecked(true);
  EXPECT_FALSE(form->Format().dvd->isChecked());
  EXPECT_FALSE(A().discImage->isEnabled());
  prompts.fileNames.push_back(Path("lied.mp4"));
  Trigger(A().exportVideo);
  EXPECT_TRUE(prompts.errors.isEmpty()) << prompts.errors.join(' ').toStdString();
  EXPECT_EQ(prompts.fileDialogs.back().defaultSuffix, QStringLiteral(".mp4"));
  EXPECT_EQ(form->Preview().PictureSize(), QSize(1280, 720));
  form->Format().videoCd->setChecked(true);
  EXPECT_TRUE(A().discImage->isEnabled());
}

}  // namespace
}  // namespace sonavix::testing

namespace sonavix::testing {
namespace {

// The window goes on while the image is made: STOP given from its own
// event loop ends the run, and nothing of the image or its video is left.
TEST_F(WindowDisc, StopWhileTheVideoIsMadeLeavesNothing) {
  OpenThroughCommand(WriteRamp("lied.wav", 30 * 22050));
  form->Format().videoCd->setChecked(true);
  QTimer peek;
  QObject::connect(&peek, &QTimer::timeout, [&] {
    if (form->Export().Running() && !form->Preview().Picture().isNull() && A().stop->isEnabled()) Trigger(A().stop);
  });
  peek.start(0);
  prompts.fileNames.push_back(Path("album.cue"));
  Trigger(A().discImage);
  EXPECT_EQ(form->Status().Text(), QStringLiteral("Abgebrochen: kein Disc-Abbild gespeichert"));
  EXPECT_TRUE(tools.runs.empty());
  EXPECT_EQ(Folder(), QStringList({"lied.wav"}));
  EXPECT_FALSE(A().stop->isEnabled());
  EXPECT_TRUE(A().discImage->isEnabled());
}

}  // namespace
}  // namespace sonavix::testing
