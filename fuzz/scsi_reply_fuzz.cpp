// libFuzzer entry point: any bytes a drive sends back as a TOC, a full TOC,
// session information, INQUIRY, sense or CD-Text reply must be parsed without reading or writing memory
// the parser does not own, and the results must stay within their bounds.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "cdda/cd_text.h"
#include "cdda/scsi_commands.h"
#include "cdda/sense_messages.h"
#include "cdda/sessions.h"

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
  if (PositionText(lba, table, *count).find('-') != std::string::npos) std::abort();
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

// Texts for tracks 0 ... 99 only, valid UTF-8 (two bytes at most a
// character, from ISO 8859-1), never empty.
void CheckCdText(const std::uint8_t* data, std::size_t size) {
  const CdText text = ParseCdText(data, size);
  for (const auto* texts : {&text.titles, &text.performers}) {
    for (const auto& [track, value] : *texts) {
      if (track < 0 || track > 99 || value.empty()) std::abort();
      for (std::size_t i = 0; i < value.size(); ++i) {
        const auto c = static_cast<std::uint8_t>(value[i]);
        if (c >= 0x80 && !((c == 0xC2 || c == 0xC3) && i + 1 < value.size() &&
                           (static_cast<std::uint8_t>(value[i + 1]) & 0xC0) == 0x80))
          std::abort();
        if (c >= 0x80) ++i;
      }
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  CheckToc(data, size);
  CheckInquiry(data, size);
  CheckSense(data, size);
  CheckCdText(data, size);
  // A session's lead-out lies within the disc's MSF range; a track of the
  // last session is a track number.
  for (const int track : {1, 3, 99})
    if (const auto leadOut = sonavix::cdda::SessionLeadOut(data, size, track); leadOut && *leadOut > (255 * 60 + 59) * 75 + 74)
      std::abort();
  if (const auto first = sonavix::cdda::FirstTrackOfLastSession(data, size); first && (*first < 0 || *first > 255))
    std::abort();
  return 0;
}
