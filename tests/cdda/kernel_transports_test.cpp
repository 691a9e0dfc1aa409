// The Linux transports themselves, over a fake kernel: the same discovery
// and reading the emulated transports are tested with, now through open,
// stat, the capability and SCSI-address ioctls and SG_IO headers checked as
// the kernel checks them.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <scsi/sg.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cdda/cd_drives.h"
#include "cdda/fake_kernel.h"
#include "cdda/track_reader.h"

namespace sonavix::cdda {
namespace {

using Lines = std::vector<std::string>;

std::shared_ptr<EmulatedCdDrive> Drive(const std::string& product) {
  auto drive = std::make_shared<EmulatedCdDrive>();
  drive->product = product;
  return drive;
}

class ReadHost final : public TrackReadHost {
 public:
  void WriteLine(const std::string& line) override { lines.push_back(line); }
  void ShowPosition(const std::string&) override {}
  int TrackNumber() const override { return track; }
  bool Karaoke() const override { return false; }
  bool Verify() const override { return verify; }
  Lines lines;
  int track = 1;
  bool verify = false;
};

class KernelTransportsTest : public ::testing::Test {
 protected:
  CDDriveList Find() {
    return FindAllCDDrives(*passThrough, *generic, [this](const std::string& line) { lines.push_back(line); });
  }

  // Reads `track` of the first drive found, as the dialog does.
  void ReadTrack(int track) {
    const CDDriveList drives = Find();
    ASSERT_GE(drives.CDDriveCount, 1);
    TrackReader reader(*passThrough, *generic);
    host.track = track;
    reader.ReadTrack(drives, 0, doc, host);
  }

  bool HoldsSectorsFrom(std::uint32_t lba) const {
    for (std::int32_t i = 0; i < doc.DataSize; ++i) {
      const auto sector = lba + static_cast<std::uint32_t>(i / kSectorBytes);
      if (doc.SampleData[static_cast<std::size_t>(i)] !=
          EmulatedDisc::SectorByte(sector, static_cast<std::size_t>(i) % kSectorBytes))
        return false;
    }
    return doc.DataSize > 0;
  }

