#include "document/wave_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <limits>

#include "document/little_endian.h"
#include "document/riff.h"
#include "document/safe_file.h"

namespace sonavix {

namespace {

constexpr FourCC kWaveForm = MakeFourCC("WAVE");
constexpr FourCC kFmtId = MakeFourCC("fmt ");
constexpr FourCC kDataId = MakeFourCC("data");
constexpr std::uint16_t kPcmTag = 1;
constexpr std::size_t kFormatBytes = 16;

WaveFormatHeader DecodeFormat(const std::uint8_t* b) {
  return {LoadLe16(b),     LoadLe16(b + 2),  LoadLe32(b + 4),
          LoadLe32(b + 8), LoadLe16(b + 12), LoadLe16(b + 14)};
}

void EncodeFormat(const WaveFormatHeader& h, std::uint8_t* b) {
  StoreLe16(b, h.wFormatTag);
  StoreLe16(b + 2, h.nChannels);
  StoreLe32(b + 4, h.nSamplesPerSec);
  StoreLe32(b + 8, h.nAvgBytesPerSec);
  StoreLe16(b + 12, h.nBlockAlign);
  StoreLe16(b + 14, h.wBitsPerSample);
}

bool IsSupported(const WaveFormatHeader& h) {
  return h.wFormatTag == kPcmTag && (h.nChannels == 1 || h.nChannels == 2) &&
         (h.wBitsPerSample == 8 || h.wBitsPerSample == 16);
}

}  // namespace

WaveFormatHeader MakeFormatHeader(SoundFormat f) {
  WaveFormatHeader h;
  h.wFormatTag = kPcmTag;
  h.nChannels = static_cast<std::uint16_t>(f.Channels());
  h.nSamplesPerSec = static_cast<std::uint32_t>(f.SampleRate);
  h.nAvgBytesPerSec = static_cast<std::uint32_t>(f.SampleRate) * static_cast<std::uint32_t>(f.FrameSize());
  h.nBlockAlign = static_cast<std::uint16_t>(f.FrameSize());
  h.wBitsPerSample = static_cast<std::uint16_t>(8 * f.BytesPerSample());
  return h;
}

std::optional<WaveData> ReadWave(ByteSource& source) {
  RiffReader riff(source);
  RiffChunk wave, fmt, data;
  if (!riff.FindRiff(kWaveForm, nullptr, wave)) return std::nullopt;
  if (!riff.FindChunk(kFmtId, &wave, fmt)) return std::nullopt;
  std::uint8_t raw[kFormatBytes];
  if (fmt.size < kFormatBytes || riff.Read(raw, kFormatBytes) != kFormatBytes) return std::nullopt;
  riff.Ascend(fmt);
  const WaveFormatHeader header = DecodeFormat(raw);
  if (!IsSupported(header)) return std::nullopt;
  if (!riff.FindChunk(kDataId, &wave, data)) return std::nullopt;
  // The document counts bytes in a signed 32-bit number; a larger chunk, or
  // one the file cannot fill, is refused before any memory is taken for it.
  if (data.size == 0 || data.size > static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max()) ||
      data.size > riff.BytesLeftInFile())
    return std::nullopt;
  WaveData result;
  result.block = SampleBlock::Allocate(static_cast<std::int32_t>(data.size));
  if (riff.Read(result.block.bytes.get(), data.size) != data.size) return std::nullopt;
  // A rate beyond the signed range cannot be played or saved; keep it in range.
  result.format.SampleRate = static_cast<std::int32_t>(
      std::min<std::uint32_t>(header.nSamplesPerSec, std::numeric_limits<std::int32_t>::max()));
  result.format.IsStereo = header.nChannels == 2;
  result.format.Is16Bit = header.wBitsPerSample == 16;
  return result;
}

std::optional<WaveData> ReadWaveFile(const std::string& path) {
  FileSource file(path);
  if (!file.ok()) return std::nullopt;
  return ReadWave(file);
}

bool WriteWave(ByteSink& sink, const std::uint8_t* data, std::int32_t size, SoundFormat format) {
  if (size < 0) return false;
  RiffWriter riff(sink);
  RiffChunk wave, fmt, chunk;
  const auto dataSize = static_cast<std::uint32_t>(size);
  const std::uint32_t pad = dataSize & 1u;
  if (!riff.CreateChunk(wave, kRiffId, 4 + 8 + kFormatBytes + 8 + dataSize + pad, kWaveForm))
    return false;
  std::uint8_t raw[kFormatBytes];
  EncodeFormat(MakeFormatHeader(format), raw);
  if (!riff.CreateChunk(fmt, kFmtId, kFormatBytes) || !riff.Write(raw, kFormatBytes) ||
      !riff.Ascend(fmt))
    return false;
  if (!riff.CreateChunk(chunk, kDataId, dataSize)) return false;
  if (size > 0 && !riff.Write(data, dataSize)) return false;
  return riff.Ascend(chunk) && riff.Ascend(wave);
}

bool WriteWaveFile(const std::string& path, const std::uint8_t* data, std::int32_t size,
                   std::int32_t sampleRate, bool isStereo, bool is16Bit) {
  SafeFileWriter file(path);
  if (!file.ok()) return false;
  FdSink sink(file.fd(), Writeback::AsWritten);
  if (!WriteWave(sink, data, size, {sampleRate, isStereo, is16Bit})) return false;
  return file.Commit();
}

}  // namespace sonavix
