// Times the picture work of one block of a run, as the run does it: fill the
// block from the document, draw the picture (fade, circles, text) and analyse
// the block for the next picture. In play mode all of a block's work must fit
// in one lap of the sound buffer, 62.5 ms; the picture's share should stay
// small so the rest of the cycle and the window keep their time. Goals: 1 % of
// a lap at 400 x 400 (the preview) and 1.5 % at 720 x 576 (the largest video
// frame). Only reports; the exit status is 0 whatever the figures.
//
//   block_bench [blocks]      (default: 300 blocks per size)

#include <QFont>
#include <QGuiApplication>
#include <QString>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <numbers>
#include <utility>
#include <vector>

#include "document/audio_document.h"
#include "playback/run.h"
#include "video/frame_renderer.h"
#include "video/random.h"

namespace {

using Clock = std::chrono::steady_clock;
using sonavix::AudioDocument;

constexpr std::int32_t kRate = 44'100;
constexpr std::int32_t kSeconds = 4;
constexpr double kLapMicroseconds = 62'500.0;

// Four seconds of 16-bit stereo: a 440 Hz tone on the left, a 660 Hz tone
// with a slow swell on the right, so the circles keep moving.
AudioDocument MakeTones() {
  const std::int32_t frames = kRate * kSeconds;
  sonavix::SampleBlock block = sonavix::SampleBlock::Allocate(frames * 4);
  for (std::int32_t i = 0; i < frames; ++i) {
    const double t = static_cast<double>(i) / kRate;
    const double swell = 0.5 + 0.5 * std::sin(2.0 * std::numbers::pi * 0.5 * t);
    const auto left = static_cast<std::int16_t>(12000.0 * std::sin(2.0 * std::numbers::pi * 440.0 * t));
    const auto right =
        static_cast<std::int16_t>(16000.0 * swell * std::sin(2.0 * std::numbers::pi * 660.0 * t));
    std::uint8_t* at = block.bytes.get() + 4 * static_cast<std::int64_t>(i);
    at[0] = static_cast<std::uint8_t>(left & 0xFF);
    at[1] = static_cast<std::uint8_t>((left >> 8) & 0xFF);
    at[2] = static_cast<std::uint8_t>(right & 0xFF);
    at[3] = static_cast<std::uint8_t>((right >> 8) & 0xFF);
  }
  AudioDocument doc;
  sonavix::ReplaceBlock(doc, std::move(block), {kRate, true, true});
  return doc;
}

struct Timing {
  double mean;     // µs per block
  double slowest;  // µs, the worst single block
};

Timing TimeBlocks(const AudioDocument& doc, int width, int height, int blocks) {
  sonavix::FrameRenderer renderer(width, height);
  const sonavix::FrameRange range = sonavix::RangeFromMarks(doc);
  std::vector<std::int16_t> block(sonavix::kBlockSamples);
  double playPos = range.start;
  const QString text = QStringLiteral("Sonavix");
  QFont font;
  font.setPixelSize(11);

  const auto oneBlock = [&] {
    if (playPos >= range.end) playPos = range.start;  // loop over the sound
    sonavix::FillBlock(doc, range, playPos, block.data());
    renderer.Draw(text, font, sonavix::ProgramRandom());
    renderer.Analyse(block.data());
  };

  for (int i = 0; i < blocks / 10 + 10; ++i) oneBlock();  // caches, glyphs, painter
  double slowest = 0.0;
  const auto start = Clock::now();
  for (int i = 0; i < blocks; ++i) {
    const auto before = Clock::now();
    oneBlock();
    const std::chrono::duration<double, std::micro> spent = Clock::now() - before;
    slowest = std::max(slowest, spent.count());
  }
  const std::chrono::duration<double, std::micro> total = Clock::now() - start;
  return {total.count() / blocks, slowest};
}

}  // namespace

int main(int argc, char** argv) {
  const int blocks = argc > 1 ? std::max(1, std::atoi(argv[1])) : 300;
  qputenv("QT_QPA_PLATFORM", "offscreen");
  int qtArgc = 1;
  QGuiApplication app(qtArgc, argv);  // the text needs fonts

  const AudioDocument doc = MakeTones();
  std::printf("block_bench: fill + draw + analyse, %d blocks per size, lap %.1f ms\n", blocks,
              kLapMicroseconds / 1000.0);
  struct Case {
    int width, height;
    double goalPercent;
  };
  for (const Case c : {Case{400, 400, 1.0}, Case{720, 576, 1.5}}) {
    const Timing t = TimeBlocks(doc, c.width, c.height, blocks);
    const double percent = 100.0 * t.mean / kLapMicroseconds;
    std::printf("  %3dx%-3d  mean %7.1f us/block  = %5.2f %% of a lap (goal %.1f %%: %s)  slowest %7.1f us\n",
                c.width, c.height, t.mean, percent, c.goalPercent,
                percent <= c.goalPercent ? "met" : "MISSED", t.slowest);
  }
  return 0;
}
