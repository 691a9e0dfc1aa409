#pragma once
// The program's German words for the reasons its libraries report: the
// window and the command line say a failure in the same words.

#include <string>

#include "video/media_writer.h"

namespace sonavix {

// Why the system refused, for the common causes: "Der Datenträger ist
// voll", ...; empty for an error number without a phrase of its own.
std::string SystemErrorPhrase(int error);

// "Konnte MPEG-Datei nicht anlegen: Den Ordner gibt es nicht",
// "Konnte MP4-Datei nicht schreiben", ... (UTF-8).
std::string WriteFailureText(const WriteFailure& failure, DiscPreset preset);

}  // namespace sonavix
