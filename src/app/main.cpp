// Program entry. A render or the list of presets goes its own way without a
// window. Otherwise: the application, the command line, the clean-up of
// temporary files left by killed runs, the main window first, then the
// dialogs, then the message loop until the main window closes. A file named
// on the command line is opened once the window is shown.

#include <QSettings>
#include <QThread>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "app/application.h"
#include "app/forms.h"
#include "app/main_window.h"
#include "app/qt_prompts.h"
#include "cli/command_line.h"
#include "cli/render_options.h"
#include "document/local_names.h"
#include "document/sound_files.h"
#include "document/temp_files.h"
#include "playback/sound_device.h"

namespace {

// The arguments as their bytes are: a file name that is no UTF-8 is still
// that file.
sonavix::CommandLineRequest Read(int argc, char** argv) {
  return sonavix::ReadCommandLine(sonavix::ArgumentsFromArgv(argc, argv), QThread::idealThreadCount());
}

// Whether the window's application can find a screen: a desktop session,
// or a platform named in the environment or on the command line.
bool MayHaveDisplay(int argc, char** argv) {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    const char* value = std::getenv(name);
    if (value && *value) return true;
  }
  for (int i = 1; i < argc; ++i)
    if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0) return true;
  return false;
}

// Help and version need no display: they are answered before the window's
// application (which needs one) exists. Empty when the window is to start.
std::optional<int> AnswerWithoutDisplay(int argc, char** argv) {
  QCoreApplication probe(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("Sonavix"));
  QCoreApplication::setApplicationVersion(QStringLiteral("1.0"));
  sonavix::InstallGermanTranslations(probe);
  const sonavix::CommandLineRequest request = Read(argc, argv);
  if (const std::optional<int> status = sonavix::AnswerHelpOrVersion(request)) return status;
  // Options of Qt's own (-platform …) are known only to the window's
  // application: anything not understood here is judged there, when there
  // is a screen for it. Without one, Qt would stop the program with its own
  // English lines; a usage error is said first, and the missing screen in
  // German.
  if (MayHaveDisplay(argc, argv)) return std::nullopt;
  if (const auto* error = std::get_if<sonavix::UsageError>(&request)) return sonavix::ReportUsageError(error->message);
  std::fputs("sonavix: Das Fenster braucht eine grafische Sitzung, und hier ist keine "
             "(weder DISPLAY noch WAYLAND_DISPLAY ist gesetzt).\n"
             "Ohne Fenster macht \"sonavix --render DATEI...\" Videos; \"sonavix --help\" sagt mehr.\n",
             stderr);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (sonavix::WantsNoWindow(argc, argv)) return sonavix::RunWithoutWindow(argc, argv);
  if (const std::optional<int> status = AnswerWithoutDisplay(argc, argv)) return *status;
  sonavix::Application app(argc, argv);  // takes Qt's own options out of argv
  const sonavix::CommandLineRequest request = Read(argc, argv);
  if (const auto* error = std::get_if<sonavix::UsageError>(&request)) return sonavix::ReportUsageError(error->message);
  const auto* window = std::get_if<sonavix::OpenWindow>(&request);
  if (!window) return sonavix::ReportUsageError(QStringLiteral("Das geht nur ohne Fenster."));

  // Temporary files of earlier runs that were killed before they could
  // remove them; those of copies still running stay.
  sonavix::RemoveStaleTempFiles(sonavix::kTempWavePrefix, ".wav");
  sonavix::QtPrompts prompts;
  sonavix::MainWindow mainForm(prompts, sonavix::CreateSoundDevice());
  sonavix::CreateForms(mainForm);
  // ~/.config/Sonavix/Sonavix.ini
  mainForm.KeepSettingsIn(std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                                      QStringLiteral("Sonavix"), QStringLiteral("Sonavix")));
  if (!mainForm.TerminateRequested()) {
    mainForm.show();
    // Once the window has its size, so that the whole sound fits its view.
    if (!window->file.isEmpty())
      QTimer::singleShot(0, &mainForm, [&mainForm, name = window->file] { mainForm.OpenAtStart(name); });
  }
  return app.exec();
}
