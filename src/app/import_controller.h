#pragma once
// Bringing a sound in: "Öffnen..." (and a file dropped on the window or
// named at start-up) and "Von Musik-CD einlesen...". A file is read on a
// worker into a sound of its own, with the bar and the time left in the
// status bar; the window's sound is replaced only when the new one is
// there, and STOP (or Escape) ends the reading with the sound left as it
// was. Every way in ends with the whole sound in view (SoundShown).

#include <QObject>
#include <functional>
#include <memory>
#include <optional>

#include "app/window_context.h"
#include "cdda/cd_drives.h"
#include "document/sound_files.h"
#include "document/work_progress.h"
#include "mp3/acm.h"

namespace sonavix {

class BackgroundJob;
struct Forms;
class Mp3ImportHost;

class ImportController final : public QObject {
  Q_OBJECT
 public:
  // MP3 files are decoded through `codecs`; without them the system's layer.
  ImportController(const WindowContext& context, const Forms& forms, std::unique_ptr<acm::AcmManager> codecs);
  ~ImportController() override;

  // Asked before the sound is replaced: false keeps it (unsaved changes).
  void SetMayReplaceSound(std::function<bool()> ask) { mayReplaceSound_ = std::move(ask); }

  // "Öffnen...": asks for the file, then opens it.
  void Open();
  // Opens `name` without asking for it (a dropped file, the command line).
  void OpenFile(const QString& name);
  // An entry of "Zuletzt geöffnet": asks first about unsaved changes, as
  // "Öffnen..." does.
  void OpenRecent(const QString& name);
  // "Von Musik-CD einlesen...".
  void ReadCd();
  void Stop();
  bool Reading() const { return reading_; }

  // MP3 files are read through this decoder; without one they are read as
  // WAV. The MP3 import's own is the default.
  void SetMp3Decoder(Mp3Decoder* decoder) { mp3Decoder_ = decoder; }
  Mp3ImportHost& Mp3() { return *mp3_; }

  // The transports the CD drives are found and read through (the
  // machine's by default), and the drives found the first time the CD
  // dialog opened.
  void SetCdTransports(std::unique_ptr<cdda::PassThroughTransport> passThrough,
                       std::unique_ptr<cdda::ScsiGenericLoader> generic);
  const cdda::CDDriveList& CdDrives() const { return drives_; }

 signals:
  void StateChanged();
  // The sound was replaced: its history starts, under this name.
  void SoundReplaced(const QString& name);
  // A read has ended, whatever came of it: the whole sound goes in view,
  // and the song's name is offered as the picture's text.
  void SoundShown(const QString& songName);

 private:
  struct Read;
  void TakeRead(const QString& name, Read& read);
  bool MayStart() const;

  WindowContext context_;
  const Forms& forms_;
  std::unique_ptr<acm::AcmManager> codecs_;
  std::unique_ptr<BackgroundJob> job_;
  std::unique_ptr<Mp3ImportHost> mp3_;
  Mp3Decoder* mp3Decoder_ = nullptr;
  std::unique_ptr<AudioDecoder> decoder_;
  std::function<bool()> mayReplaceSound_;
  bool reading_ = false;
  std::optional<TimeLeft> readTime_;
  ReportGate readGate_;

  bool drivesFound_ = false;
  cdda::CDDriveList drives_;
  std::unique_ptr<cdda::PassThroughTransport> cdPassThrough_;
  std::unique_ptr<cdda::ScsiGenericLoader> cdGeneric_;
};

}  // namespace sonavix
