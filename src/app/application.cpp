#include "app/application.h"

#include <QFont>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QTranslator>
#include <exception>
#include <new>

#include "app/messages.h"

namespace sonavix {

bool InstallGermanTranslations(QCoreApplication& app) {
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  auto* translator = new QTranslator(&app);
  if (!translator->load(QStringLiteral("qtbase_de"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete translator;
    return false;
  }
  return QCoreApplication::installTranslator(translator);
}

void UseProgramFont() {
  const QString family = QStringLiteral("MS Sans Serif");
  QFont::insertSubstitutions(family, {QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
  QFont font(family);
  font.setPixelSize(11);
  QApplication::setFont(font);
}

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName(QStringLiteral("Sonavix"));
  setApplicationVersion(QStringLiteral("1.0"));
  InstallGermanTranslations(*this);
  UseProgramFont();
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
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