  FakeKernel kernel;
  std::unique_ptr<PassThroughTransport> passThrough = CreateSgIoPassThrough(kernel);
  std::unique_ptr<ScsiGenericLoader> generic = CreateScsiGenericLoader(kernel);
  Lines lines;
  AudioDocument doc;
  ReadHost host;
};

TEST_F(KernelTransportsTest, BlockDevicesThatAreCdDrivesAreFoundInOrderAndTheGenericNodesLeftAlone) {
  kernel.AddCdDrive(0, 0, 1, 0, Drive("DVD-RW AD-7203S "));
  kernel.nodes["sr1"].kind = FakeKernel::Kind::Block;      // a disk: no CD capability
  kernel.AddCdDrive(2, 2, 1, 1, Drive("CDROM           "));
  kernel.nodes["sr2"].readOnly = true;                     // listed, but not usable for commands
  kernel.AddCdDrive(3, 3, 1, 2, Drive("BD-RE           "));
  kernel.nodes["sr4"].kind = FakeKernel::Kind::Other;      // a character device of that name
  kernel.nodes["null"] = {};

  EXPECT_EQ(passThrough->CdDrives(), (std::vector<std::string>{"sr0", "sr2", "sr3"}));
  const CDDriveList list = Find();
  EXPECT_TRUE(list.UseSPTI);
  ASSERT_EQ(list.CDDriveCount, 2);
  EXPECT_EQ(list.ListText(0), "sr0: DVD-RW AD-7203S ");
  EXPECT_EQ(list.ListText(1), "sr3: BD-RE           ");
  EXPECT_TRUE(lines.empty());
  // INQUIRY went out as SG_IO with the request record's fields.
  ASSERT_EQ(kernel.requests.size(), 2u);
  EXPECT_EQ(kernel.requests[0].cdb[0], 0x12);
  const sg_io_hdr_t& inquiry = kernel.requests[0].header;
  EXPECT_EQ(inquiry.dxfer_direction, SG_DXFER_FROM_DEV);
  EXPECT_EQ(inquiry.cmd_len, 6);
  EXPECT_EQ(inquiry.mx_sb_len, kSenseInfoLength);
  EXPECT_GT(inquiry.timeout, 0u);
  EXPECT_EQ(inquiry.resid, static_cast<int>(inquiry.dxfer_len) - 36);
  EXPECT_TRUE(kernel.refusals.empty());
  EXPECT_EQ(kernel.OpenDescriptors(), 0);  // every probe closed its descriptor
  for (const std::string& name : kernel.opened) EXPECT_EQ(name.rfind("sr", 0), 0u) << name;
}

TEST_F(KernelTransportsTest, AtMost32BlockDevicesAreAskedAndTheTableHolds32) {
  for (int i = 0; i < 40; ++i) kernel.AddCdDrive(i, i, 0, i, Drive("CD " + std::to_string(i)));
  const auto names = passThrough->CdDrives();
  ASSERT_EQ(names.size(), 32u);
  EXPECT_EQ(names.back(), "sr31");
  EXPECT_EQ(Find().CDDriveCount, 32);
}

TEST_F(KernelTransportsTest, WithoutCdBlockDevicesTheGenericNodesAreUsedByHostTargetAndLun) {
  // Hosts 4 and 7 become adapters 0 and 1; a disk and a node that repeats
  // an address are no CD drives to list.
  FakeKernel::Node disk;
  disk.kind = FakeKernel::Kind::Generic;
  disk.address.host_no = 4;
  disk.address.scsi_type = 0;
  kernel.nodes["sg0"] = disk;
  kernel.AddCdDrive(0, 1, 7, 3, Drive("PLEXTOR         "));
  kernel.nodes.erase("sr0");
  kernel.nodes["sg2"] = kernel.nodes["sg1"];

  const CDDriveList list = Find();
  EXPECT_FALSE(list.UseSPTI);
  ASSERT_EQ(list.CDDriveCount, 1);
  EXPECT_EQ(list.CDDriveTable[0].HostAdapter, 1);
  EXPECT_EQ(list.CDDriveTable[0].Target, 3);
  EXPECT_NE(list.ListText(0).find("PLEXTOR"), std::string::npos) << list.ListText(0);
}

// Track 3 of the three-track disc, byte for byte, through each transport;
// every read went to the kernel as one checked SG_IO of ten sectors.
TEST_F(KernelTransportsTest, TrackThreeIsReadByteForByteThroughBothTransports) {
  for (const bool generic : {false, true}) {
    SCOPED_TRACE(generic ? "generic" : "pass-through");
    kernel = FakeKernel();
    auto drive = Drive("EMULATED CD-ROM ");
    drive->disc.trackStarts = {0, 1500, 3000};
    drive->disc.leadOut = 4500;
    kernel.AddCdDrive(0, 0, 0, 0, drive);
    if (generic) kernel.nodes.erase("sr0");
    doc = AudioDocument();
    host.lines.clear();
    ReadTrack(3);
    EXPECT_EQ(host.lines, (Lines{"TOC eingelesen...", "3 Tracks gefunden...", "Starte Ripping...",
                                 host.lines[3], "Ripping beendet..."}));
    EXPECT_EQ(host.lines[3].rfind("CRC32 ", 0), 0u);
    EXPECT_EQ(doc.DataSize, static_cast<std::int32_t>(1500 * kSectorBytes));
    EXPECT_TRUE(HoldsSectorsFrom(3000));
    EXPECT_TRUE(kernel.refusals.empty());
    int reads = 0;
    for (const auto& [request, cdb] : kernel.requests) {
      if (cdb[0] != 0xBE) continue;
      ++reads;
      EXPECT_EQ(request.timeout, 200'000u);  // both transports give a read 200 s
      EXPECT_EQ(request.dxfer_len, kRequestBytes);
      EXPECT_EQ(request.resid, 0);
      EXPECT_EQ(request.status, 0);
    }
    EXPECT_EQ(reads, 150);
    EXPECT_EQ(kernel.OpenDescriptors(), 0);
  }
}

TEST_F(KernelTransportsTest, ACheckConditionComesBackWithTheKernelsSenseAndStatusFields) {
  auto drive = Drive("EMULATED CD-ROM ");
  drive->disc.trackStarts = {0};
  drive->disc.leadOut = 30;
  // The request at sector 10 fails however often the reader asks again.
  drive->readFails = [](std::size_t, std::uint32_t lba) -> std::optional<SenseError> {
    return lba == 10 ? std::optional<SenseError>(SenseError{}) : std::nullopt;
  };
  kernel.AddCdDrive(0, 0, 0, 0, drive);
  ReadTrack(1);
  ASSERT_GE(host.lines.size(), 4u);
  EXPECT_EQ(host.lines[3].rfind("Fehler: SCSI Status 2; Code:3;11;0 ", 0), 0u) << host.lines[3];
  const auto failed = std::find_if(kernel.requests.begin(), kernel.requests.end(),
                                   [](const FakeKernel::Request& r) { return r.header.status != 0; });
  ASSERT_NE(failed, kernel.requests.end());
  EXPECT_EQ(failed->header.masked_status, 1);        // CHECK_CONDITION
  EXPECT_EQ(failed->header.driver_status, 0x08u);    // DRIVER_SENSE
  EXPECT_EQ(failed->header.sb_len_wr, 18);
  EXPECT_EQ(failed->header.resid, static_cast<int>(failed->header.dxfer_len));
  EXPECT_EQ(failed->header.info & SG_INFO_OK_MASK, static_cast<unsigned>(SG_INFO_CHECK));
}

// A reply shorter than asked, with good status: the kernel's residual
// reaches the reader through either transport, which takes only the whole
// sectors that came and asks for the rest.
TEST_F(KernelTransportsTest, TheKernelsResidualMakesAShortReplyShort) {
  for (const bool generic : {false, true}) {
    SCOPED_TRACE(generic ? "generic" : "pass-through");
    kernel = FakeKernel();
    auto drive = Drive("EMULATED CD-ROM ");
    drive->disc.trackStarts = {0};
    drive->disc.leadOut = 20;
    drive->readShort = [](std::size_t index, std::uint32_t) -> std::optional<std::size_t> {
      return index == 0 ? std::optional<std::size_t>(3 * kSectorBytes + 7) : std::nullopt;
    };
    kernel.AddCdDrive(0, 0, 0, 0, drive);
    if (generic) kernel.nodes.erase("sr0");
    doc = AudioDocument();
    ReadTrack(1);
    EXPECT_EQ(doc.DataSize, static_cast<std::int32_t>(20 * kSectorBytes));
    EXPECT_TRUE(HoldsSectorsFrom(0));
    std::vector<int> residuals;
    for (const auto& [request, cdb] : kernel.requests)
      if (cdb[0] == 0xBE) residuals.push_back(request.resid);
    EXPECT_EQ(residuals, (std::vector<int>{static_cast<int>(7 * kSectorBytes - 7), 0, 0})) << generic;
  }
}

TEST_F(KernelTransportsTest, ALostDeviceIsARequestNotCarriedOut) {
  kernel.AddCdDrive(0, 0, 0, 0, Drive("EMULATED CD-ROM "));
  kernel.nodes["sr0"].hostStatus = 0x03;  // DID_TIME_OUT
  PassThroughRecord record;
  record.Prepare(InquiryCdb(), 36, 2);
  const auto drive = passThrough->Open("sr0");
  ASSERT_TRUE(drive);
  EXPECT_FALSE(drive->Send(record));
}

// The fake refuses what Linux refuses, so a transport that filled a header
// wrongly fails here as it would on a machine.
TEST(FakeKernelTest, RefusesMalformedSgIoHeadersLikeTheKernel) {
  FakeKernel kernel;
  kernel.AddCdDrive(0, 0, 0, 0, std::make_shared<EmulatedCdDrive>());
  const int block = kernel.Open("/dev/sr0", O_RDWR);
  const int generic = kernel.Open("/dev/sg0", O_RDWR);
  std::uint8_t cdb[6] = {0x12, 0, 0, 0, 36, 0};
  std::uint8_t data[36];
  std::uint8_t sense[32];
  const auto good = [&] {
    sg_io_hdr_t h{};
    h.interface_id = 'S';
    h.dxfer_direction = SG_DXFER_FROM_DEV;
    h.cmd_len = 6;
    h.cmdp = cdb;
    h.dxfer_len = sizeof data;
    h.dxferp = data;
    h.mx_sb_len = sizeof sense;
    h.sbp = sense;
    h.timeout = 1000;
    return h;
  };
  const auto refused = [&](int fd, sg_io_hdr_t h) {
    errno = 0;
    return kernel.Ioctl(fd, SG_IO, &h) == -1 ? errno : 0;
  };
  sg_io_hdr_t h = good();
  EXPECT_EQ(refused(block, h), 0);
  h.interface_id = 'Q';
  EXPECT_EQ(refused(block, h), EINVAL);
  EXPECT_EQ(refused(generic, h), ENOSYS);
  h = good();
  h.dxfer_direction = SG_DXFER_NONE;  // a length with no direction
  EXPECT_EQ(refused(block, h), EINVAL);
  h = good();
  h.cmd_len = 17;
  EXPECT_EQ(refused(block, h), EINVAL);
  h = good();
  h.sbp = nullptr;
  EXPECT_EQ(refused(block, h), EFAULT);
  EXPECT_EQ(kernel.Ioctl(block, SG_GET_SCSI_ID, data), -1);  // only the sg node has an address
  EXPECT_EQ(kernel.Close(block), 0);
  EXPECT_EQ(kernel.Close(block), -1);
  EXPECT_EQ(kernel.Open("/dev/sr9", O_RDONLY), -1);
  EXPECT_EQ(errno, ENOENT);
}

// What real drives and discs do, through the real transports on the fake
// kernel, on the block device and on the generic node alone: the last
// audio track of an Enhanced CD, a run of unreadable sectors, a jittery
// drive under a verified read; and the words for no drive and no access.
TEST_F(KernelTransportsTest, RealDiscsReadAlikeOnTheBlockDeviceAndOnTheGenericNode) {
  for (const bool generic : {false, true}) {
    SCOPED_TRACE(generic ? "generic" : "pass-through");
    kernel = FakeKernel();
    auto drive = Drive("EMULATED CD-ROM ");
    drive->disc.trackStarts = {0, 300, 600, 900 + 11400};
    drive->disc.leadOut = 900 + 11400 + 500;
    drive->disc.dataTracks = {4};
    drive->disc.laterSessions = {4};
    drive->disc.gap = EmulatedDisc::Gap::MediumError;
    for (std::uint32_t lba = 105; lba < 225; ++lba) drive->disc.badSectors.insert(lba);
    drive->jitter = [](std::size_t index, std::uint32_t lba) { return index < 3 && lba == 610; };
    kernel.AddCdDrive(0, 0, 0, 0, drive);
    if (generic) kernel.nodes.erase("sr0");
    host.verify = true;
    host.lines.clear();
    ReadTrack(3);
    ASSERT_EQ(doc.DataSize, static_cast<std::int32_t>(300 * kSectorBytes));
    EXPECT_TRUE(HoldsSectorsFrom(600));
    EXPECT_EQ(host.lines.size(), 5u);  // TOC, tracks, start, checksums, done: no error line
    host.verify = false;
    host.lines.clear();
    ReadTrack(1);
    ASSERT_EQ(doc.DataSize, static_cast<std::int32_t>(300 * kSectorBytes));
    EXPECT_EQ(doc.SampleData[225 * kSectorBytes], EmulatedDisc::SectorByte(225, 0));
    EXPECT_EQ(doc.SampleData[104 * kSectorBytes + 7], EmulatedDisc::SectorByte(104, 7));
    EXPECT_EQ(doc.SampleData[150 * kSectorBytes], 0);
    EXPECT_EQ(host.lines[host.lines.size() - 3],
              "Unvollständig: 1,60 s von 4,00 s (120 von 300 Sektoren) waren unlesbar und sind Stille...");
  }
  // Drives this user may not open, and none at all.
  kernel = FakeKernel();
  kernel.AddCdDrive(0, 0, 0, 0, Drive("CD              "));
  kernel.nodes["sr0"].openError = EACCES;
  kernel.nodes["sg0"].openError = EACCES;
  lines.clear();
  EXPECT_EQ(Find().CDDriveCount, 0);
  EXPECT_EQ(lines, Lines{"Keine Berechtigung für /dev/sr0, /dev/sg0: Das Benutzerkonto muss zur Gruppe „cdrom“ "
                         "gehören (sudo adduser $USER cdrom, danach ab- und wieder anmelden)..."});
  kernel.nodes.clear();
  lines.clear();
  EXPECT_EQ(Find().CDDriveCount, 0);
  EXPECT_EQ(lines, Lines{"Kein CD-Laufwerk gefunden (gesucht unter /dev/sr0 … /dev/sr31 und /dev/sg*)..."});
}

}  // namespace
}  // namespace sonavix::cdda
