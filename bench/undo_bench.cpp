// What undo costs, on the ten-minute sound of effects_bench: every command
// that changes the sound, once on its own, once carried out through the
// history (which keeps what undo needs), and the undo and redo of it. A
// command kept for undo should take at most 1.2 times the command alone;
// its undo and its redo at most 1.5 times. The rate commands take well
// under a microsecond either way and are timed a thousand at a time.
// Every figure is the best of five runs (25 for commands under 2 ms).
// Reports only, always exits 0.
//
//   undo_bench [name]   only the commands whose name starts with `name`

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "effects/crop_cut.h"
#include "effects/echo.h"
#include "effects/fades.h"
#include "effects/reverse_speed.h"
#include "effects/sample_format.h"
#include "effects/volume.h"
#include "history/edit_commands.h"
#include "document/sample_code.h"
#include "ten_minute_sound.h"

using namespace sonavix;
using namespace sonavix::bench;

namespace {

constexpr int kRateRepeats = 1000;
constexpr int kShortRuns = 25;

struct Command {
  EditCommand command;
  EditArguments arguments;
  bool middleHalf;  // works on a selection of the middle half
  std::function<void(AudioDocument&)> alone;
};

}  // namespace

int main(int argc, char** argv) {
  // An argument picks the commands whose name starts with it.
  const std::string only = argc > 1 ? argv[1] : "";
  const SampleBlock original = MakeSound();
  std::printf("%d MB of 44.1 kHz 16-bit stereo (%d min) in memory; best of %d runs\n",
              kDataSize / 1000000, kSeconds / 60, kRuns);
  std::printf("sample loops: %s build (SONAVIX_SAMPLE_CODE=plain or avx2 for another)\n",
              SampleCodeName(ActiveSampleCode()));

  AudioDocument doc;
  std::unique_ptr<EditHistory> history;
  const SoundFormat mono8{22050, false, false};
  const Command commands[] = {
      {EditCommand::Louder, {}, false, [](AudioDocument& d) { MakeLouder(d); }},
      {EditCommand::Quieter, {}, false, [](AudioDocument& d) { MakeQuieter(d); }},
      {EditCommand::MaximumVolume, {}, false, [](AudioDocument& d) { MaximumVolume(d); }},
      {EditCommand::FadeIn, {2.0, {}}, false, [](AudioDocument& d) { FadeIn(d, 2.0); }},
      {EditCommand::FadeOut, {2.0, {}}, false, [](AudioDocument& d) { FadeOut(d, 2.0); }},
      {EditCommand::Echo, {0.5, {}}, false, [](AudioDocument& d) { AddEcho(d, 0.5); }},
      {EditCommand::Reverse, {}, false, [](AudioDocument& d) { Reverse(d); }},
      {EditCommand::Crop, {}, true, [](AudioDocument& d) { CropToSelection(d); }},
      {EditCommand::Cut, {}, true, [](AudioDocument& d) { CutSelection(d); }},
      {EditCommand::SampleFormat, {0, mono8}, false, [&](AudioDocument& d) { ConvertSampleFormat(d, mono8); }},
      {EditCommand::Crossfade, {2.0, {}}, false, [](AudioDocument& d) { CrossfadeEndIntoBeginning(d, 2.0); }},
  };

  std::printf("%-30s %9s %9s %9s %9s   goals 1.2x / 1.5x / 1.5x\n", "", "alone", "kept", "undo", "redo");
  for (const Command& c : commands) {
    if (std::string(EditName(c.command)).rfind(only, 0) != 0) continue;
    const auto fresh = [&] {
      history = std::make_unique<EditHistory>();
      Restore(doc, original);
      if (c.middleHalf) {
        doc.SelStart = doc.SampleCount() / 4;
        doc.SelEnd = doc.SampleCount() / 4 * 3;
      }
    };
    const auto perform = [&] { PerformEdit(*history, doc, {}, c.command, c.arguments); };
    // Commands of well under a millisecond (the fades) vary more from run
    // to run: they get more runs.
    const double first = BestMs(fresh, [&] { c.alone(doc); });
    const int runs = first < 2 ? kShortRuns : kRuns;
    const double alone = std::min(first, BestMs(fresh, [&] { c.alone(doc); }, runs));
    const double kept = BestMs(fresh, perform, runs);
    const double undo = BestMs([&] { fresh(); perform(); }, [&] { history->Undo(doc, {}); }, runs);
    const double redo =
        BestMs([&] { fresh(); perform(); history->Undo(doc, {}); }, [&] { history->Redo(doc, {}); }, runs);
    const bool met = kept <= 1.2 * alone && undo <= 1.5 * alone && redo <= 1.5 * alone;
    std::printf("%-30s %7.2f ms %7.2f ms %7.2f ms %7.2f ms   %.2fx %.2fx %.2fx %s\n", EditName(c.command), alone,
                kept, undo, redo, kept / alone, undo / alone, redo / alone, met ? "met" : "NOT met");
  }

  // The rate commands, a thousand of each in turn.
  const auto fresh = [&] {
    history = std::make_unique<EditHistory>();
    Restore(doc, original);
  };
  const double alone = BestMs(fresh, [&] {
    for (int i = 0; i < kRateRepeats; ++i) {
      Faster(doc);
      Slower(doc);
    }
  });
  const auto performAll = [&] {
    for (int i = 0; i < kRateRepeats; ++i) {
      PerformEdit(*history, doc, {}, EditCommand::Faster);
      PerformEdit(*history, doc, {}, EditCommand::Slower);
    }
  };
  const double kept = BestMs(fresh, performAll);
  const double undo = BestMs([&] { fresh(); performAll(); }, [&] { while (history->Undo(doc, {})) {} });
  std::printf("%-30s %7.3f us %7.3f us %7.3f us  per command\n", "Schneller/Langsamer 10%",
              1000 * alone / (2 * kRateRepeats), 1000 * kept / (2 * kRateRepeats),
              1000 * undo / (2 * kRateRepeats));
  return 0;
}
