// Reading one track: the TOC gives the track's first sector and the first
// sector after it; the sectors in between are read ten at a time and
// collected, and what was collected becomes the document's sound.

#include "cdda/track_reader.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>

#include "cdda/sense_messages.h"

namespace sonavix::cdda {

namespace {

constexpr std::uint32_t kTocTimeoutSeconds = 2;
constexpr std::uint32_t kReadTimeoutSeconds = 200;
// Eleven failed requests in a row end the read.
constexpr int kMaxConsecutiveFailures = 10;
constexpr SoundFormat kCdAudioFormat{44100, true, true};

constexpr const char* kNoDrive = "Kein Laufwerk ausgewählt...";
constexpr const char* kNoPassThrough = "Kein Laufwerkszugriff über SPTI möglich...";
constexpr const char* kTocUnreadable = "Konnte TOC nicht lesen...";
constexpr const char* kTocRead = "TOC eingelesen...";
constexpr const char* kInvalidTrack = "Ungültige Track-Nummer...";
constexpr const char* kStart = "Starte Ripping...";
constexpr const char* kDone = "Ripping beendet...";
constexpr const char* kLayerNotInitialised = "Konnte ASPI Layer nicht initialisieren...";
constexpr const char* kNoEvent = "Fehler beim Ausführen des SCSI Kommandos...";

std::string LayerMissingLine() {
  return std::string("Konnte ASPI Layer nicht laden. Downloaden Sie den ASPI-Treiber von ") +
         kScsiGenericDriverAddress + "!";
}

std::string Hex(unsigned value) {
  char text[8];
  std::snprintf(text, sizeof text, "%X", value);
  return text;
}

std::string PassThroughErrorLine(const PassThroughRecord& record) {
  const SenseFields sense = ParseSense(record.Sense(), kSenseInfoLength);
  return "Fehler: SCSI Status " + std::to_string(record.ScsiStatus()) + "; Code:" +
         Hex(sense.byte2) + ";" + Hex(sense.asc) + ";" + Hex(sense.ascq) + " \"" +
         geterrorMessage(sense.byte2, sense.asc, sense.ascq) + "\"";
}

std::string GenericErrorLine(std::uint8_t status) {
  return "Fehler " + std::to_string(status) + " beim Ausführen des SCSI Kommandos...";
}

// The sectors read so far. The first block read makes room for the whole
// track, so a complete read is never copied; should more come, the block
// doubles. It never grows beyond what the document's 32-bit size can hold.
class CollectedBlock {
 public:
  void ExpectTotal(std::uint64_t bytes) {
    expected_ = static_cast<std::int32_t>(
        std::min<std::uint64_t>(bytes, std::numeric_limits<std::int32_t>::max()));
  }
  bool empty() const { return size_ == 0; }
  bool Fits(std::size_t bytes) const {
    return bytes <= static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max() - size_);
  }
  // Throws std::bad_alloc when the block cannot grow.
  void Append(const std::uint8_t* data, std::size_t bytes) {
    const auto needed = static_cast<std::int32_t>(size_ + bytes);
    if (needed > block_.size) Grow(needed);
    std::memcpy(block_.bytes.get() + size_, data, bytes);
    size_ = needed;
  }
  SampleBlock Release() {
    block_.size = size_;
    return std::move(block_);
  }

 private:
  void Grow(std::int32_t needed) {
    const std::int32_t wanted = block_.size == 0 ? expected_
                                : block_.size > std::numeric_limits<std::int32_t>::max() / 2
                                    ? needed
                                    : 2 * block_.size;
    SampleBlock bigger = SampleBlock::Allocate(std::max(needed, wanted));
    if (size_ > 0) std::memcpy(bigger.bytes.get(), block_.bytes.get(), static_cast<std::size_t>(size_));
    block_ = std::move(bigger);
  }

  SampleBlock block_;  // block_.size is the capacity until released
  std::int32_t size_ = 0;
  std::int32_t expected_ = 0;
};

// One READ CD request through either transport. Read gives the sectors'
// bytes, writable so that the karaoke transform can work in place, or null
// after writing nothing and setting `error` to the line for the failure.
class SectorSource {
 public:
  virtual ~SectorSource() = default;
  virtual std::uint8_t* Read(std::uint32_t lba, std::uint8_t sectors, std::string& error) = 0;
};

class PassThroughSource final : public SectorSource {
 public:
  PassThroughSource(PassThroughDrive& drive, PassThroughRecord& record)
      : drive_(drive), record_(record) {}

