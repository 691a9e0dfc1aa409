// The emulated drive: answers the three commands the CD import sends from a
// synthetic disc, the way an MMC drive does, including its failures: a disc
// spinning up or missing, unreadable sectors and short replies.

#include "cdda/emulated_cd_drive.h"

#include <algorithm>
#include <cstring>

#include "cdda/cd_text.h"

namespace sonavix::cdda {

namespace {

constexpr std::uint8_t kGood = 0x00;
constexpr std::uint8_t kCheckCondition = 0x02;
constexpr std::uint8_t kIllegalRequest = 0x05;
constexpr SenseError kInvalidOpcode{kIllegalRequest, 0x20, 0x00};
constexpr SenseError kInvalidFieldInCdb{kIllegalRequest, 0x24, 0x00};
constexpr SenseError kLbaOutOfRange{kIllegalRequest, 0x21, 0x00};
constexpr SenseError kBecomingReady{0x02, 0x04, 0x01};
constexpr SenseError kMediumChanged{0x06, 0x28, 0x00};
constexpr SenseError kUnrecoveredReadError{0x03, 0x11, 0x00};
constexpr std::size_t kDataSectorBytes = 2048;  // user data of a mode 1 sector
constexpr std::size_t kFixedSenseBytes = 18;
constexpr std::size_t kInquiryReplyBytes = 36;
constexpr std::uint8_t kLeadOutTrack = 0xAA;
constexpr std::uint8_t kAudioTrackAdrControl = 0x10;
constexpr std::uint8_t kDataTrackAdrControl = 0x14;
constexpr std::uint32_t kSessionGap = 11400;

std::uint32_t LoadBe(const std::uint8_t* p, int bytes) {
  std::uint32_t value = 0;
  for (int i = 0; i < bytes; ++i) value = value << 8 | p[i];
  return value;
}

void StoreBe32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 3; i >= 0; --i, v >>= 8) p[i] = static_cast<std::uint8_t>(v);
}

// `text` cut or blank-padded to `width` bytes at `out`.
void PutPadded(std::uint8_t* out, const std::string& text, std::size_t width) {
  std::memset(out, ' ', width);
  std::memcpy(out, text.data(), std::min(width, text.size()));
}

// Copies the reply, cut to what the command allows and the caller offered;
// returns the bytes copied.
std::size_t PutReply(const std::vector<std::uint8_t>& reply, std::size_t allocation, std::uint8_t* data,
                     std::size_t dataLength) {
  const std::size_t n = std::min({reply.size(), allocation, dataLength});
  if (n > 0) std::memcpy(data, reply.data(), n);
  return n;
}

std::uint8_t CheckCondition(const SenseError& error, std::uint8_t* sense, std::size_t senseLength) {
  std::uint8_t fixed[kFixedSenseBytes] = {};
  fixed[0] = 0x70;
  fixed[2] = error.senseKey;
  fixed[7] = kFixedSenseBytes - 8;
  fixed[12] = error.asc;
  fixed[13] = error.ascq;
  const std::size_t n = std::min(senseLength, kFixedSenseBytes);
  if (n > 0) std::memcpy(sense, fixed, n);
  return kCheckCondition;
}

}  // namespace

std::uint8_t EmulatedDisc::SectorByte(std::uint32_t lba, std::size_t offset) {
  const auto o = static_cast<std::uint32_t>(offset);
  return static_cast<std::uint8_t>((lba * 7 + o * 13 + (o >> 8)) ^ (lba >> 3));
}

std::vector<std::uint8_t> EmulatedCdDrive::TocReply() const {
  const std::size_t tracks = disc.trackStarts.size();
  std::vector<std::uint8_t> reply(4 + 8 * (tracks + 1), 0);
  const std::size_t dataLength = reply.size() - 2;
  reply[0] = static_cast<std::uint8_t>(dataLength >> 8);
  reply[1] = static_cast<std::uint8_t>(dataLength);
  reply[2] = disc.firstTrack;
  reply[3] = static_cast<std::uint8_t>(disc.firstTrack + tracks - 1);
  for (std::size_t k = 0; k <= tracks; ++k) {
    std::uint8_t* descriptor = &reply[4 + 8 * k];
    const bool leadOut = k == tracks;
    const auto track = static_cast<std::uint8_t>(disc.firstTrack + k);
    const bool data = !leadOut && std::find(disc.dataTracks.begin(), disc.dataTracks.end(), track) !=
                                      disc.dataTracks.end();
    descriptor[1] = data ? kDataTrackAdrControl : kAudioTrackAdrControl;
    descriptor[2] = leadOut ? kLeadOutTrack : track;
    StoreBe32(descriptor + 4, leadOut ? disc.leadOut : disc.trackStarts[k]);
  }
  return reply;
}

