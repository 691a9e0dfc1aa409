#include "cdda/cd_text.h"

#include <algorithm>

namespace sonavix::cdda {

namespace {

constexpr std::size_t kPackBytes = 18;
constexpr std::size_t kTextBytes = 12;
constexpr std::uint8_t kTitle = 0x80;
constexpr std::uint8_t kPerformer = 0x81;
constexpr std::uint8_t kSizeInfo = 0x8F;

// CRC-16 with the polynomial x^16 + x^12 + x^5 + 1 over the first 16 bytes,
// stored inverted, big-endian.
std::uint16_t PackCrc(const std::uint8_t* pack) {
  std::uint16_t crc = 0;
  for (std::size_t i = 0; i < 16; ++i) {
    crc = static_cast<std::uint16_t>(crc ^ pack[i] << 8);
    for (int bit = 0; bit < 8; ++bit)
      crc = static_cast<std::uint16_t>(crc & 0x8000 ? crc << 1 ^ 0x1021 : crc << 1);
  }
  return static_cast<std::uint16_t>(~crc);
}

bool CrcHolds(const std::uint8_t* pack) {
  const auto stored = static_cast<std::uint16_t>(pack[16] << 8 | pack[17]);
  return stored == 0 || stored == PackCrc(pack);  // some drives leave the CRC out
}

// ISO 8859-1 to UTF-8; control characters other than tab become blanks.
void AppendLatin1(std::string& out, std::uint8_t c) {
  if (c < 0x20 && c != '\t') c = ' ';
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else {
    out.push_back(static_cast<char>(0xC0 | c >> 6));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

// UTF-8 to ISO 8859-1; what it lacks becomes '?'.
std::vector<std::uint8_t> ToLatin1(const std::string& text) {
  std::vector<std::uint8_t> out;
  for (std::size_t i = 0; i < text.size();) {
    const auto c = static_cast<std::uint8_t>(text[i]);
    if (c < 0x80) {
      out.push_back(c);
      ++i;
    } else if ((c & 0xE0) == 0xC0 && i + 1 < text.size() && c <= 0xC3) {
      out.push_back(static_cast<std::uint8_t>((c & 0x1F) << 6 | (static_cast<std::uint8_t>(text[i + 1]) & 0x3F)));
      i += 2;
    } else {
      out.push_back('?');
      ++i;
      while (i < text.size() && (static_cast<std::uint8_t>(text[i]) & 0xC0) == 0x80) ++i;
    }
  }
  return out;
}

// Tabs stand for the text of the track before; blanks around a text go.
void Finish(std::map<int, std::string>& texts) {
  for (auto it = texts.begin(); it != texts.end();) {
    std::string& text = it->second;
    if (text == "\t") text = it == texts.begin() ? "" : std::prev(it)->second;
    const auto first = text.find_first_not_of(' ');
    text = first == std::string::npos ? "" : text.substr(first, text.find_last_not_of(' ') - first + 1);
    it = text.empty() ? texts.erase(it) : std::next(it);
  }
}

}  // namespace

std::string CdText::Describe(int track) const {
  const auto title = titles.find(track);
  const auto performer = performers.find(track);
  if (title == titles.end()) return {};
  if (performer == performers.end()) return title->second;
  return title->second + " – " + performer->second;
}

Cdb ReadCdTextCdb(std::uint16_t allocation) {
  Cdb cdb;
  cdb.length = 10;
  cdb.bytes[0] = 0x43;
  cdb.bytes[2] = 0x05;
  cdb.bytes[7] = static_cast<std::uint8_t>(allocation >> 8);
  cdb.bytes[8] = static_cast<std::uint8_t>(allocation);
  return cdb;
}

CdText ParseCdText(const std::uint8_t* data, std::size_t size) {
  CdText text;
  if (!data || size < 4) return text;
  const std::size_t length = std::min(size, 2 + (std::size_t{data[0]} << 8 | data[1]));
  // The size-information pack tells the character set of block 0.
  for (std::size_t at = 4; at + kPackBytes <= length; at += kPackBytes) {
    const std::uint8_t* pack = data + at;
    if (pack[0] == kSizeInfo && (pack[3] & 0x70) == 0 && pack[1] == 0 && CrcHolds(pack) && pack[4] > 0x01)
      return text;  // a two-byte set (MS-JIS, Korean, Mandarin) is not read here
  }
  std::map<int, std::string>* current[2] = {&text.titles, &text.performers};
  for (std::size_t at = 4; at + kPackBytes <= length; at += kPackBytes) {
    const std::uint8_t* pack = data + at;
    if (pack[0] != kTitle && pack[0] != kPerformer) continue;
    if ((pack[3] & 0x80) != 0 || (pack[3] & 0x70) != 0 || !CrcHolds(pack)) continue;
    std::map<int, std::string>& texts = *current[pack[0] - kTitle];
    int track = pack[1] & 0x7F;
    for (std::size_t i = 0; i < kTextBytes && track <= 99; ++i) {
      const std::uint8_t c = pack[4 + i];
      if (c == 0) {
        texts.try_emplace(track);
        ++track;
      } else {
        AppendLatin1(texts[track], c);
      }
    }
  }
  Finish(text.titles);
  Finish(text.performers);
  return text;
}

std::vector<std::uint8_t> CdTextReply(const CdText& text) {
  std::vector<std::uint8_t> reply(4, 0);
  std::uint8_t sequence = 0;
  const auto addPacks = [&](std::uint8_t type, const std::map<int, std::string>& texts) {
    if (texts.empty()) return;
    // Texts of tracks 0 ... last in order, each ended by a 0 byte.
    std::vector<std::pair<int, std::uint8_t>> stream;  // (track, byte)
    for (int track = 0; track <= texts.rbegin()->first; ++track) {
      const auto it = texts.find(track);
      for (const std::uint8_t c : ToLatin1(it == texts.end() ? std::string() : it->second))
        stream.emplace_back(track, c);
      stream.emplace_back(track, 0);
    }
    for (std::size_t start = 0; start < stream.size(); start += kTextBytes) {
      std::uint8_t pack[kPackBytes] = {};
      pack[0] = type;
      pack[1] = static_cast<std::uint8_t>(stream[start].first);
      pack[2] = sequence++;
      int position = 0;  // characters of this track's text before the pack
      for (std::size_t k = start; k > 0 && stream[k - 1].first == stream[start].first; --k) ++position;
      pack[3] = static_cast<std::uint8_t>(std::min(position, 15));
      for (std::size_t i = 0; i < kTextBytes && start + i < stream.size(); ++i) pack[4 + i] = stream[start + i].second;
      const std::uint16_t crc = PackCrc(pack);
      pack[16] = static_cast<std::uint8_t>(crc >> 8);
      pack[17] = static_cast<std::uint8_t>(crc);
      reply.insert(reply.end(), pack, pack + kPackBytes);
    }
  };
  addPacks(kTitle, text.titles);
  addPacks(kPerformer, text.performers);
  const std::size_t dataLength = reply.size() - 2;
  reply[0] = static_cast<std::uint8_t>(dataLength >> 8);
  reply[1] = static_cast<std::uint8_t>(dataLength);
  return reply;
}

}  // namespace sonavix::cdda
