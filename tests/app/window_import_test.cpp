// Every format through "Öffnen...": the song is shown, its tags name it in
// the status bar and fill an empty text line, its cover is kept, and STOP
// ends a long read with the sound left as it was.

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTimer>

#include "import/format_samples.h"
#include "window_test_support.h"

namespace sonavix::testing {
namespace {

class WindowImport : public WindowTest {
 protected:
  void SetUp() override {
    if (std::system("command -v ffmpeg >/dev/null 2>&1") != 0) GTEST_SKIP() << "no ffmpeg";
    WindowTest::SetUp();
    ASSERT_TRUE(MakeSong(Local("song.wav")));
  }
  std::string Local(const char* name) const { return QFile::encodeName(Path(name)).toStdString(); }
};

TEST_F(WindowImport, EveryFormatOpensAndShowsTheWholeSong) {
  for (const FormatSample& sample : FormatSamples()) {
    ASSERT_TRUE(MakeSample(Local("song.wav"), sample, Local(sample.name))) << sample.name;
    OpenThroughCommand(Path(sample.name));
    EXPECT_TRUE(prompts.errors.isEmpty()) << sample.name << ": " << prompts.errors.join(' ').toStdString();
    EXPECT_NEAR(double(form->Document().FrameCount()) / form->Document().SampleRate, 2.0, 0.05) << sample.name;
    EXPECT_EQ(form->Session().name, QString::fromLatin1(sample.name));
    prompts.errors.clear();
  }
}

TEST_F(WindowImport, TagsNameTheSongFillAnEmptyTextLineAndKeepTheCover) {
  ASSERT_TRUE(Ffmpeg("-f lavfi -i color=c=red:s=64x48 -frames:v 1 '" + Local("cover.png") + "'"));
  const std::string tags = " -metadata title='Das Lied' -metadata artist='Die Band' -metadata date=2024-05-01 ";
  const std::string cover = " -i '" + Local("cover.png") + "' -map 0:a -map 1:v -disposition:v attached_pic ";
  const struct {
    const char* name;
    std::string arguments;
    bool withCover;
  } files[] = {
      {"t.flac", cover + tags + "-c:a flac", true},
      {"t.opus", tags + "-c:a libopus", false},
      {"t.m4a", cover + tags + "-c:a aac -c:v png", true},
      {"t.mp3", cover + tags + "-c:a libmp3lame -id3v2_version 3", true},
  };
  for (const auto& file : files) {
    ASSERT_TRUE(Ffmpeg("-i '" + Local("song.wav") + "'" + file.arguments + " '" + Local(file.name) + "'")) << file.name;
    form->Picture().textField->clear();
    OpenThroughCommand(Path(file.name));
    ASSERT_TRUE(prompts.errors.isEmpty()) << file.name << ": " << prompts.errors.join(' ').toStdString();
    EXPECT_TRUE(form->Status().Text().startsWith(QStringLiteral("Die Band – Das Lied"))) << form->Status().Text().toStdString();
    EXPECT_EQ(form->Picture().textField->text(), QStringLiteral("{artist} – {title}")) << file.name;
    EXPECT_EQ(form->Picture().Text(), QStringLiteral("Die Band – Das Lied")) << file.name;
    EXPECT_EQ(form->Session().tags.year, "2024") << file.name;
    EXPECT_EQ(form->Session().tags.cover.width, file.withCover ? 64 : 0) << file.name;
    EXPECT_EQ(form->Session().tags.cover.height, file.withCover ? 48 : 0) << file.name;
  }
  // A line the user wrote stays.
  form->Picture().textField->setText(QStringLiteral("Mein Text"));
  OpenThroughCommand(Path("t.flac"));
  EXPECT_EQ(form->Picture().textField->text(), QStringLiteral("Mein Text"));
}

TEST_F(WindowImport, ADeepFileSaysWhatWasDoneAndStopLeavesTheSoundAsItWas) {
  ASSERT_TRUE(Ffmpeg("-f lavfi -i sine=f=440:r=96000:d=20 -ac 2 -c:a pcm_s24le '" + Local("tief.wav") + "'"));
  OpenThroughCommand(Path("tief.wav"));
  EXPECT_EQ(form->Status().Text(), QStringLiteral("24 Bit → 16 Bit, 96 000 → 48 000 Hz"));
  EXPECT_EQ(form->Document().SampleRate, 48000);

  const std::vector<std::uint8_t> before = DocumentBytes(form->Document());
  ASSERT_TRUE(Ffmpeg("-f lavfi -i sine=f=440:d=600 -c:a flac '" + Local("lang.flac") + "'"));
  QTimer stop;
  QObject::connect(&stop, &QTimer::timeout, [&] {
    if (A().stop->isEnabled()) A().stop->trigger();
  });
  stop.start(0);
  OpenThroughCommand(Path("lang.flac"));
  EXPECT_EQ(DocumentBytes(form->Document()), before);
  EXPECT_EQ(form->Status().Text(), QStringLiteral("Lesen abgebrochen"));
  EXPECT_TRUE(prompts.errors.isEmpty());
  EXPECT_FALSE(A().stop->isEnabled());
}

}  // namespace
}  // namespace sonavix::testing
