// The built program against hostile names, files, pipes, signals and
// missing tools: it loses nothing, reports nothing as done that was not,
// leaves nothing behind, and says what is wrong in German.

#include <gtest/gtest.h>
#include <signal.h>

#include <QFile>
#include <QThread>
#include <fstream>

#include "program_runner.h"

namespace sonavix::testing {
namespace {

QByteArray Contents(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A 16-bit stereo WAV header claiming `rate`, with `dataBytes` of silence.
void WriteRawWave(const QString& path, std::uint32_t rate, std::uint32_t dataBytes) {
  QByteArray bytes("RIFF");
  const auto put = [&bytes](std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i) bytes += char(value >> (8 * i));
  };
  put(36 + dataBytes, 4);
  bytes += "WAVEfmt ";
  put(16, 4), put(1, 2), put(2, 2), put(rate, 4), put(rate * 4, 4), put(4, 2), put(16, 2);
  bytes += "data";
  put(dataBytes, 4);
  bytes += QByteArray(int(dataBytes), '\0');
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(bytes);
}

// Whether the process is gone (or a zombie nobody has collected yet).
bool Gone(const QString& pid) {
  const QByteArray stat = Contents(QStringLiteral("/proc/%1/stat").arg(pid));
  return stat.isEmpty() || stat.contains(") Z ");
}

using RenderFaults = ProgramTest;

TEST_F(RenderFaults, AnImageNeverLandsOnAnInputAndItsCueAndBinAreTwoFiles) {
  const QString song = Wave("song.wav", 1.5);
  const QByteArray original = Contents(song);
  ASSERT_EQ(::symlink("song.wav", QFile::encodeName(dir.filePath("link.iso")).constData()), 0);
  ASSERT_EQ(::link(QFile::encodeName(song).constData(), QFile::encodeName(dir.filePath("hard.iso")).constData()), 0);
  const QString bin = dir.filePath("lied.bin");
  ASSERT_TRUE(QFile::copy(song, bin));
  const struct {
    const char* preset;
    QString input, image;
  } cases[] = {{"dvd", song, song},
               {"dvd", song, dir.filePath("link.iso")},
               {"dvd", song, dir.filePath("hard.iso")},
               {"vcd", bin, dir.filePath("lied.cue")}};
  for (const auto& c : cases) {
    const ProgramResult result = RunProgram({"--render", c.input, "-p", c.preset, "--disc-image", c.image});
    EXPECT_EQ(result.status, 2) << c.image.toStdString() << result.err.toStdString();
    EXPECT_TRUE(result.err.contains(QStringLiteral("würde die Eingabe"))) << result.err.toStdString();
  }
  EXPECT_EQ(Contents(song), original);
  EXPECT_EQ(Contents(bin), original);

  // Named after its BIN file, a Video-CD image is a CUE sheet beside it.
  const ProgramResult pair = RunProgram({"--render", song, "-p", "vcd", "--disc-image", dir.filePath("album.bin")});
  ASSERT_EQ(pair.status, 0) << pair.err.toStdString();
  EXPECT_TRUE(Contents(dir.filePath("album.cue")).contains("album.bin"));
  EXPECT_GT(QFileInfo(dir.filePath("album.bin")).size(), 75 * 2352);
}

TEST_F(RenderFaults, SoundsThatCannotPlayAreRefusedAndTheContentChoosesTheReader) {
  WriteRawWave(dir.filePath("null.wav"), 0, 4 * 44100);
  WriteRawWave(dir.filePath("riesig.wav"), 4294967295u, 4 * 44100);
  WriteRawWave(dir.filePath("halb.wav"), 44100, 3);  // not one whole frame
  const ProgramResult refused = RunProgram({"--render", dir.filePath("null.wav"), dir.filePath("riesig.wav"),
                                            dir.filePath("halb.wav"), "-p", "vcd"});
  EXPECT_EQ(refused.status, 1) << refused.err.toStdString();
  EXPECT_TRUE(refused.err.contains(QStringLiteral("null.wav: Die Abtastrate von 0 Hz lässt sich nicht abspielen")));
  EXPECT_TRUE(refused.err.contains(QStringLiteral("riesig.wav: Die Abtastrate von")));
  EXPECT_TRUE(refused.err.contains(QStringLiteral("halb.wav: Der Klang enthält keinen einzigen vollständigen Frame")));
  EXPECT_TRUE(QDir(dir.path()).entryList({QStringLiteral("*.mpg")}).isEmpty());

  // WAV data named .mp3 is read as the WAV it is: all of its three seconds.
  QFile::copy(Wave("w.wav", 3), dir.filePath("wav.mp3"));
  const ProgramResult read =
      RunShell(QStringLiteral("\"$SONAVIX\" --render wav.mp3 -p vcd --quiet && ffprobe -v error -show_entries "
                              "format=duration -of csv=p=0 wav.mpg >&2"),
               dir.path());
  ASSERT_EQ(read.status, 0) << read.err.toStdString();
  EXPECT_NEAR(read.err.trimmed().toDouble(), 3.0, 0.15) << read.err.toStdString();
}

TEST_F(RenderFaults, EveryNameLinuxAllowsWorksAndKeepsItsBytes) {
  Wave("song.wav", 1.5);
  const ProgramResult result = RunShell(QStringLiteral(R"sh(
    trap 'rm -f "$(printf "M\344dchen")".*' EXIT  # a name Qt could not remove
    long=$(printf 'a%.0s' $(seq 245)); cp song.wav "$long.wav"
    "$SONAVIX" --render "$long.wav" -p vcd --quiet || exit 10
    test -f "$long.mpg" || exit 11
    cp song.wav "$(printf 'M\344dchen.wav')"
    "$SONAVIX" --render "$(printf 'M\344dchen.wav')" -p vcd --quiet || exit 12
    test -f "$(printf 'M\344dchen.mpg')" || exit 13
    "$SONAVIX" --render "$(printf 'M\344dchen.wav')" -p vcd --disc-image "$(printf 'M\344dchen')" --quiet || exit 14
    test -f "$(printf 'M\344dchen.cue')" && test -f "$(printf 'M\344dchen.bin')" || exit 15)sh"),
                                        dir.path());
  EXPECT_EQ(result.status, 0) << result.err.toStdString();
  EXPECT_EQ(Leftovers(dir.path()), QStringList());
}

TEST_F(RenderFaults, AClosedPipeOrAKilledRunLeavesNoDebrisAndNoToolRunning) {
  Wave("song.wav", 2);
  const ProgramResult piped = RunShell(
      QStringLiteral("\"$SONAVIX\" --render song.wav -p vcd -o out.mpg 2>&1 | head -c 20 >/dev/null; "
                     "exit ${PIPESTATUS[0]}"),
      dir.path());
  EXPECT_EQ(piped.status, 0);
  EXPECT_TRUE(QFileInfo(dir.filePath("out.mpg")).size() > 0);

  // A dvdauthor that never ends, to kill the program under.
  const QString tools = dir.filePath("werkzeuge");
  QDir().mkdir(tools);
  std::ofstream(QFile::encodeName(tools + "/dvdauthor").constData())
      << "#!/bin/sh\necho $$ > \"$TOOL_PID\"\nexec sleep 600\n";
  ::chmod(QFile::encodeName(tools + "/dvdauthor").constData(), 0755);
  QFile::link(QStringLiteral("/bin/true"), tools + "/genisoimage");
  const auto startImage = [&](QProcess& program, const QString& pidFile) {
    QProcessEnvironment environment = PlainEnvironment();
    environment.insert("PATH", tools + ":" + environment.value("PATH"));
    environment.insert("TOOL_PID", pidFile);
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(SONAVIX_PROGRAM), {"--render", dir.filePath("song.wav"), "-p", "dvd",
                                                     "--disc-image", dir.filePath("album.iso")});
    for (int i = 0; i < 600 && Contents(pidFile).isEmpty(); ++i) QThread::msleep(50);
    return QString::fromLatin1(Contents(pidFile).trimmed());
  };
  QProcess killed, running;
  const QString killedTool = startImage(killed, dir.filePath("eins.pid"));
  ASSERT_FALSE(killedTool.isEmpty());
  killed.kill();
  killed.waitForFinished();
  for (int i = 0; i < 40 && !Gone(killedTool); ++i) QThread::msleep(50);
  EXPECT_TRUE(Gone(killedTool)) << "the tool dies with the program";
  const QStringList debris = Leftovers(dir.path());
  ASSERT_FALSE(debris.isEmpty());

