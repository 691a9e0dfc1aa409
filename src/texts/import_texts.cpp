#include "texts/import_texts.h"

#include <cstdint>

#include "document/work_progress.h"

namespace sonavix {

namespace {

// "0,6 s" below a minute, "3:20" above.
std::string PlayingTime(double seconds) {
  return seconds >= 60 ? FormatClock(seconds) : TenthsOfSeconds(seconds);
}

// „song.lrc“: the file's own name, without its folder.
std::string QuotedFileName(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return "„" + (slash == std::string::npos ? path : path.substr(slash + 1)) + "“";
}

}  // namespace

std::string ImportProblemText(const ImportProblem& p) {
  using Kind = ImportProblem::Kind;
  switch (p.kind) {
    case Kind::None: return {};
    case Kind::NotASoundFile: return "Das ist keine Tondatei, die das Programm kennt, oder sie ist beschädigt";
    case Kind::NoSoundTrack: return "Die Datei enthält keine Tonspur";
    case Kind::Encrypted: return "Die Tonspur ist verschlüsselt (Kopierschutz); sie lässt sich nicht lesen";
    case Kind::UnknownCodec:
      return "Die Tonspur ist in einem Format, das das Programm nicht lesen kann (" + p.codec + ")";
    case Kind::CannotDecode: return "Die Tonspur lässt sich nicht dekodieren";
    case Kind::TooLong: {
      const auto most = static_cast<std::int64_t>(p.most);
      return "Die Datei ist zu lang (" + FormatClock(p.seconds) + "): bei " + std::to_string(p.rate) + " Hz " +
             (p.channels == 1 ? "Mono" : "Stereo") + " fasst ein Klang höchstens " + std::to_string(most / 3600) +
             " Stunden " + std::to_string(most / 60 % 60) + " Minuten";
    }
    case Kind::NoSound: return "Die Datei enthält keinen lesbaren Ton";
    case Kind::EndsEarly:
      return "Die Datei endet früher als angegeben: nur " + PlayingTime(p.seconds) + " von " +
             PlayingTime(p.declared) + " gelesen";
    case Kind::Damaged: return "Die Datei ist beschädigt oder endet zu früh: gelesen wurden " + PlayingTime(p.seconds);
  }
  return {};
}

std::string UnplayableText(Unplayable why, std::int32_t rate) {
  switch (why) {
    case Unplayable::No: return {};
    case Unplayable::NoSound:
      return "Es ist kein Klang geladen: bitte erst eine Datei öffnen oder von einer Musik-CD einlesen";
    case Unplayable::NoWholeFrame: return "Der Klang enthält keinen einzigen vollständigen Frame";
    case Unplayable::RateOutOfRange:
      return "Die Abtastrate von " + GroupedNumber(rate) + " Hz lässt sich nicht abspielen; möglich sind 1 000 bis " +
             "768 000 Hz";
  }
  return {};
}

std::string LyricsFileText(LyricsFileProblem problem, const std::string& path) {
  const std::string name = QuotedFileName(path);
  switch (problem) {
    case LyricsFileProblem::None: return {};
    case LyricsFileProblem::Missing: return "Den Liedtext " + name + " gibt es nicht";
    case LyricsFileProblem::Unreadable: return "Konnte den Liedtext " + name + " nicht lesen";
    case LyricsFileProblem::TooLarge: return "Der Liedtext " + name + " ist zu groß (höchstens 4 MB)";
    case LyricsFileProblem::NoTimes:
      return "Der Liedtext " + name + " hat keine Zeile mit Zeitangabe (LRC oder SRT erwartet)";
  }
  return {};
}

std::string BackdropText(BackdropProblem problem, const std::string& path) {
  const std::string name = QuotedFileName(path);
  switch (problem) {
    case BackdropProblem::None: return {};
    case BackdropProblem::Missing: return "Das Bild " + name + " gibt es nicht";
    case BackdropProblem::Unreadable: return "Konnte das Bild " + name + " nicht lesen (JPEG, PNG oder WebP erwartet)";
    case BackdropProblem::TooLarge: return "Das Bild " + name + " ist zu groß zum Lesen";
  }
  return {};
}

std::string SkippedLyricsText(std::size_t lines) {
  return lines == 1 ? "1 Zeile des Liedtexts hat eine kaputte Zeitangabe und fehlt"
                    : std::to_string(lines) + " Zeilen des Liedtexts haben kaputte Zeitangaben und fehlen";
}

}  // namespace sonavix
