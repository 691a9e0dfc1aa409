// Finding where an MP3 file's frames start and the format they announce.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "mp3/mp3_source.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using sonavix::AnalyseMp3Source;

Bytes Header(int version, int layer, int bitrate, int sampling, int mode) {
  return {0xFF, static_cast<std::uint8_t>(0xE0 | version << 3 | layer << 1 | 1),
          static_cast<std::uint8_t>(bitrate << 4 | sampling << 2), static_cast<std::uint8_t>(mode << 6)};
}
Bytes Frame(int version = 3, int sampling = 0, int mode = 0, int layer = 1, int bitrate = 9) {
  Bytes b = Header(version, layer, bitrate, sampling, mode);
  b.resize(64, 0);
  return b;
}
Bytes Cat(Bytes a, const Bytes& b) { a.insert(a.end(), b.begin(), b.end()); return a; }
Bytes Fill(std::size_t n, std::uint8_t v) { return Bytes(n, v); }
std::optional<sonavix::Mp3Source> Analyse(const Bytes& b) {
  sonavix::MemorySource source(b.data(), b.size());
  return AnalyseMp3Source(source);
}
Bytes Id3(std::uint8_t s8, std::uint8_t s9) { return {'I', 'D', '3', 4, 0, 0, 0, 0, s8, s9}; }
Bytes RiffWrapped(std::uint32_t fmtSize, std::uint16_t channels, std::uint32_t rate, std::uint32_t avg) {
  Bytes b = {'R', 'I', 'F', 'F', 200, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' '};
  for (std::uint32_t v : {fmtSize, 0x55u | std::uint32_t{channels} << 16, rate, avg})
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> 8 * i));
  return Cat(b, Fill(80, 0x11));
}

TEST(Mp3SourceTest, PlainFrameGivesRateChannelsAndFields) {
  struct Case { int version; int rates[3]; };
  for (const Case c : {Case{3, {44100, 48000, 32000}}, Case{2, {22050, 24000, 16000}},
                       Case{0, {11025, 12000, 8000}}}) {
    for (int sampling = 0; sampling < 3; ++sampling) {
      for (const int mode : {0, 1, 2, 3}) {
        const auto mp3 = Analyse(Frame(c.version, sampling, mode));
        ASSERT_TRUE(mp3) << c.version << "/" << sampling;
        EXPECT_TRUE(!mp3->riffWrapped && mp3->dataStart == 0 && mp3->layer == 1);
        EXPECT_EQ(mp3->version, c.version);
        EXPECT_EQ(mp3->sampleRate, c.rates[sampling]);
        EXPECT_EQ(mp3->channels, mode == 3 ? 1 : 2);
      }
    }
  }
}

TEST(Mp3SourceTest, BitrateFollowsTheTableForVersionAndLayer) {
  struct Case { int version, layer, index, kbps; };
  for (const Case c : {Case{3, 1, 9, 128}, Case{3, 1, 14, 320}, Case{3, 2, 14, 384}, Case{3, 3, 14, 448},
                       Case{3, 3, 9, 288}, Case{2, 1, 8, 64}, Case{2, 2, 14, 160}, Case{2, 3, 14, 256},
                       Case{0, 3, 12, 192}, Case{0, 1, 1, 8},
                       // Index 0 ("free format") counts as index 1.
                       Case{3, 1, 0, 32}, Case{3, 3, 0, 32}, Case{2, 1, 0, 8}, Case{0, 3, 0, 32}}) {
    const auto mp3 = Analyse(Frame(c.version, 0, 0, c.layer, c.index));
    ASSERT_TRUE(mp3);
    EXPECT_EQ(mp3->bitrateKbps, c.kbps) << c.version << " " << c.layer << " " << c.index;
  }
  EXPECT_EQ(sonavix::FrameBitrateKbps(3, 0, 5), 8);  // no layer
  EXPECT_EQ(sonavix::FrameBitrateKbps(2, 1, 15), 8);
}

