#pragma once
// The dialogs the main window shows, made once at start-up after the
// window, hidden until a command shows them.

class QDialog;

namespace sonavix {

class MainWindow;

struct Forms {
  QDialog* sampleFormat = nullptr;
  QDialog* cdRead = nullptr;
  QDialog* about = nullptr;
  QDialog* seconds = nullptr;
};

void CreateForms(MainWindow& window);

}  // namespace sonavix
