// libFuzzer entry point: any byte string, taken as an MP3 file, is converted
// into a WAV file through the codec layer the program uses. The conversion
// must end without touching memory it does not own, and what it writes must
// be a 44-byte header whose sizes agree with the file and the PCM format.

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "document/little_endian.h"
#include "mp3/acm.h"
#include "mp3/acm_converter.h"
#include "mp3/mp3_conversion.h"

namespace {

class QuietHost final : public sonavix::Mp3ConversionHost {
 public:
  void ShowProgress(int percent) override {
    if (percent < 0 || percent > 100) std::abort();
  }
  bool StopRequested() const override { return false; }
  void ClearStopRequest() override {}
  void ShowError(const std::string&) override { std::abort(); }  // both files always open
};

// A file in memory, reachable by name through /proc.
struct MemoryFile {
  MemoryFile() : fd(::memfd_create("sonavix-fuzz", MFD_CLOEXEC)) {}
  ~MemoryFile() { ::close(fd); }
  std::string Path() const { return "/proc/self/fd/" + std::to_string(fd); }
  int fd;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static auto codecs = sonavix::acm::CreateSystemAcm();
  static const auto formats = sonavix::Mp3FormatDiscovery(*codecs).Run();
  sonavix::AcmConverter mp3wav(*codecs);
  mp3wav.UseMp3ToPcmFormats();

  MemoryFile in, out;
  if (size > 0 && ::write(in.fd, data, size) != static_cast<ssize_t>(size)) return 0;
  QuietHost host;
  try {
    sonavix::ConvertMp3ToWave(in.Path(), out.Path(), mp3wav, formats, host);
  } catch (const sonavix::AcmError&) {
    // A format no codec accepts (a RIFF wrapper can declare anything).
    return 0;
  }
  if (mp3wav.Active()) std::abort();

  const off_t length = ::lseek(out.fd, 0, SEEK_END);
  if (length == 0) return 0;
  std::vector<std::uint8_t> head(44);
  if (length < 44 || ::pread(out.fd, head.data(), head.size(), 0) != 44) std::abort();
  const std::uint32_t dataSize = sonavix::LoadLe32(&head[40]);
  const std::uint16_t blockAlign = sonavix::LoadLe16(&head[32]);
  if (dataSize != static_cast<std::uint32_t>(length - 44)) std::abort();
  if (sonavix::LoadLe32(&head[4]) != static_cast<std::uint32_t>(length - 8)) std::abort();
  if (blockAlign != 0 && dataSize % blockAlign != 0) std::abort();  // whole frames only
  return 0;
}
