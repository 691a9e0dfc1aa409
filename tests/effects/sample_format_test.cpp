// Converting the whole sound to another rate, channel count and sample width:
// the sample values, the frames picked at a new rate, the size of the result,
// and a sound that ends in a partial frame.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "effects/sample_format.h"

namespace {

using sonavix::AudioDocument;
using sonavix::ConvertSampleFormat;
using sonavix::SoundFormat;
using Bytes = std::vector<std::uint8_t>;

constexpr SoundFormat k8Mono{8000, false, false}, k8Stereo{8000, true, false};
constexpr SoundFormat k16Mono{8000, false, true}, k16Stereo{8000, true, true};

SoundFormat AtRate(SoundFormat f, std::int32_t rate) { return {rate, f.IsStereo, f.Is16Bit}; }

// The block holds exactly the given bytes, so a read past DataSize is caught.
AudioDocument MakeDoc(SoundFormat format, const Bytes& bytes) {
  AudioDocument doc;
  auto block = sonavix::SampleBlock::Allocate(static_cast<std::int32_t>(bytes.size()));
  std::memcpy(block.bytes.get(), bytes.data(), bytes.size());
  sonavix::ReplaceBlock(doc, std::move(block), format);
  doc.SelStart = 5;
  doc.SelEnd = 2;
  return doc;
}

Bytes Content(const AudioDocument& doc) {
  return Bytes(doc.SampleData.get(), doc.SampleData.get() + doc.DataSize);
}

Bytes Words(std::initializer_list<std::int16_t> values) {
  Bytes out;
  for (std::int16_t v : values) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(static_cast<std::uint16_t>(v) >> 8));
  }
  return out;
}

// Three frames in each format that every other format can hold exactly
// (16-bit values are multiples of 256); R differs from L so that a mixed or
// swapped channel shows. Mono holds the left channel.
Bytes Sound(SoundFormat f, bool rightIsLeft) {
  const std::int16_t left[] = {-32768, 0, 32512};
  const std::int16_t right[] = {512, -256, -32768};
  Bytes out;
  for (int k = 0; k < 3; ++k) {
    const std::int16_t r = rightIsLeft ? left[k] : right[k];
    for (std::int16_t v :
         f.IsStereo ? std::vector<std::int16_t>{left[k], r} : std::vector<std::int16_t>{left[k]}) {
      const Bytes b = f.Is16Bit ? Words({v}) : Bytes{static_cast<std::uint8_t>(v / 256 + 128)};
      out.insert(out.end(), b.begin(), b.end());
    }
  }
  return out;
}

TEST(SampleFormatValues, EveryPairOfWidthsAndChannelCounts) {
  for (SoundFormat from : {k8Mono, k8Stereo, k16Mono, k16Stereo}) {
    for (SoundFormat to : {k8Mono, k8Stereo, k16Mono, k16Stereo}) {
      SCOPED_TRACE(testing::Message() << from.FrameSize() << (from.Is16Bit ? "w" : "b") << " -> "
                                      << to.FrameSize() << (to.Is16Bit ? "w" : "b"));
      AudioDocument doc = MakeDoc(from, Sound(from, false));
      ASSERT_TRUE(ConvertSampleFormat(doc, to));
      // Mono to stereo copies the one channel into both.
      EXPECT_EQ(Content(doc), Sound(to, !from.IsStereo));
    }
  }
}

TEST(SampleFormatValues, WideningCentresAndNarrowingKeepsTheHighByte) {
  AudioDocument up = MakeDoc(k8Mono, {0, 127, 128, 200, 255});
  ASSERT_TRUE(ConvertSampleFormat(up, k16Stereo));
  EXPECT_EQ(Content(up), Words({-32768, -32768, -256, -256, 0, 0, 18432, 18432, 32512, 32512}));

  // Arithmetic shift: small negative values fall to 127, not to the zero line.
  AudioDocument down =
      MakeDoc(k16Stereo, Words({-32768, 1, 0, 1, 32767, 1, -1, 1, 255, 1, -257, 1}));
  ASSERT_TRUE(ConvertSampleFormat(down, k8Mono));
  EXPECT_EQ(Content(down), (Bytes{0, 128, 255, 127, 128, 126}));
}

TEST(SampleFormatRate, LoweringDropsFramesAndRaisingRepeatsThem) {
  AudioDocument half =
      MakeDoc(AtRate(k16Stereo, 44100), Words({0, 1, 10, 11, 20, 21, 30, 31, 40, 41, 50, 51}));
  ASSERT_TRUE(ConvertSampleFormat(half, AtRate(k16Stereo, 22050)));
  EXPECT_EQ(Content(half), Words({0, 1, 20, 21, 40, 41}));

  AudioDocument twice = MakeDoc(AtRate(k8Mono, 22050), {10, 20, 30});
  ASSERT_TRUE(ConvertSampleFormat(twice, AtRate(k8Mono, 44100)));
  EXPECT_EQ(Content(twice), (Bytes{10, 10, 20, 20, 30, 30}));

  Bytes ramp(22);
  for (std::size_t k = 0; k < ramp.size(); ++k) ramp[k] = static_cast<std::uint8_t>(k);
  AudioDocument odd = MakeDoc(AtRate(k8Mono, 11025), ramp);
  ASSERT_TRUE(ConvertSampleFormat(odd, AtRate(k8Mono, 8000)));
  EXPECT_EQ(Content(odd), (Bytes{0, 1, 2, 4, 5, 6, 8, 9, 11, 12, 13, 15, 16, 17, 19}));
}