  std::uint8_t* Read(std::uint32_t lba, std::uint8_t sectors, std::string& error) override {
    record_.Prepare(ReadCdCdb(lba, sectors), static_cast<std::uint32_t>(sectors * kSectorBytes),
                    kReadTimeoutSeconds);
    std::fill_n(record_.Data(), kDataAreaSize, std::uint8_t{0xFF});
    if (SendRequest(drive_, record_)) return record_.Data();
    error = PassThroughErrorLine(record_);
    return nullptr;
  }

 private:
  PassThroughDrive& drive_;
  PassThroughRecord& record_;
};

// A command record for the drive, with the transfer buffer and the event.
SRB_ExecSCSICmd CommandFor(const CDDrive& drive, const Cdb& cdb, std::uint32_t length,
                           AlignedTransferBuffer& buffer, CompletionEvent& event) {
  return MakeExecCommand(drive.HostAdapter, drive.Target, drive.Lun, cdb, length, buffer.data(), event);
}

class GenericSource final : public SectorSource {
 public:
  GenericSource(ScsiGenericLayer& layer, const CDDrive& drive, AlignedTransferBuffer& buffer,
                CompletionEvent& event)
      : layer_(layer), drive_(drive), buffer_(buffer), event_(event) {}

  std::uint8_t* Read(std::uint32_t lba, std::uint8_t sectors, std::string& error) override {
    SRB_ExecSCSICmd srb = CommandFor(drive_, ReadCdCdb(lba, sectors),
                                     static_cast<std::uint32_t>(sectors * kSectorBytes), buffer_, event_);
    const std::uint8_t status = ExecuteAndWait(layer_, srb, event_);
    if (status == SS_COMP) return buffer_.data();
    error = GenericErrorLine(status);
    return nullptr;
  }

 private:
  ScsiGenericLayer& layer_;
  const CDDrive& drive_;
  AlignedTransferBuffer& buffer_;
  CompletionEvent& event_;
};

struct TrackSpan {
  std::uint32_t start = 0;  // first sector of the track
  std::uint32_t end = 0;    // first sector after it
};

enum class TocOutcome { Accepted, Refused, InvalidTrack };

// The state of one read, shared by both transports: the reader's track
// table and cancel flag, the track's sectors and what was collected.
class ReadRun {
 public:
  ReadRun(TrackTable& table, std::uint32_t& trackCount, bool& cancelRequested, TrackReadHost& host,
          const SecondsClock& clock)
      : table_(table), trackCount_(trackCount), cancelRequested_(cancelRequested), host_(host),
        clock_(clock) {}

  TrackReadHost& host() { return host_; }

  // What the position shows when the TOC cannot be read.
  void PresetTrackTable() {
    table_[1] = 500;
    table_[2] = 450000;
    trackCount_ = 1;
  }

  // Takes the TOC, checks the requested track number against it and finds
  // the track's sectors.
  TocOutcome AcceptToc(const std::uint8_t* toc) {
    const std::optional<std::uint32_t> count = ParseToc(toc, kTocBytes, table_);
    if (!count) return TocOutcome::Refused;
    trackCount_ = *count;
    host_.WriteLine(kTocRead);
    const int track = host_.TrackNumber();
    if (track < 1 || static_cast<std::uint32_t>(track) > trackCount_) {
      host_.WriteLine(kInvalidTrack);
      return TocOutcome::InvalidTrack;
    }
    span_ = {table_[track], table_[track + 1]};
    host_.WriteLine(std::to_string(trackCount_) + " Tracks gefunden...");
    return TocOutcome::Accepted;
  }

  // Reads the track ten sectors a time; the last request asks only for the
  // sectors up to the track's end. A failed request is not retried: its
  // sectors are skipped.
  void ReadLoop(SectorSource& source) {
    std::uint32_t lba = span_.start;
    const TimeLeft timeLeft(clock_);
    // Beside the position, the time the rest of the track will take.
    const auto showProgress = [&] {
      const double done = double(lba - span_.start) / double(span_.end - span_.start);
      host_.ShowPosition(ChangeSecText(lba, table_, trackCount_) + TimeLeftPhrase(timeLeft.Estimate(done)));
    };
    if (lba < span_.end) collected_.ExpectTotal(std::uint64_t{span_.end - lba} * kSectorBytes);
    int failures = 0;
    std::string error;
    while (!cancelRequested_ && lba < span_.end) {
      host_.ProcessMessages();
      if (cancelRequested_) break;
      const auto sectors = static_cast<std::uint8_t>(std::min(kSectorsPerRequest, span_.end - lba));
      const std::size_t bytes = sectors * kSectorBytes;
      if (!collected_.Fits(bytes)) break;
      if (std::uint8_t* data = source.Read(lba, sectors, error)) {
        if (host_.Karaoke()) KaraokeTransform(data, sectors * kFramesPerSector);
        collected_.Append(data, bytes);
        failures = 0;
      } else {
        host_.WriteLine(error);
        if (++failures > kMaxConsecutiveFailures) cancelRequested_ = true;
      }
      lba += sectors;
      if (lba < span_.end) showProgress();
    }
    ShowPosition(lba);
  }

