#include "document/sound_kind.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

#include "document/little_endian.h"
#include "document/mpeg_audio_header.h"
#include "document/riff.h"

namespace sonavix {

namespace {

constexpr std::int64_t kSearchBytes = 64 * 1024;
constexpr std::int64_t kLeadingZerosAtMost = 1024 * 1024;
constexpr std::uint16_t kMpegLayer3Tag = 0x0055;
constexpr std::uint16_t kMpegTag = 0x0050;
// How far the next frame of a free-format stream is looked for.
constexpr int kFreeFormatReach = 4096;

bool ReadExactly(ByteSource& source, std::int64_t offset, void* buffer, std::size_t size) {
  return offset >= 0 && source.ReadAt(offset, buffer, size) == size;
}

// What the WAV reader would find: a RIFF/WAVE chunk among the file's
// chunks, and whether its format is MPEG audio (empty: no RIFF/WAVE).
std::optional<bool> WaveHoldsMpeg(ByteSource& source) {
  RiffReader riff(source);
  RiffChunk wave, fmt;
  if (!riff.FindRiff(MakeFourCC("WAVE"), nullptr, wave)) return std::nullopt;
  std::uint8_t tag[2];
  if (!riff.FindChunk(MakeFourCC("fmt "), &wave, fmt) || fmt.size < 2 || riff.Read(tag, 2) != 2) return false;
  return LoadLe16(tag) == kMpegLayer3Tag || LoadLe16(tag) == kMpegTag;
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
  if (const std::optional<bool> mpeg = WaveHoldsMpeg(source)) return *mpeg ? SoundFileKind::Mp3 : SoundFileKind::Wave;

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
