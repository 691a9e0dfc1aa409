// Program entry: the application, the main window first, then the dialogs,
// then the message loop until the main window closes.

#include "app/application.h"
#include "app/forms.h"
#include "app/main_form.h"
#include "app/qt_prompts.h"
#include "playback/sound_device.h"

int main(int argc, char** argv) {
  sonavix::TApplication app(argc, argv);
  sonavix::QtPrompts prompts;
  sonavix::TMainForm mainForm(prompts, sonavix::CreateSoundDevice());
  sonavix::CreateForms(mainForm);
  if (!mainForm.TerminateRequested()) mainForm.show();
  return app.exec();
}
