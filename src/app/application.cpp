#include "app/application.h"

#include <QFont>
#include <QIcon>
#include <QMessageBox>
#include <exception>
#include <new>

#include "app/messages.h"
#include "video/picture_font.h"

namespace sonavix {

void UseProgramFont() {
  // The window's font is the picture's first font.
  QApplication::setFont(DefaultPictureFont());
}

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName(QStringLiteral("Sonavix"));
  setApplicationVersion(QStringLiteral("1.0"));
  // The installed desktop entry and icon carry the program's id: a Wayland
  // desktop finds them by it, and the window takes the icon from the theme
  // (where it is installed; run from a build folder it has none).
  setDesktopFileName(QStringLiteral("de.quorvin.sonavix"));
  setWindowIcon(QIcon::fromTheme(QStringLiteral("de.quorvin.sonavix")));
  InstallGermanTranslations(*this);
  UseProgramFont();
}

bool Application::notify(QObject* receiver, QEvent* event) {
  QString text;
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::bad_alloc&) {
    text = kOutOfMemory;
  } catch (const std::exception& error) {
    text = QString::fromLocal8Bit(error.what());
  } catch (...) {
    text = kUnknownError;
  }
  QMessageBox::critical(activeWindow(), applicationName(), text);
  return false;
}

}  // namespace sonavix
