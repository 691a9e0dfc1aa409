#pragma once
// The dialogs the main window shows, made once at start-up after the
// window, hidden until a command shows them.

class QDialog;

namespace sonavix {

class MainWindow;

struct Forms {
  QDialog* SampleFormat = nullptr;
  QDialog* MusikCD = nullptr;
  QDialog* AboutBox = nullptr;
  QDialog* Echo = nullptr;
};

void CreateForms(MainWindow& window);

}  // namespace sonavix
