#pragma once
// Finding the CD drives: the pass-through transport first, on every CD block
// device; the SCSI generic layer only when that finds none. The transport
// that found the drives serves every later read.

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "cdda/pass_through.h"
#include "cdda/scsi_generic.h"

namespace sonavix::cdda {

struct CDDrive {
  std::string Device;            // pass-through: "sr0"
  std::uint8_t HostAdapter = 0;  // SCSI generic layer
  std::uint8_t Target = 0;
  std::uint8_t Lun = 0;
  std::string Name;              // at most 16 characters
};

inline constexpr int kMaxCdDrives = 32;

struct CDDriveList {
  bool UseSPTI = true;
  int CDDriveCount = 0;
  std::array<CDDrive, kMaxCdDrives> CDDriveTable;
  // With no drive: why, in German (none found where it was looked for, or
  // found but not to be opened by this user).
  std::string Absent;
  // The list entry for drive i: "sr0: " + name, or the name alone for the
  // SCSI generic layer.
  std::string ListText(int i) const;
};

// A line for the dialog's message box (UTF-8).
using MessageLine = std::function<void(const std::string&)>;

// Finds the drives; stops adding at 32. Problems become message lines.
CDDriveList FindAllCDDrives(PassThroughTransport& passThrough, ScsiGenericLoader& generic,
                            const MessageLine& write);

}  // namespace sonavix::cdda
