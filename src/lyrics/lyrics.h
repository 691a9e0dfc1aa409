#pragma once
// Timed lyrics read from the files people keep beside their songs: LRC
// (a time stamp for each line, "[01:02.50]", several for a repeated line,
// and in its enhanced form a stamp for each word, "<01:02.80>") and SRT
// subtitles (numbered blocks, "00:01:02,500 --> 00:01:05,000"). Text is
// UTF-8; a file that is not is taken as Latin-1. A line whose stamp is
// broken is left out and counted; the rest is used.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace sonavix {

struct LyricWord {
  double start = 0;  // seconds from the song's start
  std::string text;  // with the spaces that follow it
};

struct LyricLine {
  double start = 0;
  double end = -1;  // SRT gives it; for LRC the next line's start (-1: the song's end)
  std::string text;
  std::vector<LyricWord> words;  // empty without word times
};

struct Lyrics {
  std::vector<LyricLine> lines;  // by start time
  std::size_t skipped = 0;       // lines or blocks with broken time stamps
};

// Reads LRC or SRT, whichever the text is.
Lyrics ParseLyrics(std::string_view text);
Lyrics ParseLrc(std::string_view text);
Lyrics ParseSrt(std::string_view text);

// The line sung at `seconds`, or null between lines and before the first.
const LyricLine* LineAt(const Lyrics& lyrics, double seconds);

}  // namespace sonavix