TEST(Mp3SourceTest, ValidHeaderNeedsSyncVersionLayerRateAndBitrate) {
  EXPECT_TRUE(sonavix::IsValidFrameHeader(Header(3, 1, 9, 0, 0).data()));
  EXPECT_TRUE(sonavix::IsValidFrameHeader(Header(0, 3, 0, 2, 3).data()));
  EXPECT_FALSE(sonavix::IsValidFrameHeader(Header(1, 1, 9, 0, 0).data()));  // reserved version
  EXPECT_FALSE(sonavix::IsValidFrameHeader(Header(3, 0, 9, 0, 0).data()));  // no layer
  EXPECT_FALSE(sonavix::IsValidFrameHeader(Header(3, 1, 9, 3, 0).data()));  // sampling index 3
  EXPECT_FALSE(sonavix::IsValidFrameHeader(Header(3, 1, 15, 0, 0).data())); // bitrate index 15
  const std::uint8_t noSync[4] = {0xFF, 0xDB, 0x90, 0x00}, badFirst[4] = {0xFE, 0xFB, 0x90, 0x00};
  EXPECT_FALSE(sonavix::IsValidFrameHeader(noSync));
  EXPECT_FALSE(sonavix::IsValidFrameHeader(badFirst));
}

TEST(Mp3SourceTest, Id3TagAndItsZeroPaddingAreSkipped) {
  // Size bytes 00 00 02 01: 257 tag bytes after the 10-byte header. A frame
  // header inside the tag is not taken.
  Bytes body = Cat(Header(3, 1, 9, 1, 0), Fill(253, 'x'));
  auto mp3 = Analyse(Cat(Cat(Id3(2, 1), body), Frame(2, 1, 3)));
  ASSERT_TRUE(mp3);
  EXPECT_EQ(mp3->dataStart, 267);
  EXPECT_TRUE(mp3->sampleRate == 24000 && mp3->channels == 1);
  // Zero padding after the tag moves the start to the first other byte.
  mp3 = Analyse(Cat(Cat(Cat(Id3(2, 1), body), Fill(5, 0)), Frame(2, 1, 3)));
  ASSERT_TRUE(mp3);
  EXPECT_EQ(mp3->dataStart, 272);
  // Anything else after the tag is searched through up to the frame.
  mp3 = Analyse(Cat(Cat(Cat(Id3(2, 1), body), Fill(3, 'y')), Frame(2, 1, 3)));
  ASSERT_TRUE(mp3);
  EXPECT_EQ(mp3->dataStart, 270);
  // A tag running past the end, or followed only by zero bytes, gives nothing.
  EXPECT_FALSE(Analyse(Cat(Id3(0x7F, 0x7F), Frame())));
  EXPECT_FALSE(Analyse(Cat(Id3(0, 4), Fill(40, 0))));
}

TEST(Mp3SourceTest, LeadingZeroBytesAreSkippedBeforeTheHeader) {
  // The frame after the zeros is read at once, so reading starts at 0.
  auto mp3 = Analyse(Cat(Fill(4, 0), Frame(3, 2, 3)));
  ASSERT_TRUE(mp3);
  EXPECT_EQ(mp3->dataStart, 0);
  EXPECT_TRUE(mp3->sampleRate == 32000 && mp3->channels == 1);
  // Garbage after the zeros is searched from the first non-zero byte.
  mp3 = Analyse(Cat(Cat(Fill(9, 0), {1, 2, 3}), Frame(0, 0)));
  ASSERT_TRUE(mp3);
  EXPECT_EQ(mp3->dataStart, 12);
  EXPECT_EQ(mp3->sampleRate, 11025);
  // An ID3 tag after the zeros: its end is counted from the start of the file.
  mp3 = Analyse(Cat(Cat(Cat(Fill(4, 0), Id3(0, 6)), Fill(2, 0)), Frame(2, 2)));
  ASSERT_TRUE(mp3);
  EXPECT_EQ(mp3->dataStart, 16);
  EXPECT_FALSE(Analyse(Fill(100, 0)));
}

