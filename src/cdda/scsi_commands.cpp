// Command blocks for INQUIRY, READ TOC and READ CD, and the parsing of their
// replies. Multi-byte numbers in commands and replies are big-endian.

#include "cdda/scsi_commands.h"

#include <algorithm>
#include <limits>

namespace sonavix::cdda {
namespace {

constexpr std::uint8_t kInquiryOpcode = 0x12;
constexpr std::uint8_t kReadTocOpcode = 0x43;
constexpr std::uint8_t kReadCdOpcode = 0xBE;
constexpr std::uint8_t kReadCdUserDataOnly = 0x10;

constexpr std::size_t kProductOffset = 16;
constexpr std::size_t kProductLength = 16;

constexpr std::size_t kTocHeaderBytes = 4;
constexpr std::size_t kTocDescriptorBytes = 8;
constexpr std::size_t kTocAdrControlOffset = 1;  // within a descriptor
constexpr std::size_t kTocAddressOffset = 4;
constexpr std::size_t kTableEntries = std::tuple_size_v<TrackTable> - 1;  // entries 1..256

std::uint32_t ReadBigEndian32(const std::uint8_t* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) |
         (std::uint32_t{p[2]} << 8) | std::uint32_t{p[3]};
}

std::int16_t ReadSample(const std::uint8_t* p) {
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(p[0] | (p[1] << 8)));
}

void WriteSample(std::uint8_t* p, std::int16_t value) {
  const auto bits = static_cast<std::uint16_t>(value);
  p[0] = static_cast<std::uint8_t>(bits & 0xFF);
  p[1] = static_cast<std::uint8_t>(bits >> 8);
}

std::string TwoDigits(std::uint32_t value) {
  std::string text = std::to_string(value);
  return text.size() == 1 ? "0" + text : text;
}

}  // namespace

Cdb InquiryCdb() {
  Cdb cdb;
  cdb.length = 6;
  cdb.bytes[0] = kInquiryOpcode;
  cdb.bytes[4] = static_cast<std::uint8_t>(kInquiryBytes);
  return cdb;
}

Cdb ReadTocCdb() {
  Cdb cdb;
  cdb.length = 10;
  cdb.bytes[0] = kReadTocOpcode;
  cdb.bytes[7] = static_cast<std::uint8_t>(kTocBytes >> 8);
  cdb.bytes[8] = static_cast<std::uint8_t>(kTocBytes & 0xFF);
  return cdb;
}

Cdb ReadCdCdb(std::uint32_t lba, std::uint8_t sectors) {
  Cdb cdb;
  cdb.length = 12;
  cdb.bytes[0] = kReadCdOpcode;
  SetReadCdLba(cdb, lba);
  cdb.bytes[8] = sectors;
  cdb.bytes[9] = kReadCdUserDataOnly;
  return cdb;
}

void SetReadCdLba(Cdb& cdb, std::uint32_t lba) {
  cdb.bytes[2] = static_cast<std::uint8_t>(lba >> 24);
  cdb.bytes[3] = static_cast<std::uint8_t>(lba >> 16);
  cdb.bytes[4] = static_cast<std::uint8_t>(lba >> 8);
  cdb.bytes[5] = static_cast<std::uint8_t>(lba);
}

std::optional<std::string> InquiryProductName(const std::uint8_t* data, std::size_t size) {
  if (data == nullptr || size < kProductOffset + kProductLength) return std::nullopt;
  return std::string(reinterpret_cast<const char*>(data + kProductOffset), kProductLength);
}

std::optional<std::uint32_t> ParseToc(const std::uint8_t* data, std::size_t size, TrackTable& table) {
  TrackControls ignored{};
  return ParseToc(data, size, table, ignored);
}

