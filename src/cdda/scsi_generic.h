#pragma once
// The fallback transport: SCSI devices addressed by host adapter, target and
// LUN, with a device-type query and command execution that reports its
// completion through an event. Back ends: Linux's SCSI generic driver
// (/dev/sg*, scsi_generic_layer.cpp) and emulated devices for tests
// (emulated_transports.cpp).

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>

#include "cdda/device_calls.h"
#include "cdda/scsi_commands.h"

namespace sonavix::cdda {

// Request status codes.
inline constexpr std::uint8_t SS_PENDING = 0x00;
inline constexpr std::uint8_t SS_COMP = 0x01;
inline constexpr std::uint8_t SS_ERR = 0x04;
inline constexpr std::uint8_t SS_INVALID_HA = 0x81;
inline constexpr std::uint8_t SS_NO_ADAPTERS = 0x82;
inline constexpr std::uint8_t SC_GET_DEV_TYPE = 0x01;
inline constexpr std::uint8_t SC_EXEC_SCSI_CMD = 0x02;
inline constexpr std::uint8_t SRB_DIR_IN = 0x08;
inline constexpr std::uint8_t SRB_EVENT_NOTIFY = 0x40;
inline constexpr std::uint8_t DTYPE_CDROM = 0x05;

// A manual-reset event: set stays set until reset.
class CompletionEvent {
 public:
  void Set();
  void Reset();
  void Wait();
  bool IsSet() const;

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  bool set_ = false;
};

// Device type query.
struct SRB_GDEVBlock {
  std::uint8_t SRB_Cmd = SC_GET_DEV_TYPE;
  std::uint8_t SRB_Status = 0;
  std::uint8_t SRB_HaId = 0;
  std::uint8_t SRB_Flags = 0;
  std::uint32_t SRB_Hdr_Rsvd = 0;
  std::uint8_t SRB_Target = 0;
  std::uint8_t SRB_Lun = 0;
  std::uint8_t SRB_DeviceType = 0;
  std::uint8_t SRB_Rsvd1 = 0;
};

// Command execution. The layer writes at most SRB_BufLen bytes to
// SRB_BufPointer and at most SRB_SenseLen bytes to SenseArea, sets
// SRB_Status and signals SRB_PostProc when done. SRB_BufResidual is the
// part of SRB_BufLen the device did not send (SG_IO: the kernel's `resid`);
// it stays 0 where the layer cannot tell.
struct SRB_ExecSCSICmd {
  std::uint8_t SRB_Cmd = SC_EXEC_SCSI_CMD;
  std::uint8_t SRB_Status = 0;
  std::uint8_t SRB_HaId = 0;
  std::uint8_t SRB_Flags = 0;
  std::uint32_t SRB_Hdr_Rsvd = 0;
  std::uint8_t SRB_Target = 0;
  std::uint8_t SRB_Lun = 0;
  std::uint16_t SRB_Rsvd1 = 0;
  std::uint32_t SRB_BufLen = 0;
  std::uint8_t* SRB_BufPointer = nullptr;
  std::uint8_t SRB_SenseLen = 0;
  std::uint8_t SRB_CDBLen = 0;
  std::uint8_t SRB_HaStat = 0;
  std::uint8_t SRB_TargStat = 0;
  CompletionEvent* SRB_PostProc = nullptr;
  std::uint8_t SRB_Rsvd2[20] = {};
  std::uint8_t CDBByte[16] = {};
  std::uint8_t SenseArea[32] = {};
  std::uint32_t SRB_BufResidual = 0;
};

// The loaded layer.
class ScsiGenericLayer {
 public:
  virtual ~ScsiGenericLayer() = default;
  // Status in bits 15..8, number of host adapters in bits 7..0.
  virtual std::uint32_t GetASPI32SupportInfo() = 0;
  // Answers the query at once with its status (SS_COMP when the device
  // exists, its type then in SRB_DeviceType).
  virtual std::uint32_t SendASPI32Command(SRB_GDEVBlock& srb) = 0;
  // Starts the command: SS_PENDING when it runs (its completion sets the
  // event and SRB_Status), any other value when it was refused at once.
  virtual std::uint32_t SendASPI32Command(SRB_ExecSCSICmd& srb) = 0;
  // A new event, not set; null when none can be made.
  virtual std::unique_ptr<CompletionEvent> CreateEvent();
};

class ScsiGenericLoader {
 public:
  virtual ~ScsiGenericLoader() = default;
  // The layer, or null when it is not available on this machine.
  virtual std::unique_ptr<ScsiGenericLayer> Load() = 0;
  // The SCSI generic nodes the last Load() could not open for want of
  // permission ("/dev/sg0").
  virtual std::vector<std::string> DeniedDevices() const { return {}; }
};

// Where to read about the SCSI generic driver when it is missing.
inline constexpr const char* kScsiGenericDriverAddress = "https://sg.danny.cz/sg/";

// The transfer buffer of this transport: a 23521-byte area that does not
// cross a 64 KiB boundary, carved from one larger allocation.
class AlignedTransferBuffer {
 public:
  AlignedTransferBuffer();
  std::uint8_t* data() { return aligned_; }

 private:
  std::unique_ptr<std::uint8_t[]> allocation_;
  std::uint8_t* aligned_ = nullptr;
};

// A data-in command for the device at (adapter, target, lun): `cdb`, up to
// `length` bytes into `buffer`, 24 bytes of sense, completion signalled
// through `event`.
SRB_ExecSCSICmd MakeExecCommand(std::uint8_t adapter, std::uint8_t target, std::uint8_t lun,
                                const Cdb& cdb, std::uint32_t length, std::uint8_t* buffer,
                                CompletionEvent& event);

// Runs one command through the layer and waits for its completion; returns
// the final SRB_Status (SS_COMP on success).
std::uint8_t ExecuteAndWait(ScsiGenericLayer& layer, SRB_ExecSCSICmd& srb, CompletionEvent& event);

// Linux's SCSI generic driver: host adapters and targets as the kernel
// numbers them; missing when no /dev/sg* device exists. Through `calls` (the
// real kernel unless a test gives a fake one).
std::unique_ptr<ScsiGenericLoader> CreateScsiGenericLoader(DeviceCalls& calls = LinuxDeviceCalls());

}  // namespace sonavix::cdda
