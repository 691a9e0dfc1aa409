#pragma once
// Lyrics from a file, and the file that goes with a song: "song.lrc" or
// "song.srt" beside "song.flac".

#include <optional>
#include <string>

#include "lyrics/lyrics.h"

namespace sonavix {

// Files larger than this are no lyrics.
inline constexpr std::size_t kLargestLyricsFile = 4 << 20;

enum class LyricsFileProblem { None, Missing, Unreadable, TooLarge, NoTimes };

// The lyrics in `path`; on failure empty, with `problem` saying why (NoTimes:
// not one line with a time stamp).
std::optional<Lyrics> ReadLyricsFile(const std::string& path, LyricsFileProblem& problem);

// The lyrics file beside the song of that name, if there is one: the
// song's name with ".lrc", then ".srt" (also in capitals); empty if none.
std::string LyricsBeside(const std::string& song);

}  // namespace sonavix