TEST(SampleFormatRate, LongSoundsUseSixtyFourBitProducts) {
  // 20 million frames: both the size and the frame index products pass 2^31.
  Bytes ramp(20'000'000);
  for (std::size_t k = 0; k < ramp.size(); ++k) ramp[k] = static_cast<std::uint8_t>(k * 7);
  AudioDocument doc = MakeDoc(AtRate(k8Mono, 44100), ramp);
  ASSERT_TRUE(ConvertSampleFormat(doc, AtRate(k8Mono, 48000)));
  ASSERT_EQ(doc.DataSize, 21'768'707);  // 20e6 * 48000 div 44100
  for (std::int64_t i : {std::int64_t{1'000'000}, std::int64_t{21'768'706}}) {
    EXPECT_EQ(doc.SampleData[i], ramp[i * 44100 / 48000]) << i;
  }
}

TEST(SampleFormatSize, HalvingsTruncateInTheirOrderAndTheRateLast) {
  struct Case {
    SoundFormat from;
    std::size_t size;
    SoundFormat to;
    std::int32_t newSize;
  };
  for (const Case c : {Case{k16Mono, 5, k8Stereo, 4},  // 5 div 2 first, then doubled
                       Case{k8Stereo, 3, k16Mono, 3},  // doubled first, then 6 div 2
                       Case{AtRate(k8Mono, 3), 7, AtRate(k16Stereo, 2), 18},  // 28 * 2 div 3
                       Case{k16Stereo, 3, k8Mono, 0}}) {
    AudioDocument doc = MakeDoc(c.from, Bytes(c.size, 128));
    ASSERT_TRUE(ConvertSampleFormat(doc, c.to));
    EXPECT_EQ(doc.DataSize, c.newSize);
  }
}

TEST(SampleFormatSize, UnchangedFormatCopiesWholeFramesAndClearsTheRest) {
  AudioDocument doc = MakeDoc(k16Mono, {1, 2, 3, 4, 5});
  ASSERT_TRUE(ConvertSampleFormat(doc, k16Mono));
  EXPECT_EQ(Content(doc), (Bytes{1, 2, 3, 4, 0}));
  EXPECT_EQ(doc.SelStart, 0);
  EXPECT_EQ(doc.SelEnd, 0);
}

TEST(SampleFormatPartialFrame, AFrameCutShortReadsAsSilence) {
  // One whole 16-bit stereo frame and three bytes of the next; doubling the
  // rate asks for the broken frame as target frame 2.
  AudioDocument wide = MakeDoc(AtRate(k16Stereo, 100), Bytes{0, 1, 2, 3, 9, 9, 9});
  ASSERT_TRUE(ConvertSampleFormat(wide, AtRate(k16Stereo, 200)));
  EXPECT_EQ(Content(wide), (Bytes{0, 1, 2, 3, 0, 1, 2, 3, 0, 0, 0, 0, 0, 0}));

  AudioDocument narrow = MakeDoc(AtRate(k8Stereo, 1), Bytes{10, 20, 99});
  ASSERT_TRUE(ConvertSampleFormat(narrow, AtRate(k8Stereo, 3)));
  EXPECT_EQ(Content(narrow), (Bytes{10, 20, 10, 20, 10, 20, 128, 128, 0}));
}

TEST(SampleFormatDocument, ShortenedSoundIsConvertedAndTakesTheNewFormat) {
  // As after a crop: a fresh, shorter block with the selection still set.
  AudioDocument doc = MakeDoc(AtRate(k16Stereo, 44100), Words({100, 200, 300, 400, 500, 600}));
  Bytes kept(doc.SampleData.get() + 4, doc.SampleData.get() + 12);
  doc = MakeDoc(doc.Format(), kept);
  ASSERT_TRUE(ConvertSampleFormat(doc, AtRate(k16Mono, 22050)));
  EXPECT_EQ(Content(doc), Words({300}));
  EXPECT_EQ(doc.Format(), AtRate(k16Mono, 22050));
  EXPECT_EQ(doc.SelStart, 0);
  EXPECT_EQ(doc.SelEnd, 0);
}

TEST(SampleFormatDocument, RefusesWhatItCannotConvertAndLeavesItAlone) {
  AudioDocument empty;
  EXPECT_FALSE(ConvertSampleFormat(empty, k16Stereo));
  EXPECT_EQ(empty.Format(), SoundFormat{});
  EXPECT_EQ(empty.SampleData, nullptr);

  AudioDocument stopped = MakeDoc(AtRate(k8Mono, 0), {1, 2});
  EXPECT_FALSE(ConvertSampleFormat(stopped, k8Mono));
  AudioDocument doc = MakeDoc(k8Mono, {1, 2});
  EXPECT_FALSE(ConvertSampleFormat(doc, AtRate(k8Mono, 0)));
  for (const AudioDocument* d : {&stopped, &doc}) {
    EXPECT_EQ(Content(*d), (Bytes{1, 2}));
    EXPECT_EQ(d->SelStart, 5);
  }
}

}  // namespace
