// The track reader with what real drives do: a disc spinning up, no disc,
// unreadable sectors, data tracks on a mixed-mode disc and short replies.

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>

#include "track_reader_fixture.h"

namespace sonavix::cdda {
namespace {

using namespace reader_test;

class DriveBehaviourTest : public TrackReaderTest {};

constexpr const char* kNoDiscLine = "Keine CD im Laufwerk. Bitte legen Sie eine Audio-CD ein...";

TEST_F(DriveBehaviourTest, ADriveBecomingReadyIsWaitedForTwentySecondsAtMost) {
  UseFakeTime();
  Disc({0}, 30);
  drive->readyAt = 100;
  Read(1);
  EXPECT_EQ(host.lines, (Lines{"Laufwerk wird bereit, warte...",
                               "Laufwerk ist nach 20 Sekunden noch nicht bereit..."}));
  EXPECT_EQ(sleeps, 80);  // a quarter of a second each
  ExpectDocumentUntouched();

  drive->readyAt = now + 3;
  drive->mediumChanged = true;  // told once the drive is ready
  sleeps = 0;
  host.lines.clear();
  Read(1);
  EXPECT_EQ(host.lines, (Lines{"Laufwerk wird bereit, warte...", "TOC eingelesen...", "1 Tracks gefunden...",
                               "Starte Ripping...", "Ripping beendet..."}));
  EXPECT_EQ(sleeps, 12);
  EXPECT_FALSE(drive->mediumChanged);
  EXPECT_TRUE(HoldsSectorsFrom(0));

  // Through the generic layer, while reading.
  UseGenericLayer();
  drive->reads = 0;
  drive->readFails = [this](std::size_t index, std::uint32_t) -> std::optional<SenseError> {
    if (index == 0) drive->spinUpCommands = 2;
    return std::nullopt;
  };
  host.lines.clear();
  Read(1);
  EXPECT_EQ(host.lines, (Lines{"TOC eingelesen...", "1 Tracks gefunden...", "Starte Ripping...",
                               "Laufwerk wird bereit, warte...", "Ripping beendet..."}));
  EXPECT_EQ(drive->reads, 5u);
  ASSERT_EQ(doc.DataSize, 3 * kRequestSize);
  EXPECT_TRUE(HoldsSectorsFrom(0));
}

TEST_F(DriveBehaviourTest, WithoutADiscTheReadEndsAndAsksForOne) {
  drive->notReady = SenseError{2, 0x3A, 0x02};  // tray open
  for (bool generic : {false, true}) {
    drives.UseSPTI = !generic;
    host.lines.clear();
    Read(1);
    EXPECT_EQ(host.lines, Lines{kNoDiscLine});
    ExpectDocumentUntouched();
  }

  // Taken out while reading: what was read is not kept either.
  drive->notReady.reset();
  Disc({0}, 100);
  drive->readFails = [this](std::size_t index, std::uint32_t) -> std::optional<SenseError> {
    if (index == 2) drive->notReady = SenseError{2, 0x3A, 0x01};
    return std::nullopt;
  };
  host.lines.clear();
  Read(1);
  EXPECT_EQ(host.lines,
            (Lines{"TOC eingelesen...", "1 Tracks gefunden...", "Starte Ripping...", kNoDiscLine}));
  EXPECT_EQ(drive->reads, 4u);
  ExpectDocumentUntouched();
}

TEST_F(DriveBehaviourTest, UnreadableSectorsBecomeSilenceAndTheMessagesSayWhere) {
  Disc({0, 75}, 75 + 300);
  drive->disc.badSectors = {75 + 23, 75 + 24, 75 + 150};
  drive->readFails = [](std::size_t index, std::uint32_t) -> std::optional<SenseError> {
    if (index == 0) return SenseError{};  // once only: asking again helps
    return std::nullopt;
  };
  Read(2);
  const std::string error = "Fehler: SCSI Status 2; Code:3;11;0 \"Medium Error: unrecovered read error\"";
  EXPECT_EQ(host.lines, (Lines{"TOC eingelesen...", "2 Tracks gefunden...", "Starte Ripping...", error, error,
                               "Unlesbare Stelle bei 0:00.23 mit Stille gefüllt: 2 Sektoren (0,03 s)...",
                               "Unlesbare Stelle bei 0:02.00 mit Stille gefüllt: 1 Sektor (0,01 s)...",
                               "Unvollständig: 0,04 s von 4,00 s (3 von 300 Sektoren) waren unlesbar und sind Stille...",
                               "Ripping beendet..."}));
  // 30 requests, one asked again, two asked three more times and then
  // sector by sector.
  EXPECT_EQ(drive->reads, 30u + 1u + 2u * (3u + 10u));
  ASSERT_EQ(doc.DataSize, static_cast<std::int32_t>(300 * kSectorBytes));
  EXPECT_TRUE(HoldsSectors(0, 75, 23 * kSectorBytes));
  EXPECT_TRUE(SilentSectors(23, 2));
  EXPECT_TRUE(HoldsSectors(25 * kSectorBytes, 100, 125 * kSectorBytes));
  EXPECT_TRUE(SilentSectors(150, 1));
  EXPECT_TRUE(HoldsSectors(151 * kSectorBytes, 226, 149 * kSectorBytes));
  EXPECT_FALSE(reader.CancelRequested());
}

TEST_F(DriveBehaviourTest, ADataTrackIsNotReadAsSound) {
  Disc({0, 150}, 300);
  drive->disc.dataTracks = {2};
  for (bool generic : {false, true}) {
    drives.UseSPTI = !generic;
    host.lines.clear();
    Read(2);
    EXPECT_EQ(host.lines, (Lines{"TOC eingelesen...", "2 Tracks gefunden...",
                                 "Track 2 ist ein Datentrack und keine Musik. Bitte wählen Sie einen "
                                 "Audio-Track..."}));
    EXPECT_EQ(drive->reads, 0u);
    ExpectDocumentUntouched();
  }
  Read(1);
  EXPECT_EQ(doc.DataSize, static_cast<std::int32_t>(150 * kSectorBytes));
  EXPECT_TRUE(HoldsSectorsFrom(0));
}

TEST_F(DriveBehaviourTest, AShortReplyIsNeverTakenForAWholeOne) {
  Disc({0}, 30);
  drive->readShort = [](std::size_t index, std::uint32_t) -> std::optional<std::size_t> {
    if (index == 1) return 5 * kSectorBytes + 100;  // the rest is asked for again
    if (index >= 3 && index <= 6) return 0;         // the request at 25, four times
    return std::nullopt;
  };
  for (bool generic : {false, true}) {
    drives.UseSPTI = !generic;
    drive->reads = 0;
    host.lines.clear();
    Read(1);
    EXPECT_EQ(host.lines, (Lines{"TOC eingelesen...", "1 Tracks gefunden...", "Starte Ripping...",
                                 "Laufwerk lieferte nur 0 von 11760 Bytes...", "Ripping beendet..."}));
    EXPECT_EQ(drive->reads, 3u + 4u + 5u);
    ASSERT_EQ(doc.DataSize, static_cast<std::int32_t>(30 * kSectorBytes));
    EXPECT_TRUE(HoldsSectorsFrom(0));
  }
}

// An Enhanced CD: three audio tracks, then a data session. The last audio
// track is exactly its sectors whatever the drive does between the
// sessions, through both transports, with the full TOC or only the session
// information.
TEST_F(DriveBehaviourTest, TheLastAudioTrackOfAnEnhancedCdEndsWithItsSession) {
  Disc({0, 300, 600, 900 + 11400}, 900 + 11400 + 500);
  drive->disc.dataTracks = {4};
  drive->disc.laterSessions = {4};
  for (const auto gap : {EmulatedDisc::Gap::OutOfRange, EmulatedDisc::Gap::MediumError, EmulatedDisc::Gap::Readable})
    for (const bool fullToc : {true, false})
      for (const bool generic : {false, true}) {
        SCOPED_TRACE(testing::Message() << int(gap) << fullToc << generic);
        drive->disc.gap = gap;
        drive->fullToc = fullToc;
        drives.UseSPTI = !generic;
        host.lines.clear();
        Read(3);
        EXPECT_EQ(host.lines, (Lines{"TOC eingelesen...", "4 Tracks gefunden...", "Starte Ripping...", "Ripping beendet..."}));
        ASSERT_EQ(doc.DataSize, static_cast<std::int32_t>(300 * kSectorBytes));
        EXPECT_TRUE(HoldsSectorsFrom(600));
        EXPECT_EQ(host.label, "Track no. 3 Time 00:00:04 s");
      }
}

// Bit by bit, as the checksums are defined, apart from the reader's own code.
std::string IndependentSums(const AudioDocument& doc, bool first, bool last) {
  std::uint32_t crc = 0xFFFFFFFF;
  for (std::int32_t i = 0; i < doc.DataSize; ++i) {
    crc ^= doc.SampleData[i];
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  const std::uint64_t frames = std::uint64_t(doc.DataSize) / 4;
  std::uint64_t v1 = 0, v2 = 0;
  for (std::uint64_t n = 1; n <= frames; ++n) {
    if ((first && n < 2939) || (last && n > frames - 2940)) continue;
    const std::uint8_t* p = &doc.SampleData[4 * (n - 1)];
    const std::uint64_t word = p[0] | p[1] << 8 | p[2] << 16 | std::uint64_t(p[3]) << 24;
    v1 += (word * n) & 0xFFFFFFFF;
    v2 += ((word * n) & 0xFFFFFFFF) + ((word * n) >> 32);
  }
  char text[96];
  std::snprintf(text, sizeof text, "CRC32 %08X, AccurateRip v1 %08X, v2 %08X...", ~crc, std::uint32_t(v1),
                std::uint32_t(v2));
  return text;
}

// "Sicher lesen": a drive that answers one request differently the first
// time is caught, and the checksums are those of the true bytes.
TEST_F(DriveBehaviourTest, AVerifiedReadCatchesAJitteryDriveAndTheChecksumsMatch) {
  Disc({0, 300, 600}, 900);
  drive->jitter = [](std::size_t index, std::uint32_t lba) { return index == 0 && lba == 305; };
  Read(2);
  EXPECT_FALSE(HoldsSectorsFrom(300));  // read plainly, the jitter stays
  drive->reads = 0;
  host.verify = true;
  host.checksums.clear();
  Read(2);
  EXPECT_TRUE(HoldsSectorsFrom(300));
  EXPECT_EQ(drive->reads, 2u * 30 + 1);  // twice each, once more for the one that differed
  EXPECT_EQ(host.checksums, Lines{IndependentSums(doc, false, false)});
  // The first and the last track leave out their outer five sectors.
  for (const int track : {1, 3}) {
    host.checksums.clear();
    Read(track);
    EXPECT_EQ(host.checksums, Lines{IndependentSums(doc, track == 1, track == 3)}) << track;
  }
  // A request no two reads of which agree is listed, and the read goes on.
  drive->jitter = [](std::size_t, std::uint32_t lba) { return lba == 610; };
  host.lines.clear();
  Read(3);
  EXPECT_EQ(host.lines[host.lines.size() - 2], "Keine zwei Lesungen stimmten überein bei 0:00.10 (10 Sektoren)...");
  EXPECT_EQ(doc.DataSize, static_cast<std::int32_t>(300 * kSectorBytes));
}

}  // namespace
}  // namespace sonavix::cdda