std::optional<std::uint32_t> ParseToc(const std::uint8_t* data, std::size_t size, TrackTable& table,
                                      TrackControls& controls) {
  if (data == nullptr || size < kTocHeaderBytes) return std::nullopt;
  const std::uint8_t first = data[2];
  const std::uint8_t last = data[3];
  if (last < first) return std::nullopt;

  // One descriptor per track plus the lead-out, as far as the reply and the
  // table hold them.
  const std::size_t listed = std::size_t{last} - first + 2;
  const std::size_t held = (size - kTocHeaderBytes) / kTocDescriptorBytes;
  const std::size_t taken = std::min({listed, held, kTableEntries});
  for (std::size_t k = 0; k < taken; ++k) {
    const std::uint8_t* descriptor = data + kTocHeaderBytes + k * kTocDescriptorBytes;
    table[k + 1] = ReadBigEndian32(descriptor + kTocAddressOffset);
    controls[k + 1] = descriptor[kTocAdrControlOffset] & 0x0F;
  }
  // Every counted track has its start and the start of what follows it.
  return static_cast<std::uint32_t>(taken == 0 ? 0 : taken - 1);
}

SenseFields ParseSense(const std::uint8_t* sense, std::size_t size) {
  const auto byteAt = [&](std::size_t offset) -> std::uint8_t {
    return sense != nullptr && offset < size ? sense[offset] : 0;
  };
  return SenseFields{byteAt(2), byteAt(12), byteAt(13)};
}

namespace {
constexpr std::uint8_t kNotReady = 0x02;
constexpr std::uint8_t kMediumError = 0x03;
constexpr std::uint8_t kIllegalRequest = 0x05;
constexpr std::uint8_t kUnitAttention = 0x06;
std::uint8_t SenseKey(const SenseFields& sense) { return sense.byte2 & 0x0F; }
}  // namespace

bool IsBecomingReady(const SenseFields& sense) {
  return SenseKey(sense) == kNotReady && sense.asc == 0x04 && sense.ascq == 0x01;
}

bool IsUnitAttention(const SenseFields& sense) { return SenseKey(sense) == kUnitAttention; }

bool IsNoMedium(const SenseFields& sense) { return SenseKey(sense) == kNotReady && sense.asc == 0x3A; }

bool IsMediumError(const SenseFields& sense) { return SenseKey(sense) == kMediumError; }

bool IsIllegalRequest(const SenseFields& sense) { return SenseKey(sense) == kIllegalRequest; }

void KaraokeTransform(std::uint8_t* frames, std::size_t frameCount) {
  constexpr std::int32_t kMin = std::numeric_limits<std::int16_t>::min();
  constexpr std::int32_t kMax = std::numeric_limits<std::int16_t>::max();
  for (std::size_t i = 0; i < frameCount; ++i) {
    std::uint8_t* frame = frames + i * 4;
    const std::int32_t difference = std::int32_t{ReadSample(frame)} - ReadSample(frame + 2);
    const std::int32_t value = std::clamp(2 * difference / 3, kMin, kMax);
    WriteSample(frame, static_cast<std::int16_t>(value));
    WriteSample(frame + 2, static_cast<std::int16_t>(value));
  }
}

std::string PositionText(std::uint32_t lba, const TrackTable& table, std::uint32_t trackCount) {
  // The first entry beyond `lba` ends the track it lies in; past every entry
  // the position belongs to the last track.
  const std::size_t lastEntry = std::min<std::size_t>(std::size_t{trackCount} + 1, kTableEntries);
  std::size_t track = std::max<std::size_t>(std::min<std::size_t>(trackCount, kTableEntries), 1);
  for (std::size_t k = 1; k <= lastEntry; ++k) {
    if (table[k] > lba) {
      track = std::max<std::size_t>(k - 1, 1);
      break;
    }
  }
  const std::uint32_t base = table[track];
  return TrackTimeText(static_cast<int>(track), lba > base ? lba - base : 0);
}

std::string TrackTimeText(int track, std::uint32_t sectors) {
  const std::uint32_t seconds = sectors / kSectorsPerSecond;
  return "Track no. " + std::to_string(track) + " Time " + TwoDigits(seconds / 3600) + ":" +
         TwoDigits(seconds / 60 % 60) + ":" + TwoDigits(seconds % 60) + " s";
}

}  // namespace sonavix::cdda
