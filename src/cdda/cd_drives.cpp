// Drive discovery: every CD block device through the pass-through first;
// the SCSI generic layer is asked only when that finds no drive at all.

#include "cdda/cd_drives.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "cdda/read_messages.h"

namespace sonavix::cdda {

namespace {

constexpr const char* kUnnamedDrive = "CD-DRIVE";
constexpr std::uint32_t kInquiryTimeoutSeconds = 2;
constexpr int kTargetsPerAdapter = 16;

bool IsFull(const CDDriveList& list) { return list.CDDriveCount >= kMaxCdDrives; }

void Append(CDDriveList& list, CDDrive drive) {
  if (IsFull(list)) return;
  list.CDDriveTable[static_cast<std::size_t>(list.CDDriveCount++)] = std::move(drive);
}

std::string PassThroughName(PassThroughDrive& drive, PassThroughRecord& record) {
  record.Prepare(InquiryCdb(), kInquiryBytes, kInquiryTimeoutSeconds);
  if (!SendRequest(drive, record)) return kUnnamedDrive;
  return InquiryProductName(record.Data(), kInquiryBytes).value_or(kUnnamedDrive);
}

void FindPassThroughDrives(PassThroughTransport& transport, CDDriveList& list) {
  auto record = std::make_unique<PassThroughRecord>();
  for (const std::string& device : transport.CdDrives()) {
    if (IsFull(list)) return;
    const auto drive = transport.Open(device);
    if (!drive) continue;
    CDDrive entry;
    entry.Device = device;
    entry.Name = PassThroughName(*drive, *record);
    Append(list, std::move(entry));
  }
}

bool IsCdRom(ScsiGenericLayer& layer, int adapter, int target) {
  SRB_GDEVBlock query;
  query.SRB_HaId = static_cast<std::uint8_t>(adapter);
  query.SRB_Target = static_cast<std::uint8_t>(target);
  query.SRB_Lun = 0;
  return layer.SendASPI32Command(query) == SS_COMP && query.SRB_DeviceType == DTYPE_CDROM;
}

// The INQUIRY status and, on success, the reply in `buffer`.
std::uint8_t Inquire(ScsiGenericLayer& layer, const CDDrive& drive, std::uint8_t* buffer,
                     CompletionEvent& event) {
  SRB_ExecSCSICmd srb = MakeExecCommand(drive.HostAdapter, drive.Target, drive.Lun, InquiryCdb(),
                                        kInquiryBytes, buffer, event);
  return ExecuteAndWait(layer, srb, event);
}

void ProbeTargets(ScsiGenericLayer& layer, int adapterCount, CompletionEvent& event,
                  CDDriveList& list, const MessageLine& write) {
  AlignedTransferBuffer buffer;
  for (int adapter = 0; adapter < adapterCount; ++adapter) {
    for (int target = 0; target < kTargetsPerAdapter; ++target) {
      if (IsFull(list)) return;
      event.Reset();
      if (!IsCdRom(layer, adapter, target)) continue;
      CDDrive entry;
      entry.HostAdapter = static_cast<std::uint8_t>(adapter);
      entry.Target = static_cast<std::uint8_t>(target);
      entry.Name = kUnnamedDrive;
      const std::uint8_t status = Inquire(layer, entry, buffer.data(), event);
      if (status == SS_COMP) {
        entry.Name = InquiryProductName(buffer.data(), kInquiryBytes).value_or(kUnnamedDrive);
      } else {
        write("Fehler " + std::to_string(status) + " beim Ausführen des SCSI Kommandos...");
      }
      Append(list, std::move(entry));
    }
  }
}

void FindScsiGenericDrives(ScsiGenericLoader& loader, CDDriveList& list, const MessageLine& write) {
  const auto layer = loader.Load();
  if (!layer) return;  // no /dev/sg* at all
  const std::uint32_t info = layer->GetASPI32SupportInfo();
  const auto status = static_cast<std::uint8_t>(info >> 8);
  const int adapterCount = static_cast<int>(info & 0xFF);
  if (status != SS_COMP && status != SS_NO_ADAPTERS) {
    write(kGenericUnusable);
    return;
  }
  const auto event = layer->CreateEvent();
  if (!event) {
    write("Fehler beim Ausführen des SCSI Kommandos...");
    return;
  }
  ProbeTargets(*layer, adapterCount, *event, list, write);
}

}  // namespace

std::string CDDriveList::ListText(int i) const {
  if (i < 0 || i >= std::min(CDDriveCount, kMaxCdDrives)) return {};
  const CDDrive& drive = CDDriveTable[static_cast<std::size_t>(i)];
  return UseSPTI ? drive.Device + ": " + drive.Name : drive.Name;
}

CDDriveList FindAllCDDrives(PassThroughTransport& passThrough, ScsiGenericLoader& generic,
                            const MessageLine& write) {
  CDDriveList list;
  FindPassThroughDrives(passThrough, list);
  if (list.CDDriveCount > 0) return list;
  list.UseSPTI = false;
  FindScsiGenericDrives(generic, list, write);
  if (list.CDDriveCount > 0) return list;
  // None: say why, and what to do when it is a question of permission.
  std::vector<std::string> denied = passThrough.DeniedDevices();
  for (const std::string& path : generic.DeniedDevices()) denied.push_back(path);
  list.Absent = denied.empty() ? kNoCdDrive : NoAccessLine(denied);
  write(list.Absent);
  return list;
}

}  // namespace sonavix::cdda
