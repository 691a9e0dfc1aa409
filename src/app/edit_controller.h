#pragma once
// Editing: the commands that change the sound (cropping, cutting, the
// sample format, the effects), undo and redo, and saving the sound as a WAV
// file with the question before unsaved changes would be lost. Each command
// asks for what it needs, lets the history carry it out and keep it, and
// has the waveform drawn again as it requires. Nothing changes while the
// sound is held by an export or a read.

#include <QObject>
#include <vector>
#include <optional>

#include "app/window_context.h"
#include "lyrics/song_timeline.h"
#include "playback/run.h"
#include "history/edit_commands.h"

namespace sonavix {

struct Forms;
class WaveformView;

class EditController final : public QObject {
  Q_OBJECT
 public:
  EditController(const WindowContext& context, const Forms& forms, WaveformView& view);

  void CropToSelection();
  void CutSelection();
  void ChangeSampleFormat();
  void Louder();
  void Quieter();
  void MaximumVolume();
  void FadeIn();
  void FadeOut();
  void CrossfadeEndToStart();
  void Echo();
  void Reverse();
  void Faster();
  void Slower();
  void Undo();
  void Redo();

  // "Speichern als WAV...": true once saved.
  bool SaveWav();
  // Before the sound is replaced or the window closes: asks about unsaved
  // changes and saves them when asked to. False when the sound must stay.
  bool MayLetSoundGo();
  // A new sound came: a history of its own, under its name.
  void StartHistory(const QString& soundName);

 signals:
  // The sound, its history or its name changed.
  void StateChanged();
  // A crop, a cut or a speed change moved the song's times in the sound
  // (or an undo or redo of one): the lyrics follow.
  void TimelineChanged(const SongTimeline& timeline);

 private:
  // How the view follows a command: the changed part drawn again, the
  // whole new sound shown (its length changed), or the new rate named.
  enum class Then { Redraw, ShowWhole, ShowRate };
  bool Apply(EditCommand command, Then then, const EditArguments& arguments = {});
  void ApplyOverSeconds(EditCommand command, double preset, Then then);
  std::optional<double> AskSeconds(double preset);
  void Step(bool undo);
  // The timeline after `command` has changed the sound.
  SongTimeline Moved(EditCommand command, FrameRange marks, std::int32_t rateBefore) const;

  WindowContext context_;
  // A timeline for each step of the history and one for now: undo and redo
  // move along them as along the steps.
  std::vector<SongTimeline> timelines_{SongTimeline{}};
  std::size_t timelineAt_ = 0;
  const Forms& forms_;
  WaveformView& view_;
};

}  // namespace sonavix
