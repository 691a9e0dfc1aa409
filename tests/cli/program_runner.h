#pragma once
// The built program run as a user runs it: no display, no sound card, no
// Qt platform chosen; and a folder of its own with songs to render.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cmath>
#include <cstdint>
#include <vector>

#include "document/wave_file.h"

namespace sonavix::testing {

struct ProgramResult {
  int status = -1;
  QString err;
};

// Runs the program with no display, no sound and no Qt platform chosen.
// `nobody`: as an unprivileged user, so that a read-only folder is one.
inline QProcessEnvironment PlainEnvironment() {
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "SDL_AUDIODRIVER"})
    environment.remove(QString::fromLatin1(name));
  environment.insert(QStringLiteral("SONAVIX"), QStringLiteral(SONAVIX_PROGRAM));
  return environment;
}

inline ProgramResult Finished(QProcess& program) {
  if (!program.waitForFinished(120'000)) {
    program.kill();
    program.waitForFinished();
    return {};
  }
  return {program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1,
          QString::fromLocal8Bit(program.readAllStandardError())};
}

// A bash script in `folder`, with the program as $SONAVIX: for names that
// are no UTF-8, pipes and other things a shell does.
inline ProgramResult RunShell(const QString& script, const QString& folder) {
  QProcess shell;
  shell.setProcessEnvironment(PlainEnvironment());
  shell.setWorkingDirectory(folder);
  shell.start(QStringLiteral("bash"), {QStringLiteral("-c"), script});
  return Finished(shell);
}

inline ProgramResult RunProgram(const QStringList& arguments, const QString& shellPrefix = {}, bool nobody = false) {
  QProcess program;
  program.setProcessEnvironment(PlainEnvironment());
  if (nobody && ::geteuid() == 0)
    program.setChildProcessModifier([] {
      if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(99);
    });
  if (shellPrefix.isEmpty()) {
    program.start(QStringLiteral(SONAVIX_PROGRAM), arguments);
  } else {
    QString command = shellPrefix + QStringLiteral(" exec '") + QStringLiteral(SONAVIX_PROGRAM) + '\'';
    for (const QString& argument : arguments) command += QStringLiteral(" '") + argument + '\'';
    program.start(QStringLiteral("bash"), {QStringLiteral("-c"), command});
  }
  return Finished(program);
}

class ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override { ::chmod(QFile::encodeName(dir.path()).constData(), 0777); }

  // `seconds` of a stereo tone at 44.1 kHz.
  QString Wave(const QString& name, double seconds) const {
    const int frames = static_cast<int>(44100 * seconds);
    std::vector<std::int16_t> samples(2 * static_cast<std::size_t>(frames));
    for (int i = 0; i < frames; ++i)
      samples[2 * i] = samples[2 * i + 1] = static_cast<std::int16_t>(9000 * std::sin(i * 0.05));
    const QString path = dir.filePath(name);
    EXPECT_TRUE(sonavix::WriteWaveFile(QFile::encodeName(path).toStdString(),
                                       reinterpret_cast<const std::uint8_t*>(samples.data()),
                                       static_cast<std::int32_t>(2 * samples.size()), 44100, true, true));
    ::chmod(QFile::encodeName(path).constData(), 0644);
    return path;
  }
  QString Mp3(const QString& name, double seconds) const {
    const QString wave = Wave(name + ".wav", seconds), path = dir.filePath(name);
    const QString command = QStringLiteral("lame --silent -b 128 '%1' '%2'").arg(wave, path);
    EXPECT_EQ(std::system(command.toLocal8Bit().constData()), 0);
    return path;
  }
  QStringList Leftovers(const QString& folder) const {
    return QDir(folder).entryList({QStringLiteral(".sonavix-*")}, QDir::Files | QDir::Dirs | QDir::Hidden);
  }

  QTemporaryDir dir;
};

}  // namespace sonavix::testing
