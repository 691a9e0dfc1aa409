#include "cdda/track_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "cdda/emulated_transports.h"

namespace sonavix::cdda {
namespace {

using Lines = std::vector<std::string>;

class RecordingHost final : public TrackReadHost {
 public:
  void WriteLine(const std::string& line) override { lines.push_back(line); }
  void ShowPosition(const std::string& text) override { label = text; }
  void ProcessMessages() override {
    ++processed;
    if (onProcess) onProcess(processed);
  }
  int TrackNumber() const override { return track; }
  bool Karaoke() const override { return karaoke; }

  Lines lines;
  std::string label;
  int track = 1;
  bool karaoke = false;
  int processed = 0;
  std::function<void(int)> onProcess;
};

// One emulated drive behind both transports, listed as the only drive.
class TrackReaderTest : public ::testing::Test {
 protected:
  TrackReaderTest() {
    passThrough.devices.push_back({"sr0", drive});
    generic.devices[{0, 3}] = {DTYPE_CDROM, drive};
    drives.CDDriveCount = 1;
    drives.CDDriveTable[0].Device = "sr0";
    drives.CDDriveTable[0].HostAdapter = 0;
    drives.CDDriveTable[0].Target = 3;
    drives.CDDriveTable[0].Name = "EMULATED CD-ROM ";
    // A sound the reads must replace or leave alone.
    doc.SampleData = std::make_unique<std::uint8_t[]>(4);
    doc.DataSize = 4;
    doc.SelStart = 1;
    doc.SelEnd = 3;
    doc.SampleRate = 22050;
  }

  void UseGenericLayer() { drives.UseSPTI = false; }

  void Disc(std::vector<std::uint32_t> starts, std::uint32_t leadOut) {
    drive->disc.trackStarts = std::move(starts);
    drive->disc.leadOut = leadOut;
  }

  void Read(int track) {
    host.track = track;
    reader.SaveTrackClick(drives, 0, doc, host);
  }

  std::vector<EmulatedCdDrive::Command> ReadCommands() const {
    std::vector<EmulatedCdDrive::Command> reads;
    for (const auto& command : drive->log)
      if (!command.cdb.empty() && command.cdb[0] == 0xBE) reads.push_back(command);
    return reads;
  }

  static std::uint32_t Lba(const EmulatedCdDrive::Command& command) {
    return std::uint32_t{command.cdb[2]} << 24 | command.cdb[3] << 16 | command.cdb[4] << 8 |
           command.cdb[5];
  }

  // True when `bytes` bytes of the document from `at` on hold the disc's
  // sectors from `lba` on.
  bool HoldsSectors(std::size_t at, std::uint32_t lba, std::size_t bytes) const {
    if (at + bytes > static_cast<std::size_t>(doc.DataSize)) return false;
    for (std::size_t i = 0; i < bytes; ++i) {
      const auto sector = lba + static_cast<std::uint32_t>(i / kSectorBytes);
      if (doc.SampleData[at + i] != EmulatedDisc::SectorByte(sector, i % kSectorBytes)) return false;
    }
    return true;
  }
  bool HoldsSectorsFrom(std::uint32_t lba) const {
    return HoldsSectors(0, lba, static_cast<std::size_t>(doc.DataSize));
  }

  void ExpectDocumentUntouched() const {
    EXPECT_EQ(doc.DataSize, 4);
    EXPECT_EQ(doc.SampleRate, 22050);
    EXPECT_EQ(doc.SelStart, 1);
    EXPECT_EQ(doc.SelEnd, 3);
    EXPECT_FALSE(doc.IsStereo);
  }

