// The libmpg123 codec driver, driven through the layer the way the MP3
// import drives it: 1024-byte source chunks, START/middle/END flags and the
// unused tail of each chunk read again. Files are made with lame at test
// time.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "mp3/acm.h"
#include "mp3/mpeg_audio_decoder.h"
#include "mp3/mpg123_acm_driver.h"

namespace {

namespace fs = std::filesystem;
using namespace sonavix;
using namespace sonavix::acm;
using Bytes = std::vector<std::uint8_t>;

bool Have(const char* tool) {
  return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0;
}
Bytes ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

WaveFormatBlock Layer3(std::uint32_t rate, std::uint16_t channels) {
  WaveFormatBlock b;
  b.SetFormatTag(kWaveFormatMpegLayer3);
  b.SetChannels(channels);
  b.SetSamplesPerSec(rate);
  b.SetAvgBytesPerSec(16000);
  b.SetBlockAlign(1);
  b.SetCbSize(12);
  b.SetMp3Fields(1, 2, 417, 1, 0);
  return b;
}
WaveFormatBlock Pcm(std::uint32_t rate, std::uint16_t channels, std::uint16_t bits = 16) {
  WaveFormatBlock b;
  b.SetFormatTag(kWaveFormatPcm);
  b.SetChannels(channels);
  b.SetSamplesPerSec(rate);
  b.SetBitsPerSample(bits);
  b.SetBlockAlign(static_cast<std::uint16_t>(channels * bits / 8));
  b.SetAvgBytesPerSec(rate * channels * bits / 8);
  return b;
}

Bytes DecodeAtOnce(const Bytes& mp3) {
  MpegAudioDecoder decoder;
  Bytes pcm;
  EXPECT_TRUE(decoder.Decode(mp3.data(), mp3.size(), true, pcm));
  return pcm;
}

struct Converted {
  Bytes pcm;
  std::vector<std::uint32_t> flags;  // of every convert call
};

// Converts as the import does: 1024-byte chunks, the last one flagged END
// (the first START), a partly used chunk's tail read again, every produced
// byte kept. `dstSize` 0 takes the size the stream asks for.
Converted ConvertLikeImport(AcmManager& acm, const Bytes& mp3, std::uint32_t rate, std::uint16_t channels,
                      std::uint32_t dstSize = 0) {
  Converted run;
  StreamHandle stream = nullptr;
  const Result opened = acm.StreamOpen(&stream, nullptr, Layer3(rate, channels), Pcm(rate, channels), nullptr, 0, 0,
                                       kStreamOpenNonRealtime);
  EXPECT_EQ(opened, kNoError);
  if (opened != kNoError) return run;
  constexpr std::uint32_t kChunk = 1024;
  if (dstSize == 0) {
    EXPECT_EQ(acm.StreamSize(stream, kChunk, &dstSize, kStreamSizeSource), kNoError);
  }
  Bytes src(kChunk), dst(dstSize);
  StreamHeader header;
  header.pbSrc = src.data();
  header.cbSrcLength = kChunk;
  header.pbDst = dst.data();
  header.cbDstLength = dstSize;
  EXPECT_EQ(acm.StreamPrepareHeader(stream, header, 0), kNoError);
  enum { kFirst, kMiddle, kLast } mode = kFirst;
  std::size_t pos = 0, budget = mp3.size();
  while (budget > 0 && run.flags.size() < 1000000) {
    std::size_t chunk = kChunk;
    if (budget < chunk) {
      chunk = budget;
      mode = kLast;
    }
    std::memcpy(src.data(), mp3.data() + pos, chunk);
    pos += chunk;
    budget -= chunk;
    header.cbSrcLength = static_cast<std::uint32_t>(chunk);
    const std::uint32_t flags = mode == kFirst ? kConvertStart : mode == kLast ? kConvertEnd : 0;
    run.flags.push_back(flags);
    EXPECT_EQ(acm.StreamConvert(stream, header, flags), kNoError);
    if (header.cbSrcLengthUsed < chunk && header.cbSrcLengthUsed != 0) {
      pos -= chunk - header.cbSrcLengthUsed;
      budget += chunk - header.cbSrcLengthUsed;
    }
    run.pcm.insert(run.pcm.end(), dst.begin(), dst.begin() + header.cbDstLengthUsed);
    if (mode != kLast) mode = kMiddle;
  }
  EXPECT_EQ(acm.StreamReset(stream, 0), kNoError);
  header.cbSrcLength = kChunk;
  EXPECT_EQ(acm.StreamUnprepareHeader(stream, header, 0), kNoError);
  EXPECT_EQ(acm.StreamClose(stream, 0), kNoError);
  return run;
}

class Mpg123AcmDriverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!Have("lame")) GTEST_SKIP() << "lame is not installed";
    dir_ = fs::temp_directory_path() /
           ("sonavix_acm_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
  }
  void TearDown() override {
    if (!dir_.empty()) fs::remove_all(dir_);
  }

  // `seconds` of a two-tone sine at `rate`, encoded with `lameArgs`.
  Bytes Encode(int rate, int channels, const std::string& lameArgs, double seconds = 1.0,
               const std::string& name = "out.mp3") {
    frames_ = static_cast<int>(rate * seconds);
    Bytes raw;
    for (int i = 0; i < frames_; ++i)
      for (int c = 0; c < channels; ++c) {
        const double t = double(i) / rate;
        const auto v = static_cast<std::int16_t>(9000 * std::sin(2 * M_PI * 440 * t) +
                                                 4000 * std::sin(2 * M_PI * (700 + 300 * c) * t));
        raw.push_back(static_cast<std::uint8_t>(v));
        raw.push_back(static_cast<std::uint8_t>(v >> 8));
      }
    std::ofstream(dir_ / "in.raw", std::ios::binary)
        .write(reinterpret_cast<const char*>(raw.data()), std::streamsize(raw.size()));
    // --resample keeps lame from lowering the rate at low bitrates.
    const std::string kHz = std::to_string(rate / 1000.0);
    const std::string cmd = "lame -r -s " + kHz + " --bitwidth 16 " + (channels == 1 ? "-m m " : "-m j ") +
                            "--resample " + kHz + " " + lameArgs + " " + (dir_ / "in.raw").string() + " " +
                            (dir_ / name).string() + " --silent 2>/dev/null";
    EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
    return ReadAll(dir_ / name);
  }

  // The data chunk of `mpg123 -w`'s WAV file, or nothing without the tool.
  std::optional<Bytes> Mpg123CliPcm() {
    if (!Have("mpg123")) return std::nullopt;
    const std::string cmd = "mpg123 -q -w " + (dir_ / "cli.wav").string() + " " + (dir_ / "out.mp3").string();
    EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
    const Bytes wav = ReadAll(dir_ / "cli.wav");
    for (std::size_t at = 12; at + 8 <= wav.size();) {
      const std::uint32_t size = wav[at + 4] | wav[at + 5] << 8 | wav[at + 6] << 16 | std::uint32_t(wav[at + 7]) << 24;
      if (std::memcmp(&wav[at], "data", 4) == 0)
        return Bytes(wav.begin() + std::ptrdiff_t(at + 8),
                     wav.begin() + std::ptrdiff_t(std::min<std::size_t>(wav.size(), at + 8 + size)));
      at += 8 + size + (size & 1);
    }
    return Bytes{};
  }

  // At the lowest bitrates lame's info frame is too small for the encoder
  // delay, so nothing says what to trim and whole frames come out.
  void CheckConversion(const Bytes& mp3, std::uint32_t rate, std::uint16_t channels, bool gapless = true) {
    const Converted run = ConvertLikeImport(*acm_, mp3, rate, channels);
    const Bytes expected = DecodeAtOnce(mp3);
    const std::size_t inputBytes = std::size_t(frames_) * channels * 2;
    if (gapless) {
      EXPECT_EQ(run.pcm.size(), inputBytes) << "the input's length comes back";
    } else {
      EXPECT_GT(run.pcm.size(), inputBytes);
    }
    EXPECT_TRUE(run.pcm == expected) << "same bytes as decoding the whole file at once";
    if (const auto cli = Mpg123CliPcm()) {
      EXPECT_TRUE(run.pcm == *cli) << "same bytes as the mpg123 tool";
    }
  }

  fs::path dir_;
  int frames_ = 0;
  std::unique_ptr<AcmManager> acm_ = CreateSystemAcm();
};

