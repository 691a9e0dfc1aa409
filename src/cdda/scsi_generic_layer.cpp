// The fallback transport on Linux: the SCSI generic driver's devices
// /dev/sg*, addressed as host adapter, target and LUN. The kernel's host
// numbers become adapters 0..n-1 in ascending order. Commands run through
// SG_IO; each completes before SendASPI32Command returns, which then
// signals the event and answers SS_PENDING like an asynchronous layer.

#include <fcntl.h>
#include <scsi/sg.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "cdda/device_calls.h"
#include "cdda/scsi_generic.h"

namespace sonavix::cdda {

namespace {

constexpr unsigned kTimeoutMilliseconds = 200 * 1000;
constexpr unsigned kDriverStatusMask = 0x07;  // the driver's own error, without DRIVER_SENSE
constexpr std::uint8_t SRB_DIR_OUT = 0x10;

struct Address {
  int adapter;
  int target;
  int lun;
  bool operator<(const Address& o) const {
    return std::tie(adapter, target, lun) < std::tie(o.adapter, o.target, o.lun);
  }
};

struct SgDevice {
  int fd = -1;
  std::uint8_t type = 0;
};

bool IsSgName(const std::string& name) {
  return name.size() > 2 && name.compare(0, 2, "sg") == 0 &&
         std::all_of(name.begin() + 2, name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::vector<std::string> SgDevicePaths(DeviceCalls& calls) {
  std::vector<std::string> paths;
  for (const std::string& name : calls.DeviceNames())
    if (IsSgName(name)) paths.push_back("/dev/" + name);
  return paths;
}

int OpenSg(DeviceCalls& calls, const std::string& path) {
  const int fd = calls.Open(path, O_RDWR | O_NONBLOCK | O_CLOEXEC);
  return fd >= 0 ? fd : calls.Open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
}

int Direction(const SRB_ExecSCSICmd& srb) {
  if (srb.SRB_BufLen == 0) return SG_DXFER_NONE;
  return (srb.SRB_Flags & SRB_DIR_OUT) != 0 ? SG_DXFER_TO_DEV : SG_DXFER_FROM_DEV;
}

class SgLayer final : public ScsiGenericLayer {
 public:
  SgLayer(DeviceCalls& calls, const std::vector<std::string>& paths, std::vector<std::string>& denied)
      : calls_(calls) {
    std::vector<std::pair<struct sg_scsi_id, int>> found;
    std::set<int> hosts;
    for (const auto& path : paths) {
      const int fd = OpenSg(calls, path);
      if (fd < 0 && (errno == EACCES || errno == EPERM)) denied.push_back(path);
      if (fd < 0) continue;
      struct sg_scsi_id id{};
      if (calls.Ioctl(fd, SG_GET_SCSI_ID, &id) < 0) {
        calls.Close(fd);
        continue;
      }
      found.emplace_back(id, fd);
      hosts.insert(id.host_no);
    }
    for (const auto& [id, fd] : found) {
      const int adapter = static_cast<int>(std::distance(hosts.begin(), hosts.find(id.host_no)));
      const Address address{adapter, id.scsi_id, id.lun};
      if (devices_.count(address) != 0) {
        calls.Close(fd);
        continue;
      }
      devices_[address] = SgDevice{fd, static_cast<std::uint8_t>(id.scsi_type)};
    }
    adapterCount_ = static_cast<int>(std::min<std::size_t>(hosts.size(), 0xFF));
  }

  ~SgLayer() override {
    for (const auto& [address, device] : devices_) calls_.Close(device.fd);
  }
  SgLayer(const SgLayer&) = delete;
  SgLayer& operator=(const SgLayer&) = delete;

  std::uint32_t GetASPI32SupportInfo() override {
    const std::uint32_t status = adapterCount_ > 0 ? SS_COMP : SS_NO_ADAPTERS;
    return status << 8 | static_cast<std::uint32_t>(adapterCount_);
  }

  std::uint32_t SendASPI32Command(SRB_GDEVBlock& srb) override {
    const SgDevice* device = Find(srb.SRB_HaId, srb.SRB_Target, srb.SRB_Lun);
    if (srb.SRB_HaId >= adapterCount_) {
      srb.SRB_Status = SS_INVALID_HA;
    } else if (!device) {
      srb.SRB_Status = SS_ERR;
    } else {
      srb.SRB_Status = SS_COMP;
      srb.SRB_DeviceType = device->type;
    }
    return srb.SRB_Status;
  }

  std::uint32_t SendASPI32Command(SRB_ExecSCSICmd& srb) override {
    const SgDevice* device = Find(srb.SRB_HaId, srb.SRB_Target, srb.SRB_Lun);
    const bool validBuffer = srb.SRB_BufLen == 0 || srb.SRB_BufPointer != nullptr;
    if (!device || !validBuffer || srb.SRB_CDBLen == 0 || srb.SRB_CDBLen > sizeof srb.CDBByte) {
      srb.SRB_Status = SS_ERR;
      return srb.SRB_Status;
    }
    srb.SRB_Status = Run(*device, srb) ? SS_COMP : SS_ERR;
    if (srb.SRB_PostProc) srb.SRB_PostProc->Set();
    return SS_PENDING;
  }

 private:
  const SgDevice* Find(int adapter, int target, int lun) const {
    const auto it = devices_.find(Address{adapter, target, lun});
    return it == devices_.end() ? nullptr : &it->second;
  }

  // True when the command completed with good status.
  bool Run(const SgDevice& device, SRB_ExecSCSICmd& srb) {
    std::uint8_t sense[sizeof srb.SenseArea] = {};
    sg_io_hdr_t request{};
    request.interface_id = 'S';
    request.dxfer_direction = Direction(srb);
    request.cmd_len = srb.SRB_CDBLen;
    request.mx_sb_len = static_cast<unsigned char>(std::min<std::size_t>(srb.SRB_SenseLen, sizeof sense));
    request.dxfer_len = srb.SRB_BufLen;
    request.dxferp = srb.SRB_BufPointer;
    request.cmdp = srb.CDBByte;
    request.sbp = sense;
    request.timeout = kTimeoutMilliseconds;
    if (calls_.Ioctl(device.fd, SG_IO, &request) < 0) return false;
    std::memcpy(srb.SenseArea, sense, request.mx_sb_len);
    srb.SRB_HaStat = static_cast<std::uint8_t>(request.host_status);
    srb.SRB_TargStat = request.status;
    srb.SRB_BufResidual = request.resid <= 0 ? 0 : std::min(static_cast<std::uint32_t>(request.resid), srb.SRB_BufLen);
    return request.status == 0 && request.host_status == 0 &&
           (request.driver_status & kDriverStatusMask) == 0;
  }

  DeviceCalls& calls_;
  std::map<Address, SgDevice> devices_;
  int adapterCount_ = 0;
};

class SgLoader final : public ScsiGenericLoader {
 public:
  explicit SgLoader(DeviceCalls& calls) : calls_(calls) {}

  std::unique_ptr<ScsiGenericLayer> Load() override {
    denied_.clear();
    const auto paths = SgDevicePaths(calls_);
    if (paths.empty()) return nullptr;
    return std::make_unique<SgLayer>(calls_, paths, denied_);
  }

  std::vector<std::string> DeniedDevices() const override { return denied_; }

 private:
  DeviceCalls& calls_;
  std::vector<std::string> denied_;
};

}  // namespace

std::unique_ptr<ScsiGenericLoader> CreateScsiGenericLoader(DeviceCalls& calls) {
  return std::make_unique<SgLoader>(calls);
}

}  // namespace sonavix::cdda
