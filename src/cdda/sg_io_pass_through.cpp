// The pass-through on Linux: the CD block devices /dev/sr0 ... /dev/sr31
// take one request record at a time through the SG_IO ioctl.
//
// A request whose command reached the drive stores the drive's SCSI status
// byte (2 for CHECK CONDITION, with the sense bytes in the record). When the
// ioctl fails, or the host adapter or driver reports a failure without any
// SCSI status (a time-out, a lost device), Send returns false.

#include <fcntl.h>
#include <linux/cdrom.h>
#include <scsi/sg.h>
#include <sys/stat.h>

#include <cerrno>

#include <algorithm>
#include <limits>

#include "cdda/device_calls.h"
#include "cdda/pass_through.h"

namespace sonavix::cdda {

namespace {

constexpr int kMaxBlockDevices = 32;
constexpr unsigned kDriverStatusMask = 0x07;  // the driver's own error, without DRIVER_SENSE

std::string DevicePath(const std::string& name) { return "/dev/" + name; }

// Whether `path` is a CD drive; `denied` turns true for a block device
// this user may not open (on Linux an srN block device is a CD drive).
bool IsCdDrive(DeviceCalls& calls, const std::string& path, bool& denied) {
  struct stat info {};
  if (calls.Stat(path, info) != 0 || !S_ISBLK(info.st_mode)) return false;
  const DeviceDescriptor fd(calls, calls.Open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  denied = !fd.valid() && (errno == EACCES || errno == EPERM);
  return fd.valid() && calls.Ioctl(fd.get(), CDROM_GET_CAPABILITY, nullptr) >= 0;
}

unsigned TimeoutMilliseconds(std::uint32_t seconds) {
  constexpr unsigned kMax = std::numeric_limits<unsigned>::max() / 1000;
  return std::min<unsigned>(seconds, kMax) * 1000;
}

class SgIoDrive final : public PassThroughDrive {
 public:
  SgIoDrive(DeviceCalls& calls, int fd) : calls_(calls), fd_(calls, fd) {}

  bool Send(PassThroughRecord& record) override {
    const unsigned cdbLength = record.CdbLength();
    if (cdbLength == 0 || cdbLength > 16) return false;
    const auto dataLength = static_cast<unsigned>(
        std::min<std::size_t>(record.DataTransferLength(), kDataAreaSize));
    sg_io_hdr_t request{};
    request.interface_id = 'S';
    request.dxfer_direction = dataLength > 0 ? SG_DXFER_FROM_DEV : SG_DXFER_NONE;
    request.cmd_len = static_cast<unsigned char>(cdbLength);
    request.mx_sb_len = static_cast<unsigned char>(kSenseInfoLength);
    request.dxfer_len = dataLength;
    request.dxferp = record.Data();
    request.cmdp = record.CdbBytes();
    request.sbp = record.Sense();
    request.timeout = TimeoutMilliseconds(record.TimeOutValue());
    if (calls_.Ioctl(fd_.get(), SG_IO, &request) < 0) return false;
    if (request.status == 0 &&
        (request.host_status != 0 || (request.driver_status & kDriverStatusMask) != 0)) {
      return false;
    }
    record.SetScsiStatus(request.status);
    // What the drive did not send of what was asked, so a short reply is
    // never taken for a whole one.
    record.SetDataResidual(request.resid <= 0 ? 0 : std::min(static_cast<unsigned>(request.resid), dataLength));
    return true;
  }

 private:
  DeviceCalls& calls_;
  DeviceDescriptor fd_;
};

class SgIoPassThrough final : public PassThroughTransport {
 public:
  explicit SgIoPassThrough(DeviceCalls& calls) : calls_(calls) {}

  std::vector<std::string> CdDrives() override {
    std::vector<std::string> names;
    denied_.clear();
    for (int i = 0; i < kMaxBlockDevices; ++i) {
      const std::string name = "sr" + std::to_string(i);
      bool denied = false;
      if (IsCdDrive(calls_, DevicePath(name), denied)) names.push_back(name);
      if (denied) denied_.push_back(DevicePath(name));
    }
    return names;
  }

  std::vector<std::string> DeniedDevices() const override { return denied_; }

  std::unique_ptr<PassThroughDrive> Open(const std::string& device) override {
    if (device.empty() || device.find('/') != std::string::npos) {
      errno = ENOENT;
      return nullptr;
    }
    const int fd = calls_.Open(DevicePath(device), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return nullptr;
    return std::make_unique<SgIoDrive>(calls_, fd);
  }

 private:
  DeviceCalls& calls_;
  std::vector<std::string> denied_;
};

}  // namespace

std::unique_ptr<PassThroughTransport> CreateSgIoPassThrough(DeviceCalls& calls) {
  return std::make_unique<SgIoPassThrough>(calls);
}

}  // namespace sonavix::cdda
