#pragma once
// The sound the window works on, and what belongs to it: its tags, its
// undo history and the name the title gives it. The window holds the one
// session; its controllers change it on the window's thread, under `lock`
// where a playing run could be reading the sound at the same time.

#include <QString>
#include <mutex>

#include "document/audio_document.h"
#include "document/sound_tags.h"
#include "history/edit_history.h"

namespace sonavix {

struct SoundSession {
  AudioDocument doc;
  SoundTags tags;  // of the file opened last, or the CD-Text of the track read
  EditHistory history;
  QString name;    // empty while the sound has none
  QString file;    // the file it was opened from; empty for a CD track
  // Held while the sound is changed, and by playback while it fills a block.
  std::mutex lock;
  // While an export or a disc image reads the sound, or a file or a CD
  // track is being read to replace it: nothing else may change it.
  bool held = false;
};

}  // namespace sonavix
