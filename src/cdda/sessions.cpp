#include "cdda/sessions.h"

namespace sonavix::cdda {

namespace {

constexpr std::uint8_t kReadTocOpcode = 0x43;
constexpr std::size_t kHeader = 4;
constexpr std::size_t kFullTocDescriptor = 11;
constexpr std::uint8_t kFirstTrackPoint = 0xA0;
constexpr std::uint8_t kLeadOutPoint = 0xA2;

Cdb TocCdb(std::uint8_t format, std::uint8_t session, std::size_t bytes) {
  Cdb cdb;
  cdb.length = 10;
  cdb.bytes[0] = kReadTocOpcode;
  cdb.bytes[2] = format;
  cdb.bytes[6] = session;
  cdb.bytes[7] = static_cast<std::uint8_t>(bytes >> 8);
  cdb.bytes[8] = static_cast<std::uint8_t>(bytes & 0xFF);
  return cdb;
}

// The reply's bytes after its header, as its length field says and `size`
// allows.
std::size_t ReplyEnd(const std::uint8_t* data, std::size_t size) {
  if (size < kHeader) return 0;
  const std::size_t said = 2 + (std::size_t{data[0]} << 8 | data[1]);
  return said < size ? said : size;
}

}  // namespace

Cdb ReadSessionInfoCdb() { return TocCdb(1, 0, 12); }
Cdb ReadFullTocCdb() { return TocCdb(2, 1, kFullTocBytes); }

std::optional<std::uint32_t> SessionLeadOut(const std::uint8_t* data, std::size_t size, int track) {
  const std::size_t end = ReplyEnd(data, size);
  // Each session's descriptors: A0 names its first track, A2 its lead-out.
  struct Session {
    int first = -1;
    std::optional<std::uint32_t> leadOut;
  } sessions[100];
  for (std::size_t at = kHeader; at + kFullTocDescriptor <= end; at += kFullTocDescriptor) {
    const std::uint8_t* d = data + at;
    const int session = d[0];
    if (session < 1 || session > 99 || (d[1] >> 4) != 1) continue;  // ADR 1 only
    if (d[3] == kFirstTrackPoint) sessions[session].first = d[8];
    if (d[3] == kLeadOutPoint && d[9] < 60 && d[10] < kSectorsPerSecond) {
      const std::uint32_t msf = (std::uint32_t{d[8]} * 60 + d[9]) * kSectorsPerSecond + d[10];
      if (msf >= 150) sessions[session].leadOut = msf - 150;
    }
  }
  // The session of `track`: the last one whose first track is not above it.
  const Session* found = nullptr;
  for (const Session& s : sessions)
    if (s.first >= 0 && s.first <= track && (!found || s.first > found->first)) found = &s;
  if (!found || !found->leadOut) return std::nullopt;
  return found->leadOut;
}

std::optional<int> FirstTrackOfLastSession(const std::uint8_t* data, std::size_t size) {
  if (ReplyEnd(data, size) < kHeader + 8) return std::nullopt;
  const int firstSession = data[2], lastSession = data[3];
  if (lastSession <= firstSession) return std::nullopt;
  return data[kHeader + 2];
}

}  // namespace sonavix::cdda
