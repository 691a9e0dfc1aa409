#pragma once
// What a song file says about itself: its title, artist, album, track
// number and year, and the picture embedded as its cover. Read with the
// sound and kept beside the document; all text UTF-8, empty when absent.

#include <cstdint>
#include <string>
#include <vector>

namespace sonavix {

struct CoverPicture {
  std::vector<std::uint8_t> bytes;  // the encoded picture as stored (JPEG, PNG, ...)
  std::string mimeType;             // "image/jpeg", or empty when not known
  int width = 0;                    // in pixels, 0 when not known
  int height = 0;
  bool empty() const { return bytes.empty(); }
};

struct SoundTags {
  std::string title;
  std::string artist;
  std::string album;
  std::string track;  // as written: "3" or "3/12"
  std::string year;   // the year alone, from a date such as "2024-05-01"
  std::string lyrics;  // as stored (LYRICS, UNSYNCEDLYRICS, ID3 USLT): may be LRC
  CoverPicture cover;
};

// "Künstler – Titel", or whichever of the two there is; empty without both.
std::string TagLine(const SoundTags& tags);

}  // namespace sonavix
