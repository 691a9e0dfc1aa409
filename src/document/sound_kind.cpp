#include "document/sound_kind.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "document/little_endian.h"
#include "document/mpeg_audio_header.h"
#include "document/riff.h"

namespace sonavix {

namespace {

constexpr std::int64_t kSearchBytes = 64 * 1024;
constexpr std::int64_t kLeadingZerosAtMost = 1024 * 1024;
constexpr int kChunksAtMost = 64;
constexpr std::uint16_t kMpegLayer3Tag = 0x0055;
constexpr std::uint16_t kMpegTag = 0x0050;
// How far the next frame of a free-format stream is looked for.
constexpr int kFreeFormatReach = 4096;

bool ReadExactly(ByteSource& source, std::int64_t offset, void* buffer, std::size_t size) {
  return offset >= 0 && source.ReadAt(offset, buffer, size) == size;
}

// A RIFF/WAVE file: whether its fmt chunk says MPEG audio.
bool WaveHoldsMpeg(ByteSource& source) {
  std::int64_t at = 12;
  for (int i = 0; i < kChunksAtMost; ++i) {
    std::uint8_t chunk[10];
    if (!ReadExactly(source, at, chunk, 8)) return false;
    const std::uint32_t size = LoadLe32(chunk + 4);
    if (LoadLe32(chunk) == MakeFourCC("fmt ")) {
      if (size < 2 || !ReadExactly(source, at + 8, chunk + 8, 2)) return false;
      const std::uint16_t tag = LoadLe16(chunk + 8);
      return tag == kMpegLayer3Tag || tag == kMpegTag;
    }
    at += 8 + std::int64_t{size} + (size & 1);
  }
  return false;
}

std::int64_t SkipZeros(ByteSource& source) {
  std::vector<std::uint8_t> block(4096);
  for (std::int64_t at = 0; at < std::min(source.Size(), kLeadingZerosAtMost);) {
    const std::size_t got = source.ReadAt(at, block.data(), block.size());
    if (got == 0) return at;
    const auto first = std::find_if(block.begin(), block.begin() + std::ptrdiff_t(got), [](std::uint8_t b) { return b != 0; });
    if (first != block.begin() + std::ptrdiff_t(got)) return at + (first - block.begin());
    at += std::int64_t(got);
  }
  return 0;
}

bool SameStream(const std::uint8_t* a, const std::uint8_t* b) {
  return IsValidFrameHeader(b) && VersionField(a) == VersionField(b) && LayerField(a) == LayerField(b) &&
         SamplingIndex(a) == SamplingIndex(b);
}

// A frame header at `at` that the next frame confirms. Free format (no
// bitrate in the header) is looked for only where the stream would start.
bool ConfirmedFrame(ByteSource& source, std::int64_t at, const std::uint8_t* header, bool first) {
  if (!IsValidFrameHeader(header)) return false;
  std::uint8_t next[4];
  const int bytes = FrameBytes(header);
  if (bytes > 0) {
    if (at + bytes == source.Size()) return true;  // the only frame
    return ReadExactly(source, at + bytes, next, sizeof next) && SameStream(header, next);
  }
  if (!first) return false;
  // Free format: the bitrate is in no header; the next frame is found by
  // its header of the same kind and the same bitrate index.
  std::vector<std::uint8_t> ahead(kFreeFormatReach);
  const std::size_t got = source.ReadAt(at + 4, ahead.data(), ahead.size());
  for (std::size_t i = 0; i + 4 <= got; ++i)
    if (SameStream(header, &ahead[i]) && BitrateIndex(&ahead[i]) == 0) return true;
  return false;
}

}  // namespace

SoundFileKind DetectSoundFileKind(ByteSource& source) {
  std::uint8_t head[12];
  if (ReadExactly(source, 0, head, sizeof head) && LoadLe32(head) == kRiffId &&
      LoadLe32(head + 8) == MakeFourCC("WAVE"))
    return WaveHoldsMpeg(source) ? SoundFileKind::Mp3 : SoundFileKind::Wave;

  const std::int64_t start = SkipZeros(source);
  std::vector<std::uint8_t> block(static_cast<std::size_t>(kSearchBytes) + 3);
  const std::size_t got = source.ReadAt(start, block.data(), block.size());
  if (got >= 5 && std::memcmp(block.data(), "ID3", 3) == 0 && block[3] >= 2 && block[3] <= 4 && block[4] != 0xFF)
    return SoundFileKind::Mp3;
  for (std::size_t i = 0; i + 4 <= got; ++i)
    if (block[i] == 0xFF && ConfirmedFrame(source, start + std::int64_t(i), &block[i], i == 0)) return SoundFileKind::Mp3;
  return SoundFileKind::Wave;
}

SoundFileKind DetectSoundFileKind(const std::string& path) {
  FileSource file(path);
  return file.ok() ? DetectSoundFileKind(file) : SoundFileKind::Wave;
}

}  // namespace sonavix
