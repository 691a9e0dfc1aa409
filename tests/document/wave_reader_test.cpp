// Reading RIFF/WAVE images: which layouts load, which are refused, and what a
// loaded sound looks like.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <limits>

#include "wav_bytes.h"

namespace {

using namespace wavtest;
using sonavix::WaveData;

TEST(WaveReaderTest, LoadsEachSupportedFormat) {
  struct Case { std::uint16_t channels, bits; std::uint32_t rate; };
  for (const Case c : {Case{1, 8, 11025}, Case{2, 8, 22050}, Case{1, 16, 44100}, Case{2, 16, 48000}}) {
    SCOPED_TRACE(testing::Message() << c.channels << " ch, " << c.bits << " bit");
    const Bytes samples = Pattern(64);
    // nAvgBytesPerSec and nBlockAlign are not checked: nonsense there is fine.
    const Fmt fmt = Fmt().Channels(c.channels).Rate(c.rate).Bits(c.bits).AvgBytes(3).BlockAlign(0);
    const auto wave = Read(SimpleWave(fmt, samples));
    ASSERT_TRUE(wave);
    EXPECT_EQ(BlockBytes(wave->block), samples);
    EXPECT_EQ(wave->format.SampleRate, static_cast<std::int32_t>(c.rate));
    EXPECT_EQ(wave->format.IsStereo, c.channels == 2);
    EXPECT_EQ(wave->format.Is16Bit, c.bits == 16);
  }
}

TEST(WaveReaderTest, SkipsTopLevelChunksBeforeTheWaveForm) {
  // A JUNK chunk of odd size (with its pad) and a RIFF of another form, which
  // itself holds a perfectly good fmt and data, come before the WAVE form.
  const Bytes decoy = Riff("AVI ", {FmtChunk(Fmt().Rate(1111)), Chunk("data", Pattern(10, 99))});
  const Bytes samples = Pattern(33);
  const auto wave = Read(Cat({Chunk("JUNK", Pattern(5)), decoy, SimpleWave(Fmt().Rate(2222), samples)}));
  ASSERT_TRUE(wave);
  EXPECT_EQ(wave->format.SampleRate, 2222);
  EXPECT_EQ(BlockBytes(wave->block), samples);
}

TEST(WaveReaderTest, SkipsOtherChunksAroundFmtWithTheirPadBytes) {
  const Bytes samples = Pattern(40);
  const Bytes list = Chunk("LIST", Cat({{'I', 'N', 'F', 'O'}, Chunk("INAM", Pattern(7))}));
  const auto wave = Read(Riff("WAVE", {list, Chunk("fact", Pattern(4)),
                                       FmtChunk(Fmt().Channels(2).Bits(16)),
                                       Chunk("odd ", Pattern(3)), Chunk("LIST", Pattern(9)),
                                       Chunk("data", samples), Chunk("afte", Pattern(6))}));
  ASSERT_TRUE(wave);
  EXPECT_TRUE(wave->format.IsStereo);
  EXPECT_EQ(BlockBytes(wave->block), samples);
}

TEST(WaveReaderTest, ToleratesUnfinishedSizesOfStreamingWriters) {
  // A writer that cannot seek back leaves the RIFF size at 0: the form then
  // runs to the end of the file.
  const Bytes samples = Pattern(12);
  const auto streamed =
      Read(Riff("WAVE", {FmtChunk(Fmt()), Chunk("data", samples)}, 0u));
  ASSERT_TRUE(streamed);
  EXPECT_EQ(BlockBytes(streamed->block), samples);

  // A LIST chunk too short to hold its form type is skipped like any other.
  const auto shortList = Read(Riff("WAVE", {Chunk("LIST", {'a', 'b'}), FmtChunk(Fmt()),
                                             Chunk("data", samples)}));
  EXPECT_TRUE(shortList);
}

TEST(WaveReaderTest, ReadsOnlyTheFirstSixteenBytesOfFmt) {
  // 17 bytes (odd, padded), 18 with a zero extension size, 18 with a bogus
  // one, and a 40-byte extensible-style tail: all read like a 16-byte fmt.
  for (const Bytes& extra : {Bytes{0x55}, Bytes{0, 0}, Bytes{0x16, 0}, Pattern(24)}) {
    SCOPED_TRACE(testing::Message() << extra.size() << " extra bytes");
    const Bytes samples = Pattern(12);
    const auto wave = Read(SimpleWave(Fmt().Rate(32000).Bits(16).Extra(extra), samples));
    ASSERT_TRUE(wave);
    EXPECT_EQ(wave->format.SampleRate, 32000);
    EXPECT_TRUE(wave->format.Is16Bit);
    EXPECT_EQ(BlockBytes(wave->block), samples);
  }
}

TEST(WaveReaderTest, LoadsDataSizeThatIsNotAWholeNumberOfFrames) {
  // 7 bytes of 16-bit stereo: the block keeps every byte, pad byte excluded.
  const Bytes samples = Pattern(7);
  const Bytes image = SimpleWave(Fmt().Channels(2).Bits(16), samples);
  ASSERT_EQ(image.size(), 44u + 8u);
  const auto wave = Read(image);
  ASSERT_TRUE(wave);
  EXPECT_EQ(wave->block.size, 7);
  EXPECT_EQ(BlockBytes(wave->block), samples);
  // The same file with its final pad byte missing is still complete enough.
  const auto unpadded = Read(Bytes(image.begin(), image.end() - 1));
  ASSERT_TRUE(unpadded);
  EXPECT_EQ(BlockBytes(unpadded->block), samples);
}

TEST(WaveReaderRejectsTest, FormatsOtherThan8Or16BitMonoOrStereoPcm) {
  const Fmt bad[] = {
      Fmt().Tag(3).Bits(16), Fmt().Tag(0xFFFE).Bits(16).Extra(Pattern(24)), Fmt().Tag(0),
      Fmt().Channels(0),     Fmt().Channels(3),                             Fmt().Bits(24),
      Fmt().Bits(32),        Fmt().Bits(0),                                 Fmt().Bits(12),
  };
  for (const Fmt& f : bad) {
    SCOPED_TRACE(testing::Message() << "tag " << f.tag << ", " << f.channels << " ch, " << f.bits << " bit");
    EXPECT_FALSE(Read(SimpleWave(f, Pattern(24))));
  }
}

TEST(WaveReaderRejectsTest, BrokenLayouts) {
  const Bytes fmt = FmtChunk(Fmt());
  const Bytes data = Chunk("data", Pattern(10));
  EXPECT_FALSE(Read({})) << "empty input";
  EXPECT_FALSE(Read(Riff("AVI ", {fmt, data}))) << "no WAVE form";
  EXPECT_FALSE(Read(Chunk("JUNK", Cat({{'W', 'A', 'V', 'E'}, fmt, data})))) << "WAVE not in a RIFF";
  EXPECT_FALSE(Read(Riff("WAVE", {data, fmt}))) << "data before fmt";
  EXPECT_FALSE(Read(Riff("WAVE", {fmt}))) << "no data";
  EXPECT_FALSE(Read(Riff("WAVE", {data}))) << "no fmt";
  EXPECT_FALSE(Read(Riff("WAVE", {fmt, Chunk("data", {})}))) << "empty data";
  // Short fmt chunks, arranged so that the two bytes after them would pass
  // for wBitsPerSample = 8 if the reader read on: a 15-byte one whose pad byte
  // follows, and a 14-byte one followed by a chunk whose id starts 08 00.
  const Bytes full = FmtChunk(Fmt());
  for (const std::uint8_t size : {15, 14}) {
    Bytes shortFmt(full.begin(), full.begin() + 8 + size);
    shortFmt[4] = size;
    if (size & 1) shortFmt.push_back(0);
    EXPECT_FALSE(Read(Riff("WAVE", {shortFmt, Chunk("\x08\0xx", {}), data}))) << "fmt of " << +size;
  }
  EXPECT_FALSE(Read(Riff("WAVE", {fmt, Chunk("data", Pattern(10), 11)}))) << "data one byte short";
}

TEST(WaveReaderRejectsTest, EveryTruncationOfAValidFile) {
  const Bytes image = SimpleWave(Fmt().Channels(2).Bits(16), Pattern(20));
  ASSERT_TRUE(Read(image));
  for (std::size_t n = 0; n < image.size(); ++n)
    EXPECT_FALSE(Read(Bytes(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(n))))
        << "first " << n << " bytes";
}

// A source that claims to be gigabytes long but holds only a header; it
// records how far anyone tried to read.
class HugeSource final : public sonavix::ByteSource {
 public:
  explicit HugeSource(Bytes header) : header_(std::move(header)) {}
  std::int64_t Size() const override { return std::int64_t{5} << 30; }
  std::size_t ReadAt(std::int64_t offset, void* buf, std::size_t n) override {
    furthest = std::max(furthest, offset + static_cast<std::int64_t>(n));
    std::memset(buf, 0, n);
    if (offset < static_cast<std::int64_t>(header_.size()))
      std::memcpy(buf, header_.data() + offset,
                  std::min(n, header_.size() - static_cast<std::size_t>(offset)));
    return n;
  }
  std::int64_t furthest = 0;

 private:
  Bytes header_;
};

TEST(WaveReaderRejectsTest, DataLargerThanTheDocumentCanHoldWithoutTouchingIt) {
  for (const std::uint32_t size : {0x80000000u, 0xFFFFFFFFu}) {
    SCOPED_TRACE(size);
    Bytes header = Cat({Chunk("RIFF", {'W', 'A', 'V', 'E'}, 0xFFFFFFFFu), FmtChunk(Fmt().Bits(16))});
    Put32(header, 0x61746164);  // "data"
    Put32(header, size);
    HugeSource source(header);
    EXPECT_FALSE(sonavix::ReadWave(source));
    EXPECT_LE(source.furthest, static_cast<std::int64_t>(header.size()));
  }
}

}  // namespace
