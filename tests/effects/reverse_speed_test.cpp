// Reversing the effect region frame by frame, and the speed commands, which
// change the rate alone and keep it within 1 ... kMaxSampleRate.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "effects/reverse_speed.h"

namespace {

using namespace sonavix;
using Bytes = std::vector<std::uint8_t>;

AudioDocument Doc(const Bytes& bytes, bool stereo, bool sixteen) {
  AudioDocument doc;
  SampleBlock block = SampleBlock::Allocate(static_cast<std::int32_t>(bytes.size()));
  std::memcpy(block.bytes.get(), bytes.data(), bytes.size());
  ReplaceBlock(doc, std::move(block), {44100, stereo, sixteen});
  return doc;
}

Bytes Content(const AudioDocument& doc) {
  return {doc.SampleData.get(), doc.SampleData.get() + doc.DataSize};
}

TEST(ReverseTest, WholeSoundWithOddAndEvenCounts) {
  AudioDocument doc = Doc({'A', 'B', 'C', 'D', 'E'}, false, false);
  Reverse(doc);
  EXPECT_EQ(Content(doc), (Bytes{'E', 'D', 'C', 'B', 'A'}));

  doc = Doc({'A', 'B', 'C', 'D'}, false, false);
  Reverse(doc);
  EXPECT_EQ(Content(doc), (Bytes{'D', 'C', 'B', 'A'}));
}

TEST(ReverseTest, SelectionIncludesTheFrameAtTheLargerMark) {
  // Marks 2 and 5, in either order, reverse frames 2 ... 5 and keep the marks.
  for (const auto& [a, b] : {std::pair{2, 5}, std::pair{5, 2}}) {
    AudioDocument doc = Doc({0, 1, 2, 3, 4, 5, 6, 7}, false, false);
    doc.SelStart = a;
    doc.SelEnd = b;
    Reverse(doc);
    EXPECT_EQ(Content(doc), (Bytes{0, 1, 5, 4, 3, 2, 6, 7}));
    EXPECT_EQ(doc.SelStart, a);
    EXPECT_EQ(doc.SelEnd, b);
  }
}

TEST(ReverseTest, StereoFramesMoveWhole) {
  // 16-bit stereo: each frame's four bytes (left word, right word) stay
  // together and in order.
  AudioDocument doc = Doc({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}, true, true);
  Reverse(doc);
  EXPECT_EQ(Content(doc), (Bytes{9, 10, 11, 12, 5, 6, 7, 8, 1, 2, 3, 4}));

  // 8-bit stereo, odd marks 3 and 8: frames 1 ... 4, an even count.
  doc = Doc({0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5}, true, false);
  doc.SelStart = 3;
  doc.SelEnd = 8;
  Reverse(doc);
  EXPECT_EQ(Content(doc), (Bytes{0, 0, 4, 4, 3, 3, 2, 2, 1, 1, 5, 5}));
}

TEST(ReverseTest, StopsBeforeATrailingPartialFrame) {
  // Three 16-bit mono frames and a loose byte; a mark of -1 reaches past the
  // end and is brought back to the last whole frame.
  for (const std::int32_t mark : {0, -1}) {
    AudioDocument doc = Doc({1, 2, 3, 4, 5, 6, 7}, false, true);
    doc.SelStart = 0;
    doc.SelEnd = mark;
    Reverse(doc);
    EXPECT_EQ(Content(doc), (Bytes{5, 6, 3, 4, 1, 2, 7})) << "mark " << mark;
  }
}

TEST(ReverseTest, EmptyAndSingleFrameSoundsStayAsTheyAre) {
  AudioDocument empty;
  empty.SelStart = -1;
  empty.SelEnd = -1;
  Reverse(empty);
  EXPECT_EQ(empty.SampleData, nullptr);
  EXPECT_EQ(empty.DataSize, 0);

  AudioDocument one = Doc({1, 2, 3, 4, 5}, true, true);
  Reverse(one);
  EXPECT_EQ(Content(one), (Bytes{1, 2, 3, 4, 5}));
}

TEST(SpeedTest, RateSequenceTruncates) {
  AudioDocument doc = Doc({1, 2, 3}, false, false);
  Slower(doc);
  EXPECT_EQ(doc.SampleRate, 40090);
  Faster(doc);
  EXPECT_EQ(doc.SampleRate, 44099);

  doc.SampleRate = 44100;
  Faster(doc);
  EXPECT_EQ(doc.SampleRate, 48510);
  Slower(doc);
  EXPECT_EQ(doc.SampleRate, 44100);

  doc.SampleRate = 22050;
  Faster(doc);
  EXPECT_EQ(doc.SampleRate, 24255);
  // Only the rate changes.
  EXPECT_EQ(Content(doc), (Bytes{1, 2, 3}));
}

TEST(SpeedTest, RateStaysBetweenOneAndTheMaximum) {
  AudioDocument doc;  // empty: rate 0
  Faster(doc);
  EXPECT_EQ(doc.SampleRate, 1);

  doc.SampleRate = 9;
  Slower(doc);
  EXPECT_EQ(doc.SampleRate, 8);
  for (int i = 0; i < 40; ++i) Slower(doc);
  EXPECT_EQ(doc.SampleRate, 1);

  doc.SampleRate = 190000;
  Faster(doc);
  EXPECT_EQ(doc.SampleRate, kMaxSampleRate);
  Faster(doc);
  EXPECT_EQ(doc.SampleRate, kMaxSampleRate);
  Slower(doc);
  EXPECT_EQ(doc.SampleRate, 181818);

  // A rate read from a file above the limit: faster neither overflows nor
  // slows it down; slower still works from it.
  doc.SampleRate = std::numeric_limits<std::int32_t>::max();
  Faster(doc);
  EXPECT_EQ(doc.SampleRate, std::numeric_limits<std::int32_t>::max());
  doc.SampleRate = 300000;
  Slower(doc);
  EXPECT_EQ(doc.SampleRate, 272727);
}

}  // namespace
