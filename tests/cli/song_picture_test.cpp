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

  // Without a file beside it, "auto" finds LRC text in the song's tags.
  const QString tagged = dir.filePath(QStringLiteral("getaggt.flac"));
  ASSERT_EQ(QProcess::execute(QStringLiteral("ffmpeg"), {"-v", "error", "-i", song, "-metadata",
                                                         "LYRICS=[00:00.20]Aus dem Tag", tagged}),
            0);
  const QString fromTags = dir.filePath(QStringLiteral("getaggt.mp4"));
  ASSERT_EQ(RunProgram({"--render", tagged, "-p", "mp4-720p", "-t", "", "--lyrics", "auto", "-o", fromTags}).status, 0);
  EXPECT_GT(TextPixels(fromTags, 0.5, 0.6, 0.9), 100);

  const auto missing = RunProgram({"--render", song, "--lyrics", dir.filePath(QStringLiteral("fehlt.srt"))});
  EXPECT_EQ(missing.status, 1);
  EXPECT_TRUE(missing.err.contains(QStringLiteral("Den Liedtext „fehlt.srt“ gibt es nicht"))) << missing.err.toStdString();

}

TEST_F(SongPicture, EveryScreenHasItsShapeAndLevelAndTheUprightOneKeepsItsTextClear) {
  // Every screen: the shape, the level players need, and for the upright
  // picture the text clear of the top tenth and the bottom fifth.
  const struct {
    const char* preset;
    const char* probe;
  } screens[] = {{"mp4-square", "1080,1080,41"}, {"mp4-vertical", "1080,1920,41"}, {"mp4-2160p", "3840,2160,51"}};
  const QString shortSong = Wave("kurz.wav", 0.5);
  for (const auto& s : screens) {
    const QString out = dir.filePath(QString::fromLatin1(s.preset) + ".mp4");
    const auto made = RunProgram({"--render", shortSong, "-p", s.preset, "-t", "Titel", "--subtext", "Untertitel",
                                  "--text-position", "oben", "-o", out});
    ASSERT_EQ(made.status, 0) << made.err.toStdString();
    QProcess probe;
    probe.start(QStringLiteral("ffprobe"), {"-v", "error", "-select_streams", "v:0", "-show_entries",
                                            "stream=width,height,level", "-of", "csv=p=0", out});
    probe.waitForFinished(60'000);
    EXPECT_EQ(QString::fromLatin1(probe.readAllStandardOutput()).trimmed(), QString::fromLatin1(s.probe));
  }
  // Transparent: VP9 with alpha in WebM, clear away from the circles and
  // opaque on them.
  const QString clear = dir.filePath(QStringLiteral("klar.webm"));
  ASSERT_EQ(RunProgram({"--render", shortSong, "-p", "webm-alpha", "-o", clear}).status, 0);
  QProcess probe;
  probe.start(QStringLiteral("ffprobe"), {"-v", "error", "-show_entries", "stream=codec_name:stream_tags=alpha_mode",
                                          "-of", "csv=p=0", clear});
  probe.waitForFinished(60'000);
  EXPECT_EQ(QString::fromLatin1(probe.readAllStandardOutput()).simplified(), QStringLiteral("vp9,1 opus"));
  const QString rgba = clear + QStringLiteral(".png");
  QProcess::execute(QStringLiteral("ffmpeg"), {"-v", "error", "-y", "-c:v", "libvpx-vp9", "-ss", "0.2", "-i", clear,
                                               "-frames:v", "1", "-pix_fmt", "rgba", rgba});
  const QImage frame(rgba);
  ASSERT_FALSE(frame.isNull());
  EXPECT_EQ(qAlpha(frame.pixel(10, 10)), 0);
  EXPECT_GE(qAlpha(frame.pixel(frame.width() / 2, frame.height() / 2)), 245);  // VP9 is not lossless

  const QString upright = dir.filePath(QStringLiteral("mp4-vertical.mp4"));
  EXPECT_EQ(TextPixels(upright, 0.3, 0.0, 0.10), 0);
  EXPECT_GT(TextPixels(upright, 0.3, 0.10, 0.2), 50);

}

TEST_F(SongPicture, APictureStandsBehindTheCirclesAndOneThatCannotBeReadIsSaid) {
  const QString song = Wave("lied.wav", 3.0);
  // A picture behind the circles, darkened, and the trails settling into it:
  // a red cover leaves the corners dark red.
  QImage red(300, 200, QImage::Format_RGB32);
  red.fill(qRgb(220, 20, 20));
  const QString cover = dir.filePath(QStringLiteral("cover.png"));
  ASSERT_TRUE(red.save(cover));
  const QString covered = dir.filePath(QStringLiteral("bild.mp4"));
  ASSERT_EQ(RunProgram({"--render", song, "-p", "mp4-720p", "--image", "auto", "-o", covered}).status, 0);
  const QString still = covered + QStringLiteral(".png");
  QProcess::execute(QStringLiteral("ffmpeg"), {"-v", "error", "-y", "-ss", "2", "-i", covered, "-frames:v", "1", still});
  const QColor corner = QImage(still).pixelColor(5, 5);
  EXPECT_NEAR(corner.red(), 220 * 45 / 100, 12) << corner.name().toStdString();
  EXPECT_LT(corner.blue(), 30) << corner.name().toStdString();
  // A picture that cannot be read, and one that claims 20 000 x 20 000.
  QFile huge(dir.filePath(QStringLiteral("riesig.png")));
  ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
  huge.write(QByteArray::fromHex("89504e470d0a1a0a0000000d4948445200004e2000004e200802000000"));
  huge.close();
  for (const char* name : {"riesig.png", "fehlt.jpg"}) {
    const auto refused = RunProgram({"--render", song, "--image", dir.filePath(QString::fromLatin1(name))});
    EXPECT_EQ(refused.status, 1) << name;
    EXPECT_TRUE(refused.err.contains(QStringLiteral("Das Bild „%1“").arg(QString::fromLatin1(name))) ||
                refused.err.contains(QStringLiteral("das Bild „%1“").arg(QString::fromLatin1(name))))
        << refused.err.toStdString();
  }

}

TEST_F(SongPicture, AnAlbumVideoHasAChapterPerSongWhereTheSongsMeet) {
  // Lengths that are no whole number of blocks; the second song's chapter is
  // named by its tag, the others by their files.
  Wave("eins.wav", 1.3);
  const QString second = Wave("zwei.wav", 2.05);
  ASSERT_EQ(QProcess::execute(QStringLiteral("ffmpeg"), {"-v", "error", "-i", second, "-metadata", "title=Zweites Lied",
                                                         dir.filePath(QStringLiteral("zwei.flac"))}),
            0);
  Wave("drei.wav", 1.5);
  const auto made = sonavix::testing::RunShell(
      "\"$SONAVIX\" --render eins.wav zwei.flac drei.wav -p mp4-720p --album-video album.mp4 >liste.txt", dir.path());
  ASSERT_EQ(made.status, 0) << made.err.toStdString();
  QFile printed(dir.filePath(QStringLiteral("liste.txt"))), written(dir.filePath(QStringLiteral("album.chapters.txt")));
  ASSERT_TRUE(printed.open(QIODevice::ReadOnly) && written.open(QIODevice::ReadOnly));
  const QByteArray list = printed.readAll();
  EXPECT_EQ(list, "0:00 eins\n0:01 Zweites Lied\n0:03 drei\n");
  EXPECT_EQ(written.readAll(), list);
  QProcess probe;
  probe.start(QStringLiteral("ffprobe"), {"-v", "error", "-show_entries", "chapter=start_time:chapter_tags=title",
                                          "-of", "csv=p=0", dir.filePath(QStringLiteral("album.mp4"))});
  probe.waitForFinished(60'000);
  const QStringList chapters = QString::fromUtf8(probe.readAllStandardOutput()).trimmed().split(QLatin1Char('\n'));
  ASSERT_EQ(chapters.size(), 3) << chapters.join(QLatin1Char('|')).toStdString();
  const double starts[] = {0, 1.3, 3.35};
  const char* titles[] = {"eins", "Zweites Lied", "drei"};
  for (int i = 0; i < 3; ++i) {
    const QStringList fields = chapters[i].split(QLatin1Char(','));
    ASSERT_EQ(fields.size(), 2) << chapters[i].toStdString();
    EXPECT_NEAR(fields[0].toDouble(), starts[i], 1.0 / 30) << i;
    EXPECT_EQ(fields[1], QString::fromUtf8(titles[i]));
  }
  // A song that cannot be read stops the album before anything is written;
  // the discs have no chapters.
  const auto missing = RunProgram({"--render", dir.filePath(QStringLiteral("eins.wav")), dir.filePath(QStringLiteral("fehlt.wav")),
                                   "-p", "mp4-720p", "--album-video", dir.filePath(QStringLiteral("b.mp4"))});
  EXPECT_EQ(missing.status, 1);
  EXPECT_TRUE(missing.err.contains(QStringLiteral("fehlt.wav: Die Datei gibt es nicht"))) << missing.err.toStdString();
  EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("b.mp4"))));
  EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("b.chapters.txt"))));
  EXPECT_EQ(RunProgram({"--render", dir.filePath(QStringLiteral("eins.wav")), "--album-video", "c.mpg"}).status, 2);
}

}  // namespace