TEST(Mp3SourceTest, RiffWrappedStreamTakesTheFmtChunk) {
  auto mp3 = Analyse(RiffWrapped(30, 2, 44100, 16000));
  ASSERT_TRUE(mp3);
  EXPECT_TRUE(mp3->riffWrapped && mp3->dataStart == 66 && mp3->channels == 2);
  EXPECT_EQ(mp3->sampleRate, 44100);
  EXPECT_EQ(mp3->bitrateKbps, 128);
  mp3 = Analyse(RiffWrapped(30, 6, 22050, 7999));
  ASSERT_TRUE(mp3);
  EXPECT_EQ(mp3->channels, 1);
  EXPECT_EQ(mp3->bitrateKbps, 63);
  // Only the bytes the chunk holds count; the rest of the fields stay 0.
  mp3 = Analyse(RiffWrapped(4, 2, 44100, 16000));
  ASSERT_TRUE(mp3);
  EXPECT_TRUE(mp3->sampleRate == 0 && mp3->bitrateKbps == 0);
  // Not WAVE: searched like any other file.
  Bytes notWave = RiffWrapped(30, 2, 44100, 16000);
  notWave[11] = 'X';
  mp3 = Analyse(Cat(notWave, Frame(2, 2)));
  ASSERT_TRUE(mp3);
  EXPECT_FALSE(mp3->riffWrapped);
  EXPECT_EQ(mp3->dataStart, static_cast<std::int64_t>(notWave.size()));
}

TEST(Mp3SourceTest, SearchSkipsGarbageAndReservedVersion) {
  Bytes junk = {'a', 0xFF, 0xDF, 0xFF, 0xF0, 0x90, 0, 0xFF, 0xFD, 0x0C, 0};
  auto mp3 = Analyse(Cat(junk, Frame(3, 1)));
  ASSERT_TRUE(mp3);
  EXPECT_EQ(mp3->dataStart, static_cast<std::int64_t>(junk.size()));
  EXPECT_EQ(mp3->sampleRate, 48000);
  // Reserved version field: not a frame, even at offset 0.
  mp3 = Analyse(Cat(Cat(Header(1, 1, 9, 0, 0), Fill(6, 'z')), Frame(2, 0, 3)));
  ASSERT_TRUE(mp3);
  EXPECT_EQ(mp3->dataStart, 10);
  EXPECT_EQ(mp3->version, 2);
  // A frame that starts just before a read-block boundary is still found.
  mp3 = Analyse(Cat(Fill(65534, 'q'), Frame(0, 1)));
  ASSERT_TRUE(mp3);
  EXPECT_EQ(mp3->dataStart, 65534);
}

TEST(Mp3SourceTest, NoCompleteFrameHeaderGivesNothing) {
  EXPECT_FALSE(Analyse({}));
  EXPECT_FALSE(Analyse({0xFF, 0xFB, 0x90}));
  EXPECT_FALSE(Analyse(Fill(500, 'g')));
  EXPECT_FALSE(Analyse(Cat(Fill(30, 'g'), {0xFF, 0xFB, 0x90})));   // truncated at the end
  EXPECT_FALSE(Analyse(Cat(Header(1, 1, 9, 0, 0), Fill(20, 'z'))));  // only reserved versions
}

TEST(Mp3SourceTest, FindsTheFormatOfAnEncodedFile) {
  if (std::system("command -v lame >/dev/null 2>&1") != 0) GTEST_SKIP() << "lame not installed";
  const auto dir = std::filesystem::temp_directory_path();
  const std::string raw = (dir / "sonavix_mp3_test.raw").string(), mp3 = (dir / "sonavix_mp3_test.mp3").string();
  Bytes pcm(22050 * 2);  // half a second of a 16-bit mono ramp
  for (std::size_t i = 0; i < pcm.size(); ++i) pcm[i] = static_cast<std::uint8_t>(i * 7);
  std::FILE* f = std::fopen(raw.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fwrite(pcm.data(), 1, pcm.size(), f);
  std::fclose(f);
  const std::string cmd = "lame --quiet -r -s 22.05 --bitwidth 16 -m m " + raw + " " + mp3 + " 2>/dev/null";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  sonavix::FileSource source(mp3);
  ASSERT_TRUE(source.ok());
  const auto found = AnalyseMp3Source(source);
  std::remove(raw.c_str());
  std::remove(mp3.c_str());
  ASSERT_TRUE(found);
  EXPECT_EQ(found->sampleRate, 22050);
  EXPECT_EQ(found->channels, 1);
  EXPECT_TRUE(found->version == 2 && found->layer == 1);
}

}  // namespace
