#pragma once
// Texts the main window shows in message boxes.

#include <QString>

#include "video/media_writer.h"

namespace sonavix {

inline const QString kCannotOpen = QStringLiteral("Konnte Datei nicht öffnen");
inline const QString kCannotSave = QStringLiteral("Konnte Datei nicht speichern");
inline const QString kCannotInitSound =
    QStringLiteral("Konnte DirectSound (DirectX) nicht initialisieren...");
inline const QString kCannotExport = QStringLiteral("Konnte MPEG-Datei nicht speichern");
// An MP4 export is no MPEG file.
inline QString CannotExportText(DiscPreset preset) {
  return IsDiscFormat(preset) ? kCannotExport : QStringLiteral("Konnte MP4-Datei nicht speichern");
}
inline const QString kCannotWriteImage = QStringLiteral("Konnte Disc-Abbild nicht speichern");
inline const QString kOutOfMemory = QStringLiteral("Zu wenig Arbeitsspeicher");
inline const QString kUnknownError = QStringLiteral("Unbekannter Fehler");

}  // namespace sonavix
