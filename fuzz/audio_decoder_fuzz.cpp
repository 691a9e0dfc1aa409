// libFuzzer entry point: any bytes handed to the decoder of every other
// format (FLAC, Ogg, Opus, M4A, AIFF, AU, W64, RF64, deep WAV, videos) must
// be decoded into a block the document can hold, or refused with a reason,
// and their tags read, without touching memory that is not theirs. The
// bytes reach FFmpeg as a file, as the program's own do: one in memory.

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <new>
#include <string>

#include "import/ffmpeg_audio_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const int fd = ::memfd_create("audio", MFD_CLOEXEC);
  if (fd < 0 || ::ftruncate(fd, 0) != 0 || ::pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)) std::abort();
  const std::string path = "/proc/self/fd/" + std::to_string(fd);
  sonavix::FfmpegAudioDecoder decoder;
  sonavix::ImportReport report;
  try {
    const auto wave = decoder.Decode(path, report);
    if (wave) {
      // A block that fits the document, in one of its formats, touched at both ends.
      const sonavix::SoundFormat f = wave->format;
      if (wave->block.size <= 0 || f.SampleRate <= 0 || wave->block.size % f.FrameSize() != 0) std::abort();
      volatile std::uint8_t sink = wave->block.bytes[0];
      sink = wave->block.bytes[wave->block.size - 1];
      (void)sink;
    } else if (!report.problem && !report.stopped) {
      std::abort();  // a refusal always says why
    }
    decoder.ReadTags(path);
  } catch (const std::bad_alloc&) {
    // Running out of memory is reported to the user, not a fault of the decoder.
  }
  return 0;
}
