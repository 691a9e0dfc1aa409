#include "cdda/read_messages.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "cdda/scsi_commands.h"

namespace sonavix::cdda {

namespace {

// "1,60 s", a sector's time to the hundredth.
std::string Seconds(std::uint32_t sectors) {
  const long hundredths = std::lround(sectors * 100.0 / kSectorsPerSecond);
  char text[32];
  std::snprintf(text, sizeof text, "%ld,%02ld s", hundredths / 100, hundredths % 100);
  return text;
}

}  // namespace

std::string NoAccessLine(const std::vector<std::string>& paths) {
  std::string names;
  for (const std::string& path : paths) names += (names.empty() ? "" : ", ") + path;
  return "Keine Berechtigung für " + names +
         ": Das Benutzerkonto muss zur Gruppe „cdrom“ gehören (sudo adduser $USER cdrom, danach ab- und "
         "wieder anmelden)...";
}

std::string CannotOpenLine(const std::string& path, int error) {
  switch (error) {
    case EACCES:
    case EPERM: return NoAccessLine({path});
    case ENOENT: return "Konnte " + path + " nicht öffnen: Das Gerät gibt es nicht mehr...";
    case ENXIO:
    case ENODEV:
    case ENOMEDIUM: return "Konnte " + path + " nicht öffnen: Kein Laufwerk antwortet dort...";
    case EBUSY: return "Konnte " + path + " nicht öffnen: Ein anderes Programm benutzt das Laufwerk...";
    default: return "Konnte " + path + " nicht öffnen (" + std::strerror(error) + ")...";
  }
}

std::string TocUnreadableLine(std::string driveSays) {
  while (!driveSays.empty() && driveSays.back() == '.') driveSays.pop_back();
  return "Konnte TOC nicht lesen" + (driveSays.empty() ? std::string() : " (" + driveSays + ")") +
         ": Es wurde nichts gelesen...";
}

std::string DataTrackLine(int track) {
  return "Track " + std::to_string(track) + " ist ein Datentrack und keine Musik. Bitte wählen Sie einen Audio-Track...";
}

std::string ShortReplyLine(std::size_t got, std::size_t asked) {
  return "Laufwerk lieferte nur " + std::to_string(got) + " von " + std::to_string(asked) + " Bytes...";
}

std::string SpeedPhrase(double sectorsPerSecond) {
  const double times = sectorsPerSecond / kSectorsPerSecond;
  char text[48];
  if (times < 9.95) {
    const long tenths = std::lround(times * 10);
    std::snprintf(text, sizeof text, "%ld,%ld", tenths / 10, tenths % 10);
  } else {
    std::snprintf(text, sizeof text, "%.0f", times);
  }
  return std::string(" \u2013 ") + text + "-fach";
}

std::string LostLine(std::uint32_t lostSectors, std::uint32_t trackSectors) {
  return "Unvollständig: " + Seconds(lostSectors) + " von " + Seconds(trackSectors) + " (" +
         std::to_string(lostSectors) + " von " + std::to_string(trackSectors) +
         " Sektoren) waren unlesbar und sind Stille...";
}

}  // namespace sonavix::cdda
