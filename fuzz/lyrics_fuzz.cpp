// libFuzzer entry point: any bytes read as lyrics give lines in time order
// with sane times and text that is UTF-8, without touching memory the
// reader does not own.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "lyrics/lyrics.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const sonavix::Lyrics lyrics = sonavix::ParseLyrics(text);
  double last = 0;
  for (const sonavix::LyricLine& line : lyrics.lines) {
    if (!(line.start >= last) || line.start > 36000 || (line.end >= 0 && line.end < line.start)) std::abort();
    last = line.start;
    for (const sonavix::LyricWord& word : line.words)
      if (!(word.start >= 0)) std::abort();
    sonavix::LineAt(lyrics, line.start);
  }
  return 0;
}
