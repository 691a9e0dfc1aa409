#include "texts/disc_texts.h"


#include "disc/disc_image.h"
#include "document/work_progress.h"

namespace sonavix {

namespace {

constexpr int kShortestCdTrackSectors = 75;

std::string TooShortTail() {
  return "ein Titel braucht mindestens " + std::to_string(kShortestCdTrackSectors) + " Sektoren MPEG";
}

}  // namespace

std::string ToolMissingText(const std::string& program) {
  return program + " fehlt: bitte das Debian-Paket „" + program + "“ installieren (apt install " + program + ")";
}

std::string DiscProblemText(const DiscProblem& p) {
  using Kind = DiscProblem::Kind;
  const std::string disc = DiscName(p.preset);
  switch (p.kind) {
    case Kind::None: return {};
    case Kind::TooLongForDisc:
      return "Zu lang für eine " + disc + ": " + FormatClock(p.seconds) + " Spielzeit ergeben etwa " +
             FormatFileSize(p.needed) + ", auf die Disc passen " + FormatFileSize(p.free) + ", das sind höchstens " +
             FormatClock(p.limit) + " Spielzeit";
    case Kind::ImageTooLarge:
      return "Das Abbild würde " + FormatFileSize(p.needed) + " groß und passt nicht auf eine " + disc + " (" +
             FormatFileSize(p.free) + ")";
    case Kind::ToolMissing: return ToolMissingText(p.tool);
    case Kind::SongTooShort: {
      const std::string song = p.name.empty() ? "Titel " + std::to_string(p.track) : "„" + p.name + "“";
      return song + " ist zu kurz für eine " + disc + ": " + TenthsOfSeconds(p.seconds) + " Spielzeit, " + TooShortTail() +
             ", das sind mindestens " + TenthsOfSeconds(p.limit);
    }
    case Kind::TrackTooShort:
      return "Titel " + std::to_string(p.track) + " ist zu kurz für eine " + disc + ": " + std::to_string(p.sectors) +
             " Sektoren MPEG, " + TooShortTail();
    case Kind::NotEnoughRoom:
      return "Auf dem Datenträger ist nicht genug Platz: nötig " + FormatFileSize(p.needed) + ", frei " +
             FormatFileSize(p.free);
    case Kind::NoTracks: return "Keine Titel für das Abbild";
    case Kind::SameNameAsBin: return "Der CUE-Bogen und die BIN-Datei hätten denselben Namen: " + p.path;
    case Kind::CannotUseFolder: return "Konnte im Ordner des Abbilds nichts anlegen: " + p.path;
    case Kind::ToolFailed: return p.tool + " hat das Abbild nicht gemacht: " + p.complaint;
    case Kind::DiskFull: return "Konnte das Abbild nicht schreiben: Der Datenträger ist voll";
    case Kind::CannotWriteCue: return "Konnte den CUE-Bogen nicht schreiben";
    case Kind::CannotPlace: return "Konnte das Abbild nicht an seinen Platz legen: " + p.path;
    case Kind::Stopped: return "Abgebrochen";
  }
  return {};
}

}  // namespace sonavix
