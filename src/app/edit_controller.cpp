#include "app/edit_controller.h"

#include <QWidget>
#include <QDialog>
#include <QFileInfo>

#include "app/seconds_dialog.h"
#include "app/forms.h"
#include "app/messages.h"
#include "app/recent_places.h"
#include "app/sample_format_dialog.h"
#include "app/sound_session.h"
#include "app/status_texts.h"
#include "app/user_prompts.h"
#include "app/waveform_view.h"
#include "app/window_status.h"
#include "document/local_names.h"
#include "document/sound_files.h"

namespace sonavix {

namespace {

constexpr double kFadeSeconds = 2.0;
constexpr double kEchoSeconds = 0.5;

FileDialogSpec WaveDialog(const QString& folder, const QString& soundName) {
  FileDialogSpec spec{folder, QStringLiteral("WAV-Datei"), {QStringLiteral("*.WAV")}, QStringLiteral("wav")};
  spec.name = SuggestedFileName(soundName, QStringLiteral(".wav"));
  return spec;
}

}  // namespace

EditController::EditController(const WindowContext& context, const Forms& forms, WaveformView& view)
    : QObject(context.window), context_(context), forms_(forms), view_(view) {}

bool EditController::Apply(EditCommand command, Then then, const EditArguments& arguments) {
  SoundSession& session = context_.session;
  if (session.held) return false;
  bool done = false;
  const FrameRange marks = RangeFromMarks(session.doc);
  const std::int32_t rate = session.doc.SampleRate;
  {
    const std::lock_guard lock(session.lock);  // a playing run takes the edit at its next block
    done = PerformEdit(session.history, session.doc, view_.CurrentView(), command, arguments);
  }
  if (done) {
    const SongTimeline moved = Moved(command, marks, rate);
    timelines_.resize(++timelineAt_);
    timelines_.push_back(moved);
    if (command == EditCommand::Crop || command == EditCommand::Cut || command == EditCommand::Faster ||
        command == EditCommand::Slower)
      emit TimelineChanged(moved);
  }
  switch (then) {
    case Then::Redraw: view_.Redraw(); break;
    case Then::ShowWhole:
      if (done) view_.ShowWholeSound();
      break;
    case Then::ShowRate: context_.status.ShowText(SampleRateText(session.doc.SampleRate)); break;
  }
  emit StateChanged();  // the menu shows what can be undone now
  return done;
}

std::optional<double> EditController::AskSeconds(double preset) {
  auto* dialog = qobject_cast<SecondsDialog*>(forms_.seconds);
  if (!dialog) return std::nullopt;
  dialog->SetSeconds(preset);
  if (context_.prompts.RunModal(*dialog) != QDialog::Accepted) return std::nullopt;
  return dialog->Seconds();
}

void EditController::ApplyOverSeconds(EditCommand command, double preset, Then then) {
  if (context_.session.held) return;
  if (const std::optional<double> seconds = AskSeconds(preset)) Apply(command, then, {*seconds, {}});
}

void EditController::CropToSelection() { Apply(EditCommand::Crop, Then::ShowWhole); }
void EditController::CutSelection() { Apply(EditCommand::Cut, Then::ShowWhole); }
void EditController::Louder() { Apply(EditCommand::Louder, Then::Redraw); }
void EditController::Quieter() { Apply(EditCommand::Quieter, Then::Redraw); }
void EditController::MaximumVolume() { Apply(EditCommand::MaximumVolume, Then::Redraw); }
void EditController::FadeIn() { ApplyOverSeconds(EditCommand::FadeIn, kFadeSeconds, Then::Redraw); }
void EditController::FadeOut() { ApplyOverSeconds(EditCommand::FadeOut, kFadeSeconds, Then::Redraw); }
void EditController::CrossfadeEndToStart() { ApplyOverSeconds(EditCommand::Crossfade, kFadeSeconds, Then::ShowWhole); }
void EditController::Echo() { ApplyOverSeconds(EditCommand::Echo, kEchoSeconds, Then::Redraw); }
void EditController::Reverse() { Apply(EditCommand::Reverse, Then::Redraw); }
// The rate changes, the samples do not: nothing to redraw, but the new rate
// is shown in the status bar.
void EditController::Faster() { Apply(EditCommand::Faster, Then::ShowRate); }
void EditController::Slower() { Apply(EditCommand::Slower, Then::ShowRate); }

void EditController::ChangeSampleFormat() {
  auto* dialog = qobject_cast<SampleFormatDialog*>(forms_.sampleFormat);
  if (!dialog || context_.session.held) return;
  dialog->Preset(context_.session.doc.Format());
  if (context_.session.doc.DataSize == 0) return;
  if (context_.prompts.RunModal(*dialog) != QDialog::Accepted) return;
  EditArguments arguments;
  arguments.format = dialog->Chosen();
  Apply(EditCommand::SampleFormat, Then::ShowWhole, arguments);
}

void EditController::Undo() { Step(true); }
void EditController::Redo() { Step(false); }

void EditController::Step(bool undo) {
  SoundSession& session = context_.session;
  if (session.held) return;
  const std::int32_t rate = session.doc.SampleRate;
  std::optional<ViewState> view;
  {
    const std::lock_guard lock(session.lock);
    view = undo ? session.history.Undo(session.doc, view_.CurrentView())
                : session.history.Redo(session.doc, view_.CurrentView());
  }
  if (view) view_.ShowView(*view);
  if (view && (undo ? timelineAt_ > 0 : timelineAt_ + 1 < timelines_.size())) {
    timelineAt_ += undo ? -1 : 1;
    emit TimelineChanged(timelines_[timelineAt_]);
  }
  if (session.doc.SampleRate != rate) context_.status.ShowText(SampleRateText(session.doc.SampleRate));
  emit StateChanged();
}

SongTimeline EditController::Moved(EditCommand command, FrameRange marks, std::int32_t rateBefore) const {
  SongTimeline timeline = timelines_[timelineAt_];
  const double rate = rateBefore > 0 ? rateBefore : 1;
  switch (command) {
    case EditCommand::Crop: timeline.Keep(marks.start / rate, marks.end / rate); break;
    case EditCommand::Cut: timeline.Remove(marks.start / rate, marks.end / rate); break;
    case EditCommand::Faster:
    case EditCommand::Slower:
      if (context_.session.doc.SampleRate > 0) timeline.Stretch(rate / context_.session.doc.SampleRate);
      break;
    default: break;
  }
  return timeline;
}

void EditController::StartHistory(const QString& soundName) {
  timelines_.assign(1, SongTimeline{});
  timelineAt_ = 0;
  context_.session.history.Clear();
  context_.session.name = soundName;
  emit StateChanged();
}

bool EditController::SaveWav() {
  const std::optional<QString> name =
      context_.prompts.AskSaveFileName(context_.window, WaveDialog(context_.recent.Start(), context_.session.name));
  if (!name) return false;
  if (!SaveSoundFile(context_.session.doc, LocalPath(*name))) {
    context_.prompts.ShowError(context_.window, kCannotSave);
    return false;
  }
  context_.recent.Remember(*name);
  // The history stays: the saved state is the one without the mark.
  context_.session.history.MarkSaved();
  context_.session.name = DisplayName(QFileInfo(*name).fileName());
  emit StateChanged();
  return true;
}

bool EditController::MayLetSoundGo() {
  const SoundSession& session = context_.session;
  if (!session.history.Modified()) return true;
  const QString question = session.name.isEmpty() ? QStringLiteral("Änderungen speichern?")
                                                  : QStringLiteral("Änderungen an %1 speichern?").arg(session.name);
  switch (context_.prompts.AskSaveChanges(context_.window, question)) {
    case SaveChangesAnswer::Discard: return true;
    case SaveChangesAnswer::Save: return SaveWav();
    case SaveChangesAnswer::Cancel: break;
  }
  return false;
}

}  // namespace sonavix
