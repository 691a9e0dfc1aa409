// libFuzzer entry point: any bytes read as an ID3v2 tag give LRC text (or
// none) that the lyrics reader takes, without touching memory the tag
// reader does not own.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "lyrics/id3_sylt.h"
#include "lyrics/lyrics.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> tag(data, size);
  sonavix::Id3TagSize(tag);
  const std::string lrc = sonavix::SyltAsLrc(tag);
  if (!lrc.empty() && sonavix::ParseLrc(lrc).skipped != 0) std::abort();  // what it writes reads back whole
  return 0;
}
