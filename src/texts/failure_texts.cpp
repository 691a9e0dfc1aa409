#include "texts/failure_texts.h"

#include <cerrno>

namespace sonavix {

std::string SystemErrorPhrase(int error) {
  switch (error) {
    case ENOSPC:
      return "Der Datenträger ist voll";
    case EDQUOT:
      return "Der zugeteilte Speicherplatz ist aufgebraucht";
    case EFBIG:
      return "Die Datei wird größer, als erlaubt ist";
    case EROFS:
      return "Der Datenträger ist schreibgeschützt";
    case EACCES:
    case EPERM:
      return "Keine Berechtigung zum Schreiben";
    case EIO:
      return "Ein-/Ausgabefehler beim Schreiben";
    case ENOENT:
      return "Den Ordner gibt es nicht";
    case EISDIR:
      return "Unter diesem Namen steht ein Ordner";
    case EEXIST:
      return "Unter diesem Namen steht keine gewöhnliche Datei";
    case ELOOP:
      return "Die Verknüpfungen unter diesem Namen führen im Kreis";
    default:
      return {};
  }
}

std::string WriteFailureText(const WriteFailure& failure, DiscPreset preset) {
  const char* file = IsDiscFormat(preset) ? "MPEG-Datei" : HasAlpha(preset) ? "WebM-Datei" : "MP4-Datei";
  std::string text = std::string("Konnte ") + file +
                     (failure.stage == WriteFailure::Stage::Create ? " nicht anlegen" : " nicht schreiben");
  const std::string why = SystemErrorPhrase(failure.systemError);
  if (!why.empty()) text += ": " + why;
  return text;
}

}  // namespace sonavix
