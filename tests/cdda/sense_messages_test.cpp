// Sense data in words: the key names and the ASC/ASCQ list.

#include <gtest/gtest.h>

#include "cdda/sense_messages.h"

namespace {

using namespace sonavix::cdda;

TEST(SenseMessageTest, KeyNameFollowedByEveryMatchingDescription) {
  EXPECT_EQ(geterrorMessage(3, 0x11, 0x05), "Medium Error: l-ec uncorrectable error");
  EXPECT_EQ(geterrorMessage(5, 0x24, 0x00), "Illegal Request: invalid field in cdb");
  EXPECT_EQ(geterrorMessage(2, 0x3A, 0x01), "Not Ready: medium not present - tray closed");
  EXPECT_EQ(geterrorMessage(4, 0x40, 0x00),
            "Hardware Error: ram failure (should use 40 nn) "
            "nn diagnostic failure on component nn (80h-ffh)");
  EXPECT_EQ(geterrorMessage(0, 0x00, 0x00), "No Additional Sense: no additional sense information");
  EXPECT_EQ(geterrorMessage(15, 0x80, 0x00), "Reserved: start vendor unique");
}

TEST(SenseMessageTest, WholeSenseByteAboveFifteenGivesFehler) {
  // A set ILI bit on top of "Medium Error".
  EXPECT_EQ(geterrorMessage(0x23, 0x11, 0x00), "Fehler: unrecovered read error");
  EXPECT_EQ(geterrorMessage(16, 0x72, 0x00), "Fehler: session fixation error");
}

TEST(SenseMessageTest, UnknownPairGivesTheKeyAlone) {
  EXPECT_EQ(geterrorMessage(5, 0x23, 0x00), "Illegal Request:");
  EXPECT_EQ(geterrorMessage(5, 0xFF, 0xFF), "Illegal Request:");
  EXPECT_EQ(geterrorMessage(200, 0x0D, 0x00), "Fehler:");
}

TEST(SenseMessageTest, AscTableEntriesAreKeyedAndOrdered) {
  ASSERT_EQ(AscTableSize(), 357u);
  EXPECT_EQ(AscTableEntry(0), "\\000\\000no additional sense information");
  EXPECT_EQ(AscTableEntry(356), "\\200\\000start vendor unique");
  EXPECT_EQ(AscTableEntry(357), "");
  for (std::size_t i = 0; i < AscTableSize(); ++i) {
    const std::string_view entry = AscTableEntry(i);
    ASSERT_GT(entry.size(), 8u) << i;
    ASSERT_EQ(entry[0], '\\') << i;
    ASSERT_EQ(entry[4], '\\') << i;
    if (i > 0) {
      ASSERT_LE(AscTableEntry(i - 1).substr(0, 8), entry.substr(0, 8)) << i;
    }
  }
}

TEST(SenseMessageTest, SenseKeyNamesInStandardOrder) {
  EXPECT_EQ(SenseKeyText(0), "No Additional Sense");
  EXPECT_EQ(SenseKeyText(9), "Vendor Unique");
  EXPECT_EQ(SenseKeyText(15), "Reserved");
}

}  // namespace
