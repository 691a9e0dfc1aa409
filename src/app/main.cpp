// Program entry: the application, the clean-up of temporary files left by
// killed runs, the main window first, then the dialogs, then the message
// loop until the main window closes.

#include "app/application.h"
#include "app/forms.h"
#include "app/main_form.h"
#include "app/qt_prompts.h"
#include "document/sound_files.h"
#include "document/temp_files.h"
#include "playback/sound_device.h"

int main(int argc, char** argv) {
  sonavix::TApplication app(argc, argv);
  // Temporary files of earlier runs that were killed before they could
  // remove them; those of copies still running stay.
  sonavix::RemoveStaleTempFiles(sonavix::kTempWavePrefix, ".wav");
  sonavix::QtPrompts prompts;
  sonavix::TMainForm mainForm(prompts, sonavix::CreateSoundDevice());
  sonavix::CreateForms(mainForm);
  if (!mainForm.TerminateRequested()) mainForm.show();
  return app.exec();
}
