#pragma once
// The German words for why a sound file could not be read, or was read
// only in part, and why a sound cannot be played or exported (UTF-8).

#include <string>

#include "document/import_problem.h"
#include "lyrics/lyrics_file.h"
#include "playback/run.h"
#include "video/backdrop.h"

namespace sonavix {

// "Die Datei enthält keine Tonspur", "Die Datei endet früher als angegeben:
// nur 2,0 s von 10,0 s gelesen", ...
std::string ImportProblemText(const ImportProblem& problem);

// "Es ist kein Klang geladen: bitte erst eine Datei öffnen oder von einer
// Musik-CD einlesen", ...; empty when the sound plays.
std::string UnplayableText(Unplayable why, std::int32_t rate);

// "Konnte den Liedtext „song.lrc“ nicht lesen: Die Datei gibt es nicht".
std::string LyricsFileText(LyricsFileProblem problem, const std::string& path);

// "Das Bild „cover.png“ gibt es nicht", ...
std::string BackdropText(BackdropProblem problem, const std::string& path);

// "3 Zeilen des Liedtexts haben kaputte Zeitangaben und fehlen".
std::string SkippedLyricsText(std::size_t lines);

}  // namespace sonavix
