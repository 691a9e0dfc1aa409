// libFuzzer entry point: any byte string fed to the WAV reader must either
// load or be refused, and the choice of reader must be made, without
// touching memory they do not own.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>

#include "document/byte_io.h"
#include "document/sound_kind.h"
#include "document/wave_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  sonavix::MemorySource source(data, size);
  // A file the WAV reader takes always goes to it.
  const bool readersOwn = sonavix::DetectSoundFileKind(source) == sonavix::SoundFileKind::Wave;
  try {
    const auto wave = sonavix::ReadWave(source);
    if (wave) {
      // A loaded block never claims more bytes than the input held.
      if (wave->block.size <= 0 || static_cast<std::size_t>(wave->block.size) > size) std::abort();
      // Touch both ends so the sanitizers see the whole block is real.
      volatile std::uint8_t sink = wave->block.bytes[0];
      sink = wave->block.bytes[wave->block.size - 1];
      (void)sink;
      if (!readersOwn) std::abort();
    }
  } catch (const std::bad_alloc&) {
    // Running out of memory is reported to the user, not a fault in the reader.
  }
  return 0;
}
