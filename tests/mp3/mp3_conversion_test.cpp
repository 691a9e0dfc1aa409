// The conversion's control flow over a scripted codec that copies its input:
// where reading starts, how chunks and flags are handed over, the WAV header,
// stopping, failures, and which codec format the source block ends up with.

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "document/little_endian.h"
#include "mp3/acm.h"
#include "mp3/acm_converter.h"
#include "mp3/mp3_conversion.h"
#include "mp3/scripted_acm_driver.h"

namespace sonavix {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

class RecordingHost final : public Mp3ConversionHost {
 public:
  void ShowProgress(int percent) override { progress.push_back(percent); }
  void Checkpoint() override {
    ++pumps;
    if (stopAfterPumps > 0 && pumps >= stopAfterPumps) stop = true;
  }
  bool StopRequested() const override { return stop; }
  void ClearStopRequest() override { stop = false; }
  void ShowError(const std::string& text) override { errors.push_back(text); }
  void ReportTooLong(const std::string& text) override { tooLong.push_back(text); }

  std::vector<int> progress;
  std::vector<std::string> tooLong;
  std::vector<std::string> errors;
  int pumps = 0;
  int stopAfterPumps = 0;
  bool stop = true;  // set before the conversion: it must clear it
};

// A stereo 44.1 kHz 128 kbit/s MPEG-1 Layer III header, then `n` bytes.
Bytes Frame(std::size_t n, std::uint8_t third = 0x90, std::uint8_t fourth = 0x00) {
  Bytes b = {0xFF, 0xFB, third, fourth};
  for (std::size_t i = 0; i < n; ++i) b.push_back(static_cast<std::uint8_t>(1 + i % 251));
  return b;
}

WaveFormatBlock Layer3(std::uint16_t channels, std::uint32_t rate, std::uint32_t avg, std::uint16_t blockSize) {
  WaveFormatBlock f;
  f.SetFormatTag(kWaveFormatMpegLayer3);
  f.SetChannels(channels);
  f.SetSamplesPerSec(rate);
  f.SetAvgBytesPerSec(avg);
  f.SetBlockAlign(1);
  f.SetCbSize(12);
  f.SetMp3Fields(1, 2, blockSize, 1, 0);
  return f;
}

class Mp3ConversionTest : public ::testing::Test {
 protected:
  Mp3ConversionTest() {
    script = std::make_shared<acm::ScriptedAcmScript>();
    std::vector<std::unique_ptr<acm::AcmDriver>> drivers;
    drivers.push_back(std::make_unique<acm::ScriptedAcmDriver>(script));
    manager = std::make_unique<acm::AcmManager>(std::move(drivers));
    mp3wav = std::make_unique<AcmConverter>(*manager);
    mp3wav->UseMp3ToPcmFormats();
    dir = fs::temp_directory_path() /
          ("sonavix_conv_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::create_directories(dir);
  }
  ~Mp3ConversionTest() override { fs::remove_all(dir); }

  Bytes Convert(const Bytes& mp3, const std::vector<WaveFormatBlock>& list = {},
                std::int64_t maxPcmBytes = -1) {
    const fs::path in = dir / "in.mp3", out = dir / "out.wav";
    std::ofstream(in, std::ios::binary).write(reinterpret_cast<const char*>(mp3.data()), std::streamsize(mp3.size()));
    ConvertMp3ToWave(in.string(), out.string(), *mp3wav, list, host, maxPcmBytes);
    std::ifstream file(out, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), {});
  }
  // Everything the codec was handed, in order.
  Bytes Offered() const {
    Bytes all;
    for (const auto& call : script->converts) all.insert(all.end(), call.data.begin(), call.data.end());
    return all;
  }

