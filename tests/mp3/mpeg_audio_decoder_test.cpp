// Decoding MP3 files made by lame, fed the way the import feeds them, and
// checked against ffmpeg's decoding of the same files.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "mp3/mpeg_audio_decoder.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

bool Have(const char* tool) { return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0; }
Bytes ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

struct Decoded {
  Bytes pcm;
  int rate = 0, channels = 0;
  bool ok = true;
};
Decoded DecodeInChunks(const Bytes& file, std::size_t chunk) {
  sonavix::MpegAudioDecoder decoder;
  Decoded d;
  d.ok = decoder.ok();
  for (std::size_t at = 0; d.ok && at < file.size(); at += chunk) {
    const std::size_t n = std::min(chunk, file.size() - at);
    d.ok = decoder.Decode(file.data() + at, n, at + n == file.size(), d.pcm);
  }
  d.rate = decoder.SampleRate();
  d.channels = decoder.Channels();
  return d;
}
int MaxDifference(const Bytes& a, const Bytes& b) {
  int worst = 0;
  for (std::size_t i = 0; i + 1 < std::min(a.size(), b.size()); i += 2) {
    const int x = static_cast<std::int16_t>(a[i] | a[i + 1] << 8), y = static_cast<std::int16_t>(b[i] | b[i + 1] << 8);
    worst = std::max(worst, std::abs(x - y));
  }
  return worst;
}

class MpegAudioDecoderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!Have("lame") || !Have("ffmpeg")) GTEST_SKIP() << "lame or ffmpeg is not installed";
    dir_ = fs::temp_directory_path() / ("sonavix_mpeg_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                                        "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
  }
  void TearDown() override { if (!dir_.empty()) fs::remove_all(dir_); }

  // A 1 s two-tone sine at `rate`, encoded with `lameArgs`; returns the MP3.
  Bytes Encode(int rate, int channels, const std::string& lameArgs) {
    frames_ = rate;
    Bytes raw;
    for (int i = 0; i < frames_; ++i)
      for (int c = 0; c < channels; ++c) {
        const double t = double(i) / rate;
        const auto v = static_cast<std::int16_t>(9000 * std::sin(2 * M_PI * 440 * t) + 4000 * std::sin(2 * M_PI * (700 + 300 * c) * t));
        raw.push_back(static_cast<std::uint8_t>(v));
        raw.push_back(static_cast<std::uint8_t>(v >> 8));
      }
    std::ofstream(dir_ / "in.raw", std::ios::binary).write(reinterpret_cast<const char*>(raw.data()), std::streamsize(raw.size()));
    const std::string cmd = "lame -r -s " + std::to_string(rate / 1000.0) + " --bitwidth 16 " + (channels == 1 ? "-m m " : "-m j ") +
                            lameArgs + " " + (dir_ / "in.raw").string() + " " + (dir_ / "out.mp3").string() + " --silent 2>/dev/null";
    EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
    return ReadAll(dir_ / "out.mp3");
  }
  Bytes FfmpegPcm() {
    const std::string cmd = "ffmpeg -v error -i " + (dir_ / "out.mp3").string() + " -f s16le -y " + (dir_ / "ff.raw").string();
    EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
    return ReadAll(dir_ / "ff.raw");
  }
  // Decodes the MP3 in 2048-byte chunks and checks it against ffmpeg.
  // Without an info header (`lame -t`) nothing says what to trim, so every
  // frame comes out whole, the last one included.
  void CheckAgainstFfmpeg(const Bytes& mp3, int rate, int channels, bool infoHeader = true) {
    const Decoded d = DecodeInChunks(mp3, 2048);
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.rate, rate);
    EXPECT_EQ(d.channels, channels);
    const Bytes ff = FfmpegPcm();
    const std::size_t frameBytes = 2 * std::size_t(channels);
    if (infoHeader)
      EXPECT_EQ(d.pcm.size(), std::size_t(frames_) * frameBytes) << "gapless trimming gives back the input's length";
    else
      EXPECT_GT(d.pcm.size(), std::size_t(frames_) * frameBytes);
    EXPECT_EQ(d.pcm.size(), ff.size());
    const int diff = MaxDifference(d.pcm, ff);
    RecordProperty("max_difference", diff);
    EXPECT_LE(diff, 1) << "both decoders round the same synthesis to 16 bits";
  }

  fs::path dir_;
  int frames_ = 0;
};