TEST_F(Mpg123AcmDriverTest, ChunkedConversionMatchesWholeFileDecoding) {
  { SCOPED_TRACE("MPEG-1 stereo CBR"); CheckConversion(Encode(44100, 2, "-b 128"), 44100, 2); }
  { SCOPED_TRACE("MPEG-1 stereo VBR"); CheckConversion(Encode(48000, 2, "-V 4"), 48000, 2); }
  { SCOPED_TRACE("MPEG-2 mono CBR"); CheckConversion(Encode(22050, 1, "-b 64"), 22050, 1); }
  { SCOPED_TRACE("MPEG-2 stereo at the lowest bitrate"); CheckConversion(Encode(24000, 2, "-b 8"), 24000, 2, false); }
  { SCOPED_TRACE("MPEG-2.5 stereo VBR"); CheckConversion(Encode(11025, 2, "-V 6"), 11025, 2); }
  { SCOPED_TRACE("MPEG-2.5 mono CBR"); CheckConversion(Encode(8000, 1, "-b 24"), 8000, 1); }
}

TEST_F(Mpg123AcmDriverTest, FileOfOneChunkNeedsOneEndCall) {
  const Bytes mp3 = Encode(8000, 1, "-b 8", 0.5);
  ASSERT_LT(mp3.size(), 1024u);
  const Converted run = ConvertLikeImport(*acm_, mp3, 8000, 1);
  EXPECT_EQ(run.flags, std::vector<std::uint32_t>{kConvertEnd});
  EXPECT_GT(run.pcm.size(), std::size_t(frames_) * 2) << "8 kbit/s has no room for the encoder delay: whole frames";
  EXPECT_TRUE(run.pcm == DecodeAtOnce(mp3));
}

