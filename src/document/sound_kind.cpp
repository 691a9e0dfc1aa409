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
constexpr std::uint16_t kPcmTag = 0x0001;
// How far the next frame of a free-format stream is looked for.
constexpr int kFreeFormatReach = 4096;

bool ReadExactly(ByteSource& source, std::int64_t offset, void* buffer, std::size_t size) {
  return offset >= 0 && source.ReadAt(offset, buffer, size) == size;
}

// What the WAV reader would find: a RIFF/WAVE chunk among the file's
// chunks, and the kind its format makes it (empty: no RIFF/WAVE).
std::optional<SoundFileKind> WaveKind(ByteSource& source) {
  RiffReader riff(source);
  RiffChunk wave, fmt;
  if (!riff.FindRiff(MakeFourCC("WAVE"), nullptr, wave)) return std::nullopt;
  std::uint8_t header[16];
  // No usable format at all: the WAV reader's refusal is the one to hear.
  if (!riff.FindChunk(MakeFourCC("fmt "), &wave, fmt) || fmt.size < 16 || riff.Read(header, 16) != 16)
    return SoundFileKind::Wave;
  const std::uint16_t tag = LoadLe16(header), channels = LoadLe16(header + 2), bits = LoadLe16(header + 14);
  if (tag == kMpegLayer3Tag || tag == kMpegTag) return SoundFileKind::Mp3;
  const bool plain = tag == kPcmTag && (channels == 1 || channels == 2) && (bits == 8 || bits == 16);
  return plain ? SoundFileKind::Wave : SoundFileKind::Other;
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

// The signatures of the containers other decoders read, at the start of a
// file: no search for MPEG audio frames in their data.
bool OtherContainer(const std::uint8_t* head, std::size_t size) {
  static const char* const kMagic[] = {"fLaC", "OggS", "FORM", ".snd", "RF64", "riff", "caff", "\x1a\x45\xdf\xa3"};
  for (const char* magic : kMagic)
    if (size >= 4 && std::memcmp(head, magic, 4) == 0) return true;
  return size >= 8 && std::memcmp(head + 4, "ftyp", 4) == 0;  // MP4, M4A, MOV
}

// After an ID3v2 tag: a FLAC stream or AAC in ADTS frames, which some
// taggers put behind one, rather than MPEG audio.
bool OtherAfterTag(ByteSource& source, std::int64_t tagStart, const std::uint8_t* tag) {
  const std::int64_t size = std::int64_t{tag[6] & 0x7F} << 21 | std::int64_t{tag[7] & 0x7F} << 14 |
                            std::int64_t{tag[8] & 0x7F} << 7 | std::int64_t{tag[9] & 0x7F};
  std::uint8_t next[8] = {};
  if (source.ReadAt(tagStart + 10 + size, next, sizeof next) < 4) return false;
  const bool adts = next[0] == 0xFF && (next[1] & 0xF6) == 0xF0;
  return adts || OtherContainer(next, sizeof next);
}

}  // namespace

SoundFileKind DetectSoundFileKind(ByteSource& source) {
  if (const std::optional<SoundFileKind> kind = WaveKind(source)) return *kind;

  const std::int64_t start = SkipZeros(source);
  std::vector<std::uint8_t> block(static_cast<std::size_t>(kSearchBytes) + 3);
  const std::size_t got = source.ReadAt(start, block.data(), block.size());
  if (OtherContainer(block.data(), got)) return SoundFileKind::Other;
  if (got >= 10 && std::memcmp(block.data(), "ID3", 3) == 0 && block[3] >= 2 && block[3] <= 4 && block[4] != 0xFF)
    return OtherAfterTag(source, start, block.data()) ? SoundFileKind::Other : SoundFileKind::Mp3;
  for (std::size_t i = 0; i + 4 <= got; ++i)
    if (block[i] == 0xFF && ConfirmedFrame(source, start + std::int64_t(i), &block[i], i == 0)) return SoundFileKind::Mp3;
  return SoundFileKind::Other;
}

SoundFileKind DetectSoundFileKind(const std::string& path) {
  FileSource file(path);
  return file.ok() ? DetectSoundFileKind(file) : SoundFileKind::Other;
}

}  // namespace sonavix
