#include "lyrics/id3_sylt.h"

#include <cstdio>
#include <optional>
#include <vector>

namespace sonavix {

namespace {

constexpr std::size_t kHeader = 10;
// Times past ten hours are no song's: such entries are left out, as the
// lyrics reader leaves out such stamps.
constexpr std::uint32_t kLatestMs = 36'000'000;

std::uint32_t SyncSafe(const std::uint8_t* p) {
  return (std::uint32_t(p[0] & 0x7F) << 21) | (std::uint32_t(p[1] & 0x7F) << 14) | (std::uint32_t(p[2] & 0x7F) << 7) |
         std::uint32_t(p[3] & 0x7F);
}

std::uint32_t BigEndian(const std::uint8_t* p) {
  return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
}

// Unsynchronisation put a zero after every 0xFF; this takes them out.
std::vector<std::uint8_t> Resynchronised(std::span<const std::uint8_t> bytes) {
  std::vector<std::uint8_t> out;
  out.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    out.push_back(bytes[i]);
    if (bytes[i] == 0xFF && i + 1 < bytes.size() && bytes[i + 1] == 0) ++i;
  }
  return out;
}

void AppendUtf8(std::string& out, std::uint32_t c) {
  if (c < 0x80) {
    out += char(c);
  } else if (c < 0x800) {
    out += char(0xC0 | (c >> 6));
    out += char(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += char(0xE0 | (c >> 12));
    out += char(0x80 | ((c >> 6) & 0x3F));
    out += char(0x80 | (c & 0x3F));
  } else {
    out += char(0xF0 | (c >> 18));
    out += char(0x80 | ((c >> 12) & 0x3F));
    out += char(0x80 | ((c >> 6) & 0x3F));
    out += char(0x80 | (c & 0x3F));
  }
}

// One string of the frame in its encoding (0 Latin-1, 1 UTF-16 with a byte
// order mark, 2 UTF-16BE, 3 UTF-8), up to its terminator; `at` moves past
// it. Empty if it runs off the end.
std::optional<std::string> ReadString(std::span<const std::uint8_t> data, std::size_t& at, int encoding) {
  std::string out;
  if (encoding == 0 || encoding == 3) {
    for (; at < data.size(); ++at) {
      if (data[at] == 0) {
        ++at;
        return out;
      }
      if (encoding == 3) out += char(data[at]);
      else AppendUtf8(out, data[at]);
    }
    return std::nullopt;
  }
  bool bigEndian = encoding == 2;
  bool first = true;
  std::uint32_t high = 0;
  for (; at + 1 < data.size(); at += 2) {
    std::uint32_t unit = bigEndian ? (data[at] << 8 | data[at + 1]) : (data[at + 1] << 8 | data[at]);
    if (unit == 0) {
      at += 2;
      return out;
    }
    if (first && encoding == 1 && (unit == 0xFEFF || unit == 0xFFFE)) {
      bigEndian = data[at] == 0xFE;
      first = false;
      continue;
    }
    first = false;
    if (unit >= 0xD800 && unit < 0xDC00) {
      high = unit;
      continue;
    }
    if (unit >= 0xDC00 && unit < 0xE000) {
      if (high) AppendUtf8(out, 0x10000 + ((high - 0xD800) << 10) + (unit - 0xDC00));
      high = 0;
      continue;
    }
    AppendUtf8(out, unit);
  }
  return std::nullopt;
}

std::string Stamp(std::uint32_t ms, char open, char close) {
  char text[32];
  std::snprintf(text, sizeof text, "%c%02u:%02u.%02u%c", open, ms / 60000, ms / 1000 % 60, ms % 1000 / 10, close);
  return text;
}

struct Entry {
  std::string text;
  std::uint32_t ms;
};

std::string Lrc(const std::vector<Entry>& entries) {
  bool breaks = false;
  for (const Entry& e : entries) breaks = breaks || (!e.text.empty() && (e.text[0] == '\n' || e.text[0] == '\r'));
  std::string lrc;
  for (const Entry& e : entries) {
    std::string text = e.text;
    const bool newLine = !breaks || text.empty() || text[0] == '\n' || text[0] == '\r' || lrc.empty();
    while (!text.empty() && (text[0] == '\n' || text[0] == '\r')) text.erase(0, 1);
    // LRC has no escapes: brackets in the words would read as stamps.
    for (char& c : text) {
      if (static_cast<unsigned char>(c) < 0x20) c = ' ';
      if (c == '[' || c == '<') c = '(';
      if (c == ']' || c == '>') c = ')';
    }
    if (newLine) {
      if (!lrc.empty()) lrc += '\n';
      lrc += Stamp(e.ms, '[', ']');
      if (breaks) lrc += Stamp(e.ms, '<', '>');
    } else {
      lrc += Stamp(e.ms, '<', '>');
    }
    lrc += text;
  }
  return lrc.empty() ? lrc : lrc + '\n';
}

std::string SyltFrame(std::span<const std::uint8_t> data) {
  if (data.size() < 6) return {};
  const int encoding = data[0];
  if (encoding > 3 || data[4] != 2) return {};  // times in milliseconds only
  std::size_t at = 6;
  if (!ReadString(data, at, encoding)) return {};  // the content's description
  std::vector<Entry> entries;
  while (at < data.size()) {
    std::optional<std::string> text = ReadString(data, at, encoding);
    if (!text || at + 4 > data.size()) break;
    const std::uint32_t ms = BigEndian(&data[at]);
    at += 4;
    if (ms < kLatestMs) entries.push_back({std::move(*text), ms});
  }
  return Lrc(entries);
}

}  // namespace

std::size_t Id3TagSize(std::span<const std::uint8_t> head) {
  if (head.size() < kHeader || head[0] != 'I' || head[1] != 'D' || head[2] != '3' || head[3] < 2 || head[3] > 4 ||
      (head[6] | head[7] | head[8] | head[9]) & 0x80)
    return 0;
  const bool footer = head[3] == 4 && (head[5] & 0x10);
  return kHeader + SyncSafe(&head[6]) + (footer ? kHeader : 0);
}

std::string SyltAsLrc(std::span<const std::uint8_t> tag) {
  const std::size_t size = Id3TagSize(tag);
  if (size == 0 || tag.size() < kHeader) return {};
  const int version = tag[3];
  if (version < 3) return {};  // ID3v2.2 calls it SLT and is long gone
  const std::uint8_t flags = tag[5];
  std::span<const std::uint8_t> body = tag.subspan(kHeader, std::min(size, tag.size()) - kHeader);
  std::vector<std::uint8_t> plain;
  if (version == 3 && (flags & 0x80)) {
    plain = Resynchronised(body);
    body = plain;
  }
  std::size_t at = 0;
  if (flags & 0x40) {  // an extended header
    if (body.size() < 4) return {};
    at = version == 4 ? SyncSafe(&body[0]) : BigEndian(&body[0]) + 4;
  }
  while (at + kHeader <= body.size() && body[at] != 0) {
    const std::uint8_t* frame = &body[at];
    const std::size_t length = version == 4 ? SyncSafe(frame + 4) : BigEndian(frame + 4);
    if (length > body.size() - at - kHeader) return {};
    std::span<const std::uint8_t> data = body.subspan(at + kHeader, length);
    if (frame[0] == 'S' && frame[1] == 'Y' && frame[2] == 'L' && frame[3] == 'T') {
      const std::uint8_t format = frame[9];
      if (version == 3 ? (format & 0xC0) : (format & 0x0C)) return {};  // compressed or encrypted
      std::vector<std::uint8_t> own;
      if (version == 4 && (format & 0x01)) data = data.subspan(std::min<std::size_t>(4, data.size()));  // a length first
      if (version == 4 && (format & 0x02)) {
        own = Resynchronised(data);
        data = own;
      }
      return SyltFrame(data);
    }
    at += kHeader + length;
  }
  return {};
}

}  // namespace sonavix