  std::shared_ptr<EmulatedCdDrive> drive = std::make_shared<EmulatedCdDrive>();
  EmulatedPassThrough passThrough;
  EmulatedScsiGeneric generic;
  CDDriveList drives;
  TrackReader reader{passThrough, generic};
  AudioDocument doc;
  RecordingHost host;
};

constexpr std::int32_t kRequestSize = static_cast<std::int32_t>(kRequestBytes);

TEST_F(TrackReaderTest, ReadsTheLastTrackOfAThreeTrackDiscIntoTheDocument) {
  Disc({0, 15000, 30000}, 45000);
  Read(3);

  const auto reads = ReadCommands();
  ASSERT_EQ(reads.size(), 1500u);
  EXPECT_EQ(Lba(reads.front()), 30000u);
  EXPECT_EQ(Lba(reads.back()), 44990u);
  EXPECT_EQ(doc.DataSize, 35'280'000);
  EXPECT_TRUE(HoldsSectorsFrom(30000));
  EXPECT_EQ(doc.SampleRate, 44100);
  EXPECT_TRUE(doc.IsStereo);
  EXPECT_TRUE(doc.Is16Bit);
  EXPECT_EQ(doc.SelStart, 0);
  EXPECT_EQ(doc.SelEnd, 0);
  EXPECT_EQ(host.lines,
            (Lines{"TOC eingelesen...", "3 Tracks gefunden...", "Starte Ripping...", "Ripping beendet..."}));
  EXPECT_EQ(host.label, "Track no. 3 Time 00:03:20 s");
  EXPECT_EQ(host.processed, 1500);
  EXPECT_EQ(reader.TrackCount(), 3u);
  EXPECT_EQ(reader.Tracks()[4], 45000u);
}

TEST_F(TrackReaderTest, ThePositionShowsTheTimeLeftWhileReading) {
  // A drive that takes a tenth of a second per request: 100 requests, so
  // after 40 of them 6 seconds remain.
  double now = 0;
  reader.SetClock([&] { return now; });
  std::vector<std::string> labels;
  host.onProcess = [&](int) {
    now += 0.1;
    labels.push_back(host.label);
  };
  Disc({0}, 1000);
  Read(1);
  ASSERT_GE(labels.size(), 50u);
  EXPECT_EQ(labels[1], "Track no. 1 Time 00:00:00 s");  // too early to say
  EXPECT_EQ(labels[41], "Track no. 1 Time 00:00:05 s \u2013 noch 0:06");
  EXPECT_EQ(host.label, "Track no. 1 Time 00:00:13 s") << "the end shows no time left";
}

TEST_F(TrackReaderTest, TheLastRequestStopsAtTheEndOfTheTrack) {
  Disc({0, 23}, 40);
  Read(1);
  auto reads = ReadCommands();
  ASSERT_EQ(reads.size(), 3u);
  EXPECT_EQ(Lba(reads[2]), 20u);
  EXPECT_EQ(reads[2].cdb[8], 3);  // transfer length in sectors
  EXPECT_EQ(reads[2].dataLength, 3 * kSectorBytes);
  EXPECT_EQ(doc.DataSize, static_cast<std::int32_t>(23 * kSectorBytes));
  EXPECT_TRUE(HoldsSectorsFrom(0));
  EXPECT_EQ(host.label, "Track no. 2 Time 00:00:00 s");

  // The last track ends at the lead-out, beyond which the drive reads nothing.
  drive->log.clear();
  host.lines.clear();
  Read(2);
  reads = ReadCommands();
  ASSERT_EQ(reads.size(), 2u);
  EXPECT_EQ(reads[1].cdb[8], 7);
  EXPECT_EQ(doc.DataSize, static_cast<std::int32_t>(17 * kSectorBytes));
  EXPECT_TRUE(HoldsSectorsFrom(23));
  EXPECT_EQ(host.lines.back(), "Ripping beendet...");
  EXPECT_EQ(host.lines.size(), 4u);
}

TEST_F(TrackReaderTest, ElevenFailuresInARowEndTheRead) {
  Disc({0}, 200);
  drive->readFails = [](std::size_t, std::uint32_t) { return SenseError{}; };
  Read(1);
  EXPECT_EQ(drive->reads, 11u);
  EXPECT_TRUE(reader.CancelRequested());
  ExpectDocumentUntouched();
  EXPECT_EQ(host.lines.size(), 3u + 11u + 1u);
  EXPECT_EQ(host.lines.back(), "Ripping beendet...");
}

TEST_F(TrackReaderTest, TenFailuresThenASuccessKeepReadingAndSkipTheFailedSectors) {
  Disc({0}, 200);
  drive->readFails = [](std::size_t index, std::uint32_t) -> std::optional<SenseError> {
    if (index < 10 || index == 15) return SenseError{};
    return std::nullopt;
  };
  Read(1);
  EXPECT_EQ(drive->reads, 20u);
  EXPECT_FALSE(reader.CancelRequested());
  // Sectors 100..149 and 160..199: the failed ones are left out.
  ASSERT_EQ(doc.DataSize, 9 * kRequestSize);
  EXPECT_TRUE(HoldsSectors(0, 100, 5 * kRequestBytes));
  EXPECT_TRUE(HoldsSectors(5 * kRequestBytes, 160, 4 * kRequestBytes));
}

TEST_F(TrackReaderTest, AFailedPassThroughReadNamesStatusSenseAndMeaning) {
  Disc({0}, 20);
  drive->readFails = [](std::size_t index, std::uint32_t) -> std::optional<SenseError> {
    if (index == 0) return SenseError{3, 0x11, 0x05};
    return std::nullopt;
  };
  Read(1);
  ASSERT_EQ(host.lines.size(), 5u);
  EXPECT_EQ(host.lines[3], "Fehler: SCSI Status 2; Code:3;11;5 \"Medium Error: l-ec uncorrectable error\"");
  EXPECT_EQ(doc.DataSize, kRequestSize);
  EXPECT_TRUE(HoldsSectorsFrom(10));
}

TEST_F(TrackReaderTest, CancellingKeepsWhatWasRead) {
  Disc({0}, 1000);
  host.onProcess = [this](int calls) {
    if (calls == 5) reader.RequestCancel();
  };
  Read(1);
  EXPECT_EQ(drive->reads, 4u);
  EXPECT_EQ(doc.DataSize, 4 * kRequestSize);
  EXPECT_TRUE(HoldsSectorsFrom(0));
  EXPECT_EQ(host.lines.back(), "Ripping beendet...");
  EXPECT_EQ(host.label, "Track no. 1 Time 00:00:00 s");

  // The next read starts afresh.
  host.onProcess = nullptr;
  Read(1);
  EXPECT_EQ(drive->reads, 4u + 100u);
}

TEST_F(TrackReaderTest, OutOfMemoryPassesOutAndLeavesTheDocument) {
  Disc({0}, 100);
  host.onProcess = [](int calls) {
    if (calls == 3) throw std::bad_alloc();
  };
  EXPECT_THROW(Read(1), std::bad_alloc);
  ExpectDocumentUntouched();
  EXPECT_NE(host.lines.back(), "Ripping beendet...");
}

TEST_F(TrackReaderTest, KaraokeLeavesTheChannelDifferenceInBothChannels) {
  Disc({0}, 10);
  host.karaoke = true;
  Read(1);
  ASSERT_EQ(doc.DataSize, kRequestSize);
  const auto sample = [](std::uint32_t lba, std::size_t offset) {
    return static_cast<std::int16_t>(EmulatedDisc::SectorByte(lba, offset) |
                                     EmulatedDisc::SectorByte(lba, offset + 1) << 8);
  };
  for (std::int64_t frame = 0; frame < doc.FrameCount(); ++frame) {
    const auto lba = static_cast<std::uint32_t>(frame / kFramesPerSector);
    const std::size_t offset = static_cast<std::size_t>(frame % kFramesPerSector) * 4;
    const int expected = std::clamp(2 * (sample(lba, offset) - sample(lba, offset + 2)) / 3, -32768, 32767);
    ASSERT_EQ(doc.Sample16(2 * frame), expected) << frame;
    ASSERT_EQ(doc.Sample16(2 * frame + 1), expected) << frame;
  }
}

TEST_F(TrackReaderTest, ATrackBeyondTheLastEndsAtOnceForBothTransports) {
  std::vector<std::uint32_t> starts;
  for (std::uint32_t i = 0; i < 12; ++i) starts.push_back(i * 100);
  Disc(starts, 1200);
  Read(13);
  EXPECT_EQ(host.lines, (Lines{"TOC eingelesen...", "Ungültige Track-Nummer..."}));
  EXPECT_EQ(drive->reads, 0u);
  ExpectDocumentUntouched();

  host.lines.clear();
  UseGenericLayer();
  Read(13);
  EXPECT_EQ(host.lines, (Lines{"TOC eingelesen...", "Ungültige Track-Nummer..."}));
  EXPECT_EQ(drive->reads, 0u);
  ExpectDocumentUntouched();
}

TEST_F(TrackReaderTest, AnUnreadableTocReadsNothing) {
  drive->tocFails = SenseError{2, 0x3A, 0};
  Read(1);
  EXPECT_EQ(host.lines, (Lines{"Konnte TOC nicht lesen...", "Starte Ripping...", "Ripping beendet..."}));
  EXPECT_EQ(drive->reads, 0u);
  ExpectDocumentUntouched();

  host.lines.clear();
  UseGenericLayer();
  Read(1);
  EXPECT_EQ(host.lines,
            (Lines{"Fehler 4! Konnte TOC nicht lesen...", "Starte Ripping...", "Ripping beendet..."}));
  EXPECT_EQ(drive->reads, 0u);
  ExpectDocumentUntouched();
}

TEST_F(TrackReaderTest, ATocWhoseLastTrackLiesBelowItsFirstIsRefused) {
  // First track 5, last track 3.
  drive->rawToc = std::vector<std::uint8_t>{0, 10, 5, 3, 0, 0x10, 5, 0, 0, 0, 0, 0};
  for (bool generic : {false, true}) {
    drives.UseSPTI = !generic;
    host.lines.clear();
    Read(1);
    EXPECT_EQ(host.lines, (Lines{"Konnte TOC nicht lesen...", "Starte Ripping...", "Ripping beendet..."}));
    EXPECT_EQ(drive->reads, 0u);
    ExpectDocumentUntouched();
  }
}

TEST_F(TrackReaderTest, NoSelectedDriveReadsNothing) {
  for (int index : {-1, 1}) {
    host.lines.clear();
    reader.SaveTrackClick(drives, index, doc, host);
    EXPECT_EQ(host.lines, Lines{"Kein Laufwerk ausgewählt..."});
  }
  EXPECT_EQ(passThrough.opened, 0);
  EXPECT_EQ(generic.loads, 0);
  EXPECT_TRUE(drive->log.empty());
  ExpectDocumentUntouched();
}

TEST_F(TrackReaderTest, ADriveThatDoesNotOpenIsReported) {
  passThrough.devices[0].opens = false;
  Read(1);
  EXPECT_EQ(host.lines, (Lines{"Kein Laufwerkszugriff über SPTI möglich...", "Ripping beendet..."}));
  ExpectDocumentUntouched();
}

TEST_F(TrackReaderTest, TheGenericLayerReadsTheTrackToo) {
  UseGenericLayer();
  Disc({0, 40}, 75);
  drive->readFails = [](std::size_t index, std::uint32_t) -> std::optional<SenseError> {
    if (index == 1) return SenseError{};
    return std::nullopt;
  };
  Read(2);
  EXPECT_EQ(host.lines, (Lines{"TOC eingelesen...", "2 Tracks gefunden...", "Starte Ripping...",
                               "Fehler 4 beim Ausführen des SCSI Kommandos...", "Ripping beendet..."}));
  const auto reads = ReadCommands();
  ASSERT_EQ(reads.size(), 4u);
  EXPECT_EQ(reads[3].cdb[8], 5);
  EXPECT_EQ(doc.DataSize, static_cast<std::int32_t>(25 * kSectorBytes));
  EXPECT_TRUE(HoldsSectors(0, 40, kRequestBytes));
  EXPECT_TRUE(HoldsSectors(kRequestBytes, 60, 15 * kSectorBytes));
  EXPECT_EQ(generic.loads, 1);
  EXPECT_EQ(passThrough.opened, 0);
}

TEST_F(TrackReaderTest, GenericLayerProblemsAreReported) {
  UseGenericLayer();
  Disc({0}, 10);
  generic.missing = true;
  Read(1);
  EXPECT_EQ(host.lines, (Lines{"Konnte ASPI Layer nicht laden. Downloaden Sie den ASPI-Treiber von "
                               "https://sg.danny.cz/sg/!",
                               "Ripping beendet..."}));

  generic.missing = false;
  generic.supportStatus = SS_ERR;
  host.lines.clear();
  Read(1);
  EXPECT_EQ(host.lines, (Lines{"Konnte ASPI Layer nicht initialisieren...", "Ripping beendet..."}));

  generic.supportStatus = SS_NO_ADAPTERS;
  generic.eventsFail = true;
  host.lines.clear();
  Read(1);
  EXPECT_EQ(host.lines, (Lines{"Fehler beim Ausführen des SCSI Kommandos...", "Starte Ripping...",
                               "Fehler beim Ausführen des SCSI Kommandos...", "Ripping beendet..."}));
  EXPECT_TRUE(drive->log.empty());
  ExpectDocumentUntouched();
}

}  // namespace
}  // namespace sonavix::cdda