std::uint8_t EmulatedCdDrive::Execute(const std::uint8_t* cdb, std::size_t cdbLength,
                                      std::uint8_t* data, std::size_t dataLength,
                                      std::uint8_t* sense, std::size_t senseLength,
                                      std::size_t* transferred) {
  std::size_t written = 0;
  const std::uint8_t status = Carry(cdb, cdbLength, data, dataLength, sense, senseLength, written);
  if (transferred) *transferred = written;
  return status;
}

std::uint8_t EmulatedCdDrive::Carry(const std::uint8_t* cdb, std::size_t cdbLength, std::uint8_t* data,
                                    std::size_t dataLength, std::uint8_t* sense, std::size_t senseLength,
                                    std::size_t& written) {
  log.push_back({std::vector<std::uint8_t>(cdb, cdb + cdbLength), dataLength});
  const std::uint8_t opcode = cdbLength > 0 ? cdb[0] : 0;
  const bool readCd = opcode == 0xBE && cdbLength >= 12;
  const std::size_t readIndex = readCd ? reads++ : 0;
  if (opcode != 0x12) {
    if (const auto refusal = Unready()) return CheckCondition(*refusal, sense, senseLength);
  }

  if (opcode == 0x12 && cdbLength >= 6) {
    if (inquiryFails) return CheckCondition(kInvalidFieldInCdb, sense, senseLength);
    std::vector<std::uint8_t> reply(kInquiryReplyBytes, 0);
    reply[0] = 0x05;  // CD/DVD device
    reply[1] = 0x80;  // removable medium
    reply[2] = 0x05;
    reply[3] = 0x02;
    reply[4] = kInquiryReplyBytes - 5;
    PutPadded(&reply[8], vendor, 8);
    PutPadded(&reply[16], product, 16);
    PutPadded(&reply[32], "1.00", 4);
    written = PutReply(reply, LoadBe(cdb + 3, 2), data, dataLength);
    return kGood;
  }

  if (opcode == 0x43 && cdbLength >= 10) {
    const bool msf = (cdb[1] & 0x02) != 0;
    const int format = cdb[2] & 0x0F;
    if (format == 5 && !msf) {  // CD-Text, where the disc has it
      if (!cdText) return CheckCondition(kInvalidFieldInCdb, sense, senseLength);
      written = PutReply(CdTextReply(*cdText), LoadBe(cdb + 7, 2), data, dataLength);
      return kGood;
    }
    if (format == 1 && sessionInfo) {
      written = PutReply(SessionInfoReply(), LoadBe(cdb + 7, 2), data, dataLength);
      return kGood;
    }
    if (format == 2 && fullToc) {
      written = PutReply(FullTocReply(), LoadBe(cdb + 7, 2), data, dataLength);
      return kGood;
    }
    if (msf || format != 0) return CheckCondition(kInvalidFieldInCdb, sense, senseLength);
    if (tocFails) return CheckCondition(*tocFails, sense, senseLength);
    written = PutReply(rawToc ? *rawToc : TocReply(), LoadBe(cdb + 7, 2), data, dataLength);
    return kGood;
  }

  if (readCd) {
    return ReadCd(LoadBe(cdb + 2, 4), LoadBe(cdb + 6, 3), readIndex, data, dataLength, sense, senseLength,
                  written);
  }

  return CheckCondition(kInvalidOpcode, sense, senseLength);
}

std::uint8_t EmulatedCdDrive::ReadCd(std::uint32_t lba, std::uint32_t count, std::size_t readIndex,
                                     std::uint8_t* data, std::size_t dataLength, std::uint8_t* sense,
                                     std::size_t senseLength, std::size_t& written) {
  if (static_cast<std::uint64_t>(lba) + count > disc.leadOut) {
    return CheckCondition(kLbaOutOfRange, sense, senseLength);
  }
  if (readFails) {
    if (const auto error = readFails(readIndex, lba)) return CheckCondition(*error, sense, senseLength);
  }
  const auto bad = disc.badSectors.lower_bound(lba);
  if (bad != disc.badSectors.end() && *bad - lba < count) {
    return CheckCondition(kUnrecoveredReadError, sense, senseLength);
  }
  bool gap = false;
  for (std::uint32_t k = 0; k < count; ++k) gap = gap || InSessionGap(lba + k);
  if (gap && disc.gap != EmulatedDisc::Gap::Readable)
    return CheckCondition(disc.gap == EmulatedDisc::Gap::OutOfRange ? kLbaOutOfRange : kUnrecoveredReadError, sense,
                          senseLength);
  if (sleep) sleep(secondsPerRead + secondsPerSector * count);
  std::size_t limit = dataLength;
  if (readShort) {
    if (const auto cut = readShort(readIndex, lba)) limit = std::min(limit, *cut);
  }
  for (std::uint32_t k = 0; k < count && written < limit; ++k) {
    const std::size_t sectorBytes = IsDataSector(lba + k) ? kDataSectorBytes : kSectorBytes;
    const std::size_t n = std::min(sectorBytes, limit - written);
    const bool silent = InSessionGap(lba + k);
    const bool jittered = jitter && jitter(readIndex, lba + k);
    for (std::size_t i = 0; i < n; ++i)
      data[written + i] = silent ? 0 : static_cast<std::uint8_t>(EmulatedDisc::SectorByte(lba + k, i) ^
                                                    (jittered && i % 7 == 0 ? 1 + readIndex % 250 : 0));
    written += n;
  }
  return kGood;
}

