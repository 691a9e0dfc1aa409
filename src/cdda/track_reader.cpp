// Reading one track: the TOC gives the track's first sector and the first
// sector after it; the sectors in between are read ten at a time and
// collected, and what was collected becomes the document's sound.
//
// What real drives do on the way: a disc just put in is spun up for some
// seconds, during which the drive answers "becoming ready"; the reader asks
// again for up to 20 seconds. Without a disc, or when the drive never gets
// ready, the read ends and the document stays as it was. A request that
// fails is asked three more times, then its sectors one by one; silence
// takes the place of the sectors that stay unreadable. A reply may be short
// with good status: only its whole sectors are taken, and the rest is asked
// for by the next request.

#include "cdda/track_reader.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <optional>
#include <thread>

#include "cdda/cd_text.h"
#include "cdda/collected_sectors.h"
#include "cdda/drive_channel.h"

namespace sonavix::cdda {

namespace {

constexpr std::uint32_t kTocTimeoutSeconds = 2;
constexpr std::uint32_t kReadTimeoutSeconds = 200;
// Eleven requests in a row that leave sectors unread end the read.
constexpr int kMaxConsecutiveFailures = 10;
// A failed request is asked this many more times before its sectors are
// read one by one.
constexpr int kRetries = 3;
// A drive that is becoming ready is asked again every quarter second, for
// 20 seconds at most.
constexpr double kReadyPollSeconds = 0.25;
constexpr double kReadyPatienceSeconds = 20;
constexpr SoundFormat kCdAudioFormat{44100, true, true};
// CD-Text fits one request's data area (a disc's 8 blocks would not; block
// 0, which is all that is read, comes first).
constexpr std::uint16_t kCdTextBytes = static_cast<std::uint16_t>(kRequestBytes);

constexpr const char* kNoDrive = "Kein Laufwerk ausgewählt...";
constexpr const char* kNoPassThrough = "Kein Laufwerkszugriff über SPTI möglich...";
constexpr const char* kTocUnreadable = "Konnte TOC nicht lesen...";
constexpr const char* kTocRead = "TOC eingelesen...";
constexpr const char* kInvalidTrack = "Ungültige Track-Nummer...";
constexpr const char* kStart = "Starte Ripping...";
constexpr const char* kDone = "Ripping beendet...";
constexpr const char* kLayerNotInitialised = "Konnte ASPI Layer nicht initialisieren...";
constexpr const char* kNoEvent = "Fehler beim Ausführen des SCSI Kommandos...";
constexpr const char* kBecomingReady = "Laufwerk wird bereit, warte...";
constexpr const char* kNeverReady = "Laufwerk ist nach 20 Sekunden noch nicht bereit...";
constexpr const char* kNoDisc = "Keine CD im Laufwerk. Bitte legen Sie eine Audio-CD ein...";

std::string LayerMissingLine() {
  return std::string("Konnte ASPI Layer nicht laden. Downloaden Sie den ASPI-Treiber von ") +
         kScsiGenericDriverAddress + "!";
}

std::string DataTrackLine(int track) {
  return "Track " + std::to_string(track) +
         " ist ein Datentrack und keine Musik. Bitte wählen Sie einen Audio-Track...";
}

std::string ShortReplyLine(std::size_t got, std::size_t asked) {
  return "Laufwerk lieferte nur " + std::to_string(got) + " von " + std::to_string(asked) + " Bytes...";
}

// " – 8,3-fach": how many seconds of sound a second of reading brings, with
// one decimal below ten.
std::string SpeedPhrase(double sectorsPerSecond) {
  const double times = sectorsPerSecond / kSectorsPerSecond;
  char text[48];
  if (times < 9.95) {
    const long tenths = std::lround(times * 10);
    std::snprintf(text, sizeof text, "%ld,%ld", tenths / 10, tenths % 10);
  } else {
    std::snprintf(text, sizeof text, "%.0f", times);
  }
  return std::string(" \u2013 ") + text + "-fach";
}

struct TrackSpan {
  std::uint32_t start = 0;  // first sector of the track
  std::uint32_t end = 0;    // first sector after it
};

enum class TocOutcome { Accepted, Unparsable, WrongTrack };

// What one read works with: the reader's TOC and cancel flag, its clock and
// sleep, the dialog.
struct ReadContext {
  TrackTable& table;
  TrackControls& controls;
  CdText& text;
  std::uint32_t& trackCount;
  std::atomic<bool>& cancelRequested;
  TrackReadHost& host;
  const SecondsClock& clock;
  const SecondsSleep& sleep;
};

// The state of one read, shared by both transports: the track's sectors,
// what was collected and whether the read was given up.
class ReadRun {
 public:
  explicit ReadRun(const ReadContext& context) : c_(context) {}

