#pragma once
// Creates the dialogs at start-up, after the main window, hidden until a
// command shows them.

namespace sonavix {

class TMainForm;

void CreateForms(TMainForm& mainForm);

}  // namespace sonavix
