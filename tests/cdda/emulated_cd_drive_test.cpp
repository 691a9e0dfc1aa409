// The emulated drive answers like an MMC drive: INQUIRY data, the TOC in
// format 0 with LBA addresses, READ CD sectors, and fixed-format sense data
// for every refusal. The read loop's tests rely on these bytes.

#include "cdda/emulated_cd_drive.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <vector>

#include "cdda/scsi_commands.h"

namespace {

using sonavix::cdda::Cdb;
using sonavix::cdda::EmulatedCdDrive;
using sonavix::cdda::EmulatedDisc;
using sonavix::cdda::InquiryCdb;
using sonavix::cdda::kSectorBytes;
using sonavix::cdda::ReadCdCdb;
using sonavix::cdda::ReadTocCdb;
using sonavix::cdda::SenseError;

constexpr std::uint8_t kUntouched = 0xEE;

struct Reply {
  std::uint8_t status = 0xFF;
  std::vector<std::uint8_t> data;
  std::vector<std::uint8_t> sense;
};

Reply Send(EmulatedCdDrive& drive, const Cdb& cdb, std::size_t dataLength, std::size_t senseLength = 24) {
  Reply reply;
  reply.data.assign(dataLength + 16, kUntouched);
  reply.sense.assign(senseLength + 8, kUntouched);
  reply.status = drive.Execute(cdb.bytes.data(), cdb.length, reply.data.data(), dataLength,
                               reply.sense.data(), senseLength);
  return reply;
}

void ExpectSense(const Reply& reply, std::uint8_t key, std::uint8_t asc, std::uint8_t ascq) {
  EXPECT_EQ(reply.status, 2);
  EXPECT_EQ(reply.sense[0], 0x70);
  EXPECT_EQ(reply.sense[2], key);
  EXPECT_EQ(reply.sense[7], 10);
  EXPECT_EQ(reply.sense[12], asc);
  EXPECT_EQ(reply.sense[13], ascq);
}

EmulatedCdDrive ThreeTrackDrive() {
  EmulatedCdDrive drive;
  drive.disc.firstTrack = 1;
  drive.disc.trackStarts = {0, 1000, 0x12345};
  drive.disc.leadOut = 0x20000;
  return drive;
}

TEST(EmulatedCdDriveTest, InquiryNamesTheCdDeviceAndHonoursTheLengths) {
  EmulatedCdDrive drive;
  drive.vendor = "ACME";
  drive.product = "FAST WRITER 52X ";
  const Reply full = Send(drive, InquiryCdb(), 255);
  EXPECT_EQ(full.status, 0);
  EXPECT_EQ(full.data[0], 0x05);
  EXPECT_EQ(std::string(full.data.begin() + 8, full.data.begin() + 16), "ACME    ");
  EXPECT_EQ(std::string(full.data.begin() + 16, full.data.begin() + 32), "FAST WRITER 52X ");
  EXPECT_EQ(full.data[36], kUntouched);

  const Reply cut = Send(drive, InquiryCdb(), 20);
  EXPECT_EQ(cut.data[19], 'T');  // "FAST"
  EXPECT_EQ(cut.data[20], kUntouched);

  Cdb small = InquiryCdb();
  small.bytes[4] = 10;
  EXPECT_EQ(Send(drive, small, 255).data[10], kUntouched);

  drive.inquiryFails = true;
  const Reply failed = Send(drive, InquiryCdb(), 255);
  ExpectSense(failed, 5, 0x24, 0x00);
  EXPECT_EQ(failed.data[0], kUntouched);
}

TEST(EmulatedCdDriveTest, TocListsTracksAndLeadOutWithLbaAddresses) {
  const EmulatedCdDrive drive = ThreeTrackDrive();
  const std::vector<std::uint8_t> expected = {
      0x00, 0x22, 0x01, 0x03,                          // 34 bytes follow; tracks 1..3
      0x00, 0x10, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00,  // track 1 at 0
      0x00, 0x10, 0x02, 0x00, 0x00, 0x00, 0x03, 0xE8,  // track 2 at 1000
      0x00, 0x10, 0x03, 0x00, 0x00, 0x01, 0x23, 0x45,  // track 3
      0x00, 0x10, 0xAA, 0x00, 0x00, 0x02, 0x00, 0x00,  // lead-out
  };
  EXPECT_EQ(drive.TocReply(), expected);

  EmulatedCdDrive copy = drive;
  const Reply reply = Send(copy, ReadTocCdb(), 2048);
  EXPECT_EQ(reply.status, 0);
  EXPECT_EQ(std::vector<std::uint8_t>(reply.data.begin(), reply.data.begin() + 36), expected);
  EXPECT_EQ(reply.data[36], kUntouched);
}

TEST(EmulatedCdDriveTest, TocIsCutToTheAllocationAndTheBuffer) {
  EmulatedCdDrive drive = ThreeTrackDrive();
  Cdb cdb = ReadTocCdb();
  cdb.bytes[7] = 0;
  cdb.bytes[8] = 12;
  EXPECT_EQ(Send(drive, cdb, 2048).data[12], kUntouched);
  const Reply cut = Send(drive, ReadTocCdb(), 6);
  EXPECT_EQ(cut.data[5], 0x10);
  EXPECT_EQ(cut.data[6], kUntouched);
}

TEST(EmulatedCdDriveTest, TocOverridesAndRefusals) {
  EmulatedCdDrive drive = ThreeTrackDrive();
  drive.rawToc = std::vector<std::uint8_t>{0x00, 0x02, 0x05, 0x01};
  const Reply raw = Send(drive, ReadTocCdb(), 2048);
  EXPECT_EQ(raw.data[2], 0x05);
  EXPECT_EQ(raw.data[4], kUntouched);

  drive.tocFails = SenseError{2, 0x3A, 0x00};  // no medium
  ExpectSense(Send(drive, ReadTocCdb(), 2048), 2, 0x3A, 0x00);

  drive.tocFails.reset();
  Cdb msf = ReadTocCdb();
  msf.bytes[1] = 0x02;
  ExpectSense(Send(drive, msf, 2048), 5, 0x24, 0x00);
}

TEST(EmulatedCdDriveTest, ReadCdDeliversTheDiscSectors) {
  EmulatedCdDrive drive;
  const Reply reply = Send(drive, ReadCdCdb(300, 2), 2 * kSectorBytes);
  ASSERT_EQ(reply.status, 0);
  for (std::size_t i = 0; i < 2 * kSectorBytes; ++i) {
    ASSERT_EQ(reply.data[i], EmulatedDisc::SectorByte(300 + static_cast<std::uint32_t>(i / kSectorBytes),
                                                      i % kSectorBytes))
        << i;
  }
  EXPECT_EQ(reply.data[2 * kSectorBytes], kUntouched);
  EXPECT_EQ(drive.reads, 1U);

  // Neighbouring sectors differ, so a sector read twice or skipped shows.
  std::size_t same = 0;
  for (std::size_t i = 0; i < kSectorBytes; ++i) {
    same += EmulatedDisc::SectorByte(300, i) == EmulatedDisc::SectorByte(301, i);
  }
  EXPECT_LT(same, kSectorBytes / 10);
}

TEST(EmulatedCdDriveTest, ReadCdNeverWritesPastTheBuffer) {
  EmulatedCdDrive drive;
  const Reply reply = Send(drive, ReadCdCdb(0, 10), 100);
  EXPECT_EQ(reply.status, 0);
  EXPECT_EQ(reply.data[99], EmulatedDisc::SectorByte(0, 99));
  EXPECT_EQ(reply.data[100], kUntouched);
}

TEST(EmulatedCdDriveTest, ReadingPastTheLeadOutIsAnIllegalRequest) {
  EmulatedCdDrive drive;
  drive.disc.leadOut = 4500;
  EXPECT_EQ(Send(drive, ReadCdCdb(4490, 10), 10 * kSectorBytes).status, 0);
  const Reply past = Send(drive, ReadCdCdb(4495, 10), 10 * kSectorBytes);
  ExpectSense(past, 5, 0x21, 0x00);
  EXPECT_EQ(past.data[0], kUntouched);
  EXPECT_EQ(drive.reads, 2U);
}

TEST(EmulatedCdDriveTest, ReadFailuresComeFromTheHookByReadIndex) {
  EmulatedCdDrive drive;
  std::vector<std::pair<std::size_t, std::uint32_t>> asked;
  drive.readFails = [&](std::size_t index, std::uint32_t lba) -> std::optional<SenseError> {
    asked.emplace_back(index, lba);
    if (index == 1) return SenseError{};
    return std::nullopt;
  };
  EXPECT_EQ(Send(drive, ReadCdCdb(0, 10), 10 * kSectorBytes).status, 0);
  ExpectSense(Send(drive, ReadCdCdb(10, 10), 10 * kSectorBytes), 3, 0x11, 0x00);
  EXPECT_EQ(Send(drive, ReadCdCdb(10, 10), 10 * kSectorBytes).status, 0);
  const std::vector<std::pair<std::size_t, std::uint32_t>> expected = {{0, 0}, {1, 10}, {2, 10}};
  EXPECT_EQ(asked, expected);
}

TEST(EmulatedCdDriveTest, ASpinningUpOrEmptyDriveAnswersInquiryOnly) {
  EmulatedCdDrive drive;
  double now = 0;
  drive.clock = [&] { return now; };
  drive.readyAt = 2.0;
  drive.mediumChanged = true;
  ExpectSense(Send(drive, ReadTocCdb(), 2048), 2, 0x04, 0x01);
  EXPECT_EQ(Send(drive, InquiryCdb(), 255).status, 0);
  now = 2.0;
  ExpectSense(Send(drive, ReadTocCdb(), 2048), 6, 0x28, 0x00);
  EXPECT_EQ(Send(drive, ReadTocCdb(), 2048).status, 0);

  drive.spinUpCommands = 2;
  ExpectSense(Send(drive, ReadCdCdb(0, 1), kSectorBytes), 2, 0x04, 0x01);
  ExpectSense(Send(drive, ReadTocCdb(), 2048), 2, 0x04, 0x01);
  EXPECT_EQ(Send(drive, ReadCdCdb(0, 1), kSectorBytes).status, 0);
  EXPECT_EQ(drive.reads, 2U);

  drive.notReady = SenseError{2, 0x3A, 0x01};
  ExpectSense(Send(drive, ReadTocCdb(), 2048), 2, 0x3A, 0x01);
  EXPECT_EQ(Send(drive, InquiryCdb(), 255).status, 0);
}

TEST(EmulatedCdDriveTest, DataTracksBadSectorsAndShortReplies) {
  EmulatedCdDrive drive = ThreeTrackDrive();
  drive.disc.dataTracks = {2};
  EXPECT_EQ(drive.TocReply()[4 + 1], 0x10);
  EXPECT_EQ(drive.TocReply()[4 + 8 + 1], 0x14);
  const auto transferred = [&](const Cdb& cdb) {
    std::vector<std::uint8_t> data(10 * kSectorBytes);
    std::uint8_t sense[24];
    std::size_t bytes = 0;
    EXPECT_EQ(drive.Execute(cdb.bytes.data(), cdb.length, data.data(), data.size(), sense, 24, &bytes), 0);
    return bytes;
  };
  // The last audio sector and the first data sector: 2048 bytes of user data.
  EXPECT_EQ(transferred(ReadCdCdb(999, 2)), kSectorBytes + 2048);

  drive.readShort = [](std::size_t index, std::uint32_t) -> std::optional<std::size_t> {
    if (index == 1) return 100;
    return std::nullopt;
  };
  EXPECT_EQ(transferred(ReadCdCdb(0, 10)), 100U);

  drive.disc.badSectors = {5};
  ExpectSense(Send(drive, ReadCdCdb(0, 10), 10 * kSectorBytes), 3, 0x11, 0x00);
  EXPECT_EQ(Send(drive, ReadCdCdb(6, 4), 4 * kSectorBytes).status, 0);
}

TEST(EmulatedCdDriveTest, UnknownCommandsAreRefusedAndEveryCommandIsLogged) {
  EmulatedCdDrive drive;
  Cdb testUnitReady;
  testUnitReady.length = 6;
  ExpectSense(Send(drive, testUnitReady, 0), 5, 0x20, 0x00);

  // A short sense area gets only what fits.
  const Reply shortSense = Send(drive, testUnitReady, 0, 8);
  EXPECT_EQ(shortSense.sense[2], 5);
  EXPECT_EQ(shortSense.sense[8], kUntouched);

  Send(drive, InquiryCdb(), 255);
  ASSERT_EQ(drive.log.size(), 3U);
  EXPECT_EQ(drive.log[2].cdb, (std::vector<std::uint8_t>{0x12, 0, 0, 0, 0xFF, 0}));
  EXPECT_EQ(drive.log[2].dataLength, 255U);
  EXPECT_EQ(drive.reads, 0U);
}

}  // namespace
