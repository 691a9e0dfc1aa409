// A render from the command line's job is the window's export of the same
// sound, text, font and preset, byte for byte; and two renders are equal.

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QRadioButton>
#include <cmath>

#include "document/wave_file.h"
#include "export/render_job.h"
#include "video/random.h"
#include "window_test_support.h"

namespace sonavix::testing {
namespace {

class RenderMatchesWindow : public WindowTest {
 protected:
  // Two seconds of a gliding stereo tone, so that the picture moves.
  QString Song(const char* name) const {
    const int frames = 2 * 44100;
    std::vector<std::int16_t> samples(2 * frames);
    for (int i = 0; i < frames; ++i) {
      samples[2 * i] = static_cast<std::int16_t>(9000 * std::sin(i * (0.01 + i * 2e-7)));
      samples[2 * i + 1] = static_cast<std::int16_t>(6000 * std::sin(i * 0.2));
    }
    const QString path = Path(name);
    EXPECT_TRUE(WriteWaveFile(QFile::encodeName(path).toStdString(),
                              reinterpret_cast<const std::uint8_t*>(samples.data()),
                              static_cast<std::int32_t>(2 * samples.size()), 44100, true, true));
    return path;
  }

  // The window's export, as the first run after the program started; with
  // no text, the line stays as opening the file left it.
  std::vector<std::uint8_t> WindowExport(const QString& input, const QFont& font, const char* out,
                                         const QString& text = QStringLiteral("Sonavix – Demo")) {
    form->Picture().textField->clear();
    OpenThroughCommand(input);
    if (!text.isEmpty()) form->Picture().textField->setText(text);
    prompts.fonts.push_back(font);
    Trigger(A().chooseFont);  // "Schriftart..."
    EXPECT_EQ(form->Picture().Font(), font);
    form->Format().videoCd->setChecked(true);  // Video-CD
    ProgramRandom().seed = 0;
    prompts.fileNames.push_back(Path(out));
    Trigger(A().exportVideo);
    EXPECT_TRUE(prompts.errors.isEmpty()) << prompts.errors.join(' ').toStdString();
    return ReadBytes(Path(out));
  }

  std::vector<std::uint8_t> Render(const QString& input, const QFont& font, const char* out,
                                   const QString& text = QStringLiteral("Sonavix – Demo")) {
    RenderRequest request;
    request.input = QFile::encodeName(input).toStdString();
    request.output = QFile::encodeName(Path(out)).toStdString();
    request.preset = DiscPreset::VideoCd;
    request.text = text;
    request.textFromTags = true;
    request.font = font;
    RenderObserver quiet;
    const RenderResult result = RenderFile(request, quiet);
    EXPECT_TRUE(result.ok()) << result.error;
    EXPECT_NEAR(result.seconds, 2.0, 0.07);
    return ReadBytes(Path(out));
  }
};

TEST_F(RenderMatchesWindow, AWaveAndAnMp3RenderToTheWindowsBytes) {
  QFont font(QStringLiteral("DejaVu Serif"));
  font.setPointSize(20);
  font.setBold(true);
  const QString wave = Song("lied.wav");
  const std::vector<std::uint8_t> window = WindowExport(wave, font, "fenster.mpg");
  ASSERT_GT(window.size(), 100'000u);
  EXPECT_TRUE(window == Render(wave, font, "render.mpg"));
  // The colours start afresh: a second render is the same again.
  EXPECT_TRUE(window == Render(wave, font, "nochmal.mpg"));

  if (std::system("command -v lame >/dev/null 2>&1") != 0) GTEST_SKIP() << "no lame";
  const QString mp3 = Path("lied.mp3");
  ASSERT_EQ(std::system(QStringLiteral("lame --silent -b 160 '%1' '%2'").arg(wave, mp3).toLocal8Bit().constData()), 0);
  const std::vector<std::uint8_t> windowMp3 = WindowExport(mp3, font, "fenster-mp3.mpg");
  ASSERT_GT(windowMp3.size(), 100'000u);
  EXPECT_TRUE(windowMp3 == Render(mp3, font, "render-mp3.mpg"));

  // A tagged FLAC: the window's line and the render both take its name.
  const QString flac = Path("lied.flac");
  ASSERT_EQ(std::system(QStringLiteral("ffmpeg -v error -i '%1' -metadata title=Lied -metadata artist=Band '%2'")
                            .arg(wave, flac)
                            .toLocal8Bit()
                            .constData()),
            0);
  const std::vector<std::uint8_t> windowFlac = WindowExport(flac, font, "fenster-flac.mpg", QString());
  EXPECT_EQ(form->Picture().Text(), QStringLiteral("Band – Lied"));
  EXPECT_TRUE(windowFlac == Render(flac, font, "render-flac.mpg", QString()));
}

}  // namespace
}  // namespace sonavix::testing
