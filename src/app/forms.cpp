#include "app/forms.h"

#include "app/about_box.h"
#include "app/echo_form.h"
#include "app/main_window.h"
#include "app/musik_cd_form.h"
#include "app/sample_format_form.h"

namespace sonavix {

void CreateForms(MainWindow& window) {
  Forms forms;
  forms.SampleFormat = new TSampleFormat(&window);
  forms.MusikCD = new TMusikCDForm(&window);
  forms.AboutBox = new TAboutBox(&window);
  forms.Echo = new TEchoForm(&window);
  window.SetForms(forms);
}

}  // namespace sonavix
