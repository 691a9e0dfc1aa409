// libFuzzer entry point: any byte string fed to the MP3 source analysis must
// give a format or none, without reading memory it does not own, and a
// format it gives must be one a frame header or a fmt chunk can say.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "document/byte_io.h"
#include "mp3/mp3_source.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  sonavix::MemorySource source(data, size);
  const auto mp3 = sonavix::AnalyseMp3Source(source);
  if (!mp3) return 0;
  if (mp3->channels != 1 && mp3->channels != 2) std::abort();
  if (mp3->riffWrapped) {
    if (mp3->dataStart != 66 || mp3->sampleRate < 0 || mp3->bitrateKbps < 0) std::abort();
    return 0;
  }
  // A frame found in the file lies wholly inside it, with a valid header.
  if (mp3->dataStart < 0 || static_cast<std::size_t>(mp3->dataStart) + 4 > size) std::abort();
  if (mp3->version == 1 || mp3->layer == 0) std::abort();
  if (mp3->sampleRate < 8000 || mp3->sampleRate > 48000) std::abort();
  if (mp3->bitrateKbps < 8 || mp3->bitrateKbps > 448) std::abort();
  return 0;
}
