#pragma once
// Reading one track of an audio CD into the document: the TOC first, then
// the track's sectors ten at a time through the transport that found the
// drive, each block optionally turned into karaoke sound, every step written
// as a message line. A drive still spinning a disc up is waited for;
// unreadable sectors become silence, and the messages say where.

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "cdda/cd_drives.h"
#include "cdda/cd_text.h"
#include "cdda/scsi_commands.h"
#include "document/audio_document.h"
#include "document/work_progress.h"

namespace sonavix::cdda {

// Waits the given number of seconds.
using SecondsSleep = std::function<void(double seconds)>;
void SleepSeconds(double seconds);

// What a read needs from the dialog around it.
class TrackReadHost {
 public:
  virtual ~TrackReadHost() = default;
  virtual void WriteLine(const std::string& line) = 0;  // UTF-8
  virtual void ShowPosition(const std::string& label) = 0;
  // Between the read's steps, before the next look at the cancel flag.
  virtual void Checkpoint() {}
  virtual int TrackNumber() const = 0;  // 1 ... 256
  virtual bool Karaoke() const = 0;
  // "Sicher lesen": every request read twice, and again until two agree.
  virtual bool Verify() const { return false; }
};

class TrackReader {
 public:
  TrackReader(PassThroughTransport& passThrough, ScsiGenericLoader& generic);

  // Reads track TrackNumber() of drive `driveIndex` (-1: none selected) of
  // `drives`. Whatever was read, if anything, becomes the document's sound
  // (44100 Hz, 16-bit, stereo); the document stays as it was otherwise.
  void ReadTrack(const CDDriveList& drives, int driveIndex, AudioDocument& doc,
                      TrackReadHost& host);

  // Ends a running read after the request in progress; may be called from
  // another thread than the read's.
  void RequestCancel() { cancelRequested_.store(true); }
  bool CancelRequested() const { return cancelRequested_.load(); }

  const TrackTable& Tracks() const { return trackTable_; }
  // The CD-Text of the disc last read, empty when it had none.
  const CdText& Text() const { return cdText_; }
  std::uint32_t TrackCount() const { return trackCount_; }
  // Shows which track and time `lba` belongs to.
  void ReportPosition(std::uint32_t lba, TrackReadHost& host) const;

  // The clock the time left and speed of a read are measured by, and the
  // patience with a drive that is becoming ready.
  void SetClock(SecondsClock clock) { clock_ = std::move(clock); }
  // How the reader waits before asking a drive that is becoming ready again.
  void SetSleep(SecondsSleep sleep) { sleep_ = std::move(sleep); }

 private:
  SecondsClock clock_ = SteadySeconds;
  SecondsSleep sleep_ = SleepSeconds;
  PassThroughTransport& passThrough_;
  ScsiGenericLoader& generic_;
  std::atomic<bool> cancelRequested_{false};
  TrackTable trackTable_{};
  TrackControls trackControls_{};
  CdText cdText_;
  std::uint32_t trackCount_ = 0;
};

}  // namespace sonavix::cdda
