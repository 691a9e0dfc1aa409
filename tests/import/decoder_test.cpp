// The decoder of every other format against FFmpeg's own tool: files made
// by ffmpeg here, decoded into the editor's formats, compared with what
// ffmpeg decodes of them; the conversions (dither, down-mix, rates); and
// the files it refuses.

#include "import/ffmpeg_audio_decoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <vector>

#include "import/format_samples.h"
#include "import/sample_conversion.h"
#include "lyrics/lyrics.h"
#include "texts/import_texts.h"

namespace sonavix {
namespace {

namespace fs = std::filesystem;

using testing::FormatSamples;

bool Shell(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

class Decoder : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!Shell("command -v ffmpeg")) GTEST_SKIP() << "no ffmpeg";
    folder = fs::temp_directory_path() / ("sonavix-import-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    ASSERT_TRUE(testing::MakeSong(Path("base.wav")));
  }
  void TearDown() override { fs::remove_all(folder); }

  std::string Path(const std::string& name) const { return (folder / name).string(); }
  bool Make(const std::string& arguments, const std::string& name) const {
    return Shell("ffmpeg -v error -y " + arguments + " '" + Path(name) + "'");
  }
  // ffmpeg's own decode of a file, as 16-bit samples at the given rate and channels.
  std::vector<std::int16_t> Reference(const std::string& name, int rate, int channels) const {
    const std::string raw = Path(name + ".raw");
    Shell("ffmpeg -v error -y -i '" + Path(name) + "' -f s16le -ar " + std::to_string(rate) + " -ac " +
        std::to_string(channels) + " '" + raw + "'");
    std::ifstream in(raw, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
    std::vector<std::int16_t> samples(bytes.size() / 2);
    std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
    return samples;
  }
  std::optional<WaveData> Decode(const std::string& name, ImportReport& report) const {
    FfmpegAudioDecoder decoder;
    return decoder.Decode(Path(name), report);
  }

  fs::path folder;
};

std::vector<std::int16_t> Samples(const WaveData& wave) {
  std::vector<std::int16_t> samples(static_cast<std::size_t>(wave.block.size) / 2);
  std::memcpy(samples.data(), wave.block.bytes.get(), samples.size() * 2);
  return samples;
}

// The best normalised correlation of `a` with `b` shifted by up to 2048
// samples (the lag found on a stretch in the middle).
double Correlation(const std::vector<std::int16_t>& a, const std::vector<std::int16_t>& b) {
  const auto at = [](const std::vector<std::int16_t>& v, long i) { return i >= 0 && i < long(v.size()) ? double(v[i]) : 0.0; };
  long best = 0;
  double bestSum = -2;
  const long middle = long(a.size()) / 2;
  for (long lag = -2048; lag <= 2048; lag += 2) {
    double sum = 0, energy = 0;
    for (long i = middle; i < middle + 4096; ++i) sum += at(a, i) * at(b, i + lag), energy += at(b, i + lag) * at(b, i + lag);
    if (sum / std::sqrt(energy + 1e-9) > bestSum) bestSum = sum / std::sqrt(energy + 1e-9), best = lag;
  }
  double ab = 0, aa = 0, bb = 0;
  for (long i = 0; i < long(a.size()); ++i) {
    ab += at(a, i) * at(b, i + best);
    aa += at(a, i) * at(a, i);
    bb += at(b, i + best) * at(b, i + best);
  }
  return ab / std::sqrt(aa * bb + 1e-9);
}

TEST_F(Decoder, EveryFormatDecodesAsFfmpegDecodesItAndPlainPcmExactly) {
  const std::vector<std::int16_t> source = Reference("base.wav", 44100, 2);
  for (const auto& format : FormatSamples()) {
    ASSERT_TRUE(testing::MakeSample(Path("base.wav"), format, Path(format.name))) << format.name;
    ImportReport report;
    const std::optional<WaveData> wave = Decode(format.name, report);
    ASSERT_TRUE(wave) << format.name << ": " << ImportProblemText(report.problem);
    EXPECT_TRUE(wave->format.IsStereo && wave->format.Is16Bit) << format.name;
    const std::vector<std::int16_t> ours = Samples(*wave);
    if (format.exact) {
      EXPECT_TRUE(ours == source) << format.name;
      EXPECT_EQ(report.conversion, "") << format.name;
    }
    const double r = Correlation(ours, Reference(format.name, wave->format.SampleRate, 2));
    EXPECT_GE(r, 0.99) << format.name;
  }
}

TEST_F(Decoder, DeepSamplesAreDitheredAndWideOrFastSoundsFitTheEditor) {
  // A slow 24-bit ramp: the error against the exact value stays within one
  // step plus the dither, and averages out to nothing.
  ASSERT_TRUE(Make("-f lavfi -i aevalsrc='-0.5+t/4:s=44100:d=2' -c:a pcm_s24le", "ramp.wav"));
  ImportReport report;
  std::optional<WaveData> wave = Decode("ramp.wav", report);
  ASSERT_TRUE(wave);
  EXPECT_EQ(report.conversion, "24 Bit → 16 Bit");
  const std::vector<std::int16_t> ramp = Samples(*wave);
  double sum = 0, squares = 0, worst = 0;
  for (std::size_t i = 0; i < ramp.size(); ++i) {
    const double exact = (-0.5 + double(i) / 44100 / 4) * 32768;
    const double error = ramp[i] - exact;
    sum += error, squares += error * error, worst = std::max(worst, std::abs(error));
  }
  EXPECT_LE(worst, 2.0);
  EXPECT_LT(std::abs(sum / double(ramp.size())), 0.05) << "no offset";
  EXPECT_GT(std::sqrt(squares / double(ramp.size())), 0.3) << "dither, not truncation";

  // Six loud channels at 96 kHz: stereo at 48 kHz, and the mix does not clip.
  ASSERT_TRUE(Make("-f lavfi -i aevalsrc='0.99*sin(2*PI*300*t)|0.99*sin(2*PI*300*t)|0.99*sin(2*PI*300*t)|"
                   "0.99*sin(2*PI*50*t)|0.99*sin(2*PI*300*t)|0.99*sin(2*PI*300*t):c=5.1:s=96000:d=1' -c:a pcm_s24le",
                   "surround.wav"));
  wave = Decode("surround.wav", report);
  ASSERT_TRUE(wave);
  EXPECT_EQ(report.conversion, "24 Bit → 16 Bit, 96 000 → 48 000 Hz, 6 → 2 Kanäle");
  EXPECT_EQ(wave->format, (SoundFormat{48000, true, true}));
  const std::vector<std::int16_t> mix = Samples(*wave);
  EXPECT_NEAR(double(mix.size()), 2 * 48000.0, 200);
  EXPECT_LT(*std::max_element(mix.begin(), mix.end()), 32767);
  EXPECT_GT(*std::min_element(mix.begin(), mix.end()), -32768);

  // Mono stays mono; rates above 48 kHz go to the one that divides them.
  for (const auto& [rate, kept] : {std::pair{88200, 44100}, {192000, 48000}, {32000, 32000}}) {
    const std::string name = "mono" + std::to_string(rate) + ".flac";
    ASSERT_TRUE(Make("-f lavfi -i sine=f=440:r=" + std::to_string(rate) + ":d=0.5 -c:a flac", name));
    wave = Decode(name, report);
    ASSERT_TRUE(wave);
    EXPECT_EQ(wave->format, (SoundFormat{kept, false, true})) << rate;
  }
}

TEST_F(Decoder, WhatCannotBeReadIsRefusedInWordsAndAShortFileIsReadToItsEnd) {
  ASSERT_TRUE(Make("-f lavfi -i testsrc=d=1:s=160x120 -c:v libx264", "stumm.mp4"));
  ASSERT_TRUE(Make("-i '" + Path("base.wav") + "' -c:a aac -encryption_scheme cenc-aes-ctr "
                   "-encryption_key 00112233445566778899aabbccddeeff -encryption_kid 00112233445566778899aabbccddeeff",
                   "geschuetzt.m4a"));
  std::ofstream(Path("zufall.flac")) << std::string(4000, 'x');
  // A playlist would have FFmpeg read other files in the user's name.
  std::ofstream(Path("liste.m3u8")) << "#EXTM3U\n#EXT-X-TARGETDURATION:2\n#EXTINF:2,\n" << Path("base.wav")
                                     << "\n#EXT-X-ENDLIST\n";
  std::string unknown = std::string("RIFF\x28\0\0\0WAVEfmt \x10\0\0\0\x34\x12\x01\0\x44\xac\0\0\x88\x58\x01\0\x02\0\x10\0data\x04\0\0\0", 44) + "abcd";
  std::ofstream(Path("unbekannt.wav"), std::ios::binary) << unknown;
  ASSERT_TRUE(Make("-i '" + Path("base.wav") + "' -c:a flac", "lang.flac"));
  {
    // STREAMINFO says four hours: refused before a sample is decoded.
    std::fstream flac(Path("lang.flac"), std::ios::in | std::ios::out | std::ios::binary);
    char info[8];
    flac.seekg(18).read(info, 8);
    std::uint64_t fields = 0;
    for (const char c : info) fields = fields << 8 | std::uint8_t(c);
    fields = (fields & ~((std::uint64_t{1} << 36) - 1)) | std::uint64_t{44100} * 3600 * 4;
    for (int i = 7; i >= 0; --i, fields >>= 8) info[i] = char(fields & 0xFF);
    flac.seekp(18).write(info, 8);
  }
  const struct {
    const char* name;
    const char* says;
  } refused[] = {
      {"stumm.mp4", "Die Datei enthält keine Tonspur"},
      {"geschuetzt.m4a", "verschlüsselt"},
      {"zufall.flac", ""},
      {"liste.m3u8", "Das ist keine Tondatei"},
      {"unbekannt.wav", "nicht lesen kann"},
      {"lang.flac", "Die Datei ist zu lang (4:00:00): bei 44100 Hz Stereo fasst ein Klang höchstens 3 Stunden 22 Minuten"},
  };
  for (const auto& r : refused) {
    ImportReport report;
    EXPECT_FALSE(Decode(r.name, report)) << r.name;
    const std::string said = ImportProblemText(report.problem);
    EXPECT_NE(said.find(r.says), std::string::npos) << r.name << ": " << said;
    EXPECT_TRUE(report.problem) << r.name;
  }

  // A FLAC cut in the middle: what is there is read, and the report says so.
  ASSERT_TRUE(Make("-i '" + Path("base.wav") + "' -c:a flac", "ganz.flac"));
  fs::copy_file(Path("ganz.flac"), Path("halb.flac"));
  fs::resize_file(Path("halb.flac"), fs::file_size(Path("ganz.flac")) / 2);
  ImportReport report;
  const std::optional<WaveData> half = Decode("halb.flac", report);
  ASSERT_TRUE(half);
  const std::string warned = ImportProblemText(report.shortfall);
  EXPECT_EQ(warned.rfind("Die Datei endet früher als angegeben: nur ", 0), 0u) << warned;
  EXPECT_GT(half->block.size, 4 * 44100 / 4);
  EXPECT_LT(half->block.size, 4 * 44100 * 2);
}

// An ID3v2 tag with one SYLT frame: entries of UTF-8 text and times in
// milliseconds; `unsync` as a v2.3 writer stores it (a zero after each 0xFF).
std::string SyltTag(int version, const std::vector<std::pair<std::string, std::uint32_t>>& entries, bool unsync) {
  std::string data = std::string("\x03" "deu\x02\x01", 6) + std::string(1, '\0');
  for (const auto& [text, ms] : entries)
    data += text + std::string(1, '\0') + std::string{char(ms >> 24), char(ms >> 16), char(ms >> 8), char(ms)};
  const auto size = [](std::size_t n, bool safe) {
    return safe ? std::string{char(n >> 21 & 0x7F), char(n >> 14 & 0x7F), char(n >> 7 & 0x7F), char(n & 0x7F)}
                : std::string{char(n >> 24), char(n >> 16), char(n >> 8), char(n)};
  };
  std::string body = "SYLT" + size(data.size(), version == 4) + std::string(2, '\0') + data;
  if (unsync)
    for (std::size_t i = 0; i < body.size(); ++i)
      if (body[i] == '\xFF') body.insert(++i, 1, '\0');
  return "ID3" + std::string{char(version), 0, char(unsync ? 0x80 : 0)} + size(body.size(), true) + body;
}

TEST_F(Decoder, SynchronisedLyricsInAnId3TagAreReadAsTimedLines) {
  ASSERT_TRUE(Make("-i '" + Path("base.wav") + "' -t 2 -write_id3v2 0", "bare.mp3"));
  std::ifstream bare(Path("bare.mp3"), std::ios::binary);
  const std::string sound((std::istreambuf_iterator<char>(bare)), {});
  const struct {
    int version;
    bool unsync;
    std::vector<std::pair<std::string, std::uint32_t>> entries;
    const char* lrc;
  } cases[] = {
      {3, true, {{"Erste Zeile", 1500}, {"Zweite \xC3\xBF", 0xFF00}}, "[00:01.50]Erste Zeile\n[01:05.28]Zweite \xC3\xBF\n"},
      {4, false, {{"\nDie ", 1000}, {"Nacht", 1400}, {"\nf\xC3\xA4llt", 2500}},
       "[00:01.00]<00:01.00>Die <00:01.40>Nacht\n[00:02.50]<00:02.50>f\xC3\xA4llt\n"},
  };
  for (const auto& c : cases) {
    std::ofstream(Path("sylt.mp3"), std::ios::binary) << SyltTag(c.version, c.entries, c.unsync) << sound;
    EXPECT_EQ(FfmpegAudioDecoder().ReadTags(Path("sylt.mp3")).lyrics, c.lrc) << c.version;
  }
  EXPECT_EQ(ParseLyrics(cases[1].lrc).lines[0].words.size(), 2u);
}

}  // namespace
}  // namespace sonavix