  // A copy still at work keeps its files; the dead one's go with the next run.
  ASSERT_FALSE(startImage(running, dir.filePath("zwei.pid")).isEmpty());
  ASSERT_EQ(RunProgram({"--render", dir.filePath("song.wav"), "-p", "vcd", "--quiet"}).status, 0);
  const QStringList after = Leftovers(dir.path());
  EXPECT_FALSE(after.isEmpty()) << "the running copy's files stay";
  for (const QString& name : debris) EXPECT_FALSE(after.contains(name)) << name.toStdString();
  running.kill();
  running.waitForFinished();
}

TEST_F(RenderFaults, WhatCannotBeImagedIsRefusedBeforeRendering) {
  Wave("lied.wav", 30);
  const QString empty = dir.filePath("leer");
  QDir().mkdir(empty);
  const ProgramResult noTool =
      RunProgram({"--render", dir.filePath("lied.wav"), "-p", "dvd", "--disc-image", dir.filePath("a.iso")},
                 QStringLiteral("PATH='%1'").arg(empty));
  EXPECT_EQ(noTool.status, 1);
  EXPECT_TRUE(noTool.err.contains(QStringLiteral("dvdauthor fehlt: bitte das Debian-Paket „dvdauthor“")));
  EXPECT_FALSE(noTool.err.contains(QLatin1Char('%'))) << "nothing rendered: " << noTool.err.toStdString();

  const ProgramResult tooShort =
      RunProgram({"--render", Wave("kurz.wav", 0.5), "-p", "vcd", "--disc-image", dir.filePath("b.cue")});
  EXPECT_EQ(tooShort.status, 1);
  EXPECT_TRUE(tooShort.err.contains(QStringLiteral("„kurz.wav“ ist zu kurz für eine Video-CD"))) << tooShort.err.toStdString();
  EXPECT_FALSE(tooShort.err.contains(QStringLiteral("WARN")));
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::Dirs | QDir::NoDotAndDotDot),
            QStringList({"kurz.wav", "leer", "lied.wav"}));
}

