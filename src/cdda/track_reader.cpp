// Reading one track: the TOC gives the track's first sector and the first
// sector after it; the sectors in between are read ten at a time and
// collected, and what was collected becomes the document's sound.
//
// What real drives do on the way: a disc just put in is spun up for some
// seconds, during which the drive answers "becoming ready"; the reader asks
// again for up to 20 seconds. Without a disc, without a TOC, or when the
// drive never gets ready, the read ends and the document stays as it was.
// A request that fails is asked three more times (not while a run of
// failures goes on), then its sectors one by one; silence takes the place
// of the sectors that stay unreadable, and every sector that can be read is
// kept, however long the unreadable run. A reply may be short with good
// status: only its whole sectors are taken, and the rest is asked for by
// the next request. The last audio track of an Enhanced CD ends with its
// session (sessions.h). A verified read reads every request twice and
// again until two reads agree.

#include "cdda/track_reader.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cerrno>
#include <cstring>
#include <memory>
#include <optional>
#include <thread>

#include "cdda/cd_text.h"
#include "cdda/collected_sectors.h"
#include "cdda/drive_channel.h"
#include "cdda/read_messages.h"
#include "cdda/sessions.h"
#include "cdda/track_checksums.h"

namespace sonavix::cdda {

namespace {

constexpr std::uint32_t kTocTimeoutSeconds = 2;
constexpr std::uint32_t kReadTimeoutSeconds = 200;
// After this many requests in a row that left sectors unread, a failing
// request is no longer asked again whole: its sectors are tried one by one
// at once.
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

constexpr int kMostVerifyReads = 10;

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
    lastAudioTrack_ = static_cast<int>(c_.trackCount);
    while (lastAudioTrack_ > 1 && (c_.controls[lastAudioTrack_] & kDataTrackControl) != 0) --lastAudioTrack_;
    c_.host.WriteLine(std::to_string(c_.trackCount) + " Tracks gefunden...");
    if ((c_.controls[track] & kDataTrackControl) != 0) {
      c_.host.WriteLine(DataTrackLine(track));
      return TocOutcome::WrongTrack;
    }
    return TocOutcome::Accepted;
  }

  // An Enhanced CD's last audio track ends with the first session, not at
  // the data track's start. A drive that knows no sessions changes nothing.
  void FindSessionEnd(DriveChannel& channel) {
    const int track = c_.host.TrackNumber();
    DriveReply reply = Ask(channel, ReadFullTocCdb(), kFullTocBytes, kTocTimeoutSeconds, 0);
    if (ended_) return;
    std::optional<std::uint32_t> end;
    if (reply.good) end = SessionLeadOut(channel.Data(), std::min(reply.transferred, kFullTocBytes), track);
    if (!end) {
      reply = Ask(channel, ReadSessionInfoCdb(), 12, kTocTimeoutSeconds, 0);
      if (ended_) return;
      const std::optional<int> last = reply.good ? FirstTrackOfLastSession(channel.Data(), 12) : std::nullopt;
      if (last && *last == track + 1 && span_.end > span_.start + kSessionGapSectors)
        end = span_.end - kSessionGapSectors;
      if (last) lastAudioTrack_ = *last - 1;
    } else if (*end < span_.end) {
      lastAudioTrack_ = track;
    }
    if (end && *end > span_.start && *end < span_.end) span_.end = *end;
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
    int failures = 0;  // requests in a row that left sectors unread
    while (Going() && lba < span_.end) {
      c_.host.Checkpoint();
      if (!Going()) break;
      const auto sectors = std::min(kSectorsPerRequest, span_.end - lba);
      if (!collected_.Fits(sectors * kSectorBytes)) break;
      bool complete = true;
      lba += ReadRequest(channel, lba, sectors, complete, failures > kMaxConsecutiveFailures ? 0 : kRetries);
      failures = complete ? 0 : failures + 1;
      if (lba < span_.end) showProgress();
    }
    if (ended_) return;
    // The place reached in the track read: at its end, its length (the end
    // is where the next track starts, but that is not where the read stands).
    c_.host.ShowPosition(TrackTimeText(c_.host.TrackNumber(), lba - span_.start));
    const std::vector<SilencedGap>& gaps = collected_.Gaps();
    for (const std::string& line : GapLines(gaps, span_.start)) c_.host.WriteLine(line);
    std::uint32_t lost = 0;
    for (const SilencedGap& gap : gaps) lost += gap.sectors;
    if (lost > 0) c_.host.WriteLine(LostLine(lost, lba - span_.start));
    for (const std::string& line : disagreements_) c_.host.WriteLine(line);
    if (!collected_.empty() && lba == span_.end) {
      const int track = c_.host.TrackNumber();
      c_.host.WriteLine(collected_.Checksums(track == 1, track == lastAudioTrack_));
    }
  }

  // Makes what was collected, if anything, the document's sound; a track
  // of which no sector could be read leaves the document as it was.
  // False when nothing could be read.
  bool Deliver(AudioDocument& doc) {
    if (ended_ || collected_.empty()) return true;
    if (!readAny_) {
      c_.host.WriteLine(kNothingReadable);
      return false;
    }
    ReplaceBlock(doc, collected_.Release(), kCdAudioFormat);
    return true;
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
    if (c_.host.Verify() && !Verified(channel, lba, whole)) data = channel.Data();
    if (c_.host.Karaoke()) KaraokeTransform(data, whole * kFramesPerSector);
    collected_.Append(data, whole * kSectorBytes);
    readAny_ = true;
    return whole;
  }