  TrackReadHost& host() { return c_.host; }
  // True once the drive turned out to hold no disc or never got ready; the
  // read then ends without touching the document.
  bool Ended() const { return ended_; }

  // What the position shows when the TOC cannot be read.
  void PresetTrackTable() {
    c_.table[1] = 500;
    c_.table[2] = 450000;
    c_.trackCount = 1;
  }

  // Takes the TOC, checks the requested track number against it and finds
  // the track's sectors. A data track is refused like a wrong number.
  TocOutcome AcceptToc(const std::uint8_t* toc, std::size_t size) {
    const std::optional<std::uint32_t> count = ParseToc(toc, size, c_.table, c_.controls);
    if (!count) return TocOutcome::Unparsable;
    c_.trackCount = *count;
    c_.host.WriteLine(kTocRead);
    const int track = c_.host.TrackNumber();
    if (track < 1 || static_cast<std::uint32_t>(track) > c_.trackCount) {
      c_.host.WriteLine(kInvalidTrack);
      return TocOutcome::WrongTrack;
    }
    span_ = {c_.table[track], c_.table[track + 1]};
    c_.host.WriteLine(std::to_string(c_.trackCount) + " Tracks gefunden...");
    if ((c_.controls[track] & kDataTrackControl) != 0) {
      c_.host.WriteLine(DataTrackLine(track));
      return TocOutcome::WrongTrack;
    }
    return TocOutcome::Accepted;
  }

  // The disc's CD-Text, where it has one (READ TOC format 5): kept for the
  // dialog and the window, and the chosen track's named in the messages.
  // A drive or disc without it answers with an error, which is no error of
  // the read.
  void ReadCdText(DriveChannel& channel) {
    const DriveReply reply = channel.Send(ReadCdTextCdb(kCdTextBytes), kCdTextBytes, kTocTimeoutSeconds, 0);
    c_.text = reply.good ? ParseCdText(channel.Data(), std::min<std::size_t>(reply.transferred, kCdTextBytes))
                         : CdText{};
    const std::string described = c_.text.Describe(c_.host.TrackNumber());
    if (!described.empty()) c_.host.WriteLine("CD-Text: " + described);
  }

  // Sends a command, and again while the drive says it is becoming ready.
  // No disc, or no readiness within 20 seconds, ends the read. The first
  // command after a disc was put in may only be told so (unit attention):
  // that one is sent once more at once.
  DriveReply Ask(DriveChannel& channel, const Cdb& cdb, std::uint32_t length, std::uint32_t timeoutSeconds,
                 std::uint8_t fill) {
    const auto send = [&] {
      DriveReply reply = channel.Send(cdb, length, timeoutSeconds, fill);
      if (reply.sense && IsUnitAttention(*reply.sense)) {
        reply = channel.Send(cdb, length, timeoutSeconds, fill);
      }
      return reply;
    };
    DriveReply reply = send();
    const double start = c_.clock();
    double slept = 0;
    while (reply.sense && IsBecomingReady(*reply.sense) && !c_.cancelRequested) {
      // The sleeps count even when the clock stands still.
      if (slept >= kReadyPatienceSeconds || c_.clock() - start >= kReadyPatienceSeconds) {
        End(kNeverReady);
        return reply;
      }
      if (slept == 0) c_.host.WriteLine(kBecomingReady);
      c_.host.Checkpoint();
      if (c_.cancelRequested) break;
      c_.sleep(kReadyPollSeconds);
      slept += kReadyPollSeconds;
      reply = send();
    }
    if (reply.sense && IsNoMedium(*reply.sense)) End(kNoDisc);
    return reply;
  }

