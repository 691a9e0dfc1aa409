#pragma once
// Qt's own texts in German ("Öffnen", "Abbrechen", "Unbekannte Option"), for
// the window's dialogs and the command line's messages alike.

#include <QCoreApplication>

namespace sonavix {

// Makes German the default locale and loads Qt's German texts. Returns
// false if they are not installed.
bool InstallGermanTranslations(QCoreApplication& app);

}  // namespace sonavix
