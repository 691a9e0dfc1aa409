// Both transports in front of emulated drives. Each request is looked up
// afresh, so a test may change a device between requests. Both report the
// residual of every command from the bytes the drive wrote.

#include "cdda/emulated_transports.h"

#include <cerrno>

#include <algorithm>

namespace sonavix::cdda {

namespace {

class EmulatedPassThroughDrive final : public PassThroughDrive {
 public:
  EmulatedPassThroughDrive(EmulatedPassThrough& transport, std::string name)
      : transport_(transport), name_(std::move(name)) {}

  bool Send(PassThroughRecord& record) override {
    const auto* device = Find();
    if (!device || !device->carriesOut || !device->drive) return false;
    const std::size_t dataLength = std::min<std::size_t>(record.DataTransferLength(), kDataAreaSize);
    std::size_t transferred = 0;
    record.SetScsiStatus(device->drive->Execute(record.CdbBytes(), record.CdbLength(), record.Data(),
                                                dataLength, record.Sense(), kSenseInfoLength, &transferred));
    record.SetDataResidual(record.DataTransferLength() - static_cast<std::uint32_t>(transferred));
    return true;
  }

 private:
  const EmulatedPassThrough::Device* Find() const {
    for (const auto& device : transport_.devices) {
      if (device.name == name_) return &device;
    }
    return nullptr;
  }

  EmulatedPassThrough& transport_;
  std::string name_;
};

class EmulatedLayer final : public ScsiGenericLayer {
 public:
  explicit EmulatedLayer(EmulatedScsiGeneric& loader) : loader_(loader) {}

  std::uint32_t GetASPI32SupportInfo() override {
    return static_cast<std::uint32_t>(loader_.supportStatus) << 8 | loader_.adapterCount;
  }

  std::uint32_t SendASPI32Command(SRB_GDEVBlock& srb) override {
    ++loader_.typeQueries;
    if (srb.SRB_HaId >= loader_.adapterCount) {
      srb.SRB_Status = SS_INVALID_HA;
    } else if (const auto* device = Find(srb.SRB_HaId, srb.SRB_Target, srb.SRB_Lun)) {
      srb.SRB_Status = SS_COMP;
      srb.SRB_DeviceType = device->type;
    } else {
      srb.SRB_Status = SS_ERR;
    }
    return srb.SRB_Status;
  }

  std::uint32_t SendASPI32Command(SRB_ExecSCSICmd& srb) override {
    const auto* device = Find(srb.SRB_HaId, srb.SRB_Target, srb.SRB_Lun);
    if (srb.SRB_HaId >= loader_.adapterCount || !device || !device->drive) {
      srb.SRB_Status = SS_ERR;
      return srb.SRB_Status;
    }
    const std::size_t cdbLength = std::min<std::size_t>(srb.SRB_CDBLen, sizeof srb.CDBByte);
    const std::size_t senseLength = std::min<std::size_t>(srb.SRB_SenseLen, sizeof srb.SenseArea);
    const std::size_t dataLength = srb.SRB_BufPointer ? srb.SRB_BufLen : 0;
    std::size_t transferred = 0;
    srb.SRB_TargStat = device->drive->Execute(srb.CDBByte, cdbLength, srb.SRB_BufPointer, dataLength,
                                              srb.SenseArea, senseLength, &transferred);
    srb.SRB_BufResidual = srb.SRB_BufLen - static_cast<std::uint32_t>(transferred);
    srb.SRB_Status = srb.SRB_TargStat == 0 ? SS_COMP : SS_ERR;
    if (srb.SRB_PostProc) srb.SRB_PostProc->Set();
    return SS_PENDING;
  }

  std::unique_ptr<CompletionEvent> CreateEvent() override {
    if (loader_.eventsFail) return nullptr;
    return ScsiGenericLayer::CreateEvent();
  }

 private:
  const EmulatedScsiGeneric::Device* Find(int adapter, int target, int lun) const {
    if (lun != 0) return nullptr;
    const auto it = loader_.devices.find({adapter, target});
    return it == loader_.devices.end() ? nullptr : &it->second;
  }

  EmulatedScsiGeneric& loader_;
};

}  // namespace

std::vector<std::string> EmulatedPassThrough::CdDrives() {
  std::vector<std::string> names;
  for (const auto& device : devices) names.push_back(device.name);
  return names;
}

std::unique_ptr<PassThroughDrive> EmulatedPassThrough::Open(const std::string& device) {
  const auto it = std::find_if(devices.begin(), devices.end(),
                               [&](const Device& d) { return d.name == device; });
  if (it == devices.end() || !it->opens) {
    errno = ENXIO;  // as the kernel says of a node with no drive behind it
    return nullptr;
  }
  ++opened;
  return std::make_unique<EmulatedPassThroughDrive>(*this, device);
}

std::unique_ptr<ScsiGenericLayer> EmulatedScsiGeneric::Load() {
  ++loads;
  if (missing) return nullptr;
  return std::make_unique<EmulatedLayer>(*this);
}

}  // namespace sonavix::cdda
