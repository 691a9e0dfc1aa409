#include "lyrics/lyrics_file.h"

#include <sys/stat.h>

#include <cerrno>
#include <fstream>
#include <iterator>

namespace sonavix {

std::optional<Lyrics> ReadLyricsFile(const std::string& path, LyricsFileProblem& problem) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    problem = errno == ENOENT ? LyricsFileProblem::Missing : LyricsFileProblem::Unreadable;
    return std::nullopt;
  }
  if (!S_ISREG(st.st_mode)) {
    problem = LyricsFileProblem::Unreadable;
    return std::nullopt;
  }
  if (static_cast<std::size_t>(st.st_size) > kLargestLyricsFile) {
    problem = LyricsFileProblem::TooLarge;
    return std::nullopt;
  }
  std::ifstream in(path, std::ios::binary);
  const std::string text(std::istreambuf_iterator<char>(in), {});
  if (!in && !in.eof()) {
    problem = LyricsFileProblem::Unreadable;
    return std::nullopt;
  }
  Lyrics lyrics = ParseLyrics(text);
  if (lyrics.lines.empty()) {
    problem = LyricsFileProblem::NoTimes;
    return std::nullopt;
  }
  problem = LyricsFileProblem::None;
  return lyrics;
}

std::string LyricsBeside(const std::string& song) {
  const std::size_t slash = song.rfind('/');
  const std::size_t dot = song.rfind('.');
  const std::string stem = dot != std::string::npos && (slash == std::string::npos || dot > slash) ? song.substr(0, dot) : song;
  for (const char* extension : {".lrc", ".LRC", ".srt", ".SRT"}) {
    struct stat st {};
    const std::string candidate = stem + extension;
    if (::stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode)) return candidate;
  }
  return {};
}

}  // namespace sonavix
