#pragma once
// Dialogs that open centred on the screen rather than on the main window.

#include <QRect>
#include <QScreen>
#include <QWidget>

namespace sonavix {

inline void CenterOnScreen(QWidget& dialog) {
  if (const QScreen* screen = dialog.screen()) {
    QRect frame = dialog.frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    dialog.move(frame.topLeft());
  }
}

}  // namespace sonavix
