#pragma once
// The fixture of the track reader's tests: one emulated drive behind both
// transports, listed as the only drive, a dialog that records what it is
// told, and a document with a sound the reads must replace or leave alone.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "cdda/emulated_transports.h"
#include "cdda/track_reader.h"

namespace sonavix::cdda::reader_test {

using Lines = std::vector<std::string>;

class RecordingHost final : public TrackReadHost {
 public:
  // The checksum line is kept apart: most tests look at the other lines.
  void WriteLine(const std::string& line) override {
    (line.rfind("CRC32 ", 0) == 0 ? checksums : lines).push_back(line);
  }
  void ShowPosition(const std::string& text) override { label = text; }
  void Checkpoint() override {
    ++processed;
    if (onProcess) onProcess(processed);
  }
  int TrackNumber() const override { return track; }
  bool Karaoke() const override { return karaoke; }
  bool Verify() const override { return verify; }

  Lines lines;
  Lines checksums;
  std::string label;
  int track = 1;
  bool karaoke = false;
  bool verify = false;
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

  // Time that passes only while the reader sleeps, for the reader and the
  // drive alike.
  void UseFakeTime() {
    reader.SetClock([this] { return now; });
    reader.SetSleep([this](double seconds) {
      now += seconds;
      ++sleeps;
    });
    drive->clock = [this] { return now; };
  }

  void Disc(std::vector<std::uint32_t> starts, std::uint32_t leadOut) {
    drive->disc.trackStarts = std::move(starts);
    drive->disc.leadOut = leadOut;
  }

  void Read(int track) {
    host.track = track;
    reader.ReadTrack(drives, 0, doc, host);
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

  // True when sectors `first` ... `first + count - 1` of the document are
  // silence.
  bool SilentSectors(std::size_t first, std::size_t count) const {
    const std::size_t end = (first + count) * kSectorBytes;
    if (end > static_cast<std::size_t>(doc.DataSize)) return false;
    return std::all_of(doc.SampleData.get() + first * kSectorBytes, doc.SampleData.get() + end,
                       [](std::uint8_t byte) { return byte == 0; });
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
  double now = 0;
  int sleeps = 0;
};

inline constexpr std::int32_t kRequestSize = static_cast<std::int32_t>(kRequestBytes);

}  // namespace sonavix::cdda::reader_test
