#pragma once
// Both transports over emulated drives, for tests: which devices exist,
// which open, whether the fallback layer is there and how it answers.

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "cdda/emulated_cd_drive.h"
#include "cdda/pass_through.h"
#include "cdda/scsi_generic.h"

namespace sonavix::cdda {

class EmulatedPassThrough final : public PassThroughTransport {
 public:
  struct Device {
    std::string name;                         // "sr0"
    std::shared_ptr<EmulatedCdDrive> drive;
    bool opens = true;                        // false: Open gives null
    bool carriesOut = true;                   // false: Send returns false
  };
  std::vector<Device> devices;
  int opened = 0;                             // successful Open calls

  std::vector<std::string> CdDrives() override;
  std::unique_ptr<PassThroughDrive> Open(const std::string& device) override;
};

class EmulatedScsiGeneric final : public ScsiGenericLoader {
 public:
  bool missing = false;                       // Load gives null
  std::uint8_t supportStatus = SS_COMP;
  std::uint8_t adapterCount = 1;
  bool eventsFail = false;                    // CreateEvent gives null
  // Devices by (adapter, target); LUN 0 only.
  struct Device {
    std::uint8_t type = DTYPE_CDROM;
    std::shared_ptr<EmulatedCdDrive> drive;   // null for devices that are not CD drives
  };
  std::map<std::pair<int, int>, Device> devices;
  int loads = 0;                              // Load calls
  int typeQueries = 0;

  std::unique_ptr<ScsiGenericLayer> Load() override;
};

}  // namespace sonavix::cdda
