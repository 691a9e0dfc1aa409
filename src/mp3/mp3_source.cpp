#include "mp3/mp3_source.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>
#include <vector>

#include "document/little_endian.h"
#include "document/riff.h"

namespace sonavix {

namespace {

constexpr std::int64_t kRiffMp3DataStart = 66;  // fixed, whatever the chunk layout
constexpr std::size_t kWaveHeaderMax = 18;      // WAVEFORMATEX with cbSize
constexpr std::size_t kScanBlock = 64 * 1024;

bool ReadExactly(ByteSource& source, std::int64_t offset, void* buf, std::size_t n) {
  return offset >= 0 && source.ReadAt(offset, buf, n) == n;
}

// Offset of the first byte at or after `from` that is not 0; empty when the
// file ends first (or stops delivering bytes).
std::optional<std::int64_t> SkipZeros(ByteSource& source, std::int64_t from) {
  std::vector<std::uint8_t> block(kScanBlock);
  std::int64_t pos = from;
  while (pos >= 0 && pos < source.Size()) {
    const std::size_t got = source.ReadAt(pos, block.data(), block.size());
    if (got == 0) break;
    const auto hit = std::find_if(block.begin(), block.begin() + got,
                                  [](std::uint8_t b) { return b != 0; });
    if (hit != block.begin() + got) return pos + (hit - block.begin());
    pos += static_cast<std::int64_t>(got);
  }
  return std::nullopt;
}

// Offset of the first valid frame header that lies wholly inside the file at
// or after `from`; empty when there is none.
std::optional<std::int64_t> FindFrame(ByteSource& source, std::int64_t from) {
  std::vector<std::uint8_t> block(kScanBlock);
  std::int64_t pos = from;
  while (pos >= 0 && pos <= source.Size() - 4) {
    const std::size_t got = source.ReadAt(pos, block.data(), block.size());
    if (got < 4) break;
    for (std::size_t i = 0; i + 4 <= got; ++i) {
      if (IsValidFrameHeader(&block[i])) return pos + static_cast<std::int64_t>(i);
    }
    // The last three bytes may begin a header that continues in the next block.
    pos += static_cast<std::int64_t>(got - 3);
  }
  return std::nullopt;
}

// The fmt chunk's first bytes when the file is RIFF/WAVE with "fmt " as its
// first chunk; bytes the chunk or the file does not hold stay 0.
std::optional<std::array<std::uint8_t, kWaveHeaderMax>> ReadWrappedWaveHeader(ByteSource& source) {
  std::uint8_t head[20];
  if (!ReadExactly(source, 0, head, sizeof head)) return std::nullopt;
  if (LoadLe32(head) != kRiffId || LoadLe32(head + 8) != MakeFourCC("WAVE") ||
      LoadLe32(head + 12) != MakeFourCC("fmt ")) {
    return std::nullopt;
  }
  std::array<std::uint8_t, kWaveHeaderMax> wave{};
  const std::size_t keep = std::min<std::size_t>(LoadLe32(head + 16), wave.size());
  source.ReadAt(sizeof head, wave.data(), keep);
  return wave;
}

}  // namespace

std::optional<Mp3Source> AnalyseMp3Source(ByteSource& source) {
  std::uint8_t h[4];
  if (!ReadExactly(source, 0, h, sizeof h)) return std::nullopt;  // shorter than a header

  Mp3Source result;
  if (LoadLe32(h) == kRiffId) {
    if (const auto wave = ReadWrappedWaveHeader(source)) {
      const std::uint32_t rate = LoadLe32(wave->data() + 4);
      // A rate beyond int would turn negative; no real stream has one.
      if (rate > static_cast<std::uint32_t>(INT_MAX)) return std::nullopt;
      result.riffWrapped = true;
      result.dataStart = kRiffMp3DataStart;
      result.channels = LoadLe16(wave->data() + 2) == 2 ? 2 : 1;
      result.sampleRate = static_cast<int>(rate);
      result.bitrateKbps =
          static_cast<int>(static_cast<std::uint64_t>(LoadLe32(wave->data() + 8)) * 8 / 1000);
      return result;
    }
  }

  // Leading zero bytes: the header is looked for at the first other byte.
  std::int64_t pos = 0;
  if (h[0] == 0 && h[1] == 0 && h[2] == 0 && h[3] == 0) {
    const auto nonZero = SkipZeros(source, 4);
    if (!nonZero) return std::nullopt;  // nothing but zero bytes
    pos = *nonZero;
    if (!ReadExactly(source, pos, h, sizeof h)) return std::nullopt;
  }

  // Reading starts at offset 0 (the zero bytes above included) unless an
  // ID3v2 tag is skipped; a frame found by searching moves it to that frame.
  std::int64_t start = 0;
  if (h[0] == 'I' && h[1] == 'D' && h[2] == '3') {
    std::uint8_t tag[10];
    if (!ReadExactly(source, pos, tag, sizeof tag)) return std::nullopt;
    // Syncsafe size, seven bits a byte; the end of the tag is counted from
    // the start of the file even when zero bytes came before the tag.
    const std::int64_t tagSize = std::int64_t{tag[6]} * (1 << 21) + std::int64_t{tag[7]} * (1 << 14) +
                                 std::int64_t{tag[8]} * (1 << 7) + std::int64_t{tag[9]};
    const auto afterPadding = SkipZeros(source, tagSize + 10);
    if (!afterPadding) return std::nullopt;  // tag or its padding runs to the end
    pos = *afterPadding;
    if (!ReadExactly(source, pos, h, sizeof h)) return std::nullopt;
    start = pos;
  }

  if (!IsValidFrameHeader(h)) {
    const auto frame = FindFrame(source, pos + 1);
    if (!frame) return std::nullopt;  // no valid frame header before the end
    pos = *frame;
    if (!ReadExactly(source, pos, h, sizeof h)) return std::nullopt;
    start = pos;
  }

  result.dataStart = start;
  result.version = VersionField(h);
  result.layer = LayerField(h);
  result.channels = ChannelMode(h) == 3 ? 1 : 2;
  result.sampleRate = FrameSampleRate(result.version, SamplingIndex(h));
  result.bitrateKbps = FrameBitrateKbps(result.version, result.layer, BitrateIndex(h));
  return result;
}

}  // namespace sonavix
