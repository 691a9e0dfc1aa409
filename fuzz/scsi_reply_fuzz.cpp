// libFuzzer entry point: any bytes a drive sends back as a TOC, INQUIRY or
// sense reply must be parsed without reading or writing memory the parser
// does not own, and the results must stay within their bounds.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "cdda/scsi_commands.h"
#include "cdda/sense_messages.h"

namespace {

using namespace sonavix::cdda;

void CheckToc(const std::uint8_t* data, std::size_t size) {
  TrackTable table{};
  const auto count = ParseToc(data, size, table);
  if (!count) return;
  if (*count >= table.size() - 1) std::abort();  // tracks plus lead-out fit entries 1..256
  // The position text works on whatever table the reply gave.
  const std::uint32_t lba = size >= 8 ? (std::uint32_t{data[4]} << 24 | std::uint32_t{data[5]} << 16 |
                                         std::uint32_t{data[6]} << 8 | data[7])
                                      : 0;
  if (ChangeSecText(lba, table, *count).find('-') != std::string::npos) std::abort();
}

void CheckInquiry(const std::uint8_t* data, std::size_t size) {
  const auto name = InquiryProductName(data, size);
  if (name && name->size() != 16) std::abort();
}

void CheckSense(const std::uint8_t* data, std::size_t size) {
  const SenseFields fields = ParseSense(data, size);
  const std::string message = geterrorMessage(fields.byte2, fields.asc, fields.ascq);
  if (message.empty() || message.find(':') == std::string::npos) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  CheckToc(data, size);
  CheckInquiry(data, size);
  CheckSense(data, size);
  return 0;
}
