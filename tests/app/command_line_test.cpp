// The program's command line: help and version, and usage errors that say
// what is wrong in German and end with status 2 before any window opens.

#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>

namespace {

struct Result {
  int status = -1;
  QString out;
  QString err;
};

Result RunProgram(const QStringList& arguments, bool display = true) {
  QProcess program;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.remove(QStringLiteral("DISPLAY"));
  environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
  environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
  if (display) environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  environment.insert(QStringLiteral("SONAVIX_SOUND"), QStringLiteral("virtual"));
  program.setProcessEnvironment(environment);
  program.start(QStringLiteral(SONAVIX_PROGRAM), arguments);
  if (!program.waitForFinished(60'000)) {
    program.kill();
    program.waitForFinished();
    return {};
  }
  return {program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1,
          QString::fromLocal8Bit(program.readAllStandardOutput()),
          QString::fromLocal8Bit(program.readAllStandardError())};
}

TEST(CommandLine, HelpAndVersionSpeakGermanAndEndWell) {
  const Result help = RunProgram({QStringLiteral("--help")});
  EXPECT_EQ(help.status, 0) << help.err.toStdString();
  EXPECT_TRUE(help.out.contains(QStringLiteral("[DATEI]"))) << help.out.toStdString();
  EXPECT_TRUE(help.out.contains(QStringLiteral("WAV, MP3, FLAC"))) << help.out.toStdString();
  // Neither needs a display.
  const Result noDisplay = RunProgram({QStringLiteral("--help")}, false);
  EXPECT_EQ(noDisplay.status, 0) << noDisplay.err.toStdString();
  EXPECT_EQ(noDisplay.out, help.out);
  const Result version = RunProgram({QStringLiteral("--version")}, false);
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out.trimmed(), QStringLiteral("Sonavix 1.0"));
}

TEST(CommandLine, UsageErrorsSayWhatIsWrongAndEndWithStatusTwo) {
  const Result unknown = RunProgram({QStringLiteral("--gibtsnicht")});
  EXPECT_EQ(unknown.status, 2);
  EXPECT_TRUE(unknown.err.contains(QStringLiteral("gibtsnicht"))) << unknown.err.toStdString();
  EXPECT_TRUE(unknown.err.contains(QStringLiteral("[DATEI]")));
  const Result two = RunProgram({QStringLiteral("a.wav"), QStringLiteral("b.wav")});
  EXPECT_EQ(two.status, 2);
  EXPECT_TRUE(two.err.contains(QStringLiteral("Es kann nur eine Datei geöffnet werden."))) << two.err.toStdString();
  // Without a screen as well: the usage error, not Qt stopping the program.
  const Result headless = RunProgram({QStringLiteral("--gibtsnicht")}, false);
  EXPECT_EQ(headless.status, 2) << headless.err.toStdString();
  EXPECT_TRUE(headless.err.contains(QStringLiteral("gibtsnicht"))) << headless.err.toStdString();
}

// The window without a screen: a German sentence and status 1, where Qt
// would abort with its own lines.
TEST(CommandLine, TheWindowWithoutAScreenSaysSoInGerman) {
  const Result window = RunProgram({QStringLiteral("lied.wav")}, false);
  EXPECT_EQ(window.status, 1) << window.err.toStdString();
  EXPECT_TRUE(window.err.contains(QStringLiteral("grafische Sitzung"))) << window.err.toStdString();
  EXPECT_FALSE(window.err.contains(QStringLiteral("platform plugin"))) << window.err.toStdString();
}

}  // namespace
