#pragma once
// The application object: program title, German texts in the standard
// dialogs, the window font, and the last-resort error handler.

#include <QApplication>

#include "document/translations.h"

namespace sonavix {

// The window font: "MS Sans Serif" at 11 pixels, with metric-compatible
// free fonts standing in for it.
void UseProgramFont();

class Application final : public QApplication {
  Q_OBJECT
 public:
  Application(int& argc, char** argv);

  // An error that escapes an event handler is shown in a message box and
  // the program keeps running.
  bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace sonavix