TEST_F(MpegAudioDecoderTest, MatchesFfmpegAcrossVersionsModesAndBitrates) {
  { SCOPED_TRACE("MPEG-1 joint stereo 192 kbit/s"); CheckAgainstFfmpeg(Encode(44100, 2, "-b 192"), 44100, 2); }
  { SCOPED_TRACE("MPEG-2 mono 22.05 kHz"); CheckAgainstFfmpeg(Encode(22050, 1, "-b 64"), 22050, 1); }
  { SCOPED_TRACE("MPEG-2.5 mono 11.025 kHz"); CheckAgainstFfmpeg(Encode(11025, 1, "-b 32"), 11025, 1); }
  { SCOPED_TRACE("MPEG-2.5 stereo 8 kHz"); CheckAgainstFfmpeg(Encode(8000, 2, "-b 24"), 8000, 2); }
  { SCOPED_TRACE("MPEG-1 VBR"); CheckAgainstFfmpeg(Encode(48000, 2, "-V 4"), 48000, 2); }
  { SCOPED_TRACE("no info header"); CheckAgainstFfmpeg(Encode(32000, 2, "-b 128 -t"), 32000, 2, false); }
}

TEST_F(MpegAudioDecoderTest, ChunkSizeDoesNotChangeTheOutput) {
  const Bytes mp3 = Encode(22050, 2, "-b 96");
  const Decoded big = DecodeInChunks(mp3, 2048), single = DecodeInChunks(mp3, 1), odd = DecodeInChunks(mp3, 417);
  ASSERT_TRUE(big.ok && single.ok && odd.ok);
  EXPECT_FALSE(big.pcm.empty());
  EXPECT_EQ(single.pcm, big.pcm);
  EXPECT_EQ(odd.pcm, big.pcm);
}

TEST_F(MpegAudioDecoderTest, TruncatedFileDecodesWhatItHas) {
  const Bytes mp3 = Encode(44100, 2, "-b 128");
  const Decoded whole = DecodeInChunks(mp3, 2048);
  const Decoded half = DecodeInChunks(Bytes(mp3.begin(), mp3.begin() + std::ptrdiff_t(mp3.size() / 2)), 2048);
  ASSERT_TRUE(half.ok);
  EXPECT_EQ(half.rate, 44100);
  // Roughly half the audio comes out, and it is the start of the whole file's.
  EXPECT_GT(half.pcm.size(), whole.pcm.size() * 4 / 10);
  EXPECT_LT(half.pcm.size(), whole.pcm.size() * 6 / 10);
  EXPECT_TRUE(std::equal(half.pcm.begin(), half.pcm.end(), whole.pcm.begin()));
}

TEST(MpegAudioDecoder, NonAudioBytesGiveNoPcm) {
  Bytes text;
  for (int i = 0; i < 20000; ++i) text.push_back(static_cast<std::uint8_t>("not an mp3 at all, just words. "[i % 31]));
  const Decoded d = DecodeInChunks(text, 2048);
  EXPECT_TRUE(d.pcm.empty());
  EXPECT_EQ(d.rate, 0);
  EXPECT_EQ(d.channels, 0);
  sonavix::MpegAudioDecoder empty;
  Bytes out;
  EXPECT_TRUE(empty.Decode(nullptr, 0, true, out));
  EXPECT_TRUE(out.empty());
}

}  // namespace
