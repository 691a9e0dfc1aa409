#include "history/edit_commands.h"

#include "effects/crop_cut.h"
#include "effects/echo.h"
#include "effects/fades.h"
#include "effects/reverse_speed.h"
#include "effects/sample_format.h"
#include "effects/volume.h"
#include "history/inverse_records.h"

namespace sonavix {

namespace {

// An in-place command that keeps what undo needs as it runs.
template <class Run>
bool Keeping(EditHistory& history, AudioDocument& doc, const ViewState& view, EditCommand command, ByteSpan span,
             Run run) {
  if (span.empty()) return false;
  history.PerformKeeping(doc, view, EditName(command),
                         [&](AudioDocument& d, std::int64_t limit) { return run(d, span, limit); });
  return true;
}

bool RateChange(EditHistory& history, AudioDocument& doc, const ViewState& view, EditCommand command,
                void (*change)(AudioDocument&)) {
  AudioDocument probe;
  probe.SampleRate = doc.SampleRate;
  change(probe);
  if (probe.SampleRate == doc.SampleRate) return false;
  history.Perform(
      doc, view, EditName(command),
      [](const AudioDocument& before, std::int64_t) { return KeepRate(before); }, [&] { change(doc); });
  return true;
}

}  // namespace

const char* EditName(EditCommand command) {
  switch (command) {
    case EditCommand::Crop: return "Zur Auswahl zurechtschneiden";
    case EditCommand::Cut: return "Die Auswahl wegschneiden";
    case EditCommand::SampleFormat: return "Sampleformat ändern";
    case EditCommand::Louder: return "Lauter 10%";
    case EditCommand::Quieter: return "Leiser 10%";
    case EditCommand::MaximumVolume: return "Maximale Lautstärke";
    case EditCommand::FadeIn: return "Weich einblenden";
    case EditCommand::FadeOut: return "Weich ausblenden";
    case EditCommand::Crossfade: return "Ende auf Anfang überblenden";
    case EditCommand::Echo: return "Echo";
    case EditCommand::Reverse: return "Rückwärts";
    case EditCommand::Faster: return "Schneller 10%";
    case EditCommand::Slower: return "Langsamer 10%";
  }
  return "";
}

bool PerformEdit(EditHistory& history, AudioDocument& doc, const ViewState& view, EditCommand command,
                 const EditArguments& arguments) {
  const char* name = EditName(command);
  const double seconds = arguments.seconds;
  switch (command) {
    case EditCommand::Crop:
      return history.PerformReplacing(doc, view, name, [](AudioDocument& d, SampleBlock* old) {
        return CropToSelection(d, old);
      });
    case EditCommand::Cut:
      return history.PerformReplacing(doc, view, name, [](AudioDocument& d, SampleBlock* old) {
        return CutSelection(d, old);
      });
    case EditCommand::SampleFormat:
      return history.PerformReplacing(doc, view, name, [&](AudioDocument& d, SampleBlock* old) {
        return ConvertSampleFormat(d, arguments.format, old);
      });
    case EditCommand::Crossfade:
      return history.PerformReplacing(doc, view, name, [&](AudioDocument& d, SampleBlock* old) {
        return CrossfadeEndIntoBeginning(d, seconds, old);
      });
    case EditCommand::Louder:
      return Keeping(history, doc, view, command, VolumeSpan(doc), &LouderKeeping);
    case EditCommand::Quieter:
      return Keeping(history, doc, view, command, VolumeSpan(doc), &QuieterKeeping);
    case EditCommand::MaximumVolume:
      return Keeping(history, doc, view, command, VolumeSpan(doc),
                     [](AudioDocument& d, ByteSpan span, std::int64_t) { return MaximumVolumeKeeping(d, span); });
    case EditCommand::FadeIn:
      return Keeping(history, doc, view, command, FadeInSpan(doc, seconds),
                     [seconds](AudioDocument& d, ByteSpan span, std::int64_t limit) {
                       return KeepBytesWhile(span, limit, [&](std::uint8_t* old) { FadeIn(d, seconds, old); });
                     });
    case EditCommand::FadeOut:
      return Keeping(history, doc, view, command, FadeOutSpan(doc, seconds),
                     [seconds](AudioDocument& d, ByteSpan span, std::int64_t limit) {
                       return KeepBytesWhile(span, limit, [&](std::uint8_t* old) { FadeOut(d, seconds, old); });
                     });
    case EditCommand::Echo:
      return Keeping(history, doc, view, command, EchoSpan(doc, seconds),
                     [seconds](AudioDocument& d, ByteSpan, std::int64_t limit) { return EchoKeeping(d, seconds, limit); });
    case EditCommand::Reverse: {
      const ByteSpan span = ReverseSpan(doc);
      if (span.empty()) return false;
      history.Perform(
          doc, view, name, [span](const AudioDocument&, std::int64_t) { return KeepReversal(span); },
          [&] { ReverseFrames(doc, span); });
      return true;
    }
    case EditCommand::Faster: return RateChange(history, doc, view, command, &Faster);
    case EditCommand::Slower: return RateChange(history, doc, view, command, &Slower);
  }
  return false;
}

}  // namespace sonavix
