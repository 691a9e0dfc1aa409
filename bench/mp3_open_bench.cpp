// Times opening a four-minute 192 kbit/s stereo MP3 file the way the open
// command does it (conversion into a temporary WAV file through the codec
// layer on the open's worker, then loading that file) against `mpg123 -w` decoding the same file to a WAV file. The aim is
// at most mpg123's time.
//
//   mp3_open_bench [folder]      (default: $TMPDIR, else /tmp)
//
// Needs lame and mpg123 on the PATH; about 50 MB of scratch space.

#include <unistd.h>

#include <QCoreApplication>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "document/audio_document.h"
#include "document/sound_files.h"
#include "mp3/acm.h"
#include "mp3/acm_converter.h"
#include "mp3/mp3_conversion.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
constexpr int kSeconds = 240;
constexpr int kRuns = 3;

// The open's side of a conversion, without a window: no progress is drawn.
class WorkerHost final : public sonavix::Mp3ConversionHost, public sonavix::Mp3Decoder {
 public:
  WorkerHost() : codecs_(sonavix::acm::CreateSystemAcm()), mp3wav_(*codecs_) {
    mp3wav_.UseMp3ToPcmFormats();
    formats_ = sonavix::Mp3FormatDiscovery(*codecs_).Run();
  }
  void ConvertToWave(const std::string& mp3, const std::string& wave) override {
    const auto start = Clock::now();
    sonavix::ConvertMp3ToWave(mp3, wave, mp3wav_, formats_, *this);
    lastConversion = std::chrono::duration<double>(Clock::now() - start).count();
  }
  double lastConversion = 0;  // seconds of the latest conversion to the temporary WAV file
  void ShowProgress(int) override {}
  bool StopRequested() const override { return false; }
  void ClearStopRequest() override {}
  void ShowError(const std::string& text) override { std::fprintf(stderr, "%s\n", text.c_str()); }

 private:
  std::unique_ptr<sonavix::acm::AcmManager> codecs_;
  sonavix::AcmConverter mp3wav_;
  std::vector<sonavix::WaveFormatBlock> formats_;
};

bool MakeMp3(const fs::path& dir, const fs::path& mp3) {
  const fs::path raw = dir / "song.raw";
  {
    std::ofstream out(raw, std::ios::binary);
    std::vector<std::int16_t> block(2 * 44100);
    for (int s = 0; s < kSeconds; ++s) {
      for (int i = 0; i < 44100; ++i) {
        const double t = s + i / 44100.0;
        block[2 * i] = static_cast<std::int16_t>(9000 * std::sin(2 * M_PI * 220 * t) + 3000 * std::sin(2 * M_PI * 1330 * t));
        block[2 * i + 1] = static_cast<std::int16_t>(9000 * std::sin(2 * M_PI * 330 * t) + 2000 * std::sin(2 * M_PI * 2750 * t));
      }
      out.write(reinterpret_cast<const char*>(block.data()), static_cast<std::streamsize>(block.size() * 2));
    }
  }
  const std::string cmd = "lame -r -s 44.1 --bitwidth 16 -b 192 --silent '" + raw.string() + "' '" + mp3.string() + "'";
  const bool ok = std::system(cmd.c_str()) == 0;
  fs::remove(raw);
  return ok;
}

// `better` is told when a run beats the ones before; `prepare` runs untimed
// before each run.
double Best(const std::function<bool()>& run, const std::function<void()>& better = [] {},
            const std::function<void()>& prepare = [] {}) {
  double best = 1e9;
  for (int i = 0; i < kRuns; ++i) {
    prepare();
    const auto start = Clock::now();
    if (!run()) return -1;
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (seconds < best) {
      best = seconds;
      better();
    }
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const char* tmp = std::getenv("TMPDIR");
  const fs::path base = argc > 1 ? fs::path(argv[1]) : fs::path(tmp ? tmp : "/tmp");
  const fs::path dir = base / ("sonavix_mp3_bench_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const fs::path mp3 = dir / "song.mp3";
  if (!MakeMp3(dir, mp3)) {
    std::fprintf(stderr, "could not make the test file (lame missing?)\n");
    fs::remove_all(dir);
    return 1;
  }

  WorkerHost host;
  sonavix::AudioDocument doc;
  double conversion = 0;  // the conversion's part of the best run
  // Each run opens into an empty document, as the first open of a window
  // does: the previous run's sound is let go beforehand, untimed.
  const double ours = Best([&] { return sonavix::OpenSoundFile(doc, mp3.string(), &host); },
                           [&] { conversion = host.lastConversion; }, [&] { doc = sonavix::AudioDocument(); });
  const std::string mpg123 = "mpg123 -q -w '" + (dir / "mpg123.wav").string() + "' '" + mp3.string() + "'";
  const double reference = Best([&] { return std::system(mpg123.c_str()) == 0; });
  fs::remove_all(dir);
  if (ours < 0 || reference < 0) {
    std::fprintf(stderr, "a run failed (mpg123 missing?)\n");
    return 1;
  }
  std::printf("MP3 of %d s at 192 kbit/s, best of %d runs\n", kSeconds, kRuns);
  std::printf("  open through the codec layer: %.3f s (%d frames; conversion %.3f s, loading %.3f s)\n", ours,
              static_cast<int>(doc.FrameCount()), conversion, ours - conversion);
  std::printf("  mpg123 -w:                    %.3f s\n", reference);
  std::printf("  ratio: %.2f (goal: at most 1.00) %s\n", ours / reference,
              ours <= reference ? "met" : "NOT met");
  return 0;
}