std::optional<SenseError> EmulatedCdDrive::Unready() {
  if (notReady) return notReady;
  const bool spinning = spinUpCommands > 0 || (readyAt && clock() < *readyAt);
  if (spinning) {
    if (spinUpCommands > 0) --spinUpCommands;
    return kBecomingReady;
  }
  if (!mediumChanged) return std::nullopt;
  mediumChanged = false;
  return kMediumChanged;
}

bool EmulatedCdDrive::InSessionGap(std::uint32_t lba) const {
  for (const std::uint8_t first : disc.laterSessions) {
    const std::size_t index = first - disc.firstTrack;
    if (index >= disc.trackStarts.size()) continue;
    const std::uint32_t next = disc.trackStarts[index];
    if (lba < next && lba + kSessionGap >= next) return true;
  }
  return false;
}

std::vector<std::uint8_t> EmulatedCdDrive::SessionInfoReply() const {
  std::vector<std::uint8_t> reply(12, 0);
  reply[1] = 10;
  reply[2] = 1;
  reply[3] = static_cast<std::uint8_t>(1 + disc.laterSessions.size());
  const std::uint8_t first = disc.laterSessions.empty() ? disc.firstTrack : disc.laterSessions.back();
  reply[6] = first;
  StoreBe32(&reply[8], disc.trackStarts[first - disc.firstTrack]);
  return reply;
}

// Points A0 (first track), A1 (last track) and A2 (lead-out) of each session
// and a point for each track, in MSF with the two-second offset.
std::vector<std::uint8_t> EmulatedCdDrive::FullTocReply() const {
  std::vector<std::uint8_t> reply(4, 0);
  const auto add = [&](int session, std::uint8_t control, std::uint8_t point, std::uint32_t lba) {
    const std::uint32_t at = lba + 150;
    const std::uint8_t d[11] = {static_cast<std::uint8_t>(session), static_cast<std::uint8_t>(0x10 | control), 0,
                                point, 0, 0, 0, 0, static_cast<std::uint8_t>(at / 4500),
                                static_cast<std::uint8_t>(at / 75 % 60), static_cast<std::uint8_t>(at % 75)};
    reply.insert(reply.end(), d, d + 11);
  };
  std::vector<std::uint8_t> firsts{disc.firstTrack};
  firsts.insert(firsts.end(), disc.laterSessions.begin(), disc.laterSessions.end());
  const std::size_t tracks = disc.trackStarts.size();
  for (std::size_t s = 0; s < firsts.size(); ++s) {
    const std::size_t from = firsts[s] - disc.firstTrack;
    const std::size_t to = s + 1 < firsts.size() ? firsts[s + 1] - disc.firstTrack : tracks;
    const std::uint32_t leadOut = s + 1 < firsts.size() ? disc.trackStarts[to] - kSessionGap : disc.leadOut;
    const int session = static_cast<int>(s + 1);
    reply.insert(reply.end(), {static_cast<std::uint8_t>(session), 0x10, 0, 0xA0, 0, 0, 0, 0, firsts[s], 0, 0});
    reply.insert(reply.end(), {static_cast<std::uint8_t>(session), 0x10, 0, 0xA1, 0, 0, 0, 0,
                               static_cast<std::uint8_t>(disc.firstTrack + to - 1), 0, 0});
    add(session, 0, 0xA2, leadOut);
    for (std::size_t k = from; k < to; ++k)
      add(session, IsDataSector(disc.trackStarts[k]) ? 4 : 0, static_cast<std::uint8_t>(disc.firstTrack + k),
          disc.trackStarts[k]);
  }
  reply[0] = static_cast<std::uint8_t>((reply.size() - 2) >> 8);
  reply[1] = static_cast<std::uint8_t>(reply.size() - 2);
  reply[2] = 1;
  reply[3] = static_cast<std::uint8_t>(firsts.size());
  return reply;
}

bool EmulatedCdDrive::IsDataSector(std::uint32_t lba) const {
  const auto& starts = disc.trackStarts;
  std::size_t k = 0;
  while (k + 1 < starts.size() && starts[k + 1] <= lba) ++k;
  const auto track = static_cast<std::uint8_t>(disc.firstTrack + k);
  return std::find(disc.dataTracks.begin(), disc.dataTracks.end(), track) != disc.dataTracks.end();
}

}  // namespace sonavix::cdda