TEST_F(Mpg123AcmDriverTest, SmallDestinationLosesNothing) {
  // A file cut to whole chunks ends without an END call, so what is still
  // pending after its last chunk has to come out through held-back bytes.
  const Bytes whole = Encode(44100, 2, "-b 64", 0.5);
  const Bytes cut(whole.begin(), whole.begin() + std::ptrdiff_t(whole.size() / 1024 * 1024));
  for (const Bytes* mp3 : {&whole, &cut}) {
    const Bytes expected = DecodeAtOnce(*mp3);
    for (std::uint32_t dstSize : {4608u, 1000u}) {
      SCOPED_TRACE(testing::Message() << mp3->size() << " bytes into " << dstSize);
      const Converted run = ConvertLikeImport(*acm_, *mp3, 44100, 2, dstSize);
      EXPECT_TRUE(run.pcm == expected) << run.pcm.size() << " bytes instead of " << expected.size();
    }
  }
}

TEST_F(Mpg123AcmDriverTest, ResetStartsANewStream) {
  const Bytes mp3 = Encode(32000, 2, "-b 96", 0.5);
  StreamHandle stream = nullptr;
  ASSERT_EQ(acm_->StreamOpen(&stream, nullptr, Layer3(32000, 2), Pcm(32000, 2), nullptr, 0, 0, 0), kNoError);
  std::uint32_t dstSize = 0;
  ASSERT_EQ(acm_->StreamSize(stream, static_cast<std::uint32_t>(mp3.size()), &dstSize, kStreamSizeSource), kNoError);
  Bytes src = mp3, dst(dstSize);
  StreamHeader header;
  header.pbSrc = src.data();
  header.cbSrcLength = static_cast<std::uint32_t>(src.size());
  header.pbDst = dst.data();
  header.cbDstLength = dstSize;
  ASSERT_EQ(acm_->StreamPrepareHeader(stream, header, 0), kNoError);
  header.cbSrcLength = 3000;  // half a file, then start over
  ASSERT_EQ(acm_->StreamConvert(stream, header, kConvertStart), kNoError);
  ASSERT_EQ(acm_->StreamReset(stream, 0), kNoError);
  header.cbSrcLength = static_cast<std::uint32_t>(src.size());
  ASSERT_EQ(acm_->StreamConvert(stream, header, kConvertStart | kConvertEnd), kNoError);
  EXPECT_EQ(header.cbSrcLengthUsed, src.size());
  EXPECT_TRUE(Bytes(dst.begin(), dst.begin() + header.cbDstLengthUsed) == DecodeAtOnce(mp3));
  EXPECT_EQ(acm_->StreamUnprepareHeader(stream, header, 0), kNoError);
  EXPECT_EQ(acm_->StreamClose(stream, 0), kNoError);
}

TEST_F(Mpg123AcmDriverTest, OutputKeepsTheOpenedFormatWhenTheStreamChangesIt) {
  // A 44.1 kHz stereo file followed by a 22.05 kHz mono one, opened as the
  // first: the second half is resampled and doubled, not passed through.
  Bytes mp3 = Encode(44100, 2, "-b 128 -t", 0.5, "a.mp3");
  const Bytes second = Encode(22050, 1, "-b 64 -t", 0.5, "b.mp3");
  mp3.insert(mp3.end(), second.begin(), second.end());
  const Converted run = ConvertLikeImport(*acm_, mp3, 44100, 2);
  EXPECT_EQ(run.pcm.size() % 4, 0u);
  const double seconds = run.pcm.size() / (44100.0 * 4);
  EXPECT_GT(seconds, 0.95);
  EXPECT_LT(seconds, 1.15);
}

