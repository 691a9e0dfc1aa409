#pragma once
// The pass-through transport: a CD drive opened by its device name takes one
// request record at a time. The record is one buffer for the request and its
// answer: a 44-byte head with status, lengths, time-out and command block,
// the data residual in the word after it, the sense area at 48 and the data
// area at 80. Back ends: SG_IO on the CD
// block devices (sg_io_pass_through.cpp) and an emulated drive for tests
// (emulated_transports.cpp).

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "cdda/device_calls.h"
#include "cdda/scsi_commands.h"
#include "document/little_endian.h"

namespace sonavix::cdda {

inline constexpr std::size_t kPassThroughLength = 44;
inline constexpr std::size_t kSenseOffset = 48;
inline constexpr std::size_t kSenseInfoLength = 24;
inline constexpr std::size_t kDataOffset = 80;
inline constexpr std::size_t kDataAreaSize = kRequestBytes + 1;  // 23521
inline constexpr std::size_t kRecordSize = kDataOffset + kDataAreaSize + 3;  // 23604

class PassThroughRecord {
 public:
  // Zero-fills the record, then sets it up for one data-in command.
  void Prepare(const Cdb& cdb, std::uint32_t transferLength, std::uint32_t timeoutSeconds);

  std::uint8_t ScsiStatus() const { return bytes_[2]; }
  void SetScsiStatus(std::uint8_t status) { bytes_[2] = status; }
  std::uint8_t CdbLength() const { return bytes_[6]; }
  std::uint32_t DataTransferLength() const { return LoadLe32(&bytes_[12]); }
  void SetDataTransferLength(std::uint32_t n) { StoreLe32(&bytes_[12], n); }
  std::uint32_t TimeOutValue() const { return LoadLe32(&bytes_[16]); }
  // The bytes of DataTransferLength() the drive did not send: a back end
  // sets it after carrying out the command (SG_IO: the kernel's `resid`).
  // Prepare sets it to 0, so a back end that cannot tell reports a full
  // transfer. A reply may be short with good status; only the first
  // DataTransferred() bytes of the data area are the drive's.
  std::uint32_t DataResidual() const { return LoadLe32(&bytes_[kPassThroughLength]); }
  void SetDataResidual(std::uint32_t n) { StoreLe32(&bytes_[kPassThroughLength], n); }
  std::uint32_t DataTransferred() const {
    return DataTransferLength() - std::min(DataResidual(), DataTransferLength());
  }
  std::uint8_t* CdbBytes() { return &bytes_[28]; }
  const std::uint8_t* CdbBytes() const { return &bytes_[28]; }
  std::uint8_t* Sense() { return &bytes_[kSenseOffset]; }
  const std::uint8_t* Sense() const { return &bytes_[kSenseOffset]; }
  std::uint8_t* Data() { return &bytes_[kDataOffset]; }
  const std::uint8_t* Data() const { return &bytes_[kDataOffset]; }
  std::uint8_t* Raw() { return bytes_.data(); }
  const std::uint8_t* Raw() const { return bytes_.data(); }

 private:
  std::array<std::uint8_t, kRecordSize> bytes_{};
};

// One opened drive.
class PassThroughDrive {
 public:
  virtual ~PassThroughDrive() = default;
  // Sends the record's command and waits for it, up to the record's
  // time-out. False when the request could not be carried out at all;
  // otherwise the record holds the SCSI status, sense bytes, data and the
  // data residual.
  virtual bool Send(PassThroughRecord& record) = 0;
};

class PassThroughTransport {
 public:
  virtual ~PassThroughTransport() = default;
  // The CD drives there are, by device name ("sr0", "sr1", ...), in order.
  virtual std::vector<std::string> CdDrives() = 0;
  // Opens a drive for reading and writing; null when that fails (errno
  // says why).
  virtual std::unique_ptr<PassThroughDrive> Open(const std::string& device) = 0;
  // The CD block devices the last CdDrives() found but could not open for
  // want of permission ("/dev/sr0").
  virtual std::vector<std::string> DeniedDevices() const { return {}; }
};

// Sends the record; true when it was carried out and the status is good.
bool SendRequest(PassThroughDrive& drive, PassThroughRecord& record);

// The machine's CD block devices /dev/sr0 ... /dev/sr31 through SG_IO, by
// way of `calls` (the real kernel unless a test gives a fake one).
std::unique_ptr<PassThroughTransport> CreateSgIoPassThrough(DeviceCalls& calls = LinuxDeviceCalls());

}  // namespace sonavix::cdda
