// The built program rendering without a display or a sound card: batches
// with bad inputs among good ones, outputs that cannot be written, and what
// the disc tools make of the files.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <cmath>
#include <cstdint>
#include <vector>

#include "import/format_samples.h"
#include "program_runner.h"

namespace {

using sonavix::testing::ProgramTest;
using sonavix::testing::RunProgram;
using Result = sonavix::testing::ProgramResult;

class RenderProgram : public ProgramTest {
 protected:
  // Lines of the tool's report that speak of a problem.
  static QString VcdComplaints(const QString& file) {
    QTemporaryDir work;
    QProcess tool;
    tool.setWorkingDirectory(work.path());
    tool.start(QStringLiteral("vcdimager"), {QStringLiteral("-t"), QStringLiteral("vcd2"), file});
    tool.waitForFinished(60'000);
    const QString report = QString::fromLocal8Bit(tool.readAllStandardOutput() + tool.readAllStandardError());
    QString complaints;
    for (const QString& line : report.split('\n'))
      if (line.contains(QStringLiteral("ERR")) || line.contains(QStringLiteral("WARN"))) complaints += line + '\n';
    return tool.exitCode() == 0 ? complaints : QStringLiteral("status %1: ").arg(tool.exitCode()) + report;
  }
};


TEST_F(RenderProgram, ABatchRendersTheGoodFilesAndNamesTheBrokenOne) {
  if (std::system("command -v lame >/dev/null && command -v vcdimager >/dev/null") != 0)
    GTEST_SKIP() << "lame or vcdimager missing";
  const QString out = dir.filePath(QStringLiteral("out"));
  ASSERT_TRUE(QDir().mkdir(out));
  QFile broken(dir.filePath(QStringLiteral("b.wav")));
  ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
  broken.write("RIFF....WAVEthis is no sound");
  broken.close();
  const Result result = RunProgram({"--render", Wave("a.wav", 1.5), broken.fileName(), Mp3("c.mp3", 1.0),
                             "-p", "vcd", "-t", "Album", "-o", out, "-j", "2"});
  EXPECT_EQ(result.status, 1) << result.err.toStdString();
  EXPECT_TRUE(result.err.contains(broken.fileName() + QStringLiteral(": Konnte Datei nicht öffnen")))
      << result.err.toStdString();
  EXPECT_TRUE(result.err.contains(QStringLiteral("2 Dateien gerendert"))) << result.err.toStdString();
  EXPECT_EQ(QDir(out).entryList(QDir::Files), QStringList({"a.mpg", "c.mpg"}));
  for (const char* name : {"a.mpg", "c.mpg"})
    EXPECT_EQ(VcdComplaints(QDir(out).filePath(name)), QString()) << name;
  EXPECT_EQ(Leftovers(out), QStringList());

  // Alone, a file's video is what it was in the batch: its colours do not
  // depend on the files rendered before or beside it.
  const QString alone = dir.filePath(QStringLiteral("allein.mpg"));
  ASSERT_EQ(RunProgram({"--render", dir.filePath("c.mp3"), "-p", "vcd", "-t", "Album", "-o", alone}).status, 0);
  QFile inBatch(QDir(out).filePath("c.mpg")), single(alone);
  ASSERT_TRUE(inBatch.open(QIODevice::ReadOnly) && single.open(QIODevice::ReadOnly));
  EXPECT_TRUE(inBatch.readAll() == single.readAll());
}

TEST_F(RenderProgram, AnOutputThatCannotBeWrittenFailsAloneAndLeavesNothing) {
  const QString locked = dir.filePath(QStringLiteral("schreibgeschützt"));
  ASSERT_TRUE(QDir().mkdir(locked));
  QFile::copy(Wave("x.wav", 0.5), locked + QStringLiteral("/lied.wav"));
  ::chmod(QFile::encodeName(locked).constData(), 0555);
  const QString fine = Wave("gut.wav", 0.5);
  const Result result = RunProgram({"--render", locked + QStringLiteral("/lied.wav"), fine, "-p", "vcd", "-j", "1"},
                            {}, true);
  ::chmod(QFile::encodeName(locked).constData(), 0755);
  EXPECT_EQ(result.status, 1) << result.err.toStdString();
  EXPECT_TRUE(result.err.contains(QStringLiteral("lied.wav: Der Ordner der Ausgabe nimmt keine Datei an")))
      << result.err.toStdString();
  EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("gut.mpg"))));
  EXPECT_FALSE(QFile::exists(locked + QStringLiteral("/lied.mpg")));

  // A disk that fills up: the partial file goes and the message says why.
  const Result full = RunProgram({"--render", Wave("lang.wav", 20), "-p", "dvd", "-o", dir.filePath("voll.mpg")},
                          QStringLiteral("trap '' XFSZ; ulimit -f 256;"));
  EXPECT_EQ(full.status, 1) << full.err.toStdString();
  EXPECT_TRUE(full.err.contains(QStringLiteral("Konnte MPEG-Datei nicht schreiben: Die Datei wird größer, als erlaubt ist")))
      << full.err.toStdString();
  EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("voll.mpg"))));
  EXPECT_EQ(Leftovers(dir.path()), QStringList());
}

