// Program entry: the application, the command line, the clean-up of
// temporary files left by killed runs, the main window first, then the
// dialogs, then the message loop until the main window closes. A file named
// on the command line is opened once the window is shown.

#include <QCommandLineParser>
#include <QTimer>
#include <cstdio>
#include <optional>

#include "app/application.h"
#include "app/forms.h"
#include "app/main_form.h"
#include "app/qt_prompts.h"
#include "document/sound_files.h"
#include "document/temp_files.h"
#include "playback/sound_device.h"

namespace {

constexpr int kUsageError = 2;

int Usage(const QCommandLineParser& parser, const QString& message) {
  std::fprintf(stderr, "%s\n\n%s", message.toLocal8Bit().constData(),
               parser.helpText().toLocal8Bit().constData());
  return kUsageError;
}

void DescribeCommandLine(QCommandLineParser& parser) {
  parser.setApplicationDescription(QStringLiteral("Macht aus Musik ein Video."));
  parser.addHelpOption();
  parser.addVersionOption();
  parser.addPositionalArgument(QStringLiteral("DATEI"),
                               QStringLiteral("Eine WAV- oder MP3-Datei, die im Fenster geöffnet wird."),
                               QStringLiteral("[DATEI]"));
}

// Help and version need no display: they are answered before the window's
// application (which needs one) exists. Empty when the window is to start.
std::optional<int> AnswerWithoutDisplay(int argc, char** argv) {
  QCoreApplication probe(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("Sonavix"));
  QCoreApplication::setApplicationVersion(QStringLiteral("1.0"));
  sonavix::InstallGermanTranslations(probe);
  QCommandLineParser parser;
  DescribeCommandLine(parser);
  // Options of Qt's own (-platform …) are known only to the window's
  // application: anything not understood here is judged there.
  if (!parser.parse(QCoreApplication::arguments())) return std::nullopt;
  if (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all"))) {
    std::fputs(parser.helpText().toLocal8Bit().constData(), stdout);
    return 0;
  }
  if (parser.isSet(QStringLiteral("version"))) {
    std::printf("%s %s\n", qPrintable(QCoreApplication::applicationName()),
                qPrintable(QCoreApplication::applicationVersion()));
    return 0;
  }
  return std::nullopt;
}

}  // namespace

int main(int argc, char** argv) {
  if (const std::optional<int> status = AnswerWithoutDisplay(argc, argv)) return *status;
  sonavix::TApplication app(argc, argv);
  QCommandLineParser parser;
  DescribeCommandLine(parser);
  if (!parser.parse(QCoreApplication::arguments())) return Usage(parser, parser.errorText());
  const QStringList files = parser.positionalArguments();
  if (files.size() > 1) return Usage(parser, QStringLiteral("Es kann nur eine Datei geöffnet werden."));

  // Temporary files of earlier runs that were killed before they could
  // remove them; those of copies still running stay.
  sonavix::RemoveStaleTempFiles(sonavix::kTempWavePrefix, ".wav");
  sonavix::QtPrompts prompts;
  sonavix::TMainForm mainForm(prompts, sonavix::CreateSoundDevice());
  sonavix::CreateForms(mainForm);
  if (!mainForm.TerminateRequested()) {
    mainForm.show();
    // Once the window has its size, so that the whole sound fits its view.
    if (!files.isEmpty())
      QTimer::singleShot(0, &mainForm, [&mainForm, name = files.first()] { mainForm.OpenAtStart(name); });
  }
  return app.exec();
}
