// Command blocks as sent to the drive, and the parsing of TOC, INQUIRY and
// sense replies, the karaoke transform and the position text.

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "cdda/scsi_commands.h"

namespace {

using namespace sonavix::cdda;

std::vector<std::uint8_t> CdbBytes(const Cdb& cdb) {
  return {cdb.bytes.begin(), cdb.bytes.begin() + cdb.length};
}

TEST(ScsiCommandTest, CommandBlocksHoldTheExpectedBytes) {
  EXPECT_EQ(CdbBytes(InquiryCdb()), (std::vector<std::uint8_t>{0x12, 0, 0, 0, 0xFF, 0}));
  EXPECT_EQ(CdbBytes(ReadTocCdb()),
            (std::vector<std::uint8_t>{0x43, 0, 0, 0, 0, 0, 0, 0x08, 0x00, 0}));
  const Cdb readCd = ReadCdCdb(0x12345678, 10);
  EXPECT_EQ(CdbBytes(readCd), (std::vector<std::uint8_t>{0xBE, 0, 0x12, 0x34, 0x56, 0x78, 0, 0,
                                                         0x0A, 0x10, 0, 0}));
  // Bytes past the command's length stay 0.
  for (std::size_t i = readCd.length; i < readCd.bytes.size(); ++i) EXPECT_EQ(readCd.bytes[i], 0);
}

TEST(ScsiCommandTest, SetReadCdLbaChangesOnlyTheAddress) {
  Cdb cdb = ReadCdCdb(0, 10);
  const Cdb before = cdb;
  SetReadCdLba(cdb, 0xA1B2C3D4);
  EXPECT_EQ(cdb.bytes[2], 0xA1);
  EXPECT_EQ(cdb.bytes[3], 0xB2);
  EXPECT_EQ(cdb.bytes[4], 0xC3);
  EXPECT_EQ(cdb.bytes[5], 0xD4);
  for (std::size_t i : {0u, 1u, 6u, 7u, 8u, 9u, 10u, 11u}) EXPECT_EQ(cdb.bytes[i], before.bytes[i]);
}

TEST(ScsiReplyTest, InquiryProductNameIsBytes16To31) {
  std::vector<std::uint8_t> reply(36, ' ');
  const std::string product = "DVD-ROM TS-H353C";
  std::copy(product.begin(), product.end(), reply.begin() + 16);
  EXPECT_EQ(InquiryProductName(reply.data(), reply.size()), product);
  EXPECT_EQ(InquiryProductName(reply.data(), 32), product);
  EXPECT_EQ(InquiryProductName(reply.data(), 31), std::nullopt);
}

// A TOC reply with `descriptors` descriptors whose starts are 1000 * (k + 1).
std::vector<std::uint8_t> TocReply(std::uint8_t first, std::uint8_t last, std::size_t descriptors) {
  std::vector<std::uint8_t> reply(4 + 8 * descriptors, 0);
  reply[2] = first;
  reply[3] = last;
  for (std::size_t k = 0; k < descriptors; ++k) {
    const std::uint32_t start = 1000 * static_cast<std::uint32_t>(k + 1);
    std::uint8_t* d = reply.data() + 4 + 8 * k;
    d[2] = static_cast<std::uint8_t>(k + first);
    d[4] = static_cast<std::uint8_t>(start >> 24);
    d[5] = static_cast<std::uint8_t>(start >> 16);
    d[6] = static_cast<std::uint8_t>(start >> 8);
    d[7] = static_cast<std::uint8_t>(start);
  }
  return reply;
}

TrackTable FilledTable(std::uint32_t value) {
  TrackTable table;
  table.fill(value);
  return table;
}

TEST(ScsiReplyTest, ParseTocTakesTrackStartsAndLeadOut) {
  const auto reply = TocReply(1, 12, 13);
  TrackTable table = FilledTable(7);
  EXPECT_EQ(ParseToc(reply.data(), reply.size(), table), 12u);
  for (std::uint32_t k = 1; k <= 13; ++k) EXPECT_EQ(table[k], 1000 * k) << k;
  EXPECT_EQ(table[0], 7u);
  EXPECT_EQ(table[14], 7u);
}

TEST(ScsiReplyTest, ParseTocRefusesBadHeaders) {
  TrackTable table = FilledTable(7);
  const auto reversed = TocReply(5, 3, 4);
  EXPECT_EQ(ParseToc(reversed.data(), reversed.size(), table), std::nullopt);
  const auto full = TocReply(1, 2, 3);
  EXPECT_EQ(ParseToc(full.data(), 3, table), std::nullopt);
  EXPECT_EQ(table, FilledTable(7));
}

TEST(ScsiReplyTest, ParseTocTakesOnlyTheDescriptorsTheReplyHolds) {
  // Header says 12 tracks plus lead-out, the reply holds 5 whole descriptors
  // and part of a sixth: 5 entries, 4 tracks with a known end.
  const auto reply = TocReply(1, 12, 13);
  TrackTable table = FilledTable(7);
  EXPECT_EQ(ParseToc(reply.data(), 4 + 8 * 5 + 6, table), 4u);
  for (std::uint32_t k = 1; k <= 5; ++k) EXPECT_EQ(table[k], 1000 * k);
  EXPECT_EQ(table[6], 7u);
}

TEST(ScsiReplyTest, ParseTocNeverOverrunsTheTable) {
  // 255 tracks and lead-out fill entries 1..256 exactly.
  const auto most = TocReply(1, 255, 256);
  TrackTable table = FilledTable(7);
  EXPECT_EQ(ParseToc(most.data(), most.size(), table), 255u);
  EXPECT_EQ(table[256], 256000u);
  // 256 tracks and lead-out would need 257 entries: the last one is dropped.
  const auto huge = TocReply(0, 255, 257);
  table = FilledTable(7);
  EXPECT_EQ(ParseToc(huge.data(), huge.size(), table), 255u);
  EXPECT_EQ(table[256], 256000u);
  EXPECT_EQ(table[0], 7u);
}

TEST(ScsiReplyTest, ParseSenseReadsMissingBytesAsZero) {
  std::vector<std::uint8_t> sense(18, 0);
  sense[2] = 0x23;
  sense[12] = 0x3A;
  sense[13] = 0x01;
  SenseFields fields = ParseSense(sense.data(), sense.size());
  EXPECT_EQ(fields.byte2, 0x23);
  EXPECT_EQ(fields.asc, 0x3A);
  EXPECT_EQ(fields.ascq, 0x01);
  fields = ParseSense(sense.data(), 13);
  EXPECT_EQ(fields.asc, 0x3A);
  EXPECT_EQ(fields.ascq, 0);
  fields = ParseSense(nullptr, 0);
  EXPECT_EQ(fields.byte2, 0);
}

std::pair<std::int16_t, std::int16_t> Karaoke(std::int16_t left, std::int16_t right) {
  std::uint8_t frame[4];
  const auto l = static_cast<std::uint16_t>(left), r = static_cast<std::uint16_t>(right);
  frame[0] = l & 0xFF, frame[1] = l >> 8, frame[2] = r & 0xFF, frame[3] = r >> 8;
  KaraokeTransform(frame, 1);
  return {static_cast<std::int16_t>(frame[0] | frame[1] << 8),
          static_cast<std::int16_t>(frame[2] | frame[3] << 8)};
}

TEST(KaraokeTest, BothChannelsGetTwoThirdsOfTheDifference) {
  using P = std::pair<std::int16_t, std::int16_t>;
  EXPECT_EQ(Karaoke(1000, 400), (P{400, 400}));
  EXPECT_EQ(Karaoke(400, 1000), (P{-400, -400}));
  EXPECT_EQ(Karaoke(1, 0), (P{0, 0}));
  EXPECT_EQ(Karaoke(-1, 0), (P{0, 0}));  // truncates toward zero
  EXPECT_EQ(Karaoke(32767, -32768), (P{32767, 32767}));
  EXPECT_EQ(Karaoke(-32768, 32767), (P{-32768, -32768}));
}

TEST(KaraokeTest, TransformsEveryFrameOfTheBlock) {
  std::vector<std::uint8_t> block(kRequestBytes, 0);
  for (std::size_t i = 0; i < block.size(); i += 4) block[i] = 30;  // left 30, right 0
  KaraokeTransform(block.data(), kRequestBytes / 4);
  for (std::size_t i = 0; i < block.size(); i += 4) {
    ASSERT_EQ(block[i], 20) << i;
    ASSERT_EQ(block[i + 2], 20) << i;
  }
}

TEST(PositionTextTest, ShowsTrackAndTimeWithinIt) {
  TrackTable table{};
  table[1] = 150, table[2] = 15000, table[3] = 30000, table[4] = 45000;
  EXPECT_EQ(PositionText(15000 + 4500, table, 3), "Track no. 2 Time 00:01:00 s");
  EXPECT_EQ(PositionText(15000, table, 3), "Track no. 2 Time 00:00:00 s");
  EXPECT_EQ(PositionText(30000 - 1, table, 3), "Track no. 2 Time 00:03:19 s");
  // Before the first track: track 1, never a negative time.
  EXPECT_EQ(PositionText(100, table, 3), "Track no. 1 Time 00:00:00 s");
  // Past the lead-out (the last request runs over the end): the last track.
  EXPECT_EQ(PositionText(45000 + 9, table, 3), "Track no. 3 Time 00:03:20 s");
}

TEST(PositionTextTest, FormatsHours) {
  TrackTable table{};
  table[1] = 0, table[2] = 0xFFFFFFFF;
  EXPECT_EQ(PositionText(75 * 3661, table, 1), "Track no. 1 Time 01:01:01 s");
  EXPECT_EQ(PositionText(75 * 360000, table, 1), "Track no. 1 Time 100:00:00 s");
}

}  // namespace
