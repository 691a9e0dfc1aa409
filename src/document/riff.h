#pragma once
// A small RIFF chunk layer. The reader finds a chunk by its four-character
// code, skipping (with their pad bytes) the chunks it passes; the writer
// creates chunks and, on leaving one, writes the pad byte after an odd-sized
// chunk and corrects the size field to what was actually written.

#include <cstddef>
#include <cstdint>

#include "document/byte_io.h"

namespace sonavix {

using FourCC = std::uint32_t;

constexpr FourCC MakeFourCC(const char (&code)[5]) {
  return static_cast<FourCC>(static_cast<std::uint8_t>(code[0])) |
         static_cast<FourCC>(static_cast<std::uint8_t>(code[1])) << 8 |
         static_cast<FourCC>(static_cast<std::uint8_t>(code[2])) << 16 |
         static_cast<FourCC>(static_cast<std::uint8_t>(code[3])) << 24;
}

inline constexpr FourCC kRiffId = MakeFourCC("RIFF");
inline constexpr FourCC kListId = MakeFourCC("LIST");

struct RiffChunk {
  FourCC id = 0;
  std::uint32_t size = 0;      // bytes of chunk data, form type included
  FourCC formType = 0;         // RIFF and LIST chunks only
  std::int64_t dataOffset = 0; // first byte after the 8-byte header
};

class RiffReader {
 public:
  explicit RiffReader(ByteSource& source) : source_(source) {}

  // From the current position, finds the next chunk called `id` inside
  // `parent` (the whole file when null) and moves to the start of its data.
  bool FindChunk(FourCC id, const RiffChunk* parent, RiffChunk& out);
  // Likewise for a RIFF chunk of the given form type; moves past the form type.
  bool FindRiff(FourCC formType, const RiffChunk* parent, RiffChunk& out);
  // Moves to the first byte after the chunk and its pad byte.
  bool Ascend(const RiffChunk& chunk);

  // Reads up to n bytes at the current position; returns how many arrived.
  std::size_t Read(void* buf, std::size_t n);
  std::int64_t BytesLeftInFile() const { return source_.Size() - pos_; }

 private:
  bool ReadHeader(RiffChunk& out);
  template <class Match>
  bool Find(const RiffChunk* parent, Match match, RiffChunk& out);

  ByteSource& source_;
  std::int64_t pos_ = 0;
};

class RiffWriter {
 public:
  explicit RiffWriter(ByteSink& sink) : sink_(sink) {}

  // Writes a chunk header at the current position with `size` as the first
  // guess at its length; a RIFF or LIST chunk also gets its form type.
  bool CreateChunk(RiffChunk& chunk, FourCC id, std::uint32_t size, FourCC formType = 0);
  bool Write(const void* buf, std::size_t n);
  // Pads an odd chunk to even length and fixes its size field if the data
  // written differs from the size given when it was created.
  bool Ascend(const RiffChunk& chunk);

 private:
  ByteSink& sink_;
  std::int64_t pos_ = 0;
};

}  // namespace sonavix
