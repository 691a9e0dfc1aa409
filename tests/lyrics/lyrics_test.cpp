// Lyrics as people keep them: LRC with repeated and word times, SRT
// blocks, broken stamps left out and counted, and other encodings.

#include "lyrics/lyrics.h"

#include <gtest/gtest.h>

namespace sonavix {
namespace {

TEST(Lyrics, LrcAndSrtGiveTimedLinesAndBrokenStampsAreCounted) {
  const Lyrics lrc = ParseLyrics(
      "\xEF\xBB\xBF[ti:Nachtfalter]\r\n[offset:+250]\r\n[00:03.50][00:20.00]Refrain\r\n[00:01.00]Erste Zeile\r\n"
      "[00:05.00]<00:05.00>Wort <00:05.40>für <00:05.80>Wort\r\n[01:75.00]kaputt\r\n[00:07:50]alte Form\r\n"
      "ohne Zeit\r\n[00:30.5");
  ASSERT_EQ(lrc.lines.size(), 5u);
  EXPECT_EQ(lrc.skipped, 2u);  // a minute of 75 seconds, and an open bracket
  const struct {
    double start, end;
    const char* text;
  } expected[] = {{0.75, 3.25, "Erste Zeile"}, {3.25, 4.75, "Refrain"}, {4.75, 7.25, "Wort für Wort"},
                  {7.25, 19.75, "alte Form"}, {19.75, -1, "Refrain"}};
  for (std::size_t i = 0; i < std::size(expected); ++i) {
    EXPECT_NEAR(lrc.lines[i].start, expected[i].start, 1e-9) << i;
    EXPECT_NEAR(lrc.lines[i].end, expected[i].end, 1e-9) << i;
    EXPECT_EQ(lrc.lines[i].text, expected[i].text) << i;
  }
  ASSERT_EQ(lrc.lines[2].words.size(), 3u);
  EXPECT_NEAR(lrc.lines[2].words[1].start, 5.15, 1e-9);
  EXPECT_EQ(lrc.lines[2].words[1].text, "für ");
  EXPECT_EQ(LineAt(lrc, 0.5), nullptr);
  EXPECT_EQ(LineAt(lrc, 4.0)->text, "Refrain");
  EXPECT_EQ(LineAt(lrc, 500)->text, "Refrain");

  // SRT: numbered blocks over several lines, Latin-1 bytes, a broken block.
  const Lyrics srt = ParseLyrics(
      "1\n00:00:01,000 --> 00:00:03,000\nErste Zeile\nzweite H\xE4lfte\n\n2\n00:00:04,500 --> 00:00:06,000 X1:10\n"
      "Noch eine\n\n3\n00:00:09,000 --> kaputt\nweg\n\n4\n00:00:12,000 --> 00:00:11,000\nr\xFC"
      "ckw\xE4rts\n");
  ASSERT_EQ(srt.lines.size(), 2u);
  EXPECT_EQ(srt.skipped, 2u);
  EXPECT_EQ(srt.lines[0].text, "Erste Zeile zweite Hälfte");
  EXPECT_NEAR(srt.lines[1].end, 6.0, 1e-9);
  EXPECT_EQ(LineAt(srt, 3.5), nullptr);  // between two blocks

  EXPECT_TRUE(ParseLyrics("").lines.empty());
  EXPECT_TRUE(ParseLyrics("nur Text\nohne Zeiten").lines.empty());
}

}  // namespace
}  // namespace sonavix
