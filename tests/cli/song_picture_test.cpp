// The song's own words on its video: lyrics at their time in the lower
// third, the title above, and the messages for lyrics that cannot be used.

#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QProcess>

#include "program_runner.h"

namespace {

using sonavix::testing::ProgramTest;
using sonavix::testing::RunProgram;

// Pixels of bright, unsaturated text in rows `from` ... `to` of a frame at
// `seconds`.
int TextPixels(const QString& video, double seconds, double from, double to) {
  const QString png = video + QStringLiteral(".png");
  QProcess ffmpeg;
  ffmpeg.start(QStringLiteral("ffmpeg"), {"-v", "error", "-y", "-ss", QString::number(seconds), "-i", video,
                                          "-frames:v", "1", png});
  ffmpeg.waitForFinished(60'000);
  const QImage frame(png);
  int bright = 0;
  for (int y = static_cast<int>(from * frame.height()); y < static_cast<int>(to * frame.height()); ++y)
    for (int x = 0; x < frame.width(); x += 2) {
      const QColor c = frame.pixelColor(x, y);
      bright += c.red() > 200 && c.green() > 200;
    }
  return bright;
}

using SongPicture = ProgramTest;

TEST_F(SongPicture, LyricsAppearAtTheirTimeUnderTheTitleAndBadOnesAreSaid) {
  const QString song = Wave("lied.wav", 3.0);
  QFile lrc(dir.filePath(QStringLiteral("lied.lrc")));
  ASSERT_TRUE(lrc.open(QIODevice::WriteOnly));
  lrc.write("[00:01.50]Die erste Zeile\n[00:xx]kaputt\n[00:02.50]Die zweite Zeile\n");
  lrc.close();
  const QString video = dir.filePath(QStringLiteral("lied.mp4"));
  const auto result = RunProgram({"--render", song, "-p", "mp4-720p", "-t", "Titel", "--lyrics", "auto", "-o", video});
  ASSERT_EQ(result.status, 0) << result.err.toStdString();
  EXPECT_TRUE(result.err.contains(QStringLiteral("1 Zeile des Liedtexts hat eine kaputte Zeitangabe"))) << result.err.toStdString();
  // Before its time the lower third is empty; a frame after it, the line is there.
  EXPECT_EQ(TextPixels(video, 1.40, 0.6, 0.9), 0);
  EXPECT_GT(TextPixels(video, 1.54, 0.6, 0.9), 100);
  // The title stands at the top.
  EXPECT_GT(TextPixels(video, 1.0, 0.0, 0.25), 50);

  const auto missing = RunProgram({"--render", song, "--lyrics", dir.filePath(QStringLiteral("fehlt.srt"))});
  EXPECT_EQ(missing.status, 1);
  EXPECT_TRUE(missing.err.contains(QStringLiteral("Den Liedtext „fehlt.srt“ gibt es nicht"))) << missing.err.toStdString();
}

}  // namespace