  // Makes what was collected, if anything, the document's sound.
  void Deliver(AudioDocument& doc) {
    if (!collected_.empty()) ReplaceBlock(doc, collected_.Release(), kCdAudioFormat);
  }

 private:
  void ShowPosition(std::uint32_t lba) { host_.ShowPosition(ChangeSecText(lba, table_, trackCount_)); }

  TrackTable& table_;
  std::uint32_t& trackCount_;
  bool& cancelRequested_;
  TrackReadHost& host_;
  const SecondsClock& clock_;
  TrackSpan span_;
  CollectedBlock collected_;
};

// Each transport's read returns false when the operation ended at once (an
// invalid track number) and true when it ran its course.

bool ReadThroughPassThrough(PassThroughTransport& transport, const CDDrive& drive, ReadRun& run) {
  TrackReadHost& host = run.host();
  const std::unique_ptr<PassThroughDrive> opened = transport.Open(drive.Device);
  if (!opened) {
    host.WriteLine(kNoPassThrough);
    return true;
  }
  auto record = std::make_unique<PassThroughRecord>();
  run.PresetTrackTable();
  record->Prepare(ReadTocCdb(), kTocBytes, kTocTimeoutSeconds);
  if (SendRequest(*opened, *record)) {
    const TocOutcome outcome = run.AcceptToc(record->Data());
    if (outcome == TocOutcome::InvalidTrack) return false;
    if (outcome == TocOutcome::Refused) host.WriteLine(kTocUnreadable);
  } else {
    host.WriteLine(kTocUnreadable);
  }
  host.WriteLine(kStart);
  PassThroughSource source(*opened, *record);
  run.ReadLoop(source);
  return true;
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
  std::fill_n(buffer.data(), kTocBytes, std::uint8_t{0});
  SRB_ExecSCSICmd srb = CommandFor(drive, ReadTocCdb(), kTocBytes, buffer, *event);
  const std::uint8_t status = ExecuteAndWait(layer, srb, *event);
  if (status != SS_COMP) {
    host.WriteLine("Fehler " + std::to_string(status) + "! Konnte TOC nicht lesen...");
    return true;
  }
  const TocOutcome outcome = run.AcceptToc(buffer.data());
  if (outcome == TocOutcome::Refused) host.WriteLine(kTocUnreadable);
  return outcome != TocOutcome::InvalidTrack;
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
  GenericSource source(*layer, drive, buffer, *event);
  run.ReadLoop(source);
  return true;
}

}  // namespace

TrackReader::TrackReader(PassThroughTransport& passThrough, ScsiGenericLoader& generic)
    : passThrough_(passThrough), generic_(generic) {}

void TrackReader::SaveTrackClick(const CDDriveList& drives, int driveIndex, AudioDocument& doc,
                                 TrackReadHost& host) {
  cancelRequested_ = false;
  if (driveIndex < 0 || driveIndex >= std::min(drives.CDDriveCount, kMaxCdDrives)) {
    host.WriteLine(kNoDrive);
    return;
  }
  const CDDrive& drive = drives.CDDriveTable[static_cast<std::size_t>(driveIndex)];
  ReadRun run(trackTable_, trackCount_, cancelRequested_, host, clock_);
  const bool ranItsCourse = drives.UseSPTI ? ReadThroughPassThrough(passThrough_, drive, run)
                                           : ReadThroughGeneric(generic_, drive, run);
  if (!ranItsCourse) return;
  run.Deliver(doc);
  host.WriteLine(kDone);
}

void TrackReader::ChangeSec(std::uint32_t lba, TrackReadHost& host) const {
  host.ShowPosition(ChangeSecText(lba, trackTable_, trackCount_));
}

}  // namespace sonavix::cdda