  // Reads the `whole` sectors in the data area again until two reads agree,
  // ten reads at most; the data area then holds a read that another one
  // agreed with, or the last. False (and a line for the memo) when none did.
  bool Verified(DriveChannel& channel, std::uint32_t lba, std::uint32_t whole) {
    const std::size_t bytes = whole * kSectorBytes;
    std::vector<std::vector<std::uint8_t>> reads{{channel.Data(), channel.Data() + bytes}};
    for (int read = 1; read < kMostVerifyReads && Going(); ++read) {
      const DriveReply reply = Ask(channel, ReadCdCdb(lba, static_cast<std::uint8_t>(whole)),
                                   static_cast<std::uint32_t>(bytes), kReadTimeoutSeconds, 0xFF);
      if (!reply.good || reply.transferred < bytes) continue;
      for (const std::vector<std::uint8_t>& earlier : reads)
        if (std::memcmp(earlier.data(), channel.Data(), bytes) == 0) return true;
      reads.emplace_back(channel.Data(), channel.Data() + bytes);
    }
    std::memcpy(channel.Data(), reads.back().data(), bytes);
    disagreements_.push_back("Keine zwei Lesungen stimmten überein bei " +
                             TrackTime(lba - span_.start) + " (" + std::to_string(whole) + " Sektoren)...");
    return false;
  }

  // One request: asked again when it fails, then sector by sector, silence
  // standing in for the sectors that stay unreadable (for all of them when
  // the drive refuses the request as such). Returns the sectors dealt with;
  // `complete` turns false when any became silence. `retries`: how often a
  // failing request is asked again whole.
  std::uint32_t ReadRequest(DriveChannel& channel, std::uint32_t lba, std::uint32_t sectors, bool& complete,
                            int retries) {
    std::string error;
    bool retryable = true;
    std::uint32_t got = Fetch(channel, lba, sectors, error, retryable);
    for (int retry = 0; got == 0 && retryable && retry < retries && Going(); ++retry) {
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
  bool readAny_ = false;    // a sector, at least, came from the disc
  int lastAudioTrack_ = 0;  // of the disc, for the AccurateRip sums
  std::vector<std::string> disagreements_;  // of a verified read
};

// Each transport's read returns false when the operation ended at once (no
// TOC, a wrong track, no disc, a drive that never got ready) and true when
// it ran its course.

// The TOC, the end of the track's session and the CD-Text, through an open
// channel; false when the read cannot go on.
bool ReadToc(DriveChannel& channel, ReadRun& run) {
  const DriveReply toc = run.Ask(channel, ReadTocCdb(), kTocBytes, kTocTimeoutSeconds, 0);
  if (run.Ended()) return false;
  if (!toc.good) {
    run.host().WriteLine(TocUnreadableLine(toc.errorLine));
    return false;
  }
  const TocOutcome outcome = run.AcceptToc(channel.Data(), std::min(toc.transferred, kTocBytes));
  if (outcome == TocOutcome::Unparsable) run.host().WriteLine(TocUnreadableLine({}));
  if (outcome != TocOutcome::Accepted) return false;
  run.FindSessionEnd(channel);
  if (run.Ended()) return false;
  run.ReadCdText(channel);
  return true;
}

bool ReadThroughPassThrough(PassThroughTransport& transport, const CDDrive& drive, ReadRun& run) {
  TrackReadHost& host = run.host();
  const std::unique_ptr<PassThroughDrive> opened = transport.Open(drive.Device);
  if (!opened) {
    host.WriteLine(CannotOpenLine("/dev/" + drive.Device, errno));
    return false;
  }
  auto record = std::make_unique<PassThroughRecord>();
  PassThroughChannel channel(*opened, *record);
  if (!ReadToc(channel, run)) return false;
  host.WriteLine(kStart);
  run.ReadLoop(channel);
  return !run.Ended();
}

bool ReadThroughGeneric(ScsiGenericLoader& loader, const CDDrive& drive, ReadRun& run) {
  TrackReadHost& host = run.host();
  AlignedTransferBuffer buffer;
  const std::unique_ptr<ScsiGenericLayer> layer = loader.Load();
  if (!layer) {
    host.WriteLine(kNoCdDrive);
    return false;
  }
  const auto supportStatus = static_cast<std::uint8_t>(layer->GetASPI32SupportInfo() >> 8);
  const std::unique_ptr<CompletionEvent> event = layer->CreateEvent();
  if (supportStatus != SS_COMP && supportStatus != SS_NO_ADAPTERS) {
    host.WriteLine(kGenericUnusable);
    return false;
  }
  if (!event) {
    host.WriteLine(kNoEvent);
    return false;
  }
  GenericChannel channel(*layer, drive, buffer, *event);
  if (!ReadToc(channel, run)) return false;
  host.WriteLine(kStart);
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
    host.WriteLine(drives.Absent.empty() ? kNoCdDrive : drives.Absent);
    return;
  }
  const CDDrive& drive = drives.CDDriveTable[static_cast<std::size_t>(driveIndex)];
  ReadRun run({trackTable_, trackControls_, cdText_, trackCount_, cancelRequested_, host, clock_, sleep_});
  const bool ranItsCourse = drives.UseSPTI ? ReadThroughPassThrough(passThrough_, drive, run)
                                           : ReadThroughGeneric(generic_, drive, run);
  if (!ranItsCourse) return;
  if (run.Deliver(doc)) host.WriteLine(kDone);
}

void TrackReader::ReportPosition(std::uint32_t lba, TrackReadHost& host) const {
  host.ShowPosition(PositionText(lba, trackTable_, trackCount_));
}

}  // namespace sonavix::cdda