  std::shared_ptr<acm::ScriptedAcmScript> script;
  std::unique_ptr<acm::AcmManager> manager;
  std::unique_ptr<AcmConverter> mp3wav;
  RecordingHost host;
  fs::path dir;
};

TEST_F(Mp3ConversionTest, StreamsInChunksWithStartMiddleEndFlagsAndWritesACanonicalHeader) {
  const Bytes mp3 = Frame(2996);  // 3000 bytes
  const Bytes wav = Convert(mp3);
  ASSERT_EQ(script->converts.size(), 3u);
  EXPECT_EQ(script->converts[0].flags, acm::kConvertStart);
  EXPECT_EQ(script->converts[1].flags, 0u);
  EXPECT_EQ(script->converts[2].flags, acm::kConvertEnd);
  EXPECT_EQ(script->converts[0].srcLength, 1024u);
  EXPECT_EQ(script->converts[2].srcLength, 952u);
  EXPECT_EQ(Offered(), mp3);

  ASSERT_EQ(wav.size(), 44 + mp3.size());
  EXPECT_EQ(std::string(wav.begin(), wav.begin() + 4), "RIFF");
  EXPECT_EQ(LoadLe32(&wav[4]), wav.size() - 8);
  EXPECT_EQ(std::string(wav.begin() + 8, wav.begin() + 16), "WAVEfmt ");
  EXPECT_EQ(LoadLe32(&wav[16]), 16u);
  EXPECT_EQ(LoadLe16(&wav[20]), 1);  // PCM
  EXPECT_EQ(LoadLe16(&wav[22]), 2);
  EXPECT_EQ(LoadLe32(&wav[24]), 44100u);
  EXPECT_EQ(LoadLe32(&wav[28]), 176400u);
  EXPECT_EQ(LoadLe16(&wav[32]), 4);
  EXPECT_EQ(LoadLe16(&wav[34]), 16);
  EXPECT_EQ(LoadLe32(&wav[40]), mp3.size());
  EXPECT_TRUE(Bytes(wav.begin() + 44, wav.end()) == mp3);

  EXPECT_TRUE(host.errors.empty());
  EXPECT_FALSE(mp3wav->Active());
  EXPECT_EQ(script->resets, 1);
  EXPECT_EQ(script->streamsAlive, 0);
  // 0 first, the share read after each chunk, 0 at the end.
  EXPECT_EQ(host.progress, (std::vector<int>{0, 34, 68, 100, 0, 0}));
}

TEST_F(Mp3ConversionTest, AFileThatFitsOneChunkIsOneEndFlaggedCall) {
  Convert(Frame(500));
  ASSERT_EQ(script->converts.size(), 1u);
  EXPECT_EQ(script->converts[0].flags, acm::kConvertEnd);
  EXPECT_EQ(script->converts[0].srcLength, 504u);
}

TEST_F(Mp3ConversionTest, UnusedSourceBytesAreHandedAgainAtTheStartOfTheNextChunk) {
  script->maxSourceUse = 1000;
  const Bytes mp3 = Frame(2996);
  const Bytes wav = Convert(mp3);
  ASSERT_EQ(script->converts.size(), 3u);
  EXPECT_EQ(script->converts[1].data.front(), mp3[1000]);
  EXPECT_EQ(script->converts[2].srcLength, 1000u);
  EXPECT_EQ(script->converts[2].flags, acm::kConvertEnd);
  EXPECT_TRUE(Bytes(wav.begin() + 44, wav.end()) == mp3);
}

TEST_F(Mp3ConversionTest, ReadingStartsAfterAnId3TagAndItsZeroPadding) {
  Bytes mp3 = {'I', 'D', '3', 3, 0, 0, 0x00, 0x00, 0x02, 0x01};
  mp3.resize(10 + 257, 'x');  // the tag: 257 bytes after its header
  const Bytes audio = Frame(100);
  Bytes padded = mp3;
  padded.resize(padded.size() + 5, 0);
  mp3.insert(mp3.end(), audio.begin(), audio.end());
  padded.insert(padded.end(), audio.begin(), audio.end());

  Convert(mp3);
  EXPECT_EQ(Offered(), audio) << "starts at offset 267";
  script->converts.clear();
  Convert(padded);
  EXPECT_EQ(Offered(), audio) << "zero bytes after the tag are skipped";
}

TEST_F(Mp3ConversionTest, FrameSearchSkipsJunkAndTakesTheFormatFromTheFirstFrame) {
  Bytes mp3 = {0x12, 0xFF, 0x00, 0xFF, 0xE9};  // no valid header among these
  const Bytes audio = Frame(600, 0x94, 0xC0);  // 48 kHz, mono
  mp3.insert(mp3.end(), audio.begin(), audio.end());
  const Bytes wav = Convert(mp3);
  EXPECT_EQ(Offered(), audio);
  EXPECT_EQ(LoadLe16(&wav[22]), 1);
  EXPECT_EQ(LoadLe32(&wav[24]), 48000u);
  EXPECT_EQ(LoadLe32(&wav[28]), 96000u);
  EXPECT_EQ(LoadLe16(&wav[32]), 2);
  ASSERT_EQ(script->openedSources.size(), 1u);
  EXPECT_EQ(script->openedSources[0].FormatTag(), kWaveFormatMpegLayer3);
  EXPECT_EQ(script->openedSources[0].Channels(), 1);
  EXPECT_EQ(script->openedSources[0].SamplesPerSec(), 48000u);
  EXPECT_EQ(script->openedSources[0].BitsPerSample(), 0);
  EXPECT_EQ(script->openedSources[0].AvgBytesPerSec(), 16000u);
  EXPECT_EQ(script->openFlags[0], acm::kStreamOpenNonRealtime);
}

TEST_F(Mp3ConversionTest, A48kHzStereoStreamGivesA48kHzStereo16BitWave) {
  const Bytes wav = Convert(Frame(100, 0x94, 0x00));
  EXPECT_EQ(LoadLe32(&wav[24]), 48000u);
  EXPECT_EQ(LoadLe16(&wav[22]), 2);
  EXPECT_EQ(LoadLe16(&wav[32]), 4);
  EXPECT_EQ(LoadLe32(&wav[28]), 192000u);
}

TEST_F(Mp3ConversionTest, ARiffWrappedStreamTakesItsFormatFromTheFmtChunkAndIsReadFromByte66) {
  Bytes mp3(70, 0);
  std::memcpy(&mp3[0], "RIFF", 4);
  std::memcpy(&mp3[8], "WAVEfmt ", 8);
  StoreLe32(&mp3[16], 30);
  StoreLe16(&mp3[20], 0x55);
  StoreLe16(&mp3[22], 1);
  StoreLe32(&mp3[24], 22050);
  StoreLe32(&mp3[28], 4000);
  for (std::size_t i = 66; i < mp3.size(); ++i) mp3[i] = static_cast<std::uint8_t>(i);
  const Bytes wav = Convert(mp3);
  EXPECT_EQ(Offered(), Bytes(mp3.begin() + 66, mp3.end()));
  EXPECT_EQ(LoadLe16(&wav[22]), 1);
  EXPECT_EQ(LoadLe32(&wav[24]), 22050u);
  EXPECT_EQ(script->openedSources.at(0).AvgBytesPerSec(), 4000u);
}

TEST_F(Mp3ConversionTest, TheLastOfTwoMatchingCodecFormatsIsCopiedOverTheSource) {
  const std::vector<WaveFormatBlock> list = {Layer3(2, 44100, 16000, 417), Layer3(2, 44100, 20000, 522),
                                             Layer3(2, 44100, 16000, 418), Layer3(1, 44100, 16000, 419)};
  Convert(Frame(100), list);
  ASSERT_EQ(script->openedSources.size(), 1u);
  EXPECT_EQ(script->openedSources[0], list[2]);
}

TEST_F(Mp3ConversionTest, WithoutMatchingFormatTheStoredLayer3FieldsStay) {
  Convert(Frame(100));
  const WaveFormatBlock& source = script->openedSources.at(0);
  EXPECT_EQ(source.Mp3BlockSize(), 168);
  EXPECT_EQ(source.Mp3CodecDelay(), 1393);
  EXPECT_EQ(source.CbSize(), 12);
}

TEST_F(Mp3ConversionTest, AStopEndsAfterTheCurrentChunkAndLeavesACorrectHeader) {
  host.stopAfterPumps = 2;
  const Bytes mp3 = Frame(9996);
  const Bytes wav = Convert(mp3);
  EXPECT_EQ(script->converts.size(), 2u);
  ASSERT_EQ(wav.size(), 44u + 2048u);
  EXPECT_EQ(LoadLe32(&wav[4]), wav.size() - 8);
  EXPECT_EQ(LoadLe32(&wav[40]), 2048u);
  EXPECT_FALSE(mp3wav->Active());
}

TEST_F(Mp3ConversionTest, ASoundPastTheLimitStopsAtOnceAndLeavesNothing) {
  // The codec copies: 10000 bytes of MP3 become 10000 bytes of sound, more
  // than the 3000 allowed here; the conversion stops at the chunk that
  // would pass the limit instead of decoding the rest first.
  const Bytes wav = Convert(Frame(9996), {}, 3000);
  EXPECT_EQ(script->converts.size(), 3u);
  EXPECT_TRUE(wav.empty());
  EXPECT_TRUE(host.errors.empty());
  ASSERT_EQ(host.tooLong.size(), 1u);
  EXPECT_EQ(host.tooLong[0], TooLongMessage(44100, 2));
  EXPECT_FALSE(mp3wav->Active());
  EXPECT_EQ(host.progress.back(), 0);

  // Exactly at the limit is still a sound.
  host.tooLong.clear();
  EXPECT_EQ(Convert(Frame(2996), {}, 3000).size(), 3044u);
  EXPECT_TRUE(host.tooLong.empty());
}

TEST(Mp3TooLong, TheLimitIsTwoGibibytesOfWholeFramesSaidInHoursAndMinutes) {
  EXPECT_EQ(MaxPcmBytes(2), 2147483644);
  EXPECT_EQ(MaxPcmBytes(1), 2147483646);
  // 2147483644 / 176400 = 12173 s; 2147483646 / 88200 = 24347 s.
  EXPECT_EQ(TooLongMessage(44100, 2),
            "Die MP3-Datei ist zu lang: Bei 44100 Hz Stereo fasst eine WAV-Datei höchstens "
            "3 Stunden 22 Minuten.");
  EXPECT_EQ(TooLongMessage(44100, 1),
            "Die MP3-Datei ist zu lang: Bei 44100 Hz Mono fasst eine WAV-Datei höchstens "
            "6 Stunden 45 Minuten.");
  EXPECT_EQ(TooLongMessage(48000, 2),
            "Die MP3-Datei ist zu lang: Bei 48000 Hz Stereo fasst eine WAV-Datei höchstens "
            "3 Stunden 6 Minuten.");
}

TEST_F(Mp3ConversionTest, AFileWithoutFramesGetsAnEmptyDataChunkAndNoStream) {
  const Bytes wav = Convert(Bytes(5000, 0x41));
  EXPECT_TRUE(script->openedSources.empty());
  ASSERT_EQ(wav.size(), 44u);
  EXPECT_EQ(LoadLe32(&wav[4]), 36u);
  EXPECT_EQ(LoadLe32(&wav[40]), 0u);
  EXPECT_TRUE(host.errors.empty());
  EXPECT_EQ(host.progress.back(), 0);
}

TEST_F(Mp3ConversionTest, FailedConversionCallsAreSkippedAndTheLoopGoesOn) {
  script->convertResult = acm::kNotPossible;
  const Bytes wav = Convert(Frame(2996));
  EXPECT_EQ(script->converts.size(), 3u);
  EXPECT_EQ(wav.size(), 44u);
}

TEST_F(Mp3ConversionTest, MissingFilesAreReportedInGerman) {
  ConvertMp3ToWave((dir / "none.mp3").string(), (dir / "out.wav").string(), *mp3wav, {}, host);
  EXPECT_EQ(host.errors, std::vector<std::string>{"Konnte Datei nicht öffnen!"});
  EXPECT_FALSE(fs::exists(dir / "out.wav"));

  host.errors.clear();
  std::ofstream(dir / "in.mp3") << "x";
  ConvertMp3ToWave((dir / "in.mp3").string(), (dir / "no" / "out.wav").string(), *mp3wav, {}, host);
  EXPECT_EQ(host.errors, std::vector<std::string>{"Konnte Ausgabedatei nicht erstellen!"});
}

TEST_F(Mp3ConversionTest, AConverterThatCannotOpenThrowsAndLeavesNothingOpen) {
  script->openResult = acm::kNotPossible;
  try {
    Convert(Frame(100));
    FAIL() << "no exception";
  } catch (const AcmError& e) {
    EXPECT_STREQ(e.what(), "acmStreamOpen: The requested operation cannot be performed.");
  }
  EXPECT_FALSE(mp3wav->Active());
  EXPECT_EQ(script->streamsAlive, 0);
}

TEST_F(Mp3ConversionTest, AFailedResetThrowsButTheNextConversionStillWorks) {
  script->resetResult = acm::kNotPossible;
  EXPECT_THROW(Convert(Frame(100)), AcmError);
  EXPECT_FALSE(mp3wav->Active()) << "a converter stuck active would refuse every later import";
  script->resetResult = acm::kNoError;
  const Bytes wav = Convert(Frame(100));
  EXPECT_EQ(wav.size(), 44u + 104u);
}

TEST_F(Mp3ConversionTest, AWaveFileThatCannotBeWrittenWholeIsLeftEmpty) {
  // Writes beyond 64 KiB fail, as on a full disk: the file must not pass for
  // a shorter sound.
  const Bytes mp3 = Frame(200000);
  struct sigaction ignore = {}, old = {};
  ignore.sa_handler = SIG_IGN;
  ASSERT_EQ(::sigaction(SIGXFSZ, &ignore, &old), 0);
  rlimit limit = {}, saved = {};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  const fs::path in = dir / "in.mp3";
  std::ofstream(in, std::ios::binary).write(reinterpret_cast<const char*>(mp3.data()), std::streamsize(mp3.size()));
  limit = saved;
  limit.rlim_cur = 64 * 1024;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
  ConvertMp3ToWave(in.string(), (dir / "out.wav").string(), *mp3wav, {}, host);
  ::setrlimit(RLIMIT_FSIZE, &saved);
  ::sigaction(SIGXFSZ, &old, nullptr);
  EXPECT_EQ(fs::file_size(dir / "out.wav"), 0u);
  EXPECT_FALSE(mp3wav->Active());
  EXPECT_EQ(host.progress.back(), 0);
}

// ---- codec discovery ------------------------------------------------------

TEST(Mp3FormatDiscoveryTest, KeepsTheLayer3FormatsOfEveryDriverDisabledOnesIncluded) {
  auto first = std::make_shared<acm::ScriptedAcmScript>();
  auto second = std::make_shared<acm::ScriptedAcmScript>();
  second->disabled = true;
  WaveFormatBlock pcm;
  pcm.SetFormatTag(kWaveFormatPcm);
  first->formats = {{Layer3(2, 44100, 16000, 417), 30}, {pcm, 16}, {Layer3(1, 22050, 8000, 208), 30}};
  second->formats = {{Layer3(2, 48000, 24000, 576), 30}};
  std::vector<std::unique_ptr<acm::AcmDriver>> drivers;
  drivers.push_back(std::make_unique<acm::ScriptedAcmDriver>(first));
  drivers.push_back(std::make_unique<acm::ScriptedAcmDriver>(second));
  acm::AcmManager manager(std::move(drivers));

  Mp3FormatDiscovery discovery(manager);
  const std::vector<WaveFormatBlock> found = discovery.Run();
  ASSERT_EQ(found.size(), 3u);
  EXPECT_EQ(found[0], first->formats[0].block);
  EXPECT_EQ(found[1], first->formats[2].block);
  EXPECT_EQ(found[2], second->formats[0].block);
}

TEST(Mp3FormatDiscoveryTest, CopiesOnlyTheBytesTheDriverReports) {
  auto script = std::make_shared<acm::ScriptedAcmScript>();
  WaveFormatBlock format = Layer3(2, 44100, 16000, 417);
  format.bytes[40] = 0x77;  // beyond the reported 30 bytes
  script->formats = {{format, 30}};
  std::vector<std::unique_ptr<acm::AcmDriver>> drivers;
  drivers.push_back(std::make_unique<acm::ScriptedAcmDriver>(script));
  acm::AcmManager manager(std::move(drivers));
  const auto found = Mp3FormatDiscovery(manager).Run();
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].bytes[40], 0);
  EXPECT_EQ(found[0].Mp3BlockSize(), 417);
}

}  // namespace
}  // namespace sonavix