  // Reads the track ten sectors a time; the last request asks only for the
  // sectors up to the track's end. Beside the position, the time the rest
  // of the track will take and the speed.
  void ReadLoop(DriveChannel& channel) {
    std::uint32_t lba = span_.start;
    const TimeLeft timeLeft(c_.clock);
    const auto showProgress = [&] {
      const double done = double(lba - span_.start) / double(span_.end - span_.start);
      const std::optional<double> left = timeLeft.Estimate(done);
      const std::string speed = left ? SpeedPhrase((lba - span_.start) / timeLeft.Elapsed()) : "";
      c_.host.ShowPosition(PositionText(lba, c_.table, c_.trackCount) + TimeLeftPhrase(left) + speed);
    };
    collected_.Start(lba, lba < span_.end ? std::uint64_t{span_.end - lba} * kSectorBytes : 0);
    int failures = 0;
    std::uint32_t failedFrom = lba;  // where the requests failing in a row began
    while (Going() && lba < span_.end) {
      c_.host.Checkpoint();
      if (!Going()) break;
      const auto sectors = std::min(kSectorsPerRequest, span_.end - lba);
      if (!collected_.Fits(sectors * kSectorBytes)) break;
      bool complete = true;
      const std::uint32_t done = ReadRequest(channel, lba, sectors, complete);
      if (complete) {
        failures = 0;
      } else if (failures++ == 0) {
        failedFrom = lba;
      }
      lba += done;
      // Too much fails: what was read before the failures is kept.
      if (failures > kMaxConsecutiveFailures) {
        collected_.DropFrom(failedFrom);
        c_.cancelRequested = true;
      }
      if (lba < span_.end) showProgress();
    }
    if (ended_) return;
    c_.host.ShowPosition(PositionText(lba, c_.table, c_.trackCount));
    for (const std::string& line : GapLines(collected_.Gaps(), span_.start)) c_.host.WriteLine(line);
  }

  // Makes what was collected, if anything, the document's sound.
  void Deliver(AudioDocument& doc) {
    if (!ended_ && !collected_.empty()) ReplaceBlock(doc, collected_.Release(), kCdAudioFormat);
  }

 private:
  bool Going() const { return !c_.cancelRequested && !ended_; }

  void End(const char* line) {
    c_.host.WriteLine(line);
    ended_ = true;
  }

  // Reads up to `sectors` sectors from `lba` and collects the whole sectors
  // that came; returns how many. When none came, `error` tells why and
  // `retryable` whether asking again may help.
  std::uint32_t Fetch(DriveChannel& channel, std::uint32_t lba, std::uint32_t sectors, std::string& error,
                      bool& retryable) {
    const auto length = static_cast<std::uint32_t>(sectors * kSectorBytes);
    const DriveReply reply =
        Ask(channel, ReadCdCdb(lba, static_cast<std::uint8_t>(sectors)), length, kReadTimeoutSeconds, 0xFF);
    retryable = true;
    if (!reply.good) {
      error = reply.errorLine;
      retryable = !(reply.sense && IsIllegalRequest(*reply.sense));
      return 0;
    }
    const auto whole =
        static_cast<std::uint32_t>(std::min<std::size_t>(reply.transferred, length) / kSectorBytes);
    if (whole == 0) {
      error = ShortReplyLine(reply.transferred, length);
      return 0;
    }
    std::uint8_t* data = channel.Data();
    if (c_.host.Karaoke()) KaraokeTransform(data, whole * kFramesPerSector);
    collected_.Append(data, whole * kSectorBytes);
    return whole;
  }

  // One request: asked again when it fails, then sector by sector, silence
  // standing in for the sectors that stay unreadable (for all of them when
  // the drive refuses the request as such). Returns the sectors dealt with;
  // `complete` turns false when any became silence.
  std::uint32_t ReadRequest(DriveChannel& channel, std::uint32_t lba, std::uint32_t sectors, bool& complete) {
    std::string error;
    bool retryable = true;
    std::uint32_t got = Fetch(channel, lba, sectors, error, retryable);
    for (int retry = 0; got == 0 && retryable && retry < kRetries && Going(); ++retry) {
      c_.host.Checkpoint();
      if (Going()) got = Fetch(channel, lba, sectors, error, retryable);
    }
    if (got > 0 || !Going()) return got;
    c_.host.WriteLine(error);
    complete = false;
    if (!retryable) {
      collected_.AppendSilence(lba, sectors);
      return sectors;
    }
    std::uint32_t done = 0;
    for (; done < sectors; ++done) {
      c_.host.Checkpoint();
      if (!Going()) break;
      std::string ignored;
      if (Fetch(channel, lba + done, 1, ignored, retryable) == 0) {
        if (ended_) break;
        collected_.AppendSilence(lba + done, 1);
      }
    }
    return done;
  }

