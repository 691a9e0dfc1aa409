// Writing WAV files: the exact header, round trips through the reader, and
// how a save replaces an existing file.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <cstring>

#include "document/sound_files.h"
#include "wav_bytes.h"

namespace {

using namespace wavtest;
using sonavix::SoundFormat;

// The plain 44-byte header followed by the samples and the pad byte, built
// field by field, independently of the writer.
Bytes ExpectedFile(const Bytes& samples, std::uint16_t channels, std::uint32_t rate, std::uint16_t bits) {
  const auto n = static_cast<std::uint32_t>(samples.size());
  const std::uint16_t align = static_cast<std::uint16_t>(channels * bits / 8);
  Bytes b;
  PutId(b, "RIFF");
  Put32(b, 36 + n + (n & 1));
  PutId(b, "WAVE");
  PutId(b, "fmt ");
  Put32(b, 16);
  Put16(b, 1);
  Put16(b, channels);
  Put32(b, rate);
  Put32(b, rate * align);
  Put16(b, align);
  Put16(b, bits);
  PutId(b, "data");
  Put32(b, n);
  b.insert(b.end(), samples.begin(), samples.end());
  if (n & 1) b.push_back(0);
  return b;
}

mode_t Mode(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

bool HasTempLeftovers(const TempDir& dir) {
  for (const std::string& name : dir.Entries())
    if (name.find(".sonavix-") != std::string::npos) return true;
  return false;
}

TEST(WaveWriterTest, WritesThePlainHeaderAndPadsOddData) {
  struct Case { bool stereo, sixteen; std::uint32_t rate; std::size_t bytes; };
  for (const Case c : {Case{false, false, 8000, 10}, Case{true, false, 22050, 9},
                       Case{false, true, 44100, 7}, Case{true, true, 48000, 16}}) {
    SCOPED_TRACE(testing::Message() << c.stereo << c.sixteen << " " << c.bytes);
    const Bytes samples = Pattern(c.bytes);
    const Bytes expected = ExpectedFile(samples, c.stereo ? 2 : 1, c.rate, c.sixteen ? 16 : 8);
    sonavix::MemorySink sink;
    ASSERT_TRUE(sonavix::WriteWave(sink, samples.data(), static_cast<std::int32_t>(c.bytes),
                                   {static_cast<std::int32_t>(c.rate), c.stereo, c.sixteen}));
    EXPECT_EQ(sink.bytes(), expected);

    TempDir dir;
    ASSERT_TRUE(sonavix::WriteWaveFile(dir / "out.wav", samples.data(), static_cast<std::int32_t>(c.bytes),
                                       static_cast<std::int32_t>(c.rate), c.stereo, c.sixteen));
    EXPECT_EQ(ReadFile(dir / "out.wav"), expected);
  }
}

TEST(WaveWriterTest, EmptyDocumentSavesAHeaderThatDoesNotLoadAgain) {
  TempDir dir;
  sonavix::AudioDocument doc;
  doc.SampleRate = 11025;
  ASSERT_TRUE(sonavix::SaveSoundFile(doc, dir / "empty.wav"));
  const Bytes file = ReadFile(dir / "empty.wav");
  EXPECT_EQ(file, ExpectedFile({}, 1, 11025, 8));
  EXPECT_EQ(file.size(), 44u);
  EXPECT_FALSE(sonavix::ReadWaveFile(dir / "empty.wav"));
}

// Over 64 MB a file is read in two halves at once and written in pieces
// handed to the disk as they go: the bytes must come out the same.
TEST(WaveWriterTest, LargeSoundsRoundTripByteForByte) {
  TempDir dir;
  // A pattern of an odd length repeated: no piece or half lines up with it.
  const Bytes piece = Pattern(1'000'003);
  Bytes samples;
  samples.reserve((std::size_t{70} << 20) + piece.size());
  while (samples.size() < (std::size_t{70} << 20)) samples.insert(samples.end(), piece.begin(), piece.end());
  const Bytes file = ExpectedFile(samples, 2, 44100, 8);
  WriteFile(dir / "in.wav", file);
  sonavix::AudioDocument doc;
  ASSERT_TRUE(sonavix::OpenSoundFile(doc, dir / "in.wav", nullptr));
  ASSERT_EQ(doc.DataSize, static_cast<std::int32_t>(samples.size()));
  EXPECT_EQ(std::memcmp(samples.data(), doc.SampleData.get(), samples.size()), 0);
  ASSERT_TRUE(sonavix::SaveSoundFile(doc, dir / "out.wav"));
  const Bytes out = ReadFile(dir / "out.wav");
  ASSERT_EQ(out.size(), file.size());
  EXPECT_EQ(std::memcmp(out.data(), file.data(), file.size()), 0);
}

TEST(WaveWriterTest, RoundTripKeepsFormatAndSamplesAndDropsOtherChunks) {
  TempDir dir;
  const Bytes samples = Pattern(101);
  WriteFile(dir / "in.wav",
            Cat({Chunk("JUNK", Pattern(3)),
                 Riff("WAVE", {Chunk("LIST", Pattern(11)),
                               FmtChunk(Fmt().Channels(2).Rate(22050).Bits(16).AvgBytes(7)
                                            .BlockAlign(3).Extra({0, 0})),
                               Chunk("fact", Pattern(4)), Chunk("data", samples)})}));
  sonavix::AudioDocument doc;
  ASSERT_TRUE(sonavix::OpenSoundFile(doc, dir / "in.wav", nullptr));
  ASSERT_TRUE(sonavix::SaveSoundFile(doc, dir / "out.wav"));
  const Bytes out = ReadFile(dir / "out.wav");
  // Average rate and block alignment are recomputed; the other chunks are gone.
  EXPECT_EQ(out, ExpectedFile(samples, 2, 22050, 16));
}

TEST(SafeSaveTest, FailedWriteLeavesTheOldFileAndNoLeftovers) {
  TempDir dir;
  const Bytes old = Pattern(100, 42);
  WriteFile(dir / "song.wav", old);
  const Bytes big = Pattern(64 * 1024);

  // A file size limit makes the write fail part way, even for root.
  struct rlimit saved {};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  struct rlimit small = saved;
  small.rlim_cur = 4096;
  const auto oldHandler = ::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const bool saved_ok = sonavix::WriteWaveFile(dir / "song.wav", big.data(), static_cast<std::int32_t>(big.size()),
                                               44100, true, true);
  ::setrlimit(RLIMIT_FSIZE, &saved);
  ::signal(SIGXFSZ, oldHandler);

  EXPECT_FALSE(saved_ok);
  EXPECT_EQ(ReadFile(dir / "song.wav"), old);
  EXPECT_EQ(dir.Entries(), std::vector<std::string>{"song.wav"});
}

TEST(SafeSaveTest, UnwritableTargetsFailCleanly) {
  TempDir dir;
  const Bytes samples = Pattern(10);
  EXPECT_FALSE(sonavix::WriteWaveFile(dir / "missing/out.wav", samples.data(), 10, 8000, false, false));
  ASSERT_TRUE(std::filesystem::create_directory(dir / "folder.wav"));
  EXPECT_FALSE(sonavix::WriteWaveFile(dir / "folder.wav", samples.data(), 10, 8000, false, false));
  EXPECT_TRUE(std::filesystem::is_directory(dir / "folder.wav"));
  EXPECT_TRUE(std::filesystem::is_empty(dir / "folder.wav"));
  EXPECT_FALSE(HasTempLeftovers(dir));
  EXPECT_EQ(dir.Entries().size(), 1u);
}

TEST(SafeSaveTest, ReplacingKeepsPermissionBitsAndNewFilesFollowTheUmask) {
  TempDir dir;
  const Bytes samples = Pattern(20);
  for (const mode_t mode : {mode_t{0640}, mode_t{0604}, mode_t{0755}}) {
    SCOPED_TRACE(mode);
    WriteFile(dir / "song.wav", Pattern(5));
    ASSERT_EQ(::chmod((dir / "song.wav").c_str(), mode), 0);
    ASSERT_TRUE(sonavix::WriteWaveFile(dir / "song.wav", samples.data(), 20, 8000, false, false));
    EXPECT_EQ(Mode(dir / "song.wav"), mode);
    EXPECT_EQ(ReadFile(dir / "song.wav"), ExpectedFile(samples, 1, 8000, 8));
  }
  const mode_t mask = ::umask(027);
  const bool ok = sonavix::WriteWaveFile(dir / "new.wav", samples.data(), 20, 8000, false, false);
  ::umask(mask);
  ASSERT_TRUE(ok);
  EXPECT_EQ(Mode(dir / "new.wav"), mode_t{0640});
  EXPECT_FALSE(HasTempLeftovers(dir));
}

TEST(SafeSaveTest, SavingThroughASymlinkReplacesItsTarget) {
  TempDir dir;
  std::filesystem::create_directory(dir / "real");
  WriteFile(dir / "real/song.wav", Pattern(5));
  std::filesystem::create_symlink("real/song.wav", dir / "link.wav");
  const Bytes samples = Pattern(30);
  ASSERT_TRUE(sonavix::WriteWaveFile(dir / "link.wav", samples.data(), 30, 8000, true, false));
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.wav"));
  EXPECT_EQ(std::filesystem::read_symlink(dir / "link.wav"), "real/song.wav");
  EXPECT_EQ(ReadFile(dir / "real/song.wav"), ExpectedFile(samples, 2, 8000, 8));
  EXPECT_EQ(std::filesystem::directory_iterator(dir / "real")->path().filename(), "song.wav");
  EXPECT_EQ(dir.Entries().size(), 2u);

  // A link to a file that is not there yet: the file is made, the link kept.
  std::filesystem::create_symlink("real/new.wav", dir / "dangling.wav");
  ASSERT_TRUE(sonavix::WriteWaveFile(dir / "dangling.wav", samples.data(), 30, 8000, true, false));
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "dangling.wav"));
  EXPECT_EQ(ReadFile(dir / "real/new.wav"), ExpectedFile(samples, 2, 8000, 8));
}

}  // namespace
