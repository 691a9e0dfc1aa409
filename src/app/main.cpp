// Program entry. A render or the list of presets goes its own way without a
// window. Otherwise: the application, the command line, the clean-up of
// temporary files left by killed runs, the main window first, then the
// dialogs, then the message loop until the main window closes. A file named
// on the command line is opened once the window is shown.

#include <QThread>
#include <QTimer>
#include <cstdio>
#include <optional>

#include "app/application.h"
#include "app/forms.h"
#include "app/main_form.h"
#include "app/qt_prompts.h"
#include "cli/command_line.h"
#include "cli/render_options.h"
#include "document/sound_files.h"
#include "document/temp_files.h"
#include "playback/sound_device.h"

namespace {

sonavix::CommandLineRequest Read() {
  return sonavix::ReadCommandLine(QCoreApplication::arguments(), QThread::idealThreadCount());
}

// Help and version need no display: they are answered before the window's
// application (which needs one) exists. Empty when the window is to start.
std::optional<int> AnswerWithoutDisplay(int argc, char** argv) {
  QCoreApplication probe(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("Sonavix"));
  QCoreApplication::setApplicationVersion(QStringLiteral("1.0"));
  sonavix::InstallGermanTranslations(probe);
  // Options of Qt's own (-platform …) are known only to the window's
  // application: anything not understood here is judged there.
  return sonavix::AnswerHelpOrVersion(Read());
}

}  // namespace

int main(int argc, char** argv) {
  if (sonavix::WantsNoWindow(argc, argv)) return sonavix::RunWithoutWindow(argc, argv);
  if (const std::optional<int> status = AnswerWithoutDisplay(argc, argv)) return *status;
  sonavix::TApplication app(argc, argv);
  const sonavix::CommandLineRequest request = Read();
  if (const auto* error = std::get_if<sonavix::UsageError>(&request)) return sonavix::ReportUsageError(error->message);
  const auto* window = std::get_if<sonavix::OpenWindow>(&request);
  if (!window) return sonavix::ReportUsageError(QStringLiteral("Das geht nur ohne Fenster."));

  // Temporary files of earlier runs that were killed before they could
  // remove them; those of copies still running stay.
  sonavix::RemoveStaleTempFiles(sonavix::kTempWavePrefix, ".wav");
  sonavix::QtPrompts prompts;
  sonavix::TMainForm mainForm(prompts, sonavix::CreateSoundDevice());
  sonavix::CreateForms(mainForm);
  if (!mainForm.TerminateRequested()) {
    mainForm.show();
    // Once the window has its size, so that the whole sound fits its view.
    if (!window->file.isEmpty())
      QTimer::singleShot(0, &mainForm, [&mainForm, name = window->file] { mainForm.OpenAtStart(name); });
  }
  return app.exec();
}