TEST(Mpg123AcmDriver, DamagedInputNeverBreaksTheStream) {
  std::unique_ptr<AcmManager> acm = CreateSystemAcm();
  std::mt19937 random(7);
  Bytes noise(20000);
  for (auto& b : noise) b = static_cast<std::uint8_t>(random());
  // Frame-header-like bytes scattered through the noise make libmpg123 try
  // to decode it.
  for (std::size_t at = 0; at + 4 < noise.size(); at += 97) {
    noise[at] = 0xFF;
    noise[at + 1] = 0xFB;
  }
  const Converted run = ConvertLikeImport(*acm, noise, 44100, 2);
  EXPECT_EQ(run.pcm.size() % 4, 0u);
}

TEST(Mpg123AcmDriver, OpensOnlyMpegToMatchingPcm) {
  std::unique_ptr<AcmDriver> driver = CreateMpg123AcmDriver();
  std::unique_ptr<AcmDriverStream> stream;
  EXPECT_EQ(driver->OpenStream(Layer3(44100, 2), Pcm(44100, 2), kStreamOpenNonRealtime, stream), kNoError);
  ASSERT_NE(stream, nullptr);
  std::uint32_t size = 0;
  ASSERT_EQ(stream->Size(1024, kStreamSizeSource, size), kNoError);
  EXPECT_GE(size, 65536u);
  EXPECT_EQ(size % 4, 0u);
  ASSERT_EQ(stream->Size(size, kStreamSizeDestination, size), kNoError);
  EXPECT_GE(size, 1u);

  EXPECT_EQ(driver->OpenStream(Layer3(44100, 2), Pcm(48000, 2), 0, stream), kNotPossible);
  EXPECT_EQ(stream, nullptr);
  EXPECT_EQ(driver->OpenStream(Layer3(44100, 2), Pcm(44100, 1), 0, stream), kNotPossible);
  EXPECT_EQ(driver->OpenStream(Layer3(44100, 2), Pcm(44100, 2, 8), 0, stream), kNotPossible);
  EXPECT_EQ(driver->OpenStream(Layer3(44000, 2), Pcm(44000, 2), 0, stream), kNotPossible);
  EXPECT_EQ(driver->OpenStream(Pcm(44100, 2), Pcm(44100, 2), 0, stream), kNotPossible);
  EXPECT_EQ(driver->OpenStream(Layer3(44100, 2), Pcm(44100, 2), 0x2, stream), kInvalidFlag);
  EXPECT_EQ(driver->OpenStream(Layer3(8000, 1), Pcm(8000, 1), kStreamOpenQuery, stream), kNoError);
  EXPECT_EQ(stream, nullptr) << "a query makes no stream";
}

TEST(Mpg123AcmDriver, OffersEveryLayer3Format) {
  const std::vector<ReportedFormat> formats = CreateMpg123AcmDriver()->Formats();
  EXPECT_EQ(formats.size(), 9u * 2 * 14);
  const auto cd = std::find_if(formats.begin(), formats.end(), [](const ReportedFormat& f) {
    return f.block.SamplesPerSec() == 44100 && f.block.Channels() == 2 && f.block.AvgBytesPerSec() == 16000;
  });
  ASSERT_NE(cd, formats.end());
  EXPECT_EQ(cd->size, kMpegLayer3FormatSize);
  EXPECT_EQ(cd->block.FormatTag(), kWaveFormatMpegLayer3);
  EXPECT_EQ(cd->block.BlockAlign(), 1);
  EXPECT_EQ(cd->block.CbSize(), 12);
  EXPECT_EQ(cd->block.Mp3Id(), 1);
  EXPECT_EQ(cd->block.Mp3Flags(), 2u);
  EXPECT_EQ(cd->block.Mp3BlockSize(), 417);
  EXPECT_EQ(cd->block.Mp3FramesPerBlock(), 1);
  const auto lsf = std::find_if(formats.begin(), formats.end(), [](const ReportedFormat& f) {
    return f.block.SamplesPerSec() == 8000 && f.block.Channels() == 1 && f.block.AvgBytesPerSec() == 1000;
  });
  ASSERT_NE(lsf, formats.end()) << "8 kbit/s exists below MPEG-1";
  EXPECT_EQ(lsf->block.Mp3BlockSize(), 72);
}

}  // namespace
