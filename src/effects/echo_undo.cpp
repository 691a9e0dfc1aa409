#include "effects/echo_undo.h"

#include <algorithm>
#include <cstring>

#include "effects/echo.h"
#include "effects/effect_region.h"
#include "effects/undo_flags.h"

namespace sonavix {

namespace {

using undo_flags::kPiece;
using undo_flags::kPieceFlagBytes;

constexpr std::int64_t kPieceSamples = static_cast<std::int64_t>(kPiece);

// The echo runs block by block, each block `lag` samples (the last one
// shorter), and every block in pieces; a piece's flags have their place by
// its block and its number in the block.
std::int64_t PiecesPerBlock(const EchoReach& reach) { return (reach.lag + kPieceSamples - 1) / kPieceSamples; }

template <class Piece>
void ForEachPiece(const EchoReach& reach, bool backwards, Piece piece) {
  const std::int64_t blocks = (reach.last - reach.first + reach.lag - 1) / reach.lag;
  const std::int64_t perBlock = PiecesPerBlock(reach);
  for (std::int64_t i = 0; i < blocks; ++i) {
    const std::int64_t b = backwards ? blocks - 1 - i : i;
    const std::int64_t start = reach.first + b * reach.lag;
    const std::int64_t length = std::min(reach.lag, reach.last - start);
    for (std::int64_t j = 0; j * kPieceSamples < length; ++j)
      piece(start + j * kPieceSamples, std::min(kPieceSamples, length - j * kPieceSamples), b * perBlock + j);
  }
}

}  // namespace

EchoReach EchoReachOf(const AudioDocument& doc, double delaySeconds) {
  const ByteSpan span = EchoSpan(doc, delaySeconds);
  if (span.empty()) return {};
  const int width = doc.BytesPerSample();
  return {span.offset / width, (span.offset + span.size) / width,
          FramesIn(delaySeconds, doc.SampleRate) * doc.Channels()};
}

bool EchoCanBeUnmade(const AudioDocument& doc, const EchoReach& reach) {
  return doc.Is16Bit && reach.lag >= kPieceSamples;
}

std::int64_t EchoFlagBytes(const EchoReach& reach) {
  if (reach.last <= reach.first) return 0;
  const std::int64_t blocks = (reach.last - reach.first + reach.lag - 1) / reach.lag;
  return blocks * PiecesPerBlock(reach) * static_cast<std::int64_t>(kPieceFlagBytes);
}

void AddEchoKeeping(AudioDocument& doc, const EchoReach& reach, std::uint8_t* flags) noexcept {
  std::uint8_t* data = doc.SampleData.get();
  ForEachPiece(reach, false, [&](std::int64_t start, std::int64_t count, std::int64_t index) {
    std::uint8_t* __restrict out = data + 2 * start;
    const std::uint8_t* __restrict earlier = out - 2 * reach.lag;
    std::uint8_t* __restrict odd = flags + index * static_cast<std::int64_t>(kPieceFlagBytes);
    std::uint8_t* __restrict negative = odd + undo_flags::kPlane;
    std::memset(odd, 0, kPieceFlagBytes);
    undo_flags::ForEachSample(out, static_cast<std::size_t>(count), [=](std::size_t i, std::size_t j, std::uint8_t bit) {
      std::int16_t a;
      std::int16_t b;
      std::memcpy(&a, out + 2 * i, 2);
      std::memcpy(&b, earlier + 2 * i, 2);
      // The mean of a and b toward zero, in 16 bits: the halves, the odd one
      // when both are odd (that is the mean rounded down), plus one where an
      // odd sum below zero was rounded down.
      const auto sumOdd = static_cast<std::int16_t>((a ^ b) & 1);
      const auto down = static_cast<std::int16_t>((a >> 1) + (b >> 1) + (a & b & 1));
      const auto below = static_cast<std::int16_t>(down < 0);
      odd[j] = static_cast<std::uint8_t>(odd[j] | undo_flags::Bit(bit, sumOdd != 0));
      negative[j] = static_cast<std::uint8_t>(negative[j] | undo_flags::Bit(bit, below != 0));
      const auto mean = static_cast<std::int16_t>(down + (sumOdd & below));
      std::memcpy(out + 2 * i, &mean, 2);
    });
  });
}

void UnmakeEcho(AudioDocument& doc, const EchoReach& reach, const std::uint8_t* flags) noexcept {
  std::uint8_t* data = doc.SampleData.get();
  // The last block first: a block's echo comes from the block before it,
  // which must still hold its result.
  ForEachPiece(reach, true, [&](std::int64_t start, std::int64_t count, std::int64_t index) {
    std::uint8_t* __restrict out = data + 2 * start;
    const std::uint8_t* __restrict earlier = out - 2 * reach.lag;
    const std::uint8_t* __restrict odd = flags + index * static_cast<std::int64_t>(kPieceFlagBytes);
    const std::uint8_t* __restrict negative = odd + undo_flags::kPlane;
    undo_flags::ForEachSample(out, static_cast<std::size_t>(count), [=](std::size_t i, std::size_t j, std::uint8_t bit) {
      std::int16_t mean;
      std::int16_t b;
      std::memcpy(&mean, out + 2 * i, 2);
      std::memcpy(&b, earlier + 2 * i, 2);
      // The halving dropped the odd one, toward zero: back by its sign. The
      // sum may pass 16 bits; the sample, reached by wrapping, does not.
      const auto wasOdd = static_cast<std::int16_t>((odd[j] & bit) != 0);
      const auto wasBelow = static_cast<std::int16_t>((negative[j] & bit) != 0);
      const auto dropped = static_cast<std::int16_t>(wasOdd - 2 * (wasOdd & wasBelow));
      const auto a = static_cast<std::int16_t>(static_cast<std::uint16_t>(2 * mean + dropped - b));
      std::memcpy(out + 2 * i, &a, 2);
    });
  });
}

}  // namespace sonavix
