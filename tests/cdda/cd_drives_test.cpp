// Finding the CD drives over the emulated transports: the pass-through
// first, the SCSI generic layer only when that finds nothing, the messages
// for each problem, the 32-entry limit; and the request records and buffer
// both transports carry.

#include "cdda/cd_drives.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "cdda/emulated_transports.h"
#include "cdda/scsi_commands.h"

namespace {

using namespace sonavix::cdda;

std::shared_ptr<EmulatedCdDrive> Drive(const std::string& product) {
  auto drive = std::make_shared<EmulatedCdDrive>();
  drive->product = product;
  return drive;
}

class CdDrivesTest : public testing::Test {
 protected:
  CDDriveList Find() {
    return FindAllCDDrives(passThrough, generic, [this](const std::string& line) { lines.push_back(line); });
  }

  void AddPassThrough(const std::string& name, const std::string& product) {
    passThrough.devices.push_back({name, Drive(product)});
  }

  EmulatedPassThrough passThrough;
  EmulatedScsiGeneric generic;
  std::vector<std::string> lines;
};

TEST_F(CdDrivesTest, PassThroughDrivesAreListedInOrderAndTheFallbackIsNeverLoaded) {
  AddPassThrough("sr0", "DVD-RW AD-7203S ");
  AddPassThrough("sr1", "CDROM           ");
  const CDDriveList list = Find();
  EXPECT_TRUE(list.UseSPTI);
  ASSERT_EQ(list.CDDriveCount, 2);
  EXPECT_EQ(list.ListText(0), "sr0: DVD-RW AD-7203S ");
  EXPECT_EQ(list.ListText(1), "sr1: CDROM           ");
  EXPECT_EQ(list.CDDriveTable[1].Device, "sr1");
  EXPECT_EQ(generic.loads, 0);
  EXPECT_TRUE(lines.empty());

  const auto& log = passThrough.devices[0].drive->log;
  ASSERT_EQ(log.size(), 1U);
  EXPECT_EQ(log[0].cdb, (std::vector<std::uint8_t>{0x12, 0, 0, 0, 0xFF, 0}));
  EXPECT_EQ(log[0].dataLength, 255U);
}

TEST_F(CdDrivesTest, PassThroughDrivesThatCannotBeAskedAreUnnamedAndUnopenableOnesSkipped) {
  AddPassThrough("sr0", "LOCKED DRIVE    ");
  passThrough.devices[0].opens = false;
  AddPassThrough("sr1", "SILENT DRIVE    ");
  passThrough.devices[1].drive->inquiryFails = true;
  AddPassThrough("sr2", "LOST DRIVE      ");
  passThrough.devices[2].carriesOut = false;
  AddPassThrough("sr3", "GOOD DRIVE      ");

  const CDDriveList list = Find();
  ASSERT_EQ(list.CDDriveCount, 3);
  EXPECT_EQ(list.ListText(0), "sr1: CD-DRIVE");
  EXPECT_EQ(list.ListText(1), "sr2: CD-DRIVE");
  EXPECT_EQ(list.ListText(2), "sr3: GOOD DRIVE      ");
  EXPECT_TRUE(lines.empty());
  EXPECT_EQ(generic.loads, 0);
}

TEST_F(CdDrivesTest, WithoutPassThroughDrivesEveryTargetOfEveryAdapterIsProbed) {
  AddPassThrough("sr0", "LOCKED DRIVE    ");
  passThrough.devices[0].opens = false;
  generic.adapterCount = 2;
  generic.devices[{0, 3}] = {DTYPE_CDROM, Drive("FIRST CD        ")};
  generic.devices[{1, 0}] = {0x00, nullptr};  // a disk
  generic.devices[{1, 15}] = {DTYPE_CDROM, Drive("LAST CD         ")};

  const CDDriveList list = Find();
  EXPECT_FALSE(list.UseSPTI);
  EXPECT_EQ(generic.loads, 1);
  EXPECT_EQ(generic.typeQueries, 2 * 16);
  ASSERT_EQ(list.CDDriveCount, 2);
  EXPECT_EQ(list.ListText(0), "FIRST CD        ");
  EXPECT_EQ(list.ListText(1), "LAST CD         ");
  EXPECT_EQ(list.CDDriveTable[1].HostAdapter, 1);
  EXPECT_EQ(list.CDDriveTable[1].Target, 15);
  EXPECT_EQ(list.CDDriveTable[1].Lun, 0);
  EXPECT_TRUE(lines.empty());
}

TEST_F(CdDrivesTest, FallbackProblemsBecomeMessages) {
  const std::string none = "Kein CD-Laufwerk gefunden (gesucht unter /dev/sr0 … /dev/sr31 und /dev/sg*)...";
  generic.missing = true;
  EXPECT_EQ(Find().CDDriveCount, 0);
  EXPECT_EQ(lines, std::vector<std::string>{none});

  generic.missing = false;
  generic.supportStatus = SS_ERR;
  generic.devices[{0, 0}] = {DTYPE_CDROM, Drive("CD              ")};
  lines.clear();
  EXPECT_EQ(Find().CDDriveCount, 0);
  EXPECT_EQ(lines, (std::vector<std::string>{"Die SCSI-Generic-Geräte (/dev/sg*) ließen sich nicht abfragen...", none}));
  EXPECT_EQ(generic.typeQueries, 0);

  generic.supportStatus = SS_COMP;
  generic.eventsFail = true;
  lines.clear();
  EXPECT_EQ(Find().CDDriveCount, 0);
  EXPECT_EQ(lines, (std::vector<std::string>{"Fehler beim Ausführen des SCSI Kommandos...", none}));
  EXPECT_EQ(generic.typeQueries, 0);
}

TEST_F(CdDrivesTest, NoAdaptersMeansNoDriveWithoutAnError) {
  generic.supportStatus = SS_NO_ADAPTERS;
  generic.adapterCount = 0;
  EXPECT_EQ(Find().CDDriveCount, 0);
  EXPECT_EQ(lines, std::vector<std::string>{"Kein CD-Laufwerk gefunden (gesucht unter /dev/sr0 … /dev/sr31 und /dev/sg*)..."});
  EXPECT_EQ(generic.typeQueries, 0);
}

TEST_F(CdDrivesTest, AFailedFallbackInquiryIsReportedAndTheDriveKept) {
  auto drive = Drive("HIDDEN NAME     ");
  drive->inquiryFails = true;
  generic.devices[{0, 2}] = {DTYPE_CDROM, drive};
  const CDDriveList list = Find();
  ASSERT_EQ(list.CDDriveCount, 1);
  EXPECT_EQ(list.ListText(0), "CD-DRIVE");
  EXPECT_EQ(lines, std::vector<std::string>{"Fehler 4 beim Ausführen des SCSI Kommandos..."});
}

TEST_F(CdDrivesTest, TheTableHoldsAtMost32Drives) {
  for (int i = 0; i < 40; ++i) AddPassThrough("sr" + std::to_string(i), "DRIVE           ");
  const CDDriveList list = Find();
  EXPECT_EQ(list.CDDriveCount, kMaxCdDrives);
  EXPECT_EQ(list.ListText(31), "sr31: DRIVE           ");
  EXPECT_EQ(list.ListText(32), "");

  passThrough.devices.clear();
  generic.adapterCount = 3;
  for (int a = 0; a < 3; ++a) {
    for (int t = 0; t < 16; ++t) generic.devices[{a, t}] = {DTYPE_CDROM, Drive("CD              ")};
  }
  const CDDriveList fallback = Find();
  EXPECT_EQ(fallback.CDDriveCount, kMaxCdDrives);
  EXPECT_EQ(fallback.CDDriveTable[31].HostAdapter, 1);
  EXPECT_EQ(fallback.CDDriveTable[31].Target, 15);
}

TEST(PassThroughRecordTest, PrepareWritesTheRequestHeadOverAZeroedRecord) {
  auto record = std::make_unique<PassThroughRecord>();
  std::fill(record->Raw(), record->Raw() + kRecordSize, std::uint8_t{0xAB});
  record->Prepare(ReadCdCdb(0x01020304, 10), kRequestBytes, 200);
  const std::uint8_t* raw = record->Raw();
  EXPECT_EQ(raw[0], 44);
  EXPECT_EQ(raw[1], 0);
  EXPECT_EQ(record->ScsiStatus(), 0);
  EXPECT_EQ(raw[6], 12);
  EXPECT_EQ(raw[7], 24);
  EXPECT_EQ(raw[8], 1);
  EXPECT_EQ(record->DataTransferLength(), 23520U);
  EXPECT_EQ(record->TimeOutValue(), 200U);
  EXPECT_EQ(raw[20], 80);
  EXPECT_EQ(raw[24], 48);
  EXPECT_EQ(raw[28], 0xBE);
  EXPECT_EQ(raw[30], 0x01);
  EXPECT_EQ(raw[33], 0x04);
  for (std::size_t i : {std::size_t{44}, kSenseOffset, kDataOffset, kRecordSize - 1}) {
    EXPECT_EQ(raw[i], 0) << i;
  }
}

TEST(PassThroughRecordTest, ARequestSucceedsOnlyWhenCarriedOutWithGoodStatus) {
  EmulatedPassThrough transport;
  transport.devices.push_back({"sr0", Drive("CD              ")});
  const auto drive = transport.Open("sr0");
  ASSERT_NE(drive, nullptr);
  auto record = std::make_unique<PassThroughRecord>();
  record->Prepare(InquiryCdb(), kInquiryBytes, 2);
  EXPECT_TRUE(SendRequest(*drive, *record));
  EXPECT_EQ(record->DataResidual(), kInquiryBytes - 36);  // 36 bytes of INQUIRY data came
  EXPECT_EQ(record->DataTransferred(), 36U);

  transport.devices[0].drive->inquiryFails = true;
  record->Prepare(InquiryCdb(), kInquiryBytes, 2);
  EXPECT_FALSE(SendRequest(*drive, *record));
  EXPECT_EQ(record->ScsiStatus(), 2);
  EXPECT_EQ(record->Sense()[2], 5);

  transport.devices[0].carriesOut = false;
  EXPECT_FALSE(SendRequest(*drive, *record));
  EXPECT_EQ(transport.Open("sr9"), nullptr);
}

TEST(AlignedTransferBufferTest, TheAreaStartsOnA64KiBBoundaryAndHoldsARequest) {
  for (int i = 0; i < 4; ++i) {
    AlignedTransferBuffer buffer;
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(buffer.data()) % 65536, 0U);
    std::fill(buffer.data(), buffer.data() + kRequestBytes + 1, std::uint8_t{0x5A});  // within the allocation
  }
}

