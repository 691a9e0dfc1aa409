// Times opening a ten-minute FLAC file of music-like sound, and the same
// song as Opus, the way the open command does it (FFmpeg's demultiplexer
// and decoder straight into the document's block) against `ffmpeg -v error
// -i song.flac -f s16le -y /dev/null` on the same file, and measures the
// memory the FLAC open takes at its peak against the decoded document. The
// aims: at most ffmpeg's time, at most 1.2 times the document's bytes.
//
//   flac_open_bench [folder]      (default: $TMPDIR, else /tmp)
//
// Needs ffmpeg on the PATH; about 60 MB of scratch space.

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "document/audio_document.h"
#include "document/sound_files.h"
#include "import/ffmpeg_audio_decoder.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
constexpr int kRuns = 3;

// Plucked chords with a beat, louder and softer, ten minutes: what a
// musician's FLAC holds, not a sine the encoder predicts perfectly.
bool MakeFlac(const fs::path& flac) {
  const std::string song =
      "aevalsrc='0.25*sin(2*PI*(220+20*floor(mod(t,8)))*t)*exp(-4*mod(t,0.5))+0.1*sin(2*PI*1760*t)*exp(-30*mod(t,0.25))"
      "+0.02*(random(0)-0.5)|0.25*sin(2*PI*(330+15*floor(mod(t,6)))*t)*exp(-3*mod(t,0.5))+0.02*(random(1)-0.5)'"
      ":s=44100:d=600";
  return std::system(("ffmpeg -v error -y -f lavfi -i \"" + song + "\" -c:a flac '" + flac.string() + "'").c_str()) == 0;
}

double Best(const std::function<bool()>& run, const std::function<void()>& prepare = [] {}) {
  double best = 1e9;
  for (int i = 0; i < kRuns; ++i) {
    prepare();
    const auto start = Clock::now();
    if (!run()) return -1;
    best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
  }
  return best;
}

// A line of /proc/self/status ("VmHWM:", "VmRSS:") in bytes.
long long StatusBytes(const std::string& key) {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind(key, 0) == 0) return std::stoll(line.substr(key.size())) * 1024;
  return -1;
}

// The same song as Opus at 160 kbit/s, opened against ffmpeg decoding it.
bool OpusAgainstFfmpeg(const fs::path& base) {
  const fs::path dir = base / ("sonavix_opus_bench_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const fs::path flac = dir / "song.flac", opus = dir / "song.opus";
  const bool made = MakeFlac(flac) && std::system(("ffmpeg -v error -y -i '" + flac.string() +
                                                   "' -c:a libopus -b:a 160k '" + opus.string() + "'").c_str()) == 0;
  sonavix::FfmpegAudioDecoder decoder;
  sonavix::AudioDocument doc;
  const double ours = made ? Best([&] { return sonavix::OpenSoundFile(doc, opus.string(), nullptr, &decoder); },
                                  [&] { doc = sonavix::AudioDocument(); })
                           : -1;
  const std::string ffmpeg = "ffmpeg -v error -i '" + opus.string() + "' -f s16le -y /dev/null";
  const double reference = made ? Best([&] { return std::system(ffmpeg.c_str()) == 0; }) : -1;
  fs::remove_all(dir);
  if (ours < 0 || reference < 0) {
    std::fprintf(stderr, "the Opus run failed\n");
    return false;
  }
  std::printf("Opus of 600 s at 160 kbit/s, best of %d runs\n", kRuns);
  std::printf("  open: %.3f s, ffmpeg to /dev/null: %.3f s, ratio %.2f (goal: at most 1.00) %s\n", ours, reference,
              ours / reference, ours <= reference ? "met" : "NOT met");
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const char* tmp = std::getenv("TMPDIR");
  const fs::path base = argc > 1 ? fs::path(argv[1]) : fs::path(tmp ? tmp : "/tmp");
  const fs::path dir = base / ("sonavix_flac_bench_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const fs::path flac = dir / "song.flac";
  if (!MakeFlac(flac)) {
    std::fprintf(stderr, "could not make the test file (ffmpeg missing?)\n");
    fs::remove_all(dir);
    return 1;
  }

  sonavix::FfmpegAudioDecoder decoder;
  sonavix::AudioDocument doc;
  // Each run opens into an empty document; the last one's sound goes first.
  const double ours = Best([&] { return sonavix::OpenSoundFile(doc, flac.string(), nullptr, &decoder); },
                           [&] { doc = sonavix::AudioDocument(); });
  const std::string ffmpeg = "ffmpeg -v error -i '" + flac.string() + "' -f s16le -y /dev/null";
  const double reference = Best([&] { return std::system(ffmpeg.c_str()) == 0; });

  // The peak of one more open, over what the program held before it.
  doc = sonavix::AudioDocument();
  {
    std::ofstream reset("/proc/self/clear_refs");
    reset << "5" << std::flush;  // the peak starts again from here
  }
  const long long before = StatusBytes("VmRSS:");
  const bool opened = sonavix::OpenSoundFile(doc, flac.string(), nullptr, &decoder);
  const long long peak = StatusBytes("VmHWM:") - before;
  fs::remove_all(dir);
  if (ours < 0 || reference < 0 || !opened) {
    std::fprintf(stderr, "a run failed\n");
    return 1;
  }
  const double memory = double(peak) / double(doc.DataSize);
  std::printf("FLAC of 600 s, 16-bit stereo at 44.1 kHz, best of %d runs\n", kRuns);
  std::printf("  open:                 %.3f s (%d frames)\n", ours, static_cast<int>(doc.FrameCount()));
  std::printf("  ffmpeg to /dev/null:  %.3f s\n", reference);
  std::printf("  ratio: %.2f (goal: at most 1.00) %s\n", ours / reference, ours <= reference ? "met" : "NOT met");
  std::printf("  peak memory of the open: %.1f MB for a %.1f MB document: %.2f (goal: at most 1.20) %s\n",
              double(peak) / 1e6, double(doc.DataSize) / 1e6, memory, memory <= 1.2 ? "met" : "NOT met");
  return OpusAgainstFfmpeg(base) ? 0 : 1;
}
