#pragma once
// The German lines the CD import writes into the dialog's message box, and
// the ones that name a Linux device problem, in one place.

#include <cstdint>
#include <string>
#include <vector>

namespace sonavix::cdda {

inline constexpr const char* kTocRead = "TOC eingelesen...";
inline constexpr const char* kInvalidTrack = "Ungültige Track-Nummer...";
inline constexpr const char* kStart = "Starte Ripping...";
inline constexpr const char* kDone = "Ripping beendet...";
inline constexpr const char* kNoEvent = "Fehler beim Ausführen des SCSI Kommandos...";
inline constexpr const char* kBecomingReady = "Laufwerk wird bereit, warte...";
inline constexpr const char* kNeverReady = "Laufwerk ist nach 20 Sekunden noch nicht bereit...";
inline constexpr const char* kNoDisc = "Keine CD im Laufwerk. Bitte legen Sie eine Audio-CD ein...";
// No drive found at all, where it was looked for.
inline constexpr const char* kNoCdDrive =
    "Kein CD-Laufwerk gefunden (gesucht unter /dev/sr0 … /dev/sr31 und /dev/sg*)...";
inline constexpr const char* kNothingReadable =
    "Kein Sektor des Tracks war lesbar: Der Klang bleibt, wie er war...";
inline constexpr const char* kGenericUnusable =
    "Die SCSI-Generic-Geräte (/dev/sg*) ließen sich nicht abfragen...";

// "Keine Berechtigung für /dev/sr0: ..." with what to do about it.
std::string NoAccessLine(const std::vector<std::string>& paths);
// A drive that was found but cannot be opened now: its path and why.
std::string CannotOpenLine(const std::string& path, int error);
// The TOC could not be read: nothing is read, and the drive's words say why.
std::string TocUnreadableLine(std::string driveSays);
std::string DataTrackLine(int track);
std::string ShortReplyLine(std::size_t got, std::size_t asked);
// " – 8,3-fach": how many seconds of sound a second of reading brings.
std::string SpeedPhrase(double sectorsPerSecond);
// How much of the track became silence, when any did.
std::string LostLine(std::uint32_t lostSectors, std::uint32_t trackSectors);

}  // namespace sonavix::cdda
