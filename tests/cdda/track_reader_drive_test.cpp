// The track reader with what real drives do: a disc spinning up, no disc,
// unreadable sectors, data tracks on a mixed-mode disc and short replies.

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace sonavix::cdda
