// The pass-through request record and the rule for a successful request.

#include "cdda/pass_through.h"

#include <algorithm>

namespace sonavix::cdda {

namespace {
constexpr std::uint8_t kDataIn = 1;
}  // namespace

void PassThroughRecord::Prepare(const Cdb& cdb, std::uint32_t transferLength,
                                std::uint32_t timeoutSeconds) {
  bytes_.fill(0);
  StoreLe16(&bytes_[0], static_cast<std::uint16_t>(kPassThroughLength));
  bytes_[6] = cdb.length;
  bytes_[7] = static_cast<std::uint8_t>(kSenseInfoLength);
  bytes_[8] = kDataIn;
  StoreLe32(&bytes_[12], transferLength);
  StoreLe32(&bytes_[16], timeoutSeconds);
  StoreLe32(&bytes_[20], static_cast<std::uint32_t>(kDataOffset));
  StoreLe32(&bytes_[24], static_cast<std::uint32_t>(kSenseOffset));
  std::copy(cdb.bytes.begin(), cdb.bytes.end(), CdbBytes());
}

bool SendRequest(PassThroughDrive& drive, PassThroughRecord& record) {
  return drive.Send(record) && record.ScsiStatus() == 0;
}

}  // namespace sonavix::cdda
