#include "app/forms.h"

#include "app/about_dialog.h"
#include "app/seconds_dialog.h"
#include "app/main_window.h"
#include "app/cd_read_dialog.h"
#include "app/sample_format_dialog.h"

namespace sonavix {

void CreateForms(MainWindow& window) {
  Forms forms;
  forms.sampleFormat = new SampleFormatDialog(&window);
  forms.cdRead = new CdReadDialog(&window);
  forms.about = new AboutDialog(&window);
  forms.seconds = new SecondsDialog(&window);
  window.SetForms(forms);
}

}  // namespace sonavix