// Completes every command later on its own thread, as an asynchronous layer does.
class LateLayer final : public ScsiGenericLayer {
 public:
  ~LateLayer() override {
    if (worker_.joinable()) worker_.join();
  }
  std::uint32_t GetASPI32SupportInfo() override { return SS_COMP << 8 | 1; }
  std::uint32_t SendASPI32Command(SRB_GDEVBlock&) override { return SS_ERR; }
  std::uint32_t SendASPI32Command(SRB_ExecSCSICmd& srb) override {
    worker_ = std::thread([&srb] {
      std::this_thread::sleep_for(std::chrono::milliseconds(30));
      srb.SRB_Status = SS_COMP;
      srb.SRB_PostProc->Set();
    });
    return SS_PENDING;
  }

 private:
  std::thread worker_;
};

TEST(ExecuteAndWaitTest, WaitsForTheCompletionEvenWhenTheEventWasLeftSet) {
  CompletionEvent event;
  SRB_ExecSCSICmd srb;
  LateLayer layer;  // joins its thread before the event and the record go
  event.Set();
  srb.SRB_PostProc = &event;
  EXPECT_EQ(ExecuteAndWait(layer, srb, event), SS_COMP);
  EXPECT_TRUE(event.IsSet());
}

TEST(LinuxTransportsTest, MissingDevicesGiveEmptyAnswers) {
  // Machines without CD drives or the SCSI generic driver must not fail
  // discovery; whatever they have, every listed device must be a CD drive.
  const auto passThrough = CreateSgIoPassThrough();
  for (const auto& name : passThrough->CdDrives()) EXPECT_EQ(name.rfind("sr", 0), 0U);
  EXPECT_EQ(passThrough->Open("../null"), nullptr);
  EXPECT_EQ(passThrough->Open("sr-none"), nullptr);
  const auto layer = CreateScsiGenericLoader()->Load();
  if (layer) {
    const std::uint32_t status = layer->GetASPI32SupportInfo() >> 8;
    EXPECT_TRUE(status == SS_COMP || status == SS_NO_ADAPTERS);
  }
}

}  // namespace
