// Keeping or removing the selected frames: which bytes survive, what happens
// to the marks and format, and when nothing changes at all.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <numeric>
#include <vector>

#include "effects/crop_cut.h"

namespace {

using namespace sonavix;
using Bytes = std::vector<std::uint8_t>;

// Bytes 0, 1, 2 ... in the given format, with the marks set.
AudioDocument Numbered(std::int32_t size, bool stereo, bool sixteen, std::int32_t selStart,
                       std::int32_t selEnd) {
  AudioDocument doc;
  SampleBlock block = SampleBlock::Allocate(size);
  std::iota(block.bytes.get(), block.bytes.get() + size, std::uint8_t{0});
  ReplaceBlock(doc, std::move(block), {22050, stereo, sixteen});
  doc.SelStart = selStart;
  doc.SelEnd = selEnd;
  return doc;
}

Bytes Content(const AudioDocument& doc) {
  return {doc.SampleData.get(), doc.SampleData.get() + doc.DataSize};
}

Bytes Range(int first, int last) {  // first ... last - 1
  Bytes b;
  for (int i = first; i < last; ++i) b.push_back(static_cast<std::uint8_t>(i));
  return b;
}

void ExpectReplaced(const AudioDocument& doc, bool stereo, bool sixteen) {
  EXPECT_EQ(doc.SelStart, 0);
  EXPECT_EQ(doc.SelEnd, 0);
  EXPECT_EQ(doc.Format(), (SoundFormat{22050, stereo, sixteen}));
}

TEST(CropCutTest, MonoKeepsOrRemovesTheFramesBeforeTheLargerMark) {
  // Marks 3 and 9, in both orders: frames 3 ... 8.
  for (const auto& [a, b] : {std::pair{3, 9}, std::pair{9, 3}}) {
    AudioDocument crop = Numbered(12, false, false, a, b);
    EXPECT_TRUE(CropToSelection(crop));
    EXPECT_EQ(Content(crop), Range(3, 9));
    ExpectReplaced(crop, false, false);

    AudioDocument cut = Numbered(12, false, false, a, b);
    EXPECT_TRUE(CutSelection(cut));
    EXPECT_EQ(Content(cut), (Bytes{0, 1, 2, 9, 10, 11}));
    ExpectReplaced(cut, false, false);
  }
}

TEST(CropCutTest, SelectionToTheLastSampleLeavesTheLastFrameOutOfIt) {
  AudioDocument crop = Numbered(10, false, false, 2, 9);
  ASSERT_TRUE(CropToSelection(crop));
  EXPECT_EQ(Content(crop), Range(2, 9));

  AudioDocument cut = Numbered(10, false, false, 9, 2);
  ASSERT_TRUE(CutSelection(cut));
  EXPECT_EQ(Content(cut), (Bytes{0, 1, 9}));
}

TEST(CropCutTest, StereoMarksAreHalved) {
  // 16-bit stereo, marks 10 and 3: frames 1 ... 4, bytes 4 ... 19.
  AudioDocument crop = Numbered(32, true, true, 10, 3);
  ASSERT_TRUE(CropToSelection(crop));
  EXPECT_EQ(Content(crop), Range(4, 20));
  ExpectReplaced(crop, true, true);

  AudioDocument cut = Numbered(32, true, true, 3, 10);
  ASSERT_TRUE(CutSelection(cut));
  Bytes expected = Range(0, 4);
  for (const std::uint8_t b : Range(20, 32)) expected.push_back(b);
  EXPECT_EQ(Content(cut), expected);

  // 8-bit stereo, marks 4 and 5 fall in the same frame: crop leaves an empty
  // sound, cut an equal copy; both clear the selection.
  crop = Numbered(10, true, false, 4, 5);
  ASSERT_TRUE(CropToSelection(crop));
  EXPECT_EQ(crop.DataSize, 0);
  ExpectReplaced(crop, true, false);

  cut = Numbered(10, true, false, 5, 4);
  ASSERT_TRUE(CutSelection(cut));
  EXPECT_EQ(Content(cut), Range(0, 10));
  ExpectReplaced(cut, true, false);
}

TEST(CropCutTest, TrailingPartialFrame) {
  // 16-bit stereo, four frames and three loose bytes. A mark of -1 counts as
  // the largest and stops at the end of the whole frames; cut carries the
  // loose bytes over.
  AudioDocument crop = Numbered(19, true, true, 2, -1);
  ASSERT_TRUE(CropToSelection(crop));
  EXPECT_EQ(Content(crop), Range(4, 16));

  AudioDocument cut = Numbered(19, true, true, 2, 4);
  ASSERT_TRUE(CutSelection(cut));
  Bytes expected = Range(0, 4);
  for (const std::uint8_t b : Range(8, 19)) expected.push_back(b);
  EXPECT_EQ(Content(cut), expected);
}

TEST(CropCutTest, NoSelectionChangesNothing) {
  for (auto* command : {&CropToSelection, &CutSelection}) {
    AudioDocument doc = Numbered(8, false, true, 5, 5);
    const std::uint8_t* before = doc.SampleData.get();
    EXPECT_FALSE(command(doc, nullptr));
    EXPECT_EQ(doc.SampleData.get(), before);
    EXPECT_EQ(Content(doc), Range(0, 8));
    EXPECT_EQ(doc.SelStart, 5);

    // An empty document after a click into the view: both marks -1.
    AudioDocument empty;
    empty.SelStart = empty.SelEnd = -1;
    EXPECT_FALSE(command(empty, nullptr));
    EXPECT_EQ(empty.SampleData, nullptr);
    EXPECT_EQ(empty.SelStart, -1);

    // Marks apart on an empty document select nothing; the result is still
    // empty and the marks are cleared.
    empty.SelEnd = 3;
    EXPECT_TRUE(command(empty, nullptr));
    EXPECT_EQ(empty.DataSize, 0);
    EXPECT_EQ(empty.SelStart, 0);
    EXPECT_EQ(empty.SelEnd, 0);
  }
}

// Above 16 MB the bytes are copied in two halves at once: every byte must
// still land in its place. Bytes that differ from their neighbours and from
// those a page away show a misplaced half.
TEST(CropCutTest, LargeSoundsKeepEveryByte) {
  constexpr std::int32_t kSize = 40'000'003;
  const auto byteAt = [](std::int64_t i) { return static_cast<std::uint8_t>(i * 7 + (i >> 8) + (i >> 16)); };
  Bytes source(kSize);
  for (std::int32_t i = 0; i < kSize; ++i) source[static_cast<std::size_t>(i)] = byteAt(i);
  const auto make = [&] {
    AudioDocument doc = Numbered(kSize, false, false, 1'234'567, 37'654'321);
    std::memcpy(doc.SampleData.get(), source.data(), source.size());
    return doc;
  };
  AudioDocument cropped = make();
  ASSERT_TRUE(CropToSelection(cropped));
  ASSERT_EQ(cropped.DataSize, 37'654'321 - 1'234'567);
  EXPECT_EQ(std::memcmp(cropped.SampleData.get(), source.data() + 1'234'567, cropped.DataSize), 0);

  AudioDocument cut = make();
  ASSERT_TRUE(CutSelection(cut));
  ASSERT_EQ(cut.DataSize, kSize - (37'654'321 - 1'234'567));
  EXPECT_EQ(std::memcmp(cut.SampleData.get(), source.data(), 1'234'567), 0);
  EXPECT_EQ(std::memcmp(cut.SampleData.get() + 1'234'567, source.data() + 37'654'321, kSize - 37'654'321), 0);
}

}  // namespace
