// Times a run of a ten-second sound through the SDL sound device against the
// sound's own length. The run waits for the card's events, so the wall time
// should be the length plus the lap of the first block and the lap that
// lets the last block be heard: the aim is at most two laps (62.5 ms each)
// over. The CPU time of the process during the run, as a share of the wall
// time, shows that nothing spins while waiting.
//
//   pacing_bench [seconds]      (default 10)
//
// Without a sound card, or with SDL_AUDIODRIVER unset, it plays through SDL's
// dummy driver; set SDL_AUDIODRIVER to time a real one.

#include <SDL.h>
#include <sys/resource.h>

#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QString>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numbers>

#include "document/audio_document.h"
#include "document/little_endian.h"
#include "playback/run.h"
#include "playback/sdl_sound_device.h"
#include "video/frame_renderer.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr double kLapSeconds = double(sonavix::kSoundLapBytes) /
                               (sonavix::kStreamRate * sonavix::kStreamFrameBytes);

// Two sines a fifth apart sliding up an octave, left and right: every block
// differs, so the picture work is what a real sound costs.
void MakeSound(sonavix::AudioDocument& doc, double seconds) {
  const std::int32_t frames = static_cast<std::int32_t>(seconds * sonavix::kStreamRate);
  doc.SampleRate = sonavix::kStreamRate;
  doc.IsStereo = true;
  doc.Is16Bit = true;
  doc.DataSize = frames * 4;
  doc.SampleData = std::make_unique<std::uint8_t[]>(static_cast<std::size_t>(doc.DataSize));
  double phaseLeft = 0;
  double phaseRight = 0;
  for (std::int32_t i = 0; i < frames; ++i) {
    const double pitch = 220.0 * std::exp2(double(i) / frames);
    phaseLeft += 2 * std::numbers::pi * pitch / sonavix::kStreamRate;
    phaseRight += 2 * std::numbers::pi * 1.5 * pitch / sonavix::kStreamRate;
    auto sample = [](double phase) {
      return static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(12000 * std::sin(phase))));
    };
    sonavix::StoreLe16(doc.SampleData.get() + 4 * i, sample(phaseLeft));
    sonavix::StoreLe16(doc.SampleData.get() + 4 * i + 2, sample(phaseRight));
  }
}

// A window that plays along without showing anything.
class QuietHost final : public sonavix::RunHost {
 public:
  explicit QuietHost(const sonavix::AudioDocument& doc) : doc_(doc) {}
  const sonavix::AudioDocument& Document() const override { return doc_; }
  bool StopRequested() const override { return false; }
  bool LoopChecked() const override { return false; }
  void MoveCursor(std::int64_t) override {}
  QString PictureText() const override { return {}; }
  QFont PictureFont() const override { return QFont(); }
  void ShowPicture(const QImage&) override {}

 private:
  const sonavix::AudioDocument& doc_;
};

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

}  // namespace

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
  if (!(seconds > 0)) {
    std::fprintf(stderr, "usage: pacing_bench [seconds]\n");
    return 1;
  }
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QGuiApplication app(argc, argv);

  sonavix::AudioDocument doc;
  MakeSound(doc, seconds);
  QuietHost host(doc);
  sonavix::FrameRenderer renderer(400, 400);
  sonavix::SdlSoundDevice device;
  if (!device.Open()) {
    std::fprintf(stderr, "cannot open the sound output: %s\n", SDL_GetError());
    return 1;
  }
  std::printf("%.1f s of 44.1 kHz 16-bit stereo through SDL driver \"%s\"%s\n", seconds,
              SDL_GetCurrentAudioDriver(),
              device.PacedByClock() ? " (held to the steady clock)" : "");

  const double cpuBefore = CpuSeconds();
  const Clock::time_point start = Clock::now();
  const std::int64_t blocks = sonavix::RunBlocks(host, device, renderer);
  const double wall = std::chrono::duration<double>(Clock::now() - start).count();
  const double cpu = CpuSeconds() - cpuBefore;

  const double lapsOver = (wall - seconds) / kLapSeconds;
  std::printf("blocks           %7lld\n", static_cast<long long>(blocks));
  std::printf("wall time        %7.3f s  (ideal %.3f s)\n", wall, seconds);
  std::printf("over ideal       %7.2f laps of %.1f ms  (goal: at most 2) %s\n", lapsOver,
              kLapSeconds * 1000, lapsOver <= 2.0 ? "met" : "NOT met");
  std::printf("CPU time         %7.3f s  (%.1f%% of wall time)\n", cpu, 100 * cpu / wall);
  return 0;
}
