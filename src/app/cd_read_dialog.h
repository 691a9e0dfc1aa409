#pragma once
// The dialog that reads one track of an audio CD into the document: the
// drive, the track number and the karaoke switch; every step of a read is
// written into its message box.

#include <QDialog>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "cdda/cd_drives.h"
#include "cdda/track_reader.h"
#include "document/sound_tags.h"
#include "document/audio_document.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;

namespace sonavix {

class CdReadDialog final : public QDialog, public cdda::TrackReadHost {
  Q_OBJECT
 public:
  explicit CdReadDialog(QWidget* parent = nullptr);
  ~CdReadDialog() override;

  // Where a read takes its drives from and where its sound goes. The
  // arguments must outlive every read.
  // `lock` is held while the track read replaces the document's sound.
  void SetSource(cdda::PassThroughTransport& passThrough, cdda::ScsiGenericLoader& generic,
                 const cdda::CDDriveList& drives, AudioDocument& doc, std::mutex& lock);
  // Fills the drive box with the drives' list entries; the first is selected.
  void ListDrives(const cdda::CDDriveList& drives);

  // True while a track is being read.
  bool Reading() const { return reading_; }
  // "OK": reads the track and closes the dialog.
  void ReadChosenTrack();
  // "Abbrechen": stops a running read; closes the dialog when none runs.
  void Cancel();

  // "Title – Performer" of track `track` from the CD-Text of the disc last
  // read; empty without one.
  std::string TrackText(int track) const;
  // The same as tags: title and performer of the track (the disc's
  // performer where the track names none), and the disc's title as album.
  SoundTags TrackTags(int track) const;

  // An error that ended the last read (out of memory) is kept while the
  // dialog's own event loop runs and passed on here, after it closed.
  void RethrowReadError();

  // What a read asks of its dialog.
  void WriteLine(const std::string& line) override;
  void ShowPosition(const std::string& label) override;
  int TrackNumber() const override;
  bool Karaoke() const override;
  bool Verify() const override;

  // Closing the window (or Escape) during a read cancels the read instead.
  void reject() override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void ShowTrackText();
  // On the dialog's thread, once the read's thread has ended.
  void TakeRead(AudioDocument& read, std::exception_ptr error);

  QLabel* positionLabel_ = nullptr;
  QLabel* trackTextLabel_ = nullptr;  // the chosen track's CD-Text
  QComboBox* driveBox_ = nullptr;
  QSpinBox* trackField_ = nullptr;
  QCheckBox* karaokeBox_ = nullptr;
  QCheckBox* verifyBox_ = nullptr;  // "Sicher lesen"
  QPlainTextEdit* log_ = nullptr;
  QPushButton* okButton_ = nullptr;
  QPushButton* cancelButton_ = nullptr;

  std::unique_ptr<cdda::TrackReader> reader_;
  cdda::PassThroughTransport* passThrough_ = nullptr;
  cdda::ScsiGenericLoader* generic_ = nullptr;
  const cdda::CDDriveList* drives_ = nullptr;
  AudioDocument* doc_ = nullptr;
  std::mutex* docLock_ = nullptr;
  bool reading_ = false;
  std::thread thread_;  // the read at work
  std::exception_ptr readError_;
};

}  // namespace sonavix
