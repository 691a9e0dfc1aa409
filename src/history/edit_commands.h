#pragma once
// The commands that change the sound or its format, each carried out on the
// document and kept in the history so that it can be undone. The window's
// handlers and any other front end call these rather than the effects
// directly.

#include "document/audio_document.h"
#include "history/edit_history.h"

namespace sonavix {

enum class EditCommand {
  Crop,
  Cut,
  SampleFormat,
  Louder,
  Quieter,
  MaximumVolume,
  FadeIn,
  FadeOut,
  Crossfade,
  Echo,
  Reverse,
  Faster,
  Slower,
};

// What a command needs besides the document: the length of a fade, the
// crossfade or the echo's delay, or the sample format to convert to.
struct EditArguments {
  double seconds = 0;
  SoundFormat format;
};

// The command's caption as the undo entry names it ("Echo"), in UTF-8.
const char* EditName(EditCommand command);

// Carries the command out and keeps it in `history`. Returns true when the
// command did something; a command with nothing to work on (no selection
// to crop, a rate already at its limit) changes nothing and is not kept.
bool PerformEdit(EditHistory& history, AudioDocument& doc, const ViewState& view, EditCommand command,
                 const EditArguments& arguments = {});

}  // namespace sonavix
