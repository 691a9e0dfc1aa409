#include "document/riff.h"

#include "document/little_endian.h"

#include <algorithm>
#include <limits>

namespace sonavix {

namespace {

// Offset of the first byte after a chunk, pad byte included.
std::int64_t ChunkEnd(const RiffChunk& chunk) {
  return chunk.dataOffset + chunk.size + (chunk.size & 1u);
}

bool HasFormType(FourCC id) { return id == kRiffId || id == kListId; }

}  // namespace

bool RiffReader::ReadHeader(RiffChunk& out) {
  std::uint8_t header[8];
  if (source_.ReadAt(pos_, header, 8) != 8) return false;
  out.id = LoadLe32(header);
  out.size = LoadLe32(header + 4);
  out.dataOffset = pos_ + 8;
  out.formType = 0;
  pos_ += 8;
  // Some streaming writers leave the RIFF size at 0 because they cannot go
  // back to fill it in; such a chunk runs to the end of the file.
  if (out.id == kRiffId && out.size == 0) {
    const std::int64_t rest = source_.Size() - out.dataOffset;
    out.size = static_cast<std::uint32_t>(
        std::clamp<std::int64_t>(rest, 0, std::numeric_limits<std::uint32_t>::max()));
  }
  // A RIFF or LIST chunk too short to hold a form type has none; it is
  // skipped like any other chunk.
  if (HasFormType(out.id) && out.size >= 4) {
    std::uint8_t form[4];
    if (source_.ReadAt(pos_, form, 4) != 4) return false;
    out.formType = LoadLe32(form);
    pos_ += 4;
  }
  return true;
}

template <class Match>
bool RiffReader::Find(const RiffChunk* parent, Match match, RiffChunk& out) {
  const std::int64_t limit =
      parent ? ChunkEnd(*parent) : std::numeric_limits<std::int64_t>::max();
  while (pos_ + 8 <= limit) {
    const std::int64_t start = pos_;
    RiffChunk chunk;
    if (!ReadHeader(chunk)) return false;
    if (match(chunk)) {
      out = chunk;
      return true;
    }
    pos_ = ChunkEnd(chunk);
    if (pos_ <= start) return false;  // cannot happen with 32-bit sizes; guards the loop
  }
  return false;
}

bool RiffReader::FindChunk(FourCC id, const RiffChunk* parent, RiffChunk& out) {
  return Find(parent, [id](const RiffChunk& c) { return c.id == id; }, out);
}

bool RiffReader::FindRiff(FourCC formType, const RiffChunk* parent, RiffChunk& out) {
  return Find(
      parent, [formType](const RiffChunk& c) { return c.id == kRiffId && c.formType == formType; },
      out);
}

bool RiffReader::Ascend(const RiffChunk& chunk) {
  pos_ = ChunkEnd(chunk);
  return true;
}

std::size_t RiffReader::Read(void* buf, std::size_t n) {
  const std::size_t got = source_.ReadAt(pos_, buf, n);
  pos_ += static_cast<std::int64_t>(got);
  return got;
}

bool RiffWriter::CreateChunk(RiffChunk& chunk, FourCC id, std::uint32_t size, FourCC formType) {
  chunk.id = id;
  chunk.formType = formType;
  chunk.dataOffset = pos_ + 8;
  chunk.size = size;
  std::uint8_t header[12];
  StoreLe32(header, id);
  StoreLe32(header + 4, size);
  std::size_t length = 8;
  if (HasFormType(id)) {
    StoreLe32(header + 8, formType);
    length = 12;
  }
  if (!sink_.WriteAt(pos_, header, length)) return false;
  pos_ += static_cast<std::int64_t>(length);
  return true;
}

bool RiffWriter::Write(const void* buf, std::size_t n) {
  if (!sink_.WriteAt(pos_, buf, n)) return false;
  pos_ += static_cast<std::int64_t>(n);
  return true;
}

bool RiffWriter::Ascend(const RiffChunk& chunk) {
  const std::int64_t written = pos_ - chunk.dataOffset;
  if (written < 0 || written > std::numeric_limits<std::uint32_t>::max()) return false;
  if (written & 1) {
    const std::uint8_t pad = 0;
    if (!Write(&pad, 1)) return false;
  }
  if (static_cast<std::uint32_t>(written) != chunk.size) {
    std::uint8_t size[4];
    StoreLe32(size, static_cast<std::uint32_t>(written));
    if (!sink_.WriteAt(chunk.dataOffset - 4, size, 4)) return false;
  }
  return true;
}

}  // namespace sonavix
