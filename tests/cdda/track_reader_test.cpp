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
#include "track_reader_fixture.h"

namespace sonavix::cdda {
namespace {

using namespace reader_test;

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

TEST_F(TrackReaderTest, ThePositionShowsTheTimeLeftAndTheSpeedWhileReading) {
  // A drive that takes a tenth of a second per request: 100 requests, so
  // after 40 of them 6 seconds remain; ten sectors a tenth of a second are
  // 100 a second, 1.3 times as fast as playing.
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
  EXPECT_EQ(labels[41], "Track no. 1 Time 00:00:05 s \u2013 noch 0:06 \u2013 1,3-fach");
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
  EXPECT_EQ(host.label, "Track no. 1 Time 00:00:00 s");  // the track read, not the next

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

TEST_F(TrackReaderTest, ARunOfUnreadableSectorsKeepsEveryOneThatCanBeRead) {
  // Sectors 105 ... 224 of 300 cannot be read: 100 ... 104 and 225 ... 299
  // can, one by one, and are kept; the run is silence, and the memo says
  // how much and where.
  Disc({0}, 300);
  for (std::uint32_t lba = 105; lba < 225; ++lba) drive->disc.badSectors.insert(lba);
  Read(1);
  ASSERT_EQ(doc.DataSize, static_cast<std::int32_t>(300 * kSectorBytes));
  EXPECT_TRUE(HoldsSectors(0, 0, 105 * kSectorBytes));
  EXPECT_TRUE(SilentSectors(105, 120));
  EXPECT_TRUE(HoldsSectors(225 * kSectorBytes, 225, 75 * kSectorBytes));
  const Lines tail(host.lines.end() - 3, host.lines.end());
  EXPECT_EQ(tail, (Lines{"Unlesbare Stelle bei 0:01.30 mit Stille gefüllt: 120 Sektoren (1,60 s)...",
                         "Unvollständig: 1,60 s von 4,00 s (120 von 300 Sektoren) waren unlesbar und sind Stille...",
                         "Ripping beendet..."}));
  // After ten failing requests in a row a request is asked once, then
  // sector by sector: fewer reads than four tries each.
  // 17 good requests; 11 failing ones tried 4 times, then sector by sector;
  // the last 2 failing ones tried once.
  EXPECT_EQ(drive->reads, 17u + 11u * (4 + 10) + 2u * (1 + 10));

  // Nothing readable at all leaves the sound as it was.
  drive->readFails = [](std::size_t, std::uint32_t) { return SenseError{}; };
  host.lines.clear();
  Disc({0}, 30);
  const std::int32_t before = doc.DataSize;
  Read(1);
  EXPECT_EQ(doc.DataSize, before);
  EXPECT_EQ(host.lines.back(), "Kein Sektor des Tracks war lesbar: Der Klang bleibt, wie er war...");
}

TEST_F(TrackReaderTest, AFailedRequestIsAskedAgainUpToThreeTimes) {
  Disc({0}, 200);
  drive->readFails = [](std::size_t index, std::uint32_t) -> std::optional<SenseError> {
    if (index < 3) return SenseError{};
    return std::nullopt;
  };
  Read(1);
  EXPECT_EQ(drive->reads, 23u);
  EXPECT_FALSE(reader.CancelRequested());
  ASSERT_EQ(doc.DataSize, 20 * kRequestSize);
  EXPECT_TRUE(HoldsSectorsFrom(0));
  EXPECT_EQ(host.lines,
            (Lines{"TOC eingelesen...", "1 Tracks gefunden...", "Starte Ripping...", "Ripping beendet..."}));
}

TEST_F(TrackReaderTest, AFailedPassThroughReadNamesStatusSenseAndMeaning) {
  Disc({0}, 20);
  drive->readFails = [](std::size_t, std::uint32_t lba) -> std::optional<SenseError> {
    if (lba < 10) return SenseError{3, 0x11, 0x05};
    return std::nullopt;
  };
  Read(1);
  ASSERT_EQ(host.lines.size(), 7u);
  EXPECT_EQ(host.lines[3], "Fehler: SCSI Status 2; Code:3;11;5 \"Medium Error: l-ec uncorrectable error\"");
  EXPECT_EQ(host.lines[4], "Unlesbare Stelle bei 0:00.00 mit Stille gefüllt: 10 Sektoren (0,13 s)...");
  EXPECT_EQ(doc.DataSize, 2 * kRequestSize);
  EXPECT_TRUE(SilentSectors(0, 10));
  EXPECT_TRUE(HoldsSectors(kRequestBytes, 10, kRequestBytes));
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
  drive->tocFails = SenseError{3, 0x57, 0};  // unable to recover table-of-contents
  Read(1);
  // The drive's own words, and no ripping that reads nothing.
  EXPECT_EQ(host.lines, (Lines{"Konnte TOC nicht lesen (Fehler: SCSI Status 2; Code:3;57;0 \"Medium Error: unable "
                               "to recover table-of-contents\"): Es wurde nichts gelesen..."}));
  EXPECT_EQ(host.label, "");
  EXPECT_EQ(drive->reads, 0u);
  ExpectDocumentUntouched();

  host.lines.clear();
  UseGenericLayer();
  Read(1);
  EXPECT_EQ(host.lines,
            (Lines{"Konnte TOC nicht lesen (Fehler 4 beim Ausführen des SCSI Kommandos): Es wurde nichts gelesen..."}));
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
    EXPECT_EQ(host.lines, (Lines{"Konnte TOC nicht lesen: Es wurde nichts gelesen..."}));
    EXPECT_EQ(drive->reads, 0u);
    ExpectDocumentUntouched();
  }
}

TEST_F(TrackReaderTest, NoSelectedDriveReadsNothing) {
  for (int index : {-1, 1}) {
    host.lines.clear();
    reader.ReadTrack(drives, index, doc, host);
    EXPECT_EQ(host.lines, Lines{"Kein CD-Laufwerk gefunden (gesucht unter /dev/sr0 … /dev/sr31 und /dev/sg*)..."});
  }
  EXPECT_EQ(passThrough.opened, 0);
  EXPECT_EQ(generic.loads, 0);
  EXPECT_TRUE(drive->log.empty());
  ExpectDocumentUntouched();
}

TEST_F(TrackReaderTest, ADriveThatDoesNotOpenIsReported) {
  passThrough.devices[0].opens = false;
  Read(1);
  EXPECT_EQ(host.lines, (Lines{"Konnte /dev/sr0 nicht öffnen: Kein Laufwerk antwortet dort..."}));
  ExpectDocumentUntouched();
}

TEST_F(TrackReaderTest, TheGenericLayerReadsTheTrackToo) {
  UseGenericLayer();
  Disc({0, 40}, 75);
  drive->disc.badSectors = {52};
  Read(2);
  EXPECT_EQ(host.lines, (Lines{"TOC eingelesen...", "2 Tracks gefunden...", "Starte Ripping...",
                               "Fehler 4 beim Ausführen des SCSI Kommandos...",
                               "Unlesbare Stelle bei 0:00.12 mit Stille gefüllt: 1 Sektor (0,01 s)...",
                               "Unvollständig: 0,01 s von 0,47 s (1 von 35 Sektoren) waren unlesbar und sind Stille...",
                               "Ripping beendet..."}));
  const auto reads = ReadCommands();
  ASSERT_EQ(reads.size(), 1u + 4u + 10u + 2u);
  EXPECT_EQ(reads.back().cdb[8], 5);
  EXPECT_EQ(doc.DataSize, static_cast<std::int32_t>(35 * kSectorBytes));
  EXPECT_TRUE(HoldsSectors(0, 40, 12 * kSectorBytes));
  EXPECT_TRUE(SilentSectors(12, 1));
  EXPECT_TRUE(HoldsSectors(13 * kSectorBytes, 53, 22 * kSectorBytes));
  EXPECT_EQ(generic.loads, 1);
  EXPECT_EQ(passThrough.opened, 0);
}

TEST_F(TrackReaderTest, GenericLayerProblemsAreReported) {
  UseGenericLayer();
  Disc({0}, 10);
  generic.missing = true;
  Read(1);
  EXPECT_EQ(host.lines, (Lines{"Kein CD-Laufwerk gefunden (gesucht unter /dev/sr0 … /dev/sr31 und /dev/sg*)..."}));

  generic.missing = false;
  generic.supportStatus = SS_ERR;
  host.lines.clear();
  Read(1);
  EXPECT_EQ(host.lines, (Lines{"Die SCSI-Generic-Geräte (/dev/sg*) ließen sich nicht abfragen..."}));

  generic.supportStatus = SS_NO_ADAPTERS;
  generic.eventsFail = true;
  host.lines.clear();
  Read(1);
  EXPECT_EQ(host.lines, (Lines{"Fehler beim Ausführen des SCSI Kommandos..."}));
  EXPECT_TRUE(drive->log.empty());
  ExpectDocumentUntouched();
}

}  // namespace
}  // namespace sonavix::cdda
