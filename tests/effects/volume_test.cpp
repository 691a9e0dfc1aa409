// Louder, quieter and maximum volume: the arithmetic on both sample widths,
// the frames they touch and what they leave alone.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "effects/volume.h"

namespace {

using namespace sonavix;

AudioDocument Doc8(const std::vector<std::uint8_t>& bytes, bool stereo = false) {
  AudioDocument doc;
  SampleBlock block = SampleBlock::Allocate(static_cast<std::int32_t>(bytes.size()));
  std::memcpy(block.bytes.get(), bytes.data(), bytes.size());
  ReplaceBlock(doc, std::move(block), {8000, stereo, false});
  return doc;
}

AudioDocument Doc16(const std::vector<std::int16_t>& values, bool stereo = false) {
  AudioDocument doc;
  SampleBlock block = SampleBlock::Allocate(static_cast<std::int32_t>(2 * values.size()));
  for (std::size_t i = 0; i < values.size(); ++i) {
    block.bytes[2 * i] = static_cast<std::uint8_t>(values[i]);
    block.bytes[2 * i + 1] = static_cast<std::uint8_t>(static_cast<std::uint16_t>(values[i]) >> 8);
  }
  ReplaceBlock(doc, std::move(block), {8000, stereo, true});
  return doc;
}

std::vector<std::uint8_t> Bytes(const AudioDocument& doc) {
  return {doc.SampleData.get(), doc.SampleData.get() + doc.DataSize};
}

std::vector<std::int16_t> Values(const AudioDocument& doc) {
  std::vector<std::int16_t> v;
  for (std::int32_t i = 0; i < doc.SampleCount(); ++i) v.push_back(doc.Sample16(i));
  return v;
}

TEST(VolumeTest, SixteenBitTruncatesTowardZeroAndSaturates) {
  AudioDocument doc = Doc16({1000, 30000, -30000, -15, 15, -32768});
  MakeLouder(doc);
  EXPECT_EQ(Values(doc), (std::vector<std::int16_t>{1100, 32767, -32768, -16, 16, -32768}));

  doc = Doc16({1100, -32768, -1, 1, 32767});
  MakeQuieter(doc);
  EXPECT_EQ(Values(doc), (std::vector<std::int16_t>{1000, -29789, 0, 0, 29788}));

  // Quieter then louder loses the remainder.
  doc = Doc16({1005});
  MakeQuieter(doc);
  MakeLouder(doc);
  EXPECT_EQ(Values(doc), (std::vector<std::int16_t>{1004}));
}

TEST(VolumeTest, EverySixteenBitValueMatchesTheTruncatedQuotient) {
  std::vector<std::int16_t> all;
  for (std::int32_t v = -32768; v <= 32767; ++v) all.push_back(static_cast<std::int16_t>(v));
  AudioDocument louder = Doc16(all);
  AudioDocument quieter = Doc16(all);
  MakeLouder(louder);
  MakeQuieter(quieter);
  for (std::int32_t i = 0; i < 65536; ++i) {
    const std::int32_t v = all[static_cast<std::size_t>(i)];
    ASSERT_EQ(louder.Sample16(i), std::clamp(v * 110 / 100, -32768, 32767)) << v;
    ASSERT_EQ(quieter.Sample16(i), v * 100 / 110) << v;
  }
}

TEST(VolumeTest, EightBitWorksAroundTheZeroLine) {
  // Centred -9 ... 9 stay; 10 becomes 11, -10 becomes -11; the ends saturate.
  AudioDocument doc = Doc8({119, 128, 137, 138, 118, 255, 0, 1});
  MakeLouder(doc);
  EXPECT_EQ(Bytes(doc), (std::vector<std::uint8_t>{119, 128, 137, 139, 117, 255, 0, 0}));

  doc = Doc8({129, 127, 0, 255, 150});
  MakeQuieter(doc);
  EXPECT_EQ(Bytes(doc), (std::vector<std::uint8_t>{128, 128, 12, 243, 148}));
}

TEST(VolumeTest, TouchesTheRegionWithTheFrameAtTheLargerMark) {
  // Marks dragged right to left, 6 and 2: frames 2 ... 6 change.
  AudioDocument doc = Doc8(std::vector<std::uint8_t>(9, 200));
  doc.SelStart = 6;
  doc.SelEnd = 2;
  MakeLouder(doc);
  EXPECT_EQ(Bytes(doc), (std::vector<std::uint8_t>{200, 200, 207, 207, 207, 207, 207, 200, 200}));
  EXPECT_EQ(doc.SelStart, 6);
  EXPECT_EQ(doc.SelEnd, 2);

  // Stereo, odd marks 3 and 6: frames 1 ... 3, both channels.
  doc = Doc16({100, -100, 100, -100, 100, -100, 100, -100, 100, -100}, true);
  doc.SelStart = 3;
  doc.SelEnd = 6;
  MakeLouder(doc);
  EXPECT_EQ(Values(doc), (std::vector<std::int16_t>{100, -100, 110, -110, 110, -110, 110, -110, 100, -100}));
}

TEST(VolumeTest, NeverTouchesATrailingPartialFrame) {
  // 16-bit stereo, three frames and two loose bytes; a mark of -1 counts as
  // the largest, so the region runs to FrameCount.
  for (const std::int32_t mark : {0, -1}) {
    AudioDocument doc = Doc16({1000, 1000, 1000, 1000, 1000, 1000, 1000}, true);
    doc.SelStart = mark;
    doc.SelEnd = 0;
    MaximumVolume(doc);
    EXPECT_EQ(Values(doc), (std::vector<std::int16_t>{32767, 32767, 32767, 32767, 32767, 32767, 1000}))
        << "mark " << mark;
  }
}

TEST(VolumeTest, MaximumVolumeScalesToTheRegionsPeak) {
  AudioDocument doc = Doc16({-16384, 8192});
  MaximumVolume(doc);
  EXPECT_EQ(Values(doc), (std::vector<std::int16_t>{-32768, 16384}));

  doc = Doc16({16384});
  MaximumVolume(doc);
  EXPECT_EQ(Values(doc), (std::vector<std::int16_t>{32767}));

  // The peak starts at 1: silence stays silent, -1 ... 1 goes to full scale.
  doc = Doc16({0, 0, 0});
  MaximumVolume(doc);
  EXPECT_EQ(Values(doc), (std::vector<std::int16_t>{0, 0, 0}));
  doc = Doc16({1, -1, 0});
  MaximumVolume(doc);
  EXPECT_EQ(Values(doc), (std::vector<std::int16_t>{32767, -32768, 0}));

  doc = Doc8({64, 160, 128});
  MaximumVolume(doc);
  EXPECT_EQ(Bytes(doc), (std::vector<std::uint8_t>{0, 192, 128}));

  // Stereo: one peak over both channels; the louder sample outside the
  // selection neither counts nor changes.
  doc = Doc16({100, -200, 30000, 30000}, true);
  doc.SelStart = 0;
  doc.SelEnd = 1;
  MaximumVolume(doc);
  EXPECT_EQ(Values(doc), (std::vector<std::int16_t>{16384, -32768, 30000, 30000}));
}

TEST(VolumeTest, EmptyDocumentStaysEmpty) {
  using Command = void (*)(AudioDocument&);
  for (const Command command : {Command{&MakeLouder}, Command{&MakeQuieter}, Command{&MaximumVolume}}) {
    AudioDocument doc;
    doc.SelStart = -1;
    doc.SelEnd = -1;
    command(doc);
    EXPECT_EQ(doc.SampleData, nullptr);
    EXPECT_EQ(doc.DataSize, 0);
  }
}

}  // namespace