TEST_F(RenderProgram, AnAlbumBecomesOneNtscVideoCdImageWithATrackPerSong) {
  if (std::system("command -v vcdimager >/dev/null && command -v vcd-info >/dev/null") != 0)
    GTEST_SKIP() << "vcdimager missing";
  const Result result = RunProgram({"--render", Wave("eins.wav", 1.2), Wave("zwei.wav", 2.0), "-p", "vcd-ntsc",
                                    "--disc-image", dir.filePath("album")});
  EXPECT_EQ(result.status, 0) << result.err.toStdString();
  QProcess info;
  info.start(QStringLiteral("vcd-info"), {"-c", dir.filePath("album.cue")});
  info.waitForFinished(60'000);
  const QString listing = QString::fromLocal8Bit(info.readAllStandardOutput());
  EXPECT_TRUE(listing.contains(QStringLiteral("entries: 2"))) << listing.toStdString();
  // The songs' videos were temporary.
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot),
            QStringList({"album.bin", "album.cue", "eins.wav", "zwei.wav"}));
}

TEST_F(RenderProgram, StoppedWithATerminateSignalItLeavesNothingHalfWritten) {
  const QString song = Wave("lang.wav", 60);
  QProcess program;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.remove(QStringLiteral("DISPLAY"));
  program.setProcessEnvironment(environment);
  program.start(QStringLiteral(SONAVIX_PROGRAM), {"--render", song, "-p", "dvd"});
  ASSERT_TRUE(program.waitForStarted());
  // Once it is writing: the unfinished file beside the target exists.
  for (int i = 0; i < 400 && Leftovers(dir.path()).isEmpty(); ++i) QThread::msleep(25);
  program.terminate();
  ASSERT_TRUE(program.waitForFinished(60'000));
  EXPECT_EQ(program.exitCode(), 130) << program.readAllStandardError().toStdString();
  EXPECT_TRUE(QString::fromLocal8Bit(program.readAllStandardError()).contains(QStringLiteral("abgebrochen")));
  EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("lang.mpg"))));
  EXPECT_EQ(Leftovers(dir.path()), QStringList());
}

TEST_F(RenderProgram, EveryFormatRendersFromTheCommandLine) {
  if (std::system("command -v ffmpeg >/dev/null 2>&1") != 0) GTEST_SKIP() << "no ffmpeg";
  const std::string song = QFile::encodeName(dir.filePath("song.wav")).toStdString();
  ASSERT_TRUE(sonavix::testing::MakeSong(song));
  const QString out = dir.filePath(QStringLiteral("videos"));
  QDir().mkdir(out);
  QStringList arguments = {"--render", "-p", "vcd", "-o", out, "-j", "2", "--quiet"};
  for (const sonavix::testing::FormatSample& sample : sonavix::testing::FormatSamples()) {
    const QString input = dir.filePath(QString::fromLatin1(sample.name));
    ASSERT_TRUE(sonavix::testing::MakeSample(song, sample, QFile::encodeName(input).toStdString())) << sample.name;
    arguments << input;
  }
  const Result result = RunProgram(arguments);
  EXPECT_EQ(result.status, 0) << result.err.toStdString();
  EXPECT_EQ(QDir(out).entryList(QDir::Files).size(), qsizetype(sonavix::testing::FormatSamples().size()));
}

TEST_F(RenderProgram, FifosAndStretchesOutsideTheSoundAreRefusedAtOnce) {
  const QString fifo = dir.filePath(QStringLiteral("rohr.wav"));
  ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0644), 0);
  const Result piped = RunProgram({"--render", fifo, "-p", "vcd"});  // would hang if it opened the FIFO
  EXPECT_EQ(piped.status, 1);
  EXPECT_TRUE(piped.err.contains(QStringLiteral("keine gewöhnliche Datei"))) << piped.err.toStdString();

  const Result outside = RunProgram({"--render", Wave("kurz.wav", 1.0), "--from", "2", "-p", "vcd"});
  EXPECT_EQ(outside.status, 2) << outside.err.toStdString();
  EXPECT_TRUE(outside.err.contains(QStringLiteral("außerhalb des Klangs"))) << outside.err.toStdString();
  EXPECT_TRUE(outside.err.contains(QStringLiteral("sonavix --render [OPTIONEN] DATEI")));
  EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("kurz.mpg"))));

  const Result usage = RunProgram({"--render", "-p", "bluray", "x.wav"});
  EXPECT_EQ(usage.status, 2);
  EXPECT_TRUE(usage.err.contains(QStringLiteral("sonavix --render [OPTIONEN] DATEI"))) << usage.err.toStdString();
  const Result list = RunProgram({"--list-presets"});
  EXPECT_EQ(list.status, 0) << list.err.toStdString();
}

}  // namespace