// The program carries no stand-ins: whatever the environment says, it
// writes real files.
TEST_F(RenderFaults, NoEnvironmentMakesItFakeItsWork) {
  const QString song = Wave("lied.wav", 1.5);
  const ProgramResult result =
      RunProgram({"--render", song, "-p", "vcd", "--disc-image", dir.filePath("album.cue"), "-o", dir.path(), "--quiet"},
                 QStringLiteral("SONAVIX_MEDIA_WRITER=recording SONAVIX_DISC_TOOLS=scripted"));
  EXPECT_EQ(result.status, 0) << result.err.toStdString();
  EXPECT_GT(QFileInfo(dir.filePath("lied.mpg")).size(), 75 * 2324);
  EXPECT_TRUE(Contents(dir.filePath("album.cue")).contains("album.bin"));
  EXPECT_GT(QFileInfo(dir.filePath("album.bin")).size(), 75 * 2352);
  const ProgramResult symbols = RunShell(
      QStringLiteral("nm -C \"$SONAVIX\" | grep -ciE 'scripted|emulated|fakekernel|recordingmediawriter' >&2"),
      dir.path());
  EXPECT_EQ(symbols.err.trimmed(), QStringLiteral("0")) << "no stand-in is linked into the program";
}

TEST_F(RenderFaults, MessagesSayWhatIsWrong) {
  const QString song = Wave("song.wav", 0.5);
  ::symlink("schleife-b", QFile::encodeName(dir.filePath("schleife-a")).constData());
  ::symlink("schleife-a", QFile::encodeName(dir.filePath("schleife-b")).constData());
  QFile::copy(song, dir.filePath("geheim.wav"));
  ::chmod(QFile::encodeName(dir.filePath("geheim.wav")).constData(), 0);
  const struct {
    QStringList arguments;
    bool nobody;
    int status;
    const char* says;
  } cases[] = {
      {{song, "-o", dir.filePath("neu/")}, false, 2, "Den Ordner „%1/neu/“ gibt es nicht."},
      {{dir.filePath("schleife-a")}, false, 1, "schleife-a: Die Verknüpfungen unter diesem Namen führen im Kreis"},
      {{dir.filePath("geheim.wav")}, true, 1, "geheim.wav: Keine Berechtigung, die Datei zu lesen"},
      {{song, "-f", "Gibtesnicht,24", "-o", dir.filePath("f.mpg")}, false, 0,
       "Warnung: Die Schrift „Gibtesnicht“ gibt es hier nicht; der Text wird in „"},
  };
  for (const auto& c : cases) {
    const ProgramResult result = RunProgram(QStringList{"--render", "-p", "vcd"} + c.arguments, {}, c.nobody);
    EXPECT_EQ(result.status, c.status) << c.says;
    EXPECT_TRUE(result.err.contains(QString::fromUtf8(c.says).replace("%1", dir.path()))) << result.err.toStdString();
  }
  // -j by default weighs the memory as well as the cores.
  QProcess help;
  help.start(QStringLiteral(SONAVIX_PROGRAM), {"--help"});
  help.waitForFinished();
  EXPECT_TRUE(QString::fromUtf8(help.readAllStandardOutput()).simplified().contains(
      QStringLiteral("so viele, wie der freie Arbeitsspeicher trägt")));
}

// The encoders' threads are fixed, not taken from the cores: a render on
// one core writes what a render on all of them writes.
TEST_F(RenderFaults, TheBytesDoNotDependOnTheCoresARenderRunsOn) {
  Wave("a.wav", 1.0);
  const ProgramResult result = RunShell(QStringLiteral(R"sh(
    for preset in dvd mp4-720p; do
      taskset -c 0 "$SONAVIX" --render a.wav -p $preset -o one.$preset --quiet &&
        "$SONAVIX" --render a.wav -p $preset -o all.$preset --quiet && cmp one.$preset all.$preset || exit 1
    done)sh"), dir.path());
  EXPECT_EQ(result.status, 0) << result.err.toStdString();
}

}  // namespace
}  // namespace sonavix::testing