  ReadContext c_;
  TrackSpan span_;
  CollectedSectors collected_;
  bool ended_ = false;
};

// Each transport's read returns false when the operation ended at once (a
// wrong track, no disc, a drive that never got ready) and true when it ran
// its course.

bool ReadThroughPassThrough(PassThroughTransport& transport, const CDDrive& drive, ReadRun& run) {
  TrackReadHost& host = run.host();
  const std::unique_ptr<PassThroughDrive> opened = transport.Open(drive.Device);
  if (!opened) {
    host.WriteLine(kNoPassThrough);
    return true;
  }
  auto record = std::make_unique<PassThroughRecord>();
  PassThroughChannel channel(*opened, *record);
  run.PresetTrackTable();
  const DriveReply toc = run.Ask(channel, ReadTocCdb(), kTocBytes, kTocTimeoutSeconds, 0);
  if (run.Ended()) return false;
  if (toc.good) {
    const TocOutcome outcome = run.AcceptToc(channel.Data(), std::min(toc.transferred, kTocBytes));
    if (outcome == TocOutcome::WrongTrack) return false;
    if (outcome == TocOutcome::Unparsable) host.WriteLine(kTocUnreadable);
    if (outcome == TocOutcome::Accepted) run.ReadCdText(channel);
  } else {
    host.WriteLine(kTocUnreadable);
  }
  host.WriteLine(kStart);
  run.ReadLoop(channel);
  return !run.Ended();
}

bool ReadGenericToc(ScsiGenericLayer& layer, const CDDrive& drive, AlignedTransferBuffer& buffer,
                    ReadRun& run) {
  TrackReadHost& host = run.host();
  const std::unique_ptr<CompletionEvent> event = layer.CreateEvent();
  if (!event) {
    host.WriteLine(kNoEvent);
    return true;
  }
  run.PresetTrackTable();
  GenericChannel channel(layer, drive, buffer, *event);
  const DriveReply toc = run.Ask(channel, ReadTocCdb(), kTocBytes, kTocTimeoutSeconds, 0);
  if (run.Ended()) return false;
  if (!toc.good) {
    host.WriteLine("Fehler " + std::to_string(toc.status) + "! Konnte TOC nicht lesen...");
    return true;
  }
  const TocOutcome outcome = run.AcceptToc(buffer.data(), std::min(toc.transferred, kTocBytes));
  if (outcome == TocOutcome::Unparsable) host.WriteLine(kTocUnreadable);
  if (outcome == TocOutcome::Accepted) run.ReadCdText(channel);
  return outcome != TocOutcome::WrongTrack;
}

bool ReadThroughGeneric(ScsiGenericLoader& loader, const CDDrive& drive, ReadRun& run) {
  TrackReadHost& host = run.host();
  AlignedTransferBuffer buffer;
  const std::unique_ptr<ScsiGenericLayer> layer = loader.Load();
  if (!layer) {
    host.WriteLine(LayerMissingLine());
    return true;
  }
  const auto supportStatus = static_cast<std::uint8_t>(layer->GetASPI32SupportInfo() >> 8);
  if (supportStatus != SS_COMP && supportStatus != SS_NO_ADAPTERS) {
    host.WriteLine(kLayerNotInitialised);
    return true;
  }
  if (!ReadGenericToc(*layer, drive, buffer, run)) return false;
  host.WriteLine(kStart);
  const std::unique_ptr<CompletionEvent> event = layer->CreateEvent();
  if (!event) {
    host.WriteLine(kNoEvent);
    return true;
  }
  GenericChannel channel(*layer, drive, buffer, *event);
  run.ReadLoop(channel);
  return !run.Ended();
}

}  // namespace

void SleepSeconds(double seconds) { std::this_thread::sleep_for(std::chrono::duration<double>(seconds)); }

TrackReader::TrackReader(PassThroughTransport& passThrough, ScsiGenericLoader& generic)
    : passThrough_(passThrough), generic_(generic) {}

void TrackReader::ReadTrack(const CDDriveList& drives, int driveIndex, AudioDocument& doc,
                                 TrackReadHost& host) {
  cancelRequested_ = false;
  if (driveIndex < 0 || driveIndex >= std::min(drives.CDDriveCount, kMaxCdDrives)) {
    host.WriteLine(kNoDrive);
    return;
  }
  const CDDrive& drive = drives.CDDriveTable[static_cast<std::size_t>(driveIndex)];
  ReadRun run({trackTable_, trackControls_, cdText_, trackCount_, cancelRequested_, host, clock_, sleep_});
  const bool ranItsCourse = drives.UseSPTI ? ReadThroughPassThrough(passThrough_, drive, run)
                                           : ReadThroughGeneric(generic_, drive, run);
  if (!ranItsCourse) return;
  run.Deliver(doc);
  host.WriteLine(kDone);
}

void TrackReader::ReportPosition(std::uint32_t lba, TrackReadHost& host) const {
  host.ShowPosition(PositionText(lba, trackTable_, trackCount_));
}

}  // namespace sonavix::cdda
