// CD-Text replies: the titles and performers of the disc and its tracks,
// across packs, with the tab that repeats a text, and what is left out.

#include "cdda/cd_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace sonavix::cdda {
namespace {

CdText Sommerplatte() {
  CdText text;
  text.titles = {{0, "Sommerplatte"}, {1, "Erster Tag am See"}, {2, "Zweiter"}, {3, "Übermorgen"}};
  text.performers = {{0, "Die Quorvins"}, {1, "\t"}, {2, "Gastsängerin mit Chor"}};
  return text;
}

TEST(CdTextTest, TitlesAndPerformersComeBackAcrossPacksWithTheTabResolved) {
  const CdText parsed = ParseCdText(CdTextReply(Sommerplatte()).data(), CdTextReply(Sommerplatte()).size());
  EXPECT_EQ(parsed.titles, Sommerplatte().titles);
  EXPECT_EQ(parsed.performers.at(1), "Die Quorvins");  // the tab: as the track before (the album)
  EXPECT_EQ(parsed.performers.at(2), "Gastsängerin mit Chor");
  EXPECT_EQ(parsed.performers.count(3), 0u);
  EXPECT_EQ(parsed.Describe(2), "Zweiter – Gastsängerin mit Chor");
  EXPECT_EQ(parsed.Describe(3), "Übermorgen");
  EXPECT_EQ(parsed.Describe(4), "");
}

TEST(CdTextTest, DamagedForeignAndTruncatedRepliesGiveWhatIsSound) {
  std::vector<std::uint8_t> reply = CdTextReply(Sommerplatte());
  // A wrong CRC loses that pack's text; a CRC of zero is taken as none.
  std::vector<std::uint8_t> damaged = reply;
  damaged[4 + 16] ^= 0x01;
  const CdText partly = ParseCdText(damaged.data(), damaged.size());
  EXPECT_EQ(partly.titles.count(0), 0u);
  EXPECT_EQ(partly.titles.at(1), "Erster Tag am See");
  std::vector<std::uint8_t> unchecked = reply;
  unchecked[4 + 16] = unchecked[4 + 17] = 0;
  EXPECT_EQ(ParseCdText(unchecked.data(), unchecked.size()).titles.at(0), "Sommerplatte");
  // A size-information pack naming a two-byte character set: nothing is read.
  std::vector<std::uint8_t> japanese = reply;
  const std::uint8_t sizeInfo[18] = {0x8F, 0, 0x7F, 0, 0x80};
  japanese.insert(japanese.end(), sizeInfo, sizeInfo + 18);
  japanese[0] = static_cast<std::uint8_t>((japanese.size() - 2) >> 8);
  japanese[1] = static_cast<std::uint8_t>(japanese.size() - 2);
  EXPECT_TRUE(ParseCdText(japanese.data(), japanese.size()).empty());
  // Cut anywhere: never more than the whole, never beyond the bytes given.
  for (std::size_t size = 0; size <= reply.size(); ++size) {
    const std::vector<std::uint8_t> cut(reply.begin(), reply.begin() + static_cast<std::ptrdiff_t>(size));
    const CdText text = ParseCdText(cut.data(), cut.size());
    EXPECT_LE(text.titles.size(), 4u);
  }
  EXPECT_TRUE(ParseCdText(nullptr, 0).empty());
}

}  // namespace
}  // namespace sonavix::cdda
