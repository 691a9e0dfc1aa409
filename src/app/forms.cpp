#include "app/forms.h"

#include "app/about_box.h"
#include "app/main_form.h"
#include "app/musik_cd_form.h"
#include "app/echo_form.h"
#include "app/sample_format_form.h"

namespace sonavix {

void CreateForms(TMainForm& mainForm) {
  Forms forms;
  forms.SampleFormat = new TSampleFormat(&mainForm);
  forms.MusikCD = new TMusikCDForm(&mainForm);
  forms.AboutBox = new TAboutBox(&mainForm);
  forms.Echo = new TEchoForm(&mainForm);
  mainForm.SetForms(forms);
}

}  // namespace sonavix
